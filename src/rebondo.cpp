// Rebondo: a ball bounces in a 320 x 240 window; paddles on Q/A and Up/Down
// send it back. The menu picks the two-paddle match (B), wall practice (Q) or
// quit (Y); Space quits a game.
//
// Deliberate choices:
// - Plain procedural code on global state. Every function reads and writes the
//   globals below; only collision() takes an argument and returns a result.
// - A frame interleaves moving and drawing, and the order of its steps is the
//   game's behaviour: which contact test sees which position, when a key is
//   read, what is drawn before the 3 ms pause. Do not reorder them.
// - The contact tests read the paddle rectangles as SDL's last blit left them,
//   clipped to the screen: a paddle drawn with its top above the screen is
//   tested with a top of 0, and a rectangle never blitted stays at (0, 0).
// - collision() returns 1 for NO contact. The loops reverse the ball on every
//   1 and test two rectangles per frame, so the two reversals cancel unless
//   exactly one rectangle holds the ball.
// - Images are checked before SDL decodes them; a missing or broken image, or
//   a video failure, stops the game with one line on stderr and status 1.
//   Otherwise the game writes nothing and ends only through exit(0).
#include "rebondo.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

// ---------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------

static const int kScreenW = 320;   // window size, pixels
static const int kScreenH = 240;
static const int kScreenBpp = 16;  // bits per pixel of the window
static const char kCaption[] = "Rebondo";

static const char kIconPath[] = "data/ico.bmp";
static const char kMenuPath[] = "data/menu.bmp";
static const char kBackgroundPath[] = "data/background.bmp";
static const char kBallPath[] = "data/ball.bmp";
static const char kBarLPath[] = "data/bar_l.bmp";
static const char kBarRPath[] = "data/bar_r.bmp";

static const Uint32 kFramePauseMs = 3;     // every play frame, before the ball is drawn
static const Uint32 kServePauseMs = 1500;  // before a lost ball is served again

static const ball_state kStartBall = {10, 10, 1, 1};  // position and step at start
static const paddle_pos kStartPaddle = {0, 90};      // both paddles at start
static const int kServeX = 155;        // where a lost ball is served from
static const int kServeY = 115;
static const int kRightPaddleX = 310;  // the right paddle's left edge in the match

static const int kPaddleStep = 25;  // pixels per key press
static const int kPaddleTop = 0;    // the top a paddle is put back on from above
static const int kPaddleLow = 180;  // the top a paddle is put back on from below

// The contact box around a paddle rectangle's top-left corner (r.x, r.y):
// the ball is inside when r.x - 5 <= x <= r.x + 10 and r.y - 5 <= y <= r.y + 60.
// It ignores the image sizes.
static const int kContactMargin = 5;
static const int kContactRight = 10;
static const int kContactBottom = 60;

// Menu keys; the play keys are SDLK_q, SDLK_a, SDLK_UP, SDLK_DOWN, SDLK_SPACE.
static const SDLKey kKeyMatch = SDLK_b;
static const SDLKey kKeyPractice = SDLK_q;
static const SDLKey kKeyQuit = SDLK_y;

static const int kMenuNone = 0;      // menu1: no choice yet
static const int kMenuMatch = 1;     // menu1: two-paddle match
static const int kMenuPractice = 2;  // menu1: wall practice

// Sanity limits for the image files, checked before SDL decodes them.
static const long kMaxImageSide = 4096;  // pixels, either dimension

// ---------------------------------------------------------------------------
// Game state
// ---------------------------------------------------------------------------

SDL_Surface *screen = nullptr;      // the window; target of every blit and flip
SDL_Surface *background = nullptr;  // the play field, drawn whole every frame
SDL_Surface *ball = nullptr;        // the ball, white transparent
SDL_Surface *bar_l = nullptr;       // the left paddle, white transparent
SDL_Surface *bar_r = nullptr;       // the right paddle, white transparent
SDL_Surface *menu = nullptr;        // the menu, drawn once at start
static SDL_Surface *icon = nullptr; // the window icon, held like the others

SDL_Rect BALL = {0, 0, 0, 0};   // where the ball is drawn; clipped by SDL
SDL_Rect BAR_L = {0, 0, 0, 0};  // left paddle: drawn here, contact-tested here
SDL_Rect BAR_R = {0, 0, 0, 0};  // right paddle: likewise; never drawn in practice

SDL_Event event;       // receives every polled event
paddle_pos L = {0, 0}; // left paddle's top-left corner
paddle_pos R = {0, 0}; // right paddle's; x becomes 310 in the match's first frame
ball_state move = {0, 0, 0, 0};  // the ball
int menu1 = kMenuNone; // the menu choice

// ---------------------------------------------------------------------------
// Errors and image loading
// ---------------------------------------------------------------------------

// The one way out on failure: one line on stderr, status 1. The exit handler
// registered at start-up shuts SDL down.
[[noreturn]] static void fatal(const char *what, const char *why, const char *hint)
{
    std::fprintf(stderr, "rebondo: %s: %s%s\n", what, why, hint);
    std::exit(EXIT_FAILURE);
}

static unsigned le16(const unsigned char *p) { return p[0] | p[1] << 8; }
static unsigned long le32(const unsigned char *p)
{
    return le16(p) | static_cast<unsigned long>(le16(p + 2)) << 16;
}

// Reads the BMP headers of an open file and returns why SDL must not be given
// it, or nullptr when it is a plain uncompressed BMP of sane size whose pixel
// data is all there. Leaves the stream at its start.
static const char *bmp_problem(SDL_RWops *rw)
{
    const long size = SDL_RWseek(rw, 0, RW_SEEK_END);
    unsigned char h[54] = {0};
    const long got = SDL_RWseek(rw, 0, RW_SEEK_SET) == 0 ? SDL_RWread(rw, h, 1, sizeof h) : -1;
    SDL_RWseek(rw, 0, RW_SEEK_SET);
    if (got <= 0 || size <= 0)
        return "file is empty or cannot be read";
    if (got < 26 || h[0] != 'B' || h[1] != 'M')
        return "not a BMP image";

    // The info header: the old 12-byte OS/2 one, or the Windows one (40+ bytes).
    const unsigned long offset = le32(h + 10), info = le32(h + 14);
    long width, height;
    unsigned bpp;
    unsigned long compression = 0, colours = 0;
    if (info == 12) {
        width = le16(h + 18);
        height = static_cast<Sint16>(le16(h + 20));
        bpp = le16(h + 24);
    } else if (info >= 40 && info <= 1024 && got == static_cast<long>(sizeof h)) {
        width = static_cast<Sint32>(le32(h + 18));
        height = static_cast<Sint32>(le32(h + 22));
        bpp = le16(h + 28);
        compression = le32(h + 30);
        colours = le32(h + 46);
    } else {
        return "not a BMP image (bad header)";
    }

    if (compression != 0 && !(compression == 3 && (bpp == 16 || bpp == 32)))
        return "compressed BMP images are not supported";
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return "unsupported number of bits per pixel";
    if (width <= 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
        height < -kMaxImageSide)
        return "image size is zero or too large";
    if (bpp <= 8 && colours > (1ul << bpp))
        return "palette larger than the image depth allows";

    // Everything SDL will read must be in the file.
    const unsigned long rows = static_cast<unsigned long>(height < 0 ? -height : height);
    const unsigned long pitch = (static_cast<unsigned long>(width) * bpp + 31) / 32 * 4;
    const unsigned long entry = info == 12 ? 3 : 4;
    const unsigned long palette = bpp <= 8 ? entry * (colours ? colours : 1ul << bpp) : 0;
    if (14 + info + palette > static_cast<unsigned long>(size) ||
        offset > static_cast<unsigned long>(size) ||
        pitch * rows > static_cast<unsigned long>(size) - offset)
        return "file is truncated";
    return nullptr;
}

// Opens and decodes one image, or stops the game saying which file failed.
static SDL_Surface *load_image(const char *path)
{
    SDL_RWops *rw = SDL_RWFromFile(path, "rb");
    if (rw == nullptr) {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        fatal(path, SDL_GetError(),
              missing ? " (start rebondo from the folder that holds data/)" : "");
    }
    if (const char *problem = bmp_problem(rw)) {
        SDL_RWclose(rw);
        fatal(path, problem, "");
    }
    SDL_Surface *image = SDL_LoadBMP_RW(rw, 1);  // 1: the loader closes the stream
    if (image == nullptr)
        fatal(path, SDL_GetError(), "");
    return image;
}

// A play image whose white pixels (as mapped into its own format) are not drawn.
static SDL_Surface *load_sprite(const char *path)
{
    SDL_Surface *image = load_image(path);
    SDL_SetColorKey(image, SDL_SRCCOLORKEY, SDL_MapRGB(image->format, 255, 255, 255));
    return image;
}

// ---------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------

// Video mode, caption and icon, then the start values of the game.
void init()
{
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        fatal("cannot start SDL video", SDL_GetError(), "");
    screen = SDL_SetVideoMode(kScreenW, kScreenH, kScreenBpp, SDL_DOUBLEBUF);
    if (screen == nullptr)
        fatal("cannot open a 320x240 16-bit window", SDL_GetError(), "");
    SDL_WM_SetCaption(kCaption, nullptr);
    icon = load_image(kIconPath);
    SDL_WM_SetIcon(icon, nullptr);

    move = kStartBall;
    L = kStartPaddle;
    R = kStartPaddle;
}

// The play images, read once the menu has a choice.
void init_graphics()
{
    background = load_image(kBackgroundPath);
    ball = load_sprite(kBallPath);
    bar_l = load_sprite(kBarLPath);
    bar_r = load_sprite(kBarRPath);
}

// Called by the start-up glue. Arguments are ignored; never returns: the
// key handlers end the process.
extern "C" int SDL_main(int, char *[])
{
    init();
    init_menu();
    if (menu1 == kMenuMatch) {
        init_graphics();
        play_match();
    }
    if (menu1 == kMenuPractice) {
        init_graphics();
        play_practice();
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Menu
// ---------------------------------------------------------------------------

// Draws the menu once, then polls until B or Q has been pressed. No delay:
// the flip paces the loop.
void init_menu()
{
    menu = load_image(kMenuPath);
    SDL_BlitSurface(menu, nullptr, screen, nullptr);
    for (;;) {
        input_menu();
        if (menu1 > kMenuNone)
            return;
        SDL_Flip(screen);
    }
}

// Handles every pending event; the last choice wins, Y quits at once.
void input_menu()
{
    while (SDL_PollEvent(&event)) {
        if (event.type != SDL_KEYDOWN)
            continue;
        const SDLKey key = event.key.keysym.sym;
        if (key == kKeyMatch)
            menu1 = kMenuMatch;
        else if (key == kKeyPractice)
            menu1 = kMenuPractice;
        else if (key == kKeyQuit)
            std::exit(EXIT_SUCCESS);
    }
}

// ---------------------------------------------------------------------------
// Ball rules
// ---------------------------------------------------------------------------

// 1 when the ball lies OUTSIDE r's contact box, 0 when inside. Only r.x and
// r.y count, sign-extended; the comparisons stop at the first that holds.
int collision(SDL_Rect r)
{
    const Sint32 x = r.x, y = r.y;
    if (move.x > x + kContactRight)
        return 1;
    if (move.y + kContactMargin < y)
        return 1;
    if (move.y > y + kContactBottom)
        return 1;
    if (move.x + kContactMargin < x)
        return 1;
    return 0;
}

// After the ball has moved: it turns at the bottom (y 240) and the top (y 0).
static void rebound()
{
    if (move.y > 239 || move.y <= 0)
        move.dy = -move.dy;
}

// A lost ball: pause, then back to the middle, keeping its direction.
static void serve()
{
    SDL_Delay(kServePauseMs);
    move.x = kServeX;
    move.y = kServeY;
}

// The match's miss check: past the right paddle (x 315) or the left (x 0).
void out()
{
    if (move.x > 314 || move.x <= 0)
        serve();
}

// ---------------------------------------------------------------------------
// Paddle controls
// ---------------------------------------------------------------------------

// One step up or down. The limits apply only to a paddle already at or past
// them, so a step can overshoot and the next press puts the paddle back.
static void paddle_up(paddle_pos &p)
{
    if (p.y > kPaddleTop)
        p.y -= kPaddleStep;
    else
        p.y = kPaddleTop;
}

static void paddle_down(paddle_pos &p)
{
    if (p.y > 179)
        p.y = kPaddleLow;
    else
        p.y += kPaddleStep;
}

// Handles every pending event of a play frame. The window's close request is
// ignored: only Space ends a game.
void input()
{
    while (SDL_PollEvent(&event)) {
        if (event.type != SDL_KEYDOWN)
            continue;
        switch (event.key.keysym.sym) {
        case SDLK_q: paddle_up(L); break;
        case SDLK_a: paddle_down(L); break;
        case SDLK_UP: paddle_up(R); break;
        case SDLK_DOWN: paddle_down(R); break;
        case SDLK_SPACE: std::exit(EXIT_SUCCESS);
        default: break;
        }
    }
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------

// Copies a position into a blit rectangle, keeping the low 16 bits.
static void place(SDL_Rect &r, Sint32 x, Sint32 y)
{
    r.x = static_cast<Sint16>(x);
    r.y = static_cast<Sint16>(y);
}

// Draws the left paddle; SDL writes the clipped rectangle back into BAR_L.
static void draw_left_paddle()
{
    place(BAR_L, L.x, L.y);
    SDL_BlitSurface(bar_l, nullptr, screen, &BAR_L);
}

// The ball goes last, after the frame's pause.
static void draw_ball_image()
{
    place(BALL, move.x, move.y);
    SDL_Delay(kFramePauseMs);
    SDL_BlitSurface(ball, nullptr, screen, &BALL);
}

// ---------------------------------------------------------------------------
// Two-paddle match
// ---------------------------------------------------------------------------

// One frame of the match: background, move, rebound, both paddles, ball.
void draw_ball()
{
    SDL_BlitSurface(background, nullptr, screen, nullptr);
    move.x += move.dx;
    move.y += move.dy;
    rebound();
    R.x = kRightPaddleX;
    draw_left_paddle();
    place(BAR_R, R.x, R.y);
    SDL_BlitSurface(bar_r, nullptr, screen, &BAR_R);
    draw_ball_image();
}

void play_match()
{
    for (;;) {
        // Paddles, against the rectangles the previous frame drew.
        if (collision(BAR_L) == 1)
            move.dx = -move.dx;
        if (collision(BAR_R) == 1)
            move.dx = -move.dx;
        out();
        input();
        draw_ball();
        SDL_Flip(screen);
    }
}

// ---------------------------------------------------------------------------
// Wall practice
// ---------------------------------------------------------------------------

// The right edge is a wall and only the left paddle is drawn. BAR_R is never
// drawn here, so its test is always made against the box at the top-left
// corner; the first test sees the ball before the move, the second after it.
void play_practice()
{
    for (;;) {
        // Move between the two contact tests.
        if (collision(BAR_L) == 1)
            move.dx = -move.dx;
        move.x += move.dx;
        move.y += move.dy;
        if (collision(BAR_R) == 1)
            move.dx = -move.dx;

        // Edges: top and bottom, the right wall, a miss on the left.
        rebound();
        if (move.x > 314)
            move.dx = -move.dx;
        if (move.x <= 0)
            serve();

        // Keys, then the frame.
        input();
        SDL_BlitSurface(background, nullptr, screen, nullptr);
        draw_left_paddle();
        draw_ball_image();
        SDL_Flip(screen);
    }
}
