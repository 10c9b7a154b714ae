// ParseMessages: how the parsers word their diagnostics. Expectation failures carry a
// "Location" detail (the token before) and a "Found instead" detail (the token found); a
// fatal one ends the parse by throwing ParseEnded, which the document level catches.
#pragma once

#include <string_view>

#include "parse/diagnostics.h"
#include "parse/document_tree.h"
#include "parse/token.h"
#include "parse/token_stream.h"

namespace tessel {

// Ends a parse; the text is a short reason ("expecting", "error", "Unexpected end of file")
// and at is where the parse stopped: the tree holds nothing of the text from there on.
struct ParseEnded {
    const char* reason;
    TextPos at;
};

class ParseMessages final : public ScanFailureSink {
public:
    // Detail texts taken from tokens are cut to this many bytes.
    static constexpr size_t kMaxDetailText = DiagnosticList::kMaxDetailText;

    // With a tree, the text that the parse passes over without keeping (scan failures, and
    // everything from a fatal error on) is marked dropped in it.
    ParseMessages(std::string_view text, DiagnosticList& list, DocumentTree* tree = nullptr)
        : text_(text), list_(list), tree_(tree) {}
    ParseMessages(std::string_view text, DocumentTree& tree)
        : ParseMessages(text, tree.diagnostics(), &tree) {}

    // "Expecting " + what at the found token, with its Location and Found instead details;
    // throws ParseEnded when fatal. With whitespace_forbidden, a found token that starts with
    // a blank or tab is reported as "whitespace not allowed here" instead.
    void expectation(std::string_view what, const Token& found, const Token* previous,
                     bool fatal, bool whitespace_forbidden = false);
    // The same as an error after which the parse goes on.
    void expectation_error(std::string_view what, const Token& found, const Token* previous);
    // The text ended inside something that began at unfinished (a declaration, a section)
    // where a token was required and no expectation applies: an error at the end of the
    // text, and the parse ends. What was begun is not in the tree.
    [[noreturn]] void premature_end(TextPos unfinished);
    // White space where none may be, outside an expectation: one past the previous token.
    void whitespace_not_allowed(const Token& previous);
    // Invalid UTF-8, forbidden control characters and non-characters, reported by the token
    // stream; adjacent failures of one kind make one diagnostic.
    void scan_failure(const Token& t) override;
    // A well-formedness error inside what was read, after which the parse goes on:
    // "Expecting " + what at `at`, a "Location" detail with the text from `from` up to `at`
    // ("After '…'"), and a "Found instead" detail with at..found_last ("End of file" at the
    // end of the text).
    void error_at(std::string_view what, TextPos from, TextPos at, TextPos found_last) {
        error_at(what, from, at, at, found_last);
    }
    // The same with the text found elsewhere (such as in an entity's declaration).
    void error_at(std::string_view what, TextPos from, TextPos at, TextPos found_first,
                  TextPos found_last) {
        problem_at(what, from, at, found_first, found_last, Severity::error);
    }
    // The same as a warning, for what the tree can keep as written; an advisory one leaves
    // the text well-formed.
    void warning_at(std::string_view what, TextPos from, TextPos at, TextPos found_last,
                    Conformance conformance = Conformance::breaks) {
        problem_at(what, from, at, at, found_last, Severity::warning, conformance);
    }
    void problem_at(std::string_view what, TextPos from, TextPos at, TextPos found_first,
                    TextPos found_last, Severity severity,
                    Conformance conformance = Conformance::breaks);
    // Marks text from at as passed over without being kept in the tree.
    void drop(TextPos at) {
        if (tree_) tree_->drop_text(at);
    }
    // Raises the parse-ending error after a diagnostic was added by other means; the text
    // from at on is not in the tree.
    [[noreturn]] void end(const char* reason, TextPos at) {
        drop(at);
        throw ParseEnded{reason, at};
    }

    // The text of a token, cut to kMaxDetailText bytes on a character boundary.
    std::string_view token_text(const Token& t) const;
    void location_detail(const Token* previous);
    DiagnosticList& list() { return list_; }

private:
    void report(std::string_view what, const Token& found, const Token* previous,
                Severity severity, bool ends, bool whitespace_forbidden);

    std::string_view text_;
    DiagnosticList& list_;
    DocumentTree* tree_;
    Token last_failure_{-2, -2, 0};
};

}  // namespace tessel
