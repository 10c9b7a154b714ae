// The table-driven scanner engine: character-class tables, automaton tables with their
// builder, the scanning loop that decodes UTF-8 and applies the tables, and the state at the
// end of a line.
// XML/DTD (xml_scanner.h), JSON and path expressions each build their own tables for it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "parse/token.h"
#include "text/utf8_reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessel {

// ---------------------------------------------------------------------------------------
// Character classes. An automaton reads classes, not characters, so that its rows stay
// 32 entries wide whatever the alphabet.

struct CharClassRange {
    char32_t first;
    char32_t last;  // inclusive
    uint8_t char_class;
};

class CharClassTable {
public:
    static constexpr int kMaxClasses = 32;

    // ascii gives the class of every code point below 128; wide lists sorted, disjoint ranges
    // at or above 128; other is the class of code points above 127 that no range lists, and
    // of ASCII characters written in an overlong multi-byte form (which must never act as
    // markup). Throws std::invalid_argument on unsorted or overlapping ranges.
    CharClassTable(const std::array<uint8_t, 128>& ascii, std::vector<CharClassRange> wide,
                   uint8_t other);

    int class_of(char32_t cp) const { return cp < 128 ? ascii_[cp] : wide_class_of(cp); }
    // The class of a code point of 128 and above, by bisection over the ranges.
    int wide_class_of(char32_t cp) const;
    uint8_t other_class() const { return other_; }
    // Whether surrogates, U+FFFE, U+FFFF and code points beyond U+10FFFF are scan failures
    // (kNotCharacterKind) rather than characters of a class: XML allows none of them.
    bool rejects_non_characters() const { return rejects_non_characters_; }
    void set_rejects_non_characters(bool on) { rejects_non_characters_ = on; }
    // One more than the highest class used.
    int class_count() const { return class_count_; }
    const std::vector<CharClassRange>& wide_ranges() const { return wide_; }

private:
    std::array<uint8_t, 128> ascii_;
    std::vector<CharClassRange> wide_;
    uint8_t other_;
    int class_count_ = 0;
    bool rejects_non_characters_ = false;
};

// ---------------------------------------------------------------------------------------
// Automaton tables.
//
// The engine keeps the offset `start` where the token in progress begins (or, when none is
// in progress, the offset of the next character). For the character at p..q (q the offset
// of its last byte) an entry says what to do and which state comes next.

enum ScanOp : uint8_t {
    scan_continue = 0,            // the character joins (or begins) the token in progress
    scan_skip = 1,                // the character belongs to no token
    scan_emit_at = 2,             // emit start..q as kind
    scan_emit_before = 3,         // emit start..p-1 as kind; the character begins a new token
    scan_emit_before_skip = 4,    // emit start..p-1 as kind; the character belongs to none
    scan_emit_before_then_at = 5, // emit start..p-1 as kind, then p..q as kind2
    scan_emit_split = 6,          // emit start..p-back-1 as kind (if any), p-back..q as kind2
    // Only in the ASCII rows, set by the builder: the engine's own checks.
    scan_control = 7,             // a forbidden control character
    scan_nul = 8,                 // U+0000: ordinary only as the very last character
    // The character joins the token in progress, and is also handed to the sink as a
    // pseudo-token of kind kMarkKind: a place inside a token that the parser checks (an
    // escape in a JSON string), found without the parser reading the token again.
    scan_mark = 9,
    scan_unset = 15,              // an entry the builder was never given
};

struct ScanEntry {
    uint8_t next = 0;
    uint8_t op = scan_unset;  // low 4 bits: ScanOp; high 4 bits: back count of scan_emit_split
    uint8_t kind = 0;
    uint8_t kind2 = 0;

    ScanOp operation() const { return ScanOp(op & 15); }
    int back() const { return op >> 4; }

    static constexpr ScanEntry go(uint8_t next) { return {next, scan_continue, 0, 0}; }
    static constexpr ScanEntry skip(uint8_t next) { return {next, scan_skip, 0, 0}; }
    static constexpr ScanEntry mark(uint8_t next) { return {next, scan_mark, 0, 0}; }
    static constexpr ScanEntry emit_at(int kind, uint8_t next) {
        return {next, scan_emit_at, uint8_t(kind), 0};
    }
    static constexpr ScanEntry emit_before(int kind, uint8_t next) {
        return {next, scan_emit_before, uint8_t(kind), 0};
    }
    // The closing token is this character and the `back` single-byte characters before it.
    static constexpr ScanEntry emit_split(int kind, int kind2, int back, uint8_t next) {
        return {next, uint8_t(scan_emit_split | (back << 4)), uint8_t(kind), uint8_t(kind2)};
    }
    // End the token in progress as `kind` just before this character, then treat the
    // character as `fresh` (the entry of a state that has no token in progress) does.
    static ScanEntry end_then(int kind, ScanEntry fresh);
};

struct ScanStateInfo {
    // Whether a token may be in progress in this state (start < p); in the other states
    // start is always the offset of the next character.
    bool in_token = false;
    // Kind of the characters of the token in progress when colouring stops inside it (at the
    // end of a line): the kind the token gets when it ends normally.
    int16_t running_kind = 0;
    // Kind the token in progress gets when the text ends inside it.
    int16_t eof_kind = 0;
    // What a pseudo-token does here: scan_emit_before ends the token in progress first (as
    // `kind`); scan_continue keeps it going across the bad character. Then state `next`.
    ScanEntry failure;
};

struct ScanStateRow {
    std::array<ScanEntry, 128> ascii;  // by byte, so that ASCII needs no class lookup
    std::array<ScanEntry, CharClassTable::kMaxClasses> by_class;
    // Derived by ScannerTables: kStays for the ASCII bytes whose entry only continues the
    // token in this same state, so that the engine crosses runs of text, strings, comments
    // and names with one byte test per character; kSkipsBlanks for tab, line feed, carriage
    // return and space where all four are skipped in this same state, so that white space
    // between tokens is crossed 16 bytes at a time; 0 for the rest and from 0x80 on.
    static constexpr uint8_t kStays = 1;
    static constexpr uint8_t kSkipsBlanks = 2;
    std::array<uint8_t, 256> stays;
    // Derived as well: every code point from U+0080 on continues the token in this state, so
    // a well-formed multi-byte character needs no class lookup.
    bool wide_stays;
};

class ScannerTables {
public:
    ScannerTables(CharClassTable classes, std::vector<ScanStateRow> rows,
                  std::vector<ScanStateInfo> info);

    const CharClassTable& classes() const { return classes_; }
    int state_count() const { return int(rows_.size()); }
    const ScanStateRow& row(uint8_t state) const { return rows_[state]; }
    const ScanStateInfo& info(uint8_t state) const { return info_[state]; }

private:
    CharClassTable classes_;
    std::vector<ScanStateRow> rows_;
    std::vector<ScanStateInfo> info_;
};

// Builds a ScannerTables: add the states, give every state an entry for every class (and
// optionally per-ASCII-byte overrides) and a failure entry, then build. build() checks the
// tables' consistency and throws std::logic_error when they are not.
class ScannerTablesBuilder {
public:
    explicit ScannerTablesBuilder(const CharClassTable& classes);

    // A state with no token in progress.
    uint8_t add_fresh_state();
    // A state inside a token; see ScanStateInfo for the two kinds.
    uint8_t add_token_state(int running_kind, int eof_kind);

    void set(uint8_t state, int char_class, ScanEntry entry);
    void set(uint8_t state, std::initializer_list<int> classes, ScanEntry entry);
    // Sets every class not set yet.
    void set_others(uint8_t state, ScanEntry entry);
    void set_byte(uint8_t state, unsigned char byte, ScanEntry entry);
    void set_failure(uint8_t state, ScanEntry entry);
    ScanEntry entry(uint8_t state, int char_class) const;
    bool has_entry(uint8_t state, int char_class) const;
    int state_count() const { return int(rows_.size()); }

    ScannerTables build() const;

private:
    uint8_t add_state(const ScanStateInfo& info);

    CharClassTable classes_;
    std::vector<ScanStateRow> rows_;
    std::vector<ScanStateInfo> info_;
    std::vector<std::array<bool, 128>> byte_overrides_;
};

// ---------------------------------------------------------------------------------------
// The scanning loop.

// Where the engine stands between two runs.
struct ScanCursor {
    uint8_t state = 0;
    int32_t start = 0;  // first byte of the token in progress, or the next position
};

// The code points a UTF-8 decoder can produce that are no characters at all: surrogates,
// U+FFFE, U+FFFF, and beyond U+10FFFF. Every one of them is at or above U+D800, so text
// below that pays one comparison.
constexpr bool is_non_character(char32_t cp) {
    return (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF || cp > 0x10FFFF;
}

// True for the control characters that are never allowed (NUL is decided by position).
constexpr bool is_forbidden_control(char32_t cp) {
    return cp < 0x20 && cp != 0 && cp != '\t' && cp != '\n' && cp != '\r';
}

namespace scan_detail {

#if defined(__SSE2__)
inline __m128i bytes_equal(__m128i v, uint8_t c) {
    return _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(c)));
}

// Bit i is set when byte i of the 16 at s is not white space.
inline unsigned non_blanks(const unsigned char* s) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i blanks =
        _mm_or_si128(_mm_or_si128(bytes_equal(v, ' '), bytes_equal(v, '\n')),
                     _mm_or_si128(bytes_equal(v, '\t'), bytes_equal(v, '\r')));
    return ~static_cast<unsigned>(_mm_movemask_epi8(blanks)) & 0xFFFFu;
}
#endif

inline bool is_blank(unsigned b) { return b == ' ' || b == '\n' || b == '\t' || b == '\r'; }

}  // namespace scan_detail

// Scans the characters that begin in [from, to) of text[0, limit) and calls
// sink(first, last, kind) for every token they complete, pseudo-tokens included (negative
// kinds, at the moment the bad character is met). A character that begins before `to` is
// read whole even when it ends beyond it. A U+0000 whose last byte is at nul_end - 1 is an
// ordinary character (pass -1 when there is none). Returns the offset where it stopped.
template <class Sink>
int32_t scan_run(const ScannerTables& tables, const char* text, int32_t limit, int32_t from,
                 int32_t to, int32_t nul_end, ScanCursor& cursor, Sink& sink) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    const CharClassTable& classes = tables.classes();
    // Held in a local: the sink's stores could otherwise make the compiler reload it.
    const ScanStateRow* const rows = &tables.row(0);
    uint8_t state = cursor.state;
    int32_t start = cursor.start;
    int32_t p = from;
    while (p < to) {
        const ScanStateRow* row = rows + state;
        unsigned b = s[p];
        // Most characters of a document are inside a token: a run within one state costs a
        // byte test per character, a change of state one table step.
        for (;;) {
            const uint8_t* stays = row->stays.data();
            while (stays[b] == ScanStateRow::kStays) {
                if (++p == to) goto out;
                b = s[p];
            }
#if defined(__SSE2__)
            if (stays[b] == ScanStateRow::kSkipsBlanks) {
                // Byte p is a blank; look for the first byte that is not among the next 16
                // (all before `to`), and leave the last few of a run to the step below.
                while (p + 17 <= to) {
                    const unsigned rest = scan_detail::non_blanks(s + p + 1);
                    if (rest != 0) {
                        p += 1 + __builtin_ctz(rest);
                        break;
                    }
                    p += 16;
                }
                b = s[p];
                if (!scan_detail::is_blank(b)) {
                    start = p;
                    continue;
                }
            }
#endif
            if (b < 0x80) {
                ScanEntry e = row->ascii[b];
                // The common steps on ASCII are taken here, sparing the full step below:
                // white space between tokens, and a character that ends its token (closing
                // quotes and brackets, punctuation).
                if (e.op == scan_skip) {
                    start = p + 1;
                } else if (e.op == scan_emit_at) {
                    sink(start, p, int16_t(e.kind));
                    start = p + 1;
                } else if (e.op != scan_continue) {
                    break;
                }
                state = e.next;
                if (++p == to) goto out;
                row = rows + state;
                b = s[p];
                continue;
            }
            // A well-formed two- to four-byte character where every such character stays;
            // anything else (stray bytes, overlong forms included) takes the full step below.
            if (!row->wide_stays) break;
            const int length = static_cast<int>(
                utf8_char_length(reinterpret_cast<const uint8_t*>(s + p),
                                 static_cast<size_t>(limit - p)));
            if (length == 0) break;
            char32_t cp = b & (0x7F >> length);
            for (int i = 1; i < length; ++i) cp = (cp << 6) | (s[p + i] & 0x3F);
            if (cp >= 0xFFFE && is_non_character(cp)) break;
            p += length;
            if (p >= to) goto out;
            b = s[p];
        }

        ScanEntry e;
        int32_t len = 1;
        int16_t failure = 0;
        if (b < 0x80) {
            e = row->ascii[b];
            if (e.op == scan_control) {
                failure = kControlCharKind;
            } else if (e.op == scan_nul) {
                if (p + 1 == nul_end)
                    e = row->by_class[classes.class_of(0)];
                else
                    failure = kControlCharKind;
            }
        } else {
            // Strict: an overlong form, a surrogate or a code point beyond U+10FFFF is no
            // character but stray bytes, each reported on its own, so that none can stand
            // for markup.
            const int length = static_cast<int>(
                utf8_char_length(reinterpret_cast<const uint8_t*>(s + p),
                                 static_cast<size_t>(limit - p)));
            if (length == 0) {
                failure = kInvalidUtf8Kind;
            } else {
                char32_t cp = b & (0x7F >> length);
                for (int i = 1; i < length; ++i) cp = (cp << 6) | (s[p + i] & 0x3F);
                len = length;
                if (is_non_character(cp) && classes.rejects_non_characters())
                    failure = kNotCharacterKind;
                else
                    e = row->by_class[classes.wide_class_of(cp)];
            }
        }

        int32_t q = p + len - 1;
        if (failure != 0) {
            const ScanStateInfo& info = tables.info(state);
            if (info.failure.operation() == scan_emit_before) {
                if (start < p) sink(start, p - 1, int16_t(info.failure.kind));
                start = q + 1;
            } else if (!info.in_token) {
                start = q + 1;
            }
            sink(p, q, failure);
            state = info.failure.next;
            p = q + 1;
            continue;
        }

        switch (e.operation()) {
            case scan_continue:
                break;
            case scan_mark:
                sink(p, q, kMarkKind);
                break;
            case scan_skip:
                start = q + 1;
                break;
            case scan_emit_at:
                sink(start, q, int16_t(e.kind));
                start = q + 1;
                break;
            case scan_emit_before:
                if (start < p) sink(start, p - 1, int16_t(e.kind));
                start = p;
                break;
            case scan_emit_before_skip:
                if (start < p) sink(start, p - 1, int16_t(e.kind));
                start = q + 1;
                break;
            case scan_emit_before_then_at:
                if (start < p) sink(start, p - 1, int16_t(e.kind));
                sink(p, q, int16_t(e.kind2));
                start = q + 1;
                break;
            case scan_emit_split: {
                // The closer's characters are single bytes; at the start of a coloured line
                // they may lie in the line before, hence the clamp.
                int32_t split = p - e.back();
                if (split < start) split = start;
                if (start < split) sink(start, split - 1, int16_t(e.kind));
                sink(split, q, int16_t(e.kind2));
                start = q + 1;
                break;
            }
            default:
                break;
        }
        state = e.next;
        p = q + 1;
    }
out:
    cursor.state = state;
    cursor.start = start;
    return p;
}

// At the end of the text: emits the token in progress (as its state's eof_kind), then the
// empty end-of-file token of kind eof_kind at offset `length`.
template <class Sink>
void scan_finish(const ScannerTables& tables, int32_t length, int16_t eof_kind,
                 ScanCursor& cursor, Sink& sink) {
    const ScanStateInfo& info = tables.info(cursor.state);
    if (info.in_token && cursor.start < length)
        sink(cursor.start, length - 1, info.eof_kind);
    cursor.start = length;
    sink(length, length - 1, eof_kind);
}

// ---------------------------------------------------------------------------------------
// Line colouring (scanner_line_automaton.h colours the editor's lines on these tables).

// The state at the end of a line scanned from start_state; a token still open at its end goes
// on in the next line. ends_text says the line is the last of the text, so a U+0000 at its
// very end is an ordinary character.
uint8_t line_end_state(const ScannerTables& tables, uint8_t start_state, std::string_view line,
                       bool ends_text = false);

}  // namespace tessel
