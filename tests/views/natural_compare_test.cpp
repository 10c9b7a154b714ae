// Tests of natural comparison: the rules on hand-picked texts, the prepared keys against the
// plain comparison, order properties on random texts, and GNU `sort -V` as an independent
// reference where both define the same order.
//
// Where the two differ by design, each tested below (SortV_Differs_*):
//  - CaseFolding: A-Z fold to a-z here ("Item2" equals "item2"); sort -V puts capitals first.
//  - DecimalFractions: "1.10" and "1.9" are fractions here (1.9 after 1.10); sort -V reads
//    two integers (1.9 before 1.10).
//  - LeadingZeros: "x007" equals "x7" here, so rows keep document order; sort -V breaks the
//    tie by bytes.
//  - NumberBeforeEnd: "item2" sorts before "item" here; sort -V puts "item" first.
//  - PunctuationBeforeLetters: bytes compare as bytes here ("a_b" before "aab"); sort -V
//    puts letters before other characters.
//  - Tilde: "~" is an ordinary byte here; sort -V sorts it before everything, even the end.
#include "views/natural_compare.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace tessel {
namespace {

int sign(int c) {
    return (c > 0) - (c < 0);
}
int cmp(std::string_view a, std::string_view b) {
    return sign(natural_compare(a, b));
}
int cmp_prepared(std::string_view a, std::string_view b) {
    return sign(natural_compare(prepare_natural_key(a), a, prepare_natural_key(b), b));
}

// Checks that a sorts before b both ways round, plain and prepared.
void expect_before(std::string_view a, std::string_view b) {
    EXPECT_EQ(cmp(a, b), -1) << '"' << a << "\" before \"" << b << '"';
    EXPECT_EQ(cmp(b, a), 1) << '"' << b << "\" after \"" << a << '"';
    EXPECT_EQ(cmp_prepared(a, b), -1) << '"' << a << "\" before \"" << b << "\" (prepared)";
    EXPECT_EQ(cmp_prepared(b, a), 1) << '"' << b << "\" after \"" << a << "\" (prepared)";
}

void expect_equal(std::string_view a, std::string_view b) {
    EXPECT_EQ(cmp(a, b), 0) << '"' << a << "\" equals \"" << b << '"';
    EXPECT_EQ(cmp(b, a), 0) << '"' << b << "\" equals \"" << a << '"';
    EXPECT_EQ(cmp_prepared(a, b), 0) << '"' << a << "\" equals \"" << b << "\" (prepared)";
}

// The lines of `sort -V` run on the given texts (written to a temporary file, one a line).
std::vector<std::string> sort_v(const std::vector<std::string>& texts) {
    char path[] = "/tmp/tessel_sort_v_XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    std::FILE* out = fdopen(fd, "w");
    for (const std::string& text : texts) std::fprintf(out, "%s\n", text.c_str());
    std::fclose(out);
    std::string command = std::string("LC_ALL=C sort -V ") + path;
    std::FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    std::vector<std::string> lines;
    std::string line;
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    EXPECT_EQ(pclose(pipe), 0);
    std::remove(path);
    return lines;
}

std::vector<std::string> natural_sorted(std::vector<std::string> texts) {
    std::stable_sort(texts.begin(), texts.end(),
                     [](const std::string& a, const std::string& b) { return cmp(a, b) < 0; });
    return texts;
}

// ---- the rules ----

TEST(NaturalCompare, DocumentedExamples) {
    expect_before("item2", "item10");
    expect_equal("Item2", "item2");
    expect_before("1.10", "1.9");      // decimal fractions: 0.10 < 0.9
    expect_before("1.9.1", "1.10.1");  // version numbers: the integers 9 < 10
}

TEST(NaturalCompare, CaseFoldsOnlyAsciiLetters) {
    expect_equal("ABCXYZ", "abcxyz");
    expect_before("Apple", "banana");
    expect_before("apple", "Banana");
    // "[" lies between "Z" and "a": folded, "z" comes after it.
    expect_before("[", "Z");
    // Two-byte É and é differ; no folding beyond ASCII, and high bytes compare unsigned.
    EXPECT_NE(cmp("\xC3\x89", "\xC3\xA9"), 0);
    expect_before("z", "\xC3\xA9");
}

TEST(NaturalCompare, PrefixesOfDifferentLengthCompareWholeTexts) {
    // "ab1" vs "a1": prefixes "ab" and "a"; the whole texts differ at "b" against "1".
    expect_before("a1", "ab1");
    expect_before("item10", "items");
    // A text without digits: its prefix is all of it.
    expect_before("abc", "abd1");
    expect_before("ab", "abc");
}

TEST(NaturalCompare, NumberSortsBeforeNoNumber) {
    expect_before("item2", "item");
    expect_before("x1y7", "x1y");
    expect_equal("", "");
    expect_before("", "a");
    expect_before("5", "");
}

TEST(NaturalCompare, IntegersOfAnyLengthCompareExactly) {
    expect_before("n9", "n10");
    expect_before("n18446744073709551615", "n18446744073709551616");  // 2^64 - 1 and 2^64
    expect_before("n99999999999999999999", "n100000000000000000000");
    expect_before("n123456789012345678901234567890", "n123456789012345678901234567891");
    expect_equal("n000000000000000000000000000042", "n42");
    expect_before("n0", "n00000000000000000000000000001");
}

TEST(NaturalCompare, EqualNumbersContinueAfterThem) {
    expect_equal("a007", "a7");
    expect_before("a007b", "a7c");
    expect_before("a7b2", "a007b10");
    expect_before("v1.50x", "v1.5y");  // equal fractions, then x < y
    expect_before("r2d2", "r2d10");
}

TEST(NaturalCompare, FractionsCompareDigitByDigit) {
    expect_before("1.10", "1.9");
    expect_equal("1.5", "1.50");
    expect_before("2.05", "2.5");
    expect_before("0.999", "1.0");
    expect_before("1.0", "1.000000000000000000000001");  // beyond 19 digits
    expect_before("1.1234567890123456789", "1.12345678901234567891");
    expect_before("5.1", "12.01");  // the integer parts first
    expect_before("18446744073709551616.5", "18446744073709551616.75");
    // "1." reads as the fraction 1, the same as 1.0.
    expect_equal("x1.", "x1.0");
}

TEST(NaturalCompare, VersionNumbersFallBackToIntegers) {
    expect_before("1.9.1", "1.10.1");
    expect_before("2.5", "2.10.0");  // one version number is enough
    // Only the first pair falls back: after the equal 1s, "2.3" and "2.10" are fractions
    // again, and 2.3 sorts after 2.10.
    expect_before("1.2.10", "1.2.3");
    expect_before("v1..5", "v1..10");  // "1." followed by another "."
}

TEST(NaturalCompare, FractionRuleLooksAtTheFirstTextOnly) {
    // a's "1" is followed by "." and b's "1" by "x": fractions, 1.5 after 1. The other way
    // round b's number is not followed by ".", so the integers tie and ".5" against "x"
    // decides. Both calls say "after": the rule is one-sided as written.
    EXPECT_EQ(cmp("1.5", "1x"), 1);
    EXPECT_EQ(cmp("1x", "1.5"), 1);
    EXPECT_EQ(cmp_prepared("1.5", "1x"), 1);
    EXPECT_EQ(cmp_prepared("1x", "1.5"), 1);
    // At the end of b, integers: 1.5 after 1 both ways.
    expect_before("1", "1.5");
}

TEST(NaturalCompare, BytesBelowZeroCanMakeACycle) {
    // A number sorts before the end of a text, the end before a space, and a space before
    // a digit: "item5" < "item" < "item 2" < "item5".
    EXPECT_EQ(cmp("item5", "item"), -1);
    EXPECT_EQ(cmp("item", "item 2"), -1);
    EXPECT_EQ(cmp("item 2", "item5"), -1);
}

// ---- prepared keys and order properties on random texts ----

std::string random_text(std::mt19937& rng, std::string_view alphabet, int max_length) {
    std::string text(rng() % (max_length + 1), ' ');
    for (char& c : text) c = alphabet[rng() % alphabet.size()];
    return text;
}

// Texts built from runs, so that equal prefixes, long numbers, dots and case differences
// come up often.
std::string random_runs(std::mt19937& rng) {
    static const std::vector<std::string> runs = {"a",
                                                  "A",
                                                  "b",
                                                  "it",
                                                  "It",
                                                  "item",
                                                  "ITEM",
                                                  "_",
                                                  " ",
                                                  "~",
                                                  "-",
                                                  ".",
                                                  "..",
                                                  "\xC3\xA9",
                                                  "0",
                                                  "00",
                                                  "1",
                                                  "7",
                                                  "9",
                                                  "10",
                                                  "42",
                                                  "007",
                                                  "18446744073709551615",
                                                  "18446744073709551616",
                                                  "99999999999999999999",
                                                  "1234567890123456789012345"};
    std::string text;
    int count = static_cast<int>(rng() % 7);
    for (int i = 0; i < count; ++i) text += runs[rng() % runs.size()];
    return text;
}

TEST(NaturalCompare, PreparedKeysAgreeWithThePlainComparison) {
    std::mt19937 rng(11);
    std::vector<std::string> texts;
    for (int i = 0; i < 600; ++i) texts.push_back(random_runs(rng));
    for (int i = 0; i < 300; ++i) texts.push_back(random_text(rng, "aAbB01239.x ", 12));
    for (int i = 0; i < 100; ++i)
        texts.push_back(random_text(rng, std::string_view("a\0001.", 4), 10));
    std::vector<NaturalKey> keys;
    for (const std::string& text : texts) keys.push_back(prepare_natural_key(text));
    int64_t mismatches = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        for (size_t j = 0; j < texts.size(); ++j) {
            int plain = cmp(texts[i], texts[j]);
            int prepared = sign(natural_compare(keys[i], texts[i], keys[j], texts[j]));
            if (plain != prepared && ++mismatches <= 5)
                ADD_FAILURE() << '"' << texts[i] << "\" vs \"" << texts[j] << "\": plain " << plain
                              << ", prepared " << prepared;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// Checks antisymmetry and transitivity of the comparison over all pairs and triples.
void expect_consistent_order(const std::vector<std::string>& texts, bool check_transitivity) {
    size_t n = texts.size();
    std::vector<int8_t> m(n * n);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) m[i * n + j] = static_cast<int8_t>(cmp(texts[i], texts[j]));
    int failures = 0;
    for (size_t i = 0; i < n && failures < 5; ++i) {
        EXPECT_EQ(m[i * n + i], 0) << texts[i];
        for (size_t j = 0; j < n; ++j) {
            if (m[i * n + j] != -m[j * n + i] && ++failures <= 5)
                ADD_FAILURE() << "not antisymmetric: \"" << texts[i] << "\", \"" << texts[j] << '"';
        }
    }
    if (!check_transitivity) return;
    for (size_t i = 0; i < n && failures < 5; ++i) {
        for (size_t j = 0; j < n; ++j) {
            if (m[i * n + j] > 0) continue;
            for (size_t k = 0; k < n; ++k) {
                if (m[j * n + k] > 0) continue;
                // i <= j <= k must give i <= k, and i == k only when both steps are equal.
                int want = (m[i * n + j] == 0 && m[j * n + k] == 0) ? 0 : -1;
                if (m[i * n + k] != want && ++failures <= 5)
                    ADD_FAILURE() << "not transitive: \"" << texts[i] << "\", \"" << texts[j]
                                  << "\", \"" << texts[k] << '"';
            }
        }
    }
}

TEST(NaturalCompare, OrderOnLettersDigitsAndHighBytes) {
    // Without bytes below "0" the rules are a consistent order.
    std::mt19937 rng(3);
    std::vector<std::string> texts;
    for (int i = 0; i < 220; ++i)
        texts.push_back(random_text(rng,
                                    "aAbB_~\xC3"
                                    "0019",
                                    7));
    expect_consistent_order(texts, true);
}

TEST(NaturalCompare, OrderOnNamesWithFractions) {
    // Letters and a number with an optional fraction at the end: integer part, then no
    // fraction before any fraction, then the fraction digits.
    std::mt19937 rng(5);
    std::vector<std::string> texts;
    for (int i = 0; i < 220; ++i) {
        std::string text = random_text(rng, "aB", 2) + random_text(rng, "0129", 3);
        if (!text.empty() && text.back() >= '0' && text.back() <= '9' && rng() % 2)
            text += "." + random_text(rng, "0159", 3);
        texts.push_back(text);
    }
    expect_consistent_order(texts, true);
}

TEST(NaturalCompare, AntisymmetricOnDottedNumbers) {
    // Dotted numbers (fractions and versions mixed) are antisymmetric, though not transitive:
    // 1.6.1 < 1.10 as versions, 1.10 < 1.5 as fractions, 1.5 < 1.6.1 as versions.
    EXPECT_EQ(cmp("1.6.1", "1.10"), -1);
    EXPECT_EQ(cmp("1.10", "1.5"), -1);
    EXPECT_EQ(cmp("1.5", "1.6.1"), -1);
    std::mt19937 rng(9);
    std::vector<std::string> texts;
    for (int i = 0; i < 220; ++i) {
        std::string text = random_text(rng, "ab", 1) + std::to_string(rng() % 12);
        for (int parts = static_cast<int>(rng() % 3); parts > 0; --parts)
            text += "." + std::to_string(rng() % 12);
        texts.push_back(text);
    }
    expect_consistent_order(texts, false);
}

// ---- GNU sort -V ----

TEST(NaturalCompare, AgreesWithSortV) {
    // Lower-case letters and numbers without leading zeros, dots or fractions: letters +
    // number, optionally followed by letters + number. Numbers reach 30 digits.
    std::mt19937 rng(2024);
    auto letters = [&] { return random_text(rng, "abcde", 2) + "abcde"[rng() % 5]; };
    auto number = [&] {
        int digits =
            rng() % 8 == 0 ? 18 + static_cast<int>(rng() % 13) : 1 + static_cast<int>(rng() % 5);
        std::string text(1, static_cast<char>('1' + rng() % 9));
        for (int i = 1; i < digits; ++i) text += static_cast<char>('0' + rng() % 10);
        return rng() % 20 == 0 ? std::string("0") : text;
    };
    std::vector<std::string> keys;
    for (int i = 0; i < 20000; ++i) {
        std::string key = letters() + number();
        if (rng() % 2) key += letters() + number();
        keys.push_back(key);
    }
    std::vector<std::string> ours = natural_sorted(keys);
    std::vector<std::string> theirs = sort_v(keys);
    ASSERT_EQ(theirs.size(), ours.size());
    size_t first_difference = 0;
    while (first_difference < ours.size() && ours[first_difference] == theirs[first_difference])
        ++first_difference;
    EXPECT_EQ(first_difference, ours.size())
        << "ours: " << ours[first_difference] << ", sort -V: " << theirs[first_difference];
}

TEST(NaturalCompare, SortV_Differs_CaseFolding) {
    EXPECT_EQ(natural_sorted({"item2", "Item2", "item1"}),
              (std::vector<std::string>{"item1", "item2", "Item2"}));
    EXPECT_EQ(sort_v({"item2", "Item2", "item1"}),
              (std::vector<std::string>{"Item2", "item1", "item2"}));
}

TEST(NaturalCompare, SortV_Differs_DecimalFractions) {
    EXPECT_EQ(natural_sorted({"1.9", "1.10"}), (std::vector<std::string>{"1.10", "1.9"}));
    EXPECT_EQ(sort_v({"1.9", "1.10"}), (std::vector<std::string>{"1.9", "1.10"}));
    // Version numbers agree.
    EXPECT_EQ(natural_sorted({"1.10.1", "1.9.1"}), (std::vector<std::string>{"1.9.1", "1.10.1"}));
    EXPECT_EQ(sort_v({"1.10.1", "1.9.1"}), (std::vector<std::string>{"1.9.1", "1.10.1"}));
}

TEST(NaturalCompare, SortV_Differs_LeadingZeros) {
    EXPECT_EQ(natural_sorted({"x7", "x007", "x07"}),
              (std::vector<std::string>{"x7", "x007", "x07"}));
    EXPECT_EQ(sort_v({"x7", "x007", "x07"}), (std::vector<std::string>{"x007", "x07", "x7"}));
}

TEST(NaturalCompare, SortV_Differs_NumberBeforeEnd) {
    EXPECT_EQ(natural_sorted({"item", "item2"}), (std::vector<std::string>{"item2", "item"}));
    EXPECT_EQ(sort_v({"item", "item2"}), (std::vector<std::string>{"item", "item2"}));
}

TEST(NaturalCompare, SortV_Differs_PunctuationBeforeLetters) {
    EXPECT_EQ(natural_sorted({"aab", "a_b"}), (std::vector<std::string>{"a_b", "aab"}));
    EXPECT_EQ(sort_v({"aab", "a_b"}), (std::vector<std::string>{"aab", "a_b"}));
}

TEST(NaturalCompare, SortV_Differs_Tilde) {
    EXPECT_EQ(natural_sorted({"1.0~rc1", "1.0"}), (std::vector<std::string>{"1.0", "1.0~rc1"}));
    EXPECT_EQ(sort_v({"1.0~rc1", "1.0"}), (std::vector<std::string>{"1.0~rc1", "1.0"}));
}

}  // namespace
}  // namespace tessel
