// Deterministic replay: one seed and one input script make one game, frame
// for frame. Each frame's hash covers the game state, what was drawn where
// and what was played; tests/replay/whole_game.txt holds the hashes of a
// whole scripted game, so any change of behaviour fails here at the first
// frame it shows in.
//
// When a change of behaviour is intended, record the game again and commit
// the file with the change:
//
//   export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
//   MOLVANE_RECORD_REPLAY=1 build/<dir>/tests/molvane_tests --gtest_filter='Replay.*'
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "harness.hpp"
#include "random_player.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"

namespace {

const std::filesystem::path kRecording = std::filesystem::path(__FILE__).parent_path() / "replay" / "whole_game.txt";

// FNV-1a, 64 bits: the same on every machine and compiler.
class Hash {
public:
    Hash& add(const std::string& text) {
        for (unsigned char c : text) value_ = (value_ ^ c) * 1099511628211ull;
        value_ = (value_ ^ 0xFF) * 1099511628211ull;  // ends the field
        return *this;
    }
    Hash& add(long number) { return add(std::to_string(number)); }
    std::uint64_t value() const { return value_; }

private:
    std::uint64_t value_ = 14695981039346656037ull;
};

// One frame: the state, every blit onto the window and each sound operation
// since the previous frame. A text's position is left out: it is centred or
// aligned by its rendered width, which depends on the fonts installed.
std::string frame_line(long frame, std::size_t& sounds_seen) {
    using namespace molvane;
    Hash state;
    state.add(STATE).add(LEVEL).add(HEART).add(MOUSE_STATE).add(FLAG ? *FLAG : -1);
    for (const Rabbit* rabbit : rabbit_list)
        state.add(rabbit->state).add(rabbit->count).add(rabbit->lock).add(rabbit->image.label());
    Hash drawn;
    for (const auto& draw : media::testing::draws_since_flip()) {
        drawn.add(draw.label);
        if (!draw.label.starts_with("text:")) drawn.add(draw.x).add(draw.y);
    }
    Hash played;
    const auto& trace = media::testing::sound_trace();
    for (; sounds_seen < trace.size(); ++sounds_seen)
        played.add(trace[sounds_seen].action).add(trace[sounds_seen].sound);
    std::ostringstream line;
    line << frame << ' ' << STATE << ' ' << std::hex << state.value() << ' ' << drawn.value() << ' ' << played.value();
    return line.str();
}

// A whole game from the title to its end, played by a seeded random player
// (a few events a frame, the pointer always over the holes), as one line a
// frame.
std::vector<std::string> play_recorded_game() {
    harness::start_game();
    // The rabbits drew their first phases at start-up, from the system's
    // seed: they draw again from ours.
    molvane::seed_random(7);
    for (molvane::Rabbit* rabbit : molvane::rabbit_list) rabbit->clear();
    players::RandomPlayer player(77, 6, 1);
    std::vector<std::string> lines;
    std::size_t sounds_seen = 0;
    media::testing::on_flip([&] { lines.push_back(frame_line(static_cast<long>(lines.size()) + 1, sounds_seen)); });
    harness::Script script;
    script.each([&](long, media::testing::Input& input) { player.play(input); });
    auto screens = players::play_one_game([] {});
    media::testing::on_flip(nullptr);
    lines.push_back("screens " + std::to_string(screens.size()) + " last " + screens.back());
    return lines;
}

TEST(Replay, AWholeScriptedGamePlaysFrameForFrameAsRecorded) {
    std::vector<std::string> lines = play_recorded_game();
    if (std::getenv("MOLVANE_RECORD_REPLAY")) {
        std::ofstream out(kRecording);
        for (const auto& line : lines) out << line << '\n';
        ASSERT_TRUE(out.good()) << "cannot write " << kRecording;
        GTEST_SKIP() << "recorded " << lines.size() << " frames into " << kRecording;
    }
    std::ifstream in(kRecording);
    ASSERT_TRUE(in.good()) << "no recording at " << kRecording;
    std::vector<std::string> recorded;
    for (std::string line; std::getline(in, line);) recorded.push_back(line);
    // The game must be long enough to prove something: several levels.
    ASSERT_GT(recorded.size(), 3000u);

    for (std::size_t i = 0; i < std::min(lines.size(), recorded.size()); ++i) {
        ASSERT_EQ(lines[i], recorded[i])
            << "the game differs from its recording first at line " << i + 1
            << " (frame, state, hashes of the state, the drawing and the sounds). If the change is intended, "
               "record again (see the top of tests/replay_test.cpp)";
    }
    ASSERT_EQ(lines.size(), recorded.size()) << "the game ran a different number of frames than recorded";
}

}  // namespace
