// text_bench: the text store, line index, edit history and background line scan on a
// generated XML document, each figure measured beside the same work on a std::string (or
// `wc -l`, or the parser's scanner) in the same run.
// Usage: text_bench [--size MB] [--seed N]
//        text_bench --long-lines [--size MB]   only the texts without a line feed or an
//                                              ASCII byte (one line of "é", NUL bytes)
#include <malloc.h>
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
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "bench/make_document.h"
#include "parse/default_languages.h"
#include "parse/scanner_engine.h"
#include "parse/xml_scanner.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

using bench::Clock;
using bench::seconds_since;

// Keeps a result alive so the optimiser cannot drop the work that made it.
volatile int64_t g_sink;

constexpr size_t kBlock = 1'000'000;

using bench::median;
double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

struct Row {
    std::string work;
    std::string ours;
    std::string peer;
    double ratio;  // how many times faster ours is than the peer (peer time / our time)
    std::string budget;
};

std::string format(const char* f, double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, f, v);
    return buffer;
}

// ---- (1) loading ----

// The load path: 1 000 000-byte blocks appended to the store and indexed as they come.
std::unique_ptr<TextDocument> load_ours(std::string_view text) {
    auto doc = std::make_unique<TextDocument>();
    for (size_t at = 0; at < text.size(); at += kBlock) doc->append(text.substr(at, kBlock));
    return doc;
}

// The peer: the same blocks appended to a std::string, counting line feeds as they come.
std::string load_peer(std::string_view text, int64_t& lines) {
    std::string s;
    lines = 0;
    for (size_t at = 0; at < text.size(); at += kBlock) {
        std::string_view block = text.substr(at, kBlock);
        s.append(block);
        lines += std::count(block.begin(), block.end(), '\n');
    }
    return s;
}

double mb_per_s(size_t bytes, double s) { return static_cast<double>(bytes) / 1e6 / s; }

// Cold figures come from a fresh process each: the first load touches fresh memory.
double cold_load_in_child(const char* self, const std::string& file, const char* which) {
    std::string command = std::string("'") + self + "' --cold " + which + " '" + file + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return 0;
    double rate = 0;
    if (std::fscanf(pipe, "%lf", &rate) != 1) rate = 0;
    pclose(pipe);
    return rate;
}

int cold_main(const char* which, const char* file) {
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto t0 = Clock::now();
    if (std::strcmp(which, "ours") == 0) {
        auto doc = load_ours(text);
        double s = seconds_since(t0);
        g_sink = doc->index().line_count();
        std::printf("%f\n", mb_per_s(text.size(), s));
    } else {
        int64_t lines;
        std::string s = load_peer(text, lines);
        double t = seconds_since(t0);
        g_sink = lines + static_cast<int64_t>(s.size());
        std::printf("%f\n", mb_per_s(text.size(), t));
    }
    return 0;
}

double wc_seconds(const std::string& file) {
    return bench::command_seconds("wc -l '" + file + "' > /dev/null", 3);
}

// Warm: load, destroy, load again; the median of the repeated loads.
void bench_load_warm(std::string_view text, const char* label, std::vector<Row>& rows) {
    std::vector<double> ours, peer;
    int32_t lines = 0;
    int64_t feeds = 0;
    for (int i = 0; i < 5; ++i) {
        auto t0 = Clock::now();
        auto doc = load_ours(text);
        ours.push_back(seconds_since(t0));
        lines = doc->index().line_count();
        if (doc->length() != static_cast<int32_t>(text.size())) {
            std::fprintf(stderr, "text_bench: loaded %d bytes of %zu\n", doc->length(), text.size());
            std::exit(1);
        }
    }
    for (int i = 0; i < 5; ++i) {
        auto t0 = Clock::now();
        std::string s = load_peer(text, feeds);
        peer.push_back(seconds_since(t0));
        g_sink = static_cast<int64_t>(s.size());
    }
    g_sink = lines + feeds;
    double o = mb_per_s(text.size(), median(ours)), p = mb_per_s(text.size(), median(peer));
    rows.push_back({std::string("load by append, warm") + label + ", MB/s", format("%.0f", o),
                    format("%.0f", p) + " (string+count)", o / p, *label ? "" : ">= 1000 MB/s"});
}

// ---- (2) a keystroke in the middle ----

void bench_keystroke(std::string_view text, std::vector<Row>& rows) {
    auto doc = load_ours(text);
    EditHistory history;
    doc->set_history(&history);
    const TextPos middle = doc->length() / 2;
    constexpr int kKeys = 1000;
    std::vector<double> merged, separate;
    // Typing a word: consecutive characters that merge into one undo step...
    for (int i = 0; i < kKeys; ++i) {
        const char c = static_cast<char>('a' + i % 26);
        auto t0 = Clock::now();
        doc->replace(std::string_view(&c, 1), middle + i, 0, kMergeTyping);
        merged.push_back(seconds_since(t0) * 1e6);
    }
    // ...and characters at scattered places, each its own undo record.
    std::mt19937 rng(7);
    for (int i = 0; i < kKeys; ++i) {
        const TextPos at = middle - 500'000 + static_cast<TextPos>(rng() % 1'000'000);
        auto t0 = Clock::now();
        doc->replace("x", at, 0, 0);
        separate.push_back(seconds_since(t0) * 1e6);
    }
    if (doc->length() != static_cast<int32_t>(text.size()) + 2 * kKeys) {
        std::fprintf(stderr, "text_bench: keystrokes lost\n");
        std::exit(1);
    }
    std::string s(text);
    std::vector<double> peer;
    for (int i = 0; i < 50; ++i) {
        auto t0 = Clock::now();
        s.insert(s.size() / 2, 1, 'a');
        peer.push_back(seconds_since(t0) * 1e6);
    }
    g_sink = static_cast<int64_t>(s.size());
    const double pm = median(peer);
    for (auto* v : {&merged, &separate}) {
        const double m = median(*v);
        rows.push_back({v == &merged ? "keystroke, typing run (merged undo), median us"
                                     : "keystroke, scattered (own undo record), median us",
                        format("%.1f", m), format("%.1f", pm) + " (string::insert)", pm / m,
                        "< 1000 us, ratio >= 10"});
        rows.push_back({v == &merged ? "keystroke, typing run, p90 us" : "keystroke, scattered, p90 us",
                        format("%.1f", percentile(*v, 0.9)), format("%.1f", percentile(peer, 0.9)),
                        percentile(peer, 0.9) / percentile(*v, 0.9), ""});
    }
}

// ---- (3) position conversions ----

void bench_lookups(std::string_view text, std::vector<Row>& rows) {
    auto doc = load_ours(text);
    const LineIndex& index = doc->index();
    std::vector<int> starts(index.starts().begin(), index.starts().end());
    constexpr int kCalls = 2'000'000;
    std::mt19937 rng(11);
    std::vector<TextPos> positions(kCalls);
    std::vector<int32_t> lines(kCalls), columns(kCalls);
    for (int i = 0; i < kCalls; ++i) {
        positions[static_cast<size_t>(i)] = static_cast<TextPos>(rng() % text.size());
        lines[static_cast<size_t>(i)] = static_cast<int32_t>(rng() % starts.size());
        columns[static_cast<size_t>(i)] = static_cast<int32_t>(rng() % 40);
    }
    int64_t a = 0, b = 0;
    auto t0 = Clock::now();
    for (TextPos p : positions) a += index.line_of(p);
    const double ours_line_of = seconds_since(t0);
    t0 = Clock::now();
    for (TextPos p : positions) b += (std::upper_bound(starts.begin(), starts.end(), p) - starts.begin()) - 1;
    const double peer_line_of = seconds_since(t0);
    if (a != b) {
        std::fprintf(stderr, "text_bench: line_of disagrees with upper_bound\n");
        std::exit(1);
    }
    t0 = Clock::now();
    for (int i = 0; i < kCalls; ++i) a += index.to_offset(lines[static_cast<size_t>(i)], columns[static_cast<size_t>(i)]);
    const double ours_offset = seconds_since(t0);
    t0 = Clock::now();
    for (int i = 0; i < kCalls; ++i) b += starts[static_cast<size_t>(lines[static_cast<size_t>(i)])] + columns[static_cast<size_t>(i)];
    const double peer_offset = seconds_since(t0);
    g_sink = a + b;
    const double n = kCalls / 1e9;
    rows.push_back({"line_of at random positions, ns/call", format("%.1f", ours_line_of / n),
                    format("%.1f", peer_line_of / n) + " (upper_bound)", peer_line_of / ours_line_of, ""});
    rows.push_back({"to_offset(line, column), ns/call", format("%.2f", ours_offset / n),
                    format("%.2f", peer_offset / n) + " (vector[line]+col)", peer_offset / ours_offset, ""});
}

// ---- (4) undo of a four-position replacement ----

void bench_undo_multi(std::string_view text, std::vector<Row>& rows) {
    auto doc = load_ours(text);
    EditHistory history;
    doc->set_history(&history);
    const int32_t length = doc->length();
    const TextPos positions[4] = {length / 8, length * 3 / 8, length * 5 / 8, length * 7 / 8};
    constexpr std::string_view kNew = "<renamed>";
    constexpr int32_t kDelete = 6;
    std::vector<double> ours;
    for (int i = 0; i < 30; ++i) {
        if (!doc->replace_multi(positions, kDelete, kNew)) std::exit(1);
        auto t0 = Clock::now();
        history.undo();
        ours.push_back(seconds_since(t0) * 1e6);
        if (doc->length() != length) std::exit(1);
    }
    // The peer makes the same four replacements on a std::string, last position first so
    // the others stay where they are, and restores the text outside the timing.
    std::string s(text);
    std::string old[4];
    for (int k = 0; k < 4; ++k) old[k] = s.substr(static_cast<size_t>(positions[k]), kDelete);
    std::vector<double> peer;
    for (int i = 0; i < 30; ++i) {
        auto t0 = Clock::now();
        for (int k = 3; k >= 0; --k) s.replace(static_cast<size_t>(positions[k]), kDelete, kNew);
        peer.push_back(seconds_since(t0) * 1e6);
        for (int k = 3; k >= 0; --k) s.replace(static_cast<size_t>(positions[k]), kNew.size(), old[k]);
    }
    g_sink = static_cast<int64_t>(s.size());
    const double o = median(ours), p = median(peer);
    rows.push_back({"undo of a 4-position replacement, median us", format("%.1f", o),
                    format("%.1f", p) + " (4x string::replace)", p / o, ""});
}

// ---- (5) one line without a line feed or an ASCII byte ----

// Loading a single line of "é" (or of NUL bytes) and typing in its middle, beside `wc -l`
// on the same file and an insertion into a std::string: costs must stay linear in the
// bytes, whatever the bytes are.
void bench_long_line(const char* label, const std::string& text, std::vector<Row>& rows) {
    const std::string file = bench::write_temp_file(text, "text_bench_line");
    if (file.empty()) std::exit(1);
    std::vector<double> loads;
    std::unique_ptr<TextDocument> doc;
    for (int i = 0; i < 3; ++i) {
        doc.reset();
        auto t0 = Clock::now();
        doc = load_ours(text);
        loads.push_back(seconds_since(t0));
    }
    if (doc->length() != static_cast<int32_t>(text.size())) {
        std::fprintf(stderr, "text_bench: loaded %d bytes of %zu\n", doc->length(), text.size());
        std::exit(1);
    }
    const double wc = wc_seconds(file);
    unlink(file.c_str());
    const double load = median(loads);
    rows.push_back({std::string("load, one line of ") + label + ", s", format("%.3f", load),
                    format("%.3f", wc) + " (wc -l)", wc / load, ""});

    EditHistory history;
    doc->set_history(&history);
    const TextPos middle = doc->length() / 2 & ~3;  // a character boundary for both texts
    std::vector<double> keys;
    for (int i = 0; i < 200; ++i) {
        auto t0 = Clock::now();
        doc->replace("x", middle + i, 0, kMergeTyping);
        keys.push_back(seconds_since(t0) * 1e6);
    }
    std::string s(text);
    std::vector<double> peer;
    for (int i = 0; i < 50; ++i) {
        auto t0 = Clock::now();
        s.insert(s.size() / 2, 1, 'x');
        peer.push_back(seconds_since(t0) * 1e6);
    }
    g_sink = static_cast<int64_t>(s.size()) + doc->index().line_count();
    rows.push_back({std::string("keystroke in that line, median us"), format("%.1f", median(keys)),
                    format("%.1f", median(peer)) + " (string::insert)", median(peer) / median(keys),
                    "< 1000 us"});
}

void bench_long_lines(size_t bytes, std::vector<Row>& rows) {
    std::string e_acute;
    e_acute.reserve(bytes);
    while (e_acute.size() + 2 <= bytes) e_acute += "\xC3\xA9";
    bench_long_line("\"\xC3\xA9\"", e_acute, rows);
    bench_long_line("NUL bytes", std::string(bytes, '\0'), rows);
}

// ---- (6) the background line scan ----

// The colouring state of every index line, as the background scan finds it with the XML
// automaton: scan_line over the index lines alone, and the whole LineScanner pass (which
// also counts characters and logical lines), each beside the parser's scanning loop over the
// whole text with a sink that counts the tokens.
void bench_line_scan(std::string_view text, std::vector<Row>& rows) {
    auto doc = load_ours(text);
    LexicalAutomaton& xml = *default_languages().find("XML")->automaton;
    const LineIndex& index = doc->index();
    std::vector<double> lines, passes, engine;
    uint8_t state = 0;
    for (int i = 0; i < 5; ++i) {
        auto t0 = Clock::now();
        state = 0;
        for (int32_t line = 0; line < index.line_count(); ++line) {
            const TextPos first = index.line_start(line);
            const TextPos end = index.line_start(line + 1);
            if (const char* p = doc->store().range_ptr(first, end - 1)) {
                state = xml.scan_line(state, std::string_view(p, static_cast<size_t>(end - first)));
            } else {  // one of the few lines across two pieces
                state = xml.scan_line(state, doc->store().substr(first, end - first));
            }
        }
        lines.push_back(seconds_since(t0));
    }
    g_sink = state;
    for (int i = 0; i < 3; ++i) {
        doc->set_automaton(nullptr);
        doc->set_automaton(&xml);
        auto t0 = Clock::now();
        while (!doc->scan_finished()) doc->run_scan_slice();
        passes.push_back(seconds_since(t0));
    }
    const ScannerTables& tables = xml_scanner_tables();
    for (int i = 0; i < 5; ++i) {
        int64_t tokens = 0;
        auto count = [&tokens](int32_t, int32_t, int16_t) { ++tokens; };
        ScanCursor cursor{kXmlContentState, 0};
        const auto n = static_cast<int32_t>(text.size());
        auto t0 = Clock::now();
        scan_run(tables, text.data(), n, 0, n, n, cursor, count);
        engine.push_back(seconds_since(t0));
        g_sink = tokens;
    }
    const double e = mb_per_s(text.size(), median(engine));
    const double l = mb_per_s(text.size(), median(lines));
    const double pass = mb_per_s(text.size(), median(passes));
    rows.push_back({"XML scan_line over every index line, MB/s", format("%.0f", l),
                    format("%.0f", e) + " (scanner, whole text)", l / e, ">= scanner"});
    rows.push_back({"background line scan, XML colouring, MB/s", format("%.0f", pass),
                    format("%.0f", e) + " (scanner, whole text)", pass / e, ""});
}

void print(const std::vector<Row>& rows, double megabytes, const char* what) {
    std::printf("\ntext_bench: %.1f MB %s (ratio = peer time / our time; > 1: ours faster)\n\n",
                megabytes, what);
    std::printf("%-52s %12s  %-30s %8s  %s\n", "work", "ours", "peer", "ratio", "budget");
    for (const Row& r : rows)
        std::printf("%-52s %12s  %-30s %8.2f  %s\n", r.work.c_str(), r.ours.c_str(), r.peer.c_str(),
                    r.ratio, r.budget.c_str());
}

}  // namespace
}  // namespace tessel

int main(int argc, char** argv) {
    using namespace tessel;
    if (argc == 4 && std::strcmp(argv[1], "--cold") == 0) return cold_main(argv[2], argv[3]);
    double megabytes = 100;
    uint64_t seed = 1;
    const bool long_lines_only = argc > 1 && std::strcmp(argv[1], "--long-lines") == 0;
    if (long_lines_only) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    if (!bench::parse_size_and_seed(argc, argv, "text_bench", &megabytes, &seed)) return 2;
    if (long_lines_only) {
        std::vector<Row> rows;
        mallopt(M_MMAP_THRESHOLD, 256 << 20);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
        const size_t bytes = static_cast<size_t>(megabytes * 1e6);
        bench_long_lines(bytes, rows);
        print(rows, static_cast<double>(bytes) / 1e6, "texts in one line");
        return 0;
    }

    // Set-up, outside every timing: the document in memory and in a file for the cold
    // loads and for `wc -l`.
    const std::string text = bench::make_document(static_cast<int64_t>(megabytes * 1e6), seed);
    const std::string file = bench::write_temp_file(text, "text_bench");
    if (file.empty()) return 1;

    std::vector<Row> rows;
    const double cold_ours = cold_load_in_child(argv[0], file, "ours");
    const double cold_peer = cold_load_in_child(argv[0], file, "peer");
    rows.push_back({"load by append, cold (fresh process), MB/s", format("%.0f", cold_ours),
                    format("%.0f", cold_peer) + " (string+count)", cold_ours / cold_peer, ""});
    const double wc = wc_seconds(file);
    if (wc > 0) {
        const double rate = mb_per_s(text.size(), wc);
        rows.push_back({"load cold, beside wc -l on the file, MB/s", format("%.0f", cold_ours), format("%.0f", rate) + " (wc -l)",
                        cold_ours / rate, ""});
    }
    // glibc hands blocks of this size to mmap and gives them back on free, so every load
    // would pay first touch again; first with the default, then with freed memory kept.
    bench_load_warm(text, " (malloc default)", rows);
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    bench_load_warm(text, "", rows);
    rows.push_back({"load warm, beside wc -l on the file, MB/s", rows.back().ours,
                    wc > 0 ? format("%.0f", mb_per_s(text.size(), wc)) + " (wc -l)" : "n/a",
                    wc > 0 ? std::stod(rows[rows.size() - 1].ours) / mb_per_s(text.size(), wc) : 0, ""});

    bench_keystroke(text, rows);
    bench_lookups(text, rows);
    bench_undo_multi(text, rows);
    bench_line_scan(text, rows);
    bench_long_lines(text.size() / 4, rows);
    unlink(file.c_str());
    print(rows, static_cast<double>(text.size()) / 1e6,
          "generated XML document (the one-line texts: a quarter of its size)");
    return 0;
}
