// The M key, on every screen and in the pause: mutes every sound, or brings
// it back. The game goes on as it was; the sounds play on unheard.
#pragma once

#include "media/event.hpp"
#include "media/sound.hpp"

namespace molvane {

inline void mute_on_m(const media::Event& event) {
    if (event.type == media::EventType::KEYDOWN && event.key == media::K_M)
        media::mixer::set_muted(!media::mixer::muted());
}

}  // namespace molvane
