#include "harness.hpp"

#include <cstdlib>

#include "assets.hpp"
#include "media/sound.hpp"
#include "shell/game_state.hpp"
#include "shell/start_up.hpp"

namespace harness {

Event key_down(int key) { return {EventType::KEYDOWN, key, 0}; }
Event key_up(int key) { return {EventType::KEYUP, key, 0}; }
Event button_down(int button) { return {EventType::MOUSEBUTTONDOWN, media::K_OTHER, button}; }
Event button_up(int button) { return {EventType::MOUSEBUTTONUP, media::K_OTHER, button}; }
Event quit() { return {EventType::QUIT, media::K_OTHER, 0}; }

Script::Script() {
    media::testing::set_script([this](media::testing::Input& input) {
        ++fetches_;
        if (auto p = pointers_.find(fetches_); p != pointers_.end()) input.pointer = p->second;
        if (auto b = buttons_.find(fetches_); b != buttons_.end()) input.buttons = b->second;
        if (auto e = events_.find(fetches_); e != events_.end()) input.events = e->second;
        if (player_) player_(fetches_, input);
    });
}

Script::~Script() { media::testing::clear_script(); }

Script& Script::at(long fetch, std::vector<Event> events) {
    auto& list = events_[fetch];
    list.insert(list.end(), events.begin(), events.end());
    return *this;
}

Script& Script::pointer_at(long fetch, media::Pos pointer) {
    pointers_[fetch] = pointer;
    return *this;
}

Script& Script::buttons_at(long fetch, bool left, bool middle, bool right) {
    buttons_[fetch] = {left, middle, right};
    return *this;
}

Script& Script::each(std::function<void(long, media::testing::Input&)> player) {
    player_ = std::move(player);
    return *this;
}

void start_game() {
    static bool started = false;
    if (!started) {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        molvane::start_up(assets::DATA);
        media::testing::set_clock_paced(false);
        media::testing::set_tracing(true);
        for (const molvane::Rabbit* rabbit : molvane::rabbit_list) start_up_states().push_back(rabbit->state);
        started = true;
    }
    reset_game_state();
}

std::vector<std::string>& start_up_states() {
    static std::vector<std::string> states;
    return states;
}

void reset_game_state() {
    media::mixer::stop();
    molvane::init_game();
    molvane::bat.emplace();  // no strike still showing
    molvane::FLAG.reset();
    media::testing::clear_sound_trace();
}

std::vector<std::string> sounds() {
    std::vector<std::string> lines;
    for (const auto& record : media::testing::sound_trace())
        lines.push_back(std::to_string(record.frame) + " " + record.action + " " + record.sound);
    return lines;
}

std::vector<std::string> sounds(const std::string& action) {
    std::vector<std::string> names;
    for (const auto& record : media::testing::sound_trace())
        if (record.action == action) names.push_back(record.sound);
    return names;
}

}  // namespace harness
