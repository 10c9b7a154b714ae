// ParseMessages: how the parsers word their diagnostics. Expectation failures carry a
// "Location" detail (the token before) and a "Found instead" detail (the token found); a
// fatal one ends the parse by throwing ParseEnded, which the document level catches.
#pragma once

#include <string_view>

#include "parse/diagnostics.h"
#include "parse/token.h"
#include "parse/token_stream.h"

namespace tessel {

// Ends a parse; the text is a short reason ("expecting", "error", "Unexpected end of file").
struct ParseEnded {
    const char* reason;
};

class ParseMessages final : public ScanFailureSink {
public:
    // Detail texts taken from tokens are cut to this many bytes, so a stray megabyte of text
    // does not end up copied into the diagnostics.
    static constexpr size_t kMaxDetailText = 1024;

    ParseMessages(std::string_view text, DiagnosticList& list) : text_(text), list_(list) {}

    // "Expecting " + what at the found token, with its Location and Found instead details;
    // throws ParseEnded when fatal. With whitespace_forbidden, a found token that starts with
    // a blank or tab is reported as "whitespace not allowed here" instead.
    void expectation(std::string_view what, const Token& found, const Token* previous,
                     bool fatal, bool whitespace_forbidden = false);
    // The text ended where a token was required and no expectation applies: a warning at the
    // end of the text, and the parse ends.
    [[noreturn]] void premature_end();
    // White space where none may be, outside an expectation: one past the previous token.
    void whitespace_not_allowed(const Token& previous);
    // Invalid UTF-8 and forbidden control characters, reported by the token stream.
    void scan_failure(const Token& t) override;
    // Raises the parse-ending error after a diagnostic was added by other means.
    [[noreturn]] static void end(const char* reason) { throw ParseEnded{reason}; }

    // The text of a token, cut to kMaxDetailText bytes on a character boundary.
    std::string_view token_text(const Token& t) const;
    void location_detail(const Token* previous);
    DiagnosticList& list() { return list_; }

private:
    std::string_view text_;
    DiagnosticList& list_;
};

}  // namespace tessel
