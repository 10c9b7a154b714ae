// Line colouring on the scanning loop: the parser's own tables, one line at a time.
#include "parse/scanner_line_automaton.h"

#include "text/special_characters.h"

namespace tessel {

ScannerLineAutomaton::ScannerLineAutomaton(const ScannerTables& tables, uint8_t start_state)
    : tables_(tables), start_(start_state) {}

uint8_t ScannerLineAutomaton::scan_line(uint8_t state, std::string_view line) {
    // The background scan of every line runs here: the scanning loop alone, no tokens.
    return line_state(line_end_state(tables_, engine_state(state), line));
}

uint8_t ScannerLineAutomaton::tokenize_line(uint8_t state, std::string_view line,
                                            std::vector<LineToken>& tokens) {
    tokens.clear();
    const auto n = static_cast<int32_t>(line.size());
    // The scanner's pseudo-tokens are dropped: add_special_characters finds those bytes again,
    // with the controls the parser accepts (line ends, DEL, C1) besides.
    auto sink = [&tokens](int32_t first, int32_t last, int16_t kind) {
        if (kind >= 0) tokens.push_back(LineToken{first, last, kind});
    };
    ScanCursor cursor{engine_state(state), 0};
    // No U+0000 is ordinary here: the line does not know whether it ends the text.
    scan_run(tables_, line.data(), n, 0, n, -1, cursor, sink);
    const ScanStateInfo& info = tables_.info(cursor.state);
    if (info.in_token && cursor.start < n)
        tokens.push_back(LineToken{cursor.start, n - 1, info.running_kind});
    refine(line, tokens);
    add_special_characters(line, tokens);
    return line_state(cursor.state);
}

void ScannerLineAutomaton::refine(std::string_view, std::vector<LineToken>&) const {}

}  // namespace tessel
