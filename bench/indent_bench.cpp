// indent_bench: indenting a generated XML document from its parsed tree (MB/s of input),
// beside `xmllint --format` on the same file in the same run. The indenter is timed alone
// (the parse is bench/run parse's business); xmllint's time includes its own parse, so both
// are also shown as whole processes: `tessel-cli indent` beside `xmllint --format`.
// Usage: indent_bench [--size MB] [--seed N]
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/make_document.h"
#include "parse/xml_indenter.h"
#include "parse/xml_parser.h"

int main(int argc, char** argv) {
    using namespace tessel;
    using bench::Clock;
    using bench::median;
    using bench::seconds_since;
    double megabytes = 100;
    uint64_t seed = 1;
    if (!bench::parse_size_and_seed(argc, argv, "indent_bench", &megabytes, &seed)) return 2;
    const std::string text = bench::make_document(static_cast<int64_t>(megabytes * 1e6), seed);
    const double mb = static_cast<double>(text.size()) / 1e6;
    const std::string file = bench::write_temp_file(text, "indent_bench");
    if (file.empty()) return 1;

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
        write_indented(*tree, options, out);
        cold.push_back(seconds_since(t0));
        out_bytes = out.size();
    }
    {
        IndentedText out;
        write_indented(*tree, options, out);
        for (int i = 0; i < 3; ++i) {
            out.clear();
            auto t0 = Clock::now();
            write_indented(*tree, options, out);
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
    const double ours = bench::command_seconds(
        "'" + cli + "' indent --keep-comments '" + file + "' > /dev/null", 5);
    const double xmllint =
        bench::command_seconds("xmllint --huge --format '" + file + "' > /dev/null", 5);
    if (ours > 0)
        std::printf("tessel-cli indent (process)  %8.3f s  %8.1f MB/s\n", ours, mb / ours);
    if (xmllint > 0) {
        std::printf("xmllint --format (process)   %8.3f s  %8.1f MB/s\n", xmllint, mb / xmllint);
        if (ours > 0) std::printf("ratio xmllint / tessel-cli   %8.2f\n", xmllint / ours);
    } else {
        std::printf("xmllint --format could not be run\n");
    }
    std::remove(file.c_str());
    return 0;
}
