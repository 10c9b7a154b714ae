// json_bench: JSON parse throughput of parse_json (nodes and diagnostics) beside RapidJSON's
// DOM parse and nlohmann's parse on the same bytes in the same run, warm (repeated in one
// process) and cold (the first parse of a fresh process). Not a test.
// Usage: json_bench [--size MB] [--seed N] [--rounds N] [--no-cold] [FILE...]
#include <rapidjson/document.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "parse/json_parser.h"

namespace {

using Clock = std::chrono::steady_clock;

// Keeps results alive so the optimiser cannot drop the work that made them.
volatile int64_t g_sink;

// Each returns whether the document was accepted; the tree is freed inside the timing, as
// every peer frees its own.
bool parse_ours(std::string_view text) {
    auto tree = tessel::parse_json(text);
    g_sink = tree->diagnostics().count();
    return tree->root() != nullptr && tree->diagnostics().error_count() == 0;
}

bool parse_rapidjson(std::string_view text) {
    rapidjson::Document d;
    d.Parse(text.data(), text.size());
    g_sink = d.IsArray() ? d.Size() : 0;
    return !d.HasParseError();
}

bool parse_nlohmann(std::string_view text) {
    auto j = nlohmann::json::parse(text, nullptr, false);
    g_sink = static_cast<int64_t>(j.size());
    return !j.is_discarded();
}

struct Parser {
    const char* name;
    bool (*parse)(std::string_view text);
};
constexpr Parser kParsers[] = {
    {"tessel parse_json", parse_ours},
    {"RapidJSON DOM", parse_rapidjson},
    {"nlohmann", parse_nlohmann},
};
constexpr size_t kParserCount = std::size(kParsers);

double time_one(const Parser& p, std::string_view text, bool* ok) {
    Clock::time_point t0 = Clock::now();
    *ok = p.parse(text);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// ---- the generated document ----

struct Random {
    uint64_t state;
    uint64_t next() {
        state += 0x9E3779B97F4A7C15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
};

const char* const kWords[] = {"alpha",     "Straße",         "river",        "node",
                              "grün",      "delta",          "東京",         "value",
                              "orbit",     "sample",         "échelle",      "quartz",
                              "tab\\tbed", "say \\\"hi\\\"", "line\\nbreak", "\\u00e9t\\u00e9"};

void words(std::string& out, Random& r, int n) {
    for (int i = 0; i < n; ++i) {
        if (i) out += ' ';
        out += kWords[r.below(static_cast<int>(std::size(kWords)))];
    }
}

// A pretty-printed array of records, as data exports and API dumps look: ids, names and
// texts, integers and decimals, booleans and nulls, tag arrays and nested objects.
std::string make_json(int64_t bytes, uint64_t seed) {
    Random r{seed};
    std::string out = "[\n";
    out.reserve(static_cast<size_t>(bytes) + 4096);
    for (int64_t id = 1; static_cast<int64_t>(out.size()) < bytes; ++id) {
        if (id > 1) out += ",\n";
        out += "  {\n    \"id\": " + std::to_string(id) + ",\n    \"name\": \"";
        words(out, r, 2);
        out += "\",\n    \"active\": ";
        out += r.below(2) ? "true" : "false";
        out += ",\n    \"score\": " + std::to_string(r.below(100000) - 50000) + "." +
               std::to_string(r.below(1000)) +
               ",\n    \"ratio\": " + std::to_string(r.below(1000)) + "e-" +
               std::to_string(r.below(9)) + ",\n    \"parent\": ";
        out += r.below(3) ? std::to_string(r.below(1000000)) : "null";
        out += ",\n    \"tags\": [";
        for (int i = 0, n = r.below(5); i < n; ++i) {
            out += i ? ", \"" : "\"";
            words(out, r, 1);
            out += '"';
        }
        out += "],\n    \"location\": {\"lat\": " + std::to_string(r.below(180) - 90) + "." +
               std::to_string(r.below(1000000)) +
               ", \"lon\": " + std::to_string(r.below(360) - 180) + "." +
               std::to_string(r.below(1000000)) + "},\n    \"text\": \"";
        words(out, r, 4 + r.below(12));
        out += "\"\n  }";
    }
    out += "\n]\n";
    return out;
}

// ---- running ----

bool read_whole(const char* path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Child mode: the first parse of this process, printed as seconds on stdout.
int run_child(size_t parser, const char* path) {
    std::string text;
    if (parser >= kParserCount || !read_whole(path, text)) return 2;
    bool ok = false;
    std::printf("%.9f\n", time_one(kParsers[parser], text, &ok));
    return 0;
}

double cold_seconds(size_t parser, const std::string& path) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        std::string index = std::to_string(parser);
        execl("/proc/self/exe", "json_bench", "--child", index.c_str(), path.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<size_t>(n));
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

void bench_document(const std::string& label, const std::string& path, int rounds, bool cold) {
    std::string text;
    if (!read_whole(path.c_str(), text)) {
        std::fprintf(stderr, "json_bench: cannot read %s\n", path.c_str());
        return;
    }
    const double mb = static_cast<double>(text.size()) / 1e6;
    // Small documents get more rounds so that the figures are not one timer tick.
    const int n = std::max(rounds, static_cast<int>(std::min(200.0, 20.0 / std::max(mb, 0.1))));
    Figures f[kParserCount];
    // Rounds alternate between the parsers so that a noisy moment hits all of them alike.
    std::vector<std::vector<double>> times(kParserCount);
    for (size_t p = 0; p < kParserCount; ++p) time_one(kParsers[p], text, &f[p].ok);
    for (int r = 0; r < n; ++r)
        for (size_t p = 0; p < kParserCount; ++p)
            times[p].push_back(time_one(kParsers[p], text, &f[p].ok));
    for (size_t p = 0; p < kParserCount; ++p) {
        std::sort(times[p].begin(), times[p].end());
        f[p].best = times[p].front();
        f[p].median = times[p][times[p].size() / 2];
        if (cold) f[p].cold = cold_seconds(p, path);
    }

    std::printf("\n%s: %.2f MB, %d warm rounds\n", label.c_str(), mb, n);
    std::printf("%-18s %10s %10s %10s   %s\n", "parser", "warm best", "warm med", "cold",
                "ours/peer (warm best, warm median, cold)");
    const Figures& ours = f[0];
    for (size_t p = 0; p < kParserCount; ++p) {
        const Figures& x = f[p];
        std::printf("%-18s %7.0f MB/s %5.0f MB/s", kParsers[p].name, mb / x.best, mb / x.median);
        if (x.cold > 0)
            std::printf(" %5.0f MB/s", mb / x.cold);
        else
            std::printf(" %10s", "-");
        if (p > 0) {
            std::printf("   %.2f  %.2f", x.best / ours.best, x.median / ours.median);
            if (x.cold > 0 && ours.cold > 0) std::printf("  %.2f", x.cold / ours.cold);
        }
        if (!x.ok) std::printf("  (rejected)");
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return run_child(static_cast<size_t>(std::atoi(argv[2])), argv[3]);

    tessel::bench::ParseBenchArguments args;
    if (!tessel::bench::parse_bench_arguments(argc, argv, "json_bench", &args)) return 2;
    const int64_t size_mb = args.size_mb;
    const uint64_t seed = args.seed;
    const int rounds = args.rounds;
    const bool cold = args.cold;
    const std::vector<std::string>& files = args.files;
    // The generated document goes to a file so that the cold children read the same bytes.
    std::string generated = "/tmp/tessel_json_bench_" + std::to_string(getpid()) + ".json";
    {
        std::string text = make_json(size_mb * 1'000'000, seed);
        std::ofstream out(generated, std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out) {
            std::fprintf(stderr, "json_bench: cannot write %s\n", generated.c_str());
            return 2;
        }
    }
    std::printf(
        "MB/s (1 MB = 1e6 bytes); ratios ours/peer are peer time / our time, above 1 when ours is "
        "faster\n");
    bench_document("generated (seed " + std::to_string(seed) + ")", generated, rounds, cold);
    std::remove(generated.c_str());
    for (const std::string& f : files) bench_document(f, f, rounds, cold);
    return 0;
}
