// Filtering the rows of a grid table: what a filter asks for, the matcher that tests one
// cell's text, and the job body run_filter that finds the rows a filter keeps.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/job.h"
#include "views/row_sort.h"

namespace tessel {

struct RowFilter {
    enum class Match : uint8_t {
        substring,  // the text occurs in the cell, ignoring case
        regex,      // a regular expression finds a match in the cell, ignoring case
        exact,      // the cell's whole text is exactly this (an empty cell for "")
    };
    std::string text;
    Match match = Match::substring;
    int32_t column = -1;  // -1: a row is kept when any of its columns matches
    bool operator==(const RowFilter&) const = default;
    // A filter that keeps every row: an empty text that is not asked to match exactly.
    bool keeps_all() const { return text.empty() && match != Match::exact; }
};

// Tests cell texts against one filter. Made once per filter; not for use by two threads.
class TextMatcher {
public:
    virtual ~TextMatcher() = default;
    // Null, with the reason in *error, for a regular expression that does not compile.
    static std::unique_ptr<TextMatcher> make(const RowFilter& filter, std::string* error);
    // present is false for an empty cell, whose text is "".
    virtual bool matches(std::string_view text, bool present) = 0;
    // Texts a regular expression gave up on (too much backtracking): counted as no match.
    int64_t given_up = 0;
};

// Lower-cases UTF-8 text into out for matching without regard to case: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic capitals. Other characters and malformed bytes are
// copied as they are.
void fold_case(std::string_view text, std::string& out);

// What run_filter found: keep[row - 1] for rows 1..n, and how many are kept.
struct FilterResult {
    std::vector<uint8_t> keep;
    int32_t kept = 0;
    int64_t given_up = 0;
};

// The body of a filter job: the rows of table (columns 0..column_count - 1) that filter
// keeps, reading cells as a sort does, with progress and a yield point every 256 rows
// (JobCancelled passes through). False, with the reason in *error, when the filter cannot be
// used: a regular expression that does not compile or a column out of range.
bool run_filter(SortableTable& table, int32_t column_count, const RowFilter& filter, Job* job,
                FilterResult* result, std::string* error);

// A filter written as tessel-cli reads it: "[COLUMN]~TEXT" for a substring, "[COLUMN]~~REGEX"
// for a regular expression, "[COLUMN]=TEXT" for an exact value. COLUMN is a column number, or
// is left in *column_name when it is not one; without it the filter looks at every column.
// Nothing when the text has no operator.
std::optional<RowFilter> parse_filter(std::string_view text, std::string* column_name);

}  // namespace tessel
