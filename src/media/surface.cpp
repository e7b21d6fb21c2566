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

Surface::Impl& Surface::impl() const {
    if (!impl_) throw Error("a picture was used before it was loaded");
    return *impl_;
}

Surface detail::make_surface(SDL_Surface* pixels, std::string label) {
    auto impl = std::make_shared<Surface::Impl>();
    impl->surface = pixels;
    impl->label = std::move(label);
    return Surface(std::move(impl));
}

Surface::Surface(int width, int height) {
    SDL_Surface* pixels = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_XRGB8888);
    std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (!pixels) detail::fail("cannot make a " + size + " surface", SDL_GetError());
    *this = detail::make_surface(pixels, "surface " + size);
}

void Surface::blit(const Surface& source, Pos pos) {
    Impl& from = source.impl();
    SDL_Rect where{to_pixel(pos.x), to_pixel(pos.y), 0, 0};
    auto& m = detail::media();
    if (m.harness && *this == m.frame) m.harness->drawn(source, where.x, where.y);
    if (SDL_BlitSurface(from.surface, nullptr, impl().surface, &where) != 0)
        detail::fail("cannot draw " + from.label, SDL_GetError());
}

int Surface::get_width() const { return impl().surface->w; }
int Surface::get_height() const { return impl().surface->h; }
Rect Surface::get_rect() const { return {0, 0, get_width(), get_height()}; }
const std::string& Surface::label() const { return impl().label; }

// Every surface is 32 bits a pixel: the frame, the pictures as converted at
// load, and the fonts' texts.
Color Surface::get_at(int x, int y) const {
    SDL_Surface* s = impl().surface;
    if (x < 0 || y < 0 || x >= s->w || y >= s->h)
        throw Error("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") lies outside the picture");
    const auto* row = static_cast<const Uint8*>(s->pixels) + static_cast<std::ptrdiff_t>(y) * s->pitch;
    Uint32 value = reinterpret_cast<const Uint32*>(row)[x];
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

// The decoders forgive a file cut short and fill in the rest, but a damaged
// picture is not one to show.
const char* damage_of(const std::string& bytes) {
    if (bytes.starts_with("\xFF\xD8") && !ends_with_marker(bytes, "\xFF\xD9")) return "the JPEG file is cut short";
    if (bytes.starts_with("\x89PNG") && !ends_with_marker(bytes, "IEND")) return "the PNG file is cut short";
    return nullptr;
}

}  // namespace

// Converted once, to 32 bits a pixel, so that drawing it is a plain copy or blend.
Surface load(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    std::ifstream in(path, std::ios::binary);
    if (!in) detail::fail("cannot load the picture " + name, std::strerror(errno));
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (const char* damage = damage_of(bytes)) detail::fail("cannot load the picture " + name, damage);
    SDL_Surface* decoded = nullptr;
    {
        // libpng prints its own "libpng error: ..."; the player gets our one line.
        detail::QuietStderr quiet;
        decoded = IMG_Load_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
    }
    if (!decoded) detail::fail("cannot load the picture " + name, IMG_GetError());
    bool alpha = SDL_ISPIXELFORMAT_ALPHA(decoded->format->format) || SDL_HasColorKey(decoded);
    SDL_Surface* pixels =
        SDL_ConvertSurfaceFormat(decoded, alpha ? SDL_PIXELFORMAT_ARGB8888 : SDL_PIXELFORMAT_XRGB8888, 0);
    SDL_FreeSurface(decoded);
    if (!pixels) detail::fail("cannot convert the picture " + name, SDL_GetError());
    return detail::make_surface(pixels, name);
}

}  // namespace image
}  // namespace media
