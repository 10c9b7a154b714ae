// Tests of the number formats: comma grouping against a digit-string reference, including
// the extremes, and durations.
#include "foundation/number_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

namespace tessel {
namespace {

// Groups the decimal digits of std::to_string from the right.
std::string reference_commas(int64_t value) {
    std::string digits = std::to_string(value);
    std::string sign;
    if (digits[0] == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, ",");
    return sign + digits;
}

TEST(NumberFormat, WithCommasExamples) {
    EXPECT_EQ(with_commas(0), "0");
    EXPECT_EQ(with_commas(999), "999");
    EXPECT_EQ(with_commas(1000), "1,000");
    EXPECT_EQ(with_commas(-1234), "-1,234");
    EXPECT_EQ(with_commas(-999), "-999");
    EXPECT_EQ(with_commas(123456), "123,456");
    EXPECT_EQ(with_commas(1234567), "1,234,567");
    EXPECT_EQ(with_commas(INT64_MAX), "9,223,372,036,854,775,807");
    EXPECT_EQ(with_commas(INT64_MIN), "-9,223,372,036,854,775,808");
}

TEST(NumberFormat, WithCommasMatchesReference) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 5000; ++i) {
        // Shifting spreads the magnitudes over every digit count.
        int64_t value = static_cast<int64_t>(rng()) >> (rng() % 64);
        ASSERT_EQ(with_commas(value), reference_commas(value)) << value;
    }
    for (int64_t p = 1; p <= INT64_MAX / 10; p *= 10) {
        for (int64_t v : {p - 1, p, -p, -(p - 1), p * 10 - 1})
            ASSERT_EQ(with_commas(v), reference_commas(v)) << v;
    }
}

TEST(NumberFormat, AppendWithCommasAddsToBuilder) {
    StringBuilder b;
    b.append("Lines: ");
    append_with_commas(b, 1048576);
    b.append(", offset ");
    append_with_commas(b, INT64_MIN);
    EXPECT_STREQ(b.c_str(), "Lines: 1,048,576, offset -9,223,372,036,854,775,808");
}

TEST(NumberFormat, FormatDurationSwitchesToSecondsAboveOneThousandMilliseconds) {
    // Worked by hand: 0.125 is exact in binary and rounds to the even digit; 999.995 is
    // stored as 999.99500000000000454... and rounds up to a whole 1000.00, still in
    // milliseconds because it is not above 1000; 1e12 ms are a billion seconds.
    const std::pair<double, const char*> cases[] = {
        {1500, "1.50 seconds"},          {1000, "1000.00 milliseconds"},
        {12.5, "12.50 milliseconds"},    {0.0, "0.00 milliseconds"},
        {0.125, "0.12 milliseconds"},    {999.995, "1000.00 milliseconds"},
        {1000.0001, "1.00 seconds"},     {65432.1, "65.43 seconds"},
        {1e12, "1000000000.00 seconds"},
    };
    for (auto [ms, text] : cases) EXPECT_EQ(format_duration(ms), text) << ms;
}

// Nouns as the views and messages count them: the names of node types, element names and
// units; one of a thing is singular, any other count plural.
TEST(NumberFormat, PluralsAndCounts) {
    const std::pair<const char*, const char*> nouns[] = {
        {"Error", "Errors"},     {"XML tag", "XML tags"},     {"entry", "entries"},
        {"Entity", "Entities"},  {"key", "keys"},             {"box", "boxes"},
        {"address", "addresses"}, {"match", "matches"},       {"flash", "flashes"},
        {"DOCTYPE", "DOCTYPE"},  {"CDATA", "CDATA"},          {"ns:item", "ns:items"},
        {"DTD element", "DTD elements"}, {"y", "ys"},         {"", ""},
    };
    for (auto [one, many] : nouns) EXPECT_EQ(plural_noun(one), many) << one;
    EXPECT_EQ(counted(1, "byte"), "1 byte");
    EXPECT_EQ(counted(0, "byte"), "0 bytes");
    EXPECT_EQ(counted(2408300, "byte"), "2,408,300 bytes");
    EXPECT_EQ(counted(-1, "row"), "-1 rows");
    EXPECT_EQ(counted(1, "Error"), "1 Error");
}

}  // namespace
}  // namespace tessel
