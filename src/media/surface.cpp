// Pictures: loading, drawing one onto another, and reading them back.
#include "media/surface.hpp"

#include <SDL_image.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "media/error.hpp"
#include "media/internal.hpp"
#include "media/quiet_stderr.hpp"

namespace media {

Surface::Impl::~Impl() {
    // Plain memory: freeing it is safe after quit() too.
    if (owned && surface) SDL_FreeSurface(surface);
}

Surface::Impl& Surface::impl() const {
    if (!impl_) throw Error("a picture was used before it was loaded");
    return *impl_;
}

Surface::Surface(int width, int height) {
    SDL_Surface* pixels = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_XRGB8888);
    if (!pixels)
        detail::fail("cannot make a " + std::to_string(width) + "x" + std::to_string(height) + " surface",
                     SDL_GetError());
    SDL_FillRect(pixels, nullptr, SDL_MapRGB(pixels->format, 0, 0, 0));
    impl_ = std::make_shared<Impl>();
    impl_->surface = pixels;
    impl_->label = "surface " + std::to_string(width) + "x" + std::to_string(height);
}

namespace {

// Whether drawing the picture replaces what lies beneath it.
bool covers(SDL_Surface* picture) {
    Uint8 alpha = 255;
    SDL_GetSurfaceAlphaMod(picture, &alpha);
    return !SDL_ISPIXELFORMAT_ALPHA(picture->format->format) && !SDL_HasColorKey(picture) && alpha == 255;
}

// The part of `onto` that `from` lands on at (x, y).
Rect landing(SDL_Surface* from, SDL_Surface* onto, int x, int y) {
    SDL_Rect drawn{x, y, from->w, from->h};
    SDL_Rect clip;
    SDL_GetClipRect(onto, &clip);
    SDL_Rect on{};
    if (!SDL_IntersectRect(&drawn, &clip, &on)) return {x, y, 0, 0};
    return {on.x, on.y, on.w, on.h};
}

// Copies the part `box` of the window of an opaque picture of the window's
// pixel format, drawn with its corner at (x, y), row by row. SDL's own copy
// writes around the cache, and the window is read and written again at every
// frame: done this way a rabbit's copy takes half the time.
void copy_rows(SDL_Surface* from, SDL_Surface* onto, int x, int y, const Rect& box) {
    const int bytes = onto->format->BytesPerPixel;
    const auto* source = static_cast<const Uint8*>(from->pixels) +
                         static_cast<std::ptrdiff_t>(box.y - y) * from->pitch +
                         static_cast<std::ptrdiff_t>(box.x - x) * bytes;
    auto* target = static_cast<Uint8*>(onto->pixels) + static_cast<std::ptrdiff_t>(box.y) * onto->pitch +
                   static_cast<std::ptrdiff_t>(box.x) * bytes;
    const auto row = static_cast<std::size_t>(box.w) * static_cast<std::size_t>(bytes);
    for (int line = 0; line < box.h; ++line) {
        std::memcpy(target, source, row);
        source += from->pitch;
        target += onto->pitch;
    }
}

}  // namespace

void Surface::blit(const Surface& source, Pos pos) {
    Impl& from = source.impl();
    Impl& onto = impl();
    auto& m = detail::media();
    int x = to_pixel(pos.x);
    int y = to_pixel(pos.y);
    bool onto_window = impl_ == m.screen.impl_;
    if (onto_window && m.harness) m.harness->drawn(source, x, y);
    if (onto_window && (!m.harness || m.harness->shortcuts())) {
        bool copy = covers(from.surface) && from.surface->format->format == onto.surface->format->format &&
                    !SDL_MUSTLOCK(onto.surface);
        detail::WindowDraw draw{from.stamp, x, y, landing(from.surface, onto.surface, x, y), copy};
        if (m.window_memory.holds(draw, m.repairs)) {
            for (const Rect& part : m.repairs) copy_rows(from.surface, onto.surface, x, y, part);
            return;
        }
        if (copy) {
            copy_rows(from.surface, onto.surface, x, y, draw.box);
            return;
        }
    }
    SDL_Rect where{x, y, 0, 0};
    if (SDL_BlitSurface(from.surface, nullptr, onto.surface, &where) != 0)
        detail::fail("cannot draw " + from.label, SDL_GetError());
    onto.stamp = detail::new_stamp();
}

int Surface::get_width() const { return impl().surface->w; }
int Surface::get_height() const { return impl().surface->h; }
Rect Surface::get_rect() const { return {0, 0, get_width(), get_height()}; }
const std::string& Surface::label() const { return impl().label; }

Color Surface::get_at(int x, int y) const {
    SDL_Surface* s = impl().surface;
    if (x < 0 || y < 0 || x >= s->w || y >= s->h)
        throw Error("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") lies outside the picture");
    SDL_LockSurface(s);
    const auto* row = static_cast<const Uint8*>(s->pixels) + static_cast<std::ptrdiff_t>(y) * s->pitch;
    const Uint8* at = row + static_cast<std::ptrdiff_t>(x) * s->format->BytesPerPixel;
    Uint32 value = 0;
    switch (s->format->BytesPerPixel) {
        case 1: value = *at; break;
        case 2: value = *reinterpret_cast<const Uint16*>(at); break;
        case 3:
            value = SDL_BYTEORDER == SDL_LIL_ENDIAN ? Uint32(at[0] | at[1] << 8 | at[2] << 16)
                                                    : Uint32(at[2] | at[1] << 8 | at[0] << 16);
            break;
        default: value = *reinterpret_cast<const Uint32*>(at); break;
    }
    SDL_UnlockSurface(s);
    Color c;
    SDL_GetRGB(value, s->format, &c.r, &c.g, &c.b);
    return c;
}

namespace image {

namespace {

bool ends_with_marker(const std::string& bytes, std::string_view marker) {
    std::size_t tail = std::min<std::size_t>(bytes.size(), 16);
    return bytes.substr(bytes.size() - tail).find(marker) != std::string::npos;
}

// JPEG and PNG files carry an end marker. The decoders forgive a file cut
// short and fill in the rest, but a damaged picture is not one to show.
const char* damage_of(const std::string& bytes) {
    if (bytes.starts_with("\xFF\xD8") && !ends_with_marker(bytes, "\xFF\xD9")) return "the JPEG file is cut short";
    if (bytes.starts_with("\x89PNG") && !ends_with_marker(bytes, "IEND")) return "the PNG file is cut short";
    return nullptr;
}

}  // namespace

Surface load(const std::string& path) {
    auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::ifstream in(path, std::ios::binary);
    if (!in) detail::fail("cannot load the picture " + name, std::strerror(errno));
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (const char* damage = damage_of(bytes)) detail::fail("cannot load the picture " + name, damage);
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* pixels = nullptr;
    {
        // libpng prints its own "libpng error: ..." on damaged data; the
        // player gets our one line, made of IMG_GetError, instead.
        detail::QuietStderr quiet;
        pixels = source ? IMG_Load_RW(source, 1) : nullptr;
    }
    if (!pixels) detail::fail("cannot load the picture " + name, IMG_GetError());
    auto impl = std::make_shared<detail::SurfaceImpl>();
    impl->surface = pixels;
    impl->label = name;
    detail::adopt_picture(impl);
    return detail::make_surface(impl);
}

}  // namespace image
}  // namespace media
