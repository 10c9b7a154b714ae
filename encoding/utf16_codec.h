// Utf16Codec: converts between UTF-16 (little- or big-endian) file bytes and the text's
// UTF-8. Any sequence of 16-bit units survives the trip through the text and back: a
// surrogate that is not part of a pair is kept as a three-byte sequence of its own.
#pragma once

#include "encoding/codec_buffer.h"
#include "encoding/encoding.h"

namespace tessel {

class Utf16Codec final : public Codec {
public:
    Utf16Codec(bool big_endian, bool with_mark) : big_endian_(big_endian), with_mark_(with_mark) {}

    // Leaves an odd final byte and a final high surrogate for the next block; with last they
    // become U+FFFD (counted in replaced_bytes) and a lone surrogate.
    size_t decode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                  bool last = false) override;
    // Leaves an incomplete UTF-8 sequence at the end for the next block; with last, and for a
    // stray byte anywhere, each byte becomes the unit of the same value.
    size_t encode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                  bool last = false) override;
    int write_bom(char* buffer) const override;
    int64_t replaced_bytes() const override { return replaced_; }

private:
    bool big_endian_;
    bool with_mark_;
    CodecBuffer buffer_;
    int64_t replaced_ = 0;
};

}  // namespace tessel
