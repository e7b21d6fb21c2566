// Events of the window and the state of the mouse, from SDL or from a
// test's script.
#include "media/event.hpp"

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
            return true;
        case SDL_MOUSEMOTION: out.type = EventType::MOUSEMOTION; return true;
        default: return false;
    }
}

void show_again_if_exposed(const SDL_Event& in) {
    auto& m = detail::media();
    if (in.type == SDL_WINDOWEVENT && in.window.event == SDL_WINDOWEVENT_EXPOSED && m.window)
        SDL_UpdateWindowSurface(m.window);
}

}  // namespace

namespace event {

std::vector<Event> get() {
    auto& m = detail::media();
    std::vector<Event> events;
    if (m.script) {
        // The script stands in for the player, not for the system: a close
        // request SDL made of SIGINT or SIGTERM still reaches the game.
        SDL_PumpEvents();
        bool close_request = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        m.input.events.clear();
        m.script(m.input);
        events.swap(m.input.events);
        if (close_request) events.push_back({EventType::QUIT, K_OTHER, 0});
        return events;
    }
    SDL_PumpEvents();
    SDL_Event in;
    while (SDL_PeepEvents(&in, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        show_again_if_exposed(in);
        Event out;
        if (translate(in, out)) events.push_back(out);
    }
    return events;
}

}  // namespace event

namespace mouse {

Pos get_pos() {
    auto& m = detail::media();
    if (m.script) return m.input.pointer;
    int x = 0;
    int y = 0;
    SDL_GetMouseState(&x, &y);
    return {double(x), double(y)};
}

std::array<bool, 3> get_pressed() {
    auto& m = detail::media();
    if (m.script) return m.input.buttons;
    Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
    return {(buttons & SDL_BUTTON_LMASK) != 0, (buttons & SDL_BUTTON_MMASK) != 0, (buttons & SDL_BUTTON_RMASK) != 0};
}

void set_visible(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

}  // namespace mouse
}  // namespace media
