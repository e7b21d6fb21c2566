// The rabbit in each hole: its picks and their odds at every level, how long
// each phase lasts, and what a strike and a clear do.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <utility>

#include "harness.hpp"
#include "media/display.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"

namespace {

using molvane::Rabbit;

// Everything a rabbit holds, to compare before and after.
std::string look(const Rabbit& r) {
    return r.state + ", count " + std::to_string(r.count) + ", lock " + std::to_string(r.lock) + ", " + r.image.label();
}

void put(Rabbit& r, const std::string& state, const media::Surface& image, int count, int lock) {
    r.state = state;
    r.image = image;
    r.count = count;
    r.lock = lock;
}

// The window shows `picture` with its corner at `at`, judged on a grid of pixels.
bool shows(const media::Surface& picture, media::Pos at) {
    for (int y = 0; y < picture.get_height(); y += 10)
        for (int x = 0; x < picture.get_width(); x += 10)
            if (molvane::SCREEN.get_at(int(at.x) + x, int(at.y) + y) != picture.get_at(x, y)) return false;
    return true;
}

const std::vector<media::testing::SoundRecord>& trace() { return media::testing::sound_trace(); }
using Names = std::vector<std::string>;

class RabbitTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness::start_game();
        media::display::flip();  // forget what earlier tests drew
    }

    // Replays `setup` and then `step` with the seeds 1, 2, ... until the step
    // leaves the rabbit in `wanted`; the sound trace then holds that step's
    // sounds alone. False when no seed up to 2000 gives it.
    bool seed_until(Rabbit& r, const std::string& wanted, const std::function<void()>& setup,
                    const std::function<void()>& step) {
        for (std::uint32_t seed = 1; seed <= 2000; ++seed) {
            setup();
            molvane::seed_random(seed);
            media::testing::clear_sound_trace();
            step();
            if (r.state == wanted) return true;
        }
        return false;
    }

    // The game starts before the fixture's rabbit is made: it needs the pictures.
    bool started_ = (harness::start_game(), true);
    Rabbit rabbit{molvane::POS_LIST[4]};
};

// ---- Picks and phases ------------------------------------------------------

TEST_F(RabbitTest, PoseThatRunsOutTurnsCoolAtOnceAndCostsALife) {
    using namespace molvane;
    struct Case {
        int heart_before;
        Names sounds;
    };
    for (const Case& c :
         {Case{3, {"sound_cool.wav"}}, Case{1, {"sound_cool.wav", "sound_danger.wav"}}, Case{0, {"sound_cool.wav"}}}) {
        SCOPED_TRACE("HEART " + std::to_string(c.heart_before));
        HEART = c.heart_before;
        put(rabbit, "pose", RABBIT_POSE, 0, 1);
        media::testing::clear_sound_trace();
        rabbit.update();
        EXPECT_EQ(rabbit.state, "cool");
        EXPECT_EQ(rabbit.image, RABBIT_COOL);
        EXPECT_EQ(media::testing::draws_since_flip().back(), (media::testing::DrawRecord{"image_cool.jpg", 200, 280}));
        EXPECT_EQ(rabbit.lock, 1);
        EXPECT_GE(rabbit.count, 30 - 1);  // a reaction length, stepped once
        EXPECT_LE(rabbit.count, 75 - 1);
        EXPECT_EQ(HEART, c.heart_before - 1);
        EXPECT_EQ(harness::sounds("play"), c.sounds);
        EXPECT_EQ(trace().size(), c.sounds.size());
    }
}

TEST_F(RabbitTest, EmptyHeartAndCoolAtZeroStartANewPhaseAndPickNext) {
    using namespace molvane;
    LEVEL = 3;
    struct Case {
        const char* state;
        media::Surface image;
    };
    for (const Case& c : {Case{"empty", RABBIT_EMPTY}, Case{"heart", RABBIT_HEART}, Case{"cool", RABBIT_COOL}}) {
        SCOPED_TRACE(c.state);
        HEART = 2;
        put(rabbit, c.state, c.image, 0, 1);
        media::testing::clear_sound_trace();
        rabbit.update();
        EXPECT_EQ(rabbit.state, c.state);  // a heart rabbit that hides costs nothing
        EXPECT_EQ(rabbit.image, c.image);
        EXPECT_EQ(rabbit.lock, 0);
        EXPECT_GE(rabbit.count, 54 - 1);  // a phase at level 3: 54..132 frames, stepped once
        EXPECT_LE(rabbit.count, 132 - 1);
        EXPECT_EQ(HEART, 2);
        EXPECT_TRUE(trace().empty());

        // The next update picks: with some seed it is a rabbit.
        const int phase = rabbit.count;
        EXPECT_TRUE(seed_until(
            rabbit, "pose", [&] { put(rabbit, c.state, c.image, phase, 0); }, [&] { rabbit.update(); }));
        EXPECT_EQ(rabbit.count, phase - 1);
    }
}

TEST_F(RabbitTest, PoseShowsOneFrameLessThanItsPhaseAndCoolOneMoreThanItsReaction) {
    using namespace molvane;
    for (int level : {0, 5, 9}) {
        SCOPED_TRACE("level " + std::to_string(level));
        LEVEL = level;
        HEART = 3;
        int phase = 0;
        // A new phase starts, and the pick in the next frame is a rabbit.
        ASSERT_TRUE(seed_until(
            rabbit, "pose", [&] { put(rabbit, "empty", RABBIT_EMPTY, 0, 1); },
            [&] {
                rabbit.update();
                phase = rabbit.count + 1;
                rabbit.update();
            }));
        int pose_frames = 1;
        for (rabbit.update(); rabbit.state == "pose" && pose_frames < 1000; rabbit.update()) ++pose_frames;
        EXPECT_EQ(pose_frames, phase - 1);

        ASSERT_EQ(rabbit.state, "cool");
        int reaction = rabbit.count + 1;
        int cool_frames = 1;
        for (rabbit.update(); rabbit.image == RABBIT_COOL && cool_frames < 1000; rabbit.update()) ++cool_frames;
        EXPECT_EQ(cool_frames, reaction + 1);
        EXPECT_EQ(HEART, 2);
    }
}

// ---- Strikes and clears ----------------------------------------------------

// A struck rabbit cries for exactly the frames counted; its crying picture
// stays through the new phase that follows, until the next pick.
TEST_F(RabbitTest, StrikeOnARabbitOrAHeartMakesItCryAndAHeartGivesALifeUpToFive) {
    using namespace molvane;
    LEVEL = 0;
    struct Case {
        const char* state;
        media::Surface image;
        int heart_before;
        int heart_after;
        Names sounds;
    };
    for (const Case& c : {Case{"pose", RABBIT_POSE, 3, 3, {"sound_hurt.wav"}},
                          Case{"heart", RABBIT_HEART, 4, 5, {"sound_hurt.wav", "sound_addlife.mp3"}},
                          Case{"heart", RABBIT_HEART, 5, 5, {"sound_hurt.wav"}}}) {
        SCOPED_TRACE(std::string(c.state) + " at HEART " + std::to_string(c.heart_before));
        HEART = c.heart_before;
        put(rabbit, c.state, c.image, 25, 1);
        media::testing::clear_sound_trace();
        rabbit.hit();
        EXPECT_EQ(rabbit.state, "cry");
        EXPECT_EQ(rabbit.image, RABBIT_CRY);
        EXPECT_GE(rabbit.count, 30);
        EXPECT_LE(rabbit.count, 75);
        EXPECT_EQ(rabbit.lock, 1);
        EXPECT_EQ(HEART, c.heart_after);
        EXPECT_EQ(harness::sounds("play"), c.sounds);
        EXPECT_EQ(trace().size(), c.sounds.size());

        int counted = rabbit.count;
        int cry_frames = 0;
        for (rabbit.update(); rabbit.state == "cry" && cry_frames < 1000; rabbit.update()) ++cry_frames;
        EXPECT_EQ(cry_frames, counted);
        EXPECT_EQ(rabbit.state, "empty");
        EXPECT_EQ(media::testing::draws_since_flip().back(), (media::testing::DrawRecord{"image_cry.jpg", 200, 280}));
        EXPECT_EQ(rabbit.lock, 1);
        EXPECT_GE(rabbit.count, 60 - 1);  // a phase at level 0, stepped once
        EXPECT_LE(rabbit.count, 150 - 1);
        for (int left = rabbit.count; left >= 0; --left) rabbit.update();
        EXPECT_EQ(rabbit.image, RABBIT_CRY);
        EXPECT_EQ(rabbit.lock, 0);
        rabbit.update();
        EXPECT_EQ(rabbit.lock, 1);
        EXPECT_NE(rabbit.image, RABBIT_CRY);
    }
}

TEST_F(RabbitTest, StrikeOnEmptyCryingOrCoolChangesNothing) {
    using namespace molvane;
    struct Case {
        const char* state;
        media::Surface image;
        int lock;
    };
    for (const Case& c : {Case{"empty", RABBIT_EMPTY, 1}, Case{"empty", RABBIT_EMPTY, 0}, Case{"empty", RABBIT_CRY, 1},
                          Case{"cry", RABBIT_CRY, 1}, Case{"cool", RABBIT_COOL, 1}}) {
        SCOPED_TRACE(std::string(c.state) + " showing " + c.image.label());
        HEART = 3;
        put(rabbit, c.state, c.image, 17, c.lock);
        std::string before = look(rabbit);
        media::testing::clear_sound_trace();
        rabbit.hit();
        rabbit.hit();
        EXPECT_EQ(look(rabbit), before);
        EXPECT_EQ(HEART, 3);
        EXPECT_TRUE(trace().empty());
    }
}

TEST_F(RabbitTest, ClearShowsTheEmptyHoleAtOnceAndThePickFollows) {
    using namespace molvane;
    for (const auto& [state, image] : {std::pair{"cry", RABBIT_CRY}, std::pair{"cool", RABBIT_COOL}}) {
        SCOPED_TRACE(state);
        put(rabbit, state, image, 20, 1);
        SCREEN.blit(image, rabbit.pos);
        ASSERT_FALSE(shows(RABBIT_EMPTY, rabbit.pos));
        media::display::flip();
        rabbit.clear();
        EXPECT_EQ(rabbit.state, "empty");
        EXPECT_EQ(rabbit.image, RABBIT_EMPTY);
        EXPECT_EQ(media::testing::draws_since_flip(),
                  (std::vector<media::testing::DrawRecord>{{"image_empty.jpg", 200, 280}}));
        EXPECT_TRUE(shows(RABBIT_EMPTY, rabbit.pos));

        const int phase = rabbit.count;
        EXPECT_TRUE(seed_until(
            rabbit, "pose", [&] { put(rabbit, "empty", RABBIT_EMPTY, phase, 0); }, [&] { rabbit.update(); }));
    }
}

// ---- Odds and lengths, level by level ---------------------------------------

class RabbitAtLevel : public RabbitTest, public ::testing::WithParamInterface<int> {};

// Empty holes against one rabbit in a pick, level by level: the board fills
// up as the levels go by.
constexpr int kEmptyWeight[10] = {5, 5, 4, 4, 3, 3, 2, 2, 1, 1};

// One pick from an empty hole: which state it left, and whether it was made
// as a pick must be (one pop for a rabbit or a heart, nothing else, the new
// phase locked and counting, the picture drawn in its hole).
std::string pick_once(molvane::Rabbit& rabbit) {
    using namespace molvane;
    put(rabbit, "empty", RABBIT_EMPTY, 50, 0);
    media::testing::clear_sound_trace();
    rabbit.update();
    bool popped_once = trace().size() == 1 && trace()[0].sound == "sound_pop.wav" && trace()[0].action == "play";
    // The pick is drawn in its own frame.
    bool ok = rabbit.lock == 1 && rabbit.count == 49 &&
              media::testing::draws_since_flip().back() == media::testing::DrawRecord{rabbit.image.label(), 200, 280};
    if (rabbit.state == "pose")
        ok = ok && rabbit.image == RABBIT_POSE && popped_once;
    else if (rabbit.state == "heart")
        ok = ok && rabbit.image == RABBIT_HEART && popped_once;
    else
        ok = ok && rabbit.state == "empty" && rabbit.image == RABBIT_EMPTY && trace().empty();
    return ok ? rabbit.state : "wrong: " + look(rabbit);
}

// Each pick, draw for draw: a number from 0 to k, k of them empty holes and
// one a rabbit, then a 1 in 100 heart in place of either. The same draws are
// made here from a generator of the same seed.
TEST_P(RabbitAtLevel, EachPickTakesKEmptyHolesAndOneRabbitThenAOneInAHundredHeart) {
    using namespace molvane;
    const int level = GetParam();
    const int k = kEmptyWeight[level];
    LEVEL = level;
    seed_random(1000 + level);
    std::mt19937 same(1000 + level);
    std::map<std::string, int> seen;
    for (int pick = 0; pick < 2000; ++pick) {
        int hole = std::uniform_int_distribution<int>(0, k)(same);
        bool heart = std::uniform_int_distribution<int>(1, 100)(same) == 55;
        std::string expected = heart ? "heart" : hole < k ? "empty" : "pose";
        std::string got = pick_once(rabbit);
        ASSERT_EQ(got, expected) << "pick " << pick;
        ++seen[got];
    }
    EXPECT_EQ(seen.size(), 3u) << "every outcome came up";
}

// The smallest and largest of many draws, and how many different values came.
std::string span(const std::set<int>& seen) {
    if (seen.empty()) return "none";
    return std::to_string(*seen.begin()) + ".." + std::to_string(*seen.rbegin()) + " with " +
           std::to_string(seen.size()) + " values";
}

std::string range(int low, int high) {
    std::set<int> all;
    for (int value = low; value <= high; ++value) all.insert(value);
    return span(all);
}

TEST_P(RabbitAtLevel, PhaseReactionAndFirstCountSpanTheirWholeRanges) {
    using namespace molvane;
    const int level = GetParam();
    LEVEL = level;
    seed_random(77 + level);
    std::set<int> phase, cry, cool, first;
    for (int draw = 0; draw < 4000; ++draw) {
        put(rabbit, "empty", RABBIT_EMPTY, 0, 1);
        rabbit.update();
        phase.insert(rabbit.count + 1);

        put(rabbit, "pose", RABBIT_POSE, 10, 1);
        rabbit.hit();
        cry.insert(rabbit.count);

        HEART = 3;
        put(rabbit, "pose", RABBIT_POSE, 0, 1);
        rabbit.update();
        cool.insert(rabbit.count + 1);

        first.insert(Rabbit(POS_LIST[0]).count);
        if (draw % 1000 == 0) media::display::flip();
    }
    EXPECT_EQ(span(phase), range(60 - 2 * level, 150 - 6 * level));
    EXPECT_EQ(span(cry), range(30, 75));
    EXPECT_EQ(span(cool), range(30, 75));
    EXPECT_EQ(span(first), range(60 - 3 * level, 150 - 6 * level));
}

INSTANTIATE_TEST_SUITE_P(Levels, RabbitAtLevel, ::testing::Range(0, 10), [](const ::testing::TestParamInfo<int>& info) {
    return "Level" + std::to_string(info.param);
});

}  // namespace
