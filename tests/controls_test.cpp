// The play keys: paddle steps and limits, several presses in a frame, the
// events that are ignored, and Space as a real exit.
#include "harness.h"

#include <set>

namespace {

// Which paddle, and its two keys.
struct Side {
    const char *name;
    paddle_pos *paddle;
    SDLKey up, down;
    friend void PrintTo(const Side &c, std::ostream *os) { *os << c.name; }
};

const Side kSides[] = {
    {"left", &L, SDLK_q, SDLK_a},
    {"right", &R, SDLK_UP, SDLK_DOWN},
};

// A run of presses of one key from a start height, one press per frame, and
// the height after each press.
struct StepCase {
    const char *name;
    int start;
    bool down;
    std::vector<int> after_each;
    friend void PrintTo(const StepCase &c, std::ostream *os) { *os << c.name; }
};

const StepCase kStepCases[] = {
    // Down from the start value overshoots 180, and the next press puts it back.
    {"down_from_start", 90, true, {115, 140, 165, 190, 180}},
    {"down_from_top", 0, true, {25, 50, 75, 100, 125, 150, 175, 200, 180}},
    // Up overshoots 0 the same way.
    {"up_from_start", 90, false, {65, 40, 15, -10, 0}},
    {"up_from_bottom", 180, false, {155, 130, 105, 80, 55, 30, 5, -20, 0}},
    // At a limit a press can move a paddle against its key's direction.
    {"down_at_190", 190, true, {180}},
    {"down_at_200", 200, true, {180}},
    {"up_at_minus_10", -10, false, {0}},
    {"up_at_minus_20", -20, false, {0}},
    // On the limit a press changes nothing.
    {"down_at_180", 180, true, {180, 180}},
    {"up_at_0", 0, false, {0, 0}},
};

class StepTest : public GameTest,
                 public ::testing::WithParamInterface<std::tuple<Side, StepCase>> {};

TEST_P(StepTest, MovesOneStepWithinTheLimits)
{
    const Side &side = std::get<0>(GetParam());
    const StepCase &c = std::get<1>(GetParam());
    paddle_pos *other = side.paddle == &L ? &R : &L;
    side.paddle->y = c.start;
    for (size_t i = 0; i < c.after_each.size(); ++i) {
        push_key(c.down ? side.down : side.up);
        input();
        EXPECT_EQ(side.paddle->y, c.after_each[i]) << "after press " << i + 1;
    }
    EXPECT_EQ(side.paddle->x, 0);
    EXPECT_EQ(other->y, 90);  // the other paddle never moves
}

INSTANTIATE_TEST_SUITE_P(Paddles, StepTest,
                         ::testing::Combine(::testing::ValuesIn(kSides),
                                            ::testing::ValuesIn(kStepCases)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

using InputTest = GameTest;

// Every height a paddle can reach from its start, one press at a time.
TEST_F(InputTest, ReachableHeightsFromTheStart)
{
    std::set<int> seen{90}, todo{90};
    while (!todo.empty()) {
        const int from = *todo.begin();
        todo.erase(todo.begin());
        for (SDLKey key : {SDLK_q, SDLK_a}) {
            L.y = from;
            push_key(key);
            input();
            if (seen.insert(L.y).second)
                todo.insert(L.y);
        }
    }
    const std::set<int> expected{-20, -10, 0,   5,   15,  25,  30,  40,  50,
                                 55,  65,  75,  80,  90,  100, 105, 115, 125,
                                 130, 140, 150, 155, 165, 175, 180, 190, 200};
    EXPECT_EQ(seen, expected);
}

TEST_F(InputTest, SeveralPressesInOneFrameAllTakeEffect)
{
    for (SDLKey k : {SDLK_a, SDLK_a, SDLK_a, SDLK_DOWN, SDLK_q, SDLK_UP, SDLK_UP})
        push_key(k);
    input();
    EXPECT_EQ(L.y, 140);  // 90 + 3 * 25 - 25
    EXPECT_EQ(R.y, 65);   // 90 + 25 - 2 * 25
    EXPECT_TRUE(queue_empty());
}

// Keys are matched by symbol, whatever the modifiers.
TEST_F(InputTest, ModifiersMakeNoDifference)
{
    push_key(SDLK_q, KMOD_LSHIFT);
    push_key(SDLK_a, static_cast<SDLMod>(KMOD_CAPS | KMOD_RSHIFT));
    push_key(SDLK_a, KMOD_CAPS);
    push_key(SDLK_DOWN, KMOD_LCTRL);
    input();
    EXPECT_EQ(L.y, 115);
    EXPECT_EQ(R.y, 115);
}

TEST_F(InputTest, IgnoresReleasesOtherKeysAndTheCloseRequest)
{
    push_key(SDLK_a, KMOD_NONE, SDL_KEYUP);
    push_key(SDLK_SPACE, KMOD_NONE, SDL_KEYUP);  // releasing Space does not quit
    push_key(SDLK_b);
    push_key(SDLK_y);
    push_key(SDLK_ESCAPE);
    push_key(SDLK_w);
    push_key(SDLK_s);
    push_event_of_type(SDL_QUIT);
    push_event_of_type(SDL_MOUSEBUTTONDOWN);
    push_event_of_type(SDL_ACTIVEEVENT);
    input();
    EXPECT_EQ(L.y, 90);
    EXPECT_EQ(R.y, 90);
    EXPECT_TRUE(queue_empty());
}

using InputDeathTest = GameTest;

TEST_F(InputDeathTest, SpaceEndsTheProcessWithStatusZero)
{
    push_key(SDLK_a);
    push_key(SDLK_SPACE);
    EXPECT_EXIT(input(), ::testing::ExitedWithCode(0), "");
}

TEST_F(InputDeathTest, SpaceEndsTheGameEvenAfterTheCloseRequest)
{
    push_event_of_type(SDL_QUIT);
    push_key(SDLK_SPACE, KMOD_LSHIFT);
    EXPECT_EXIT(input(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
