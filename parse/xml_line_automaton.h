// XmlLineAutomaton: the line colouring of XML and DTD documents, on the XML scanner's tables;
// a style is a token kind and draws in the kind's token_colour.
#pragma once

#include <cstdint>

#include "parse/scanner_line_automaton.h"

namespace tessel {

class XmlLineAutomaton final : public ScannerLineAutomaton {
public:
    // kXmlContentState for XML documents, kXmlDtdState for DTD documents.
    explicit XmlLineAutomaton(uint8_t start_state);
    uint32_t style_colour(int16_t style) const override;
};

}  // namespace tessel
