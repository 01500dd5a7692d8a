// Frame recorder, loaded into an unchanged rebondo (or the floor loop) with
// LD_PRELOAD. It wraps SDL_Flip, SDL_Delay and SDL_UpperBlit, forwarding each
// to SDL, and:
// - times every flip; a play frame is a flip preceded by the 3 ms frame pause,
//   and the period between two play flips is kept unless a serve pause
//   (any longer delay) fell between them;
// - picks the menu entry by pushing the key in REBONDO_BENCH_KEY at the first
//   flip, and keeps the ball in play by pushing paddle keys: it reads the ball
//   and paddle positions from the destination rectangles of the blits;
// - after REBONDO_BENCH_FRAMES periods, writes one line of results to the file
//   REBONDO_BENCH_OUT and pushes Space, which ends the game.
// Without REBONDO_BENCH_OUT it only forwards.
#include <SDL.h>

#include <dlfcn.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const Uint32 kFramePauseMs = 3;
const Sint16 kRightPaddleX = 310;  // the match draws the right paddle here
const int kPaddleH = 60;           // the contact box spans top - 5 .. top + 60
const int kKeepAbove = 5;          // keep the ball this far inside the box
const int kKeepBelow = 50;
const int kCornerBoxBottom = 66;   // practice: the top-left box reaches y 60

using flip_fn = int (*)(SDL_Surface *);
using delay_fn = void (*)(Uint32);
using blit_fn = int (*)(SDL_Surface *, SDL_Rect *, SDL_Surface *, SDL_Rect *);

struct recorder {
    bool on = false;
    char key = 0;            // 'b' match, 'q' practice, 0: the floor loop
    size_t want = 0;         // periods to collect
    const char *out = nullptr;
    long long t0 = 0;        // the driver's clock just before fork, or 0

    long long first_flip = 0, last_flip = 0;
    bool last_was_play = false;
    bool pause_seen = false, serve_seen = false;
    int serves = 0;
    bool done = false;
    std::vector<long long> periods;

    // Positions drawn in the current frame (pre-clip destination rectangles).
    int blits_since_background = 0;
    bool have_ball = false, have_left = false, have_right = false;
    Sint16 ball_y = 0, left_y = 0, right_y = 0;
};

recorder rec;
bool ready = false;

long long now_ns()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

template <typename F> F next(const char *name)
{
    void *sym = dlsym(RTLD_NEXT, name);
    if (sym == nullptr) {
        std::fprintf(stderr, "frame_shim: %s not found\n", name);
        std::_Exit(2);
    }
    return reinterpret_cast<F>(sym);
}

// Read on the first wrapped call, once the library's globals are built.
void setup()
{
    if (ready)
        return;
    ready = true;
    rec.out = std::getenv("REBONDO_BENCH_OUT");
    if (rec.out == nullptr)
        return;
    rec.on = true;
    if (const char *k = std::getenv("REBONDO_BENCH_KEY"))
        rec.key = k[0];
    const char *n = std::getenv("REBONDO_BENCH_FRAMES");
    rec.want = n ? std::strtoul(n, nullptr, 10) : 2000;
    if (const char *t = std::getenv("REBONDO_BENCH_T0"))
        rec.t0 = std::strtoll(t, nullptr, 10);
    rec.periods.reserve(rec.want + 1);
}

void push_key(SDLKey key)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}

long peak_rss_kib()
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1)
            break;
    std::fclose(f);
    return kib;
}

void write_results()
{
    std::vector<long long> p = rec.periods;
    std::sort(p.begin(), p.end());
    const long long median = p[p.size() / 2];
    const long long p90 = p[p.size() * 9 / 10];
    FILE *f = std::fopen(rec.out, "w");
    if (f == nullptr)
        return;
    std::fprintf(f, "frames %zu median_ns %lld p90_ns %lld first_flip_ns %lld peak_rss_kib %ld serves %d\n",
                 p.size(), median, p90, rec.t0 ? rec.first_flip - rec.t0 : -1, peak_rss_kib(),
                 rec.serves);
    std::fclose(f);
}

// One press per paddle per frame, toward a position whose contact box holds
// the ball. In practice the left paddle keeps clear of the top-left box: a
// ball that reaches it inside both boxes goes through.
void steer()
{
    if (!rec.have_ball)
        return;
    const int y = rec.ball_y;
    if (rec.have_left) {
        const int top = rec.left_y;
        if (rec.key == 'q' && y <= kCornerBoxBottom) {
            if (top - kKeepAbove <= y)
                push_key(SDLK_a);
        } else if (y < top + kKeepAbove) {
            push_key(SDLK_q);
        } else if (y > top + kKeepBelow) {
            push_key(SDLK_a);
        }
    }
    if (rec.have_right) {
        const int top = rec.right_y;
        if (y < top + kKeepAbove)
            push_key(SDLK_UP);
        else if (y > top + kKeepBelow)
            push_key(SDLK_DOWN);
    }
    static_assert(kKeepBelow < kPaddleH, "the ball must stay within the paddle's box");
}

void on_flip(long long t)
{
    if (rec.first_flip == 0) {
        rec.first_flip = t;
        if (rec.key != 0)
            push_key(rec.key == 'b' ? SDLK_b : SDLK_q);
    }
    const bool play = rec.pause_seen;
    if (play && rec.last_was_play) {
        if (rec.serve_seen)
            ++rec.serves;
        else
            rec.periods.push_back(t - rec.last_flip);
    }
    rec.last_flip = t;
    rec.last_was_play = play;
    rec.pause_seen = rec.serve_seen = false;

    if (play && rec.key != 0)
        steer();
    rec.have_ball = rec.have_left = rec.have_right = false;

    if (rec.periods.size() >= rec.want) {
        write_results();
        rec.done = true;
        if (rec.key != 0)
            push_key(SDLK_SPACE);
    }
}

}  // namespace

extern "C" int SDL_Flip(SDL_Surface *screen)
{
    static const flip_fn real = next<flip_fn>("SDL_Flip");
    setup();
    if (rec.on && !rec.done)
        on_flip(now_ns());
    return real(screen);
}

extern "C" void SDL_Delay(Uint32 ms)
{
    static const delay_fn real = next<delay_fn>("SDL_Delay");
    setup();
    if (ms == kFramePauseMs)
        rec.pause_seen = true;
    else if (ms > kFramePauseMs)
        rec.serve_seen = true;
    real(ms);
}

// The background is blitted whole (no destination rectangle); after it come
// the left paddle, in the match the right paddle, and after the frame pause
// the ball.
extern "C" int SDL_UpperBlit(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst, SDL_Rect *dstrect)
{
    static const blit_fn real = next<blit_fn>("SDL_UpperBlit");
    setup();
    if (rec.on && dstrect != nullptr) {
        if (rec.pause_seen) {
            rec.have_ball = true;
            rec.ball_y = dstrect->y;
        } else if (rec.blits_since_background == 1) {
            rec.have_left = true;
            rec.left_y = dstrect->y;
        } else if (rec.blits_since_background == 2 && dstrect->x == kRightPaddleX) {
            rec.have_right = true;
            rec.right_y = dstrect->y;
        }
    }
    rec.blits_since_background = dstrect == nullptr ? 1 : rec.blits_since_background + 1;
    return real(src, srcrect, dst, dstrect);
}
