// The two play loops, run frame by frame in a child process that Space ends.
// Expected trajectories are worked out by hand from the rules: the ball moves
// one pixel per axis per frame; where it turns, shakes or is served is what
// these tests pin down.
#include "harness.h"

#include <algorithm>

namespace {

// Runs a loop with a script in a child; returns the child's trace.
#define RUN(loop, script)                                                          \
    do {                                                                           \
        script_set(script);                                                        \
        EXPECT_EXIT(loop(), ::testing::ExitedWithCode(0), ::testing::IsEmpty());  \
    } while (0)

// A straight run of `n` positions from `from`, one step of (dx, dy) each.
std::vector<Pos> line(Pos from, int dx, int dy, int n)
{
    std::vector<Pos> out;
    for (int i = 1; i <= n; ++i)
        out.push_back({from.x + i * dx, from.y + i * dy});
    return out;
}

std::vector<Pos> operator+(std::vector<Pos> a, const std::vector<Pos> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Script stop_at(int frame)
{
    Script s;
    s.stop_after = frame;
    return s;
}

// The call sequence of one frame.
const std::vector<std::string> kMatchFrame = {"blit G", "blit L", "blit R", "delay 3", "blit O", "flip"};
const std::vector<std::string> kPracticeFrame = {"blit G", "blit L", "delay 3", "blit O", "flip"};

// The calls of `n` frames in a row.
std::vector<std::string> frames(const std::vector<std::string> &frame, int n)
{
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i)
        out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

// ---------------------------------------------------------------------------
// Two-paddle match
// ---------------------------------------------------------------------------

using MatchTest = GameTest;

// The first tests see two undrawn rectangles, both holding the ball at
// (10, 10): nothing turns and the ball heads right and down.
TEST_F(MatchTest, FirstFramesFromTheStart)
{
    RUN(play_match, stop_at(3));
    const std::vector<Call> t = trace();
    EXPECT_EQ(call_names(t), frames(kMatchFrame, 3));
    EXPECT_EQ(ball_positions(t), (std::vector<Pos>{{11, 11}, {12, 12}, {13, 13}}));
    EXPECT_EQ(blits_of(t, 'L'), (std::vector<Pos>(3, Pos{0, 90})));
    EXPECT_EQ(blits_of(t, 'R'), (std::vector<Pos>(3, Pos{310, 90})));
    EXPECT_TRUE(t[0].whole);
    EXPECT_EQ(t[3].ball_at.dx, 1);
    EXPECT_EQ(t[3].right.x, 310);
}

// Untouched, the ball bounces off the bottom, passes the right paddle, and
// is served after the pause, heading right and up as it was.
TEST_F(MatchTest, MissOnTheRightIsServedFromTheMiddle)
{
    RUN(play_match, stop_at(310));
    const std::vector<Call> t = trace();
    const auto r = rallies(t);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], line({10, 10}, 1, 1, 230) + line({240, 240}, 1, -1, 75));
    EXPECT_EQ(r[0].back(), (Pos{315, 165}));
    EXPECT_EQ(r[1], line({155, 115}, 1, -1, 5));
    // The pause comes first in the frame, before anything is drawn.
    const std::vector<std::string> names = call_names(t);
    const size_t serve = std::find(names.begin(), names.end(), "delay 1500") - names.begin();
    ASSERT_LT(serve + 1, names.size());
    EXPECT_EQ(names[serve - 1], "flip");
    EXPECT_EQ(names[serve + 1], "blit G");
}

// With each paddle in the way the ball turns at x = 305 on the right and at
// x = 10 on the left: the frame that starts inside a box turns it.
TEST_F(MatchTest, PaddlesSendTheBallBack)
{
    Script s = stop_at(600);
    s.at_frame[1] = {SDLK_DOWN, SDLK_DOWN};  // right paddle to 140
    RUN(play_match, s);
    const std::vector<Call> t = trace();
    EXPECT_EQ(count_delays(t, 1500), 0);
    const std::vector<Pos> expected = line({10, 10}, 1, 1, 230) + line({240, 240}, 1, -1, 65) +
                                      line({305, 175}, -1, -1, 175) + line({130, 0}, -1, 1, 120) +
                                      line({10, 120}, 1, 1, 10);
    EXPECT_EQ(ball_positions(t), expected);
    EXPECT_EQ(blits_of(t, 'R')[1], (Pos{310, 140}));
}

// Past the left paddle: reset in the frame that starts at x = 0, then off
// to the left. Keys pressed during the pause are read in that same frame.
TEST_F(MatchTest, MissOnTheLeftAndKeysDuringThePause)
{
    move = ball_state{20, 100, -1, 1};
    L.y = 0;
    Script s = stop_at(24);
    s.at_serve[1] = {SDLK_a};
    RUN(play_match, s);
    const std::vector<Call> t = trace();
    const auto r = rallies(t);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], line({20, 100}, -1, 1, 20));
    EXPECT_EQ(r[1], line({155, 115}, -1, 1, 4));
    const std::vector<Pos> left = blits_of(t, 'L');
    EXPECT_EQ(left[19], (Pos{0, 0}));   // the frame that drew the ball at x = 0
    EXPECT_EQ(left[20], (Pos{0, 25}));  // the serve frame, after the pause
}

// A paddle moved onto the ball in the frame that draws it at x = 0 turns it
// before the reset: it leaves the middle heading away from that paddle.
TEST_F(MatchTest, PaddleHoldingTheLostBallSendsTheServeAway)
{
    move = ball_state{20, 100, -1, 1};
    L.y = 0;
    Script s = stop_at(23);
    s.at_frame[19] = {SDLK_a, SDLK_a, SDLK_a};  // to 75 in the 20th frame
    RUN(play_match, s);
    const auto r = rallies(trace());
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].back(), (Pos{0, 120}));
    EXPECT_EQ(r[1], line({155, 115}, 1, 1, 3));
}

// A paddle above the screen is drawn clipped and tested with a top of 0, so
// it still catches a ball at y = 60 (its real box would end at 50 or 40).
TEST_F(MatchTest, PaddleAboveTheScreenIsTestedAtTheTop)
{
    for (int top : {-10, -20}) {
        SCOPED_TRACE(top);
        trace_clear();
        move = ball_state{40, 30, -1, 1};
        L.y = top;
        BAR_L = BAR_R = SDL_Rect{0, 0, 0, 0};
        RUN(play_match, stop_at(33));
        const std::vector<Call> t = trace();
        EXPECT_EQ(ball_positions(t), line({40, 30}, -1, 1, 30) + line({10, 60}, 1, 1, 3));
        for (const Call &c : t) {
            if (c.kind == Call::kBlit && c.image == 'L') {
                EXPECT_EQ(c.y, top);
                EXPECT_EQ(c.clipped.y, 0);
                EXPECT_EQ(c.clipped.h, 60 + top);
            }
        }
    }
}

// A ball that enters a paddle's box through its top edge is turned in every
// frame while inside: it shakes between two columns as it goes down, and
// leaves in the direction of the last turn, here to be lost on the left.
TEST_F(MatchTest, BallCaughtInsideABoxShakes)
{
    move = ball_state{12, 78, -1, 1};
    RUN(play_match, stop_at(80));
    std::vector<Pos> shake;
    for (int j = 1; j <= 66; ++j)
        shake.push_back({j % 2 ? 6 : 5, 85 + j});
    const auto r = rallies(trace());
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], line({12, 78}, -1, 1, 7) + shake + line({5, 151}, -1, 1, 5));
    EXPECT_EQ(r[1].front(), (Pos{154, 116}));
}

// ---------------------------------------------------------------------------
// Wall practice
// ---------------------------------------------------------------------------

using PracticeTest = GameTest;

// The right paddle is never drawn; its rectangle stays at (0, 0).
TEST_F(PracticeTest, FirstFramesFromTheStart)
{
    Script s = stop_at(3);
    s.at_frame[1] = {SDLK_DOWN};
    RUN(play_practice, s);
    const std::vector<Call> t = trace();
    EXPECT_EQ(call_names(t), frames(kPracticeFrame, 3));
    EXPECT_EQ(ball_positions(t), (std::vector<Pos>{{11, 11}, {12, 12}, {13, 13}}));
    for (const Call &c : t) {
        if (c.kind != Call::kDelay)
            continue;
        EXPECT_EQ(c.ball_at.dx, -1);  // travelling right, dx reads -1 between frames
        EXPECT_EQ(c.bar_r_rect.x, 0);
        EXPECT_EQ(c.bar_r_rect.y, 0);
        EXPECT_EQ(c.bar_r_rect.w, 0);
        EXPECT_EQ(c.right.x, 0);
    }
    EXPECT_EQ(t[7].right.y, 115);  // Down still moves the hidden paddle
}

// The ball turns at the right wall after x = 315; with the paddle out of the
// way it is lost at x = 0, drawn in the middle in that same frame, and goes
// on to the left.
TEST_F(PracticeTest, RightWallAndAMiss)
{
    Script s = stop_at(625);
    s.at_frame[1] = {SDLK_a, SDLK_a, SDLK_a, SDLK_a};  // paddle to 190
    RUN(play_practice, s);
    const auto r = rallies(trace());
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], line({10, 10}, 1, 1, 230) + line({240, 240}, 1, -1, 75) +
                        line({315, 165}, -1, -1, 165) + line({150, 0}, -1, 1, 149));
    EXPECT_EQ(r[1], (std::vector<Pos>{{155, 115}} + line({155, 115}, -1, 1, 5)));
}

// With the paddle in the way, below the top-left box, the ball turns at x = 10.
TEST_F(PracticeTest, PaddleSendsTheBallBack)
{
    RUN(play_practice, stop_at(615));
    const std::vector<Pos> b = ball_positions(trace());
    ASSERT_EQ(b.size(), 615u);
    EXPECT_EQ(std::vector<Pos>(b.begin() + 607, b.end()),
              line({13, 137}, -1, 1, 3) + line({10, 140}, 1, 1, 5));
}

// A ball at x = 10 inside both the paddle's box and the top-left box moves
// on through the paddle. Where it drops out of the top-left box first, it
// shakes down the paddle and leaves to the side of the last turn.
struct SlideCase {
    const char *name;
    int top;                    // the paddle's top
    std::vector<Pos> expected;  // ball positions after (10, 55)
    bool lost;
    friend void PrintTo(const SlideCase &c, std::ostream *os) { *os << c.name; }
};

std::vector<Pos> shake_down(int from_y, int to_y)
{
    std::vector<Pos> out;
    for (int y = from_y; y <= to_y; ++y)
        out.push_back({y % 2 ? 4 : 5, y});
    return out;
}

const SlideCase kSlideCases[] = {
    {"top_5_flies_right", 5, line({10, 55}, -1, 1, 5) + shake_down(61, 66) + line({5, 66}, 1, 1, 3),
     false},
    {"top_40_is_lost", 40,
     line({10, 55}, -1, 1, 5) + shake_down(61, 101) + line({4, 101}, -1, 1, 3) +
         std::vector<Pos>{{155, 115}, {154, 116}},
     true},
};

class SlideTest : public GameTest, public ::testing::WithParamInterface<SlideCase> {};

TEST_P(SlideTest, BallInsideBothBoxes)
{
    const SlideCase &c = GetParam();
    move = ball_state{10, 55, -1, 1};  // as the frame that drew it left it
    L.y = c.top;
    BAR_L = SDL_Rect{0, static_cast<Sint16>(c.top), 10, 60};
    RUN(play_practice, stop_at(static_cast<int>(c.expected.size())));
    const std::vector<Call> t = trace();
    EXPECT_EQ(ball_positions(t), c.expected);
    EXPECT_EQ(count_delays(t, 1500), c.lost ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Practice, SlideTest, ::testing::ValuesIn(kSlideCases),
                         [](const auto &info) { return std::string(info.param.name); });

// With the paddle at the top its box is the top-left box: a ball there is
// always lost, and leaves the middle to the right. Keys pressed during the
// pause take effect before the serve frame is drawn.
TEST_F(PracticeTest, PaddleAtTheTopLosesTheBall)
{
    move = ball_state{10, 30, -1, 1};
    L.y = 0;
    BAR_L = SDL_Rect{0, 0, 10, 60};
    Script s = stop_at(12);
    s.at_serve[1] = {SDLK_a};
    RUN(play_practice, s);
    const std::vector<Call> t = trace();
    EXPECT_EQ(ball_positions(t), (line({10, 30}, -1, 1, 9) + std::vector<Pos>{{155, 115}} +
                                  line({155, 115}, 1, 1, 2)));
    EXPECT_EQ(blits_of(t, 'L')[9], (Pos{0, 25}));
}

// A ball that rises into the top-left box with the paddle elsewhere shakes
// up to the top edge and back down, then flies out to the right.
TEST_F(PracticeTest, BallRisingIntoTheTopLeftBoxShakes)
{
    move = ball_state{12, 64, 1, -1};  // travelling left and up
    L.y = 190;
    BAR_L = SDL_Rect{0, 190, 10, 50};
    std::vector<Pos> shake;
    for (int i = 0; i <= 120; ++i)
        shake.push_back({i % 2 ? 9 : 8, i <= 60 ? 60 - i : i - 60});
    const std::vector<Pos> expected = line({12, 64}, -1, -1, 3) + shake + line({8, 60}, 1, 1, 3);
    RUN(play_practice, stop_at(static_cast<int>(expected.size())));
    const std::vector<Call> t = trace();
    EXPECT_EQ(ball_positions(t), expected);
    EXPECT_EQ(count_delays(t, 1500), 0);
}

}  // namespace
