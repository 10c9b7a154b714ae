// The side-by-side parse benchmark: timing, cold children and the table.
#include "bench/parser_comparison.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/bench_support.h"

namespace tessel::bench {

namespace {

double time_one(const Contender& c, std::string_view text, std::vector<char>& scratch,
                bool* ok) {
    if (c.in_situ) scratch.assign(text.begin(), text.end());
    const Clock::time_point t0 = Clock::now();
    *ok = c.parse(text, scratch);
    return seconds_since(t0);
}

// Child mode: the first parse of this process, printed as seconds on stdout.
int run_child(const ComparisonSetup& setup, size_t index, const char* path) {
    std::string text;
    if (index >= setup.contenders.size() || !read_file(path, text)) return 2;
    std::vector<char> scratch;
    bool ok = false;
    std::printf("%.9f\n", time_one(setup.contenders[index], text, scratch, &ok));
    return 0;
}

// Runs this program as a child for one cold parse; seconds, or -1 when the child fails.
double cold_seconds(const ComparisonSetup& setup, size_t index, const std::string& path) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        const std::string arg = std::to_string(index);
        execl("/proc/self/exe", setup.program, "--child", arg.c_str(), path.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || out.empty()) return -1;
    return std::atof(out.c_str());
}

struct Figures {
    double best = 0, median = 0, cold = -1;
    bool ok = false;
};

void bench_document(const ComparisonSetup& setup, const std::string& label,
                    const std::string& path, int rounds, bool cold) {
    std::string text;
    if (!read_file(path, text)) {
        std::fprintf(stderr, "%s: cannot read %s\n", setup.program, path.c_str());
        return;
    }
    const size_t count = setup.contenders.size();
    const double mb = static_cast<double>(text.size()) / 1e6;
    // Small documents get more rounds so that the figures are not one timer tick.
    const int n = std::max(rounds, static_cast<int>(std::min(200.0, 20.0 / std::max(mb, 0.1))));
    std::vector<char> scratch;
    std::vector<Figures> f(count);
    // Rounds alternate between the contenders so that a noisy moment hits all of them alike.
    std::vector<std::vector<double>> times(count);
    for (size_t p = 0; p < count; ++p) time_one(setup.contenders[p], text, scratch, &f[p].ok);
    for (int r = 0; r < n; ++r)
        for (size_t p = 0; p < count; ++p)
            times[p].push_back(time_one(setup.contenders[p], text, scratch, &f[p].ok));
    for (size_t p = 0; p < count; ++p) {
        std::sort(times[p].begin(), times[p].end());
        f[p].best = times[p].front();
        f[p].median = times[p][times[p].size() / 2];
        if (cold) f[p].cold = cold_seconds(setup, p, path);
    }

    const std::string note = setup.heading_note ? setup.heading_note(text.size()) : "";
    std::printf("\n%s: %.2f MB%s, %d warm rounds\n", label.c_str(), mb, note.c_str(), n);
    std::printf("%-18s %10s %10s %10s   %s\n", "parser", "warm best", "warm med", "cold",
                "ours/peer (warm best, warm median, cold)");
    const Figures& ours = f[0];
    for (size_t p = 0; p < count; ++p) {
        const Figures& x = f[p];
        std::printf("%-18s %7.0f MB/s %5.0f MB/s", setup.contenders[p].name, mb / x.best,
                    mb / x.median);
        if (x.cold > 0)
            std::printf(" %5.0f MB/s", mb / x.cold);
        else
            std::printf(" %10s", "-");
        if (p > 0) {
            std::printf("   %.2f  %.2f", x.best / ours.best, x.median / ours.median);
            if (x.cold > 0 && ours.cold > 0) std::printf("  %.2f", x.cold / ours.cold);
        }
        if (!x.ok) std::printf("  (%s)", p == 0 ? setup.ours_rejected : setup.peer_rejected);
        std::printf("\n");
    }
}

}  // namespace

int run_parser_comparison(int argc, char** argv, const ComparisonSetup& setup) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return run_child(setup, static_cast<size_t>(std::atoi(argv[2])), argv[3]);

    ParseBenchArguments args;
    if (!parse_bench_arguments(argc, argv, setup.program, &args)) return 2;
    // The generated document goes to a file so that the cold children read the same bytes.
    const std::string generated =
        write_temp_file(setup.generate(args.size_mb * 1'000'000, args.seed), setup.program);
    if (generated.empty()) return 2;
    std::printf(
        "MB/s (1 MB = 1e6 bytes); ratios ours/peer are peer time / our time, above 1 when ours "
        "is faster\n");
    bench_document(setup, "generated (seed " + std::to_string(args.seed) + ")", generated,
                   args.rounds, args.cold);
    std::remove(generated.c_str());
    for (const std::string& file : args.files) bench_document(setup, file, file, args.rounds, args.cold);
    return 0;
}

}  // namespace tessel::bench
