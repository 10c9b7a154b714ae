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

}  // namespace

int main(int argc, char** argv) {
    tessel::bench::ComparisonSetup setup{"json_bench", kContenders, make_json};
    return tessel::bench::run_parser_comparison(argc, argv, setup);
}
