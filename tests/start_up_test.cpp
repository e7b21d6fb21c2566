// Start-up: the window, the assets, what it leaves on disk, and how it fails.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <regex>
#include <stdexcept>

#include "assets.hpp"
#include "harness.hpp"
#include "media/testing.hpp"
#include "process.hpp"
#include "shell/asset_files.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"
#include "shell/start_up.hpp"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(StartUp, OpensTheTitledWindowWithItsIconAndNoPointer) {
    harness::start_game();
    auto window = media::testing::window_info();
    EXPECT_TRUE(window.open);
    EXPECT_EQ(window.title, "Molvane");
    EXPECT_EQ(window.width, 600);
    EXPECT_EQ(window.height, 680);
    EXPECT_FALSE(window.pointer_visible);
    EXPECT_TRUE(window.has_icon);
    EXPECT_EQ(molvane::SCREEN.get_width(), 600);
    EXPECT_EQ(molvane::SCREEN.get_height(), 680);
}

TEST(StartUp, LoadsEveryPictureAndSoundUnderItsOwnName) {
    harness::start_game();
    using namespace molvane;
    struct Picture {
        const media::Surface& surface;
        const char* name;
    };
    for (const Picture& p : {Picture{RABBIT_EMPTY, "image_empty.jpg"}, Picture{RABBIT_POSE, "image_pose.jpg"},
                             Picture{RABBIT_CRY, "image_cry.jpg"}, Picture{RABBIT_COOL, "image_cool.jpg"},
                             Picture{RABBIT_HEART, "image_heart.jpg"}}) {
        EXPECT_EQ(p.surface.label(), p.name);
        EXPECT_EQ(p.surface.get_rect(), (media::Rect{0, 0, 200, 200})) << p.name;
    }
    for (const Picture& p : {Picture{START_PIC, "image_start.jpg"}, Picture{END_PIC, "image_end.jpg"},
                             Picture{WIN_PIC, "image_win.jpg"}}) {
        EXPECT_EQ(p.surface.label(), p.name);
        EXPECT_EQ(p.surface.get_rect(), (media::Rect{0, 0, 600, 680})) << p.name;
    }
    EXPECT_EQ(WINDOW_ICON.label(), "image_icon.jpg");
    EXPECT_EQ(MOUSE_READY.label(), "image_ready.png");
    EXPECT_EQ(MOUSE_HIT.label(), "image_hit.png");
    EXPECT_EQ(MOUSE_HIT.get_rect(), MOUSE_READY.get_rect());
    EXPECT_EQ(LIFE_PIC.label(), "image_life.png");
    EXPECT_LE(LIFE_PIC.get_height(), 80);

    const std::vector<std::pair<const media::Sound*, const char*>> sounds{
        {&START, "sound_start.wav"},      {&MAIN, "sound_main.mp3"},     {&POP, "sound_pop.wav"},
        {&COOL, "sound_cool.wav"},        {&HIT, "sound_hit.wav"},       {&HURT, "sound_hurt.wav"},
        {&ADD_LIFE, "sound_addlife.mp3"}, {&GAME_OVER, "sound_end.wav"}, {&NEXT, "sound_ding.wav"},
        {&PAUSE, "sound_wait.wav"},       {&UNPAUSE, "sound_biu.wav"},   {&VICTORY, "sound_victory.wav"},
        {&SPACE, "sound_space.wav"},      {&RETRY, "sound_retry.wav"},   {&DANGER, "sound_danger.wav"}};
    for (const auto& [sound, name] : sounds) EXPECT_EQ(sound->label(), name);

    EXPECT_EQ(COUNT_BOARD.get_rect(), (media::Rect{0, 0, 600, 80}));
    EXPECT_EQ(COUNT_BOARD.get_at(599, 79), (media::Color{0, 0, 0}));
}

TEST(StartUp, MakesNineRabbitsInHoleOrderAndOneBat) {
    harness::start_game();
    ASSERT_EQ(molvane::rabbit_list.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) {
        const auto& rabbit = molvane::rabbit_list[i];
        EXPECT_EQ(rabbit.pos, molvane::POS_LIST[i]);
        EXPECT_EQ(rabbit.rect, (media::Rect{int(rabbit.pos.x), int(rabbit.pos.y), 200, 200}));
        EXPECT_EQ(harness::start_up_states().at(i), "empty");
    }
    EXPECT_EQ(molvane::rabbit_list[4].pos, (media::Pos{200, 280}));
    EXPECT_TRUE(molvane::bat.has_value());
}

TEST(ScreenLoop, RunsTheScreenThatTheStateNamesAndRefusesAnUnknownOne) {
    harness::start_game();
    EXPECT_EQ(molvane::DIC.size(), 4u);
    for (const char* state : {"start", "main", "end", "win"}) EXPECT_TRUE(molvane::DIC.contains(state)) << state;

    molvane::STATE = "esc";
    try {
        molvane::run_screen();
        ADD_FAILURE() << "a state without a screen was run";
    } catch (const std::logic_error& error) {
        EXPECT_NE(std::string(error.what()).find("\"esc\""), std::string::npos) << error.what();
    }

    // "start" runs the title screen, which hands over to "main" on space.
    harness::Script script;
    script.at(3, {harness::key_down(media::K_SPACE)});
    molvane::STATE = "start";
    molvane::run_screen();
    EXPECT_EQ(molvane::STATE, "main");
    EXPECT_EQ(script.fetches(), 3);
}

// ---- The real program, started as a player would ------------------------------

TEST(Program, LeavesThePlayersFilesAndTheTemporaryDirectoryAsTheyWere) {
    process::TempDir working, temporary, elsewhere;
    std::ofstream(working.path() / "sound_hit.wav") << "the player's own recording";
    std::ofstream(elsewhere.path() / "precious.txt") << "the player's notes";
    fs::create_symlink(elsewhere.path() / "precious.txt", working.path() / "image_icon.jpg");
    auto before = process::snapshot(working.path());

    auto outcome = process::run_game(working.path(), process::headless_environment(temporary.path()), SIGTERM, 10s);

    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(process::snapshot(working.path()), before);
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
    EXPECT_EQ(process::snapshot(elsewhere.path()).at("precious.txt"), "the player's notes");
}

TEST(Program, WithoutADisplayStopsWithOneClearLineAndLeavesNothing) {
    process::TempDir working, temporary;
    auto environment = process::headless_environment(temporary.path());
    environment.erase("SDL_VIDEODRIVER");  // no DISPLAY either: nobody would see the window

    auto outcome = process::run_game(working.path(), environment, 0, 10s);

    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(std::regex_match(outcome.err, std::regex("molvane: cannot open a window: no display[^\n]*\n")))
        << outcome.err;
    EXPECT_TRUE(process::snapshot(working.path()).empty());
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}

// ---- Bad asset tables --------------------------------------------------------------

namespace {

// The shipped table with one entry changed, dropped or added.
class Table {
public:
    Table() {
        for (const auto& entry : assets::DATA) texts_.emplace_back(entry.name, entry.text);
    }
    Table& set(const std::string& name, const std::string& text) {
        for (auto& [n, t] : texts_)
            if (n == name) t = text;
        return *this;
    }
    Table& drop(const std::string& name) {
        std::erase_if(texts_, [&](const auto& entry) { return entry.first == name; });
        return *this;
    }
    Table& add(const std::string& name, const std::string& text) {
        texts_.emplace_back(name, text);
        return *this;
    }
    std::string text_of(const std::string& name) const {
        for (const auto& [n, t] : texts_)
            if (n == name) return t;
        return {};
    }
    const std::vector<std::pair<std::string, std::string>>& entries() const { return texts_; }

private:
    std::vector<std::pair<std::string, std::string>> texts_;
};

// A bad table and the line start-up must stop with.
struct BadTable {
    const char* what;
    std::function<Table()> table;
    std::string message;  // what the line on stderr starts with, after "molvane: "
};

std::ostream& operator<<(std::ostream& out, const BadTable& bad) { return out << bad.what; }

// Base64 text of `bytes` pseudo-random bytes: no decoder finds a picture or a
// sound in it.
std::string random_text(std::size_t bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text = "@";
    text.reserve(bytes / 3 * 4 + 8);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < bytes / 3 * 4; ++i) {
        state = state * 1664525u + 1013904223u;
        text.push_back(alphabet[state >> 26]);
    }
    return text;
}

// Every byte of the middle half of a file turned around: headers intact,
// the data behind them nonsense.
std::string scrambled(const std::string& text) {
    std::string bytes = molvane::decode_asset("x", text);
    for (std::size_t i = bytes.size() / 4; i < bytes.size() * 3 / 4; ++i) bytes[i] = static_cast<char>(~bytes[i]);
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out = "@";
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        unsigned n = unsigned(static_cast<unsigned char>(bytes[i])) << 16 |
                     unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8 | static_cast<unsigned char>(bytes[i + 2]);
        for (int shift : {18, 12, 6, 0}) out.push_back(alphabet[n >> shift & 63]);
    }
    if (std::size_t rest = bytes.size() - i; rest > 0) {
        unsigned n = unsigned(static_cast<unsigned char>(bytes[i])) << 16 |
                     (rest == 2 ? unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8 : 0u);
        out.push_back(alphabet[n >> 18 & 63]);
        out.push_back(alphabet[n >> 12 & 63]);
        out += rest == 2 ? std::string(1, alphabet[n >> 6 & 63]) + "=" : "==";
    }
    return out;
}

const std::string kLongName(300, 'a');

const BadTable kBadTables[] = {
    {"an entry missing", [] { return Table().drop("image_pose.jpg"); }, "the asset table has no entry image_pose.jpg"},
    {"text that is not base64", [] { return Table().set("sound_pop.wav", "@abcde"); },
     "asset sound_pop.wav: not valid base64"},
    {"text of no character at all", [] { return Table().set("sound_pop.wav", ""); },
     "asset sound_pop.wav: its text is empty"},
    {"text of one character: an empty sound file", [] { return Table().set("sound_pop.wav", "@"); },
     "cannot load the sound sound_pop.wav"},
    {"an empty picture file", [] { return Table().set("image_life.png", "@"); },
     "cannot load the picture image_life.png"},
    {"one character of data", [] { return Table().set("image_cry.jpg", "@Q"); },
     "asset image_cry.jpg: not valid base64"},
    // Cut short after the first few kilobytes: the decoder would fill in grey.
    {"a JPEG cut short",
     [] { return Table().set("image_start.jpg", Table().text_of("image_start.jpg").substr(0, 4001)); },
     "cannot load the picture image_start.jpg: the JPEG file is cut short"},
    {"a PNG cut in half",
     [] {
         std::string bat = Table().text_of("image_ready.png");
         return Table().set("image_ready.png", bat.substr(0, bat.size() / 2 / 4 * 4 + 1));
     },
     "cannot load the picture image_ready.png"},
    {"a PNG with its data scrambled",
     [] { return Table().set("image_hit.png", scrambled(Table().text_of("image_hit.png"))); },
     "cannot load the picture image_hit.png"},
    {"a sound file that is not a sound", [] { return Table().set("sound_hit.wav", "@" + std::string(400, 'A')); },
     "cannot load the sound sound_hit.wav"},
    {"a picture under a sound's name", [] { return Table().set("sound_ding.wav", Table().text_of("image_icon.jpg")); },
     "cannot load the sound sound_ding.wav"},
    // The sounds load out of their order, the music last; which fails
    // first in time must not decide which one is named.
    {"two faulty sounds", [] { return Table().set("sound_danger.wav", "@").set("sound_pop.wav", "@"); },
     "cannot load the sound sound_pop.wav"},
    {"faulty music and a faulty sound after it",
     [] { return Table().set("sound_main.mp3", "@" + std::string(400, 'A')).set("sound_pop.wav", "@"); },
     "cannot load the sound sound_main.mp3"},
    {"a faulty sound and faulty music",
     [] { return Table().set("sound_addlife.mp3", "@" + std::string(400, 'A')).set("sound_hurt.wav", "@"); },
     "cannot load the sound sound_hurt.wav"},
    {"two entries of the same name", [] { return Table().add("image_pose.jpg", "@b25l"); },
     "the asset table has the name image_pose.jpg twice"},
    {"a name with a directory part", [] { return Table().add("sounds/x.wav", "@b25l"); },
     "the asset table has a name that is not a plain file name: sounds/x.wav"},
    {"an absolute name", [] { return Table().add("/tmp/x.wav", "@b25l"); },
     "the asset table has a name that is not a plain file name: /tmp/x.wav"},
    {"the name ..", [] { return Table().add("..", "@b25l"); },
     "the asset table has a name that is not a plain file name: .."},
    {"a name up a directory", [] { return Table().add("../sound_hit.wav", "@b25l"); },
     "the asset table has a name that is not a plain file name"},
    {"a name with a NUL", [] { return Table().add(std::string("x\0.wav", 6), "@b25l"); },
     "the asset table has a name with a NUL character: x?.wav"},
    {"a name of 300 characters", [] { return Table().add(kLongName, "@b25l"); },
     "the asset table has a name longer than 255 characters"},
    {"an empty name", [] { return Table().add("", "@b25l"); }, "the asset table has an entry with an empty name"},
    {"100 MB of noise under a sound's name", [] { return Table().set("sound_main.mp3", random_text(100'000'000)); },
     "cannot load the sound sound_main.mp3"},
};

class BadAssetTable : public ::testing::TestWithParam<BadTable> {};

// Runs the game on the table as a program of its own, in a working directory
// holding files of the player's, expecting it to stop at once with the one
// line and to leave no file behind: the working directory is byte for byte
// as it was, the temporary one empty.
TEST_P(BadAssetTable, StopsStartUpWithOneClearLineAndLeavesNothing) {
    process::TempDir working, temporary, scratch;
    std::ofstream(working.path() / "sound_hit.wav") << "the player's own recording";
    fs::create_directory(working.path() / "notes");
    std::ofstream(working.path() / "notes" / "x.wav") << "the player's notes";
    auto before = process::snapshot(working.path());
    process::write_table(scratch.path() / "table", GetParam().table().entries());

    auto outcome = process::run_game(working.path(), process::headless_environment(temporary.path()), 0, 30s,
                                     scratch.path() / "table");

    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err.rfind("molvane: " + GetParam().message, 0), 0u) << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_TRUE(outcome.err.ends_with("\n")) << outcome.err;
    EXPECT_EQ(process::snapshot(working.path()), before);
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(EveryCase, BadAssetTable, ::testing::ValuesIn(kBadTables), [](const auto& info) {
    std::string name;
    for (char c : std::string(info.param.what))
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
});

}  // namespace

TEST(AssetTable, ExtraEntriesAreUnpackedAndRemovedWithTheRest) {
    // Not a failure: an entry no picture or sound uses is written and
    // removed with the rest, and the game runs.
    process::TempDir working, temporary, scratch;
    process::write_table(scratch.path() / "table", Table().add("notes.txt", "@bm90ZXM=").entries());
    auto outcome = process::run_game(working.path(), process::headless_environment(temporary.path()), SIGTERM, 10s,
                                     scratch.path() / "table");
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(process::snapshot(working.path()).empty());
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}

TEST(AssetTable, AFaultyOneIsNamedEvenWithoutADisplay) {
    // The table is unpacked before SDL starts: the fault shows first.
    process::TempDir working, temporary, scratch;
    process::write_table(scratch.path() / "table", Table().set("sound_pop.wav", "@abcde").entries());
    auto environment = process::headless_environment(temporary.path());
    environment.erase("SDL_VIDEODRIVER");
    auto outcome = process::run_game(working.path(), environment, 0, 10s, scratch.path() / "table");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err.rfind("molvane: asset sound_pop.wav: not valid base64", 0), 0u) << outcome.err;
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}
