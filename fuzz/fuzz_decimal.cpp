// Fuzzes the reading and summing of numbers in cell texts: any text is a number or not,
// never a crash or a hang; a number's text reads back as the same value; a value minus
// itself sums to zero and the mean of a value twice is the value; comparing two numbers
// (the input cut in two at its first newline) is antisymmetric and agrees with their sum's
// sign against each other.
#include <cstdint>
#include <string_view>

#include "views/exact_decimal.h"

namespace {

using namespace tessel;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

ExactDecimal negated(ExactDecimal d) {
    d.negative = !d.negative;
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const size_t cut = text.find('\n');
    const std::string_view first = text.substr(0, cut);
    const std::optional<ExactDecimal> a = read_decimal(first);
    if (!a) return 0;
    const std::optional<ExactDecimal> again = read_decimal(a->text());
    check(again && compare_decimals(*a, *again) == 0 && again->text() == a->text());
    DecimalSum zero;
    zero.add(*a);
    zero.add(negated(*a));
    check(compare_decimals(zero.total(), ExactDecimal{}) == 0 && !zero.total().negative);
    DecimalSum twice;
    twice.add(*a);
    twice.add(*a);
    check(compare_decimals(twice.mean(2, a->scale), *a) == 0);
    if (cut == std::string_view::npos) return 0;
    const std::optional<ExactDecimal> b = read_decimal(text.substr(cut + 1));
    if (!b) return 0;
    const int c = compare_decimals(*a, *b);
    check(c == -compare_decimals(*b, *a));
    // a - b has the sign of the comparison.
    DecimalSum difference;
    difference.add(*a);
    difference.add(negated(*b));
    const ExactDecimal d = difference.total();
    check(c == 0 ? compare_decimals(d, ExactDecimal{}) == 0 && !d.negative : (c < 0) == d.negative);
    return 0;
}
