// The menu: which choice is recorded from the pending events, what is
// ignored, Y as a real exit, and when the menu flips.
#include "harness.h"

namespace {

// A pending event: a key press, a key release, or another kind of event.
struct Ev {
    Uint8 type;
    SDLKey key;
    SDLMod mod;
};
Ev down(SDLKey k, SDLMod m = KMOD_NONE) { return {SDL_KEYDOWN, k, m}; }
Ev up(SDLKey k) { return {SDL_KEYUP, k, KMOD_NONE}; }
Ev other(Uint8 type) { return {type, SDLK_UNKNOWN, KMOD_NONE}; }

void push_all(const std::vector<Ev> &events)
{
    for (const Ev &e : events) {
        if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP)
            push_key(e.key, e.mod, e.type);
        else
            push_event_of_type(e.type);
    }
}

struct ChoiceCase {
    const char *name;
    std::vector<Ev> events;
    int menu1;
    friend void PrintTo(const ChoiceCase &c, std::ostream *os) { *os << c.name; }
};

const ChoiceCase kChoiceCases[] = {
    {"b_is_the_match", {down(SDLK_b)}, 1},
    {"q_is_wall_practice", {down(SDLK_q)}, 2},
    {"last_choice_wins_q", {down(SDLK_b), down(SDLK_q)}, 2},
    {"last_choice_wins_b", {down(SDLK_q), down(SDLK_b)}, 1},
    {"shift_and_caps_make_no_difference", {down(SDLK_b, KMOD_LSHIFT)}, 1},
    {"caps_lock_q", {down(SDLK_q, KMOD_CAPS)}, 2},
    {"play_keys_do_nothing", {down(SDLK_a), down(SDLK_UP), down(SDLK_SPACE), down(SDLK_RETURN)}, 0},
    {"releases_do_nothing", {up(SDLK_b), up(SDLK_q), up(SDLK_y)}, 0},
    {"close_request_and_mouse_do_nothing",
     {other(SDL_QUIT), other(SDL_MOUSEBUTTONDOWN), other(SDL_ACTIVEEVENT)}, 0},
    {"nothing_pending", {}, 0},
};

class ChoiceTest : public GameTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(ChoiceTest, RecordsTheLastChoiceAndDrainsTheQueue)
{
    push_all(GetParam().events);
    input_menu();
    EXPECT_EQ(menu1, GetParam().menu1);
    EXPECT_TRUE(queue_empty());
    EXPECT_EQ(L.y, 90);
    EXPECT_EQ(R.y, 90);
}

INSTANTIATE_TEST_SUITE_P(Menu, ChoiceTest, ::testing::ValuesIn(kChoiceCases),
                         [](const auto &info) { return std::string(info.param.name); });

using MenuTest = GameTest;

// An A pressed just after B, before the menu polls, is the menu's: it does
// not move the paddle once play begins.
TEST_F(MenuTest, KeysQueuedWithTheChoiceAreConsumed)
{
    push_key(SDLK_b);
    push_key(SDLK_a);
    push_key(SDLK_DOWN);
    input_menu();
    EXPECT_EQ(menu1, 1);
    input();
    EXPECT_EQ(L.y, 90);
    EXPECT_EQ(R.y, 90);
}

// A choice already waiting ends the menu before its first flip; the menu
// image is drawn once, whole, at the top-left corner.
TEST_F(MenuTest, ChoiceWaitingEndsTheMenuBeforeAnyFlip)
{
    push_key(SDLK_q);
    init_menu();
    EXPECT_EQ(menu1, 2);
    const std::vector<Call> t = trace();
    EXPECT_EQ(call_names(t), (std::vector<std::string>{"SDL_RWFromFile data/menu.bmp",
                                                       "SDL_LoadBMP_RW", "blit M"}));
    EXPECT_TRUE(t.back().whole);
}

// Without a choice the menu flips once per poll; the choice made after the
// third flip ends it without a fourth.
TEST_F(MenuTest, FlipsUntilAChoiceArrives)
{
    Script s;
    s.at_flip[1] = {SDLK_a};
    s.at_flip[2] = {SDLK_SPACE};
    s.at_flip[3] = {SDLK_b};
    script_set(s);
    init_menu();
    EXPECT_EQ(menu1, 1);
    const std::vector<Call> t = trace();
    EXPECT_EQ(count_flips(t), 3);
    EXPECT_EQ(blits_of(t, 'M').size(), 1u);
    EXPECT_EQ(t.back().kind, Call::kFlip);
    EXPECT_EQ(count_delays(t, 3) + count_delays(t, 1500), 0);
}

using MenuDeathTest = GameTest;

struct QuitCase {
    const char *name;
    std::vector<Ev> events;
};

const QuitCase kQuitCases[] = {
    {"y", {down(SDLK_y)}},
    {"y_after_b", {down(SDLK_b), down(SDLK_y)}},
    {"y_after_q_and_close_request", {down(SDLK_q), other(SDL_QUIT), down(SDLK_y, KMOD_LSHIFT)}},
};

TEST_F(MenuDeathTest, YEndsTheProcessWithStatusZeroAndNoOutput)
{
    for (const QuitCase &c : kQuitCases) {
        SCOPED_TRACE(c.name);
        push_all(c.events);
        EXPECT_EXIT(input_menu(), ::testing::ExitedWithCode(0), ::testing::IsEmpty());
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }
}

}  // namespace
