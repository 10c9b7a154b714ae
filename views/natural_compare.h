// Natural comparison of cell texts: letters without regard to ASCII case, runs of digits by
// their value (as decimal fractions or integers), and a prepared form for sorting many keys.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

// 1 when a sorts after b, -1 when before, 0 when they are equal. The rules, from the left:
//  1. the parts before the first digit of each text: when their lengths differ, the
//     remaining texts are compared whole, byte by byte with A-Z folded to a-z;
//  2. otherwise those equally long parts are compared the same way;
//  3. a text with a number there sorts before one without; with no number in either, the
//     rest decides;
//  4. the numbers are compared as integers, except when a's number is followed by "." and
//     b's by any character at all: then both are read as decimal fractions (digits, ".",
//     digits; no sign, no exponent), unless either fraction is followed by another "." as
//     in a version number, which keeps the integers;
//  5. equal numbers (007 equals 7, 1.50 equals 1.5) continue with step 1 after them.
// Only a version's first pair of numbers falls back to integers: in "1.2.3" against
// "1.2.10" the 1s are equal and "2.3" and "2.10" then compare as fractions.
// Numbers of any length compare exactly. Bytes from 0x80 up compare as unsigned values.
// The rules are not an order for every input: a byte below '0' (space, most punctuation)
// at the end of a prefix can make three texts compare in a cycle, and the fraction rule
// looks only at what follows a's number, so compare(a, b) need not be -compare(b, a).
// The heap sort of the rows tolerates both.
int natural_compare(std::string_view a, std::string_view b);

// The summary of a text prepared once for many comparisons: it decides most comparisons of
// a sort without reading the texts, whose bytes lie scattered over memory; the rest read
// them. 32 bytes, so that two sit in a cache line.
struct NaturalKey {
    // The first eight bytes, A-Z folded, big-endian with zero bytes after the text's end,
    // so that comparing two heads as integers compares their first differing bytes.
    uint64_t head = 0;
    // The first number's value when it has at most 19 digits after its leading zeros.
    uint64_t number = 0;
    uint32_t length = 0;
    // The digits after the "." that follows the first number as a 9-digit fixed-point
    // fraction (digit i worth 10^(8-i)), so that 0.5 and 0.50 are equal; 0 without a ".".
    uint32_t fraction = 0;
    // Free for the holder of the key (the row sort keeps the row number here).
    int32_t spare = 0;
    // Index of the first digit, the length when there is none; held up to 0xFFFF, which
    // is enough because only digits among the first eight bytes take the short ways.
    uint16_t digit_at = 0;
    uint8_t flags = 0;

    static constexpr uint8_t kPresent = 1;     // set by prepare_natural_key; a default key lacks it
    static constexpr uint8_t kNumberFits = 2;  // number holds the value
    static constexpr uint8_t kFractionFits = 4;    // fraction holds all fraction digits
    static constexpr uint8_t kFollowedByDot = 8;   // the first number is followed by "."
    static constexpr uint8_t kFollowedByEnd = 16;  // the first number ends the text
    static constexpr uint8_t kVersion = 32;        // its fraction is followed by another "."
    static constexpr uint8_t kFractionAtEnd = 64;  // "." and the fraction digits end the text
};
static_assert(sizeof(NaturalKey) == 32);

NaturalKey prepare_natural_key(std::string_view text);

// What compare_summaries returns when the summaries do not decide.
constexpr int kUndecided = 2;

// -1, 0 or 1 as natural_compare of the texts the keys were prepared from, or kUndecided
// when only the texts can tell. Inline, because a sort spends most of its time here.
inline int compare_summaries(const NaturalKey& a, const NaturalKey& b) {
    // i: the first byte where the heads differ, 8 when they agree.
    uint64_t differ = a.head ^ b.head;
    uint32_t i = differ ? static_cast<uint32_t>(__builtin_clzll(differ)) >> 3 : 8;
    uint32_t pa = a.digit_at, pb = b.digit_at;
    if (i < 8 && i < a.length && i < b.length && i <= pa && i <= pb && (pa != i || pb != i)) {
        // The texts first differ at byte i, no digit comes before it and at most one of
        // them has a digit there: whether the rules compare the prefixes or the whole
        // texts, byte i decides.
        return a.head < b.head ? -1 : 1;
    }
    if (pa == pb && pa <= i && pa < a.length && pb < b.length) {
        // Equal prefixes before a number on each side (byte i, where the heads may differ,
        // is a digit in both or lies beyond them).
        unsigned both = a.flags & b.flags;
        bool fractions =
            (a.flags & NaturalKey::kFollowedByDot) && !(b.flags & NaturalKey::kFollowedByEnd);
        if (fractions && !((a.flags | b.flags) & NaturalKey::kVersion)) {
            if ((both & NaturalKey::kNumberFits) && (both & NaturalKey::kFractionFits)) {
                if (a.number != b.number) return a.number < b.number ? -1 : 1;
                if (a.fraction != b.fraction) return a.fraction < b.fraction ? -1 : 1;
                if (both & NaturalKey::kFractionAtEnd) return 0;
            }
        } else if (both & NaturalKey::kNumberFits) {
            if (a.number != b.number) return a.number < b.number ? -1 : 1;
            // Equal prefixes, equal numbers and nothing after them: equal texts (a common
            // case in a column with repeated values, which would otherwise read both texts).
            if (both & NaturalKey::kFollowedByEnd) return 0;
        }
    }
    // Everything else (equal numbers to go on after, long numbers, late differences) is
    // read from the texts.
    return kUndecided;
}

// natural_compare(text_a, text_b) for keys prepared from those texts.
inline int natural_compare(const NaturalKey& a, std::string_view text_a, const NaturalKey& b,
                           std::string_view text_b) {
    int c = compare_summaries(a, b);
    return c != kUndecided ? c : natural_compare(text_a, text_b);
}

}  // namespace tessel
