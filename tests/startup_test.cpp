// The game from its entry: the start-up calls in order, the menu's hand-over
// to either mode, quitting from the menu, and the fatal errors. Each case
// runs the whole game in a child process, from a data folder of its own.
#include "harness.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

char arg0[] = "rebondo", arg1[] = "--help", arg2[] = "-y";
char *args[] = {arg0, arg1, arg2, nullptr};

// The game with its arguments, as the start-up glue calls it.
void run_game()
{
    SDL_main(3, args);
}

// A folder to start the game from, holding copies of the shipped images
// except where a case changes one.
class GameDir {
public:
    GameDir()
    {
        char tmpl[] = "/tmp/rebondo-test-XXXXXX";
        root_ = mkdtemp(tmpl);
        fs::copy("data", root_ / "data");
    }
    ~GameDir() { fs::remove_all(root_); }
    void remove(const char *image) { fs::remove(root_ / "data" / image); }
    void write(const char *image, const std::string &bytes)
    {
        std::ofstream(root_ / "data" / image, std::ios::binary | std::ios::trunc) << bytes;
    }
    void truncate(const char *image, size_t keep)
    {
        fs::resize_file(root_ / "data" / image, keep);
    }
    void enter() const { fs::current_path(root_); }  // in the child only

private:
    fs::path root_;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        trace_clear();
    }
};

Script choose(SDLKey key, int frames)
{
    Script s;
    s.at_flip[1] = {key};
    s.stop_after = frames;
    return s;
}

const Call &find_call(const std::vector<Call> &t, const char *name)
{
    for (const Call &c : t)
        if (c.kind == Call::kCall && std::string(c.name) == name)
            return c;
    static const Call none{};
    ADD_FAILURE() << name << " was not called";
    return none;
}

TEST_F(StartupTest, CallsInOrderFromStartToTheFirstFrameOfTheMatch)
{
    GameDir dir;
    script_set(choose(SDLK_b, 1));
    EXPECT_EXIT((dir.enter(), run_game()), ::testing::ExitedWithCode(0), ::testing::IsEmpty());
    const std::vector<Call> t = trace();
    const std::vector<std::string> expected = {
        "SDL_Init", "SDL_SetVideoMode", "SDL_WM_SetCaption Rebondo",
        "SDL_RWFromFile data/ico.bmp", "SDL_LoadBMP_RW", "SDL_WM_SetIcon",
        "SDL_RWFromFile data/menu.bmp", "SDL_LoadBMP_RW", "blit M", "flip",
        "SDL_RWFromFile data/background.bmp", "SDL_LoadBMP_RW",
        "SDL_RWFromFile data/ball.bmp", "SDL_LoadBMP_RW", "SDL_SetColorKey",
        "SDL_RWFromFile data/bar_l.bmp", "SDL_LoadBMP_RW", "SDL_SetColorKey",
        "SDL_RWFromFile data/bar_r.bmp", "SDL_LoadBMP_RW", "SDL_SetColorKey",
        "blit G", "blit L", "blit R", "delay 3", "blit O", "flip"};
    EXPECT_EQ(call_names(t), expected);

    EXPECT_EQ(find_call(t, "SDL_Init").arg[0], 0x20);
    const Call &mode = find_call(t, "SDL_SetVideoMode");
    EXPECT_EQ(mode.arg[0], 320);
    EXPECT_EQ(mode.arg[1], 240);
    EXPECT_EQ(mode.arg[2], 16);
    EXPECT_EQ(mode.arg[3], 0x40000000);
    EXPECT_EQ(find_call(t, "SDL_WM_SetCaption").arg[0], 1);  // no icon title
    const Call &icon = find_call(t, "SDL_WM_SetIcon");
    EXPECT_EQ(icon.arg[0], 1);  // an icon ...
    EXPECT_EQ(icon.arg[1], 1);  // ... and no mask
    for (const Call &c : t) {
        if (c.kind != Call::kCall)
            continue;
        const std::string name = c.name;
        if (name == "SDL_RWFromFile") {
            EXPECT_EQ(c.arg[0], 1) << c.text << " opened with \"rb\"";
        }
        if (name == "SDL_LoadBMP_RW") {
            EXPECT_EQ(c.arg[0], 1);  // the loader closes the stream
            EXPECT_EQ(c.arg[1], 1);  // and succeeded
        }
        if (name == "SDL_SetColorKey") {
            EXPECT_EQ(c.arg[0], 0x1000);  // SDL_SRCCOLORKEY alone
            EXPECT_EQ(c.arg[2], 1);       // white in the image's format
        }
    }
}

TEST_F(StartupTest, QStartsWallPractice)
{
    GameDir dir;
    script_set(choose(SDLK_q, 2));
    EXPECT_EXIT((dir.enter(), run_game()), ::testing::ExitedWithCode(0), ::testing::IsEmpty());
    const std::vector<Call> t = trace();
    EXPECT_EQ(blits_of(t, 'R').size(), 0u);
    EXPECT_EQ(ball_positions(t), (std::vector<Pos>{{11, 11}, {12, 12}}));
    EXPECT_EQ(count_flips(t), 3);  // the menu's, then one per frame
}

// Quitting from the menu reads none of the play images, so it works with
// all four of them missing.
TEST_F(StartupTest, YInTheMenuQuitsBeforeThePlayImagesAreRead)
{
    GameDir dir;
    for (const char *image : {"background.bmp", "ball.bmp", "bar_l.bmp", "bar_r.bmp"})
        dir.remove(image);
    Script s;
    s.at_flip[2] = {SDLK_y};
    script_set(s);
    EXPECT_EXIT((dir.enter(), run_game()), ::testing::ExitedWithCode(0), ::testing::IsEmpty());
    const std::vector<std::string> names = call_names(trace());
    const std::vector<std::string> tail(names.end() - 3, names.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"blit M", "flip", "flip"}));
}

// ---------------------------------------------------------------------------
// Fatal errors: one line on stderr naming what failed, status 1.
// ---------------------------------------------------------------------------

struct FailCase {
    const char *name;
    void (*prepare)(GameDir &);
    SDLKey menu_key;   // pressed at the first menu flip, if the menu is reached
    const char *line;  // the whole of stderr, as a regular expression
    friend void PrintTo(const FailCase &c, std::ostream *os) { *os << c.name; }
};

const FailCase kFailCases[] = {
    {"unknown_video_driver", [](GameDir &) { setenv("SDL_VIDEODRIVER", "nonesuch", 1); },
     SDLK_b, "rebondo: cannot start SDL video: [^\n]+\n"},
    {"icon_missing", [](GameDir &d) { d.remove("ico.bmp"); }, SDLK_b,
     "rebondo: data/ico\\.bmp: [^\n]+ \\(start rebondo from the folder that holds data/\\)\n"},
    {"menu_missing", [](GameDir &d) { d.remove("menu.bmp"); }, SDLK_b,
     "rebondo: data/menu\\.bmp: [^\n]*folder that holds data/[^\n]*\n"},
    {"menu_not_a_bmp", [](GameDir &d) { d.write("menu.bmp", "\x89PNG\r\n\x1a\n0000"); }, SDLK_b,
     "rebondo: data/menu\\.bmp: [^\n]+\n"},
    {"background_empty", [](GameDir &d) { d.write("background.bmp", ""); }, SDLK_b,
     "rebondo: data/background\\.bmp: [^\n]+\n"},
    {"ball_truncated", [](GameDir &d) { d.truncate("ball.bmp", 60); }, SDLK_q,
     "rebondo: data/ball\\.bmp: [^\n]+\n"},
    {"right_paddle_missing", [](GameDir &d) { d.remove("bar_r.bmp"); }, SDLK_q,
     "rebondo: data/bar_r\\.bmp: [^\n]*folder that holds data/[^\n]*\n"},
};

class FailTest : public StartupTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(FailTest, StopsWithOneLineAndStatusOne)
{
    const FailCase &c = GetParam();
    GameDir dir;
    script_set(choose(c.menu_key, 1));
    EXPECT_EXIT((c.prepare(dir), dir.enter(), run_game()), ::testing::ExitedWithCode(1),
                ::testing::MatchesRegex(c.line));
}

INSTANTIATE_TEST_SUITE_P(Startup, FailTest, ::testing::ValuesIn(kFailCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(StartupTest, RefusedVideoModeStopsWithOneLine)
{
    GameDir dir;
    Script s = choose(SDLK_b, 1);
    s.refuse_video_mode = true;
    script_set(s);
    EXPECT_EXIT((dir.enter(), run_game()), ::testing::ExitedWithCode(1),
                ::testing::MatchesRegex("rebondo: cannot open a 320x240 16-bit window: "
                                        "Couldn't set video mode \\(refused by the test\\)\n"));
    // Nothing is drawn on a window that does not exist.
    EXPECT_EQ(call_names(trace()), (std::vector<std::string>{"SDL_Init", "SDL_SetVideoMode"}));
}

// A broken play image is found only once a mode is chosen: the menu works.
TEST_F(StartupTest, BrokenPlayImageIsReportedAfterTheMenu)
{
    GameDir dir;
    dir.truncate("ball.bmp", 60);
    script_set(choose(SDLK_b, 1));
    EXPECT_EXIT((dir.enter(), run_game()), ::testing::ExitedWithCode(1),
                ::testing::HasSubstr("data/ball.bmp"));
    const std::vector<std::string> names = call_names(trace());
    EXPECT_NE(std::find(names.begin(), names.end(), "flip"), names.end());
    EXPECT_EQ(names.back(), "SDL_RWFromFile data/ball.bmp");
}

}  // namespace
