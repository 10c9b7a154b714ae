// The XML and DTD line colouring.
#include "parse/xml_line_automaton.h"

#include "parse/token.h"
#include "parse/xml_scanner.h"

namespace tessel {

XmlLineAutomaton::XmlLineAutomaton(uint8_t start_state)
    : ScannerLineAutomaton(xml_scanner_tables(), start_state) {}

uint32_t XmlLineAutomaton::style_colour(int16_t style) const { return token_colour(style); }

}  // namespace tessel
