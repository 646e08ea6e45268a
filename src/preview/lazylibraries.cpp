// The preview's libraries, libmpv and libavformat, are loaded when the
// preview first needs them, not when the program starts: together they bring
// about two hundred shared libraries (decoders, graphics, sound), whose
// loading and relocation would cost the window's start most of its time and
// memory, for a preview the user may never play.
//
// The functions the preview calls are defined here under their own names:
// each loads its library on its first call (dlopen) and calls the library's
// own (dlsym), found once. A library that cannot be loaded makes its
// functions answer as they do on failure (no handle, an error number), so
// the preview says it cannot start; the rest of the program goes on.
#include <dlfcn.h>

#include <cstdint>
#include <mutex>

#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/stream_cb.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace
{

#define TRANSCAST_TEXT(x) #x
#define TRANSCAST_SONAME(name, major) "lib" name ".so." TRANSCAST_TEXT(major)

struct Library {
    explicit Library(const char* name) : soname(name) {}
    const char* soname;
    void* handle = nullptr;
    std::once_flag loaded;
};

Library mpvLibrary("libmpv.so.2");
Library formatLibrary(TRANSCAST_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR));
Library utilLibrary(TRANSCAST_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR));

static_assert(MPV_CLIENT_API_VERSION >> 16 == 2, "libmpv.so.2 serves client API 2");

template <typename Function> Function resolve(Library& library, const char* name)
{
    std::call_once(library.loaded, [&library] {
        library.handle = ::dlopen(library.soname, RTLD_NOW | RTLD_LOCAL);
    });
    if (!library.handle)
        return nullptr;
    return reinterpret_cast<Function>(::dlsym(library.handle, name));
}

// The library's own function, looked up on the first call.
#define TRANSCAST_REAL(library, name)                                                              \
    static const auto real = resolve<decltype(&::name)>(library, #name)

} // namespace

extern "C" {

mpv_handle* mpv_create(void)
{
    TRANSCAST_REAL(mpvLibrary, mpv_create);
    return real ? real() : nullptr;
}

int mpv_initialize(mpv_handle* ctx)
{
    TRANSCAST_REAL(mpvLibrary, mpv_initialize);
    return real ? real(ctx) : MPV_ERROR_UNINITIALIZED;
}

void mpv_terminate_destroy(mpv_handle* ctx)
{
    TRANSCAST_REAL(mpvLibrary, mpv_terminate_destroy);
    if (real)
        real(ctx);
}

const char* mpv_error_string(int error)
{
    TRANSCAST_REAL(mpvLibrary, mpv_error_string);
    return real ? real(error) : "libmpv could not be loaded";
}

void mpv_free(void* data)
{
    TRANSCAST_REAL(mpvLibrary, mpv_free);
    if (real)
        real(data);
}

int64_t mpv_get_time_us(mpv_handle* ctx)
{
    TRANSCAST_REAL(mpvLibrary, mpv_get_time_us);
    return real ? real(ctx) : 0;
}

int mpv_set_option_string(mpv_handle* ctx, const char* name, const char* data)
{
    TRANSCAST_REAL(mpvLibrary, mpv_set_option_string);
    return real ? real(ctx, name, data) : MPV_ERROR_UNINITIALIZED;
}

int mpv_command(mpv_handle* ctx, const char** args)
{
    TRANSCAST_REAL(mpvLibrary, mpv_command);
    return real ? real(ctx, args) : MPV_ERROR_UNINITIALIZED;
}

int mpv_command_async(mpv_handle* ctx, uint64_t reply_userdata, const char** args)
{
    TRANSCAST_REAL(mpvLibrary, mpv_command_async);
    return real ? real(ctx, reply_userdata, args) : MPV_ERROR_UNINITIALIZED;
}

int mpv_set_property(mpv_handle* ctx, const char* name, mpv_format format, void* data)
{
    TRANSCAST_REAL(mpvLibrary, mpv_set_property);
    return real ? real(ctx, name, format, data) : MPV_ERROR_UNINITIALIZED;
}

int mpv_set_property_string(mpv_handle* ctx, const char* name, const char* data)
{
    TRANSCAST_REAL(mpvLibrary, mpv_set_property_string);
    return real ? real(ctx, name, data) : MPV_ERROR_UNINITIALIZED;
}

int mpv_get_property(mpv_handle* ctx, const char* name, mpv_format format, void* data)
{
    TRANSCAST_REAL(mpvLibrary, mpv_get_property);
    return real ? real(ctx, name, format, data) : MPV_ERROR_UNINITIALIZED;
}

char* mpv_get_property_string(mpv_handle* ctx, const char* name)
{
    TRANSCAST_REAL(mpvLibrary, mpv_get_property_string);
    return real ? real(ctx, name) : nullptr;
}

int mpv_observe_property(mpv_handle* mpv, uint64_t reply_userdata, const char* name,
                         mpv_format format)
{
    TRANSCAST_REAL(mpvLibrary, mpv_observe_property);
    return real ? real(mpv, reply_userdata, name, format) : MPV_ERROR_UNINITIALIZED;
}

mpv_event* mpv_wait_event(mpv_handle* ctx, double timeout)
{
    TRANSCAST_REAL(mpvLibrary, mpv_wait_event);
    return real ? real(ctx, timeout) : nullptr;
}

void mpv_set_wakeup_callback(mpv_handle* ctx, void (*cb)(void* d), void* d)
{
    TRANSCAST_REAL(mpvLibrary, mpv_set_wakeup_callback);
    if (real)
        real(ctx, cb, d);
}

int mpv_hook_add(mpv_handle* ctx, uint64_t reply_userdata, const char* name, int priority)
{
    TRANSCAST_REAL(mpvLibrary, mpv_hook_add);
    return real ? real(ctx, reply_userdata, name, priority) : MPV_ERROR_UNINITIALIZED;
}

int mpv_hook_continue(mpv_handle* ctx, uint64_t id)
{
    TRANSCAST_REAL(mpvLibrary, mpv_hook_continue);
    return real ? real(ctx, id) : MPV_ERROR_UNINITIALIZED;
}

int mpv_stream_cb_add_ro(mpv_handle* ctx, const char* protocol, void* user_data,
                         mpv_stream_cb_open_ro_fn open_fn)
{
    TRANSCAST_REAL(mpvLibrary, mpv_stream_cb_add_ro);
    return real ? real(ctx, protocol, user_data, open_fn) : MPV_ERROR_UNINITIALIZED;
}

int mpv_render_context_create(mpv_render_context** res, mpv_handle* mpv, mpv_render_param* params)
{
    TRANSCAST_REAL(mpvLibrary, mpv_render_context_create);
    return real ? real(res, mpv, params) : MPV_ERROR_UNINITIALIZED;
}

int mpv_render_context_get_info(mpv_render_context* ctx, mpv_render_param param)
{
    TRANSCAST_REAL(mpvLibrary, mpv_render_context_get_info);
    return real ? real(ctx, param) : MPV_ERROR_UNINITIALIZED;
}

void mpv_render_context_set_update_callback(mpv_render_context* ctx, mpv_render_update_fn callback,
                                            void* callback_ctx)
{
    TRANSCAST_REAL(mpvLibrary, mpv_render_context_set_update_callback);
    if (real)
        real(ctx, callback, callback_ctx);
}

uint64_t mpv_render_context_update(mpv_render_context* ctx)
{
    TRANSCAST_REAL(mpvLibrary, mpv_render_context_update);
    return real ? real(ctx) : 0;
}

int mpv_render_context_render(mpv_render_context* ctx, mpv_render_param* params)
{
    TRANSCAST_REAL(mpvLibrary, mpv_render_context_render);
    return real ? real(ctx, params) : MPV_ERROR_UNINITIALIZED;
}

void mpv_render_context_free(mpv_render_context* ctx)
{
    TRANSCAST_REAL(mpvLibrary, mpv_render_context_free);
    if (real)
        real(ctx);
}

int avio_open2(AVIOContext** s, const char* url, int flags, const AVIOInterruptCB* int_cb,
               AVDictionary** options)
{
    TRANSCAST_REAL(formatLibrary, avio_open2);
    return real ? real(s, url, flags, int_cb, options) : AVERROR(ENOSYS);
}

int avio_closep(AVIOContext** s)
{
    TRANSCAST_REAL(formatLibrary, avio_closep);
    return real ? real(s) : AVERROR(ENOSYS);
}

int av_probe_input_buffer2(AVIOContext* pb, const AVInputFormat** fmt, const char* url,
                           void* logctx, unsigned int offset, unsigned int max_probe_size)
{
    TRANSCAST_REAL(formatLibrary, av_probe_input_buffer2);
    return real ? real(pb, fmt, url, logctx, offset, max_probe_size) : AVERROR(ENOSYS);
}

int av_dict_set(AVDictionary** pm, const char* key, const char* value, int flags)
{
    TRANSCAST_REAL(utilLibrary, av_dict_set);
    return real ? real(pm, key, value, flags) : AVERROR(ENOSYS);
}

void av_dict_free(AVDictionary** m)
{
    TRANSCAST_REAL(utilLibrary, av_dict_free);
    if (real)
        real(m);
}

} // extern "C"
