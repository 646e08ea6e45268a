#include "preview/framerenderer.h"

#include <algorithm>
#include <cstdint>

#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/render_gl.h>

#include "preview/mpvinstance.h"

namespace transcast
{

namespace
{

std::unique_ptr<FrameRenderer> failed(int status, QString* error)
{
    if (error)
        *error = QString::fromUtf8(mpv_error_string(status));
    return nullptr;
}

} // namespace

FrameRenderer::FrameRenderer(mpv_handle* mpv, mpv_render_context* context)
    : m_mpv(mpv), m_context(context)
{
    mpv_render_context_set_update_callback(m_context, &FrameRenderer::onUpdate, this);
}

FrameRenderer::~FrameRenderer()
{
    // libmpv calls no update callback once the context is freed; a wake-up
    // still queued dies with this object.
    mpv_render_context_set_update_callback(m_context, nullptr, nullptr);
    mpv_render_context_free(m_context);
}

std::unique_ptr<FrameRenderer> FrameRenderer::create(MpvInstance& mpv, mpv_render_param* params,
                                                     QString* error)
{
    if (!mpv.isRunning())
        return failed(MPV_ERROR_UNINITIALIZED, error);
    mpv_render_context* context = nullptr;
    const int status = mpv_render_context_create(&context, mpv.handle(), params);
    if (status < 0)
        return failed(status, error);
    return std::unique_ptr<FrameRenderer>(new FrameRenderer(mpv.handle(), context));
}

std::unique_ptr<FrameRenderer> FrameRenderer::openGl(MpvInstance& mpv, ProcAddress resolve,
                                                     void* resolveContext, QString* error)
{
    mpv_opengl_init_params init{resolve, resolveContext};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &init},
        {MPV_RENDER_PARAM_INVALID, nullptr}};
    return create(mpv, params, error);
}

std::unique_ptr<FrameRenderer> FrameRenderer::software(MpvInstance& mpv, QString* error)
{
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr}};
    return create(mpv, params, error);
}

void FrameRenderer::onUpdate(void* self)
{
    // On one of libmpv's threads, where no libmpv call may be made: only
    // post the work to the main thread, once per burst.
    auto* renderer = static_cast<FrameRenderer*>(self);
    if (renderer->m_updatePosted.exchange(true))
        return;
    QMetaObject::invokeMethod(renderer, &FrameRenderer::deliverUpdate, Qt::QueuedConnection);
}

void FrameRenderer::deliverUpdate()
{
    m_updatePosted = false;
    // A copy: the handler may destroy this renderer.
    const std::function<void()> handler = m_handler;
    if (handler)
        handler();
}

bool FrameRenderer::hasNewFrame()
{
    return (mpv_render_context_update(m_context) & MPV_RENDER_UPDATE_FRAME) != 0;
}

int FrameRenderer::millisecondsUntilDue()
{
    mpv_render_frame_info info{};
    mpv_render_param param{MPV_RENDER_PARAM_NEXT_FRAME_INFO, &info};
    if (mpv_render_context_get_info(m_context, param) < 0 ||
        !(info.flags & MPV_RENDER_FRAME_INFO_PRESENT) || info.target_time <= 0)
        return 0;
    const std::int64_t ahead = info.target_time - mpv_get_time_us(m_mpv);
    // Never more than libmpv's own lead, whatever its clock says.
    return static_cast<int>(std::clamp<std::int64_t>(ahead / 1000, 0, 100));
}

bool FrameRenderer::renderOpenGl(int fbo, int width, int height)
{
    mpv_opengl_fbo target{fbo, width, height, 0};
    int flip = 1;
    // The main thread draws: never wait there for the picture's due time
    // (the player hands it over when it is due).
    int block = 0;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flip},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    return mpv_render_context_render(m_context, params) >= 0;
}

bool FrameRenderer::renderSoftware(void* pixels, int width, int height, std::size_t stride)
{
    int size[2] = {width, height};
    // Blue, green, red, alpha: opaque in the picture, zero (transparent
    // black) in the bars beside it.
    char format[] = "bgra";
    int block = 0;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, size},
                                 {MPV_RENDER_PARAM_SW_FORMAT, format},
                                 {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                 {MPV_RENDER_PARAM_SW_POINTER, pixels},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    return mpv_render_context_render(m_context, params) >= 0;
}

void FrameRenderer::skipFrame()
{
    int skip = 1;
    int block = 0;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(m_context, params);
}

} // namespace transcast
