#include "common/framesize.h"

#include "common/textutil.h"

namespace transcast
{

QString FrameSize::text() const
{
    if (!isKnown())
        return QString();
    return QStringLiteral("%1x%2").arg(width).arg(height);
}

std::optional<FrameSize> FrameSize::fromText(const QString& text)
{
    const qsizetype x = text.indexOf(QLatin1Char('x'));
    if (x <= 0)
        return std::nullopt;
    const auto digitsOnly = [](const QString& part) {
        if (part.isEmpty())
            return false;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        return true;
    };
    const QString width = text.left(x);
    const QString height = text.mid(x + 1);
    if (!digitsOnly(width) || !digitsOnly(height))
        return std::nullopt;
    const auto w = parseInt32(width);
    const auto h = parseInt32(height);
    if (!w || !h || *w <= 0 || *h <= 0)
        return std::nullopt;
    return FrameSize{*w, *h};
}

} // namespace transcast
