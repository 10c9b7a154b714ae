// The JSON line colouring: the scanner's tokens, member names told from values by the colon
// after them.
#include "parse/json_line_automaton.h"

#include "parse/token.h"

namespace tessel {

JsonLineAutomaton::JsonLineAutomaton()
    : ScannerLineAutomaton(json_scanner_tables(), kJsonStartState) {}

uint32_t JsonLineAutomaton::style_colour(int16_t style) const {
    using token_colour_detail::rgb;
    switch (style) {
        case json_open_brace:
        case json_close_brace:
        case json_open_bracket:
        case json_close_bracket:
        case json_comma:
        case json_colon: return token_colour(xml_close_angle);
        case kJsonMemberNameStyle: return token_colour(xml_name);
        case json_string: return token_colour(xml_quoted_string);
        case json_comment: return token_colour(xml_comment);
        case json_number: return rgb(0, 128, 0);
        case json_true:
        case json_false:
        case json_null: return rgb(0, 128, 128);
        // Red like the strings would hide a typing error among them.
        case json_stray: return token_colour(xml_blank_after_opener);
        default: return style < 0 ? token_colour(style) : token_colour(xml_char_data);
    }
}

void JsonLineAutomaton::refine(std::string_view line, std::vector<LineToken>& tokens) const {
    // Which strings are names follows from the structure ("{" or "," inside an object), which
    // a one-byte line state cannot carry; the colon after a name is on the same line in
    // every layout people write, and a string ending the line is taken as a value.
    const size_t n = line.size();
    for (LineToken& t : tokens) {
        if (t.style != json_string) continue;
        size_t j = static_cast<size_t>(t.last) + 1;
        while (j < n && (line[j] == ' ' || line[j] == '\t' || line[j] == '\r' || line[j] == '\n')) ++j;
        if (j < n && line[j] == ':') t.style = kJsonMemberNameStyle;
    }
}

}  // namespace tessel
