// What the player hears: the mix of every sound playing at once never
// clips, the same sound started again before the mixer began it is not
// doubled, and M mutes everything while the game goes on.
//
// The recordings go through the real mixer and SDL's disk sound driver, in a
// fresh copy of the test program (a death test), with the mixer held in step
// with the frames: each frame lets it mix one sixtieth of a second, so a game
// played faster than real time is heard as a player at 60 frames a second
// would hear it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "harness.hpp"
#include "media/display.hpp"
#include "media/limiter.hpp"
#include "players.hpp"
#include "process.hpp"
#include "shared_dir.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"
#include "shell/start_up.hpp"

namespace {

namespace fs = std::filesystem;

constexpr long kRate = 44100;
constexpr long kFrame = kRate / 60;  // sample frames in one frame of the game

// ---- The limiter on its own ---------------------------------------------------

TEST(Limiter, MakesUpTheLevelAndHoldsEveryPeakUnderTheCeiling) {
    media::detail::Limiter limiter(4.0, 29200.0, 2205.0);
    // A quiet stretch comes out four times as loud, exactly.
    std::vector<std::int16_t> quiet(2 * 1000);
    for (std::size_t i = 0; i < quiet.size(); ++i) quiet[i] = std::int16_t(1000 * std::sin(double(i) / 7));
    std::vector<std::int16_t> out = quiet;
    limiter.process(out.data(), 1000, 2);
    for (std::size_t i = 0; i < quiet.size(); ++i) ASSERT_EQ(out[i], 4 * quiet[i]) << i;

    // A burst that four times over would reach twice full scale stays under
    // the ceiling, and keeps its shape: louder samples stay louder.
    std::vector<std::int16_t> burst(2 * 4410);
    for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = std::int16_t(16000 * std::sin(double(i / 2) / 5));
    out = burst;
    limiter.process(out.data(), 4410, 2);
    int loudest = 0;
    for (std::int16_t s : out) loudest = std::max(loudest, std::abs(int(s)));
    EXPECT_LE(loudest, 29200);
    EXPECT_GT(loudest, 29000);
    EXPECT_LT(limiter.level(), 0.5);
    for (std::size_t i = 0; i + 1 < burst.size(); i += 2) ASSERT_EQ(out[i], out[i + 1]) << "left and right differ";

    // Quiet again: the level comes back within a few release times.
    out.assign(2 * 22050, 100);
    limiter.process(out.data(), 22050, 2);
    EXPECT_GT(limiter.level(), 0.99);
    EXPECT_EQ(out.back(), 400);
}

// ---- Starts of the same sound ---------------------------------------------------

TEST(Mixer, TheSameSoundStartedAgainBeforeTheMixerBeganItIsNotDoubled) {
    harness::start_game();
    media::testing::hold_mixer();
    for (int i = 0; i < 9; ++i) molvane::POP.play();  // nine rabbits pop up together
    molvane::HIT.play();
    EXPECT_EQ(media::testing::channels_playing(molvane::POP), 1);
    EXPECT_EQ(media::testing::channels_playing(molvane::HIT), 1);
    // Once the mixer has begun it, a new start is a sound of its own.
    ASSERT_TRUE(media::testing::mix_until(media::testing::sample_frames_mixed() + 1));
    molvane::POP.play();
    molvane::POP.play();
    EXPECT_EQ(media::testing::channels_playing(molvane::POP), 2);
    // A sound stopped and started again plays.
    molvane::HIT.stop();
    molvane::HIT.play();
    EXPECT_EQ(media::testing::channels_playing(molvane::HIT), 1);
    media::testing::release_mixer();
    // Every start is still what the game did.
    EXPECT_EQ(players::times_played("sound_pop.wav"), 11);
    media::mixer::stop();
}

// ---- Recordings -----------------------------------------------------------------

// Runs in the copy of the test program: starts the game on the disk driver,
// writing to `file`, and runs `screens` with `player` at every fetch and the
// mixer in step with the frames; then ends the program.
[[noreturn]] void record(const fs::path& file, std::function<void(long, media::testing::Input&)> player,
                         const std::function<void()>& screens) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    harness::start_game();
    media::testing::hold_mixer();
    long start = media::testing::sample_frames_mixed();  // what was mixed before the game began
    // Where each fetch fell in the recording: the mixer may have run a few
    // buffers past the point it was let go to (more on a busy machine),
    // and what the game does in a frame is heard from there on.
    std::vector<long> fetched_at;
    harness::Script script;
    script.each([&](long fetch, media::testing::Input& input) {
        if (!media::testing::mix_until(start + fetch * kFrame)) std::_Exit(3);
        fetched_at.resize(std::size_t(fetch));  // indexed by the fetch's number, from 1
        fetched_at.push_back(media::testing::sample_frames_mixed() - start);
        player(fetch, input);
    });
    screens();
    media::testing::mix_until(media::testing::sample_frames_mixed() + kRate);  // the last sounds' tails
    media::testing::release_mixer();
    std::ofstream fetches(fs::path(file) += ".fetches");
    for (long at : fetched_at) fetches << at << '\n';
    fetches.close();
    media::quit();  // closes the recording
    // The sound device starts playing as the mixer opens, a moment before
    // the game counts what is mixed: the file holds that much more at its
    // beginning, and the game began that much further into it.
    long uncounted = static_cast<long>(fs::file_size(file) / 4) - media::testing::sample_frames_mixed();
    std::ofstream(fs::path(file) += ".start") << start + uncounted;
    std::_Exit(0);
}

// A recording: 16-bit stereo frames, from the first fetch of the game on.
std::vector<std::int16_t> read_recording(const fs::path& file) {
    long start = -1;
    std::ifstream(fs::path(file) += ".start") >> start;
    if (start < 0) return {};
    std::ifstream in(file, std::ios::binary);
    in.seekg(start * 4);
    std::vector<std::int16_t> samples;
    std::int16_t s;
    while (in.read(reinterpret_cast<char*>(&s), sizeof s)) samples.push_back(s);
    return samples;
}

// The sample frame of the recording at which each fetch of the game fell.
std::vector<long> fetch_positions(const fs::path& file) {
    std::vector<long> positions;
    std::ifstream in(fs::path(file) += ".fetches");
    for (long at = 0; in >> at;) positions.push_back(at);
    return positions;
}

// The root mean square of each frame of the game (735 stereo sample frames).
std::vector<double> frame_loudness(const std::vector<std::int16_t>& samples) {
    std::vector<double> loudness;
    for (std::size_t at = 0; at + 2 * kFrame <= samples.size(); at += 2 * kFrame) {
        double energy = 0;
        for (std::size_t i = at; i < at + 2 * kFrame; ++i) energy += double(samples[i]) * samples[i];
        loudness.push_back(std::sqrt(energy / (2 * kFrame)));
    }
    return loudness;
}

// The loudest frame of a sound as the mixer holds it.
double loudest_frame(const media::Sound& sound) {
    std::vector<double> loudness = frame_loudness(media::testing::samples(sound));
    return loudness.empty() ? 0 : *std::max_element(loudness.begin(), loudness.end());
}

}  // namespace

namespace {

const std::vector<const media::Sound*>& effects() {
    using namespace molvane;
    static const std::vector<const media::Sound*> all{&POP,   &COOL,    &HIT,     &HURT,  &ADD_LIFE, &GAME_OVER, &NEXT,
                                                      &PAUSE, &UNPAUSE, &VICTORY, &SPACE, &RETRY,    &DANGER};
    return all;
}

// Strikes every rabbit it can, as quick as a hand: a strike at most every
// eighth frame. (The scripted striker strikes at every other frame: a dozen
// strikes a second heap their sounds on one another as no player could.)
class QuickHand {
public:
    void play(players::Input& input) {
        ++fetch_;
        if (holding_) {
            input.buttons = {false, false, false};
            input.events.push_back(harness::button_up());
            holding_ = false;
            return;
        }
        if (fetch_ - struck_ < 8) return;
        for (std::size_t i = 0; i < molvane::rabbit_list.size(); ++i) {
            const std::string& state = molvane::rabbit_list[i].state;
            if (state != "pose" && state != "heart") continue;
            input.pointer = players::centre_of(i);
            input.buttons = {true, false, false};
            input.events.push_back(harness::button_down());
            holding_ = true;
            struck_ = fetch_;
            return;
        }
    }

private:
    long fetch_ = 0;
    long struck_ = -100;
    bool holding_ = false;
};

TEST(SoundMix, AWholeGameNeverReachesFullScaleNorStacksOneSoundOnItself) {
    harness::SharedDir dir;
    fs::path file = dir.path() / "game.raw";
    EXPECT_EXIT(
        {
            molvane::seed_random(2024);
            QuickHand hand;
            record(file, players::whole_game([&](players::Input& input) { hand.play(input); }), [] {
                for (int screens = 0; screens < 40; ++screens) {
                    bool last = molvane::STATE == "win";
                    molvane::run_screen();
                    if (last) break;
                }
            });
        },
        ::testing::ExitedWithCode(0), "");

    harness::start_game();
    std::vector<std::int16_t> heard = read_recording(file);
    // Ten levels of 1981 frames, with the title and the victory around them.
    ASSERT_GT(long(heard.size()), 2 * 10 * 1981 * kFrame) << "the recording is too short for a whole game";
    long clipped = 0, bursts = 0;
    bool in_burst = false;
    for (std::size_t i = 0; i < heard.size(); i += 2) {
        bool full = false;
        for (std::size_t c = i; c < i + 2; ++c) full |= heard[c] >= 32767 || heard[c] <= -32767;
        clipped += full;
        bursts += full && !in_burst;
        in_burst = full;
    }
    std::printf("%.1f s recorded: %ld sample frames at full scale, in %ld bursts\n", double(heard.size()) / 2 / kRate,
                clipped, bursts);
    EXPECT_EQ(clipped, 0);

    // Sounds heaped on one another: a frame louder than the music at its
    // loudest with the loudest effect twice over on top. (Two different
    // sounds may meet at their loudest; at level 10 four do, a pop, the
    // strike, the rabbit's cry and the music, and the frame goes a little
    // past the music and one effect. The same pop started by every hole at
    // once went to 26,800.)
    double effect = 0;
    for (const media::Sound* sound : effects()) effect = std::max(effect, loudest_frame(*sound));
    double music = loudest_frame(molvane::MAIN);
    std::vector<double> loudness = frame_loudness(heard);
    double loudest = *std::max_element(loudness.begin(), loudness.end());
    long past_one = std::count_if(loudness.begin(), loudness.end(), [&](double l) { return l > music + effect; });
    std::printf("loudest frame %.0f; the music %.0f and the loudest effect %.0f; %ld of %zu frames past both\n",
                loudest, music, effect, past_one, loudness.size());
    EXPECT_LE(loudest, music + 2 * effect);
}

TEST(SoundMix, MSilencesEverythingWhileTheGameGoesOnAndMAgainBringsItBack) {
    harness::SharedDir dir;
    fs::path file = dir.path() / "title.raw";
    // A busy machine may let the mixer run a second or more past a fetch,
    // which leaves nothing in step to hear: such a recording is made again.
    auto in_step = [&] {
        std::vector<long> at = fetch_positions(file);
        return at.size() > 120 && at[60] < 63 * kFrame && at[120] < 123 * kFrame;
    };
    for (int attempt = 0; attempt < 3 && (attempt == 0 || !in_step()); ++attempt)
        EXPECT_EXIT(
            {
                record(
                    file,
                    [](long fetch, media::testing::Input& input) {
                        if (fetch == 60 || fetch == 120) input.events.push_back(harness::key_down(media::K_M));
                        if (fetch == 180) input.events.push_back(harness::key_down(media::K_SPACE));
                    },
                    [] { molvane::run_screen(); });
            },
            ::testing::ExitedWithCode(0), "");
    ASSERT_TRUE(in_step()) << "the mixer ran ahead of the frames in three recordings";

    harness::start_game();
    EXPECT_FALSE(media::mixer::muted()) << "a fresh game starts with sound";
    std::vector<std::int16_t> heard = read_recording(file);
    std::vector<double> loudness = frame_loudness(heard);
    ASSERT_GT(loudness.size(), 180u);
    // The title tune, heard from the first frame; where in the recording it
    // began, found in the first second.
    std::vector<std::int16_t> tune = media::testing::samples(molvane::START);
    auto correlation = [&](long begun, long from, long to) {
        double dot = 0, a = 0, b = 0;
        for (long i = from * 2 * kFrame; i < to * 2 * kFrame; ++i) {
            double t = tune[std::size_t(i - 2 * begun) % tune.size()];
            dot += heard[std::size_t(i)] * t, a += double(heard[std::size_t(i)]) * heard[std::size_t(i)], b += t * t;
        }
        return a > 0 && b > 0 ? dot / std::sqrt(a * b) : 0.0;
    };
    long begun = 0;
    double best = 0;
    for (long at = 0; at < 4096; ++at)
        if (double c = correlation(at, 20, 50); c > best) best = c, begun = at;
    EXPECT_GT(best, 0.95) << "the title tune is not heard before M";
    // Muted from the fetch that read the first M to the one that read the
    // second, as the mixer went on from each...
    std::vector<long> at = fetch_positions(file);
    ASSERT_GT(at.size(), 120u);
    std::size_t muted_from = std::size_t((at[60] + kFrame - 1) / kFrame);
    std::size_t heard_from = std::size_t((at[120] + kFrame - 1) / kFrame);
    ASSERT_GE(heard_from, muted_from + 55);
    ASSERT_GT(loudness.size(), heard_from + 40);
    for (std::size_t frame = muted_from; frame + 1 < heard_from; ++frame)
        EXPECT_EQ(loudness[frame], 0) << "frame " << frame;
    EXPECT_GT(loudness[muted_from - 2], 0) << "muted before the first M";
    // ...and the tune back where it would have been had it been heard all
    // along: it played on unheard.
    EXPECT_GT(correlation(begun, long(heard_from), long(heard_from) + 40), 0.95)
        << "the tune did not go on from where it would have been";
    for (std::size_t frame = heard_from; frame < heard_from + 40; ++frame)
        EXPECT_GT(loudness[frame], 0) << "frame " << frame;
}

}  // namespace

namespace {

TEST(Mute, MTogglesOnEveryScreenAndInThePauseAndTheGameGoesOn) {
    harness::start_game();
    std::map<long, bool> muted;  // at each fetch, before its events
    std::map<long, long> shown;  // frames shown by then
    harness::Script script;
    script.at(5, {harness::key_down(media::K_M)})
        .at(10, {harness::key_down(media::K_SPACE)})                            // the title: play
        .at(100, {harness::key_down(media::K_M)})                               // the countdown
        .at(250, {harness::key_down(media::K_M)})                               // play
        .at(300, {harness::key_down(media::K_SPACE)})                           // pause
        .at(305, {harness::key_down(media::K_M), harness::key_up(media::K_M)})  // in the pause
        .at(310, {harness::key_down(media::K_SPACE)})
        .at(400, {harness::key_down(media::K_ESCAPE)})
        .each([&](long fetch, media::testing::Input&) {
            players::quiet_board();
            muted[fetch] = media::mixer::muted();
            shown[fetch] = media::testing::frames_shown();
        });
    molvane::run_screen();
    ASSERT_EQ(molvane::STATE, "main");
    molvane::run_screen();
    EXPECT_EQ(molvane::STATE, "start");  // Escape: nothing else ended the level
    EXPECT_FALSE(muted[5]);
    EXPECT_TRUE(muted[6]);
    EXPECT_TRUE(muted[100]);
    EXPECT_FALSE(muted[101]);
    EXPECT_TRUE(muted[251]);
    EXPECT_FALSE(muted[306]);
    // The pause held on after M: no frame was shown until space.
    EXPECT_EQ(shown[309], shown[301]);
    EXPECT_GT(shown[320], shown[310]);
    // The sounds went on being started and held as ever.
    std::vector<std::string> trace = harness::sounds();
    EXPECT_NE(std::find_if(trace.begin(), trace.end(), [](auto& l) { return l.ends_with("play sound_wait.wav"); }),
              trace.end());
    media::mixer::set_muted(false);
}

}  // namespace
