// Utf16Codec: both directions are templates on the byte order, so the inner loops read and
// write units without a branch on it, and both start with an eight- or sixteen-wide fast path
// for ASCII, which most markup is made of.
#include "encoding/utf16_codec.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

#include "text/utf8_reader.h"

namespace tessel {

namespace {

template <bool kBig>
inline uint32_t unit_at(const uint8_t* p) {
    return kBig ? uint32_t{p[0]} << 8 | p[1] : uint32_t{p[1]} << 8 | p[0];
}

template <bool kBig>
inline uint8_t* put_unit(uint8_t* o, uint32_t u) {
    o[kBig ? 0 : 1] = static_cast<uint8_t>(u >> 8);
    o[kBig ? 1 : 0] = static_cast<uint8_t>(u);
    return o + 2;
}

inline uint8_t* put3(uint8_t* o, uint32_t u) {
    o[0] = static_cast<uint8_t>(0xE0 | u >> 12);
    o[1] = static_cast<uint8_t>(0x80 | (u >> 6 & 0x3F));
    o[2] = static_cast<uint8_t>(0x80 | (u & 0x3F));
    return o + 3;
}

// The UTF-8 form of a unit outside the surrogate range, without a branch: all three forms
// are computed and one is chosen, so text that mixes scripts costs no mispredicted jumps.
// Four bytes are stored, the length is what the pointer advances.
inline uint8_t* put_bmp(uint8_t* o, uint32_t u) {
    uint32_t f2 = (0xC0 | u >> 6) | (0x80 | (u & 0x3F)) << 8;
    uint32_t f3 = (0xE0 | u >> 12) | (0x80 | (u >> 6 & 0x3F)) << 8 | (0x80 | (u & 0x3F)) << 16;
    uint32_t form = u >= 0x800 ? f3 : u >= 0x80 ? f2 : u;
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    form = __builtin_bswap32(form);
#endif
    std::memcpy(o, &form, 4);
    return o + 1 + (u >= 0x80) + (u >= 0x800);
}

#if defined(__SSE2__)
// Byte shuffles that pack four 32-bit lanes holding UTF-8 forms of 1-3 bytes into a row.
// Key: bit k set when lane k takes two bytes or more, bit k + 4 when it takes three.
struct PackTable {
    alignas(16) uint8_t shuffle[256][16];
    uint8_t length[256];
    PackTable() {
        for (int key = 0; key < 256; ++key) {
            int n = 0;
            for (int lane = 0; lane < 4; ++lane) {
                int bytes = 1 + (key >> lane & 1) + (key >> (lane + 4) & 1);
                for (int b = 0; b < bytes; ++b)
                    shuffle[key][n++] = static_cast<uint8_t>(lane * 4 + b);
            }
            length[key] = static_cast<uint8_t>(n);
            for (int b = n; b < 16; ++b) shuffle[key][b] = 0x80;
        }
    }
};
const PackTable kPackTable;

// UTF-8 forms of four units without surrogates (in 32-bit lanes), packed and stored; 16
// bytes are written, the pointer advances by the forms' length.
__attribute__((target("ssse3"))) inline uint8_t* put_four(uint8_t* o, __m128i u) {
    const __m128i low6 = _mm_set1_epi32(0x3F);
    __m128i tail = _mm_or_si128(_mm_and_si128(u, low6), _mm_set1_epi32(0x80));
    __m128i middle = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(u, 6), low6), _mm_set1_epi32(0x80));
    __m128i two = _mm_or_si128(_mm_or_si128(_mm_srli_epi32(u, 6), _mm_set1_epi32(0xC0)),
                               _mm_slli_epi32(tail, 8));
    __m128i three = _mm_or_si128(_mm_or_si128(_mm_srli_epi32(u, 12), _mm_set1_epi32(0xE0)),
                                 _mm_or_si128(_mm_slli_epi32(middle, 8), _mm_slli_epi32(tail, 16)));
    __m128i wide = _mm_cmpgt_epi32(u, _mm_set1_epi32(0x7F));
    __m128i widest = _mm_cmpgt_epi32(u, _mm_set1_epi32(0x7FF));
    __m128i form = _mm_or_si128(_mm_andnot_si128(wide, u),
                                _mm_or_si128(_mm_and_si128(_mm_andnot_si128(widest, wide), two),
                                             _mm_and_si128(widest, three)));
    int key = _mm_movemask_ps(_mm_castsi128_ps(wide)) | _mm_movemask_ps(_mm_castsi128_ps(widest))
                                                            << 4;
    __m128i packed = _mm_shuffle_epi8(
        form, _mm_load_si128(reinterpret_cast<const __m128i*>(kPackTable.shuffle[key])));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), packed);
    return o + kPackTable.length[key];
}

// Converts groups of eight units from the start until one holds a surrogate or fewer than
// eight are left; returns the units done. The stores of put_four reach at most 4 bytes past
// 3 bytes per unit.
template <bool kBig>
__attribute__((target("ssse3"))) size_t decode_groups_ssse3(const uint8_t* in, size_t units,
                                                            uint8_t*& o) {
    const __m128i high_bits = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i surrogate_bits = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
    size_t i = 0;
    for (; units - i >= 8; i += 8) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
        if (kBig) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, high_bits), _mm_setzero_si128());
        if (_mm_movemask_epi8(ascii) == 0xFFFF) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi16(v, v));
            o += 8;
            continue;
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, surrogate_bits), surrogate))) break;
        o = put_four(o, _mm_unpacklo_epi16(v, _mm_setzero_si128()));
        o = put_four(o, _mm_unpackhi_epi16(v, _mm_setzero_si128()));
    }
    return i;
}

const bool kHaveSsse3 = __builtin_cpu_supports("ssse3");
#endif

// Units to UTF-8; returns the units consumed. Output needs 3 bytes per unit, and one more
// for the four-byte stores of put_bmp.
template <bool kBig>
size_t decode_units(const uint8_t* in, size_t units, bool last, uint8_t*& o) {
    size_t i = 0;
    while (i < units) {
#if defined(__SSE2__)
        if (kHaveSsse3) i += decode_groups_ssse3<kBig>(in + 2 * i, units - i, o);
        // Eight units at a time: ASCII is packed to bytes, a group without surrogates goes
        // through put_bmp; a group with a surrogate falls to the loop below.
        const __m128i high_bits = _mm_set1_epi16(static_cast<short>(0xFF80));
        const __m128i surrogate_bits = _mm_set1_epi16(static_cast<short>(0xF800));
        const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
        while (!kHaveSsse3 && units - i >= 8) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
            if (kBig) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
            __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, high_bits), _mm_setzero_si128());
            if (_mm_movemask_epi8(ascii) == 0xFFFF) {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi16(v, v));
                o += 8;
                i += 8;
                continue;
            }
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, surrogate_bits), surrogate)))
                break;
            alignas(16) uint16_t group[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(group), v);
            for (uint16_t u : group) o = put_bmp(o, u);
            i += 8;
        }
#endif
        const size_t stop = std::min(units, i + 8);
        while (i < stop) {
            uint32_t u = unit_at<kBig>(in + 2 * i);
            if ((u & 0xF800) != 0xD800) {
                o = put_bmp(o, u);
                ++i;
            } else if ((u & 0xFC00) != 0xD800) {
                o = put3(o, u);  // a lone low surrogate, kept so that it survives the round trip
                ++i;
            } else if (i + 1 < units) {
                uint32_t next = unit_at<kBig>(in + 2 * i + 2);
                if ((next & 0xFC00) == 0xDC00) {
                    uint32_t c = ((u & 0x3FF) + 0x40) << 10 | (next & 0x3FF);
                    o[0] = static_cast<uint8_t>(0xF0 | c >> 18);
                    o[1] = static_cast<uint8_t>(0x80 | (c >> 12 & 0x3F));
                    o[2] = static_cast<uint8_t>(0x80 | (c >> 6 & 0x3F));
                    o[3] = static_cast<uint8_t>(0x80 | (c & 0x3F));
                    o += 4;
                    i += 2;
                } else {
                    // A high surrogate without its low half stands alone; the unit after it
                    // is a character of its own and must not be swallowed.
                    o = put3(o, u);
                    ++i;
                }
            } else if (last) {
                o = put3(o, u);
                ++i;
            } else {
                return i;  // the low half may come with the next block
            }
        }
    }
    return i;
}

// UTF-8 to units; returns the bytes consumed. Output needs 2 bytes per input byte.
template <bool kBig>
size_t encode_utf8(const uint8_t* in, size_t n, bool last, uint8_t*& o) {
    size_t i = 0;
    while (i < n) {
#if defined(__SSE2__)
        while (n - i >= 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            if (_mm_movemask_epi8(v)) break;
            __m128i zero = _mm_setzero_si128();
            __m128i lo = kBig ? _mm_unpacklo_epi8(zero, v) : _mm_unpacklo_epi8(v, zero);
            __m128i hi = kBig ? _mm_unpackhi_epi8(zero, v) : _mm_unpackhi_epi8(v, zero);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16), hi);
            o += 32;
            i += 16;
        }
#endif
        const size_t stop = std::min(n, i + 16);
        while (i < stop) {
            const uint32_t b = in[i];
            if (b < 0x80) {
                o = put_unit<kBig>(o, b);
                ++i;
                continue;
            }
            const Utf8Step step = read_utf8(in + i, n - i);
            if (step.kind == Utf8Step::kIncomplete) goto incomplete;
            if (step.kind == Utf8Step::kStray) {
                // A lone surrogate read from UTF-16 goes back as the unit it was read from;
                // any other stray byte keeps its value as a unit. Callers that must not
                // write stray bytes (a save into another encoding) leave them out first.
                if (!last && lone_surrogate_cut(in + i, n - i)) goto incomplete;
                if (lone_surrogate_at(in + i, n - i)) {
                    o = put_unit<kBig>(o, lone_surrogate_unit(in + i));
                    i += 3;
                } else {
                    o = put_unit<kBig>(o, b);
                    ++i;
                }
                continue;
            }
            if (step.length == 4) {
                const uint32_t c = step.code;
                o = put_unit<kBig>(o, 0xD800 + ((c - 0x10000) >> 10));
                o = put_unit<kBig>(o, 0xDC00 + (c & 0x3FF));
            } else {
                o = put_unit<kBig>(o, step.code);
            }
            i += step.length;
        }
    }
    return i;
incomplete:
    if (!last) return i;
    for (; i < n; ++i) o = put_unit<kBig>(o, in[i]);
    return n;
}

}  // namespace

size_t Utf16Codec::decode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                          bool last) {
    const size_t units = count / 2;
    // 3 bytes per unit, 3 for U+FFFD in place of an odd final byte, 1 for the last store.
    char* const start = buffer_.get(arena, units * 3 + 4);
    uint8_t* o = reinterpret_cast<uint8_t*>(start);
    const uint8_t* in = reinterpret_cast<const uint8_t*>(bytes);
    size_t done = big_endian_ ? decode_units<true>(in, units, last, o)
                              : decode_units<false>(in, units, last, o);
    size_t consumed = done * 2;
    if (done == units && count % 2 && last) {
        o[0] = 0xEF;
        o[1] = 0xBF;
        o[2] = 0xBD;
        o += 3;
        consumed = count;
        ++replaced_;
    }
    *out = std::string_view(start, static_cast<size_t>(reinterpret_cast<char*>(o) - start));
    return consumed;
}

size_t Utf16Codec::encode(Arena* arena, const char* bytes, size_t count, std::string_view* out,
                          bool last) {
    // At most one unit per input byte (two for the four bytes of a pair), and a zero unit after
    // the end for callers that want a terminated text.
    char* const start = buffer_.get(arena, count * 2 + 2);
    uint8_t* o = reinterpret_cast<uint8_t*>(start);
    const uint8_t* in = reinterpret_cast<const uint8_t*>(bytes);
    size_t consumed = big_endian_ ? encode_utf8<true>(in, count, last, o)
                                  : encode_utf8<false>(in, count, last, o);
    o[0] = o[1] = 0;
    *out = std::string_view(start, static_cast<size_t>(reinterpret_cast<char*>(o) - start));
    return consumed;
}

int Utf16Codec::write_bom(char* buffer) const {
    if (!with_mark_) return 0;
    buffer[0] = big_endian_ ? '\xFE' : '\xFF';
    buffer[1] = big_endian_ ? '\xFF' : '\xFE';
    return 2;
}

}  // namespace tessel
