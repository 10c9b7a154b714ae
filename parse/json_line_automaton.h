// JsonLineAutomaton: the line colouring of JSON documents, on the JSON scanner's tables. Its
// styles are the JsonTokenKinds and one of its own for member names, which are strings the
// scanner does not tell apart from values.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "parse/json_scanner.h"
#include "parse/scanner_line_automaton.h"

namespace tessel {

// A string followed by ":" on its line, past blanks: the name of an object member.
inline constexpr int16_t kJsonMemberNameStyle = json_kind_count;

class JsonLineAutomaton final : public ScannerLineAutomaton {
public:
    JsonLineAutomaton();
    // Colours in the spirit of the XML ones: punctuation in the markup blue, member names as
    // attribute names, string values as attribute values, comments grey.
    uint32_t style_colour(int16_t style) const override;

private:
    void refine(std::string_view line, std::vector<LineToken>& tokens) const override;
};

}  // namespace tessel
