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
    drop(t.first);
    list_.add_warning(t.first, t.kind == -1 ? "Invalid Unicode sequence"
                                            : "This Unicode ctrl character not allowed");
}

}  // namespace tessel
