// Fuzzes the game's image loading with libFuzzer: the game's header check,
// then SDL's BMP decoder, then what the game does with a decoded image (the
// white colour key, a blit onto a 16-bit surface like the window's).
//
// The header check and the loader are private to the game's module, so the
// module is compiled into this target as it stands. Files instead of memory
// would only add the file system; the stream is read the same way.
#include "rebondo.cpp"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    SDL_RWops *rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (rw == nullptr)
        return 0;
    if (bmp_problem(rw) != nullptr) {
        SDL_RWclose(rw);
        return 0;
    }
    SDL_Surface *image = SDL_LoadBMP_RW(rw, 1);
    if (image == nullptr)
        return 0;
    SDL_SetColorKey(image, SDL_SRCCOLORKEY, SDL_MapRGB(image->format, 255, 255, 255));
    SDL_Surface *target = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenW, kScreenH, kScreenBpp,
                                               0xF800, 0x07E0, 0x001F, 0);
    if (target != nullptr) {
        SDL_BlitSurface(image, nullptr, target, nullptr);
        SDL_FreeSurface(target);
    }
    SDL_FreeSurface(image);
    return 0;
}
