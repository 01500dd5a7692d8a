// make_art: paints Rebondo's six images and writes them as BMP files.
//
//   make_art OUTDIR            the game's images: RGB565 (BI_BITFIELDS) for the
//                              five drawn on the 16-bit screen, 24-bit for the icon
//   make_art OUTDIR --24bit    all six as plain 24-bit BMPs, for comparing the
//                              cost of a frame
//
// Deliberate choices:
// - Everything is painted with integer arithmetic from the tables below, so
//   the output is the same byte for byte on every machine and compiler; a test
//   regenerates the images and compares them with data/.
// - Lettering comes from the 5 x 7 pixel font below (with two rows for
//   descenders); no system font is read.
// - The ball and paddles are hard-edged shapes on exact white (255, 255, 255),
//   the colour key the game sets on them; no colour inside a shape maps to
//   white in RGB565.
// - The five images the game draws every frame or on the menu are stored in
//   the screen's own pixel format (16-bit, masks F800/07E0/001F), so blitting
//   them is a plain copy. The icon only goes to the window manager, which
//   takes it in full colour.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Sizes and colours
// ---------------------------------------------------------------------------

static const int kScreenW = 320;  // the window and the two full-screen images
static const int kScreenH = 240;
static const int kBallSide = 5;   // ball.bmp is 5 x 5
static const int kPaddleW = 10;   // bar_l.bmp and bar_r.bmp are 10 x 60
static const int kPaddleH = 60;
static const int kIconSide = 32;  // ico.bmp is 32 x 32
static const int kPaddleStartY = 90;      // where the game puts both paddles' tops
static const int kRightPaddleX = 310;     // the right paddle's left edge

using Rgb = std::uint32_t;  // 0xRRGGBB

static const Rgb kKeyWhite = 0xFFFFFF;  // transparent in the ball and paddles

static const Rgb kField = 0x101830;       // the court
static const Rgb kFieldLine = 0x28385C;   // border, goal lines and centre circle
static const Rgb kCentreDash = 0x384C78;  // the dashed centre line

static const Rgb kBallBody = 0xF8A820;
static const Rgb kBallLight = 0xF8E8A0;
static const Rgb kBallShade = 0xC86810;
static const Rgb kBallRim = 0x904008;

// A paddle's palette, from its lit edge to its shaded edge.
struct PaddleColours {
    Rgb light, body, shade, rim;
};
static const PaddleColours kLeftPaddle = {0xA0F0F8, 0x30C8D8, 0x1888A0, 0x105868};
static const PaddleColours kRightPaddle = {0xF8B0C0, 0xF06080, 0xB02850, 0x701830};

static const Rgb kTitleTop = 0xF8E060;     // the title's gradient, top to bottom
static const Rgb kTitleBottom = 0xF87820;
static const Rgb kTitleShadow = 0x502010;
static const Rgb kText = 0xD8E0F0;         // labels
static const Rgb kTextDim = 0x8898C0;      // headings and separators
static const Rgb kKeyFace = 0xD0D8E8;      // key caps drawn around key names
static const Rgb kKeyEdge = 0x7080A8;
static const Rgb kKeyLetter = 0x182038;

// ---------------------------------------------------------------------------
// Canvas
// ---------------------------------------------------------------------------

struct Canvas {
    int w, h;
    std::vector<Rgb> px;  // row-major, top row first
};

static Canvas make_canvas(int w, int h, Rgb fill)
{
    return Canvas{w, h, std::vector<Rgb>(static_cast<size_t>(w) * h, fill)};
}

// Pixels outside the canvas are silently dropped.
static void plot(Canvas &c, int x, int y, Rgb colour)
{
    if (x >= 0 && y >= 0 && x < c.w && y < c.h)
        c.px[static_cast<size_t>(y) * c.w + x] = colour;
}

static void fill_rect(Canvas &c, int x, int y, int w, int h, Rgb colour)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            plot(c, i, j, colour);
}

static void frame_rect(Canvas &c, int x, int y, int w, int h, Rgb colour)
{
    fill_rect(c, x, y, w, 1, colour);
    fill_rect(c, x, y + h - 1, w, 1, colour);
    fill_rect(c, x, y, 1, h, colour);
    fill_rect(c, x + w - 1, y, 1, h, colour);
}

// A one-pixel circle outline, by the midpoint method.
static void circle(Canvas &c, int cx, int cy, int r, Rgb colour)
{
    int x = r, y = 0, err = 1 - r;
    while (x >= y) {
        const int pts[8][2] = {{x, y}, {y, x}, {-y, x}, {-x, y},
                               {-x, -y}, {-y, -x}, {y, -x}, {x, -y}};
        for (const auto &p : pts)
            plot(c, cx + p[0], cy + p[1], colour);
        ++y;
        if (err < 0) {
            err += 2 * y + 1;
        } else {
            --x;
            err += 2 * (y - x) + 1;
        }
    }
}

// Mixes a and b, t of 0..n taking a to b; integer, so reproducible.
static Rgb mix(Rgb a, Rgb b, int t, int n)
{
    Rgb out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        out |= static_cast<Rgb>(ca + (cb - ca) * t / n) << shift;
    }
    return out;
}

// Copies a picture onto the canvas, leaving out its key-white pixels.
static void stamp(Canvas &c, const Canvas &sprite, int x, int y)
{
    for (int j = 0; j < sprite.h; ++j)
        for (int i = 0; i < sprite.w; ++i) {
            const Rgb p = sprite.px[static_cast<size_t>(j) * sprite.w + i];
            if (p != kKeyWhite)
                plot(c, x + i, y + j, p);
        }
}

// ---------------------------------------------------------------------------
// Font: 5 x 7 glyphs on a 6 x 10 cell, two rows below the base line for
// descenders. Each glyph is its rows from the top, '#' for ink, separated by
// spaces; missing rows are blank. 0x18 and 0x19 are the arrow keys' arrows.
// ---------------------------------------------------------------------------

static const int kGlyphW = 5;
static const int kGlyphRows = 9;
static const int kCellW = 6;   // advance per character
static const int kCapH = 7;    // rows above the base line

struct Glyph {
    char ch;
    const char *rows;
};

static const Glyph kFont[] = {
    {' ', ""},
    {'A', ".###. #...# #...# ##### #...# #...# #...#"},
    {'B', "####. #...# #...# ####. #...# #...# ####."},
    {'C', ".###. #...# #.... #.... #.... #...# .###."},
    {'D', "###.. #..#. #...# #...# #...# #..#. ###.."},
    {'E', "##### #.... #.... ####. #.... #.... #####"},
    {'F', "##### #.... #.... ####. #.... #.... #...."},
    {'G', ".###. #...# #.... #.### #...# #...# .####"},
    {'H', "#...# #...# #...# ##### #...# #...# #...#"},
    {'I', ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'J', "..### ...#. ...#. ...#. ...#. #..#. .##.."},
    {'K', "#...# #..#. #.#.. ##... #.#.. #..#. #...#"},
    {'L', "#.... #.... #.... #.... #.... #.... #####"},
    {'M', "#...# ##.## #.#.# #.#.# #...# #...# #...#"},
    {'N', "#...# #...# ##..# #.#.# #..## #...# #...#"},
    {'O', ".###. #...# #...# #...# #...# #...# .###."},
    {'P', "####. #...# #...# ####. #.... #.... #...."},
    {'Q', ".###. #...# #...# #...# #.#.# #..#. .##.#"},
    {'R', "####. #...# #...# ####. #.#.. #..#. #...#"},
    {'S', ".#### #.... #.... .###. ....# ....# ####."},
    {'T', "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'U', "#...# #...# #...# #...# #...# #...# .###."},
    {'V', "#...# #...# #...# #...# #...# .#.#. ..#.."},
    {'W', "#...# #...# #...# #.#.# #.#.# ##.## #...#"},
    {'X', "#...# #...# .#.#. ..#.. .#.#. #...# #...#"},
    {'Y', "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.."},
    {'Z', "##### ....# ...#. ..#.. .#... #.... #####"},
    {'a', "..... ..... .###. ....# .#### #...# .####"},
    {'b', "#.... #.... ####. #...# #...# #...# ####."},
    {'c', "..... ..... .#### #.... #.... #.... .####"},
    {'d', "....# ....# .#### #...# #...# #...# .####"},
    {'e', "..... ..... .###. #...# ##### #.... .####"},
    {'f', "..##. .#... ####. .#... .#... .#... .#..."},
    {'g', "..... ..... .#### #...# #...# #...# .#### ....# .###."},
    {'h', "#.... #.... ####. #...# #...# #...# #...#"},
    {'i', "..#.. ..... .##.. ..#.. ..#.. ..#.. .###."},
    {'j', "...#. ..... ..##. ...#. ...#. ...#. ...#. #..#. .##.."},
    {'k', "#.... #.... #..#. #.#.. ##... #.#.. #..#."},
    {'l', ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'m', "..... ..... ##.#. #.#.# #.#.# #.#.# #...#"},
    {'n', "..... ..... ####. #...# #...# #...# #...#"},
    {'o', "..... ..... .###. #...# #...# #...# .###."},
    {'p', "..... ..... ####. #...# #...# #...# ####. #.... #...."},
    {'q', "..... ..... .#### #...# #...# #...# .#### ....# ....#"},
    {'r', "..... ..... #.##. ##..# #.... #.... #...."},
    {'s', "..... ..... .#### #.... .###. ....# ####."},
    {'t', ".#... .#... ####. .#... .#... .#..# ..##."},
    {'u', "..... ..... #...# #...# #...# #..## .##.#"},
    {'v', "..... ..... #...# #...# #...# .#.#. ..#.."},
    {'w', "..... ..... #...# #...# #.#.# #.#.# .#.#."},
    {'x', "..... ..... #...# .#.#. ..#.. .#.#. #...#"},
    {'y', "..... ..... #...# #...# #...# #...# .#### ....# .###."},
    {'z', "..... ..... ##### ...#. ..#.. .#... #####"},
    {'0', ".###. #...# #..## #.#.# ##..# #...# .###."},
    {'1', "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'2', ".###. #...# ....# ...#. ..#.. .#... #####"},
    {'3', "####. ....# ....# .###. ....# ....# ####."},
    {'4', "...#. ..##. .#.#. #..#. ##### ...#. ...#."},
    {'5', "##### #.... ####. ....# ....# #...# .###."},
    {'6', ".###. #.... #.... ####. #...# #...# .###."},
    {'7', "##### ....# ...#. ..#.. .#... .#... .#..."},
    {'8', ".###. #...# #...# .###. #...# #...# .###."},
    {'9', ".###. #...# #...# .#### ....# ....# .###."},
    {'/', "....# ....# ...#. ..#.. .#... #.... #...."},
    {'-', "..... ..... ..... .###. ..... ..... ....."},
    {'.', "..... ..... ..... ..... ..... ..... ..#.."},
    {',', "..... ..... ..... ..... ..... ..#.. ..#.. .#..."},
    {':', "..... ..... ..#.. ..... ..... ..#.. ....."},
    {'!', "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#.."},
    {'\x18', "..#.. .###. #.#.# ..#.. ..#.. ..#.. ..#.."},
    {'\x19', "..#.. ..#.. ..#.. ..#.. #.#.# .###. ..#.."},
};

// The glyph's rows, or a stop for a character the font lacks.
static const char *glyph_rows(char ch)
{
    for (const Glyph &g : kFont)
        if (g.ch == ch)
            return g.rows;
    std::fprintf(stderr, "make_art: no glyph for character 0x%02x\n",
                 static_cast<unsigned char>(ch));
    std::exit(EXIT_FAILURE);
}

// Whether the glyph has ink at (col, row).
static bool glyph_ink(const char *rows, int col, int row)
{
    const size_t len = std::strlen(rows);
    const size_t at = static_cast<size_t>(row) * (kGlyphW + 1) + col;
    return at < len && rows[at] == '#';
}

static int text_width(const std::string &s, int scale)
{
    return s.empty() ? 0 : (static_cast<int>(s.size()) * kCellW - 1) * scale;
}

// Draws s with its top-left at (x, y), each font pixel a scale x scale block,
// coloured from top to bottom along the rows of the cap height.
static void draw_text(Canvas &c, int x, int y, const std::string &s, int scale, Rgb top,
                      Rgb bottom)
{
    for (size_t k = 0; k < s.size(); ++k) {
        const char *rows = glyph_rows(s[k]);
        const int gx = x + static_cast<int>(k) * kCellW * scale;
        for (int row = 0; row < kGlyphRows; ++row)
            for (int col = 0; col < kGlyphW; ++col)
                if (glyph_ink(rows, col, row)) {
                    const int t = row < kCapH ? row : kCapH - 1;
                    fill_rect(c, gx + col * scale, y + row * scale, scale, scale,
                              mix(top, bottom, t, kCapH - 1));
                }
    }
}

static void draw_text(Canvas &c, int x, int y, const std::string &s, int scale, Rgb colour)
{
    draw_text(c, x, y, s, scale, colour, colour);
}

// ---------------------------------------------------------------------------
// Sprites: ball and paddles
// ---------------------------------------------------------------------------

// A round 5 x 5 ball lit from the top left.
static Canvas paint_ball()
{
    static const char *const kRows[kBallSide] = {
        ".ooo.",
        "oLoos",
        "oooos",
        "osssS",
        ".sSS.",
    };
    Canvas c = make_canvas(kBallSide, kBallSide, kKeyWhite);
    for (int y = 0; y < kBallSide; ++y)
        for (int x = 0; x < kBallSide; ++x) {
            switch (kRows[y][x]) {
            case 'o': plot(c, x, y, kBallBody); break;
            case 'L': plot(c, x, y, kBallLight); break;
            case 's': plot(c, x, y, kBallShade); break;
            case 'S': plot(c, x, y, kBallRim); break;
            default: break;
            }
        }
    return c;
}

// A 10 x 60 rounded bar shaded like a cylinder lit from the left, with three
// grip grooves across its middle.
static Canvas paint_paddle(const PaddleColours &pc)
{
    // Colour of each column, left to right: rim, lit side, body, shaded side.
    const Rgb columns[kPaddleW] = {pc.shade, pc.body, pc.light, pc.light, pc.body,
                                   pc.body,  pc.body, pc.shade, pc.shade, pc.rim};
    Canvas c = make_canvas(kPaddleW, kPaddleH, kKeyWhite);
    for (int y = 0; y < kPaddleH; ++y) {
        // Two rows at each end are inset to round the corners.
        const int inset = (y == 0 || y == kPaddleH - 1) ? 2 : (y == 1 || y == kPaddleH - 2) ? 1 : 0;
        for (int x = inset; x < kPaddleW - inset; ++x) {
            Rgb p = columns[x];
            if (y == kPaddleH - 1 || (y == kPaddleH - 2 && inset > 0 && x == inset))
                p = pc.rim;
            plot(c, x, y, p);
        }
    }
    for (int groove = -1; groove <= 1; ++groove)
        fill_rect(c, 2, kPaddleH / 2 + groove * 4, kPaddleW - 4, 1, pc.shade);
    return c;
}

// ---------------------------------------------------------------------------
// Court and menu
// ---------------------------------------------------------------------------

// The court shared by the background and the menu: dark field, thin border,
// goal lines in front of the paddles, centre circle and a dashed centre line.
static Canvas paint_court()
{
    Canvas c = make_canvas(kScreenW, kScreenH, kField);
    frame_rect(c, 0, 0, kScreenW, kScreenH, kFieldLine);
    fill_rect(c, kPaddleW, 0, 1, kScreenH, kFieldLine);
    fill_rect(c, kRightPaddleX - 1, 0, 1, kScreenH, kFieldLine);
    circle(c, kScreenW / 2 - 1, kScreenH / 2 - 1, 28, kFieldLine);
    static const int kDash = 6, kGap = 6;
    for (int y = 3; y < kScreenH; y += kDash + kGap)
        fill_rect(c, kScreenW / 2 - 1, y, 2, kDash, kCentreDash);
    return c;
}

// A key cap around a key's name, with its top-left at (x, y); returns its width.
static int draw_key(Canvas &c, int x, int y, const std::string &name, int scale)
{
    const int padX = 2 * scale + 1, padY = 2 * scale;
    const int w = text_width(name, scale) + 2 * padX;
    const int h = kCapH * scale + 2 * padY;
    fill_rect(c, x + 1, y, w - 2, h, kKeyFace);
    fill_rect(c, x, y + 1, w, h - 2, kKeyFace);
    fill_rect(c, x + 1, y + h - scale, w - 2, scale, kKeyEdge);  // the key's lower lip
    draw_text(c, x + padX, y + padY - scale / 2, name, scale, kKeyLetter);
    return w;
}

static int key_height(int scale) { return kCapH * scale + 4 * scale; }

// One row of the menu: key caps, then what they do.
struct MenuRow {
    std::vector<std::string> keys;
    std::string label;
    Rgb colour;
};

static int keys_width(const MenuRow &row, int scale)
{
    int w = 0;
    for (const std::string &k : row.keys)
        w += text_width(k, scale) + 2 * (2 * scale + 1) + 2 * scale;
    return w - 2 * scale;
}

// Draws rows of keys and labels as one block centred across the screen,
// starting at y; returns the y below the block.
static int draw_rows(Canvas &c, int y, const std::vector<MenuRow> &rows, int scale, int pitch)
{
    int keysW = 0, labelW = 0;
    for (const MenuRow &r : rows) {
        keysW = std::max(keysW, keys_width(r, scale));
        labelW = std::max(labelW, text_width(r.label, scale));
    }
    const int gap = 5 * scale;
    const int left = (kScreenW - (keysW + gap + labelW)) / 2;
    for (const MenuRow &r : rows) {
        int x = left + keysW - keys_width(r, scale);  // key caps right-aligned
        for (const std::string &k : r.keys)
            x += draw_key(c, x, y, k, scale) + 2 * scale;
        const int textY = y + (key_height(scale) - kCapH * scale) / 2;
        draw_text(c, left + keysW + gap, textY, r.label, scale, r.colour);
        y += pitch;
    }
    return y;
}

// A centred heading between two short rules.
static void draw_heading(Canvas &c, int y, const std::string &s)
{
    const int w = text_width(s, 1);
    const int x = (kScreenW - w) / 2;
    draw_text(c, x, y, s, 1, kTextDim);
    static const int kRule = 60;
    fill_rect(c, x - 8 - kRule, y + 3, kRule, 1, kTextDim);
    fill_rect(c, x + w + 8, y + 3, kRule, 1, kTextDim);
}

static Canvas paint_menu(const Canvas &left, const Canvas &right)
{
    Canvas c = paint_court();
    // The court's centre line would run through the text: the menu keeps the
    // border and goal lines only.
    fill_rect(c, kPaddleW + 1, 1, kRightPaddleX - kPaddleW - 2, kScreenH - 2, kField);
    stamp(c, left, 0, kPaddleStartY);
    stamp(c, right, kRightPaddleX, kPaddleStartY);

    static const int kTitleScale = 4;
    const std::string title = "Rebondo";
    const int tx = (kScreenW - text_width(title, kTitleScale)) / 2, ty = 18;
    draw_text(c, tx + 2, ty + 2, title, kTitleScale, kTitleShadow);
    draw_text(c, tx, ty, title, kTitleScale, kTitleTop, kTitleBottom);

    draw_heading(c, 60, "choose");
    const int y = draw_rows(c, 74,
                            {{{"B"}, "Two players", kText},
                             {{"Q"}, "Wall practice", kText},
                             {{"Y"}, "Quit", kText}},
                            2, 26);
    draw_heading(c, y + 4, "in play");
    draw_rows(c, y + 18,
              {{{"Q", "A"}, "left paddle up / down", kLeftPaddle.body},
               {{"\x18", "\x19"}, "right paddle up / down", kRightPaddle.body},
               {{"Space"}, "quit", kText}},
              1, 19);
    return c;
}

// The window icon: a tiny court with both paddles and the ball, in strokes
// thick enough to read at 16 x 16.
static Canvas paint_icon()
{
    Canvas c = make_canvas(kIconSide, kIconSide, kField);
    frame_rect(c, 0, 0, kIconSide, kIconSide, kFieldLine);
    for (int y = 3; y < kIconSide - 2; y += 4)
        fill_rect(c, 15, y, 2, 2, kCentreDash);
    fill_rect(c, 3, 5, 4, 14, kLeftPaddle.body);
    fill_rect(c, 3, 5, 1, 14, kLeftPaddle.light);
    fill_rect(c, 25, 13, 4, 14, kRightPaddle.body);
    fill_rect(c, 25, 13, 1, 14, kRightPaddle.light);
    static const char *const kBall[8] = {"..oooo..", ".oLLooo.", "oLLooooo", "oLoooooo",
                                         "ooooooos", "ooooooss", ".ooooss.", "..ssss.."};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const char k = kBall[y][x];
            if (k != '.')
                plot(c, 10 + x, 14 + y, k == 'L' ? kBallLight : k == 's' ? kBallShade : kBallBody);
        }
    return c;
}

// ---------------------------------------------------------------------------
// BMP writing
// ---------------------------------------------------------------------------

using Bytes = std::vector<unsigned char>;

static void put16(Bytes &b, unsigned v)
{
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}

static void put32(Bytes &b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

static const std::uint32_t kMaskR = 0xF800, kMaskG = 0x07E0, kMaskB = 0x001F;
static const unsigned kBiRgb = 0, kBiBitfields = 3;
static const std::uint32_t kPixelsPerMetre = 2835;  // 72 dpi

// RGB565 keeps the top 5, 6 and 5 bits: white stays 0xFFFF.
static unsigned to565(Rgb p)
{
    return ((p >> 8) & kMaskR) | ((p >> 5) & kMaskG) | ((p >> 3) & kMaskB);
}

// File header, 40-byte info header and, for BI_BITFIELDS, the three masks
// right after it; rows bottom-up, each padded to 4 bytes.
static Bytes encode_bmp(const Canvas &c, unsigned bpp)
{
    const bool bitfields = bpp == 16;
    const std::uint32_t pitch = (static_cast<std::uint32_t>(c.w) * bpp + 31) / 32 * 4;
    const std::uint32_t offset = 14 + 40 + (bitfields ? 12 : 0);
    const std::uint32_t imageSize = pitch * static_cast<std::uint32_t>(c.h);
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    put32(b, offset + imageSize);
    put32(b, 0);  // reserved
    put32(b, offset);
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(c.w));
    put32(b, static_cast<std::uint32_t>(c.h));  // positive: bottom-up rows
    put16(b, 1);  // planes
    put16(b, bpp);
    put32(b, bitfields ? kBiBitfields : kBiRgb);
    put32(b, imageSize);
    put32(b, kPixelsPerMetre);
    put32(b, kPixelsPerMetre);
    put32(b, 0);  // colours used: no palette
    put32(b, 0);  // important colours
    if (bitfields) {
        put32(b, kMaskR);
        put32(b, kMaskG);
        put32(b, kMaskB);
    }
    for (int y = c.h - 1; y >= 0; --y) {
        const size_t rowStart = b.size();
        for (int x = 0; x < c.w; ++x) {
            const Rgb p = c.px[static_cast<size_t>(y) * c.w + x];
            if (bitfields) {
                put16(b, to565(p));
            } else {  // blue, green, red
                b.push_back(p & 0xFF);
                b.push_back((p >> 8) & 0xFF);
                b.push_back((p >> 16) & 0xFF);
            }
        }
        b.resize(rowStart + pitch, 0);
    }
    return b;
}

static void write_file(const std::string &path, const Bytes &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    const bool ok = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f != nullptr && std::fclose(f) != 0)
        std::perror(path.c_str());
    if (!ok) {
        std::fprintf(stderr, "make_art: cannot write %s\n", path.c_str());
        std::exit(EXIT_FAILURE);
    }
}

// ---------------------------------------------------------------------------
// Entry
// ---------------------------------------------------------------------------

int main(int argc, char *argv[])
{
    const bool all24 = argc == 3 && std::strcmp(argv[2], "--24bit") == 0;
    if (argc != 2 && !all24) {
        std::fprintf(stderr, "usage: make_art OUTDIR [--24bit]\n");
        return EXIT_FAILURE;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const unsigned screenBpp = all24 ? 24 : 16;  // for the images the game blits

    const Canvas ball = paint_ball();
    const Canvas left = paint_paddle(kLeftPaddle);
    const Canvas right = paint_paddle(kRightPaddle);
    write_file(dir + "ball.bmp", encode_bmp(ball, screenBpp));
    write_file(dir + "bar_l.bmp", encode_bmp(left, screenBpp));
    write_file(dir + "bar_r.bmp", encode_bmp(right, screenBpp));
    write_file(dir + "background.bmp", encode_bmp(paint_court(), screenBpp));
    write_file(dir + "menu.bmp", encode_bmp(paint_menu(left, right), screenBpp));
    write_file(dir + "ico.bmp", encode_bmp(paint_icon(), 24));
    return EXIT_SUCCESS;
}
