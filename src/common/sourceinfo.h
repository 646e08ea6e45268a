#pragma once

#include <optional>

#include <QString>

#include "common/framesize.h"
#include "common/textutil.h"

namespace transcast
{

// What the probe learnt about a source, as numbers; the list's columns and
// the CLI make text of them. DVD rows fill the frame size and the duration
// only. Held by the job list's rows and read by the estimate, which is why
// it lives below both.
struct SourceInfo {
    QString filePath;
    FrameSize frameSize;
    // How long it plays; absent when nobody could tell.
    std::optional<qint64> durationMs;
    // kbit/s, the source's own qualities (file rows).
    int videoKbps = 0;
    int audioKbps = 0;

    // Whole seconds, as the estimate, the job and the preview count the
    // length: 0 when it is not known.
    int seconds() const { return static_cast<int>(durationMs.value_or(0) / 1000); }
    // The "Time" column: "hh:mm:ss" of the whole seconds; empty when the
    // length is not known.
    QString durationText() const { return durationClock(durationMs); }
};

} // namespace transcast
