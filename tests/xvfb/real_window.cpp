#include "real_window.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "../harness.hpp"
#include "screens/hud.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace real_window {

using Clock = std::chrono::steady_clock;

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

bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& dir,
            const fs::path& err) {
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

double Frame::mismatch(const media::Surface& other, media::Rect area) const {
    long differ = 0;
    for (int y = area.y; y < area.y + area.h; ++y)
        for (int x = area.x; x < area.x + area.w; ++x) {
            media::Color a = pixels.get_at(x, y), b = other.get_at(x, y);
            if (std::abs(a.r - b.r) > 24 || std::abs(a.g - b.g) > 24 || std::abs(a.b - b.b) > 24) ++differ;
        }
    return double(differ) / (double(area.w) * area.h);
}

bool is_red(media::Color c) { return c.r > 230 && c.g < 40 && c.b < 40; }

media::Rect red_box(const media::Surface& surface, int top, int bottom) {
    int x0 = surface.get_width(), y0 = bottom, x1 = -1, y1 = -1;
    for (int y = top; y < std::min(bottom, surface.get_height()); ++y)
        for (int x = 0; x < surface.get_width(); ++x)
            if (is_red(surface.get_at(x, y))) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    if (x1 < 0) return {0, 0, 0, 0};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

media::Surface waiting_frame(const media::Surface& picture, media::Pos pointer, bool striking) {
    media::Surface frame(600, 680);
    frame.blit(picture, {0, 0});
    const media::Surface& bat = striking ? molvane::MOUSE_HIT : molvane::MOUSE_READY;
    frame.blit(bat, {pointer.x - bat.get_width() / 2.0, pointer.y - bat.get_height() / 2.0});
    return frame;
}

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

namespace {

// How far a shot of a window showing `frame` scaled into `shown` is from
// it, over the part `area` of the frame: the share of the shot's pixels that
// lie outside the colours of the frame pixels within a pixel of the point
// they show (of the pixel itself, unscaled) by more than a little, of every
// other pixel of every other row. A frame scaled smoothly has none.
double scaled_mismatch(const media::Surface& shot, const media::Surface& frame, media::Rect shown, media::Rect area) {
    long off = 0, seen = 0;
    double sx = double(frame.get_width()) / shown.w, sy = double(frame.get_height()) / shown.h;
    int reach = sx == 1 && sy == 1 ? 0 : 1;  // frame pixels either way a shot pixel may show
    // Every other pixel of every other row: a quarter of them is plenty.
    for (int y = shown.y; y < shown.y + shown.h; y += 2) {
        int v = int(std::floor((y - shown.y + 0.5) * sy - 0.5));
        int y0 = std::max(v - reach, 0), y1 = std::min(v + 2 * reach, frame.get_height() - 1);
        if (y1 < area.y || y0 >= area.y + area.h) continue;
        for (int x = shown.x; x < shown.x + shown.w; x += 2) {
            int u = int(std::floor((x - shown.x + 0.5) * sx - 0.5));
            int x0 = std::max(u - reach, 0), x1 = std::min(u + 2 * reach, frame.get_width() - 1);
            if (x1 < area.x || x0 >= area.x + area.w) continue;
            media::Color c = shot.get_at(x, y), low{255, 255, 255}, high{0, 0, 0};
            for (int j = y0; j <= y1; ++j)
                for (int i = x0; i <= x1; ++i) {
                    media::Color a = frame.get_at(i, j);
                    low = {std::min(low.r, a.r), std::min(low.g, a.g), std::min(low.b, a.b)};
                    high = {std::max(high.r, a.r), std::max(high.g, a.g), std::max(high.b, a.b)};
                }
            auto outside = [](int value, int l, int h) { return value < l - 24 || value > h + 24; };
            ++seen;
            if (outside(c.r, low.r, high.r) || outside(c.g, low.g, high.g) || outside(c.b, low.b, high.b)) ++off;
        }
    }
    return seen ? double(off) / double(seen) : 1;
}

// The share of the shot's pixels outside `shown` that are not black (every
// other one of every other row).
double bars_not_black(const media::Surface& shot, media::Rect shown) {
    long lit = 0, seen = 0;
    for (int y = 0; y < shot.get_height(); y += 2)
        for (int x = 0; x < shot.get_width(); x += 2) {
            if (shown.collidepoint({double(x), double(y)})) continue;
            ++seen;
            media::Color c = shot.get_at(x, y);
            if (c.r > 8 || c.g > 8 || c.b > 8) ++lit;
        }
    return seen ? double(lit) / double(seen) : 0;
}

// How far a shot is from `expected` over `area`, at the frame's size or scaled.
double off_in(const Frame& frame, const media::Surface& expected, media::Rect area, media::Rect shown) {
    if (!frame.pixels.valid()) return 1;
    if (shown == kWhole) return frame.mismatch(expected, area);
    return scaled_mismatch(frame.pixels, expected, shown, area);
}

}  // namespace

media::Pos in_frame(media::Pos in_window, media::Rect shown) {
    return {(in_window.x - shown.x) * 600 / shown.w, (in_window.y - shown.y) * 680 / shown.h};
}

media::Pos pixel_showing(media::Pos in_frame, media::Rect shown) {
    return {std::floor(shown.x + in_frame.x * shown.w / 600), std::floor(shown.y + in_frame.y * shown.h / 680)};
}

media::Rect bat_area(media::Pos at) {
    int w = molvane::MOUSE_READY.get_width(), h = molvane::MOUSE_READY.get_height();
    return {int(at.x) - w / 2, int(at.y) - h / 2, w, h};
}

int hole_showing(const Frame& frame, const media::Surface& picture, media::Pos pointer, media::Rect shown) {
    for (std::size_t hole = 0; hole < molvane::POS_LIST.size(); ++hole) {
        media::Pos pos = molvane::POS_LIST[hole];
        media::Rect area{int(pos.x), int(pos.y), 200, 200};
        if (area.collidepoint(pointer)) continue;
        media::Surface expected(600, 680);
        expected.blit(picture, pos);
        if (off_in(frame, expected, area, shown) < 0.005) return int(hole);
    }
    return -1;
}

bool cries(const Frame& frame, media::Pos hole, media::Pos bat, media::Rect shown) {
    for (const media::Surface* image : {&molvane::MOUSE_HIT, &molvane::MOUSE_READY}) {
        media::Surface expected(600, 680);
        expected.blit(molvane::RABBIT_CRY, hole);
        expected.blit(*image, {bat.x - image->get_width() / 2.0, bat.y - image->get_height() / 2.0});
        if (off_in(frame, expected, {int(hole.x), int(hole.y), 200, 200}, shown) < 0.005) return true;
    }
    return false;
}

void RealWindow::SetUp() {
    harness::start_game();
    artifacts_ = fs::path(ARTIFACT_DIR) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(artifacts_);
    std::ofstream(working_.path() / "sound_hit.wav") << "the player's own recording";
    player_files_ = process::snapshot(working_.path());
}

void RealWindow::TearDown() {
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

void RealWindow::launch(const std::vector<std::string>& display_env) {
    std::vector<std::string> env{"TMPDIR=" + temporary_.path().string(), "SDL_AUDIODRIVER=disk",
                                 "SDL_DISKAUDIOFILE=" + (recording_.path() / "sound.raw").string()};
    env.insert(env.end(), display_env.begin(), display_env.end());
    for (const auto& [name, value] : process::inherited_environment()) env.push_back(name + "=" + value);
    game_ = spawn({MOLVANE_BINARY}, env, working_.path(), recording_.path() / "stderr");
}

std::string RealWindow::game_stderr() const {
    std::ifstream in(recording_.path() / "stderr");
    std::ostringstream err;
    err << in.rdbuf();
    return err.str();
}

int RealWindow::wait_for_exit(std::chrono::milliseconds limit) {
    if (const char* scale = std::getenv("MOLVANE_SANITIZER_TIME_SCALE")) limit *= std::max(1, std::atoi(scale));
    int status = 0;
    if (!wait_for([&] { return ::waitpid(game_, &status, WNOHANG) == game_; }, limit)) return -1;
    game_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void RealWindow::start() {
    launch({"DISPLAY=" + x_.name()});
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
        FAIL() << "no window titled Molvane on " << x_.name() << "; the game "
               << (ended ? "ended with status " + std::to_string(WEXITSTATUS(status)) : "still runs")
               << ", its stderr: " << game_stderr();
    }
    origin_ = {number_after(*geometry, "Absolute upper-left X:"), number_after(*geometry, "Absolute upper-left Y:")};
    size_ = {number_after(*geometry, "Width:"), number_after(*geometry, "Height:")};
}

double RealWindow::number_after(const std::string& text, const std::string& label) {
    auto at = text.find(label);
    return at == std::string::npos ? -1 : std::atof(text.c_str() + at + label.size());
}

std::optional<std::string> RealWindow::x(const std::string& command) const {
    return run("DISPLAY=" + x_.name() + " " + command + " 2>/dev/null");
}

void RealWindow::point(media::Pos at) {
    ASSERT_TRUE(
        x("xdotool mousemove " + std::to_string(origin_.x + int(at.x)) + " " + std::to_string(origin_.y + int(at.y))));
}

void RealWindow::key(const std::string& name) { ASSERT_TRUE(x("xdotool key " + name)); }

Frame RealWindow::shoot(const std::string& name) {
    // BMP: a full-HD shot is written and read back in a fraction of PNG's time.
    fs::path file = shots_.path() / (name + "-" + std::to_string(++shots_taken_) + ".bmp");
    if (!x("import -window " + window_ + " bmp3:" + file.string())) return {};
    try {
        return {media::image::load(file.string())};
    } catch (const std::exception&) {
        return {};
    }
}

double RealWindow::wait_until_shows(const std::string& name, const media::Surface& expected, media::Rect area,
                                    std::chrono::milliseconds timeout) {
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

media::Rect RealWindow::wait_until_fitted(const std::string& name, media::Pos window) {
    double scale = std::min(window.x / 600, window.y / 680);
    int w = int(600 * scale), h = int(680 * scale), left = (int(window.x) - w) / 2, top = (int(window.y) - h) / 2;
    media::Rect lit;
    bool fitted = wait_for(
        [&] {
            Frame frame = shoot(name);
            if (!frame.pixels.valid() || frame.pixels.get_width() != int(window.x) ||
                frame.pixels.get_height() != int(window.y))
                return false;
            int x0 = frame.pixels.get_width(), y0 = frame.pixels.get_height(), x1 = -1, y1 = -1;
            for (int y = 0; y < frame.pixels.get_height(); ++y)
                for (int x = 0; x < frame.pixels.get_width(); ++x)
                    if (media::Color c = frame.pixels.get_at(x, y); c.r > 8 || c.g > 8 || c.b > 8)
                        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            lit = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
            return std::max({std::abs(x0 - left), std::abs(y0 - top), std::abs(x1 + 1 - left - w),
                             std::abs(y1 + 1 - top - h)}) <= 2;
        },
        5s);
    EXPECT_TRUE(fitted) << "the frame shows at " << lit.x << ", " << lit.y << ", " << lit.w << " x " << lit.h
                        << ", not fitted to the window, centred";
    return fitted ? lit : media::Rect{0, 0, 0, 0};
}

double RealWindow::wait_until_scaled(const std::string& name, const media::Surface& expected, media::Pos window,
                                     media::Rect shown, media::Rect detail, std::chrono::milliseconds timeout) {
    double best = 1;
    wait_for(
        [&] {
            Frame frame = shoot(name);
            if (!frame.pixels.valid() || frame.pixels.get_width() != int(window.x) ||
                frame.pixels.get_height() != int(window.y))
                return false;
            double share =
                std::max({scaled_mismatch(frame.pixels, expected, shown, kWhole),
                          scaled_mismatch(frame.pixels, expected, shown, detail), bars_not_black(frame.pixels, shown)});
            if (share < best) best = share, closest_ = frame;
            return best < 0.005;
        },
        timeout);
    return best;
}

bool RealWindow::strike_a_rabbit(media::Pos bat, media::Rect shown) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        int hole = -1;
        wait_for([&] { return (hole = hole_showing(shoot("play"), molvane::RABBIT_POSE, bat, shown)) >= 0; }, 10s);
        if (hole < 0) return ADD_FAILURE() << "no rabbit came up to strike", false;
        media::Pos pos = molvane::POS_LIST[std::size_t(hole)],
                   middle = pixel_showing({pos.x + 100, pos.y + 100}, shown);
        point(middle);
        if (!x("xdotool click 1")) return false;
        bat = in_frame(middle, shown);
        if (wait_for([&] { return cries(shoot("strike"), pos, bat, shown); }, 3s)) return true;
    }
    return false;
}

void RealWindow::measure_window() {
    auto geometry = x("xwininfo -id " + window_);
    if (!geometry) return;
    origin_ = {number_after(*geometry, "Absolute upper-left X:"), number_after(*geometry, "Absolute upper-left Y:")};
    size_ = {number_after(*geometry, "Width:"), number_after(*geometry, "Height:")};
}

int RealWindow::close_request(std::chrono::milliseconds limit, std::chrono::milliseconds* took) {
    auto sent = Clock::now();
    if (!x(std::string(XWIN_HELPER) + " close " + window_)) {
        // No window to send it to: say how the game ended, if it did.
        int status = 0;
        if (::waitpid(game_, &status, WNOHANG) == game_) {
            game_ = -1;
            ADD_FAILURE() << "the game had ended before the close request: "
                          << (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                                  : "status " + std::to_string(WEXITSTATUS(status)));
        }
        return -2;
    }
    int status = wait_for_exit(limit);
    if (took) *took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
    return status;
}

std::vector<float> RealWindow::recording() const {
    std::ifstream in(recording_.path() / "sound.raw", std::ios::binary);
    std::vector<float> mono;
    std::int16_t frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) mono.push_back(float(frame[0]) + frame[1]);
    return mono;
}

}  // namespace real_window
