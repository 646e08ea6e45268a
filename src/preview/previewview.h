#pragma once

#include <QString>

namespace transcast
{

class VideoSurface;

// What the preview needs of the window: the panel it plays in and the two
// skin objects it draws into. The window implements it over its widgets.
class PreviewView
{
public:
    virtual ~PreviewView() = default;
    // Where the pictures show: the preview panel pl_play; null when the
    // preview plays without pictures.
    virtual VideoSurface* videoSurface() = 0;
    // Makes the panel visible (the layouts whose navigation hides it).
    virtual void showPanel() = 0;
    // The text of "play_time", redrawn at once.
    virtual void showTime(const QString& text) = 0;
    // The position of "play_bar" on 0..10000, redrawn at once.
    virtual void showBar(int position) = 0;
    virtual int barPosition() const = 0;
};

} // namespace transcast
