#include "profiles/optionboxes.h"

#include "profiles/qualitytexts.h"

namespace transcast
{

OptionBoxes::OptionBoxes()
{
    for (const QString& text : fixedQualityTexts()) {
        videoBitrate.addItem(text);
        audioBitrate.addItem(text);
    }
}

} // namespace transcast
