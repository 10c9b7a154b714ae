// json_bench: JSON parse throughput of parse_json (nodes and diagnostics) beside RapidJSON's
// DOM parse and nlohmann's parse on the same bytes in the same run, warm (repeated in one
// process) and cold (the first parse of a fresh process). Not a test.
// Usage: json_bench [--size MB] [--seed N] [--rounds N] [--no-cold] [FILE...]
#include <rapidjson/document.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "bench/parser_comparison.h"
#include "bench/make_document.h"
#include "parse/json_parser.h"

namespace {

// Keeps results alive so the optimiser cannot drop the work that made them.
volatile int64_t g_sink;

// Each returns whether the document was accepted; the tree is freed inside the timing, as
// every peer frees its own.
bool parse_ours(std::string_view text, std::vector<char>&) {
    auto tree = tessel::parse_json(text);
    g_sink = tree->diagnostics().count();
    return tree->root() != nullptr && tree->diagnostics().error_count() == 0;
}

bool parse_rapidjson(std::string_view text, std::vector<char>&) {
    rapidjson::Document d;
    d.Parse(text.data(), text.size());
    g_sink = d.IsArray() ? d.Size() : 0;
    return !d.HasParseError();
}

bool parse_nlohmann(std::string_view text, std::vector<char>&) {
    auto j = nlohmann::json::parse(text, nullptr, false);
    g_sink = static_cast<int64_t>(j.size());
    return !j.is_discarded();
}

constexpr tessel::bench::Contender kContenders[] = {
    {"tessel parse_json", parse_ours},
    {"RapidJSON DOM", parse_rapidjson},
    {"nlohmann", parse_nlohmann},
};

}  // namespace

int main(int argc, char** argv) {
    tessel::bench::ComparisonSetup setup{"json_bench", kContenders, tessel::bench::make_json_records};
    return tessel::bench::run_parser_comparison(argc, argv, setup);
}
