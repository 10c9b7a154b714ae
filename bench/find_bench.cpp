// find_bench: Find of an absent pattern over a generated XML document beside `grep -c -F` on
// the same file in the same run, and Replace All of a common word beside the same
// replacement on a std::string.
// Usage: find_bench [--size MB] [--seed N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "bench/make_document.h"
#include "editor/find_state.h"
#include "editor/text_search.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

using bench::Clock;
using bench::seconds_since;

using bench::median;

volatile int64_t g_sink;

// The load path of the editor: 1 000 000-byte blocks appended, so the store has its pieces.
std::unique_ptr<TextDocument> load(std::string_view text) {
    auto doc = std::make_unique<TextDocument>();
    for (size_t at = 0; at < text.size(); at += 1'000'000) doc->append(text.substr(at, 1'000'000));
    return doc;
}

double grep_seconds(const std::string& options, const std::string& pattern,
                    const std::string& file) {
    // grep exits 1 when it finds nothing; only a failure to run counts.
    return bench::command_seconds(
        "LC_ALL=C grep -c " + options + " -e '" + pattern + "' '" + file + "' > /dev/null", 5,
        false);
}

double find_seconds(TextDocument& doc, std::string_view pattern, bool match_case) {
    FindState state;
    state.find_text.append(pattern);
    state.match_case = match_case;
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        doc.set_caret(0);
        auto t0 = Clock::now();
        const FindResult r = run_find(doc, state, true, nullptr, nullptr);
        times.push_back(seconds_since(t0));
        if (r.found) {
            std::fprintf(stderr, "find_bench: '%.*s' was found at %d\n",
                         static_cast<int>(pattern.size()), pattern.data(), r.at);
            std::exit(1);
        }
    }
    return median(times);
}

// The peer of Replace All: the same non-overlapping replacement into a new std::string.
std::string replace_string(std::string_view text, std::string_view from, std::string_view to,
                           int64_t* count) {
    std::string out;
    out.reserve(text.size());
    *count = 0;
    size_t at = 0;
    for (size_t hit; (hit = text.find(from, at)) != std::string_view::npos;
         at = hit + from.size()) {
        out.append(text.substr(at, hit - at));
        out.append(to);
        ++*count;
    }
    out.append(text.substr(at));
    return out;
}

}  // namespace
}  // namespace tessel

int main(int argc, char** argv) {
    using namespace tessel;
    double megabytes = 100;
    uint64_t seed = 1;
    if (!bench::parse_size_and_seed(argc, argv, "find_bench", &megabytes, &seed)) return 2;

    const std::string text = bench::make_document(static_cast<int64_t>(megabytes * 1e6), seed);
    const std::string file = bench::write_temp_file(text, "find_bench");
    if (file.empty()) return 1;
    auto doc = load(text);
    const double mb = static_cast<double>(text.size()) / 1e6;

    std::printf(
        "\nfind_bench: %.1f MB generated XML document, %d pieces (ratio = grep time / our "
        "time; budget >= 0.33)\n\n",
        mb, doc->store().piece_count());
    std::printf("%-44s %10s %10s %8s\n", "work", "ours s", "grep s", "ratio");
    struct Probe {
        const char* label;
        const char* pattern;
        bool match_case;
        const char* grep_options;
    };
    for (const Probe& p :
         {Probe{"Find absent 'tessel-absent-token'", "tessel-absent-token", true, "-F"},
          Probe{"Find absent, ignoring case", "tessel-absent-token", false, "-F -i"},
          Probe{"Find absent '<zq'", "<zq", true, "-F"}}) {
        const double ours = find_seconds(*doc, p.pattern, p.match_case);
        const double grep = grep_seconds(p.grep_options, p.pattern, file);
        std::printf("%-44s %10.3f %10.3f %8.2f   (%.0f MB/s beside %.0f MB/s)\n", p.label, ours,
                    grep, grep / ours, mb / ours, grep > 0 ? mb / grep : 0.0);
    }
    unlink(file.c_str());

    // Replace All of a common word, one undo step; undone between runs outside the timing.
    EditHistory history;
    doc->set_history(&history);
    FindState state;
    state.find_text.append("record");
    state.replace_text.append("item");
    state.match_case = true;
    state.scope = FindState::kWholeFile;
    std::vector<double> ours, peer;
    int32_t count = 0;
    for (int i = 0; i < 3; ++i) {
        auto t0 = Clock::now();
        count = run_replace_all(*doc, state, nullptr, nullptr, nullptr).count;
        ours.push_back(seconds_since(t0));
        history.undo();
    }
    int64_t peer_count = 0;
    for (int i = 0; i < 3; ++i) {
        auto t0 = Clock::now();
        std::string out = replace_string(text, "record", "item", &peer_count);
        peer.push_back(seconds_since(t0));
        g_sink = static_cast<int64_t>(out.size());
    }
    if (count != peer_count || doc->length() != static_cast<int32_t>(text.size())) {
        std::fprintf(stderr, "find_bench: Replace All made %d replacements, the peer %lld\n", count,
                     static_cast<long long>(peer_count));
        return 1;
    }
    const double o = median(ours), q = median(peer);
    std::printf("\nReplace All 'record' -> 'item' (%d replacements, one undo step)\n", count);
    std::printf("%-44s %10.0f MB/s  beside std::string find+append %0.f MB/s  ratio %.2f\n", "",
                mb / o, mb / q, q / o);
    return 0;
}
