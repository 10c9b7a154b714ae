// SingleByteCodec: table-driven loops with a fast path for runs of ASCII, which is the same
// byte in every code page and makes up most of a typical document.
#include "encoding/single_byte_codec.h"

#include <algorithm>
#include <cstring>

#include "text/utf8_reader.h"

namespace tessel {

namespace {

// Bytes of the UTF-8 form of c in memory order, packed into the low bytes of a word, with
// the length in bits 32 and up. A code point beyond Unicode gives "?".
uint64_t packed_utf8(uint32_t c) {
    uint8_t b[4] = {0, 0, 0, 0};
    uint64_t length;
    if (c < 0x80) {
        b[0] = static_cast<uint8_t>(c);
        length = 1;
    } else if (c < 0x800) {
        b[0] = static_cast<uint8_t>(0xC0 | c >> 6);
        b[1] = static_cast<uint8_t>(0x80 | (c & 0x3F));
        length = 2;
    } else if (c < 0x10000) {
        b[0] = static_cast<uint8_t>(0xE0 | c >> 12);
        b[1] = static_cast<uint8_t>(0x80 | (c >> 6 & 0x3F));
        b[2] = static_cast<uint8_t>(0x80 | (c & 0x3F));
        length = 3;
    } else if (c <= 0x10FFFF) {
        b[0] = static_cast<uint8_t>(0xF0 | c >> 18);
        b[1] = static_cast<uint8_t>(0x80 | (c >> 12 & 0x3F));
        b[2] = static_cast<uint8_t>(0x80 | (c >> 6 & 0x3F));
        b[3] = static_cast<uint8_t>(0x80 | (c & 0x3F));
        length = 4;
    } else {
        b[0] = '?';
        length = 1;
    }
    uint32_t bytes;
    std::memcpy(&bytes, b, 4);
    return bytes | length << 32;
}

}  // namespace

// A stray byte must stay one stray byte in the text whatever stands around it. A byte of
// 0x80-0xBF or 0xF8-0xFF always does: everything else the decoder writes is ASCII or a whole
// character, never a lead byte still waiting for continuation bytes. A byte of 0xC0-0xF7 is
// a lead byte, and would join the continuation-range strays after it into a character; so
// where the code page also leaves bytes of 0x80-0xBF undefined (iso-8859-3, -6, -7, -8,
// windows-874, -1253, -1255), its undefined lead bytes are held as the lowest always-stray
// values that no undefined byte of the page uses itself.
SingleByteCodec::SingleByteCodec(const int32_t* table) {
    auto always_stray = [](int b) { return (b >= 0x80 && b < 0xC0) || b >= 0xF8; };
    bool continuation_undefined = false;
    for (int b = 0x80; b < 0xC0; ++b) continuation_undefined |= table[b] == 0;
    int next_free = 0x80;
    for (int b = 0x80; b < 256; ++b) {
        if (table[b] != 0) continue;
        int stray = b;
        if (continuation_undefined && !always_stray(b)) {
            while (next_free < 256 && (table[next_free] == 0 || !always_stray(next_free)))
                ++next_free;
            // 72 always-stray values cover any table with fewer undefined bytes than that.
            if (next_free < 256) stray = next_free++;
        }
        stray_of_byte_[b] = static_cast<uint8_t>(stray);
        byte_of_stray_[stray] = static_cast<uint8_t>(b);
    }
    uint32_t top = 0;
    for (int b = 0; b < 256; ++b) {
        uint32_t c = static_cast<uint32_t>(table[b]);
        utf8_of_byte_[b] =
            b >= 0x80 && c == 0 ? uint64_t{stray_of_byte_[b]} | uint64_t{1} << 32 : packed_utf8(c);
        top = std::max(top, c);
    }
    // Ascending, so a later byte with the same code point wins. Undefined bytes (entry 0) are
    // not entered: U+0000 is written as byte 0x00, which reads back as U+0000.
    reverse_.assign(static_cast<size_t>(top) + 1, 0);
    for (int b = 1; b < 256; ++b)
        if (table[b] != 0) reverse_[static_cast<uint32_t>(table[b])] = static_cast<uint8_t>(b);
}

size_t SingleByteCodec::decode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                               bool) {
    // Each byte writes four bytes and advances by its length (at most 4), so 4 per byte is
    // room enough for the unconditional stores.
    char* const start = buffer_.get(arena, count * 4);
    char* o = start;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes);
    const uint8_t* const end = p + count;
    while (p < end) {
        size_t run = ascii_run(p, static_cast<size_t>(end - p));
        std::memcpy(o, p, run);
        o += run;
        p += run;
        // The next 16 bytes through the table, without a branch on each byte's kind; mixed
        // text would leave the ASCII run again at once.
        const uint8_t* stop = std::min(end, p + 16);
        for (; p < stop; ++p) {
            uint64_t e = utf8_of_byte_[*p];
            uint32_t form = static_cast<uint32_t>(e);
            std::memcpy(o, &form, 4);
            o += e >> 32;
        }
    }
    *out = std::string_view(start, static_cast<size_t>(o - start));
    return count;
}

size_t SingleByteCodec::encode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                               bool last) {
    char* const start = buffer_.get(arena, count + 10);
    char* o = start;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes);
    const uint8_t* const end = p + count;
    while (p < end) {
        size_t run = ascii_run(p, static_cast<size_t>(end - p));
        std::memcpy(o, p, run);
        o += run;
        p += run;
        while (p < end && *p >= 0x80) {
            Utf8Step step = read_utf8(p, static_cast<size_t>(end - p));
            if (step.kind == Utf8Step::kIncomplete) {
                if (!last) goto done;
                // Nothing follows: the bytes of the cut sequence are strays, one by one.
                step = {Utf8Step::kStray, 1, 0};
            }
            uint8_t b = step.kind == Utf8Step::kStray ? byte_of_stray(*p)
                        : step.code < 0x80            ? static_cast<uint8_t>(step.code)
                                                      : byte_of(step.code);
            *o = static_cast<char>(b);
            o += (b != 0) | (step.kind == Utf8Step::kChar && step.code == 0);
            p += step.length;
        }
    }
done:
    *out = std::string_view(start, static_cast<size_t>(o - start));
    return static_cast<size_t>(p - reinterpret_cast<const uint8_t*>(bytes));
}

size_t SingleByteCodec::count_unencodable(const char* bytes, size_t count, bool last, int64_t base,
                                          bool first_only, bool strays_lost,
                                          EncodingLoss* loss) const {
    const uint8_t* const begin = reinterpret_cast<const uint8_t*>(bytes);
    const uint8_t* p = begin;
    const uint8_t* const end = p + count;
    while (p < end) {
        p += ascii_run(p, static_cast<size_t>(end - p));
        if (p == end) break;
        Utf8Step step = read_utf8(p, static_cast<size_t>(end - p));
        if (step.kind == Utf8Step::kIncomplete) {
            if (!last) break;
            step = {Utf8Step::kStray, 1, 0};
        }
        const bool lost = step.kind == Utf8Step::kStray ? strays_lost || !byte_of_stray(*p)
                                                        : step.code >= 0x80 && !byte_of(step.code);
        if (lost) {
            if (loss->count++ == 0) loss->first = base + (p - begin);
            if (first_only) break;
        }
        p += step.length;
    }
    return static_cast<size_t>(p - begin);
}

}  // namespace tessel
