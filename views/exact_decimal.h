// Numbers read from cell texts, kept exactly: "12.50", "-3", "1.5e3" (written out as 1500).
// A column's sum is exact however many values it adds, and its minimum and maximum are the
// values as written; a double would round a sum of a million prices.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

// A decimal number: its digits without the point, most significant first and without leading
// zeros before the point, the number of them after the point (as many as it was written
// with: "12.50" has two), and its sign.
struct ExactDecimal {
    bool negative = false;
    std::string digits = "0";
    int32_t scale = 0;

    // "-12.50", "1500", "0.005": no exponent, no zeros before the first digit of the
    // integer part.
    std::string text() const;
    double approximate() const;
};

// The number a cell text reads as: optional blanks, an optional sign, digits with an optional
// point (at least one digit), an optional exponent of at most 400 either way, optional
// blanks. Anything else (words, "1,5", "NaN", "0x1F", an empty text) is no number.
std::optional<ExactDecimal> read_decimal(std::string_view text);

// Negative when a < b, 0 when equal, positive when a > b, by value ("1.50" equals "1.5").
int compare_decimals(const ExactDecimal& a, const ExactDecimal& b);

// An exact running sum.
class DecimalSum {
public:
    void add(const ExactDecimal& value);
    ExactDecimal total() const;
    // total / count rounded half to even at `places` digits after the point.
    ExactDecimal mean(int64_t count, int32_t places) const;

private:
    // Magnitudes at a common scale, least significant digit first.
    std::vector<uint8_t> positive_, negative_;
    int32_t scale_ = 0;
};

}  // namespace tessel
