#pragma once

#include <QString>

namespace transcast
{

// What the probe learnt about a source. The fourth text is never set or read;
// it keeps the record's layout. DVD rows fill FrameSize and Duration only.
// Held by the job list's rows and read by the estimate, which is why it lives
// below both.
struct Toriginalinfo {
    QString FilePath;
    QString FrameSize;
    QString Duration;
    QString Unused;
    QString VideoBitrate;
    QString AudioBitrate;
};

} // namespace transcast
