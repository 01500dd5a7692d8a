// The ball rules: the contact test, the rebound off the top and bottom edges,
// and the match's miss check with its serve.
#include "harness.h"

namespace {

// ---------------------------------------------------------------------------
// Contact test: 1 means NO contact.
// ---------------------------------------------------------------------------

struct ContactCase {
    const char *name;
    Sint16 rx, ry;   // the rectangle's corner
    Uint16 rw, rh;   // its size, which must not matter
    int bx, by;      // the ball
    int expected;
    friend void PrintTo(const ContactCase &c, std::ostream *os) { *os << c.name; }
};

const ContactCase kContactCases[] = {
    // A paddle at its start height: box x -5 ... 10, y 85 ... 150.
    {"corner_far", 0, 90, 10, 60, 10, 150, 0},
    {"corner_near", 0, 90, 10, 60, -5, 85, 0},
    {"right_of_box", 0, 90, 10, 60, 11, 150, 1},
    {"below_box", 0, 90, 10, 60, 10, 151, 1},
    {"left_of_box", 0, 90, 10, 60, -6, 85, 1},
    {"above_box", 0, 90, 10, 60, -5, 84, 1},
    {"middle", 0, 90, 10, 60, 3, 120, 0},
    // The size of the rectangle is ignored.
    {"size_ignored_small", 0, 90, 1, 1, 10, 150, 0},
    {"size_ignored_empty", 0, 90, 0, 0, 10, 150, 0},
    // A rectangle never drawn: box x -5 ... 10, y -5 ... 60; the serve spot
    // (10, 10) lies inside it.
    {"undrawn_start_ball", 0, 0, 0, 0, 10, 10, 0},
    {"undrawn_bottom_edge", 0, 0, 0, 0, 10, 60, 0},
    {"undrawn_below", 0, 0, 0, 0, 10, 61, 1},
    // The right paddle in the match: box x 305 ... 320.
    {"right_paddle_near", 310, 90, 10, 60, 305, 100, 0},
    {"right_paddle_far", 310, 90, 10, 60, 320, 100, 0},
    {"right_paddle_short", 310, 90, 10, 60, 304, 100, 1},
    // Negative corners are sign-extended: box x -25 ... -10, y -25 ... 40.
    {"negative_inside", -20, -20, 10, 60, -10, 40, 0},
    {"negative_below", -20, -20, 10, 60, -10, 41, 1},
    {"negative_right", -20, -20, 10, 60, -9, 40, 1},
    // The lowest paddle: box y 195 ... 260.
    {"low_paddle_inside", 0, 200, 10, 40, 0, 240, 0},
    {"low_paddle_above", 0, 200, 10, 40, 0, 194, 1},
};

class ContactTest : public GameTest, public ::testing::WithParamInterface<ContactCase> {};

TEST_P(ContactTest, ReturnsOneOutsideTheBox)
{
    const ContactCase &c = GetParam();
    move = ball_state{c.bx, c.by, 1, -1};
    const ball_state before = move;
    EXPECT_EQ(collision(SDL_Rect{c.rx, c.ry, c.rw, c.rh}), c.expected);
    EXPECT_EQ(move.x, before.x);  // the test changes nothing
    EXPECT_EQ(move.dx, before.dx);
}

INSTANTIATE_TEST_SUITE_P(Box, ContactTest, ::testing::ValuesIn(kContactCases),
                         [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Vertical rebound, applied by the match's frame after the move.
// ---------------------------------------------------------------------------

struct ReboundCase {
    int y, dy;        // before the frame
    int drawn_y;      // where the frame draws the ball
    int dy_after;
    friend void PrintTo(const ReboundCase &c, std::ostream *os)
    {
        *os << "y " << c.y << " dy " << c.dy;
    }
};

const ReboundCase kReboundCases[] = {
    {239, 1, 240, -1},  // reaches the bottom: turns
    {238, 1, 239, 1},   // one short of it
    {1, -1, 0, 1},      // reaches the top: turns
    {2, -1, 1, -1},     // one short of it
    {0, 1, 1, 1},       // leaving the top
    {240, -1, 239, -1}, // leaving the bottom
};

class ReboundTest : public GameTest, public ::testing::WithParamInterface<ReboundCase> {};

TEST_P(ReboundTest, TurnsAtTheTopAndBottomEdges)
{
    const ReboundCase &c = GetParam();
    move = ball_state{100, c.y, 1, c.dy};
    draw_ball();
    EXPECT_EQ(move.y, c.drawn_y);
    EXPECT_EQ(move.dy, c.dy_after);
    EXPECT_EQ(move.x, 101);
    EXPECT_EQ(move.dx, 1);
    EXPECT_EQ(ball_positions(trace()), (std::vector<Pos>{{101, c.drawn_y}}));
}

INSTANTIATE_TEST_SUITE_P(Edges, ReboundTest, ::testing::ValuesIn(kReboundCases));

// ---------------------------------------------------------------------------
// Miss check and serve.
// ---------------------------------------------------------------------------

struct OutCase {
    int x;
    bool serves;
    friend void PrintTo(const OutCase &c, std::ostream *os) { *os << "x " << c.x; }
};

const OutCase kOutCases[] = {
    {315, true}, {316, true}, {0, true}, {-1, true},
    {314, false}, {1, false}, {155, false},
};

class OutTest : public GameTest, public ::testing::WithParamInterface<OutCase> {};

TEST_P(OutTest, ServesFromTheMiddleAfterAPause)
{
    const OutCase &c = GetParam();
    for (int dx : {1, -1}) {
        trace_clear();
        move = ball_state{c.x, 77, dx, -1};
        out();
        const std::vector<Call> t = trace();
        if (c.serves) {
            ASSERT_EQ(t.size(), 1u);
            EXPECT_EQ(t[0].kind, Call::kDelay);
            EXPECT_EQ(t[0].ms, 1500u);
            EXPECT_EQ(move.x, 155);
            EXPECT_EQ(move.y, 115);
        } else {
            EXPECT_TRUE(t.empty());
            EXPECT_EQ(move.x, c.x);
            EXPECT_EQ(move.y, 77);
        }
        // A serve keeps the ball's direction.
        EXPECT_EQ(move.dx, dx);
        EXPECT_EQ(move.dy, -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, OutTest, ::testing::ValuesIn(kOutCases));

// ---------------------------------------------------------------------------
// One frame of the match, drawn in order.
// ---------------------------------------------------------------------------

using FrameTest = GameTest;

TEST_F(FrameTest, DrawBallDrawsInOrderAndPausesBeforeTheBall)
{
    L.y = 115;
    R.y = 40;
    draw_ball();
    const std::vector<Call> t = trace();
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0].image, 'G');
    EXPECT_TRUE(t[0].whole);
    EXPECT_EQ(t[1].image, 'L');
    EXPECT_EQ((Pos{t[1].x, t[1].y}), (Pos{0, 115}));
    EXPECT_EQ(t[2].image, 'R');
    EXPECT_EQ((Pos{t[2].x, t[2].y}), (Pos{310, 40}));
    EXPECT_EQ(t[3].kind, Call::kDelay);
    EXPECT_EQ(t[3].ms, 3u);
    EXPECT_EQ((Pos{t[3].ball_at.x, t[3].ball_at.y}), (Pos{11, 11}));
    EXPECT_EQ(t[4].image, 'O');
    EXPECT_EQ((Pos{t[4].x, t[4].y}), (Pos{11, 11}));
    EXPECT_EQ(R.x, 310);
    // The rectangles hold what SDL wrote back: the drawn size.
    EXPECT_EQ(BAR_L.w, 10);
    EXPECT_EQ(BAR_L.h, 60);
}

}  // namespace
