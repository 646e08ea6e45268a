#pragma once

#include "common/optionbox.h"

namespace transcast
{

// The four boxes, in their order of use.
struct OptionBoxes {
    OptionBox size{QStringLiteral("cb_size")};
    OptionBox videoBitrate{QStringLiteral("cb_videobitrate")};
    OptionBox audioBitrate{QStringLiteral("cb_audiobitrate")};
    OptionBox channel{QStringLiteral("cb_channel")};

    // The quality boxes start with their five fixed entries.
    OptionBoxes();
};

} // namespace transcast
