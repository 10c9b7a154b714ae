// Fuzzes the row filter's reading and matching: the input's first line is a filter as
// tessel-cli reads it ("[COLUMN]~TEXT", "~~REGEX", "=TEXT"), the rest a cell's text. Any
// filter is read or refused and any expression compiles or is refused with a reason, never a
// crash or a hang; case folding keeps a text's length and folding twice changes nothing; a
// substring filter keeps a text that holds it as written, and an exact one the text itself.
#include <cstdint>
#include <string>
#include <string_view>

#include "views/row_filter.h"

namespace {

using namespace tessel;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t cut = input.find('\n');
    const std::string_view line = input.substr(0, cut);
    const std::string_view text = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);

    std::string folded, twice;
    fold_case(text, folded);
    check(folded.size() == text.size());
    fold_case(folded, twice);
    check(twice == folded);

    std::string column_name;
    const std::optional<RowFilter> filter = parse_filter(line, &column_name);
    if (!filter) return 0;
    std::string error;
    const std::unique_ptr<TextMatcher> matcher = TextMatcher::make(*filter, &error);
    if (!matcher) {
        check(filter->match == RowFilter::Match::regex && !error.empty());
        return 0;
    }
    const bool kept = matcher->matches(text, !text.empty());
    if (filter->match == RowFilter::Match::substring && text.find(filter->text) != std::string_view::npos)
        check(kept);
    if (filter->match == RowFilter::Match::exact) check(kept == (text == filter->text));
    // A cell that is the filter's own text, written in capitals, holds it ignoring case.
    if (filter->match == RowFilter::Match::substring) {
        std::string upper(filter->text);
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        check(matcher->matches(upper, !upper.empty()));
    }
    return 0;
}
