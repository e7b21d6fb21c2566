// Start-up: the window, the assets, what it leaves on disk, and how it fails.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <stdexcept>

#include "assets.hpp"
#include "harness.hpp"
#include "media/testing.hpp"
#include "process.hpp"
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
        EXPECT_EQ(rabbit.state, "empty");
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

    auto outcome =
        process::run_game(working.path(), process::headless_environment(temporary.path()), 1500ms, SIGTERM, 3000ms);

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

    auto outcome = process::run_game(working.path(), environment, 10000ms, 0, 0ms);

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

// Runs the game on `table` as a program of its own, expecting it to stop at
// once with `message` and to leave no file behind, neither in the working
// directory nor in the temporary one.
void expect_start_up_fails(const Table& table, const std::string& message) {
    process::TempDir working, temporary, scratch;
    process::write_table(scratch.path() / "table", table.entries());
    auto outcome = process::run_game(working.path(), process::headless_environment(temporary.path()), 20000ms, 0, 0ms,
                                     scratch.path() / "table");
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err.rfind("molvane: " + message, 0), 0u) << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_TRUE(process::snapshot(working.path()).empty());
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}

}  // namespace

TEST(BadAssetTable, AMissingEntryIsNamed) {
    expect_start_up_fails(Table().drop("image_pose.jpg"), "the asset table has no entry image_pose.jpg");
}

TEST(BadAssetTable, TextThatIsNotBase64IsNamed) {
    expect_start_up_fails(Table().set("sound_pop.wav", "@abcde"), "asset sound_pop.wav: not valid base64");
    expect_start_up_fails(Table().set("sound_pop.wav", "@"), "cannot load the sound sound_pop.wav");
}

TEST(BadAssetTable, FilesTheMediaCannotReadAreNamed) {
    Table table;
    std::string text = table.text_of("image_start.jpg");
    // Cut short after the first few kilobytes: the decoder would fill in grey.
    expect_start_up_fails(Table().set("image_start.jpg", text.substr(0, 4001)),
                          "cannot load the picture image_start.jpg: the JPEG file is cut short");
    std::string bat = table.text_of("image_ready.png");
    expect_start_up_fails(Table().set("image_ready.png", bat.substr(0, bat.size() / 2 / 4 * 4 + 1)),
                          "cannot load the picture image_ready.png");
    expect_start_up_fails(Table().set("sound_hit.wav", "@" + std::string(400, 'A')),
                          "cannot load the sound sound_hit.wav");
    expect_start_up_fails(Table().set("sound_ding.wav", table.text_of("image_icon.jpg")),
                          "cannot load the sound sound_ding.wav");
}

TEST(BadAssetTable, NamesOutsideOurDirectoryStopStartUpBeforeAnythingIsWritten) {
    expect_start_up_fails(Table().add("../sound_hit.wav", "@b25l"), "the asset table has a name that is not a plain");
    expect_start_up_fails(Table().add("/tmp/x.wav", "@b25l"), "the asset table has a name that is not a plain");
    expect_start_up_fails(Table().add("image_pose.jpg", "@b25l"), "the asset table has the name image_pose.jpg twice");
}

TEST(BadAssetTable, ExtraEntriesAreUnpackedAndRemovedWithTheRest) {
    // Not a failure: an entry no picture or sound uses is written and
    // removed with the rest, and the game runs.
    process::TempDir working, temporary, scratch;
    process::write_table(scratch.path() / "table", Table().add("notes.txt", "@bm90ZXM=").entries());
    auto outcome = process::run_game(working.path(), process::headless_environment(temporary.path()), 1500ms, SIGTERM,
                                     3000ms, scratch.path() / "table");
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(process::snapshot(working.path()).empty());
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}
