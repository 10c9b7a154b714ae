// make_document: deterministic, data-like documents of a requested size (an XML catalogue
// of records, a JSON array of records), the common input of the benchmarks.
#pragma once

#include <cstdint>
#include <string>

namespace tessel::bench {

// About `bytes` bytes (never less; the last record is finished) of UTF-8 XML with LF line
// endings: records with attributes, nested elements, texts of 40 to 120 bytes per line,
// some non-ASCII words, entity references, comments and CDATA, and now and then a line of
// tens of kilobytes. The same seed always gives the same text.
std::string make_document(int64_t bytes, uint64_t seed = 1);

// A <catalog> of `rows` <item> children with attributes and sub-elements, a few of them with
// extra or missing parts so columns have gaps: the element of a million children that the
// view and browser benchmarks lay out.
std::string make_item_catalog(int rows);

// About `bytes` bytes of pretty-printed JSON: an array of records as data exports and API
// dumps look (ids, names and texts, integers and decimals, booleans and nulls, tag arrays and
// nested objects), with non-ASCII words and escapes. The same seed always gives the same text.
std::string make_json_records(int64_t bytes, uint64_t seed = 1);

}  // namespace tessel::bench
