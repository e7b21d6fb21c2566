// Start-up and shut-down of SDL, the window and the flip.
#include "media/display.hpp"

#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "media/error.hpp"
#include "media/internal.hpp"
#include "media/mixing.hpp"
#include "media/presenter.hpp"
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

constexpr int kChannels = 32;

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

// SDL falls back to drivers that show nothing when there is no display;
// a window nobody sees is no window, unless such a driver was asked for.
// Sets the variable unless it is set already; whether it was set here.
bool setenv_if_unset(const char* name, const char* value) {
    if (std::getenv(name)) return false;
    return setenv(name, value, 0) == 0;
}

void require_a_display() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    bool invisible = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
                                           std::strcmp(driver, "evdev") == 0);
    if (invisible && !(asked && *asked)) {
        SDL_Quit();
        throw Error("cannot open a window: " + why_no_display());
    }
}

void ignore_sdl_log(void*, int, SDL_LogPriority, const char*) {}

bool open_audio() {
    // The drivers' own complaints (ALSA's, SDL's log) are not for the player.
    detail::quiet_alsa();
    SDL_LogOutputFunction log = nullptr;
    void* log_data = nullptr;
    SDL_LogGetOutputFunction(&log, &log_data);
    SDL_LogSetOutputFunction(ignore_sdl_log, nullptr);
    bool opened = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (opened && Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        opened = false;
    }
    SDL_LogSetOutputFunction(log, log_data);
    return opened;
}

// Without a sound device the game plays on in silence, through SDL's dummy
// driver, which accepts and discards everything.
void start_audio() {
    if (!open_audio()) {
        std::string why = SDL_GetError();
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        if (!open_audio()) detail::fail("cannot start the silent sound driver", SDL_GetError());
        // Said once silence is sure: start-up may still fail here (no memory for SDL's sound thread).
        std::fprintf(stderr, "molvane: no sound device (%s); playing without sound\n", why.c_str());
    }
    Mix_AllocateChannels(kChannels);
    detail::start_mixing();
}

// Gives the window's fresh pixels (1.6 MB, 400 pages) their memory in one
// call rather than one page fault at a time when the first frame touches
// them; on a virtual machine a fault can cost 10 to 25 µs. Only a hint: where
// the kernel cannot (before Linux 5.14), the faults come as before.
void map_at_once(void* start, std::size_t bytes) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    std::size_t before_first = (page - address % page) % page;  // to the first whole page
    std::size_t after_last = (address + bytes) % page;          // past the last whole page
    if (bytes < before_first + after_last + page) return;
    ::madvise(static_cast<char*>(start) + before_first, bytes - before_first - after_last, MADV_POPULATE_WRITE);
}

// On X11 the window's pixels go straight to the display (shared memory),
// where SDL knows their format. Otherwise SDL shows them through an OpenGL
// texture, which on a machine without a GPU means loading a software
// renderer at start-up and drawing the whole window with it at every flip.
// That is the only way on Wayland, and on a screen of 10 bits a channel.
// SDL reads the choice once, when the window's pixels are first asked for.
void choose_window_pixels(SDL_Window* window) {
    bool x11 = std::strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0;
    if (x11 && SDL_GetWindowPixelFormat(window) != SDL_PIXELFORMAT_UNKNOWN)
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

}  // namespace

void init() {
    start_video();
    start_sound();
}

void start_video() {
    auto& m = detail::media();
    if (m.alive || m.video) return;
    // The game reads keys, never text: no compose table for X's input
    // method, which would otherwise parse the locale's (en_US.UTF-8: 5,700
    // lines) while the video starts. A player's own choice stands.
    bool compose_ours = setenv_if_unset("XCOMPOSEFILE", "/dev/null");
    {
        detail::QuietStderr quiet;
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0)
            detail::fail("cannot start the video system", SDL_GetError());
    }
    require_a_display();
    bool x11 = std::strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0;
    // Wayland's keyboard reads its compose table once the window opens, and
    // takes /dev/null for a broken file: it gets the locale's own.
    if (compose_ours && !x11) unsetenv("XCOMPOSEFILE");
    int image_formats = IMG_INIT_JPG | IMG_INIT_PNG;
    if ((IMG_Init(image_formats) & image_formats) != image_formats)
        detail::fail("cannot start the JPEG and PNG decoders", IMG_GetError());
    if (TTF_Init() != 0) detail::fail("cannot start the font renderer", TTF_GetError());
    m.video = true;
}

void start_sound() {
    auto& m = detail::media();
    if (m.alive) return;
    if (!m.video) detail::fail("cannot start the mixer", "the video system is not started");
    Mix_Init(MIX_INIT_MP3);  // a missing MP3 decoder shows when an MP3 is loaded
    start_audio();
    m.alive = true;
}

namespace {

// Lets go of the window and everything the media layer keeps for it. The
// game's Surface of the window stays, empty: its pixels went with the window.
void close_window(detail::Media& m) {
    m.icon = {};
    if (m.screen.valid()) {
        detail::SurfaceImpl& frame = detail::impl(m.screen);
        if (frame.owned && frame.surface) SDL_FreeSurface(frame.surface);
        frame.surface = nullptr;
        frame.owned = true;
        m.screen = {};
    }
    m.presenter = {};
    m.window_memory = {};
    m.repairs = {};
    m.pictures = {};
    m.window_hidden = false;
    if (m.window) SDL_DestroyWindow(m.window);
    m.window = nullptr;
}

}  // namespace

// Everything SDL made for the media layer is let go here, while SDL still
// runs, not left for the destructors at the program's exit.
void quit() {
    auto& m = detail::media();
    if (!m.alive && !m.video) return;
    m.alive = false;
    m.video = false;
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    Mix_Quit();
    detail::close_fonts();
    TTF_Quit();
    IMG_Quit();
    close_window(m);
    SDL_Quit();
    if (m.harness) m.harness->stopped();
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
    if (m.window && icon.valid()) SDL_SetWindowIcon(m.window, detail::impl(icon).surface);
}

Surface set_mode(int width, int height) {
    auto& m = detail::media();
    if (m.window) detail::fail("cannot open the window", "it is already open");
    Rect where = detail::window_placement(width, height);
    m.window = SDL_CreateWindow(m.caption.c_str(), where.x, where.y, where.w, where.h,
                                SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (!m.window) detail::fail("cannot open the window", SDL_GetError());
    if (m.icon.valid()) SDL_SetWindowIcon(m.window, detail::impl(m.icon).surface);
    choose_window_pixels(m.window);
    auto impl = std::make_shared<detail::SurfaceImpl>();
    impl->owned = false;
    impl->label = "screen";
    m.screen = detail::make_surface(impl);
    detail::open_frame(width, height);
    SDL_Surface* pixels = impl->surface;
    map_at_once(pixels->pixels, static_cast<std::size_t>(pixels->pitch) * static_cast<std::size_t>(pixels->h));
    SDL_FillRect(pixels, nullptr, SDL_MapRGB(pixels->format, 0, 0, 0));
    m.window_memory.forget();
    detail::convert_pictures();
    if (m.harness) m.harness->window_opened();
    return m.screen;
}

// Shows the frame in the window; see presenter.hpp.
void flip() {
    auto& m = detail::media();
    if (!m.window) detail::fail("cannot show the frame", "the window is not open");
    detail::present();
    if (m.harness) m.harness->flipped();
}

void toggle_fullscreen() { detail::toggle_fullscreen(); }

}  // namespace display
}  // namespace media
