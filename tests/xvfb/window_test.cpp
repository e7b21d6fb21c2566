// The built program in a real X window (Xvfb), driven by real X input
// (xdotool), looked at through screenshots (ImageMagick's import) and
// listened to through SDL's disk sound driver. Each test starts a display of
// its own and the game in a fresh working directory, as a player would.
//
// The pictures a frame must show are composed with the game's own media
// layer and pictures (harness::start_game runs the real start-up headless in
// this process), so a check compares the window with what the game's code
// would draw, pixel for pixel within a small tolerance.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../harness.hpp"
#include "../process.hpp"
#include "media/surface.hpp"
#include "media/testing.hpp"
#include "screens/hud.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Runs a shell command; its standard output, or nullopt when it failed.
std::optional<std::string> run(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    int status = ::pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return out;
}

// Polls `done` every 20 ms until it holds or `timeout` passes.
bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

// Starts argv[0] in `dir` with exactly `env`; its standard error goes to
// `err` (or nowhere).
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& dir,
            const fs::path& err = {}) {
    pid_t child = ::fork();
    if (child == 0) {
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        int err_fd = err.empty() ? null : ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(err_fd, STDERR_FILENO);
        if (!dir.empty() && ::chdir(dir.c_str()) != 0) ::_exit(127);
        std::vector<char*> args, envp;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
        args.push_back(nullptr);
        envp.push_back(nullptr);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    return child;
}

// A display of our own: Xvfb picks a free number and tells it through a pipe.
// It must not reset when its last client leaves: a game connecting just as
// one of our short-lived xdotool calls leaves would find no display.
class Xvfb {
public:
    Xvfb() {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
        std::string xvfb = run("command -v Xvfb").value_or("/usr/bin/Xvfb\n");
        xvfb.pop_back();
        pid_ = spawn(
            {xvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"},
            {}, {});
        ::close(fds[1]);
        std::string number;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.empty()) throw std::runtime_error("Xvfb did not start");
        name_ = ":" + number;
    }
    ~Xvfb() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// A picture made of the window's own pixels, or of what it should show.
struct Frame {
    media::Surface pixels;
    // The share of pixels in `area` that differ from `other` by more than a
    // little in some colour.
    double mismatch(const media::Surface& other, media::Rect area) const {
        long differ = 0;
        for (int y = area.y; y < area.y + area.h; ++y)
            for (int x = area.x; x < area.x + area.w; ++x) {
                media::Color a = pixels.get_at(x, y), b = other.get_at(x, y);
                if (std::abs(a.r - b.r) > 24 || std::abs(a.g - b.g) > 24 || std::abs(a.b - b.b) > 24) ++differ;
            }
        return double(differ) / (double(area.w) * area.h);
    }
};

constexpr media::Rect kWhole{0, 0, 600, 680};

// The countdown's digits and PAUSE are drawn in pure red across the middle
// of the window; the pictures' own reds (the bat's handle, the HUD's heart)
// are darker or lie outside that band.
bool is_red(media::Color c) { return c.r > 230 && c.g < 40 && c.b < 40; }

// The box around the pure red pixels of `surface` in the band of rows
// [top, bottom), or an empty box.
media::Rect red_box(const media::Surface& surface, int top = 200, int bottom = 480) {
    int x0 = surface.get_width(), y0 = bottom, x1 = -1, y1 = -1;
    for (int y = top; y < std::min(bottom, surface.get_height()); ++y)
        for (int x = 0; x < surface.get_width(); ++x)
            if (is_red(surface.get_at(x, y))) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    if (x1 < 0) return {0, 0, 0, 0};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// What the window shows on a waiting screen: the picture and the bat
// (`striking` or not) centred on the pointer.
media::Surface waiting_frame(const media::Surface& picture, media::Pos pointer, bool striking) {
    media::Surface frame(600, 680);
    frame.blit(picture, {0, 0});
    const media::Surface& bat = striking ? molvane::MOUSE_HIT : molvane::MOUSE_READY;
    frame.blit(bat, {pointer.x - bat.get_width() / 2.0, pointer.y - bat.get_height() / 2.0});
    return frame;
}

// The first countdown frame of level 1: the HUD at 30:00, the empty board,
// the bat, and the red 3 (drawn by the game's own HUD code onto the headless
// window, then copied).
media::Surface countdown_frame(media::Pos pointer, int second) {
    using namespace molvane;
    LEVEL = 0;
    HEART = 3;
    SCREEN.blit(media::Surface(600, 680), {0, 0});
    refresh_text({"30", "00"});
    for (media::Pos pos : POS_LIST) SCREEN.blit(RABBIT_EMPTY, pos);
    SCREEN.blit(MOUSE_READY, {pointer.x - MOUSE_READY.get_width() / 2.0, pointer.y - MOUSE_READY.get_height() / 2.0});
    refresh_ready(second);
    media::Surface frame(600, 680);
    frame.blit(SCREEN, {0, 0});
    return frame;
}

// The game, started in a fresh working directory on its own display.
class RealWindow : public ::testing::Test {
protected:
    void SetUp() override {
        harness::start_game();
        artifacts_ = fs::path(ARTIFACT_DIR) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(artifacts_);
        std::ofstream(working_.path() / "sound_hit.wav") << "the player's own recording";
        player_files_ = process::snapshot(working_.path());
    }

    void TearDown() override {
        if (game_ > 0) {
            ::kill(game_, SIGKILL);
            ::waitpid(game_, nullptr, 0);
        }
        if (HasFailure()) {
            fs::create_directories(artifacts_);
            for (const auto& entry : fs::directory_iterator(shots_.path()))
                fs::copy_file(entry.path(), artifacts_ / entry.path().filename(), fs::copy_options::overwrite_existing);
            // What the game said, sanitizer reports included.
            if (fs::exists(recording_.path() / "stderr"))
                fs::copy_file(recording_.path() / "stderr", artifacts_ / "stderr.txt",
                              fs::copy_options::overwrite_existing);
            std::printf("the screenshots and the game's stderr of this test are in %s\n", artifacts_.c_str());
        }
    }

    // Starts the game and waits for its window.
    void start() {
        std::vector<std::string> env{"DISPLAY=" + x_.name(), "TMPDIR=" + temporary_.path().string(),
                                     "SDL_AUDIODRIVER=disk",
                                     "SDL_DISKAUDIOFILE=" + (recording_.path() / "sound.raw").string()};
        for (const auto& [name, value] : process::inherited_environment()) env.push_back(name + "=" + value);
        game_ = spawn({MOLVANE_BINARY}, env, working_.path(), recording_.path() / "stderr");
        // The window counts once it is mapped and answers a geometry query.
        std::optional<std::string> geometry;
        bool found = wait_for(
            [&] {
                auto id = x("xdotool search --onlyvisible --name '^Molvane$'");
                if (!id || id->empty()) return false;
                window_ = id->substr(0, id->find('\n'));
                geometry = x("xwininfo -id " + window_);
                return geometry.has_value();
            },
            20s);
        if (!found) {
            int status = 0;
            bool ended = ::waitpid(game_, &status, WNOHANG) == game_;
            if (ended) game_ = -1;
            std::ifstream in(recording_.path() / "stderr");
            std::ostringstream err;
            err << in.rdbuf();
            FAIL() << "no window titled Molvane on " << x_.name() << "; the game "
                   << (ended ? "ended with status " + std::to_string(WEXITSTATUS(status)) : "still runs")
                   << ", its stderr: " << err.str();
        }
        origin_ = {number_after(*geometry, "Absolute upper-left X:"),
                   number_after(*geometry, "Absolute upper-left Y:")};
        size_ = {number_after(*geometry, "Width:"), number_after(*geometry, "Height:")};
    }

    static double number_after(const std::string& text, const std::string& label) {
        auto at = text.find(label);
        return at == std::string::npos ? -1 : std::atof(text.c_str() + at + label.size());
    }

    // A command with DISPLAY set to our display.
    std::optional<std::string> x(const std::string& command) const {
        return run("DISPLAY=" + x_.name() + " " + command + " 2>/dev/null");
    }

    // Moves the pointer to (x, y) in the window.
    void point(media::Pos at) {
        ASSERT_TRUE(x("xdotool mousemove " + std::to_string(origin_.x + int(at.x)) + " " +
                      std::to_string(origin_.y + int(at.y))));
    }
    void key(const std::string& name) { ASSERT_TRUE(x("xdotool key " + name)); }

    // The window as it is now, saved as NAME-N.png among the test's shots.
    Frame shoot(const std::string& name) {
        fs::path file = shots_.path() / (name + "-" + std::to_string(++shots_taken_) + ".png");
        if (!x("import -window " + window_ + " png:" + file.string())) return {};
        try {
            return {media::image::load(file.string())};
        } catch (const std::exception&) {
            return {};
        }
    }

    // Shoots the window until it shows `expected` (fewer than 0.5% of the
    // pixels of `area` differ) or `timeout` passes; the closest share seen.
    double wait_until_shows(const std::string& name, const media::Surface& expected, media::Rect area,
                            std::chrono::milliseconds timeout = 5s) {
        double best = 1;
        wait_for(
            [&] {
                Frame frame = shoot(name);
                if (frame.pixels.valid() && frame.pixels.get_width() == 600 && frame.pixels.get_height() == 680) {
                    double share = frame.mismatch(expected, area);
                    if (share < best) best = share, closest_ = frame;
                }
                return best < 0.005;
            },
            timeout);
        return best;
    }

    // Sends the close request and waits up to `limit` for the game to end;
    // its exit status, or -1. Under the sanitizers the game's exit includes a
    // leak scan of its whole heap: MOLVANE_SANITIZER_TIME_SCALE stretches the
    // limit there (tools/ci/sanitizers.sh), never in the plain build.
    int close_request(std::chrono::milliseconds limit, std::chrono::milliseconds* took) {
        if (const char* scale = std::getenv("MOLVANE_SANITIZER_TIME_SCALE")) limit *= std::max(1, std::atoi(scale));
        auto sent = Clock::now();
        if (!x(std::string(XWIN_HELPER) + " close " + window_)) return -2;
        int status = 0;
        bool ended = wait_for([&] { return ::waitpid(game_, &status, WNOHANG) == game_; }, limit);
        *took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
        if (!ended) return -1;
        game_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The disk sound driver's recording so far: 16-bit stereo frames, mixed
    // down to mono.
    std::vector<float> recording() const {
        std::ifstream in(recording_.path() / "sound.raw", std::ios::binary);
        std::vector<float> mono;
        std::int16_t frame[2];
        while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) mono.push_back(float(frame[0]) + frame[1]);
        return mono;
    }

    Xvfb x_;
    process::TempDir working_, temporary_, recording_, shots_;
    std::map<std::string, std::string> player_files_;
    fs::path artifacts_;
    int shots_taken_ = 0;
    pid_t game_ = -1;
    std::string window_;
    media::Pos origin_;
    media::Pos size_;
    Frame closest_;  // the shot closest to what wait_until_shows looked for
};

TEST_F(RealWindow, IsTitledSizedWithItsIconHidesThePointerAndLeavesTheFilesAlone) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(size_, (media::Pos{600, 680}));
    // The icon is image_icon.jpg, 128 x 128, handed to the window manager.
    auto icon = x("xprop -id " + window_ + " _NET_WM_ICON");
    ASSERT_TRUE(icon);
    EXPECT_NE(icon->find("_NET_WM_ICON(CARDINAL) = "), std::string::npos) << *icon;
    EXPECT_NE(icon->find("Icon (128 x 128)"), std::string::npos) << icon->substr(0, 200);

    // The server's own pointer shows over the bare screen, and not over the
    // game's window, where the bat takes its place.
    auto visible_pixels = [&](media::Pos screen_at) {
        x("xdotool mousemove " + std::to_string(int(screen_at.x)) + " " + std::to_string(int(screen_at.y)));
        std::this_thread::sleep_for(100ms);
        return std::atoi(x(std::string(XWIN_HELPER) + " cursor").value_or("-1").c_str());
    };
    EXPECT_GT(visible_pixels({5, 5}), 0) << "no pointer to see outside the window: the check sees nothing";
    EXPECT_EQ(visible_pixels({origin_.x + 300, origin_.y + 400}), 0);
    EXPECT_EQ(visible_pixels({origin_.x + 20, origin_.y + 20}), 0);

    // Start-up is over once the window shows: nothing of ours stays behind.
    EXPECT_EQ(process::snapshot(working_.path()), player_files_);
    EXPECT_TRUE(process::snapshot(temporary_.path()).empty());
}

TEST_F(RealWindow, RealInputDrivesTheScreens) {
    using namespace molvane;
    ASSERT_NO_FATAL_FAILURE(start());

    // The bat follows the pointer, centred on it, over the title picture.
    for (media::Pos at : {media::Pos{300, 400}, media::Pos{120, 600}}) {
        point(at);
        EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, at, false), kWhole), 0.005)
            << "the bat is not centred on the pointer at " << at.x << ", " << at.y;
    }
    // Holding the left button shows the striking bat; letting go, the bat.
    ASSERT_TRUE(x("xdotool mousedown 1"));
    EXPECT_LT(wait_until_shows("strike", waiting_frame(START_PIC, {120, 600}, true), kWhole), 0.005);
    ASSERT_TRUE(x("xdotool mouseup 1"));
    EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, {120, 600}, false), kWhole), 0.005);

    // Space: level 1's countdown, red 3 in the middle, the HUD at 30:00.
    media::Pos corner{560, 640};
    point(corner);
    key("space");
    media::Surface three = countdown_frame(corner, 3);
    double seen = wait_until_shows("countdown", three, kWhole, 1500ms);
    EXPECT_LT(seen, 0.005) << "the countdown's first second was not seen as drawn";
    media::Rect box = red_box(three);
    EXPECT_NEAR(box.x + box.w / 2.0, 300, 2);   // the reference's own 3 is centred
    EXPECT_NEAR(box.y + box.h / 2.0, 340, 40);  // (the digit sits in a taller line box)

    // Play: the countdown is gone, and every hole shows one of the rabbit
    // pictures (away from the bat).
    std::this_thread::sleep_for(3200ms);
    Frame play = shoot("play");
    ASSERT_TRUE(play.pixels.valid());
    EXPECT_EQ(red_box(play.pixels).w, 0) << "red left in the window after the countdown";
    for (std::size_t hole = 0; hole < 8; ++hole) {  // hole 8 is under the bat
        media::Pos pos = POS_LIST[hole];
        media::Rect area{int(pos.x), int(pos.y), 200, 200};
        double best = 1;
        for (const media::Surface* rabbit : {&RABBIT_EMPTY, &RABBIT_POSE, &RABBIT_CRY, &RABBIT_COOL, &RABBIT_HEART}) {
            media::Surface expected(600, 680);
            expected.blit(*rabbit, pos);
            best = std::min(best, play.mismatch(expected, area));
        }
        EXPECT_LT(best, 0.005) << "hole " << hole << " shows no rabbit picture";
    }

    // Space: PAUSE in red, centred, and the picture frozen.
    key("space");
    Frame paused;
    ASSERT_TRUE(wait_for(
        [&] {
            paused = shoot("pause");
            return paused.pixels.valid() && red_box(paused.pixels).w > 0;
        },
        3s))
        << "no red PAUSE";
    // The word as the game's font draws it, on black, against what shows.
    media::Surface pause_text = FONT_READY.render("PAUSE", true, RED);
    media::Surface canvas(pause_text.get_width(), pause_text.get_height());
    canvas.blit(pause_text, {0, 0});
    media::Rect text_box = red_box(canvas, 0, canvas.get_height()), box_seen = red_box(paused.pixels);
    EXPECT_NEAR(box_seen.w, text_box.w, 2);
    EXPECT_NEAR(box_seen.h, text_box.h, 2);
    EXPECT_NEAR(box_seen.x - text_box.x, 300 - pause_text.get_width() / 2.0, 2);
    EXPECT_NEAR(box_seen.y - text_box.y, 340 - pause_text.get_height() / 2.0, 2);
    std::this_thread::sleep_for(1200ms);  // more than a second: the clock would have moved
    Frame later = shoot("pause");
    EXPECT_EQ(later.mismatch(paused.pixels, kWhole), 0) << "the picture changed during the pause";

    // Space again: play goes on and PAUSE goes.
    key("space");
    EXPECT_TRUE(wait_for([&] { return red_box(shoot("resumed").pixels).w == 0; }, 3s));

    // Escape: back to the title picture.
    point({300, 400});
    key("Escape");
    EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, {300, 400}, false), kWhole), 0.005);

    std::chrono::milliseconds took{};
    EXPECT_EQ(close_request(1s, &took), 0) << "after " << took.count() << " ms";
}

// Where the close request arrives, and how to get there from the title.
struct Moment {
    const char* name;
    std::vector<const char*> keys;        // pressed in turn
    std::chrono::milliseconds then_wait;  // after each key
};
void PrintTo(const Moment& moment, std::ostream* out) { *out << moment.name; }

class CloseRequest : public RealWindow, public ::testing::WithParamInterface<Moment> {};

TEST_P(CloseRequest, EndsTheGameWithStatusZeroWithinASecond) {
    ASSERT_NO_FATAL_FAILURE(start());
    point({300, 400});
    for (const char* name : GetParam().keys) {
        key(name);
        std::this_thread::sleep_for(GetParam().then_wait);
    }
    if (std::string(GetParam().name) == "pause") {
        ASSERT_TRUE(wait_for([&] { return red_box(shoot("pause").pixels).w > 0; }, 3s)) << "no pause to close";
    }
    std::chrono::milliseconds took{};
    int status = close_request(1s, &took);
    EXPECT_EQ(status, 0) << "closed in the " << GetParam().name << " after " << took.count() << " ms";
    std::printf("closed in the %s: status %d after %lld ms\n", GetParam().name, status,
                static_cast<long long>(took.count()));
    EXPECT_EQ(process::snapshot(working_.path()), player_files_);
    EXPECT_TRUE(process::snapshot(temporary_.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(RealWindow, CloseRequest,
                         ::testing::Values(Moment{"title", {}, 300ms}, Moment{"countdown", {"space"}, 500ms},
                                           Moment{"play", {"space"}, 4000ms},
                                           Moment{"pause", {"space", "space"}, 3600ms}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Sound ----------------------------------------------------------------------

// The correlation of `recorded[from, from + length)` with `tune` (looped)
// started at recording frame `start`, for the best start in [low, high].
struct Match {
    long start = 0;
    double correlation = 0;
};
Match best_match(const std::vector<float>& recorded, long from, long length, const std::vector<float>& tune, long low,
                 long high) {
    Match best;
    double energy = 0;
    for (long i = from; i < from + length; ++i) energy += double(recorded[i]) * recorded[i];
    long n = long(tune.size());
    for (long start = std::max(0L, low); start <= std::min(high, from); ++start) {
        double dot = 0, tune_energy = 0;
        for (long i = from; i < from + length; ++i) {
            float t = tune[(i - start) % n];
            dot += double(recorded[i]) * t;
            tune_energy += double(t) * t;
        }
        double c = energy > 0 && tune_energy > 0 ? dot / std::sqrt(energy * tune_energy) : 0;
        if (c > best.correlation) best = {start, c};
    }
    return best;
}

std::vector<float> mono(const media::Sound& sound) {
    std::vector<std::int16_t> samples = media::testing::samples(sound);
    std::vector<float> out;
    for (std::size_t i = 0; i + 1 < samples.size(); i += 2) out.push_back(float(samples[i]) + samples[i + 1]);
    return out;
}

TEST_F(RealWindow, PlaysTheTitleTuneUntilSpaceThenTheMainMusic) {
    // What this proves: the recording holds the title tune's own samples, in
    // step, from its start until space, and none after; and the main music's
    // own samples after space. The tunes are taken from the game's pictures
    // and sounds as its mixer decodes them.
    ASSERT_EQ(media::testing::sample_rate(), 44100);
    ASSERT_EQ(media::testing::output_channels(), 2);
    const long rate = 44100;
    std::vector<float> title = mono(molvane::START), music = mono(molvane::MAIN);
    ASSERT_NO_FATAL_FAILURE(start());
    std::this_thread::sleep_for(2000ms);
    // Space is pressed somewhere between these two points of the recording
    // (starting xdotool takes a while on a busy machine).
    long space_at = long(recording().size());
    key("space");
    long space_done = long(recording().size());
    std::this_thread::sleep_for(2500ms);  // still in the countdown, where only the music plays
    std::vector<float> heard = recording();
    ASSERT_GT(long(heard.size()), space_done + 2 * rate) << "the disk sound driver recorded too little";

    // The title tune: found in a tenth of a second just before space...
    long window = rate / 10;
    Match title_match = best_match(heard, space_at - rate / 2, window, title, 0, space_at - rate / 2);
    EXPECT_GT(title_match.correlation, 0.95) << "the title tune is not in the recording before space";
    // ...and, in step, all through the title screen from its start.
    for (long from = title_match.start + rate / 20; from + window < space_at - rate / 5; from += rate / 4) {
        Match here = best_match(heard, from, window, title, title_match.start, title_match.start);
        EXPECT_GT(here.correlation, 0.95)
            << "the title tune falters " << double(from - title_match.start) / rate << " s in";
    }
    // After space, no trace of the title tune where it would have gone on.
    for (long from = space_done + rate / 2; from + window < long(heard.size()); from += rate / 4) {
        Match here = best_match(heard, from, window, title, title_match.start, title_match.start);
        EXPECT_LT(std::abs(here.correlation), 0.3)
            << "the title tune still plays " << double(from - space_at) / rate << " s after space";
    }
    // The main music begins at space (give or take the driver's buffers).
    long from = space_done + 3 * rate / 2;
    Match music_match = best_match(heard, from, window, music, space_at - rate / 2, space_done + rate);
    EXPECT_GT(music_match.correlation, 0.9) << "the main music is not in the recording after space";
    EXPECT_GE(music_match.start, space_at - rate / 10) << "the music began before space";
    EXPECT_LE(music_match.start, space_done + rate / 4) << "the music began well after space";
    // (Up to the end of the countdown: then the rabbits' sounds join in.)
    for (long later = from + rate / 4; later + window < std::min(long(heard.size()), space_at + 14 * rate / 5);
         later += rate / 4) {
        Match here = best_match(heard, later, window, music, music_match.start, music_match.start);
        EXPECT_GT(here.correlation, 0.9) << "the main music falters";
    }

    std::chrono::milliseconds took{};
    EXPECT_EQ(close_request(1s, &took), 0);
}

}  // namespace
