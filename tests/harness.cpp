#include "harness.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------
// The trace, in memory shared with forked children
// ---------------------------------------------------------------------------

static const int kTraceCap = 1 << 16;  // calls; a test records a few thousand
static const int kRunawayFrames = 20000;  // a child still running by then is stuck

struct SharedTrace {
    int count;
    bool overflow;
    Call calls[kTraceCap];
};

static SharedTrace *shared_trace()
{
    static SharedTrace *t = [] {
        void *p = mmap(nullptr, sizeof(SharedTrace), PROT_READ | PROT_WRITE,
                       MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            std::abort();
        return static_cast<SharedTrace *>(p);
    }();
    return t;
}

static Script script;         // copied into each child at fork
static int frames, serves, flips;  // counted per process

static void record(const Call &c)
{
    SharedTrace *t = shared_trace();
    if (t->count < kTraceCap)
        t->calls[t->count++] = c;
    else
        t->overflow = true;
}

void trace_clear()
{
    shared_trace()->count = 0;
    shared_trace()->overflow = false;
    frames = serves = flips = 0;
}

std::vector<Call> trace()
{
    const SharedTrace *t = shared_trace();
    EXPECT_FALSE(t->overflow) << "trace overflow";
    return std::vector<Call>(t->calls, t->calls + t->count);
}

void script_set(const Script &s)
{
    script = s;
}

static void push_keys(const std::map<int, std::vector<SDLKey>> &when, int n)
{
    auto it = when.find(n);
    if (it != when.end())
        for (SDLKey k : it->second)
            push_key(k);
}

// ---------------------------------------------------------------------------
// The link seams
// ---------------------------------------------------------------------------

extern "C" {
int __real_SDL_Flip(SDL_Surface *s);
int __real_SDL_UpperBlit(SDL_Surface *src, SDL_Rect *srect, SDL_Surface *dst, SDL_Rect *drect);

void __wrap_SDL_Delay(Uint32 ms)
{
    Call c{};
    c.kind = Call::kDelay;
    c.ms = ms;
    c.ball_at = move;
    c.left = L;
    c.right = R;
    c.bar_r_rect = BAR_R;
    record(c);
    if (ms == 1500)
        push_keys(script.at_serve, ++serves);
    if (ms != 3)
        return;
    ++frames;
    push_keys(script.at_frame, frames);
    if (frames == script.stop_after)
        push_key(SDLK_SPACE);
    if (frames > kRunawayFrames)
        _exit(97);
}

int __wrap_SDL_Flip(SDL_Surface *s)
{
    Call c{};
    c.kind = Call::kFlip;
    record(c);
    push_keys(script.at_flip, ++flips);
    return __real_SDL_Flip(s);
}

int __wrap_SDL_UpperBlit(SDL_Surface *src, SDL_Rect *srect, SDL_Surface *dst, SDL_Rect *drect)
{
    Call c{};
    c.kind = Call::kBlit;
    c.image = src == background ? 'G' : src == ball ? 'O' : src == bar_l ? 'L'
            : src == bar_r ? 'R' : src == menu ? 'M' : '?';
    c.whole = drect == nullptr;
    if (drect) {
        c.x = drect->x;
        c.y = drect->y;
    }
    const int result = __real_SDL_UpperBlit(src, srect, dst, drect);
    if (drect)
        c.clipped = *drect;
    record(c);
    return result;
}
}

// The start-up calls, recorded by name with their arguments.
static void record_call(const char *name, const char *text, long a0 = 0, long a1 = 0,
                        long a2 = 0, long a3 = 0)
{
    Call c{};
    c.kind = Call::kCall;
    c.name = name;
    if (text)
        std::snprintf(c.text, sizeof c.text, "%s", text);
    c.arg[0] = a0;
    c.arg[1] = a1;
    c.arg[2] = a2;
    c.arg[3] = a3;
    record(c);
}

extern "C" {
int __real_SDL_Init(Uint32 flags);
SDL_Surface *__real_SDL_SetVideoMode(int w, int h, int bpp, Uint32 flags);
void __real_SDL_WM_SetCaption(const char *title, const char *icon);
void __real_SDL_WM_SetIcon(SDL_Surface *icon, Uint8 *mask);
SDL_RWops *__real_SDL_RWFromFile(const char *file, const char *mode);
SDL_Surface *__real_SDL_LoadBMP_RW(SDL_RWops *src, int freesrc);
int __real_SDL_SetColorKey(SDL_Surface *s, Uint32 flag, Uint32 key);

int __wrap_SDL_Init(Uint32 flags)
{
    record_call("SDL_Init", nullptr, static_cast<long>(flags));
    return __real_SDL_Init(flags);
}

SDL_Surface *__wrap_SDL_SetVideoMode(int w, int h, int bpp, Uint32 flags)
{
    record_call("SDL_SetVideoMode", nullptr, w, h, bpp, static_cast<long>(flags));
    if (script.refuse_video_mode) {
        SDL_SetError("Couldn't set video mode (refused by the test)");
        return nullptr;
    }
    return __real_SDL_SetVideoMode(w, h, bpp, flags);
}

void __wrap_SDL_WM_SetCaption(const char *title, const char *icon)
{
    record_call("SDL_WM_SetCaption", title, icon == nullptr);
    __real_SDL_WM_SetCaption(title, icon);
}

void __wrap_SDL_WM_SetIcon(SDL_Surface *icon, Uint8 *mask)
{
    record_call("SDL_WM_SetIcon", nullptr, icon != nullptr, mask == nullptr);
    __real_SDL_WM_SetIcon(icon, mask);
}

SDL_RWops *__wrap_SDL_RWFromFile(const char *file, const char *mode)
{
    record_call("SDL_RWFromFile", file, mode && std::strcmp(mode, "rb") == 0);
    return __real_SDL_RWFromFile(file, mode);
}

SDL_Surface *__wrap_SDL_LoadBMP_RW(SDL_RWops *src, int freesrc)
{
    SDL_Surface *s = __real_SDL_LoadBMP_RW(src, freesrc);
    record_call("SDL_LoadBMP_RW", nullptr, freesrc, s != nullptr);
    return s;
}

// arg[2]: whether the key is white as mapped into the image's own format.
int __wrap_SDL_SetColorKey(SDL_Surface *s, Uint32 flag, Uint32 key)
{
    const bool white = s && key == SDL_MapRGB(s->format, 255, 255, 255);
    record_call("SDL_SetColorKey", nullptr, static_cast<long>(flag), static_cast<long>(key), white);
    return __real_SDL_SetColorKey(s, flag, key);
}
}

// ---------------------------------------------------------------------------
// Views
// ---------------------------------------------------------------------------

std::ostream &operator<<(std::ostream &os, const Pos &p)
{
    return os << "(" << p.x << ", " << p.y << ")";
}

std::vector<Pos> blits_of(const std::vector<Call> &t, char image)
{
    std::vector<Pos> out;
    for (const Call &c : t)
        if (c.kind == Call::kBlit && c.image == image)
            out.push_back({c.x, c.y});
    return out;
}

std::vector<Pos> ball_positions(const std::vector<Call> &t)
{
    return blits_of(t, 'O');
}

int count_delays(const std::vector<Call> &t, Uint32 ms)
{
    int n = 0;
    for (const Call &c : t)
        n += c.kind == Call::kDelay && c.ms == ms;
    return n;
}

int count_flips(const std::vector<Call> &t)
{
    int n = 0;
    for (const Call &c : t)
        n += c.kind == Call::kFlip;
    return n;
}

std::vector<std::string> call_names(const std::vector<Call> &t)
{
    std::vector<std::string> out;
    for (const Call &c : t) {
        switch (c.kind) {
        case Call::kBlit: out.push_back(std::string("blit ") + c.image); break;
        case Call::kDelay: out.push_back("delay " + std::to_string(c.ms)); break;
        case Call::kFlip: out.push_back("flip"); break;
        case Call::kCall:
            out.push_back(std::string(c.name) + (c.text[0] ? std::string(" ") + c.text : ""));
            break;
        }
    }
    return out;
}

std::vector<std::vector<Pos>> rallies(const std::vector<Call> &t)
{
    std::vector<std::vector<Pos>> out(1);
    for (const Call &c : t) {
        if (c.kind == Call::kDelay && c.ms == 1500)
            out.emplace_back();
        if (c.kind == Call::kBlit && c.image == 'O')
            out.back().push_back({c.x, c.y});
    }
    return out;
}

// ---------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------

void push_key(SDLKey key, SDLMod mod, Uint8 type)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&e), 0) << SDL_GetError();
}

void push_event_of_type(Uint8 type)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    if (type == SDL_MOUSEBUTTONDOWN) {
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = SDL_PRESSED;
        e.button.x = 100;
        e.button.y = 100;
    }
    ASSERT_EQ(SDL_PushEvent(&e), 0) << SDL_GetError();
}

bool queue_empty()
{
    SDL_Event e;
    return SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) == 0;
}

// ---------------------------------------------------------------------------
// Fixture
// ---------------------------------------------------------------------------

// The game's start values, as init() left them when SDL was first brought up.
static ball_state start_ball;
static paddle_pos start_left, start_right;

static void start_sdl_once()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    init();
    init_graphics();
    start_ball = move;
    start_left = L;
    start_right = R;
}

void GameTest::SetUp()
{
    start_sdl_once();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    if (menu) {  // loaded again by a menu test
        SDL_FreeSurface(menu);
        menu = nullptr;
    }
    move = start_ball;
    L = start_left;
    R = start_right;
    BALL = BAR_L = BAR_R = SDL_Rect{0, 0, 0, 0};
    menu1 = 0;
    script_set(Script{});
    trace_clear();
}
