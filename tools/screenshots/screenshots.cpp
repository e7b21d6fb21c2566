// Takes the README's screenshots: the real start-up in a real X window, the
// screens driven by scripted input to each moment worth showing, and the
// window grabbed by ImageMagick's `import` while the game waits for its
// next events. Run by tools/screenshots.sh under Xvfb.
//
//   molvane_screenshots OUT_DIR
//
// writes OUT_DIR/title.png, play.png, pause.png, game-over.png, victory.png.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include "assets.hpp"
#include "media/event.hpp"
#include "media/testing.hpp"
#include "screens/screens.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"
#include "shell/start_up.hpp"

namespace {

using media::Event;
using media::EventType;
using media::testing::Input;

std::string out_dir;

// Grabs the game's window as it is on the display now.
void shoot(const std::string& name) {
    std::string path = out_dir + "/" + name + ".png";
    std::string command =
        "import -window \"$(xdotool search --onlyvisible --name '^Molvane$' | head -n 1)\" 'png:" + path + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("could not grab the window into " + path);
    std::printf("screenshots: %s\n", path.c_str());
}

// Scripted input for one screen: `player` sees the fetch number (from 1) and
// the input to hand out.
class Script {
public:
    explicit Script(std::function<void(long, Input&)> player) : player_(std::move(player)) {
        media::testing::set_script([this](Input& input) { player_(++fetches_, input); });
    }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;
    ~Script() { media::testing::clear_script(); }

private:
    std::function<void(long, Input&)> player_;
    long fetches_ = 0;
};

Event key_down(int key) { return {EventType::KEYDOWN, key, 0}; }
Event button_down() { return {EventType::MOUSEBUTTONDOWN, media::K_OTHER, media::BUTTON_LEFT}; }
Event button_up() { return {EventType::MOUSEBUTTONUP, media::K_OTHER, media::BUTTON_LEFT}; }

// The middle of hole `index`, a little above the centre where the head is.
media::Pos head_of(std::size_t index) {
    const media::Rect& rect = molvane::rabbit_list[index].rect;
    return {rect.x + rect.w / 2.0, rect.y + rect.h / 2.0 - 20};
}

// Shows rabbit `index` in `state` for a good while.
void show(std::size_t index, const std::string& state) {
    using namespace molvane;
    Rabbit& rabbit = rabbit_list[index];
    rabbit.state = state;
    rabbit.lock = 1;
    rabbit.count = 1000;
    if (state == "empty") rabbit.image = RABBIT_EMPTY;
    if (state == "pose") rabbit.image = RABBIT_POSE;
    if (state == "heart") rabbit.image = RABBIT_HEART;
    if (state == "cry") rabbit.image = RABBIT_CRY;
    if (state == "cool") rabbit.image = RABBIT_COOL;
}

void expect_state(const char* state) {
    if (molvane::STATE != state)
        throw std::runtime_error("the game went to \"" + molvane::STATE + "\" instead of \"" + state + "\"");
}

// A waiting screen: shown twice, grabbed, then space.
void waiting_screen(void (*screen)(), media::Pos pointer, const std::string& name) {
    Script script([&](long fetch, Input& in) {
        in.pointer = pointer;
        if (fetch == 3) shoot(name);
        if (fetch == 4) in.events = {key_down(media::K_SPACE)};
    });
    screen();
}

// A level: 181 countdown frames, then play frame n fetches at 181 + n.
constexpr long kCountdown = 181;

// Level 5 in play: rabbits up, one with a heart, one crying under the
// striking bat, one gloating after it got away; then the pause; then the
// last life lost.
void play_and_lose() {
    using namespace molvane;
    LEVEL = 4;
    Script script([&](long fetch, Input& in) {
        long frame = fetch - kCountdown;  // counts play frames; pauses add fetches
        if (fetch <= kCountdown) in.pointer = {300, 600};
        if (frame == 120) {
            HEART = 2;
            for (std::size_t hole : {1, 5, 6}) show(hole, "empty");
            for (std::size_t hole : {0, 4, 8}) show(hole, "pose");
            show(2, "heart");
            show(3, "cool");
            show(7, "cry");
            in.pointer = head_of(4);
            in.events = {button_down()};  // strikes hole 4: it cries
        }
        if (frame == 122) shoot("play");
        if (frame == 123) in.events = {button_up()};
        if (frame == 124) in.pointer = {470, 250};
        if (frame == 150) in.events = {key_down(media::K_SPACE)};
        if (frame == 151) shoot("pause");  // the first wait of the pause
        if (frame == 152) in.events = {key_down(media::K_SPACE)};
        if (frame == 160) {
            HEART = 0;
            rabbit_list[0].count = 0;  // it gets away on the next frame
        }
    });
    game_main();
    expect_state("end");
}

// The last level, every rabbit struck as soon as it is up.
void win_last_level() {
    using namespace molvane;
    LEVEL = 9;
    HEART = 3;
    Script script([&](long, Input& in) {
        for (std::size_t hole = 0; hole < rabbit_list.size(); ++hole) {
            const std::string& state = rabbit_list[hole].state;
            if (state == "pose" || state == "heart") {
                in.pointer = head_of(hole);
                in.events = {button_down(), button_up()};
                return;
            }
        }
    });
    game_main();
    expect_state("win");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: molvane_screenshots OUT_DIR\n");
        return 2;
    }
    out_dir = argv[1];
    try {
        molvane::start_up(assets::DATA);
        media::testing::set_clock_paced(false);  // the pictures are the same at any speed
        molvane::seed_random(2024);

        waiting_screen(molvane::game_start, {520, 630}, "title");
        expect_state("main");
        play_and_lose();
        waiting_screen(molvane::game_over, {500, 480}, "game-over");
        expect_state("start");
        win_last_level();
        waiting_screen(molvane::you_win, {525, 480}, "victory");
        expect_state("start");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "molvane_screenshots: %s\n", error.what());
        return 1;
    }
    return 0;
}
