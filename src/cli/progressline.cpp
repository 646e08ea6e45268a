#include "cli/progressline.h"

#include <algorithm>

#include "engine/progressmodel.h"
#include "engine/progressscan.h"

namespace transcast
{

namespace
{

QString cut(const QString& text, int room)
{
    if (room <= 0)
        return QString();
    if (text.size() <= room)
        return text;
    return text.left(room - 1) + QLatin1Char('~');
}

} // namespace

QString ProgressLine::format(int row, int rowCount, const QString& caption, int value, int width)
{
    value = std::clamp(value, 0, ProgressModel::kMaximum);
    const QString counter = QStringLiteral("[%1/%2] ").arg(row + 1).arg(rowCount);
    // "100.00%" is the widest percentage; the others are padded to it so the
    // bar does not jump.
    const QString percent = QString::fromLatin1(percentText(value)).rightJustified(7);

    // The bar gives way to the caption down to its shortest; when even then
    // too little of the caption would show, the bar goes.
    const int room = width - static_cast<int>(counter.size() + 1 + percent.size()) - 3;
    const int captionWanted = std::min(static_cast<int>(caption.size()), kShortestCaption);
    const int bar =
        room - kShortestBar >= captionWanted
            ? std::clamp(room - static_cast<int>(caption.size()), kShortestBar, kLongestBar)
            : 0;
    QString tail = QLatin1Char(' ') + percent;
    if (bar > 0) {
        const int filled =
            static_cast<int>(static_cast<qint64>(value) * bar / ProgressModel::kMaximum);
        tail += QStringLiteral(" [") + QString(filled, QLatin1Char('#')) +
                QString(bar - filled, QLatin1Char('-')) + QLatin1Char(']');
    }
    const int captionRoom = width - static_cast<int>(counter.size() + tail.size());
    return (counter + cut(caption, captionRoom) + tail).left(std::max(width, 0));
}

} // namespace transcast
