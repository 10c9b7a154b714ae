// parse_bench: XML parse throughput of parse_xml (record stream and diagnostics, no nodes)
// beside libxml2 SAX2, expat and pugixml in-situ on the same bytes in the same run, warm
// (repeated in one process) and cold (the first parse of a fresh process). Not a test.
// Usage: parse_bench [--size MB] [--seed N] [--rounds N] [--no-cold] [FILE...]
#include <expat.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
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
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "bench/make_document.h"
#include "parse/xml_parser.h"

namespace {

using tessel::bench::Clock;
using tessel::bench::seconds_since;

// Keeps results alive so the optimiser cannot drop the work that made them.
volatile int64_t g_sink;

// One contender. prepare runs outside the timing before every parse (pugixml's in-situ
// parse destroys its buffer, so it gets a fresh copy there); parse is the timed work and
// returns whether the peer found the document well-formed (ours: no errors).
struct Parser {
    const char* name;
    bool (*parse)(std::string_view text, std::vector<char>& scratch);
    bool in_situ;
};

// Record stream bytes of the last parse_xml, for the size report.
size_t g_record_bytes = 0;

bool parse_ours(std::string_view text, std::vector<char>&) {
    auto tree = tessel::parse_xml(text);
    g_record_bytes = tree->record_bytes();
    bool ok = tree->diagnostics().error_count() == 0;
    g_sink = static_cast<int64_t>(tree->record_bytes());
    // The tree is freed on return, inside the timing, as the peers free their contexts.
    return ok;
}

bool parse_libxml2(std::string_view text, std::vector<char>&) {
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;  // SAX2, every callback empty
    xmlParserCtxtPtr ctxt = xmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size()));
    if (!ctxt) return false;
    xmlSAXHandlerPtr old = ctxt->sax;
    ctxt->sax = &handler;
    ctxt->userData = nullptr;
    xmlCtxtUseOptions(ctxt, XML_PARSE_HUGE | XML_PARSE_NONET);
    xmlParseDocument(ctxt);
    bool ok = ctxt->wellFormed;
    ctxt->sax = old;
    xmlFreeParserCtxt(ctxt);
    return ok;
}

bool parse_expat(std::string_view text, std::vector<char>&) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    bool ok = XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}

bool parse_pugi(std::vector<char>& copy, unsigned options) {
    pugi::xml_document doc;
    pugi::xml_parse_result r = doc.load_buffer_inplace(copy.data(), copy.size(), options);
    g_sink = static_cast<int64_t>(r.offset);
    return static_cast<bool>(r);
}

bool parse_pugi_minimal(std::string_view, std::vector<char>& copy) {
    return parse_pugi(copy, pugi::parse_minimal);
}

bool parse_pugi_full(std::string_view, std::vector<char>& copy) {
    return parse_pugi(copy, pugi::parse_full);
}

const Parser kParsers[] = {
    {"tessel parse_xml", parse_ours, false},
    {"libxml2 SAX2", parse_libxml2, false},
    {"expat", parse_expat, false},
    {"pugixml minimal", parse_pugi_minimal, true},
    {"pugixml full", parse_pugi_full, true},
};
constexpr size_t kParserCount = std::size(kParsers);

// Times one parse; the in-situ copy is made before the clock starts.
double time_one(const Parser& p, std::string_view text, std::vector<char>& scratch, bool* ok) {
    if (p.in_situ) scratch.assign(text.begin(), text.end());
    Clock::time_point t0 = Clock::now();
    *ok = p.parse(text, scratch);
    return seconds_since(t0);
}

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
    std::vector<char> scratch;
    bool ok = false;
    double s = time_one(kParsers[parser], text, scratch, &ok);
    std::printf("%.9f\n", s);
    return 0;
}

// Runs this program as a child for one cold parse; returns seconds, or -1 on failure.
double cold_seconds(size_t parser, const std::string& path) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        std::string index = std::to_string(parser);
        execl("/proc/self/exe", "parse_bench", "--child", index.c_str(), path.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
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
        std::fprintf(stderr, "parse_bench: cannot read %s\n", path.c_str());
        return;
    }
    const double mb = static_cast<double>(text.size()) / 1e6;
    // Small documents get more rounds so that the figures are not one timer tick.
    const int n = std::max(rounds, static_cast<int>(std::min(200.0, 20.0 / std::max(mb, 0.1))));
    std::vector<char> scratch;
    Figures f[kParserCount];
    // Rounds alternate between the parsers so that a noisy moment hits all of them alike.
    std::vector<std::vector<double>> times(kParserCount);
    for (size_t p = 0; p < kParserCount; ++p) time_one(kParsers[p], text, scratch, &f[p].ok);
    for (int r = 0; r < n; ++r)
        for (size_t p = 0; p < kParserCount; ++p) times[p].push_back(time_one(kParsers[p], text, scratch, &f[p].ok));
    for (size_t p = 0; p < kParserCount; ++p) {
        std::sort(times[p].begin(), times[p].end());
        f[p].best = times[p].front();
        f[p].median = times[p][times[p].size() / 2];
        if (cold) f[p].cold = cold_seconds(p, path);
    }

    std::printf("\n%s: %.1f MB, record stream %.3f bytes per input byte, %d warm rounds\n",
                label.c_str(), mb, static_cast<double>(g_record_bytes) / static_cast<double>(text.size()), n);
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
        if (!x.ok) std::printf("  (%s)", p == 0 ? "errors reported" : "not well-formed");
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return run_child(static_cast<size_t>(std::atoi(argv[2])), argv[3]);

    tessel::bench::ParseBenchArguments args;
    if (!tessel::bench::parse_bench_arguments(argc, argv, "parse_bench", &args)) return 2;
    const int64_t size_mb = args.size_mb;
    const uint64_t seed = args.seed;
    const int rounds = args.rounds;
    const bool cold = args.cold;
    const std::vector<std::string>& files = args.files;
    xmlInitParser();

    // The generated document goes to a file so that the cold children read the same bytes.
    std::string generated = "/tmp/tessel_parse_bench_" + std::to_string(getpid()) + ".xml";
    {
        std::string text = tessel::bench::make_document(size_mb * 1'000'000, seed);
        std::ofstream out(generated, std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out) {
            std::fprintf(stderr, "parse_bench: cannot write %s\n", generated.c_str());
            return 2;
        }
    }
    std::printf("MB/s (1 MB = 1e6 bytes); ratios ours/peer are peer time / our time, above 1 when ours is faster\n");
    bench_document("generated (seed " + std::to_string(seed) + ")", generated, rounds, cold);
    std::remove(generated.c_str());
    for (const std::string& f : files) bench_document(f, f, rounds, cold);
    return 0;
}
