// Number formatting for messages: thousands separated by commas, and durations.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/string_builder.h"

namespace tessel {

// "-1,234,567": a comma between each group of three digits, counted from the right.
std::string with_commas(int64_t value);
void append_with_commas(StringBuilder& out, int64_t value);

// The text StringBuilder::append_duration writes: "1.50 seconds", "12.50 milliseconds".
std::string format_duration(double milliseconds);

}  // namespace tessel
