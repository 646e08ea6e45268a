#pragma once

#include <QString>

namespace transcast
{

class MpvInstance;

// A place of ours that shows the pictures of a playing libmpv instance,
// through libmpv's render API: the window's preview panel, or nothing at all
// in tests that only need the clock. The player attaches its instance after
// starting it (video output "libmpv", nothing loaded yet) and detaches it
// before stopping it.
class VideoSurface
{
public:
    virtual ~VideoSurface() = default;
    // Starts showing the pictures of `mpv`. False, with *error saying why,
    // when no renderer can be made here; the surface is then unchanged.
    virtual bool attach(MpvInstance& mpv, QString* error) = 0;
    // Stops showing them and releases everything made for `mpv`, before the
    // instance ends.
    virtual void detach() = 0;
};

} // namespace transcast
