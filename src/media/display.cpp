// Start-up and shut-down of SDL, the window, and the flip.
#include "media/display.hpp"

#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_syswm.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "media/error.hpp"
#include "media/internal.hpp"
#include "media/platform.hpp"
#include "media/quiet_stderr.hpp"
#include "media/x_connection.hpp"

namespace media {

namespace detail {

Media& media() {
    static Media state;
    return state;
}

void fail(const std::string& what, const char* reason) {
    throw Error(what + ": " + (reason && *reason ? reason : "unknown error"));
}

}  // namespace detail

namespace {

bool is_driver(const char* name) {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, name) == 0;
}

// Why no display could be had: the X server's own answer when it refused
// us, or which one was missing.
std::string why_no_display() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (x && *x) {
        std::string reason = x_server_refusal();
        if (!reason.empty()) return "the X server " + std::string(x) + " refused the connection: " + reason;
        return "no X server answers at DISPLAY=" + std::string(x);
    }
    if (wayland && *wayland) return "no Wayland compositor answers at WAYLAND_DISPLAY=" + std::string(wayland);
    return "no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)";
}

// SDL falls back to drivers that show nothing when there is no display; a
// window nobody sees is no window, unless such a driver was asked for.
void require_a_display() {
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if ((is_driver("offscreen") || is_driver("dummy") || is_driver("evdev")) && !(asked && *asked)) {
        SDL_Quit();
        throw Error("cannot open a window: " + why_no_display());
    }
}

// Where the screen is too small for the frame, the window is as large as
// fits, with its top on the screen; elsewhere the frame's size, centred.
SDL_Rect window_placement(int frame_w, int frame_h) {
#ifdef __EMSCRIPTEN__
    // In a page the canvas is the frame's size and the page scales it.
    return {int(SDL_WINDOWPOS_CENTERED), int(SDL_WINDOWPOS_CENTERED), frame_w, frame_h};
#else
    SDL_Rect screen{};
    if (SDL_GetDisplayUsableBounds(0, &screen) != 0 || (screen.w >= frame_w && screen.h >= frame_h))
        return {int(SDL_WINDOWPOS_CENTERED), int(SDL_WINDOWPOS_CENTERED), frame_w, frame_h};
    double scale = std::min(double(screen.w) / frame_w, double(screen.h) / frame_h);
    int w = int(frame_w * scale), h = int(frame_h * scale);
    return {screen.x + (screen.w - w) / 2, screen.y, w, h};
#endif
}

// Whether OpenGL draws in software here (Mesa's llvmpipe or softpipe).
bool emulated_gpu(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned);
    auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = get_string ? get_string(0x1F01 /* GL_RENDERER */) : nullptr;
    std::string lower = name ? reinterpret_cast<const char*>(name) : "";
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.find("llvmpipe") != lower.npos || lower.find("softpipe") != lower.npos ||
           lower.find("software") != lower.npos;
}

// Whether the X server lets OpenGL draw on a GPU.
bool x11_gpu([[maybe_unused]] SDL_Window* window) {
#ifdef SDL_VIDEO_DRIVER_X11  // an SDL built without X11 (Windows', the web's) has no X11 window information
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    return SDL_GetWindowWMInfo(window, &wm) && detail::x_server_renders_on_gpu(wm.info.x11.display);
#else
    return false;
#endif
}

// Why SDL made no renderer: SDL's reason, or where SDL has no pixel format
// for the screen (8-bit colour on X), the screen's depth.
std::string why_cannot_draw(SDL_Window* window) {
    std::string why = SDL_GetError();
#ifdef SDL_VIDEO_DRIVER_X11
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (SDL_GetWindowPixelFormat(window) == SDL_PIXELFORMAT_UNKNOWN && SDL_GetWindowWMInfo(window, &wm) &&
        wm.subsystem == SDL_SYSWM_X11)
        return "the screen has " + std::to_string(detail::x_screen_depth(wm.info.x11.display)) +
               "-bit colour; the game needs a screen of 15 bits or more";
#else
    (void)window;
#endif
    return why;
}

// SDL's own choice of renderer (the GPU's; on Wayland its GL path), except on
// X11 where OpenGL would only be emulated in software: there SDL's software
// renderer draws into the window's shared memory at a fraction of the cost.
SDL_Renderer* make_renderer(SDL_Window* window) {
    bool x11 = is_driver("x11") && SDL_GetWindowPixelFormat(window) != SDL_PIXELFORMAT_UNKNOWN;
    SDL_Renderer* renderer = x11 && !x11_gpu(window) ? nullptr : SDL_CreateRenderer(window, -1, 0);
    if (x11 && (!renderer || emulated_gpu(renderer))) {
        if (renderer) SDL_DestroyRenderer(renderer);
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    return renderer;
}

}  // namespace

void start_video() {
    auto& m = detail::media();
    if (m.video) return;
#ifdef __EMSCRIPTEN__
    // The frame clock alone hands the browser its turn, once a frame; SDL's
    // own extra turn at every flip would cost the frame a few milliseconds.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
#endif
    platform::keep_off_session_bus();
    platform::log_sound_server_elsewhere();
    platform::skip_compose_table(true);
    {
        detail::QuietStderr quiet;
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0)
            detail::fail("cannot start the video system", SDL_GetError());
    }
    require_a_display();
    if (!is_driver("x11")) platform::skip_compose_table(false);
    int image_formats = IMG_INIT_JPG | IMG_INIT_PNG;
    if ((IMG_Init(image_formats) & image_formats) != image_formats)
        detail::fail("cannot start the JPEG and PNG decoders", IMG_GetError());
    if (TTF_Init() != 0) detail::fail("cannot start the font renderer", TTF_GetError());
    m.video = true;
}

// Without a sound device, or while a sound server does not answer, the
// game plays on in silence while a device is sought (sound_device.cpp).
void start_sound() {
    auto& m = detail::media();
    if (m.sound) return;
    if (!m.video) detail::fail("cannot start the mixer", "the video system is not started");
    Mix_Init(MIX_INIT_MP3);  // a missing MP3 decoder shows when an MP3 is loaded
    detail::open_sound_device();
    m.sound = true;
}

// Everything SDL made for the media layer is let go here, while SDL still
// runs, not left for the destructors at the program's exit.
void quit() {
    auto& m = detail::media();
    if (!m.video) return;
    // A sound system still opening, or closing after half a second, is left
    // to the process's end.
    bool audio_closed = detail::close_sound_device();
    if (audio_closed) Mix_Quit();
    detail::close_fonts();
    TTF_Quit();
    IMG_Quit();
    m.icon = {};
    m.frame = {};
    if (m.texture) SDL_DestroyTexture(m.texture);
    if (m.renderer) SDL_DestroyRenderer(m.renderer);
    if (m.window) SDL_DestroyWindow(m.window);
    m.texture = nullptr;
    m.renderer = nullptr;
    m.window = nullptr;
    m.window_hidden = m.software = m.video = m.sound = m.mixer = false;
    m.shown_size = {};
    if (audio_closed)
        SDL_Quit();
    else
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS);
    if (m.harness) m.harness->stopped();
}

void detail::show_frame(bool repaint) {
    auto& m = media();
    if (!m.renderer) return;
    // Black bars beside a scaled frame; a frame at its own size covers the
    // window. The software renderer keeps them from one frame to the next
    // (in fullscreen, clearing again costs a sixth of the frame's time).
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(m.renderer, &w, &h);
    bool kept = m.software && !repaint && w == m.shown_size.x && h == m.shown_size.y;
    m.shown_size = {w, h};
    if ((w != m.frame.get_width() || h != m.frame.get_height()) && !kept) {
        SDL_SetRenderDrawColor(m.renderer, 0, 0, 0, 255);
        SDL_RenderClear(m.renderer);
    }
    SDL_Rect shown{0, 0, m.frame.get_width(), m.frame.get_height()};
    if (SDL_RenderCopy(m.renderer, m.texture, &shown, nullptr) != 0) fail("cannot show the frame", SDL_GetError());
    SDL_RenderPresent(m.renderer);
}

namespace display {

void set_caption(const std::string& title) {
    auto& m = detail::media();
    m.caption = title;
    if (m.window) SDL_SetWindowTitle(m.window, title.c_str());
}

void set_icon(const Surface& icon) {
    auto& m = detail::media();
    m.icon = icon;
    if (m.window && icon.valid()) SDL_SetWindowIcon(m.window, icon.impl().surface);
}

Surface set_mode(int width, int height) {
    auto& m = detail::media();
    if (m.window) detail::fail("cannot open the window", "it is already open");
    SDL_Rect where = window_placement(width, height);
#ifdef __EMSCRIPTEN__
    Uint32 flags = SDL_WINDOW_SHOWN;  // the page sizes the canvas, not SDL
#else
    Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
#endif
    m.window = SDL_CreateWindow(m.caption.c_str(), where.x, where.y, where.w, where.h, flags);
    if (!m.window) detail::fail("cannot open the window", SDL_GetError());
    if (m.icon.valid()) SDL_SetWindowIcon(m.window, m.icon.impl().surface);
    m.renderer = make_renderer(m.window);
    if (!m.renderer) detail::fail("cannot draw in the window", why_cannot_draw(m.window).c_str());
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    // SDL copies rows a multiple of 16 bytes long with streaming stores, which
    // bypass the cache; one column more, never shown, makes the software
    // renderer's copy a memcpy, as the frame's longer rows do for the blits.
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(m.renderer, &info);
    m.software = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    int texture_width = m.software ? width + 1 : width;
    m.texture =
        SDL_CreateTexture(m.renderer, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_STREAMING, texture_width, height);
    if (!m.texture || SDL_RenderSetLogicalSize(m.renderer, width, height) != 0)
        detail::fail("cannot draw in the window", SDL_GetError());
    // Rows a pixel longer than the frame: opaque pictures are drawn with memcpy.
    auto pixels = std::make_unique<Uint32[]>(std::size_t(width + 1) * std::size_t(height));
    SDL_Surface* frame =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.get(), width, height, 32, (width + 1) * 4, SDL_PIXELFORMAT_XRGB8888);
    if (!frame) detail::fail("cannot make the frame", SDL_GetError());
    m.frame = detail::make_surface(frame, "screen");
    m.frame.impl().pixels = std::move(pixels);
    if (m.harness) m.harness->window_opened();
    return m.frame;
}

void flip() {
    auto& m = detail::media();
    if (!m.window) detail::fail("cannot show the frame", "the window is not open");
    SDL_Surface* frame = m.frame.impl().surface;
    if (!m.window_hidden) {  // a frame nobody sees is not shown
        SDL_Rect all{0, 0, frame->w, frame->h};
        if (SDL_UpdateTexture(m.texture, &all, frame->pixels, frame->pitch) != 0)
            detail::fail("cannot show the frame", SDL_GetError());
        detail::show_frame(false);
    }
    if (m.harness) m.harness->flipped();
}

void toggle_fullscreen() {
    auto& m = detail::media();
    if (!m.window) return;
    bool fullscreen = (SDL_GetWindowFlags(m.window) & SDL_WINDOW_FULLSCREEN) != 0;
    // SDL puts the pointer at the same place in the resized window; the
    // player's pointer stays where it was on the screen (no warp on Wayland).
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    SDL_SetWindowFullscreen(m.window, fullscreen ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (is_driver("x11")) SDL_WarpMouseGlobal(x, y);
}

}  // namespace display
}  // namespace media
