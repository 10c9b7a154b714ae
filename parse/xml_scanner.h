// The XML/DTD automaton on the scanner engine: its tables and its start states. It cuts
// documents, DTD documents and internal subsets into the XmlTokenKind tokens of token.h.
#pragma once

#include <cstdint>

#include "parse/scanner_engine.h"
#include "parse/token.h"
#include "parse/xml_char_class.h"

namespace tessel {

// Start states. The tables number these three first, in this order.
inline constexpr uint8_t kXmlContentState = 0;  // a document, or element content
inline constexpr uint8_t kXmlDtdState = 1;      // a DTD document (external subset)
inline constexpr uint8_t kXmlSubsetState = 2;   // inside "[" ... "]" of a DOCTYPE
constexpr uint8_t xml_content_state() { return kXmlContentState; }
constexpr uint8_t xml_dtd_state() { return kXmlDtdState; }
constexpr uint8_t xml_subset_state() { return kXmlSubsetState; }

// The tables, built on first use (thread-safe) and read-only afterwards.
const ScannerTables& xml_scanner_tables();

}  // namespace tessel
