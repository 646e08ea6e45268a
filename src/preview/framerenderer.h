#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

#include <QObject>
#include <QString>

struct mpv_handle;
struct mpv_render_context;
struct mpv_render_param;

namespace transcast
{

class MpvInstance;

// The pictures of one libmpv instance, drawn where we say: into an OpenGL
// framebuffer of ours or into memory. The instance must have been started
// with the video output "libmpv" and nothing loaded yet; one renderer per
// instance, destroyed before the instance.
//
// Threading: every call is made on the main thread. For an OpenGL renderer
// the OpenGL context it was made in must be current during every call,
// destruction included. The update handler runs on the main thread, never
// from inside a call of ours.
class FrameRenderer : public QObject
{
    Q_OBJECT
public:
    using ProcAddress = void* (*)(void* context, const char* name);

    ~FrameRenderer() override;

    // A renderer into the OpenGL context current now; `resolve` looks up
    // its functions. Null, with *error saying why, when libmpv refuses it.
    static std::unique_ptr<FrameRenderer> openGl(MpvInstance& mpv, ProcAddress resolve,
                                                 void* resolveContext, QString* error);
    // A renderer into memory, for places without OpenGL.
    static std::unique_ptr<FrameRenderer> software(MpvInstance& mpv, QString* error);

    // Called when a new picture waits or the last one must be drawn again.
    // Calls that come in a burst are merged into one.
    void setUpdateHandler(std::function<void()> handler) { m_handler = std::move(handler); }
    // Whether a new picture waits to be drawn (after the update handler ran).
    bool hasNewFrame();
    // How long until the waiting picture is due on screen, in milliseconds:
    // libmpv hands pictures over a little ahead of time, so that drawing
    // them never makes playback wait. 0 when it is due now or none waits.
    int millisecondsUntilDue();

    // Draws the current picture into the framebuffer object `fbo` of
    // `width` x `height` device pixels, scaled to fit with black bars, the
    // picture's shape kept. False when libmpv could not draw.
    bool renderOpenGl(int fbo, int width, int height);
    // The same into memory: four bytes per pixel, blue, green, red and
    // alpha, the picture opaque and the bars transparent black
    // (QImage::Format_ARGB32_Premultiplied on little-endian machines),
    // `stride` bytes per line, a multiple of 4.
    bool renderSoftware(void* pixels, int width, int height, std::size_t stride);
    // Takes the waiting picture without drawing it, so that playback goes
    // on while nothing can be shown.
    void skipFrame();

private:
    FrameRenderer(mpv_handle* mpv, mpv_render_context* context);
    static std::unique_ptr<FrameRenderer> create(MpvInstance& mpv, mpv_render_param* params,
                                                 QString* error);
    static void onUpdate(void* self);
    void deliverUpdate();

    mpv_handle* m_mpv;
    mpv_render_context* m_context;
    std::function<void()> m_handler;
    std::atomic<bool> m_updatePosted{false};
};

} // namespace transcast
