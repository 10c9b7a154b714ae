// Exact decimals read from cell texts, compared and summed digit by digit.
#include "views/exact_decimal.h"

#include <algorithm>
#include <cstdlib>

namespace tessel {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Removes leading zeros of the integer part; the fraction keeps the digits it was written
// with ("12.50" stays a price in cents).
void normalise(ExactDecimal& d) {
    // Keep one digit before the point.
    const size_t keep = static_cast<size_t>(d.scale) + 1;
    size_t zeros = 0;
    while (zeros + keep < d.digits.size() && d.digits[zeros] == '0') ++zeros;
    d.digits.erase(0, zeros);
    if (d.digits.find_first_not_of('0') == std::string::npos) d.negative = false;
}

// Digits of a scaled magnitude (least significant first) into a normalised decimal.
ExactDecimal from_digits(const std::vector<uint8_t>& reversed, int32_t scale, bool negative) {
    ExactDecimal d;
    d.negative = negative;
    d.scale = scale;
    d.digits.assign(reversed.rbegin(), reversed.rend());
    for (char& c : d.digits) c = static_cast<char>('0' + c);
    while (d.digits.size() < static_cast<size_t>(scale) + 1) d.digits.insert(d.digits.begin(), '0');
    normalise(d);
    return d;
}

// a - b for magnitudes a >= b, least significant first.
std::vector<uint8_t> subtract(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    int borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int v = a[i] - borrow - (i < b.size() ? b[i] : 0);
        borrow = v < 0;
        a[i] = static_cast<uint8_t>(v + (borrow ? 10 : 0));
    }
    while (a.size() > 1 && a.back() == 0) a.pop_back();
    return a;
}

int compare_magnitudes(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t na = a.size(), nb = b.size();
    while (na > 1 && a[na - 1] == 0) --na;
    while (nb > 1 && b[nb - 1] == 0) --nb;
    if (na != nb) return na < nb ? -1 : 1;
    for (size_t i = na; i-- > 0;)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

}  // namespace

std::string ExactDecimal::text() const {
    std::string out = negative ? "-" : "";
    const size_t point = digits.size() - static_cast<size_t>(scale);
    out.append(digits, 0, point);
    if (scale > 0) {
        out += '.';
        out.append(digits, point, std::string::npos);
    }
    return out;
}

double ExactDecimal::approximate() const { return std::strtod(text().c_str(), nullptr); }

std::optional<ExactDecimal> read_decimal(std::string_view text) {
    size_t i = 0, n = text.size();
    while (i < n && is_blank(text[i])) ++i;
    while (n > i && is_blank(text[n - 1])) --n;
    ExactDecimal d;
    if (i < n && (text[i] == '-' || text[i] == '+')) d.negative = text[i++] == '-';
    std::string digits;
    int32_t scale = 0;
    bool point = false;
    for (; i < n && (is_digit(text[i]) || (text[i] == '.' && !point)); ++i) {
        if (text[i] == '.') {
            point = true;
            continue;
        }
        digits += text[i];
        if (point) ++scale;
    }
    if (digits.empty()) return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool minus = false;
        if (i < n && (text[i] == '-' || text[i] == '+')) minus = text[i++] == '-';
        if (i == n) return std::nullopt;
        int exponent = 0;
        for (; i < n && is_digit(text[i]); ++i) {
            exponent = exponent * 10 + (text[i] - '0');
            if (exponent > 400) return std::nullopt;
        }
        scale -= minus ? -exponent : exponent;
    }
    if (i != n) return std::nullopt;
    // A negative scale is that many zeros after the digits.
    if (scale < 0) {
        digits.append(static_cast<size_t>(-scale), '0');
        scale = 0;
    }
    while (digits.size() < static_cast<size_t>(scale) + 1) digits.insert(digits.begin(), '0');
    d.digits = std::move(digits);
    d.scale = scale;
    normalise(d);
    return d;
}

int compare_decimals(const ExactDecimal& a, const ExactDecimal& b) {
    const bool zero_a = a.digits == "0", zero_b = b.digits == "0";
    const bool neg_a = a.negative && !zero_a, neg_b = b.negative && !zero_b;
    if (neg_a != neg_b) return neg_a ? -1 : 1;
    // Same sign: compare magnitudes, integer parts by length first.
    const size_t int_a = a.digits.size() - static_cast<size_t>(a.scale);
    const size_t int_b = b.digits.size() - static_cast<size_t>(b.scale);
    int c = 0;
    if (int_a != int_b) {
        c = int_a < int_b ? -1 : 1;
    } else {
        const size_t length = std::max(a.digits.size() + (b.scale > a.scale ? static_cast<size_t>(b.scale - a.scale) : 0),
                                       b.digits.size() + (a.scale > b.scale ? static_cast<size_t>(a.scale - b.scale) : 0));
        for (size_t k = 0; k < length && c == 0; ++k) {
            const char x = k < a.digits.size() ? a.digits[k] : '0';
            const char y = k < b.digits.size() ? b.digits[k] : '0';
            if (x != y) c = x < y ? -1 : 1;
        }
    }
    return neg_a ? -c : c;
}

void DecimalSum::add(const ExactDecimal& value) {
    // A longer fraction rescales what has been summed so far.
    if (value.scale > scale_) {
        const size_t more = static_cast<size_t>(value.scale - scale_);
        for (auto* sum : {&positive_, &negative_})
            if (!sum->empty()) sum->insert(sum->begin(), more, 0);
        scale_ = value.scale;
    }
    std::vector<uint8_t>& sum = value.negative ? negative_ : positive_;
    const size_t shift = static_cast<size_t>(scale_ - value.scale);
    const size_t length = value.digits.size() + shift;
    if (sum.size() < length + 1) sum.resize(length + 1, 0);
    int carry = 0;
    size_t i = 0;
    for (; i < length; ++i) {
        const int digit = i < shift ? 0 : value.digits[value.digits.size() - 1 - (i - shift)] - '0';
        const int v = sum[i] + digit + carry;
        sum[i] = static_cast<uint8_t>(v % 10);
        carry = v / 10;
    }
    for (; carry; ++i) {
        if (i == sum.size()) sum.push_back(0);
        const int v = sum[i] + carry;
        sum[i] = static_cast<uint8_t>(v % 10);
        carry = v / 10;
    }
}

ExactDecimal DecimalSum::total() const {
    const std::vector<uint8_t> zero{0};
    const std::vector<uint8_t>& pos = positive_.empty() ? zero : positive_;
    const std::vector<uint8_t>& neg = negative_.empty() ? zero : negative_;
    if (compare_magnitudes(pos, neg) >= 0) return from_digits(subtract(pos, neg), scale_, false);
    return from_digits(subtract(neg, pos), scale_, true);
}

ExactDecimal DecimalSum::mean(int64_t count, int32_t places) const {
    ExactDecimal sum = total();
    if (count <= 0) return {};
    // Divide the digits, with `places + 1` fraction digits for the rounding, by count.
    std::string dividend = sum.digits;
    int32_t scale = sum.scale;
    while (scale < places + 1) {
        dividend += '0';
        ++scale;
    }
    std::string quotient;
    unsigned __int128 remainder = 0;
    for (char c : dividend) {
        remainder = remainder * 10 + static_cast<unsigned>(c - '0');
        quotient += static_cast<char>('0' + static_cast<int>(remainder / static_cast<uint64_t>(count)));
        remainder %= static_cast<uint64_t>(count);
    }
    // Drop digits beyond places + 1, remembering whether any was not zero.
    bool sticky = remainder != 0;
    while (scale > places + 1) {
        sticky |= quotient.back() != '0';
        quotient.pop_back();
        --scale;
    }
    // Round half to even on the last kept digit.
    const int last = quotient.back() - '0';
    quotient.pop_back();
    --scale;
    const int kept = quotient.empty() ? 0 : quotient.back() - '0';
    const bool up = last > 5 || (last == 5 && (sticky || kept % 2 == 1));
    if (quotient.empty()) quotient = "0";
    if (up) {
        size_t k = quotient.size();
        while (k > 0 && quotient[k - 1] == '9') quotient[--k] = '0';
        if (k == 0)
            quotient.insert(quotient.begin(), '1');
        else
            ++quotient[k - 1];
    }
    ExactDecimal d;
    d.negative = sum.negative;
    d.digits = quotient;
    d.scale = scale;
    while (d.digits.size() < static_cast<size_t>(d.scale) + 1) d.digits.insert(d.digits.begin(), '0');
    // Keep the places asked for: a mean of 2.5 to two places reads "2.50".
    const size_t keep = static_cast<size_t>(d.scale) + 1;
    size_t zeros = 0;
    while (zeros + keep < d.digits.size() && d.digits[zeros] == '0') ++zeros;
    d.digits.erase(0, zeros);
    if (d.digits.find_first_not_of('0') == std::string::npos) d.negative = false;
    return d;
}

}  // namespace tessel
