// Number formatting for messages: thousands separated by commas, and durations.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/string_builder.h"

namespace tessel {

// "-1,234,567": a comma between each group of three digits, counted from the right.
std::string with_commas(int64_t value);
void append_with_commas(StringBuilder& out, int64_t value);

// The text StringBuilder::append_duration writes: "1.50 seconds", "12.50 milliseconds". Every
// duration a user reads is written this way.
std::string format_duration(double milliseconds);

// The English plural of a noun or of a name's last word: "Error" -> "Errors", "XML tag" ->
// "XML tags", "entry" -> "entries", "box" -> "boxes", "address" -> "addresses". A name in
// capitals only ("DOCTYPE", "CDATA") is a keyword and stays as it is.
std::string plural_noun(std::string_view noun);

// A count with its noun: "1 byte", "0 bytes", "2,048 bytes" (commas as with_commas).
std::string counted(int64_t count, std::string_view noun);

}  // namespace tessel
