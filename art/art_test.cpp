// The six images in data/, as SDL reads them: sizes, pixel formats, the white
// colour key around the ball and paddles, a background that cannot hide the
// ball, and a menu that carries its lettering. Run from the folder that holds
// data/, with SDL_VIDEODRIVER=dummy.
#include "rebondo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------

// Loads an image the way the game opens it.
SDL_Surface *load(const char *path)
{
    return SDL_LoadBMP_RW(SDL_RWFromFile(path, "rb"), 1);
}

Uint32 pixel(const SDL_Surface *s, int x, int y)
{
    const Uint8 *p = static_cast<const Uint8 *>(s->pixels) + y * s->pitch +
                     x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
    case 2: return *reinterpret_cast<const Uint16 *>(p);
    case 3: return p[0] | p[1] << 8 | p[2] << 16;  // little-endian order
    default: return *reinterpret_cast<const Uint32 *>(p);
    }
}

struct Colour {
    Uint8 r, g, b;
};

Colour rgb(SDL_Surface *s, int x, int y)
{
    Colour c{};
    SDL_GetRGB(pixel(s, x, y), s->format, &c.r, &c.g, &c.b);
    return c;
}

// Perceived brightness, 0..255.
int luma(Colour c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

// What the game treats as transparent in a sprite.
Uint32 white_key(SDL_Surface *s) { return SDL_MapRGB(s->format, 255, 255, 255); }

// Pixels so close to white that they would show as a pale fringe.
bool near_white(Colour c) { return c.r >= 224 && c.g >= 224 && c.b >= 224; }

// A surface freed at the end of the test that loaded it.
struct Loaded {
    SDL_Surface *s;
    explicit Loaded(const char *path) : s(load(path)) {}
    ~Loaded() { SDL_FreeSurface(s); }
    Loaded(const Loaded &) = delete;
    Loaded &operator=(const Loaded &) = delete;
};

// ---------------------------------------------------------------------------
// Size, depth and masks of each image
// ---------------------------------------------------------------------------

struct ImageCase {
    const char *path;
    int w, h;
    int bpp;
    Uint32 rmask, gmask, bmask;
};

void PrintTo(const ImageCase &c, std::ostream *os) { *os << c.path; }

// The five images the game blits are RGB565 like its screen; the icon, given
// only to the window manager, is 24-bit.
const ImageCase kImages[] = {
    {"data/menu.bmp", 320, 240, 16, 0xF800, 0x07E0, 0x001F},
    {"data/background.bmp", 320, 240, 16, 0xF800, 0x07E0, 0x001F},
    {"data/ball.bmp", 5, 5, 16, 0xF800, 0x07E0, 0x001F},
    {"data/bar_l.bmp", 10, 60, 16, 0xF800, 0x07E0, 0x001F},
    {"data/bar_r.bmp", 10, 60, 16, 0xF800, 0x07E0, 0x001F},
    {"data/ico.bmp", 32, 32, 24, 0xFF0000, 0x00FF00, 0x0000FF},
};

class ImageFormat : public testing::TestWithParam<ImageCase> {};

TEST_P(ImageFormat, HasItsSizeDepthAndMasks)
{
    const ImageCase &c = GetParam();
    Loaded image(c.path);
    ASSERT_NE(image.s, nullptr) << SDL_GetError();
    EXPECT_EQ(image.s->w, c.w);
    EXPECT_EQ(image.s->h, c.h);
    EXPECT_EQ(image.s->format->BitsPerPixel, c.bpp);
    EXPECT_EQ(image.s->format->palette, nullptr);
    EXPECT_EQ(image.s->format->Rmask, c.rmask);
    EXPECT_EQ(image.s->format->Gmask, c.gmask);
    EXPECT_EQ(image.s->format->Bmask, c.bmask);
}

// "data/bar_l.bmp" -> "bar_l", for the test names.
std::string file_stem(const std::string &path)
{
    const size_t slash = path.rfind('/') + 1;
    return path.substr(slash, path.rfind('.') - slash);
}

INSTANTIATE_TEST_SUITE_P(Data, ImageFormat, testing::ValuesIn(kImages),
                         [](const testing::TestParamInfo<ImageCase> &i) {
                             return file_stem(i.param.path);
                         });

// ---------------------------------------------------------------------------
// Ball and paddles: shapes on the white key
// ---------------------------------------------------------------------------

class Sprite : public testing::TestWithParam<const char *> {};

// The four corners are key, so the white shows round every shape; the key
// covers little, so the shape fills the box that the contact test uses; and
// no drawn pixel is pale enough to look like a white fringe.
TEST_P(Sprite, IsAShapeOnExactWhite)
{
    Loaded image(GetParam());
    ASSERT_NE(image.s, nullptr) << SDL_GetError();
    SDL_Surface *s = image.s;
    const Uint32 key = white_key(s);
    const int right = s->w - 1, bottom = s->h - 1;
    EXPECT_EQ(pixel(s, 0, 0), key);
    EXPECT_EQ(pixel(s, right, 0), key);
    EXPECT_EQ(pixel(s, 0, bottom), key);
    EXPECT_EQ(pixel(s, right, bottom), key);

    int keyed = 0;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            if (pixel(s, x, y) == key) {
                ++keyed;
                continue;
            }
            EXPECT_FALSE(near_white(rgb(s, x, y))) << "pale pixel at " << x << "," << y;
        }
    EXPECT_LE(keyed * 5, s->w * s->h) << "the shape fills less than 4/5 of its box";
}

// Every key pixel is reached from the edge through key pixels: the shape has
// no white holes, which the game would draw as see-through.
TEST_P(Sprite, HasNoWhiteInside)
{
    Loaded image(GetParam());
    ASSERT_NE(image.s, nullptr) << SDL_GetError();
    SDL_Surface *s = image.s;
    const Uint32 key = white_key(s);
    std::vector<char> outside(static_cast<size_t>(s->w) * s->h, 0);
    std::vector<std::pair<int, int>> todo;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            if ((x == 0 || y == 0 || x == s->w - 1 || y == s->h - 1) && pixel(s, x, y) == key)
                todo.emplace_back(x, y);
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        if (x < 0 || y < 0 || x >= s->w || y >= s->h || outside[y * s->w + x] ||
            pixel(s, x, y) != key)
            continue;
        outside[y * s->w + x] = 1;
        todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
    }
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            EXPECT_TRUE(pixel(s, x, y) != key || outside[y * s->w + x])
                << "white inside the shape at " << x << "," << y;
}

// Blitted with the game's key onto a surface like the screen, exactly the
// white pixels are left out and the rest keep their colours.
TEST_P(Sprite, BlitsWithTheGamesKey)
{
    Loaded image(GetParam());
    ASSERT_NE(image.s, nullptr) << SDL_GetError();
    SDL_Surface *s = image.s;
    const Uint32 key = white_key(s);
    ASSERT_EQ(SDL_SetColorKey(s, SDL_SRCCOLORKEY, key), 0);
    SDL_Surface *dst = SDL_CreateRGBSurface(SDL_SWSURFACE, s->w, s->h, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_NE(dst, nullptr);
    const Uint32 sentinel = 0x0841;  // a dark grey that no image uses as key
    SDL_FillRect(dst, nullptr, sentinel);
    ASSERT_EQ(SDL_BlitSurface(s, nullptr, dst, nullptr), 0);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            const Colour c = rgb(s, x, y);
            const Uint32 want = pixel(s, x, y) == key ? sentinel : SDL_MapRGB(dst->format, c.r, c.g, c.b);
            EXPECT_EQ(pixel(dst, x, y), want) << "at " << x << "," << y;
        }
    SDL_FreeSurface(dst);
}

INSTANTIATE_TEST_SUITE_P(Data, Sprite,
                         testing::Values("data/ball.bmp", "data/bar_l.bmp", "data/bar_r.bmp"),
                         [](const testing::TestParamInfo<const char *> &i) {
                             return file_stem(i.param);
                         });

// ---------------------------------------------------------------------------
// Background and menu
// ---------------------------------------------------------------------------

// The court stays dark everywhere, well below the bulk of the ball, so the
// ball stands out wherever it is.
TEST(Background, CannotHideTheBall)
{
    Loaded court("data/background.bmp");
    Loaded ball("data/ball.bmp");
    ASSERT_NE(court.s, nullptr) << SDL_GetError();
    ASSERT_NE(ball.s, nullptr) << SDL_GetError();
    int courtMax = 0;
    for (int y = 0; y < court.s->h; ++y)
        for (int x = 0; x < court.s->w; ++x)
            courtMax = std::max(courtMax, luma(rgb(court.s, x, y)));
    std::vector<int> ballLuma;
    for (int y = 0; y < ball.s->h; ++y)
        for (int x = 0; x < ball.s->w; ++x)
            if (pixel(ball.s, x, y) != white_key(ball.s))
                ballLuma.push_back(luma(rgb(ball.s, x, y)));
    ASSERT_FALSE(ballLuma.empty());
    std::sort(ballLuma.begin(), ballLuma.end());
    EXPECT_GE(ballLuma[ballLuma.size() / 2], courtMax + 60);
}

// Bright pixels within a band of rows, across the middle of the screen.
int bright_pixels(SDL_Surface *s, int top, int bottom)
{
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 40; x < 280; ++x)
            n += luma(rgb(s, x, y)) >= 120;
    return n;
}

// The title, the three choices and the keys in play are lettered in light
// colours on the dark court; the background has nothing bright there.
TEST(Menu, LettersTitleChoicesAndKeys)
{
    Loaded menu("data/menu.bmp");
    Loaded court("data/background.bmp");
    ASSERT_NE(menu.s, nullptr) << SDL_GetError();
    ASSERT_NE(court.s, nullptr) << SDL_GetError();
    struct Band {
        const char *what;
        int top, bottom;
    };
    const Band bands[] = {{"title", 16, 50}, {"choices", 72, 150}, {"keys in play", 160, 232}};
    for (const Band &b : bands) {
        EXPECT_GE(bright_pixels(menu.s, b.top, b.bottom), 300) << b.what;
        EXPECT_EQ(bright_pixels(court.s, b.top, b.bottom), 0) << b.what;
    }
}

// ---------------------------------------------------------------------------
// The game's own loading
// ---------------------------------------------------------------------------

// Through the game's checks and loader, the menu and the play images come out
// in the screen's pixel format, so drawing them needs no conversion.
TEST(GameLoading, GivesImagesInTheScreensFormat)
{
    init();
    SDL_Event choice{};
    choice.type = SDL_KEYDOWN;
    choice.key.keysym.sym = SDLK_b;  // ends the menu at its first poll
    ASSERT_EQ(SDL_PushEvent(&choice), 0);
    init_menu();
    init_graphics();
    const SDL_PixelFormat *want = screen->format;
    const std::pair<const char *, SDL_Surface *> images[] = {
        {"menu", menu}, {"background", background}, {"ball", ball}, {"bar_l", bar_l}, {"bar_r", bar_r}};
    for (const auto &[name, s] : images) {
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->format->BitsPerPixel, want->BitsPerPixel) << name;
        EXPECT_EQ(s->format->Rmask, want->Rmask) << name;
        EXPECT_EQ(s->format->Gmask, want->Gmask) << name;
        EXPECT_EQ(s->format->Bmask, want->Bmask) << name;
    }
    SDL_Quit();
}

}  // namespace
