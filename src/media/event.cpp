// Events of the window and the state of the mouse, from SDL or from what
// stands in for the player (harness.hpp).
#include "media/event.hpp"

#include "media/display.hpp"
#include "media/internal.hpp"

namespace media {

namespace {

// The key labelled M is found by its letter on Latin layouts (AZERTY has it
// elsewhere); where the layout types no Latin letter there (Cyrillic ь, Greek
// μ), by its place, that of M on a US keyboard.
int key_of(const SDL_Keysym& key) {
    switch (key.sym) {
        case SDLK_SPACE: return K_SPACE;
        case SDLK_ESCAPE: return K_ESCAPE;
        case SDLK_m: return K_M;
        default:
            bool non_latin = key.sym > 0x7F && (key.sym & SDLK_SCANCODE_MASK) == 0;
            return key.scancode == SDL_SCANCODE_M && non_latin ? K_M : K_OTHER;
    }
}

// A window position in the frame's pixels, as the renderer shows the frame.
Pos in_frame(int x, int y) {
    float fx = float(x), fy = float(y);
    if (SDL_Renderer* renderer = detail::media().renderer) SDL_RenderWindowToLogical(renderer, x, y, &fx, &fy);
    return {fx, fy};
}

// One SDL event as the game sees it; false for events the game never sees.
bool translate(const SDL_Event& in, Event& out) {
    switch (in.type) {
        case SDL_QUIT: out.type = EventType::QUIT; return true;
        case SDL_KEYDOWN:
            if (in.key.repeat) return false;  // a held key is one press
            out.type = EventType::KEYDOWN;
            out.key = key_of(in.key.keysym);
            return true;
        case SDL_KEYUP:
            out.type = EventType::KEYUP;
            out.key = key_of(in.key.keysym);
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            out.type = in.type == SDL_MOUSEBUTTONDOWN ? EventType::MOUSEBUTTONDOWN : EventType::MOUSEBUTTONUP;
            out.button = in.button.button;
            out.pos = Pos{double(in.button.x), double(in.button.y)};  // the renderer mapped it onto the frame
            return true;
        case SDL_MOUSEMOTION: out.type = EventType::MOUSEMOTION; return true;
        case SDL_WINDOWEVENT:
            if (in.window.event != SDL_WINDOWEVENT_FOCUS_LOST) return false;
            out.type = EventType::FOCUS_LOST;
            return true;
        default: return false;
    }
}

// The window's own business, never the game's: it is shown again when
// uncovered or resized, and F11 or Alt+Enter turn fullscreen on and off.
// True when the event was one of the keys.
bool window_business(const SDL_Event& in) {
    if (in.type == SDL_WINDOWEVENT) {
        bool& hidden = detail::media().window_hidden;
        switch (in.window.event) {
            case SDL_WINDOWEVENT_HIDDEN:
            case SDL_WINDOWEVENT_MINIMIZED: hidden = true; break;
            case SDL_WINDOWEVENT_SHOWN:
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
            case SDL_WINDOWEVENT_RESTORED:
                hidden = false;
                detail::show_frame(true);
                break;
            default: break;
        }
        return false;
    }
    if (in.type != SDL_KEYDOWN && in.type != SDL_KEYUP) return false;
    SDL_Keycode key = in.key.keysym.sym;
    bool alt_enter = (key == SDLK_RETURN || key == SDLK_KP_ENTER) && (in.key.keysym.mod & KMOD_ALT) != 0;
    if (key != SDLK_F11 && !alt_enter) return false;
    if (in.type == SDL_KEYDOWN && !in.key.repeat) display::toggle_fullscreen();
    return true;
}

}  // namespace

namespace event {

std::vector<Event> get() {
    auto& m = detail::media();
    if (m.harness && m.harness->scripted()) return m.harness->events();
        // A game nobody sees need not draw 60 frames a second (a browser slows a
        // hidden page itself, and SDL's wait would only hold the page up there).
#ifndef __EMSCRIPTEN__
    if (m.window_hidden) SDL_WaitEventTimeout(nullptr, 250);
#endif
    std::vector<Event> events;
    SDL_Event in;
    detail::tend_sound_device(nullptr);
    while (SDL_PollEvent(&in)) {
        detail::tend_sound_device(&in);
        Event out;
        if (!window_business(in) && translate(in, out)) events.push_back(out);
    }
    return events;
}

}  // namespace event

namespace mouse {

Pos get_pos() {
    auto& m = detail::media();
    if (m.harness && m.harness->scripted()) return m.harness->pointer();
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    return in_frame(x, y);
}

std::array<bool, 3> get_pressed() {
    auto& m = detail::media();
    if (m.harness && m.harness->scripted()) return m.harness->buttons();
    Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
    return {(buttons & SDL_BUTTON_LMASK) != 0, (buttons & SDL_BUTTON_MMASK) != 0, (buttons & SDL_BUTTON_RMASK) != 0};
}

void set_visible(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

}  // namespace mouse
}  // namespace media
