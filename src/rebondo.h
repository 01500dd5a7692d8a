// Rebondo: the game's state and functions, shared by the start-up glue
// (main.cpp) and the tests. Everything is defined in rebondo.cpp.
#ifndef REBONDO_H
#define REBONDO_H

#include <SDL.h>

// ---------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------

// Top-left corner of a paddle, in screen pixels.
struct paddle_pos {
    Sint32 x;
    Sint32 y;
};

// The ball: position in pixels and step per frame along each axis (+1 or -1).
struct ball_state {
    Sint32 x;
    Sint32 y;
    Sint32 dx;
    Sint32 dy;
};

// ---------------------------------------------------------------------------
// Game state (roles are described where they are defined)
// ---------------------------------------------------------------------------

extern SDL_Surface *screen, *background, *ball, *bar_l, *bar_r, *menu;
extern SDL_Rect BALL, BAR_L, BAR_R;
extern SDL_Event event;
extern paddle_pos L, R;
extern ball_state move;
extern int menu1;

// ---------------------------------------------------------------------------
// Functions
// ---------------------------------------------------------------------------

extern "C" int SDL_main(int argc, char *argv[]); // the game's entry; never returns
void init();                  // video mode, caption, icon, start values
void init_graphics();         // loads the four play images
void init_menu();             // shows the menu until B or Q is chosen
void input_menu();            // drains the event queue in the menu
int collision(SDL_Rect r);    // 1 when the ball is OUTSIDE r's contact box
void out();                   // the match's miss check
void input();                 // drains the event queue in play
void draw_ball();             // one frame of the match, drawn into screen
[[noreturn]] void play_match();    // the two-paddle match loop (B)
[[noreturn]] void play_practice(); // the wall-practice loop (Q)

#endif
