// The bat: which picture it shows, and how it is centred on the pointer.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

#include "harness.hpp"
#include "shell/game_state.hpp"

namespace {

using media::testing::DrawRecord;
using molvane::Bat;

class BatTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness::start_game();
        saved_ready_ = molvane::MOUSE_READY;
        saved_hit_ = molvane::MOUSE_HIT;
    }
    void TearDown() override {
        molvane::MOUSE_READY = saved_ready_;
        molvane::MOUSE_HIT = saved_hit_;
    }

    // Moves the pointer: one fetch of events with the pointer at `where`.
    void point_at(media::Pos where) {
        script_.pointer_at(script_.fetches() + 1, where);
        media::event::get();
    }

    // Draws `bat` in `state` and returns what that drew on the window.
    static DrawRecord draw(Bat& bat, int state) {
        std::size_t before = media::testing::draws_since_flip().size();
        bat.update(molvane::SCREEN, state);
        const auto& draws = media::testing::draws_since_flip();
        EXPECT_EQ(draws.size(), before + 1);
        return draws.back();
    }

    harness::Script script_;

private:
    media::Surface saved_ready_;
    media::Surface saved_hit_;
};

TEST_F(BatTest, RestsAtZeroAndStrikesOtherwiseCentredByTheRestingPicture) {
    using namespace molvane;
    point_at({300, 400});
    Bat& shipped = *bat;
    int w = MOUSE_READY.get_width();
    int h = MOUSE_READY.get_height();
    EXPECT_EQ(shipped.width, w);
    EXPECT_EQ(shipped.height, h);
    DrawRecord rest = draw(shipped, 0);
    EXPECT_EQ(rest.label, "image_ready.png");
    EXPECT_EQ(rest.x, int(std::floor(300 - w / 2.0)));
    EXPECT_EQ(rest.y, int(std::floor(400 - h / 2.0)));
    for (int state : {1, 2, -1}) {
        SCOPED_TRACE(state);
        EXPECT_EQ(draw(shipped, state), (DrawRecord{"image_hit.png", rest.x, rest.y}));
    }
    EXPECT_EQ(draw(shipped, 0).label, "image_ready.png");
}

TEST_F(BatTest, CentresOnThePointerWithTheRestingPictureSize) {
    using namespace molvane;
    MOUSE_READY = media::Surface(40, 30);
    MOUSE_HIT = media::Surface(60, 50);  // the striking picture's own size plays no part
    point_at({100, 60});
    Bat made;
    EXPECT_EQ(made.x, 80);
    EXPECT_EQ(made.y, 45);
    EXPECT_EQ(draw(made, 0), (DrawRecord{"surface 40x30", 80, 45}));
    EXPECT_EQ(draw(made, 1), (DrawRecord{"surface 60x50", 80, 45}));

    point_at({350, 200});
    EXPECT_EQ(draw(made, 0), (DrawRecord{"surface 40x30", 330, 185}));
    EXPECT_EQ(made.x, 330);
    EXPECT_EQ(made.y, 185);
    EXPECT_EQ(made.corner, (media::Pos{330, 185}));
}

TEST_F(BatTest, HalfPixelsAreKeptAndDrawnRoundedDown) {
    using namespace molvane;
    MOUSE_READY = media::Surface(41, 31);
    point_at({100, 60});
    Bat made;
    EXPECT_EQ(made.x, 79.5);
    EXPECT_EQ(made.y, 44.5);
    EXPECT_EQ(draw(made, 0), (DrawRecord{"surface 41x31", 79, 44}));

    // Below zero, down is away from zero.
    point_at({0, 0});
    EXPECT_EQ(draw(made, 0), (DrawRecord{"surface 41x31", -21, -16}));
    EXPECT_EQ(made.x, -20.5);
    EXPECT_EQ(made.y, -15.5);
}

TEST_F(BatTest, AtTheWindowEdgeThePartInsideShowsUnclamped) {
    using namespace molvane;
    // A 40 x 30 picture with something to see: a piece of the rabbit.
    media::Surface piece(40, 30);
    piece.blit(RABBIT_POSE, {-80, -80});
    MOUSE_READY = piece;
    auto black = media::Color{};
    int coloured = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) coloured += piece.get_at(x, y) != black;
    ASSERT_GT(coloured, 600);

    point_at({0, 0});
    Bat made;
    SCREEN.blit(media::Surface(600, 680), {0, 0});
    EXPECT_EQ(draw(made, 0), (DrawRecord{"surface 40x30", -20, -15}));
    EXPECT_EQ(made.x, -20);
    EXPECT_EQ(made.y, -15);
    int wrong = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) wrong += SCREEN.get_at(x, y) != piece.get_at(x + 20, y + 15);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(SCREEN.get_at(20, 0), black);
    EXPECT_EQ(SCREEN.get_at(0, 15), black);

    point_at({600, 680});
    SCREEN.blit(media::Surface(600, 680), {0, 0});
    EXPECT_EQ(draw(made, 0), (DrawRecord{"surface 40x30", 580, 665}));
    wrong = 0;
    for (int y = 665; y < 680; ++y)
        for (int x = 580; x < 600; ++x) wrong += SCREEN.get_at(x, y) != piece.get_at(x - 580, y - 665);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(SCREEN.get_at(579, 679), black);
}

}  // namespace
