// Events of the window and the state of the mouse, from SDL or from what
// stands in for the player (harness.hpp).
#include "media/event.hpp"

#include <optional>

#include "media/internal.hpp"

namespace media {

namespace {

int key_of(SDL_Keycode sym) {
    switch (sym) {
        case SDLK_SPACE: return K_SPACE;
        case SDLK_ESCAPE: return K_ESCAPE;
        case SDLK_m: return K_M;
        default: return K_OTHER;
    }
}

// A position in the window's pixels, as the game's frame sees it.
Pos frame_pos(int x, int y) { return detail::to_frame(x, y); }

// F11 keeps the bat's place in the frame. SDL keeps the pointer's place in
// the window instead (it moves the pointer there in the new window), which
// the frame, scaled anew, shows elsewhere: even on the black bars. So once
// the window has its new size, the pointer is put where the bat's place now
// is, and until SDL hears of that, the bat stays.
struct KeptPointer {
    std::optional<Pos> toggled_at;  // the bat's place at F11, until the size changes
    bool holds = false;             // the bat stays at `at`
    Pos at;
    SDL_Point before{-1, -1};  // SDL's place for the pointer in the window at F11
    SDL_Point size;            // the window's at F11
};
KeptPointer kept;
std::optional<Pos> last_pos;  // where get_pos last said the pointer was

void keep_pointer(SDL_Window* window) {
    SDL_Point size;
    SDL_GetWindowSize(window, &size.x, &size.y);
    if (!kept.toggled_at || (size.x == kept.size.x && size.y == kept.size.y)) return;
    kept.at = *kept.toggled_at;
    kept.toggled_at.reset();
    Pos to = detail::to_window(kept.at);
    SDL_WarpMouseInWindow(window, int(to.x), int(to.y));
    kept.holds = true;
}

// Whether the window is hidden or minimised.
void note_visibility(const SDL_Event& in) {
    if (in.type != SDL_WINDOWEVENT) return;
    bool& hidden = detail::media().window_hidden;
    switch (in.window.event) {
        case SDL_WINDOWEVENT_HIDDEN:
        case SDL_WINDOWEVENT_MINIMIZED: hidden = true; break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: hidden = false; break;
        default: break;
    }
}

// One SDL event as the game sees it; false for events the game never sees.
bool translate(const SDL_Event& in, Event& out) {
    switch (in.type) {
        case SDL_QUIT: out.type = EventType::QUIT; return true;
        case SDL_KEYDOWN:
            if (in.key.repeat) return false;  // a held key is one press
            out.type = EventType::KEYDOWN;
            out.key = key_of(in.key.keysym.sym);
            return true;
        case SDL_KEYUP:
            out.type = EventType::KEYUP;
            out.key = key_of(in.key.keysym.sym);
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            out.type = in.type == SDL_MOUSEBUTTONDOWN ? EventType::MOUSEBUTTONDOWN : EventType::MOUSEBUTTONUP;
            out.button = in.button.button;
            out.pos = frame_pos(in.button.x, in.button.y);
            return true;
        case SDL_MOUSEMOTION: out.type = EventType::MOUSEMOTION; return true;
        case SDL_WINDOWEVENT:
            if (in.window.event != SDL_WINDOWEVENT_FOCUS_LOST) return false;
            out.type = EventType::FOCUS_LOST;
            return true;
        default: return false;
    }
}

// The window's own business, never the game's: it is shown again whole
// when uncovered or resized, and F11 or Alt+Enter turn fullscreen on and
// off. True when the event was one of these.
bool window_business(const SDL_Event& in) {
    if (in.type == SDL_WINDOWEVENT) {
        auto e = in.window.event;
        if (e == SDL_WINDOWEVENT_SIZE_CHANGED) detail::present_resized();
        if (e == SDL_WINDOWEVENT_EXPOSED || e == SDL_WINDOWEVENT_SHOWN) detail::present_whole();
        return false;
    }
    if (in.type != SDL_KEYDOWN && in.type != SDL_KEYUP) return false;
    SDL_Keycode key = in.key.keysym.sym;
    bool alt_enter = (key == SDLK_RETURN || key == SDLK_KP_ENTER) && (in.key.keysym.mod & KMOD_ALT) != 0;
    if (key != SDLK_F11 && !alt_enter) return false;
    if (in.type == SDL_KEYDOWN && !in.key.repeat) {
        // Only a pointer over the game's window is the bat. Asked now: SDL's
        // own move may take it out of a window that is growing smaller.
        bool over = SDL_GetMouseFocus() == detail::media().window;
        kept.toggled_at = over ? last_pos : std::nullopt;
        SDL_GetMouseState(&kept.before.x, &kept.before.y);
        SDL_GetWindowSize(detail::media().window, &kept.size.x, &kept.size.y);
        detail::toggle_fullscreen();
    }
    return true;
}

}  // namespace

namespace event {

std::vector<Event> get() {
    auto& m = detail::media();
    if (m.harness && m.harness->scripted()) return m.harness->events();
    std::vector<Event> events;
    if (m.window_hidden) SDL_WaitEventTimeout(nullptr, 250);
    SDL_PumpEvents();
    SDL_Event in;
    bool resized = false;
    while (SDL_PeepEvents(&in, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        note_visibility(in);
        resized = resized || (in.type == SDL_WINDOWEVENT && in.window.event == SDL_WINDOWEVENT_SIZE_CHANGED);
        // Moved by the player, not put back by SDL: the bat follows again.
        if (in.type == SDL_MOUSEMOTION && (in.motion.x != kept.before.x || in.motion.y != kept.before.y))
            kept.holds = false;
        if (window_business(in)) continue;
        Event out;
        if (translate(in, out)) events.push_back(out);
    }
    if (resized) keep_pointer(m.window);
    return events;
}

}  // namespace event

namespace mouse {

Pos get_pos() {
    auto& m = detail::media();
    if (m.harness && m.harness->scripted()) return m.harness->pointer();
    if (kept.holds) return kept.at;
    int x = 0;
    int y = 0;
    SDL_GetMouseState(&x, &y);
    last_pos = frame_pos(x, y);
    return *last_pos;
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
