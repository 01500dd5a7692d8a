// Start-up glue. Where SDL brings its own (it renames main to SDL_main, as on
// Windows and macOS), SDL's is used. SDL 1.2 has none on Linux, so this is its
// equivalent: SDL is shut down by the exit handler on every way out, and the
// game's entry is called with the process's arguments.
#include "rebondo.h"

#include <cstdlib>

#ifndef main
int main(int argc, char *argv[])
{
    std::atexit(SDL_Quit);
    SDL_main(argc, argv);
    std::exit(EXIT_SUCCESS);
}
#endif
