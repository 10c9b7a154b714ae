// The side-by-side parse benchmark that parse_bench and json_bench share: every contender
// parses the same bytes, warm (rounds alternating in one process) and cold (the first parse
// of a fresh child process), on a generated document and on the files named, and one table
// per document prints the figures with ours ÷ peer ratios.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::bench {

struct Contender {
    const char* name;
    // Returns whether the document was accepted. An in-situ contender parses `scratch`, a
    // fresh copy of the text made before the clock starts.
    bool (*parse)(std::string_view text, std::vector<char>& scratch);
    bool in_situ = false;
};

struct ComparisonSetup {
    const char* program;                    // for messages and the temporary file's name
    std::span<const Contender> contenders;  // ours first
    std::string (*generate)(int64_t bytes, uint64_t seed);
    // Appended to each document's heading after its size, once its rounds are run.
    std::string (*heading_note)(size_t text_bytes) = nullptr;
    const char* ours_rejected = "rejected";  // shown when ours or a peer does not accept it
    const char* peer_rejected = "rejected";
};

// The whole program: with "--child INDEX PATH" one cold parse, printed in seconds for the
// parent; otherwise the arguments of parse_bench_arguments. Returns the exit status.
int run_parser_comparison(int argc, char** argv, const ComparisonSetup& setup);

}  // namespace tessel::bench
