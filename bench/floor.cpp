// The least frame the game can have: the same window, and a loop of only the
// frame pause and the flip. Runs the number of frames given as its argument.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

static const int kScreenW = 320;
static const int kScreenH = 240;
static const int kScreenBpp = 16;
static const Uint32 kFramePauseMs = 3;

int main(int argc, char *argv[])
{
    const long frames = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 2000;
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "floor: %s\n", SDL_GetError());
        return 1;
    }
    std::atexit(SDL_Quit);
    SDL_Surface *screen = SDL_SetVideoMode(kScreenW, kScreenH, kScreenBpp, SDL_DOUBLEBUF);
    if (screen == nullptr) {
        std::fprintf(stderr, "floor: %s\n", SDL_GetError());
        return 1;
    }
    SDL_WM_SetCaption("Rebondo floor", nullptr);
    for (long i = 0; i < frames; ++i) {
        SDL_Delay(kFramePauseMs);
        SDL_Flip(screen);
    }
    return 0;
}
