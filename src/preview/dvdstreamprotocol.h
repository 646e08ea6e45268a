#pragma once

#include "preview/streamprotocol.h"

namespace transcast
{

// The "vts" protocol: a DVD locator ("vts://NN*start*end*audio*sub*/root")
// as the byte stream of its sectors, read through the disc reader, so the
// player plays a title or chapter straight from the disc folder or image.
// Its times run on the title's own clock across cells (see
// dvd::ContinuousTitleReader), so positions count over the whole title.
// The locator's audio and subtitle ids do not change the stream; the
// preview chooses the audio and subtitle tracks itself (PreviewPlayer::
// setAudioSourceId, setSubtitleSourceId).
class DvdStreamProtocol : public StreamProtocol
{
public:
    QString scheme() const override { return QStringLiteral("vts"); }
    QString format() const override { return QStringLiteral("mpeg"); }
    // Null when the text is no locator, the disc cannot be read or the
    // sectors lie outside the title set.
    std::unique_ptr<StreamReader> open(const QString& address) override;
};

} // namespace transcast
