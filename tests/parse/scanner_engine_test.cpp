// The engine with a small automaton of its own (numbers, words, stars), so that what other
// languages will rely on is tested apart from XML: class and byte rows, splits, the builder's
// consistency checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse/scanner_engine.h"

namespace tessel {
namespace {

enum { other = 0, digit = 1, letter = 2, blank = 3, star = 4, quote = 5 };
enum { number = 1, word = 2, stars = 4, closed_quote = 6, text_in_quotes = 7, single = 9 };

CharClassTable toy_classes() {
    std::array<uint8_t, 128> ascii;
    ascii.fill(other);
    for (int c = '0'; c <= '9'; ++c) ascii[size_t(c)] = digit;
    for (int c = 'a'; c <= 'z'; ++c) ascii[size_t(c)] = letter;
    ascii[' '] = ascii['\n'] = blank;
    ascii['*'] = star;
    ascii['\''] = quote;
    return CharClassTable(ascii, {{0xC0, 0x24F, letter}}, other);
}

struct Toy {
    uint8_t fresh, num, name, open, body, one_star;
};

// Quoted text ends at "**'"; the closer is split off the text as a token of its own.
ScannerTables toy_tables(Toy* states = nullptr) {
    ScannerTablesBuilder b(toy_classes());
    Toy s;
    s.fresh = b.add_fresh_state();
    s.num = b.add_token_state(number, number);
    s.name = b.add_token_state(word, word);
    s.open = b.add_token_state(text_in_quotes, single);
    s.body = b.add_token_state(text_in_quotes, single);
    s.one_star = b.add_token_state(text_in_quotes, single);
    b.set(s.fresh, digit, ScanEntry::go(s.num));
    b.set(s.fresh, letter, ScanEntry::go(s.name));
    b.set(s.fresh, blank, ScanEntry::skip(s.fresh));
    b.set(s.fresh, star, ScanEntry::emit_at(stars, s.fresh));
    b.set(s.fresh, quote, ScanEntry::emit_at(single, s.body));
    b.set_others(s.fresh, ScanEntry::emit_at(single, s.fresh));
    b.set(s.num, digit, ScanEntry::go(s.num));
    b.set_byte(s.num, 'x', ScanEntry::go(s.num));  // 0x1f: only "x" of the letters
    for (int c = 0; c < 6; ++c)
        if (!b.has_entry(s.num, c)) b.set(s.num, c, ScanEntry::end_then(number, b.entry(s.fresh, c)));
    b.set(s.name, {letter, digit}, ScanEntry::go(s.name));
    for (int c = 0; c < 6; ++c)
        if (!b.has_entry(s.name, c)) b.set(s.name, c, ScanEntry::end_then(word, b.entry(s.fresh, c)));
    b.set_failure(s.name, ScanEntry::emit_before(word, s.fresh));
    b.set(s.body, star, ScanEntry::go(s.open));
    b.set_others(s.body, ScanEntry::go(s.body));
    b.set(s.open, star, ScanEntry::go(s.one_star));
    b.set_others(s.open, ScanEntry::go(s.body));
    b.set(s.one_star, quote, ScanEntry::emit_split(text_in_quotes, closed_quote, 2, s.fresh));
    b.set(s.one_star, star, ScanEntry::go(s.one_star));
    b.set_others(s.one_star, ScanEntry::go(s.body));
    if (states) *states = s;
    return b.build();
}

struct Seen {
    std::vector<std::pair<int, std::string>> tokens;
    ScanCursor cursor;
};

Seen run(const ScannerTables& t, std::string_view text) {
    Seen seen;
    auto sink = [&](int32_t first, int32_t last, int16_t kind) {
        seen.tokens.emplace_back(kind, std::string(text.substr(size_t(first),
                                                               size_t(last - first + 1))));
    };
    scan_run(t, text.data(), int32_t(text.size()), 0, int32_t(text.size()),
             int32_t(text.size()), seen.cursor, sink);
    scan_finish(t, int32_t(text.size()), 99, seen.cursor, sink);
    return seen;
}

using Pieces = std::vector<std::pair<int, std::string>>;

TEST(ScannerEngine, ClassRowsByteOverridesAndSplits) {
    ScannerTables t = toy_tables();
    EXPECT_EQ(run(t, "12 0x1f abc*\xC3\xA9!").tokens,
              (Pieces{{number, "12"}, {number, "0x1"}, {word, "f"}, {word, "abc"}, {stars, "*"},
                      {word, "\xC3\xA9"}, {single, "!"}, {99, ""}}));
    EXPECT_EQ(run(t, "'a*b**c***'x").tokens,
              (Pieces{{single, "'"}, {text_in_quotes, "a*b**c*"}, {closed_quote, "**'"},
                      {word, "x"}, {99, ""}}));
    EXPECT_EQ(run(t, "'**'").tokens,
              (Pieces{{single, "'"}, {closed_quote, "**'"}, {99, ""}}));
    // Unterminated at the end: the state's end-of-text kind.
    EXPECT_EQ(run(t, "'ab*").tokens, (Pieces{{single, "'"}, {single, "ab*"}, {99, ""}}));
}

TEST(ScannerEngine, PseudoTokensEndOrKeepTheTokenAsTheStateSays) {
    ScannerTables t = toy_tables();
    // A name ends before a bad byte; quoted text runs on across it, also when it would
    // begin with it.
    EXPECT_EQ(run(t, "ab\x01" "cd '\xFF**'").tokens,
              (Pieces{{word, "ab"}, {-2, "\x01"}, {word, "cd"}, {single, "'"}, {-1, "\xFF"},
                      {text_in_quotes, "\xFF"}, {closed_quote, "**'"}, {99, ""}}));
    // In a number the default applies: the token runs on across it.
    EXPECT_EQ(run(t, "1\x80" "2 3").tokens,
              (Pieces{{-1, "\x80"}, {number, "1\x80" "2"}, {number, "3"}, {99, ""}}));
}

TEST(ScannerEngine, RunsStopAndResumeAnywhere) {
    ScannerTables t = toy_tables();
    const std::string text = "abc 123 '\xC3\xA9*x**' \xE2\x82\xAC**\x80 z9";
    Seen whole = run(t, text);
    for (int32_t cut = 0; cut <= int32_t(text.size()); ++cut) {
        Pieces pieces;
        auto sink = [&](int32_t first, int32_t last, int16_t kind) {
            pieces.emplace_back(kind, text.substr(size_t(first), size_t(last - first + 1)));
        };
        ScanCursor cursor;
        int32_t at = scan_run(t, text.data(), int32_t(text.size()), 0, cut,
                              int32_t(text.size()), cursor, sink);
        EXPECT_GE(at, cut);
        EXPECT_LE(at, cut + 3);
        scan_run(t, text.data(), int32_t(text.size()), at, int32_t(text.size()),
                 int32_t(text.size()), cursor, sink);
        scan_finish(t, int32_t(text.size()), 99, cursor, sink);
        EXPECT_EQ(pieces, whole.tokens) << "cut at " << cut;
    }
}

TEST(ScannerTablesBuilder, RejectsInconsistentTables) {
    {
        ScannerTablesBuilder b(toy_classes());
        uint8_t f = b.add_fresh_state();
        b.set_others(f, ScanEntry::skip(f));
        EXPECT_NO_THROW(b.build());
        b.set(f, digit, ScanEntry::go(f));  // a token begun in a state that holds none
        EXPECT_THROW(b.build(), std::logic_error);
    }
    {
        ScannerTablesBuilder b(toy_classes());
        uint8_t f = b.add_fresh_state();
        uint8_t n = b.add_token_state(1, 1);
        b.set_others(f, ScanEntry::go(n));
        b.set(n, digit, ScanEntry::go(n));
        EXPECT_THROW(b.build(), std::logic_error);  // unset entries of n
        b.set_others(n, ScanEntry::skip(f));         // would drop the token in progress
        EXPECT_THROW(b.build(), std::logic_error);
        b.set_others(n, ScanEntry::emit_before(1, n));
        b.set(n, {other, letter, blank, star, quote}, ScanEntry::end_then(1, ScanEntry::skip(f)));
        EXPECT_NO_THROW(b.build());
        b.set_failure(n, ScanEntry::go(f));           // would lose the token at a bad byte
        EXPECT_THROW(b.build(), std::logic_error);
    }
    ScannerTablesBuilder b(toy_classes());
    uint8_t f = b.add_fresh_state();
    EXPECT_THROW(b.set(f, 7, ScanEntry::skip(f)), std::logic_error);
    EXPECT_THROW(b.set_failure(f, ScanEntry::emit_at(1, f)), std::logic_error);
    EXPECT_THROW(b.entry(f, digit), std::logic_error);
    EXPECT_THROW(ScanEntry::end_then(1, ScanEntry::emit_before(2, f)), std::logic_error);
    EXPECT_THROW(b.set_byte(f, 200, ScanEntry::skip(f)), std::logic_error);
    for (int i = 1; i < 256; ++i) b.add_fresh_state();
    EXPECT_THROW(b.add_fresh_state(), std::logic_error);
}

}  // namespace
}  // namespace tessel
