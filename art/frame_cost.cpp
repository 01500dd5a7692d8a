// frame_cost: times the blits of one play frame (background, both paddles,
// ball, flip) on the game's 320 x 240 16-bit screen, for two sets of images,
// alternating between them in one run so that both see the same machine.
//
//   frame_cost DIR_A DIR_B      (each holds background, ball, bar_l, bar_r .bmp)
//
// The game's 3 ms pause is left out: only the drawing is timed. Prints, per
// set, the image depth and the best and median time of a frame over the
// rounds.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static const int kScreenW = 320;
static const int kScreenH = 240;
static const int kScreenBpp = 16;
static const int kRounds = 15;             // timed rounds per set
static const int kFramesPerRound = 2000;
static const int kRightPaddleX = 310;

struct ImageSet {
    std::string dir;
    SDL_Surface *background, *ball, *bar_l, *bar_r;
    std::vector<double> usPerFrame;  // one figure per round
};

[[noreturn]] static void fail(const std::string &what)
{
    std::fprintf(stderr, "frame_cost: %s: %s\n", what.c_str(), SDL_GetError());
    std::exit(EXIT_FAILURE);
}

static SDL_Surface *load(const std::string &path, bool keyed)
{
    SDL_Surface *s = SDL_LoadBMP_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
    if (s == nullptr)
        fail(path);
    if (keyed)  // as the game does: white in the image's own format
        SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, 255, 255, 255));
    return s;
}

static ImageSet load_set(const std::string &dir)
{
    return ImageSet{dir, load(dir + "/background.bmp", false), load(dir + "/ball.bmp", true),
                    load(dir + "/bar_l.bmp", true), load(dir + "/bar_r.bmp", true), {}};
}

// One frame's drawing, with the ball on a diagonal as in play.
static void draw_frame(SDL_Surface *screen, const ImageSet &s, int n)
{
    SDL_Rect left = {0, 90, 0, 0}, right = {kRightPaddleX, 90, 0, 0};
    SDL_Rect ball = {static_cast<Sint16>(10 + n % 300), static_cast<Sint16>(10 + n % 220), 0, 0};
    SDL_BlitSurface(s.background, nullptr, screen, nullptr);
    SDL_BlitSurface(s.bar_l, nullptr, screen, &left);
    SDL_BlitSurface(s.bar_r, nullptr, screen, &right);
    SDL_BlitSurface(s.ball, nullptr, screen, &ball);
    SDL_Flip(screen);
}

static double time_round(SDL_Surface *screen, const ImageSet &s)
{
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < kFramesPerRound; ++n)
        draw_frame(screen, s, n);
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    return took.count() / kFramesPerRound;
}

static void report(const ImageSet &s)
{
    std::vector<double> t = s.usPerFrame;
    std::sort(t.begin(), t.end());
    std::printf("%-40s %2d-bit images: best %7.1f us, median %7.1f us per frame\n",
                s.dir.c_str(), s.background->format->BitsPerPixel, t.front(), t[t.size() / 2]);
}

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: frame_cost DIR_A DIR_B\n");
        return EXIT_FAILURE;
    }
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        fail("SDL_Init");
    SDL_Surface *screen = SDL_SetVideoMode(kScreenW, kScreenH, kScreenBpp, SDL_DOUBLEBUF);
    if (screen == nullptr)
        fail("SDL_SetVideoMode");
    char driver[32] = "?";
    SDL_VideoDriverName(driver, sizeof driver);
    std::printf("video driver %s, screen %d-bit, %d rounds of %d frames per set\n", driver,
                screen->format->BitsPerPixel, kRounds, kFramesPerRound);

    ImageSet sets[2] = {load_set(argv[1]), load_set(argv[2])};
    for (ImageSet &s : sets)
        time_round(screen, s);  // warm-up
    for (int r = 0; r < kRounds; ++r)
        for (ImageSet &s : sets)
            s.usPerFrame.push_back(time_round(screen, s));
    for (const ImageSet &s : sets)
        report(s);
    SDL_Quit();
    return EXIT_SUCCESS;
}
