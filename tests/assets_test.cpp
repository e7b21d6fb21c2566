// The pictures and sounds the game ships: the table holds every file the
// game loads and nothing else, each file is what its name says, the pictures
// fit the board, the tunes loop without a click or a gap, and the effects
// played over the music do not clip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "assets.hpp"
#include "harness.hpp"
#include "media/sound.hpp"
#include "media/surface.hpp"
#include "media/testing.hpp"
#include "shell/asset_files.hpp"
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

bool ends_with(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

unsigned byte_at(std::string_view bytes, std::size_t i) { return static_cast<unsigned char>(bytes.at(i)); }

std::uint32_t le32(std::string_view bytes, std::size_t i) {
    return byte_at(bytes, i) | byte_at(bytes, i + 1) << 8 | byte_at(bytes, i + 2) << 16 |
           std::uint32_t(byte_at(bytes, i + 3)) << 24;
}

std::uint32_t be32(std::string_view bytes, std::size_t i) {
    return std::uint32_t(byte_at(bytes, i)) << 24 | byte_at(bytes, i + 1) << 16 | byte_at(bytes, i + 2) << 8 |
           byte_at(bytes, i + 3);
}

// Empty when the bytes are a whole JPEG file, else what is wrong.
std::string jpeg_fault(std::string_view bytes) {
    if (bytes.size() < 4 || byte_at(bytes, 0) != 0xFF || byte_at(bytes, 1) != 0xD8 || byte_at(bytes, 2) != 0xFF)
        return "no JPEG start marker";
    if (byte_at(bytes, bytes.size() - 2) != 0xFF || byte_at(bytes, bytes.size() - 1) != 0xD9)
        return "no JPEG end marker";
    return "";
}

// Empty when the bytes are a whole PNG file with transparency (an alpha
// channel or a tRNS chunk), else what is wrong.
std::string png_with_alpha_fault(std::string_view bytes) {
    if (!bytes.starts_with(std::string_view("\x89PNG\r\n\x1A\n", 8))) return "no PNG signature";
    if (bytes.size() < 33 || bytes.substr(12, 4) != "IHDR") return "no PNG header chunk";
    bool transparent = false;
    std::size_t at = 8;
    std::string_view last;
    while (at + 12 <= bytes.size()) {
        std::uint32_t length = be32(bytes, at);
        last = bytes.substr(at + 4, 4);
        if (last == "IHDR") {
            unsigned colour_type = byte_at(bytes, at + 8 + 9);
            transparent = transparent || colour_type == 4 || colour_type == 6;
        }
        if (last == "tRNS") transparent = true;
        at += 12 + std::size_t(length);
    }
    if (last != "IEND" || at != bytes.size()) return "the PNG chunks do not end with IEND at the file's end";
    if (!transparent) return "the PNG has no alpha channel";
    return "";
}

// Empty when the bytes are a whole RIFF/WAVE file of 16-bit PCM or IMA ADPCM.
std::string wav_fault(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE") return "no RIFF/WAVE header";
    if (le32(bytes, 4) + 8ULL != bytes.size()) return "the RIFF size does not match the file's";
    bool format_ok = false;
    bool data = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::string_view id = bytes.substr(at, 4);
        std::uint32_t length = le32(bytes, at + 4);
        if (at + 8 + length > bytes.size()) return "the chunk " + std::string(id) + " runs past the file's end";
        if (id == "fmt ") {
            unsigned tag = byte_at(bytes, at + 8) | byte_at(bytes, at + 9) << 8;
            unsigned bits = byte_at(bytes, at + 22) | byte_at(bytes, at + 23) << 8;
            format_ok = (tag == 1 && bits == 16) || tag == 0x11;
        }
        if (id == "data") data = length > 0;
        at += 8 + length + (length & 1);
    }
    if (!format_ok) return "neither 16-bit PCM nor IMA ADPCM";
    if (!data) return "no sound data";
    return "";
}

// Empty when the bytes start (after an optional ID3v2 tag) with an MPEG
// audio layer III frame header.
std::string mp3_fault(std::string_view bytes) {
    std::size_t at = 0;
    if (bytes.starts_with("ID3") && bytes.size() >= 10)
        at = 10 + (byte_at(bytes, 6) << 21 | byte_at(bytes, 7) << 14 | byte_at(bytes, 8) << 7 | byte_at(bytes, 9));
    if (at + 4 > bytes.size()) return "too short for an MP3 frame";
    if (byte_at(bytes, at) != 0xFF || (byte_at(bytes, at + 1) & 0xE0) != 0xE0) return "no MPEG frame sync";
    if ((byte_at(bytes, at + 1) & 0x06) != 0x02) return "not MPEG layer III";
    return "";
}

std::string fault_of(const std::string& name, std::string_view bytes) {
    if (ends_with(name, ".jpg")) return jpeg_fault(bytes);
    if (ends_with(name, ".png")) return png_with_alpha_fault(bytes);
    if (ends_with(name, ".wav")) return wav_fault(bytes);
    if (ends_with(name, ".mp3")) return mp3_fault(bytes);
    return "a kind of file the game does not load";
}

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

// -1 dBFS for 16-bit samples: 32767 * 10^(-1/20).
constexpr int kCeiling = 29204;

// The effects started together, as the mixer adds them (before it clips).
std::vector<int> together(const std::vector<Samples>& effects) {
    std::vector<int> sum;
    for (const Samples& effect : effects) {
        sum.resize(std::max(sum.size(), effect.size()));
        for (std::size_t i = 0; i < effect.size(); ++i) sum[i] += effect[i];
    }
    return sum;
}

// The loudest sample of `effects` started together over the looping `music`,
// at starts every 10 ms through the whole music; `at_seconds` tells where.
int worst_mixed_peak(const Samples& music, const std::vector<Samples>& effects, double* at_seconds) {
    std::vector<int> sum = together(effects);
    auto n = std::size_t(channels());
    std::size_t step = std::size_t(media::testing::sample_rate()) / 100;
    int worst = 0;
    for (std::size_t offset = 0; offset < music.size() / n; offset += step) {
        int top = 0;
        std::size_t m = offset * n;
        for (int s : sum) {
            top = std::max(top, std::abs(music[m] + s));
            if (++m == music.size()) m = 0;
        }
        if (top > worst) {
            worst = top;
            *at_seconds = double(offset) / media::testing::sample_rate();
        }
    }
    return worst;
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

TEST(AssetTable, EveryFileDecodesAndIsWhatItsNameSays) {
    for (const assets::Entry& entry : assets::DATA) {
        std::string name(entry.name);
        std::string bytes;
        ASSERT_NO_THROW(bytes = molvane::decode_asset(name, entry.text)) << name;
        EXPECT_EQ(fault_of(name, bytes), "") << name;
    }
}

TEST(AssetTable, TheFormatChecksTellWrongFilesApart) {
    // A shipped file of each kind, read as another kind or cut short.
    auto bytes_of = [](std::string_view name) {
        for (const assets::Entry& entry : assets::DATA)
            if (entry.name == name) return molvane::decode_asset(name, entry.text);
        return std::string();
    };
    std::string jpeg = bytes_of("image_pose.jpg");
    std::string png = bytes_of("image_ready.png");
    std::string wav = bytes_of("sound_hit.wav");
    std::string mp3 = bytes_of("sound_addlife.mp3");
    EXPECT_NE(fault_of("image_pose.png", jpeg), "");
    EXPECT_NE(fault_of("image_ready.jpg", png), "");
    EXPECT_NE(fault_of("sound_hit.mp3", wav), "");
    EXPECT_NE(fault_of("sound_addlife.wav", mp3), "");
    EXPECT_NE(jpeg_fault(jpeg.substr(0, jpeg.size() / 2)), "");
    EXPECT_NE(png_with_alpha_fault(png.substr(0, png.size() - 20)), "");
    EXPECT_NE(wav_fault(wav.substr(0, wav.size() - 100)), "");
    // An opaque PNG: the header's colour type says RGB, and no tRNS chunk.
    std::string opaque = png;
    opaque[25] = 2;
    EXPECT_EQ(png_with_alpha_fault(opaque), "the PNG has no alpha channel");
}

TEST(AssetTable, StaysUnderThreeMegabytes) {
    // The table is compiled into the program as text: that text is what the
    // program carries.
    std::size_t total = 0;
    for (const assets::Entry& entry : assets::DATA) total += entry.text.size();
    EXPECT_LT(total, 3'000'000U);
}

// ---- Pictures, as the game loaded them ------------------------------------------

TEST(Pictures, TheHolesTileTheBoardAndTheScreensFillTheWindow) {
    harness::start_game();
    using namespace molvane;
    // Three holes across the window, three down under the HUD strip.
    int hole_width = WINDOW_SIZE.width / 3;
    int hole_height = (WINDOW_SIZE.height - COUNT_BOARD_SIZE.height) / 3;
    ASSERT_EQ(POS_LIST[1].x - POS_LIST[0].x, hole_width);
    ASSERT_EQ(POS_LIST[3].y - POS_LIST[0].y, hole_height);
    for (Picture p : {Picture{"image_empty.jpg", RABBIT_EMPTY}, Picture{"image_pose.jpg", RABBIT_POSE},
                      Picture{"image_cry.jpg", RABBIT_CRY}, Picture{"image_cool.jpg", RABBIT_COOL},
                      Picture{"image_heart.jpg", RABBIT_HEART}}) {
        EXPECT_EQ(p.surface.label(), p.name);
        EXPECT_EQ(p.surface.get_width(), hole_width) << p.name;
        EXPECT_EQ(p.surface.get_height(), hole_height) << p.name;
    }
    for (Picture p : {Picture{"image_start.jpg", START_PIC}, Picture{"image_end.jpg", END_PIC},
                      Picture{"image_win.jpg", WIN_PIC}}) {
        EXPECT_EQ(p.surface.label(), p.name);
        EXPECT_EQ(p.surface.get_width(), WINDOW_SIZE.width) << p.name;
        EXPECT_EQ(p.surface.get_height(), WINDOW_SIZE.height) << p.name;
    }
    EXPECT_EQ(WINDOW_ICON.label(), "image_icon.jpg");
    EXPECT_EQ(WINDOW_ICON.get_width(), WINDOW_ICON.get_height());
}

TEST(Pictures, TheBatAndTheLifeHeartAreCutOutAndSmall) {
    harness::start_game();
    using namespace molvane;
    EXPECT_EQ(MOUSE_READY.label(), "image_ready.png");
    EXPECT_EQ(MOUSE_HIT.label(), "image_hit.png");
    EXPECT_EQ(LIFE_PIC.label(), "image_life.png");
    // Both postures of the bat are one size: it is centred by the resting one.
    EXPECT_EQ(MOUSE_HIT.get_width(), MOUSE_READY.get_width());
    EXPECT_EQ(MOUSE_HIT.get_height(), MOUSE_READY.get_height());
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
        media::Surface backdrop(w, h);
        backdrop.blit(START_PIC, {-150, -300});
        std::vector<media::Color> before;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) before.push_back(backdrop.get_at(x, y));
        backdrop.blit(p.surface, {0, 0});
        auto was = [&](int x, int y) { return before[std::size_t(y) * std::size_t(w) + std::size_t(x)]; };
        int changed = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (backdrop.get_at(x, y) != was(x, y)) ++changed;
            }
        }
        for (auto [x, y] : {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1}, std::pair{w - 1, h - 1}})
            EXPECT_EQ(backdrop.get_at(x, y), was(x, y)) << p.name << " corner " << x << "," << y;
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

TEST(Sounds, AStrikeOverTheMusicLeavesHeadroom) {
    harness::start_game();
    using namespace molvane;
    // A rabbit pops up, the bat strikes and hits it, all in one frame, with
    // the music at any point of its loop; and the bat over the title tune as
    // space is pressed.
    std::vector<Samples> strike{media::testing::samples(HIT), media::testing::samples(HURT),
                                media::testing::samples(POP)};
    double at = 0;
    int play = worst_mixed_peak(media::testing::samples(MAIN), strike, &at);
    EXPECT_LT(play, kCeiling) << "at " << at << " s into the music";
    std::vector<Samples> title{media::testing::samples(HIT), media::testing::samples(SPACE)};
    int start = worst_mixed_peak(media::testing::samples(START), title, &at);
    EXPECT_LT(start, kCeiling) << "at " << at << " s into the title tune";
}
