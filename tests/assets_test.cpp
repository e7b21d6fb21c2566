// The pictures and sounds the game ships: the table holds every file the
// game loads and nothing else, the bat and the life heart are cut out, the
// sounds are audible and the tunes loop without a click or a gap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "assets.hpp"
#include "harness.hpp"
#include "media/sound.hpp"
#include "media/surface.hpp"
#include "media/testing.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace media {
// A colour in failure messages, as r, g, b.
[[maybe_unused]] static void PrintTo(const Color& c, std::ostream* out) {
    *out << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}
}  // namespace media

namespace {

using Samples = std::vector<std::int16_t>;

// Every file start-up loads (AssetLoading), by what the game does with it.
const std::set<std::string> kGameFiles{
    "image_icon.jpg",  "image_empty.jpg",  "image_pose.jpg",  "image_cry.jpg",     "image_cool.jpg",
    "image_heart.jpg", "image_ready.png",  "image_hit.png",   "image_life.png",    "image_start.jpg",
    "image_end.jpg",   "image_win.jpg",    "sound_start.wav", "sound_main.mp3",    "sound_pop.wav",
    "sound_cool.wav",  "sound_hit.wav",    "sound_hurt.wav",  "sound_addlife.mp3", "sound_end.wav",
    "sound_ding.wav",  "sound_wait.wav",   "sound_biu.wav",   "sound_victory.wav", "sound_space.wav",
    "sound_retry.wav", "sound_danger.wav",
};

// ---- Sounds as the mixer holds them -----------------------------------------

int channels() { return media::testing::output_channels(); }

double seconds(const Samples& x) { return double(x.size()) / channels() / media::testing::sample_rate(); }

int peak(const Samples& x) {
    int top = 0;
    for (std::int16_t v : x) top = std::max(top, std::abs(int(v)));
    return top;
}

// The step from one sample to the next on the same channel that only one
// step in a hundred exceeds: how far the tune moves in an ordinary moment.
int step_p99(const Samples& x) {
    std::vector<int> steps;
    std::size_t n = channels();
    for (std::size_t i = n; i < x.size(); ++i) steps.push_back(std::abs(x[i] - x[i - n]));
    auto at = steps.begin() + std::ptrdiff_t(steps.size() * 99 / 100);
    std::nth_element(steps.begin(), at, steps.end());
    return *at;
}

// The step the loop takes from its last sample back to its first.
int seam_jump(const Samples& x) {
    std::size_t n = channels();
    int jump = 0;
    for (std::size_t c = 0; c < n; ++c) jump = std::max(jump, std::abs(x[c] - x[x.size() - n + c]));
    return jump;
}

// Near-silence: -54 dBFS.
constexpr int kQuiet = 64;

// How long, in ms, the sound stays near-silent at its start (or its end).
double quiet_ms(const Samples& x, bool at_start) {
    std::size_t n = channels();
    std::size_t frames = x.size() / n;
    std::size_t run = 0;
    for (; run < frames; ++run) {
        std::size_t frame = at_start ? run : frames - 1 - run;
        bool quiet = true;
        for (std::size_t c = 0; c < n; ++c) quiet = quiet && std::abs(x[frame * n + c]) <= kQuiet;
        if (!quiet) break;
    }
    return 1000.0 * double(run) / media::testing::sample_rate();
}

// A silent edge longer than this is heard as a gap at every turn of the loop.
constexpr double kLongestQuietEdgeMs = 5;

// Empty when the tune loops seamlessly, else what would be heard.
std::string loop_fault(const Samples& x) {
    std::string fault;
    if (int jump = seam_jump(x), p99 = step_p99(x); jump >= p99) {
        fault += "a click where it loops: a step of " + std::to_string(jump) + " against " + std::to_string(p99) +
                 " for the 99th percentile inside; ";
    }
    if (double ms = quiet_ms(x, true); ms > kLongestQuietEdgeMs)
        fault += std::to_string(ms) + " ms of silence at the start; ";
    if (double ms = quiet_ms(x, false); ms > kLongestQuietEdgeMs)
        fault += std::to_string(ms) + " ms of silence at the end; ";
    return fault;
}

struct Picture {
    const char* name;
    const media::Surface& surface;
};

}  // namespace

// ---- The table ----------------------------------------------------------------

TEST(AssetTable, HoldsExactlyTheFilesTheGameLoadsOnceEach) {
    std::multiset<std::string> names;
    for (const assets::Entry& entry : assets::DATA) names.emplace(entry.name);
    EXPECT_EQ(names.size(), kGameFiles.size());
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), kGameFiles);
}

TEST(AssetTable, StaysUnderThreeMegabytes) {
    // The table is compiled into the program as text: that text is what the
    // program carries.
    std::size_t total = 0;
    for (const assets::Entry& entry : assets::DATA) total += entry.text.size();
    EXPECT_LT(total, 3'000'000U);
}

// ---- Pictures, as the game loaded them ------------------------------------------

TEST(Pictures, TheBatAndTheLifeHeartAreCutOutAndSmall) {
    harness::start_game();
    using namespace molvane;
    EXPECT_GE(MOUSE_READY.get_width(), 80);
    EXPECT_LE(MOUSE_READY.get_width(), 100);
    EXPECT_GE(MOUSE_READY.get_height(), 80);
    EXPECT_LE(MOUSE_READY.get_height(), 100);
    // The heart sits in the 80-pixel HUD strip beside the lives.
    EXPECT_GT(LIFE_PIC.get_height(), 0);
    EXPECT_LE(LIFE_PIC.get_height(), 40);

    // Drawn over the title picture, each leaves its corners as they were (cut
    // out, no box around it) and covers a fair part of its square.
    for (Picture p : {Picture{"image_ready.png", MOUSE_READY}, Picture{"image_hit.png", MOUSE_HIT},
                      Picture{"image_life.png", LIFE_PIC}}) {
        int w = p.surface.get_width();
        int h = p.surface.get_height();
        media::Surface bare(w, h), drawn(w, h);
        bare.blit(START_PIC, {-150, -300});
        drawn.blit(START_PIC, {-150, -300});
        drawn.blit(p.surface, {0, 0});
        int changed = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) changed += drawn.get_at(x, y) != bare.get_at(x, y);
        for (auto [x, y] : {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1}, std::pair{w - 1, h - 1}})
            EXPECT_EQ(drawn.get_at(x, y), bare.get_at(x, y)) << p.name << " corner " << x << "," << y;
        EXPECT_GT(changed, w * h / 10) << p.name;
        EXPECT_LT(changed, w * h * 9 / 10) << p.name;
    }
}

// ---- Sounds, as the mixer decoded them --------------------------------------------

TEST(Sounds, TheTunesLastAndTheEffectsAreShortAndAudible) {
    harness::start_game();
    using namespace molvane;
    ASSERT_EQ(media::testing::output_channels(), 2);
    ASSERT_GT(media::testing::sample_rate(), 0);
    for (const media::Sound* tune : {&START, &MAIN}) {
        Samples x = media::testing::samples(*tune);
        EXPECT_GE(seconds(x), 15.0) << tune->label();
        EXPECT_GT(peak(x), 3277) << tune->label();  // -20 dBFS
    }
    for (const media::Sound* effect : {&POP, &COOL, &HIT, &HURT, &ADD_LIFE, &GAME_OVER, &NEXT, &PAUSE, &UNPAUSE,
                                       &VICTORY, &SPACE, &RETRY, &DANGER}) {
        Samples x = media::testing::samples(*effect);
        EXPECT_GT(seconds(x), 0.05) << effect->label();
        EXPECT_LT(seconds(x), 5.0) << effect->label();
        EXPECT_GT(peak(x), 3277) << effect->label();
    }
}

TEST(Sounds, TheTunesLoopWithoutAClickOrAGap) {
    harness::start_game();
    for (const media::Sound* tune : {&molvane::START, &molvane::MAIN}) {
        Samples x = media::testing::samples(*tune);
        ASSERT_GT(x.size(), 1000U);
        EXPECT_EQ(loop_fault(x), "") << tune->label();
    }
}

TEST(Sounds, TheLoopCheckHearsACutAndAGap) {
    harness::start_game();
    Samples tune = media::testing::samples(molvane::START);
    auto n = std::size_t(channels());

    // Cut where the tune is loudest: the loop jumps from there to the start.
    auto loudest = std::max_element(tune.begin(), tune.end(), [](auto a, auto b) { return std::abs(a) < std::abs(b); });
    Samples cut(tune.begin(),
                tune.begin() + (loudest - tune.begin()) / std::ptrdiff_t(n) * std::ptrdiff_t(n) + std::ptrdiff_t(n));
    EXPECT_NE(loop_fault(cut).find("click"), std::string::npos);

    // 20 ms of silence before the turn, then 20 ms after it.
    std::size_t pad = n * std::size_t(media::testing::sample_rate()) / 50;
    Samples tail_gap = tune;
    tail_gap.insert(tail_gap.end(), pad, 0);
    EXPECT_NE(loop_fault(tail_gap).find("at the end"), std::string::npos);
    Samples head_gap(pad, 0);
    head_gap.insert(head_gap.end(), tune.begin(), tune.end());
    EXPECT_NE(loop_fault(head_gap).find("at the start"), std::string::npos);
}
