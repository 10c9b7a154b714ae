// The row filter on a real document, checked against a plain loop over the table's cells with
// an independent matcher (std::string lower-casing, the C library's POSIX expressions); the folding of case checked
// against the C library's own mapping.
#include "views/row_filter.h"

#include <gtest/gtest.h>
#include <regex.h>

#include <clocale>
#include <cwctype>
#include <string>
#include <vector>

#include "tests/file_contents.h"
#include "tests/views/shown_in_browser.h"
#include "views/column_stats.h"
#include "views/grid_text.h"

namespace tessel {
namespace {

const char* const kMime = "/usr/share/mime/packages/freedesktop.org.xml";

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

// Whether the reference keeps a cell's text.
bool reference_match(const RowFilter& filter, std::string_view text) {
    switch (filter.match) {
        case RowFilter::Match::substring: return lowered(text).find(lowered(filter.text)) != std::string::npos;
        case RowFilter::Match::regex: {
            regex_t compiled;
            EXPECT_EQ(regcomp(&compiled, filter.text.c_str(), REG_EXTENDED | REG_ICASE | REG_NOSUB), 0);
            const bool found = regexec(&compiled, std::string(text).c_str(), 0, nullptr, 0) == 0;
            regfree(&compiled);
            return found;
        }
        case RowFilter::Match::exact: return text == filter.text;
    }
    return false;
}

TEST(RowFilter, KeepsTheRowsAPlainLoopKeepsAndSortsAndCopiesOnlyThose) {
    TESSEL_REQUIRE_INPUT(kMime);
    // The document's children: the document type, then mime-info.
    test::ShownInBrowser shown(test::file_contents(kMime), 1);
    // The table of the 851 mime types.
    GridTable* largest = nullptr;
    for (const TableLayout& t : shown.layout().tables())
        if (!largest || t.table->row_count() > largest->row_count()) largest = t.table;
    ASSERT_TRUE(largest);
    GridTable& table = *largest;
    ASSERT_EQ(table.row_count(), 851);
    SmallArena scratch;
    // Column 1 holds the mime type, one value of which is looked for exactly.
    const std::string one_type(table.cell_text(420, 1, scratch));
    const std::vector<RowFilter> filters = {
        {"TEXT", RowFilter::Match::substring, -1},
        {"application/X-", RowFilter::Match::substring, 1},
        {"^x-.*[0-9]$", RowFilter::Match::regex, -1},
        {"(document|sheet)$", RowFilter::Match::regex, 1},
        {one_type, RowFilter::Match::exact, 1},
        {"no cell holds this", RowFilter::Match::substring, -1},
    };
    for (const RowFilter& filter : filters) {
        SCOPED_TRACE(filter.text);
        FilterResult result;
        std::string error;
        ASSERT_TRUE(run_filter(table, table.column_count(), filter, nullptr, &result, &error)) << error;
        std::vector<int32_t> want;
        for (int32_t row = 1; row <= table.row_count(); ++row) {
            bool keep = false;
            for (int32_t c = 0; c < table.column_count() && !keep; ++c)
                if (filter.column < 0 || filter.column == c) keep = reference_match(filter, table.cell_text(row, c, scratch));
            if (keep) want.push_back(row);
            EXPECT_EQ(result.keep[static_cast<size_t>(row - 1)] != 0, keep) << "row " << row;
        }
        EXPECT_EQ(result.kept, static_cast<int32_t>(want.size()));

        // Shown, then sorted: the rows shown are the sort's order with the others left out.
        table.set_filter(filter, result.keep);
        std::string message;
        ASSERT_TRUE(run_sort(table, "1:desc", nullptr, &message));
        std::vector<int32_t> shown_rows, sorted_kept;
        for (int32_t d = 1; d <= table.shown_count(); ++d) {
            shown_rows.push_back(table.shown_row(d));
            EXPECT_EQ(table.display_of_row(table.shown_row(d)), d);
        }
        for (int32_t row : table.row_order())
            if (std::binary_search(want.begin(), want.end(), row)) sorted_kept.push_back(row);
        EXPECT_EQ(shown_rows, sorted_kept);
        EXPECT_EQ(table.filter(), filter);

        // Copy grid and the statistics see the shown rows only.
        std::string copied;
        write_grid_text(table, scratch, [&](std::string_view piece) { copied += piece; }, nullptr, nullptr);
        size_t lines = 0;
        for (size_t at = copied.find("\r\n"); at != std::string::npos; at = copied.find("\r\n", at + 2)) ++lines;
        EXPECT_EQ(lines, want.size() + 1);
        EXPECT_EQ(column_stats(table, 1, nullptr).rows, static_cast<int64_t>(want.size()));
        table.clear_filter();
        EXPECT_EQ(table.shown_count(), 851);
    }
}

TEST(RowFilter, APathologicalExpressionGivesUpInsteadOfHanging) {
    RowFilter filter{"^(a+)+$", RowFilter::Match::regex, -1};
    std::string error;
    auto matcher = TextMatcher::make(filter, &error);
    ASSERT_TRUE(matcher);
    EXPECT_FALSE(matcher->matches(std::string(40, 'a') + "!", true));
    EXPECT_EQ(matcher->given_up, 1);
    EXPECT_TRUE(matcher->matches("AAAA", true));
    EXPECT_FALSE(TextMatcher::make({"(unclosed", RowFilter::Match::regex, -1}, &error));
    EXPECT_NE(error.find("Invalid regular expression"), std::string::npos) << error;
}

TEST(RowFilter, FoldsCaseAsTheCLibraryDoesForTheScriptsItCovers) {
    ASSERT_TRUE(std::setlocale(LC_CTYPE, "C.UTF-8"));
    // Characters whose lower case is not a one-to-one partner in the same script, or changes
    // the length: left alone on purpose.
    const std::vector<char32_t> left_alone = {0x130};
    int compared = 0;
    for (char32_t c = 1; c < 0x500; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const bool covered = c < 0x180 || (c >= 0x370 && c < 0x3B0) || (c >= 0x400 && c < 0x460);
        if (!covered || std::find(left_alone.begin(), left_alone.end(), c) != left_alone.end()) continue;
        std::string in, out, want;
        const auto utf8 = [](char32_t x, std::string& s) {
            if (x < 0x80) {
                s += static_cast<char>(x);
            } else {
                s += static_cast<char>(0xC0 | (x >> 6));
                s += static_cast<char>(0x80 | (x & 0x3F));
            }
        };
        utf8(c, in);
        utf8(static_cast<char32_t>(std::towlower(static_cast<wint_t>(c))), want);
        fold_case(in, out);
        EXPECT_EQ(out, want) << std::hex << static_cast<uint32_t>(c);
        ++compared;
    }
    EXPECT_GT(compared, 500);
    std::setlocale(LC_CTYPE, "C");
    // Malformed bytes pass through as they are.
    std::string out;
    fold_case("A\xC3\x28\xFF" "B", out);
    EXPECT_EQ(out, "a\xC3\x28\xFF" "b");
}

}  // namespace
}  // namespace tessel
