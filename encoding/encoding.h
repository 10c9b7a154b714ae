// The 31 encodings a document file may use, by EncodingId, and the interface of the codecs
// that turn file bytes into the text's UTF-8 and back (codecs.h makes them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class Arena;

// Index into the fixed list of encodings; -1: detect on load, keep the declared one on save.
using EncodingId = int32_t;

constexpr EncodingId kEncodingUnspecified = -1;
constexpr EncodingId kEncodingLatin1 = 0;
constexpr EncodingId kEncodingUtf8 = 1;
constexpr EncodingId kEncodingUtf8Bom = 2;
constexpr EncodingId kEncodingUtf16Le = 3;
constexpr EncodingId kEncodingUtf16LeBom = 4;
constexpr EncodingId kEncodingUtf16Be = 5;
constexpr EncodingId kEncodingUtf16BeBom = 6;
constexpr int32_t kEncodingCount = 31;

// A converter for one load or save. Output lives in the arena given, or, without one, in a
// buffer of the codec that the next call reuses. Both directions return how many input bytes
// they consumed; the rest (an incomplete character at a block's end) is the caller's to pass
// again in front of the next block. With last set no more input follows, so everything is
// consumed: what is incomplete then is converted as the rules for stray units say, never
// dropped silently.
class Codec {
public:
    virtual ~Codec() = default;
    // File bytes to UTF-8.
    virtual size_t decode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                          bool last = false) = 0;
    // UTF-8 to file bytes.
    virtual size_t encode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                          bool last = false) = 0;
    // Writes the byte-order mark, if any, into buffer (at least 3 bytes); returns its length.
    virtual int write_bom(char* buffer) const = 0;
    // File bytes that decode could not keep in the text in any form and replaced with U+FFFD
    // (the odd final byte of UTF-16), over the codec's life: a save cannot give them back.
    virtual int64_t replaced_bytes() const { return 0; }
};

// The display texts of ids 0 to 30, in id order.
const std::vector<std::string>& encoding_display_names();
// The id of a declaration name (ASCII case ignored): "utf-8" 1, the code-page names; -1 for
// anything else, "utf-16" included.
EncodingId encoding_from_name(std::string_view name);
// The name an XML declaration gives the encoding; empty for -1.
std::string_view declaration_name(EncodingId id);
// What a save would not write back as it is (find_unencodable in codecs.h).
struct EncodingLoss {
    int64_t count = 0;   // characters and stray bytes lost
    int64_t first = -1;  // byte offset of the first, -1 when there is none
};

// Whether a save in id writes the stray bytes of a text read in source back as the bytes they
// were read from: UTF-8 into UTF-8 (with or without the mark), a code page into itself (for
// the strays that stand for its undefined bytes). UTF-16 has no place for a stray byte.
bool keeps_stray_bytes(EncodingId id, EncodingId source);
// Whether a save in id writes the lone surrogates of a text read in source (the three stray
// bytes each is read as) back as their units: UTF-16 into UTF-16, either byte order, with or
// without the mark. In any other pair a lone surrogate is a loss, as UTF-8 and the code pages
// hold none.
bool keeps_lone_surrogates(EncodingId id, EncodingId source);
// The same encoding without a byte-order mark: 2 gives 1, 4 gives 3, 6 gives 5.
EncodingId strip_bom_variant(EncodingId id);
// The index into the code-page tables of a code-page id, -1 for any other id.
int32_t code_page_index(EncodingId id);

// The bytes a text takes when written in id, its byte-order mark included: the text holds
// utf8_bytes bytes of UTF-8 and characters characters, above_bmp of them above U+FFFF (two
// UTF-16 units each). A character a code page cannot hold counts one byte, as if it could.
int64_t encoded_size(EncodingId id, int64_t utf8_bytes, int64_t characters, int64_t above_bmp);

// Whether id is a single-byte code page (0 or 7 to 30).
inline bool is_code_page(EncodingId id) {
    return id == 0 || (id >= 7 && id < kEncodingCount);
}

}  // namespace tessel
