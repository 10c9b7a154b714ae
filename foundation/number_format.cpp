// Number formatting: comma-grouped integers and durations.
#include "foundation/number_format.h"

#include <string_view>

namespace tessel {

namespace {

// 19 digits, 6 commas and a sign fit in 26 bytes.
constexpr int kCommaTextBytes = 32;

// Writes the text backwards from the end of buffer; returns where it starts.
char* comma_text(int64_t value, char* buffer_end) {
    // The magnitude in unsigned arithmetic so that INT64_MIN has one.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char* p = buffer_end;
    int digits = 0;
    do {
        if (digits && digits % 3 == 0) *--p = ',';
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
        ++digits;
    } while (magnitude);
    if (value < 0) *--p = '-';
    return p;
}

}  // namespace

std::string with_commas(int64_t value) {
    char buffer[kCommaTextBytes];
    char* end = buffer + sizeof buffer;
    char* start = comma_text(value, end);
    return std::string(start, end);
}

void append_with_commas(StringBuilder& out, int64_t value) {
    char buffer[kCommaTextBytes];
    char* end = buffer + sizeof buffer;
    char* start = comma_text(value, end);
    out.append(std::string_view(start, static_cast<size_t>(end - start)));
}

std::string format_duration(double milliseconds) {
    StringBuilder text;
    text.append_duration(milliseconds);
    return std::string(text.view());
}

std::string plural_noun(std::string_view noun) {
    std::string out(noun);
    if (noun.empty()) return out;
    bool has_lower = false;
    bool has_upper = false;
    for (char c : noun) {
        has_lower = has_lower || (c >= 'a' && c <= 'z');
        has_upper = has_upper || (c >= 'A' && c <= 'Z');
    }
    if (has_upper && !has_lower) return out;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const char last = lower(noun.back());
    const char before = noun.size() > 1 ? lower(noun[noun.size() - 2]) : '\0';
    const auto vowel = [](char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; };
    if (last == 'y' && before >= 'a' && before <= 'z' && !vowel(before)) {
        out.back() = 'i';
        out += "es";
    } else if (last == 's' || last == 'x' || last == 'z' ||
               ((last == 'h') && (before == 'c' || before == 's'))) {
        out += "es";
    } else {
        out += 's';
    }
    return out;
}

std::string counted(int64_t count, std::string_view noun) {
    return with_commas(count) + " " + (count == 1 ? std::string(noun) : plural_noun(noun));
}

}  // namespace tessel
