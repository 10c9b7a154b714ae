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

}  // namespace tessel
