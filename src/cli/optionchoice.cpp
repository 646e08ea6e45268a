#include "cli/optionchoice.h"

#include <QStringList>

#include "common/optionbox.h"
#include "common/textutil.h"

namespace transcast
{

OptionChoice::Result OptionChoice::resolve(const OptionBox& box, const QString& value,
                                           const QString& option, const QString& what, int profile)
{
    Result result;
    if (!box.isEnabled()) {
        result.error = QStringLiteral("%1: profile %2 has no %3 to choose (its box is disabled)")
                           .arg(option)
                           .arg(profile)
                           .arg(what);
        return result;
    }
    const std::optional<int> position = parseInt32(value);
    if (position && *position >= 0 && *position < box.count()) {
        result.index = *position;
        return result;
    }
    const int byText = box.indexOf(value);
    if (byText >= 0) {
        result.index = byText;
        return result;
    }
    // A size entry may carry a label ("640x480(VGA)"); its size alone names
    // it too when no other entry has that size.
    int byLabelledText = -1;
    for (int i = 0; i < box.count(); ++i) {
        const QString text = box.itemText(i);
        const int paren = static_cast<int>(text.indexOf(QLatin1Char('(')));
        if (paren > 0 && text.left(paren) == value) {
            if (byLabelledText >= 0) {
                byLabelledText = -1;
                break;
            }
            byLabelledText = i;
        }
    }
    if (byLabelledText >= 0) {
        result.index = byLabelledText;
        return result;
    }
    QStringList offered;
    for (int i = 0; i < box.count(); ++i)
        offered << QStringLiteral("%1 \"%2\"").arg(i).arg(box.itemText(i));
    result.error = QStringLiteral("%1: profile %2 offers no %3 \"%4\"; it offers %5")
                       .arg(option)
                       .arg(profile)
                       .arg(what)
                       .arg(value)
                       .arg(offered.join(QStringLiteral(", ")));
    return result;
}

} // namespace transcast
