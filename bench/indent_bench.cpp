// indent_bench: indenting a generated XML document from its parsed tree (MB/s of input),
// beside `xmllint --format` on the same file in the same run. The indenter is timed alone
// (the parse is bench/run parse's business); xmllint's time includes its own parse, so both
// are also shown as whole processes: `tessel-cli indent` beside `xmllint --format`.
// Usage: indent_bench [--size MB] [--seed N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/make_document.h"
#include "parse/xml_indenter.h"
#include "parse/xml_parser.h"

namespace tessel {
namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The median of five runs of a shell command after one that warms the page cache; 0 when it
// cannot be run.
double command_seconds(const std::string& command) {
    if (std::system(command.c_str()) != 0) return 0;
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        auto t0 = Clock::now();
        if (std::system(command.c_str()) != 0) return 0;
        times.push_back(seconds_since(t0));
    }
    return median(times);
}

}  // namespace
}  // namespace tessel

int main(int argc, char** argv) {
    using namespace tessel;
    int64_t megabytes = 100;
    uint64_t seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--size")) megabytes = std::atoll(argv[i + 1]);
        if (!std::strcmp(argv[i], "--seed")) seed = std::strtoull(argv[i + 1], nullptr, 10);
    }
    const std::string text = bench::make_document(megabytes * 1'000'000, seed);
    const double mb = static_cast<double>(text.size()) / 1e6;
    char file[] = "/tmp/indent_bench_XXXXXX";
    const int fd = mkstemp(file);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::perror("indent_bench: temporary file");
        return 1;
    }
    close(fd);

    auto tree = parse_xml(text);
    IndentOptions options;
    options.remove_comments = false;
    size_t out_bytes = 0;
    // Cold: a fresh builder each run, its memory new to the process. Warm: one builder
    // emptied and written again.
    std::vector<double> cold, warm;
    for (int i = 0; i < 3; ++i) {
        IndentedText out;
        auto t0 = Clock::now();
        write_indented(*tree, options, out, text);
        cold.push_back(seconds_since(t0));
        out_bytes = out.size();
    }
    {
        IndentedText out;
        write_indented(*tree, options, out, text);
        for (int i = 0; i < 3; ++i) {
            out.clear();
            auto t0 = Clock::now();
            write_indented(*tree, options, out, text);
            warm.push_back(seconds_since(t0));
        }
    }
    std::printf("document: %.1f MB generated (seed %llu), indented %.1f MB\n", mb,
                static_cast<unsigned long long>(seed), static_cast<double>(out_bytes) / 1e6);
    std::printf("indent from the tree, cold   %8.3f s  %8.1f MB/s\n", median(cold),
                mb / median(cold));
    std::printf("indent from the tree, warm   %8.3f s  %8.1f MB/s\n", median(warm),
                mb / median(warm));

    const std::string cli =
        std::string(argv[0]).substr(0, std::string(argv[0]).rfind('/')) + "/../tessel-cli";
    const double ours =
        command_seconds("'" + cli + "' indent --keep-comments '" + file + "' > /dev/null");
    const double xmllint =
        command_seconds("xmllint --huge --format '" + std::string(file) + "' > /dev/null");
    if (ours > 0)
        std::printf("tessel-cli indent (process)  %8.3f s  %8.1f MB/s\n", ours, mb / ours);
    if (xmllint > 0) {
        std::printf("xmllint --format (process)   %8.3f s  %8.1f MB/s\n", xmllint, mb / xmllint);
        if (ours > 0) std::printf("ratio xmllint / tessel-cli   %8.2f\n", xmllint / ours);
    } else {
        std::printf("xmllint --format could not be run\n");
    }
    std::remove(file);
    return 0;
}
