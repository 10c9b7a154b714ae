// Chosen column widths: the half-second animation, "Minimize all" and "Restore all", the fits
// to rows, and chosen widths kept through a refresh (a sort) where measured ones only grow.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/views/shown_in_browser.h"
#include "views/column_widths.h"
#include "views/row_sort.h"

namespace tessel {
namespace {

using G = BrowserGeometry;

struct Shown : test::ShownInBrowser {
    using ShownInBrowser::ShownInBrowser;
    TableLayout& table() { return layout().tables().at(0); }
    std::vector<int> targets(WidthCommand command, int32_t first_visible = 1, int32_t last_visible = 0) {
        return width_targets(command, layout(), 0, first_visible, last_visible, shaper);
    }
};

// The fixed-advance shaper's width of a cell holding `chars` characters.
int text_width(size_t chars) { return G::kCellLeftPad + G::kCellRightPad + static_cast<int>(chars) * 8; }

TEST(WidthAnimation, CarriesEachColumnStraightToItsTargetInHalfASecond) {
    EXPECT_EQ(animated_width(1, 6, 0.6), 4) << "3.9999999999999996 is shown as 4";
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<int> from(6), to(6);
        for (size_t c = 0; c < from.size(); ++c) {
            from[c] = static_cast<int>(random() % 400) + 5;
            to[c] = static_cast<int>(random() % 400) + 5;
        }
        WidthAnimation animation;
        animation.start(from, to, 0, 1000);
        std::vector<int> last = from;
        EXPECT_EQ(animation.step(1000), from);
        for (double now = 1000; animation.active(); now += static_cast<double>(random() % 40)) {
            const std::vector<int> widths = animation.step(now);
            for (size_t c = 0; c < widths.size(); ++c) {
                // Never past either end, and never back the way it came.
                EXPECT_GE(widths[c], std::min(from[c], to[c]));
                EXPECT_LE(widths[c], std::max(from[c], to[c]));
                EXPECT_TRUE(to[c] >= from[c] ? widths[c] >= last[c] : widths[c] <= last[c]);
            }
            if (now >= 1500) {
                EXPECT_FALSE(animation.active());
            }
            if (!animation.active()) {
                EXPECT_EQ(widths, to);
            }
            last = widths;
        }
    }
}

constexpr const char* kShop =
    "<shop><item sku=\"a\" name=\"Kettle\" note=\"\"/>"
    "<item sku=\"bbbbbbbbbbbbbbbbbbbb\" name=\"Pot\"/>"
    "<item sku=\"c\" name=\"A rather long name of a pan\"/></shop>";

TEST(ColumnWidths, MinimizeAllKeepsTheRowHeadersAndSurvivesASortUntilRestoreAll) {
    Shown shown(kShop);
    TableLayout& t = shown.table();
    ASSERT_EQ(t.fixed_columns, 1);
    const std::vector<int> natural = t.natural_widths;
    std::vector<int> minimized = shown.targets(WidthCommand::minimize_all);
    EXPECT_EQ(minimized[0], t.current_widths[0]);
    for (int32_t c = 1; c < t.columns(); ++c) EXPECT_EQ(minimized[c], G::kMinColumnWidth);
    const int wide = shown.layout().content_width();
    shown.layout().set_widths(0, minimized, true);
    EXPECT_LT(shown.layout().content_width(), wide) << "the pane scrolls no further than the table";

    // A sort lays the table out again: chosen widths stay as they are.
    ASSERT_TRUE(run_sort(*t.table, "1", nullptr, nullptr));
    shown.refresh();
    EXPECT_EQ(shown.table().current_widths, minimized);
    EXPECT_EQ(shown.table().column_starts[2], minimized[0] + minimized[1]);

    const std::vector<int> restored = shown.targets(WidthCommand::restore_all);
    EXPECT_EQ(restored, natural);
    shown.layout().set_widths(0, restored, true);
    shown.refresh();
    EXPECT_EQ(shown.table().current_widths, natural);
}

TEST(ColumnWidths, FitsFollowTheirRowsThroughASort) {
    Shown shown(kShop);
    TableLayout& t = shown.table();
    const int32_t sku = 1, name = 2;
    ASSERT_EQ(t.columns(), 4);
    // Row 1 alone: "a" and "Kettle"; an empty cell gets the least width.
    shown.layout().set_current({0, 1, sku});
    std::vector<int> fitted = shown.targets(WidthCommand::for_this_row);
    EXPECT_EQ(fitted[sku], text_width(1));
    EXPECT_EQ(fitted[name], text_width(6));
    EXPECT_EQ(fitted[3], text_width(0)) << "an empty value still has its pads";
    // Adding row 3 widens "name" to the pan's name; sku stays at "a" and "c".
    shown.layout().set_current({0, 3, sku});
    fitted = shown.targets(WidthCommand::for_this_row_add);
    EXPECT_EQ(fitted[sku], text_width(1));
    EXPECT_EQ(fitted[name], text_width(27));
    EXPECT_EQ(t.fit_rows, (std::vector<int32_t>{1, 3}));

    // Sorted by sku descending the rows stand c, b, a: the fit still means rows 1 and 3.
    shown.layout().set_widths(0, fitted, true);
    ASSERT_TRUE(run_sort(*t.table, "1:desc", nullptr, nullptr));
    shown.refresh();
    EXPECT_EQ(shown.table().fit_rows, (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(shown.table().current_widths, fitted);
    // The visible rows 1..2 are now c and b: b's long sku counts, Kettle's name does not.
    fitted = shown.targets(WidthCommand::for_visible_rows, 0, 2);
    EXPECT_EQ(fitted[sku], text_width(20));
    EXPECT_EQ(fitted[name], text_width(27));
    EXPECT_EQ(shown.table().fit_rows, (std::vector<int32_t>{3, 2}));
}

TEST(ColumnWidths, MeasuredWidthsOnlyGrowThroughARefresh) {
    Shown shown(kShop);
    std::vector<int> wider = shown.table().current_widths;
    for (int& w : wider) w += 40;
    shown.layout().set_widths(0, wider, false);
    shown.refresh();
    EXPECT_EQ(shown.table().current_widths, wider);
    EXPECT_FALSE(shown.table().widths_chosen);
}

}  // namespace
}  // namespace tessel
