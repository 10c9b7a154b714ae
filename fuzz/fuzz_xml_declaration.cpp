// Fuzzes the reading and rewriting of XML declarations and encoding detection: any bytes are
// read without reading past their end; the length read never exceeds the text; a rewritten
// declaration reads back with the same version, standalone value and encoding, and the text
// after the old declaration's "?>" is kept as it was (line end and blank lines included).
#include <cstdint>
#include <string>
#include <string_view>

#include "encoding/encoding_detection.h"
#include "encoding/xml_declaration.h"

namespace {

using namespace tessel;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the encoding to write; the rest is the text.
    const EncodingId id = data[0] % kEncodingCount;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const XmlDeclaration read = read_declaration(text);
    check(read.length <= text.size());
    const EncodingId detected = detect_encoding(text.data(), text.size());
    check(detected >= 0 && detected < kEncodingCount);
    check(resolve_encoding(id, detected) >= 0);

    size_t old_length = 0;
    const std::string declaration = write_declaration(text, id, &old_length);
    // Only a whole declaration is replaced, and only up to its "?>": "<?xml", a white-space
    // character, and the text up to the first "?>". Anything else is kept after the new one.
    check(old_length <= text.size());
    if (old_length > 0) {
        const std::string_view old(text.data(), old_length);
        check(old.size() > 5 && old.starts_with("<?xml") &&
              std::string_view(" \t\r\n").find(old[5]) != std::string_view::npos);
        check(old.find("?>") == old.size() - 2);
    }
    const std::string rewritten = declaration + text.substr(old_length);
    const XmlDeclaration again = read_declaration(rewritten);
    check(again.version == read.version);
    check(again.standalone == read.standalone);
    // "utf-16" names no single encoding, so it reads back as unknown.
    const EncodingId expected = declaration_name(id) == "utf-16" ? kEncodingUnspecified
                                : id == kEncodingUtf8Bom         ? kEncodingUtf8
                                                                 : id;
    check(again.encoding == expected);
    // The new declaration reads back whole, and only the declaration changed: after it comes
    // what came after the old one, or, before a text without one, a line end and the text.
    check(again.complete);
    const std::string_view after = std::string_view(rewritten).substr(again.end);
    if (old_length > 0) {
        check(after == std::string_view(text).substr(old_length));
    } else {
        check(after == "\n" + text || after == "\r\n" + text);
        check(after[0] == '\n' || text.find('\n') == text.find("\r\n") + 1);
    }
    check(again.length >= declaration.size());
    return 0;
}
