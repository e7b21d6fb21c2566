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

double scaled_mismatch(const media::Surface& shot, const media::Surface& frame, media::Rect shown, media::Rect area) {
    long off = 0, seen = 0;
    double sx = double(frame.get_width()) / shown.w, sy = double(frame.get_height()) / shown.h;
    auto clamp = [](int v, int size) { return std::clamp(v, 0, size - 1); };
    // Every other pixel of every other row: a quarter of them is plenty.
    for (int y = shown.y; y < shown.y + shown.h; y += 2) {
        double v = (y - shown.y + 0.5) * sy - 0.5;
        int y0 = clamp(int(std::floor(v)), frame.get_height()), y1 = clamp(y0 + 1, frame.get_height());
        if (y1 < area.y || y0 >= area.y + area.h) continue;
        for (int x = shown.x; x < shown.x + shown.w; x += 2) {
            double u = (x - shown.x + 0.5) * sx - 0.5;
            int x0 = clamp(int(std::floor(u)), frame.get_width()), x1 = clamp(x0 + 1, frame.get_width());
            if (x1 < area.x || x0 >= area.x + area.w) continue;
            media::Color c = shot.get_at(x, y);
            media::Color around[4] = {frame.get_at(x0, y0), frame.get_at(x1, y0), frame.get_at(x0, y1),
                                      frame.get_at(x1, y1)};
            auto outside = [&](auto channel) {
                int low = 255, high = 0;
                for (const media::Color& a : around) low = std::min(low, channel(a)), high = std::max(high, channel(a));
                return channel(c) < low - 24 || channel(c) > high + 24;
            };
            ++seen;
            if (outside([](const media::Color& k) { return int(k.r); }) ||
                outside([](const media::Color& k) { return int(k.g); }) ||
                outside([](const media::Color& k) { return int(k.b); }))
                ++off;
        }
    }
    return seen ? double(off) / double(seen) : 1;
}

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

int hole_showing(const Frame& frame, const media::Surface& picture, media::Pos pointer) {
    for (std::size_t hole = 0; hole < molvane::POS_LIST.size(); ++hole) {
        media::Pos pos = molvane::POS_LIST[hole];
        media::Rect area{int(pos.x), int(pos.y), 200, 200};
        if (area.collidepoint(pointer)) continue;
        media::Surface expected(600, 680);
        expected.blit(picture, pos);
        if (frame.mismatch(expected, area) < 0.005) return int(hole);
    }
    return -1;
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

double RealWindow::wait_until_scaled(const std::string& name, const media::Surface& expected, media::Pos window,
                                     media::Rect shown, std::chrono::milliseconds timeout, media::Rect area) {
    double best = 1;
    wait_for(
        [&] {
            Frame frame = shoot(name);
            if (!frame.pixels.valid() || frame.pixels.get_width() != int(window.x) ||
                frame.pixels.get_height() != int(window.y))
                return false;
            double share =
                std::max(scaled_mismatch(frame.pixels, expected, shown, area), bars_not_black(frame.pixels, shown));
            if (share < best) best = share, closest_ = frame;
            return best < 0.005;
        },
        timeout);
    return best;
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
