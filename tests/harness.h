// Test harness: the game runs on real SDL (dummy video driver), but the test
// executables are linked with --wrap over SDL_Delay, SDL_Flip and
// SDL_UpperBlit. The wrappers record every call the game makes into a trace
// kept in shared memory, so that a game run in a child process (the play loops
// and the key handlers end the process) can be read back by the parent. The
// wrapped SDL_Delay never sleeps, and can push scripted keys at chosen frames.
#ifndef REBONDO_TEST_HARNESS_H
#define REBONDO_TEST_HARNESS_H

#include "rebondo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <vector>

// One recorded call.
struct Call {
    enum Kind { kBlit, kDelay, kFlip, kCall } kind;
    const char *name;   // other SDL calls: the function's name
    char text[64];      // other SDL calls: their string argument
    long arg[4];        // other SDL calls: their number arguments
    char image;         // blits: 'G' background, 'O' ball, 'L' bar_l, 'R' bar_r, 'M' menu, '?'
    bool whole;         // blits: no destination rectangle given
    int x, y;           // blits: destination as the game set it
    SDL_Rect clipped;   // blits: destination as SDL wrote it back
    Uint32 ms;          // delays
    ball_state ball_at; // delays: the game state at that moment
    paddle_pos left, right;
    SDL_Rect bar_r_rect;
};

struct Pos {
    int x, y;
    bool operator==(const Pos &o) const { return x == o.x && y == o.y; }
};
std::ostream &operator<<(std::ostream &os, const Pos &p);

// Keys to push while the game runs. Keys pushed at the pause of frame N are
// read by the input handler of frame N + 1; keys pushed during a serve pause
// are read in the same frame, after the pause.
struct Script {
    std::map<int, std::vector<SDLKey>> at_frame;  // frame number (1-based) -> keys
    std::map<int, std::vector<SDLKey>> at_serve;  // serve number (1-based) -> keys
    std::map<int, std::vector<SDLKey>> at_flip;   // flip number (1-based) -> keys
    int stop_after = 0;  // push Space at this frame's pause (0: never)
    bool refuse_video_mode = false;  // SDL_SetVideoMode fails as on a bad display
};

// Trace access (the trace lives in shared memory and survives a child's exit).
void trace_clear();
std::vector<Call> trace();
void script_set(const Script &s);

// Views of the trace.
std::vector<Pos> ball_positions(const std::vector<Call> &t);          // every ball blit
std::vector<Pos> blits_of(const std::vector<Call> &t, char image);    // every blit of one image
int count_delays(const std::vector<Call> &t, Uint32 ms);
int count_flips(const std::vector<Call> &t);
// The start-up calls and frame calls as short strings, e.g. "SDL_Init 32",
// "blit M", "delay 3", "flip".
std::vector<std::string> call_names(const std::vector<Call> &t);
// Ball positions split around each serve pause: [before first serve, after, ...].
std::vector<std::vector<Pos>> rallies(const std::vector<Call> &t);

// Event injection.
void push_key(SDLKey key, SDLMod mod = KMOD_NONE, Uint8 type = SDL_KEYDOWN);
void push_event_of_type(Uint8 type);
bool queue_empty();

// Every test starts from a fresh SDL with the dummy driver, the window open,
// the game's start values set, the play images loaded from data/ and an
// empty trace.
class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
};

// Runs a play loop in a child process until the script's Space ends it and
// checks that the child exited with status 0.
#define RUN_LOOP_UNTIL_SPACE(loop) EXPECT_EXIT(loop(), ::testing::ExitedWithCode(0), "")

#endif
