// Draws onto the window wait for the flip. By then the whole frame is known,
// and with it the part of the window the frame changed (changed_boxes): the
// flip draws every draw of the frame, in order, inside that part only. Every
// pixel outside it would come out as the window already holds it. A rabbit
// drawn twice a frame is then drawn not at all while it stays, and the HUD's
// board only around the clock that moves.
#include "media/internal.hpp"

namespace media::detail {

void draw(const Surface::Impl& from, Surface::Impl& onto, int x, int y, const Box* clip) {
    if (clip) {
        SDL_Rect inside{clip->x, clip->y, clip->w, clip->h};
        SDL_SetClipRect(onto.surface, &inside);
    }
    SDL_Rect where{x, y, 0, 0};
    int failed = SDL_BlitSurface(from.surface, nullptr, onto.surface, &where);
    if (clip) SDL_SetClipRect(onto.surface, nullptr);
    if (failed != 0) fail("cannot draw " + from.label, SDL_GetError());
}

void make_waiting_draws() {
    auto& m = media();
    if (m.made == m.frame_draws.size()) return;
    Surface::Impl& window = m.screen.impl();
    for (std::size_t i = m.made; i < m.frame_draws.size(); ++i)
        draw(*m.frame_sources[i], window, m.frame_draws[i].x, m.frame_draws[i].y);
    m.made = m.frame_draws.size();
    m.draw_at_once = true;
}

bool waiting_on(const Surface::Impl& picture) {
    auto& m = media();
    for (std::size_t i = m.made; i < m.frame_sources.size(); ++i)
        if (m.frame_sources[i].get() == &picture) return true;
    return false;
}

void make_draws_within(const std::vector<Box>& boxes) {
    auto& m = media();
    if (m.made == m.frame_draws.size()) return;
    Surface::Impl& window = m.screen.impl();
    // Apart, so that no pixel is blended twice.
    std::vector<Box> pieces = apart(boxes);
    for (std::size_t i = m.made; i < m.frame_draws.size(); ++i) {
        const DrawnRect& drawn = m.frame_draws[i];
        for (const Box& piece : pieces)
            if (overlap(piece, drawn.box)) draw(*m.frame_sources[i], window, drawn.x, drawn.y, &piece);
    }
    m.made = m.frame_draws.size();
}

}  // namespace media::detail
