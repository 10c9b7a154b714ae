// The 256-entry tables of the 25 single-byte code pages, in code-page list order (index 0 is
// iso-8859-1, index k >= 1 is EncodingId k + 6). Constants generated once from the published
// mappings by tools/gen_code_page_tables.py.
#pragma once

#include <cstdint>

namespace tessel {

constexpr int32_t kCodePageCount = 25;

// Entry b is the Unicode code point of byte b; 0 for a byte the code page leaves undefined.
// Entries 0x00-0x7F are b itself in every table.
extern const int32_t kCodePageTables[kCodePageCount][256];

}  // namespace tessel
