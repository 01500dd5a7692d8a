// Runs the floor loop and both play modes of the real game with the frame
// recorder preloaded, under whatever video driver the environment selects,
// and prints one Markdown table row:
//   driver | floor | match (ratio) | practice (ratio) | exec to first flip | peak RSS
// Usage: rebondo_bench LABEL GAME FLOOR SHIM ROOT FRAMES RUNS
//   ROOT is the folder that holds data/; each of the RUNS rounds runs the
//   floor, the match and the practice once, for FRAMES frame periods each.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int kRunTimeoutS = 600;  // a stuck run is killed after this

struct result {
    long frames = 0;
    long long median_ns = 0, p90_ns = 0, first_flip_ns = -1;
    long peak_rss_kib = -1;
    int serves = 0;
};

struct config {
    std::string label, game, floor, shim, root;
    long frames = 2000;
    int runs = 3;
};

long long now_ns()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

[[noreturn]] void die(const std::string &why)
{
    std::fprintf(stderr, "rebondo_bench: %s\n", why.c_str());
    std::exit(1);
}

// Starts PROGRAM (with ARG when not empty) in ROOT with the recorder, waits
// for it and reads its result line.
result run_once(const config &c, const std::string &program, const std::string &arg, char key)
{
    char out[] = "/tmp/rebondo-bench-XXXXXX";
    const int fd = mkstemp(out);
    if (fd < 0)
        die("cannot create a result file");
    close(fd);

    const long long t0 = now_ns();
    const pid_t pid = fork();
    if (pid < 0)
        die("fork failed");
    if (pid == 0) {
        if (chdir(c.root.c_str()) != 0)
            _exit(126);
        setenv("LD_PRELOAD", c.shim.c_str(), 1);
        setenv("REBONDO_BENCH_OUT", out, 1);
        setenv("REBONDO_BENCH_FRAMES", std::to_string(c.frames).c_str(), 1);
        setenv("REBONDO_BENCH_T0", std::to_string(t0).c_str(), 1);
        if (key != 0)
            setenv("REBONDO_BENCH_KEY", std::string(1, key).c_str(), 1);
        if (arg.empty())
            execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        else
            execl(program.c_str(), program.c_str(), arg.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }

    int status = 0;
    const long long deadline = t0 + kRunTimeoutS * 1000000000LL;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (now_ns() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            die(program + " did not finish");
        }
        usleep(20000);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        die(program + " failed (status " + std::to_string(status) + ")");

    result r;
    FILE *f = std::fopen(out, "r");
    const int got = f ? std::fscanf(f, "frames %ld median_ns %lld p90_ns %lld first_flip_ns %lld peak_rss_kib %ld serves %d",
                                    &r.frames, &r.median_ns, &r.p90_ns, &r.first_flip_ns,
                                    &r.peak_rss_kib, &r.serves)
                      : 0;
    if (f)
        std::fclose(f);
    unlink(out);
    if (got != 6)
        die(program + " wrote no result");
    return r;
}

double median_of(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc != 8)
        die("usage: rebondo_bench LABEL GAME FLOOR SHIM ROOT FRAMES RUNS");
    config c;
    c.label = argv[1];
    c.game = argv[2];
    c.floor = argv[3];
    c.shim = argv[4];
    c.root = argv[5];
    c.frames = std::strtol(argv[6], nullptr, 10);
    c.runs = std::atoi(argv[7]);
    if (c.frames < 10 || c.runs < 1)
        die("FRAMES must be at least 10 and RUNS at least 1");

    // Rounds interleave the three loops so that a slow spell of the machine
    // falls on all of them alike.
    std::vector<double> floor_ms, match_ms, practice_ms, first_flip_ms;
    long peak_kib = 0;
    int serves = 0;
    for (int i = 0; i < c.runs; ++i) {
        // The floor runs a little longer than the frames it is timed over.
        const result f = run_once(c, c.floor, std::to_string(c.frames + 10), 0);
        floor_ms.push_back(f.median_ns / 1e6);
        for (const char key : {'b', 'q'}) {
            const result g = run_once(c, c.game, "", key);
            (key == 'b' ? match_ms : practice_ms).push_back(g.median_ns / 1e6);
            first_flip_ms.push_back(g.first_flip_ns / 1e6);
            peak_kib = std::max(peak_kib, g.peak_rss_kib);
            serves += g.serves;
        }
    }

    const double fl = median_of(floor_ms), ma = median_of(match_ms), pr = median_of(practice_ms);
    std::printf("| %s | %.3f | %.3f (%.3f) | %.3f (%.3f) | %.1f | %.1f | %d |\n", c.label.c_str(), fl, ma,
                ma / fl, pr, pr / fl, median_of(first_flip_ms), peak_kib / 1024.0, serves);
    return 0;
}
