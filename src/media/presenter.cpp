#include "media/presenter.hpp"

#include <cmath>
#include <cstring>

#include "media/internal.hpp"

namespace media::detail {

namespace {

Pixels pixels_of(SDL_Surface* surface) {
    return {static_cast<std::uint32_t*>(surface->pixels), surface->w, surface->h, surface->pitch / 4};
}

void copy_pixels(const SDL_Surface* from, SDL_Surface* onto) {
    auto row = static_cast<std::size_t>(from->w) * from->format->BytesPerPixel;
    for (int y = 0; y < from->h; ++y)
        std::memcpy(static_cast<char*>(onto->pixels) + std::ptrdiff_t(y) * onto->pitch,
                    static_cast<const char*>(from->pixels) + std::ptrdiff_t(y) * from->pitch, row);
}

SDL_Surface* window_surface(SDL_Window* window) {
    SDL_Surface* pixels = SDL_GetWindowSurface(window);
    if (!pixels) fail("cannot draw in the window", SDL_GetError());
    return pixels;
}

// Makes `pixels` the frame the game draws on, with what the frame held.
// The game's Surface for the frame stays the same object.
void use_frame(SDL_Surface* pixels, bool owned) {
    SurfaceImpl& frame = impl(media().screen);
    if (frame.surface == pixels) return;
    if (frame.surface) copy_pixels(frame.surface, pixels);
    if (frame.owned && frame.surface) SDL_FreeSurface(frame.surface);
    frame.surface = pixels;
    frame.owned = owned;
    media().window_memory.forget();  // the copy may have other pixel values
}

// Takes the window's size and surface afresh: the frame becomes the
// window's own surface when the sizes agree, a surface of its own otherwise.
void follow_window() {
    auto& m = media();
    Presenter& p = m.presenter;
    int w = 0, h = 0;
    SDL_GetWindowSize(m.window, &w, &h);
    if (w == p.window_w && h == p.window_h && !p.resized) return;
    p.window_w = w;
    p.window_h = h;
    p.resized = false;
    p.whole = true;
    SDL_Surface* frame = impl(m.screen).surface;
    bool direct = w == p.frame_w && h == p.frame_h;
    if (p.direct || (!direct && !frame)) {
        // Before the window's surface is taken again: SDL frees the old one,
        // which holds the frame's pixels.
        Uint32 format = frame ? frame->format->format : SDL_GetWindowPixelFormat(m.window);
        SDL_Surface* own = SDL_CreateRGBSurfaceWithFormat(0, p.frame_w, p.frame_h, 32, format);
        if (!own) fail("cannot make the frame", SDL_GetError());
        use_frame(own, true);
    }
    SDL_Surface* pixels = window_surface(m.window);
    p.direct = direct && pixels->w == p.frame_w && pixels->h == p.frame_h;
    if (p.direct) {
        use_frame(pixels, false);
        p.shown.clear();
        return;
    }
    p.scaler = Scaler(p.frame_w, p.frame_h, fit_frame(p.frame_w, p.frame_h, pixels->w, pixels->h));
    p.shown.assign(std::size_t(p.frame_w) * std::size_t(p.frame_h), 0);
}

void push(const SDL_Rect* part) {
    auto& m = media();
    int failed = part ? SDL_UpdateWindowSurfaceRects(m.window, part, 1) : SDL_UpdateWindowSurface(m.window);
    if (failed != 0) fail("cannot show the frame", SDL_GetError());
}

// Draws the frame, or its part that changed, scaled into the window.
void present_scaled() {
    auto& m = media();
    Presenter& p = m.presenter;
    SDL_Surface* frame = impl(m.screen).surface;
    SDL_Surface* window = window_surface(m.window);
    Pixels now = pixels_of(frame);
    Pixels before{p.shown.data(), p.frame_w, p.frame_h, p.frame_w};
    Rect changed = p.whole ? Rect{0, 0, p.frame_w, p.frame_h} : changed_box(now, before);
    if (changed.w == 0) return;
    for (int y = changed.y; y < changed.y + changed.h; ++y)
        std::memcpy(before.data + std::ptrdiff_t(y) * before.stride, now.data + std::ptrdiff_t(y) * now.stride,
                    std::size_t(p.frame_w) * 4);
    if (p.whole) SDL_FillRect(window, nullptr, SDL_MapRGB(window->format, 0, 0, 0));
    Rect drawn;
    if (frame->format->BytesPerPixel == 4) {
        drawn = p.scaler.draw(now, pixels_of(window), changed);
    } else {
        // Fewer bits a pixel (a 15 or 16-bit screen): SDL's own stretch.
        const Rect& shown = p.scaler.fit().shown;
        SDL_Rect onto{shown.x, shown.y, shown.w, shown.h};
        if (SDL_BlitScaled(frame, nullptr, window, &onto) != 0) fail("cannot scale the frame", SDL_GetError());
        drawn = shown;
    }
    SDL_Rect part{drawn.x, drawn.y, drawn.w, drawn.h};
    push(p.whole ? nullptr : &part);
    p.whole = false;
}

}  // namespace

Rect window_placement(int frame_w, int frame_h) {
    SDL_Rect screen{};
    if (SDL_GetDisplayUsableBounds(0, &screen) != 0 || (screen.w >= frame_w && screen.h >= frame_h))
        return {int(SDL_WINDOWPOS_CENTERED), int(SDL_WINDOWPOS_CENTERED), frame_w, frame_h};
    Fit fit = fit_frame(frame_w, frame_h, screen.w, screen.h);
    return {screen.x + fit.shown.x, screen.y + fit.shown.y, fit.shown.w, fit.shown.h};
}

void open_frame(int frame_w, int frame_h) {
    Presenter& p = media().presenter;
    p = Presenter{};
    p.frame_w = frame_w;
    p.frame_h = frame_h;
    follow_window();
}

void present() {
    auto& m = media();
    follow_window();
    if (m.presenter.direct) {
        push(nullptr);
        m.presenter.whole = false;
    } else {
        present_scaled();
    }
}

void present_whole() {
    auto& m = media();
    if (!m.window || !m.screen.valid()) return;
    m.presenter.whole = true;
    present();
}

void present_resized() {
    media().presenter.resized = true;
    present_whole();
}

Pos to_frame(int x, int y) {
    const Presenter& p = media().presenter;
    if (p.direct) return {double(x), double(y)};
    const Rect& shown = p.scaler.fit().shown;
    return {double(x - shown.x) * p.frame_w / shown.w, double(y - shown.y) * p.frame_h / shown.h};
}

Pos to_window(Pos frame) {
    const Presenter& p = media().presenter;
    if (p.direct) return {std::floor(frame.x), std::floor(frame.y)};
    // Rounded up: the pixel maps back into the same frame pixel, not the one before.
    const Rect& shown = p.scaler.fit().shown;
    return {shown.x + std::ceil(frame.x * shown.w / p.frame_w), shown.y + std::ceil(frame.y * shown.h / p.frame_h)};
}

void toggle_fullscreen() {
    auto& m = media();
    if (!m.window) return;
    bool fullscreen = (SDL_GetWindowFlags(m.window) & SDL_WINDOW_FULLSCREEN) != 0;
    SDL_SetWindowFullscreen(m.window, fullscreen ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

}  // namespace media::detail
