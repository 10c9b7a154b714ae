// ParseMessages: the composition of expectation failures and the other parser messages.
#include "parse/parse_messages.h"

#include <string>

namespace tessel {

std::string_view ParseMessages::token_text(const Token& t) const {
    if (t.first < 0 || t.last < t.first || t.first >= static_cast<int32_t>(text_.size())) return {};
    size_t last = std::min<size_t>(static_cast<size_t>(t.last), text_.size() - 1);
    size_t n = last - static_cast<size_t>(t.first) + 1;
    return cut_at_character(text_.substr(static_cast<size_t>(t.first), n), kMaxDetailText);
}

void ParseMessages::location_detail(const Token* previous) {
    if (previous) {
        std::string text = "After '";
        text += token_text(*previous);
        text += "'";
        list_.detail("Location", text, previous->first, previous->last);
    } else {
        list_.detail("Location", "Beginning of file", 0, -1);
    }
}

void ParseMessages::expectation(std::string_view what, const Token& found, const Token* previous,
                                bool fatal, bool whitespace_forbidden) {
    report(what, found, previous, fatal ? Severity::error : Severity::warning, fatal,
           whitespace_forbidden);
}

void ParseMessages::expectation_error(std::string_view what, const Token& found,
                                      const Token* previous) {
    report(what, found, previous, Severity::error, false, false);
}

void ParseMessages::report(std::string_view what, const Token& found, const Token* previous,
                           Severity severity, bool ends, bool whitespace_forbidden) {
    if (whitespace_forbidden && found.first >= 0 && found.first < static_cast<int32_t>(text_.size()) &&
        (text_[static_cast<size_t>(found.first)] == ' ' || text_[static_cast<size_t>(found.first)] == '\t')) {
        list_.add(found.first, "whitespace not allowed here", severity);
        location_detail(previous);
        if (ends) end("expecting", found.first);
        return;
    }
    std::string message = "Expecting ";
    message += what;
    list_.add(found.first, message, severity);
    location_detail(previous);
    if (found.kind == 2)
        list_.detail("Found instead", "End of file", found.first, found.last);
    else
        list_.detail("Found instead", token_text(found), found.first, found.last);
    if (ends) end("expecting", found.first);
}

void ParseMessages::premature_end(TextPos unfinished) {
    TextPos end_pos = static_cast<TextPos>(text_.size());
    list_.add_error(end_pos, "Unexpected end of file");
    end("Unexpected end of file", unfinished < end_pos ? unfinished : end_pos);
}

void ParseMessages::whitespace_not_allowed(const Token& previous) {
    list_.add_warning(previous.last + 1, "whitespace not allowed here");
    location_detail(&previous);
}

void ParseMessages::scan_failure(const Token& t) {
    // A run of bad bytes of one kind is one problem to the reader (and a file of binary junk
    // would otherwise cost a diagnostic per byte).
    const bool continues_run = t.kind == last_failure_.kind && t.first == last_failure_.last + 1;
    last_failure_ = t;
    if (continues_run) return;
    drop(t.first);
    switch (t.kind) {
        case kInvalidUtf8Kind:
            list_.add_warning(t.first, "Invalid Unicode sequence");
            break;
        case kNotCharacterKind:
            list_.add_error(t.first, "This Unicode non-character not allowed");
            break;
        default:
            list_.add_warning(t.first, "This Unicode ctrl character not allowed");
            break;
    }
}

void ParseMessages::problem_at(std::string_view what, TextPos from, TextPos at, TextPos found_first,
                               TextPos found_last, Severity severity,
                               Conformance conformance) {
    std::string message = "Expecting ";
    message += what;
    list_.add(at, message, severity, conformance);
    if (from < at) {
        std::string text = "After '";
        text += cut_at_character(
            text_.substr(static_cast<size_t>(from), static_cast<size_t>(at - from)),
            kMaxDetailText);
        text += "'";
        list_.detail("Location", text, from, at - 1);
    } else {
        list_.detail("Location", "Beginning of file", 0, -1);
    }
    if (found_first >= static_cast<TextPos>(text_.size()))
        list_.detail("Found instead", "End of file", found_first, found_first - 1);
    else
        list_.detail_from_text("Found instead", found_first, found_last);
}

}  // namespace tessel
