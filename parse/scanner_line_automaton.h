// ScannerLineAutomaton: the editor's line colouring on a scanner engine's tables, so that a
// document's characters get the token kinds its parser's scanner gives them. The line state
// is the engine's state where the line begins; a token still open at the line's end goes on
// in the next line.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "parse/scanner_engine.h"
#include "text/line_scanner.h"

namespace tessel {

class ScannerLineAutomaton : public LexicalAutomaton {
public:
    // start_state: where the parser starts a document of this type.
    ScannerLineAutomaton(const ScannerTables& tables, uint8_t start_state);

    uint8_t scan_line(uint8_t state, std::string_view line) override;
    // Tokens carry their kind as style; characters between tokens are left out. A token still
    // open at the line's end is shown as the construct in progress (a comment, a string). Its
    // kind may still change with characters of the next line ("<" and "<!-" before "-", "]]"
    // before ">" in CDATA, a number that letters follow): that happens only where a long line
    // is cut, never before a line feed, which settles every such construct.
    uint8_t tokenize_line(uint8_t state, std::string_view line,
                          std::vector<LineToken>& tokens) override;

    // Line states and engine states differ only in that every text starts in line state 0:
    // the automaton's start state and state 0 trade places. A state the tables do not have
    // is taken as the start state.
    uint8_t engine_state(uint8_t line_state) const {
        if (line_state >= tables_.state_count() || line_state == 0) return start_;
        return line_state == start_ ? 0 : line_state;
    }
    uint8_t line_state(uint8_t engine_state) const {
        if (engine_state == start_) return 0;
        return engine_state == 0 ? start_ : engine_state;
    }
    const ScannerTables& tables() const { return tables_; }

protected:
    // Gives some of the scanner's tokens a style of the colouring's own (JSON member names);
    // runs before control characters and bad bytes are cut out of them.
    virtual void refine(std::string_view line, std::vector<LineToken>& tokens) const;

private:
    const ScannerTables& tables_;
    uint8_t start_;
};

}  // namespace tessel
