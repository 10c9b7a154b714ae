// Diagnostics: the located warnings and errors of one parse, each with labelled details
// pointing at further spans of the text. They are nodes, so the warnings pane shows them
// with the same machinery as document nodes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/arena.h"
#include "foundation/array.h"
#include "parse/node.h"
#include "text/text_pos.h"

namespace tessel {

class Diagnostic;

enum class Severity : uint8_t { warning = 0, error = 1 };

// Whether a problem makes the text not well-formed (XML 1.0) or not a JSON text (RFC 8259).
// Nearly every problem does, whatever its severity: the severity says only whether the parse
// could keep the text as written. An advisory problem points at something legal that a
// reader may not expect (a JSON escape of a lone surrogate).
enum class Conformance : uint8_t { breaks, advisory };

// The type names of a diagnostic's details, after its severity ("Error detail data:" above
// an error's details in a view).
inline constexpr const char* kErrorDetail = "Error detail";
inline constexpr const char* kWarningDetail = "Warning detail";

class DiagnosticDetail final : public Node {
public:
    DiagnosticDetail(const char* label, std::string_view text, TextPos first, TextPos last,
                     Diagnostic* owner)
        : label_(label), text_(text), first_(first), last_(last), owner_(owner) {}
    void describe(NodeDescriber& describer) override;
    std::string dump() override;
    NodeSpans spans() override { return {label_, first_, last_}; }
    // Warning data is never edited: always DiagnosticList::kNotEditable.
    const char* validate_edit(std::string_view new_text, int query_kind) override;

    const char* label() const { return label_; }
    std::string_view text() const { return text_; }
    TextPos first() const { return first_; }
    TextPos last() const { return last_; }
    Diagnostic* owner() const { return owner_; }

private:
    const char* label_;
    std::string_view text_;
    TextPos first_, last_;
    Diagnostic* owner_;
};

class Diagnostic final : public Node {
public:
    Diagnostic(Severity severity, TextPos position, std::string_view message,
               std::string_view display, Arena* arena)
        : severity_(severity), position_(position), message_(message), display_(display),
          details_(arena) {}
    void describe(NodeDescriber& describer) override;
    Node* child(int32_t index) override;
    std::string dump() override;
    NodeSpans spans() override { return {severity_name(), position_, position_ - 1}; }
    // Warning data is never edited: always DiagnosticList::kNotEditable.
    const char* validate_edit(std::string_view new_text, int query_kind) override;

    Severity severity() const { return severity_; }
    const char* severity_name() const {
        return severity_ == Severity::error ? "Error" : "Warning";
    }
    TextPos position() const { return position_; }
    // The icon index the views show it with: 9 for an error, 10 for a warning.
    int kind_code() const;
    std::string_view message() const { return message_; }
    // "Error: " or "Warning: " followed by the message.
    std::string_view display_text() const { return display_; }
    const Array<DiagnosticDetail*>& details() const { return details_; }
    void add_detail(DiagnosticDetail* detail) { details_.push_back(detail); }
    // The user's line and column of the position, from 1 as the caret status counts them
    // (lines end at LF, columns count characters); 0 until the list has located it.
    int32_t line() const { return line_; }
    int32_t column() const { return column_; }
    // Sets the place; name is what the views show in front of the message ("Error at 12:5").
    void set_place(int32_t line, int32_t column, std::string_view name) {
        line_ = line;
        column_ = column;
        name_ = name;
    }

private:
    Severity severity_;
    TextPos position_;
    std::string_view message_;
    std::string_view display_;
    Array<DiagnosticDetail*> details_;
    int32_t line_ = 0;
    int32_t column_ = 0;
    std::string_view name_;
};

enum class DiagnosticState : uint8_t { none, warnings, errors };

// The first bytes of text, at most max of them, cut back to a whole UTF-8 character.
std::string_view cut_at_character(std::string_view text, size_t max);

class DiagnosticList {
public:
    static constexpr const char* kNotEditable = "Warning data is not editable.";
    // Detail texts taken from the document are cut to this many bytes, so a stray megabyte
    // of text is not copied into the diagnostics (nor printed on one line).
    static constexpr size_t kMaxDetailText = 1024;
    // A list keeps this many diagnostics at most; the ones reported after are counted, and
    // sort_by_position closes the list with one diagnostic that says how many were left out.
    // A file of binary junk would otherwise cost a diagnostic per byte.
    static constexpr int32_t kMaxDiagnostics = 100000;
    static constexpr const char* kNotListed = "Too many diagnostics: the rest are not listed";

    DiagnosticList() = default;
    DiagnosticList(const DiagnosticList&) = delete;
    DiagnosticList& operator=(const DiagnosticList&) = delete;

    // The text that detail_from_text reads from.
    void set_source(std::string_view text) { source_ = text; }
    std::string_view source() const { return source_; }

    Diagnostic* add(TextPos position, std::string_view message, Severity severity,
                    Conformance conformance = Conformance::breaks);
    Diagnostic* add_warning(TextPos position, std::string_view message) {
        return add(position, message, Severity::warning);
    }
    Diagnostic* add_error(TextPos position, std::string_view message) {
        return add(position, message, Severity::error);
    }
    // Attaches a detail to the most recent diagnostic (ignored when there is none).
    void detail(const char* label, std::string_view text, TextPos first, TextPos last);
    // The same, with the text read from the source between first and last (its first
    // kMaxDetailText bytes; the span stays whole).
    void detail_from_text(const char* label, TextPos first, TextPos last);

    // Puts the diagnostics in position order; those at one position keep the order they
    // were reported in. A parse reports most of them in order already: this costs one pass
    // then. Called when a parse ends: diagnostics left out past kMaxDiagnostics are summed
    // up first, as one diagnostic at the first of them (an error if any of them was one).
    // Then each diagnostic learns its line and column in the source, in one pass over the
    // text up to the last of them.
    void sort_by_position();
    // Gives every diagnostic its line and column in text (they must be in position order).
    void locate_in(std::string_view text);

    int32_t count() const { return items_.size(); }
    Diagnostic* at(int32_t i) const { return items_[i]; }
    const Array<Diagnostic*>& items() const { return items_; }
    int32_t error_count() const { return error_count_; }
    int32_t warning_count() const { return items_.size() - error_count_; }
    int32_t first_error() const { return first_error_; }
    Diagnostic* last() const { return last_; }

    // "N warning(s), M error(s)".
    std::string summary() const;
    // False when any problem reported, listed or not, breaks the text's grammar.
    bool well_formed() const { return breaking_ == 0; }
    DiagnosticState state() const {
        return error_count_ ? DiagnosticState::errors
                            : items_.empty() ? DiagnosticState::none : DiagnosticState::warnings;
    }

private:
    std::string_view copy(std::string_view text);

    LargeArena arena_;
    std::string_view source_;
    Array<Diagnostic*> items_;
    int32_t error_count_ = 0;
    int32_t breaking_ = 0;  // problems with Conformance::breaks, listed or not
    int32_t first_error_ = -1;
    Diagnostic* last_ = nullptr;
    // Past kMaxDiagnostics: how many were left out, how many of them errors, and where the
    // first of them was.
    int32_t not_listed_ = 0;
    int32_t not_listed_errors_ = 0;
    TextPos first_not_listed_ = 0;
};

}  // namespace tessel
