// Writes the window icon as a PNG for the desktop's icon theme: loads a BMP
// with SDL (any depth SDL reads) and writes 8-bit RGBA, the image data kept
// in stored (uncompressed) deflate blocks, so nothing beyond SDL is needed.
// Usage: bmp2png ICON.bmp OUT_DIR
//   writes OUT_DIR/<w>x<h>/apps/rebondo.png, named for the icon theme.
#include <SDL.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kIconName[] = "rebondo.png";
const size_t kMaxStoredBlock = 65535;  // a stored deflate block's limit

using bytes = std::vector<unsigned char>;

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "bmp2png: %s\n", what.c_str());
    std::exit(EXIT_FAILURE);
}

void put32(bytes &b, unsigned long v)
{
    b.push_back(static_cast<unsigned char>(v >> 24));
    b.push_back(static_cast<unsigned char>(v >> 16));
    b.push_back(static_cast<unsigned char>(v >> 8));
    b.push_back(static_cast<unsigned char>(v));
}

unsigned long crc32(const unsigned char *p, size_t n, unsigned long crc = 0)
{
    crc ^= 0xFFFFFFFFul;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1ul)));
    }
    return crc ^ 0xFFFFFFFFul;
}

unsigned long adler32(const bytes &data)
{
    unsigned long a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

// A chunk: length, type, data, CRC of type and data.
void chunk(bytes &png, const char type[4], const bytes &data)
{
    put32(png, data.size());
    bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    put32(png, crc32(body.data(), body.size()));
}

// A zlib stream of stored blocks.
bytes zlib_stored(const bytes &raw)
{
    bytes z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min(kMaxStoredBlock, raw.size() - at);
        const bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
    } while (at < raw.size());
    put32(z, adler32(raw));
    return z;
}

Uint32 pixel_at(const SDL_Surface *s, int x, int y)
{
    const Uint8 *p = static_cast<const Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
    case 1: return *p;
    case 2: return *reinterpret_cast<const Uint16 *>(p);
    case 3: return SDL_BYTEORDER == SDL_LIL_ENDIAN ? p[0] | p[1] << 8 | p[2] << 16 : p[2] | p[1] << 8 | p[0] << 16;
    default: return *reinterpret_cast<const Uint32 *>(p);
    }
}

// Filter byte 0 before each row, then R, G, B, A per pixel.
bytes rgba_rows(SDL_Surface *s)
{
    bytes raw;
    raw.reserve(static_cast<size_t>(s->h) * (1 + 4 * s->w));
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
        raw.push_back(0);
        for (int x = 0; x < s->w; ++x) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(pixel_at(s, x, y), s->format, &r, &g, &b, &a);
            raw.insert(raw.end(), {r, g, b, a});
        }
    }
    SDL_UnlockSurface(s);
    return raw;
}

bytes encode_png(SDL_Surface *s)
{
    bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bytes ihdr;
    put32(ihdr, s->w);
    put32(ihdr, s->h);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, no filter, no interlace
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", zlib_stored(rgba_rows(s)));
    chunk(png, "IEND", {});
    return png;
}

void make_dir(const std::string &path)
{
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        fail("cannot create " + path);
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        fail("usage: bmp2png ICON.bmp OUT_DIR");
    SDL_Surface *icon = SDL_LoadBMP(argv[1]);
    if (icon == nullptr)
        fail(std::string(argv[1]) + ": " + SDL_GetError());

    std::string dir = argv[2];
    make_dir(dir);
    dir += "/" + std::to_string(icon->w) + "x" + std::to_string(icon->h);
    make_dir(dir);
    dir += "/apps";
    make_dir(dir);
    const std::string out = dir + "/" + kIconName;

    const bytes png = encode_png(icon);
    SDL_FreeSurface(icon);
    FILE *f = std::fopen(out.c_str(), "wb");
    if (f == nullptr || std::fwrite(png.data(), 1, png.size(), f) != png.size() || std::fclose(f) != 0)
        fail("cannot write " + out);
    return 0;
}
