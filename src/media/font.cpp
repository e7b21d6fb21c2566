// Fonts: installed families found through fontconfig, the embedded default
// font, and rendering texts.
#include "media/font.hpp"

#include <SDL_ttf.h>
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <fontconfig/fontconfig.h>
#endif

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>

#include "media/default_font.hpp"
#include "media/error.hpp"
#include "media/internal.hpp"

namespace media {

struct Font::Impl {
    TTF_Font* font = nullptr;
    std::string family;
    // How to open the same face again, for texts drawn smaller to fit: the
    // installed file (empty for the embedded default font), size and style.
    std::string file;
    int index = 0;
    int size = 0;
    int style = TTF_STYLE_NORMAL;
    TTF_Font* fitting = nullptr;  // the same face, opened at the first text too big
    int fitting_size = 0;
    std::map<std::string, int> fitted;  // a text and its room: the size it fits at
    Impl();
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
};

namespace {

// Every font still open, so that quit() can close them while the font
// renderer still runs. Never destroyed: fonts outlive every other static.
std::set<Font::Impl*>& open_fonts() {
    static auto* fonts = new std::set<Font::Impl*>;
    return *fonts;
}

void close(Font::Impl& font) {
    if (font.font) TTF_CloseFont(font.font);
    if (font.fitting) TTF_CloseFont(font.fitting);
    font.font = font.fitting = nullptr;
}

}  // namespace

Font::Impl::Impl() { open_fonts().insert(this); }

Font::Impl::~Impl() {
    open_fonts().erase(this);
    close(*this);
}

void detail::close_fonts() {
    for (Font::Impl* open : open_fonts()) close(*open);
}

namespace {

const std::string kDefaultFamily = "DejaVu Sans";

struct Installed {
    std::string file;
    int index = 0;
    bool bold = false;  // the face found is itself bold
};

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
// Neither Windows nor a browser has fontconfig: the embedded default font
// stands in for every family.
std::optional<Installed> find_installed(const std::string&, bool) { return std::nullopt; }
#else
bool same_family(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// The file of an installed family, when fontconfig's best match for the name
// carries that very family name (fontconfig always finds *some* font).
std::optional<Installed> find_installed(const std::string& family, bool bold) {
    if (!FcInit()) return std::nullopt;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return std::nullopt;

    std::optional<Installed> found;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (!same_family(reinterpret_cast<const char*>(name), family)) continue;
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) break;
        Installed installed;
        installed.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &installed.index);
        int weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        installed.bold = weight >= FC_WEIGHT_BOLD;
        found = installed;
        break;
    }
    FcPatternDestroy(match);
    return found;
}
#endif

TTF_Font* open_default(int size) {
    SDL_RWops* bytes = SDL_RWFromConstMem(detail::default_font_data(), static_cast<int>(detail::default_font_size()));
    return bytes ? TTF_OpenFontRW(bytes, 1, size) : nullptr;
}

}  // namespace

namespace font {

Font SysFont(const std::string& family, int size, bool bold) {
    auto impl = std::make_shared<Font::Impl>();
    bool face_is_bold = true;  // the default font is DejaVu Sans Bold
    if (auto installed = find_installed(family, bold)) {
        impl->font = TTF_OpenFontIndex(installed->file.c_str(), size, installed->index);
        impl->family = family;
        impl->file = installed->file;
        impl->index = installed->index;
        impl->size = size;
        face_is_bold = installed->bold;
    }
    if (!impl->font) {
        impl->font = open_default(size);
        impl->family = kDefaultFamily;
        impl->file.clear();
        impl->size = size;
        face_is_bold = true;
    }
    if (!impl->font)
        detail::fail("cannot open the font " + family + " at size " + std::to_string(size), TTF_GetError());
    if (bold && !face_is_bold) impl->style = TTF_STYLE_BOLD;
    TTF_SetFontStyle(impl->font, impl->style);
    return Font(impl);
}

}  // namespace font

const std::string& Font::family() const {
    if (!impl_) throw Error("a font was used before it was made");
    return impl_->family;
}

namespace {

Surface render_with(TTF_Font* font, const std::string& text, bool antialias, Color colour) {
    SDL_Color ink{colour.r, colour.g, colour.b, 255};
    SDL_Surface* pixels = nullptr;
    if (text.empty()) {
        // SDL_ttf refuses an empty text; it is an empty line of the font's height.
        pixels = SDL_CreateRGBSurfaceWithFormat(0, 0, TTF_FontHeight(font), 32, SDL_PIXELFORMAT_ARGB8888);
    } else {
        pixels =
            antialias ? TTF_RenderUTF8_Blended(font, text.c_str(), ink) : TTF_RenderUTF8_Solid(font, text.c_str(), ink);
    }
    if (pixels && pixels->format->format != SDL_PIXELFORMAT_ARGB8888) {
        SDL_Surface* solid = pixels;  // 8 bits a pixel: made 32 like every other picture
        pixels = SDL_ConvertSurfaceFormat(solid, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(solid);
    }
    if (!pixels) detail::fail("cannot render the text \"" + text + "\"", TTF_GetError());
    return detail::make_surface(pixels, "text:" + text);
}

// The size of `text` in `font`, as rendering it would make it.
bool fits(TTF_Font* font, const std::string& text, Room room) {
    int width = 0;
    int height = 0;
    if (TTF_SizeUTF8(font, text.c_str(), &width, &height) != 0) return false;
    return width <= room.width && std::max(height, TTF_FontHeight(font)) <= room.height;
}

TTF_Font* open_again(const Font::Impl& impl) {
    TTF_Font* font =
        impl.file.empty() ? open_default(impl.size) : TTF_OpenFontIndex(impl.file.c_str(), impl.size, impl.index);
    if (!font) detail::fail("cannot open the font " + impl.family + " again", TTF_GetError());
    TTF_SetFontStyle(font, impl.style);
    return font;
}

}  // namespace

Surface Font::render(const std::string& text, bool antialias, Color colour) const {
    if (!impl_) throw Error("a font was used before it was made");
    return render_with(impl_->font, text, antialias, colour);
}

Surface Font::render_within(const std::string& text, bool antialias, Color colour, Room room) const {
    if (!impl_) throw Error("a font was used before it was made");
    if (fits(impl_->font, text, room)) return render(text, antialias, colour);
    if (!impl_->fitting) impl_->fitting = open_again(*impl_);
    TTF_Font* font = impl_->fitting;
    auto set_size = [&](int size) {
        if (size != impl_->fitting_size) TTF_SetFontSize(font, size);
        impl_->fitting_size = size;
    };
    if (impl_->fitted.size() > 64) impl_->fitted.clear();
    auto [fitted, fresh] =
        impl_->fitted.try_emplace(text + '\n' + std::to_string(room.width) + 'x' + std::to_string(room.height), 1);
    // The largest size below the font's own at which the text fits; 1 when none does.
    if (fresh) {
        int low = 1;
        int high = impl_->size - 1;
        while (low < high) {
            int middle = (low + high + 1) / 2;
            set_size(middle);
            if (fits(font, text, room))
                low = middle;
            else
                high = middle - 1;
        }
        fitted->second = low;
    }
    set_size(fitted->second);
    return render_with(font, text, antialias, colour);
}

}  // namespace media
