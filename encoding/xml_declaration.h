// The XML declaration at the start of a document: reading the version, encoding and
// standalone values, and writing a new declaration with another encoding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "encoding/encoding.h"

namespace tessel {

struct XmlDeclaration {
    int version = 0;                             // 0 for "1.0", 1 for "1.1"
    EncodingId encoding = kEncodingUnspecified;  // -1 when absent or unknown
    int standalone = 2;                          // 0 "yes", 1 "no", 2 absent
    size_t length = 0;                           // bytes from the start to where reading stopped
    bool complete = false;                       // read up to its "?>"
    size_t end = 0;                              // just after the "?>" when complete, else 0
};

// Reads the declaration at the start of text, keeping what was read when it breaks off:
// "<?xml", white space, version, then optionally encoding and standalone, each as
// name = quoted value, then "?>". White space is blank, tab, line feed and carriage return
// (files with CR LF line ends have them inside and after the declaration). A text that does
// not start with "<?xml" gives length 0.
XmlDeclaration read_declaration(std::string_view text);

// Where a text's XML declaration stands, as a rewrite of it sees it: none at all; at the start
// and closed by "?>" before any other markup (well-formed or not: a missing version, a
// misspelt name), which a rewrite replaces whole; at the start but never closed, which no
// rewrite can tell from the document; or after leading white space, where it is no
// declaration but an error, and a new one put before it would make two.
enum class DeclarationPlace { none, at_start, unclosed, not_at_start };
DeclarationPlace declaration_place(std::string_view text);

// A new declaration for the text with encoding id, keeping its version and standalone
// values; *old_length is set to the length of the text it replaces: the old declaration up to
// its "?>" when it stands at the start and is closed (declaration_place gives at_start), so
// that the line end and blank lines after it stay as they were. Otherwise *old_length is 0
// and the new declaration, to be inserted at the start, ends with the line end the text's
// first line has (CR LF or LF).
std::string write_declaration(std::string_view text, EncodingId id, size_t* old_length);

}  // namespace tessel
