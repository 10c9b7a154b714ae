// SingleByteCodec: converts between the text's UTF-8 and one single-byte code page, through
// the code page's 256-entry table one way and a reverse map indexed by code point the other.
// A byte the code page leaves undefined is read as a stray byte of the text (one byte that is
// not UTF-8, which the editor shows as a hex box) and written back as the byte it was read
// from, so any file comes back from a load and a save byte for byte.
#pragma once

#include <cstdint>
#include <vector>

#include "encoding/codec_buffer.h"
#include "encoding/encoding.h"

namespace tessel {

class SingleByteCodec final : public Codec {
public:
    // table: 256 code points, 0 for an undefined byte; it must outlive the codec.
    explicit SingleByteCodec(const int32_t* table);

    // Every byte is consumed: 0x00 becomes U+0000, an undefined byte its stray byte.
    size_t decode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                  bool last = false) override;
    // A stray byte that stands for an undefined byte is written as that byte. Characters
    // without a byte and other stray bytes (with last, also the bytes of an incomplete
    // sequence at the end) are dropped; count_unencodable tells the caller about each
    // beforehand.
    size_t encode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                  bool last = false) override;
    int write_bom(char*) const override { return 0; }

    // The byte of code point c, 0 when the code page has none. Code points below 0x80 are
    // themselves in every code page, U+0000 included.
    uint8_t byte_of(uint32_t c) const { return c < reverse_.size() ? reverse_[c] : 0; }
    // The stray byte the text holds for undefined byte b, and the undefined byte a stray byte
    // stands for (0 for none).
    uint8_t stray_of_byte(uint8_t b) const { return stray_of_byte_[b]; }
    uint8_t byte_of_stray(uint8_t s) const { return byte_of_stray_[s]; }
    // Finds what encode would drop from these UTF-8 bytes, and with strays_lost also the
    // stray bytes it would write back (they are a loss when the text was not read in this
    // code page): adds each to loss->count and sets loss->first (base + offset) at the first
    // one; with first_only it stops there. Returns the bytes consumed, as encode would.
    size_t count_unencodable(const char* bytes, size_t count, bool last, int64_t base,
                             bool first_only, bool strays_lost, EncodingLoss* loss) const;

private:
    // The UTF-8 form of each byte's code point (or its stray byte) in the low four bytes
    // (little-endian order) and its length above them, so that decoding a byte is one load,
    // one store and one add.
    uint64_t utf8_of_byte_[256];
    // Byte by code point; entry 0 means no byte. Lookups beyond its end give 0.
    std::vector<uint8_t> reverse_;
    uint8_t stray_of_byte_[256] = {};
    uint8_t byte_of_stray_[256] = {};
    CodecBuffer buffer_;
};

}  // namespace tessel
