// The main window's pane arithmetic: hand-worked rectangles, the edge cases of showing, hiding,
// storing and restoring, and properties over random layouts and window sizes.
#include "window/pane_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "tests/settings/settings_test_folder.h"

namespace tessel {

// Failed comparisons print the rectangle, not its bytes.
inline std::ostream& operator<<(std::ostream& out, const PixelRect& r) {
    return out << "[" << r.left << "," << r.top << " " << r.right << "," << r.bottom << ")";
}

namespace {

PaneLayout with_shares(std::vector<double> left, std::vector<double> right) {
    PaneLayout layout = main_window_panes();
    for (size_t i = 0; i < left.size(); ++i) layout.left[i].share = left[i];
    for (size_t i = 0; i < right.size(); ++i) layout.right[i].share = right[i];
    return layout;
}

// 640 x 448 client, toolbar and status bar of 24 pixels each, 17-pixel title bars: the content
// is y 24..424 (H = 400). Columns: (638 * 0.4 + 1) = 256.2 puts the right column at 256.
TEST(PaneLayout, HandWorkedRectanglesWithBothBars) {
    PaneLayout layout = with_shares({0.5, 0.3, 0.2}, {});
    normalise_layout(layout);
    WindowMetrics m{640, 448, 17, 24, true, true};
    WindowGeometry g = compute_geometry(layout, m);

    EXPECT_EQ(g.toolbar, (PixelRect{0, 0, 640, 24}));
    EXPECT_EQ(g.status_bar, (PixelRect{0, 424, 640, 448}));
    EXPECT_EQ(g.content, (PixelRect{0, 24, 640, 424}));
    EXPECT_EQ(g.left.rect, (PixelRect{1, 24, 250, 424}));
    EXPECT_EQ(g.column_bar, (PixelRect{250, 24, 256, 424}));
    EXPECT_EQ(g.right.rect, (PixelRect{256, 24, 639, 424}));

    // "tab": top 24 + (398*0 + 1), bottom 24 + int(399*0.5 + 1); no title bar, no button.
    const PaneGeometry& tab = g.left.panes[0];
    EXPECT_EQ(tab.pane, (PixelRect{1, 25, 250, 224}));
    EXPECT_TRUE(tab.title.empty());
    EXPECT_EQ(tab.window, tab.pane);
    EXPECT_TRUE(tab.close.empty());
    // "Stat": top 24 + int(398*0.5 + 1) + 6, bottom 24 + int(399*0.8 + 1) = 24 + 320.
    const PaneGeometry& stat = g.left.panes[1];
    EXPECT_EQ(stat.pane, (PixelRect{1, 230, 250, 344}));
    EXPECT_EQ(stat.title, (PixelRect{1, 230, 250, 247}));
    EXPECT_EQ(stat.window, (PixelRect{1, 247, 250, 344}));
    // 12 x 12, 16 to 4 pixels from the column's right edge, (17 - 12) / 2 below the top.
    EXPECT_EQ(stat.close, (PixelRect{234, 232, 246, 244}));
    // "Table Selection Browser": top 24 + int(398*0.8 + 1) + 6, bottom the column's foot.
    const PaneGeometry& table = g.left.panes[2];
    EXPECT_EQ(table.pane, (PixelRect{1, 349, 250, 424}));
    EXPECT_EQ(table.title, (PixelRect{1, 349, 250, 366}));
    EXPECT_EQ(table.close, (PixelRect{234, 351, 246, 363}));
    ASSERT_EQ(g.left.bars.size(), 2u);
    EXPECT_EQ(g.left.bars[0].rect, (PixelRect{1, 224, 250, 230}));
    EXPECT_EQ(g.left.bars[1].rect, (PixelRect{1, 344, 250, 349}));
    EXPECT_EQ(g.left.bars[1].upper, 1u);
    EXPECT_EQ(g.left.bars[1].lower, 2u);

    // Built-in right shares 0.5 and 0.4 normalise to 5/9 and 4/9: the editor has no title.
    const PaneGeometry& editor = g.right.panes[0];
    EXPECT_EQ(editor.pane, (PixelRect{256, 25, 639, 246}));
    EXPECT_EQ(editor.window, editor.pane);
    const PaneGeometry& browser = g.right.panes[1];
    EXPECT_EQ(browser.pane, (PixelRect{256, 252, 639, 424}));
    EXPECT_EQ(browser.title, (PixelRect{256, 252, 639, 269}));
    EXPECT_TRUE(browser.close.empty());
}

// 1000 x 700 without toolbar or status bar, mid_pos 0.25: int(998*0.25 + 1) = 250.
TEST(PaneLayout, HandWorkedRectanglesWithoutBarsAndAHiddenPane) {
    PaneLayout layout = main_window_panes();
    layout.mid_pos = 0.25;
    set_pane_visible(layout, PaneColumn::left, 1, false);  // "Stat": tab and table half each
    WindowMetrics m{1000, 700, 20, 30, false, false};
    WindowGeometry g = compute_geometry(layout, m);
    EXPECT_TRUE(g.toolbar.empty());
    EXPECT_TRUE(g.status_bar.empty());
    EXPECT_EQ(g.content, (PixelRect{0, 0, 1000, 700}));
    EXPECT_EQ(g.left.rect, (PixelRect{1, 0, 244, 700}));
    EXPECT_EQ(g.column_bar, (PixelRect{244, 0, 250, 700}));
    EXPECT_EQ(g.right.rect, (PixelRect{250, 0, 999, 700}));
    EXPECT_FALSE(g.left.panes[1].visible);
    // tab: 1 .. int(699*0.5 + 1) = 350; table: int(698*0.5 + 1) + 6 = 356 .. 700.
    EXPECT_EQ(g.left.panes[0].pane, (PixelRect{1, 1, 244, 350}));
    EXPECT_EQ(g.left.panes[2].pane, (PixelRect{1, 356, 244, 700}));
    EXPECT_EQ(g.left.panes[2].close, (PixelRect{228, 360, 240, 372}));
    ASSERT_EQ(g.left.bars.size(), 1u);
    EXPECT_EQ(g.left.bars[0].upper, 0u);
    EXPECT_EQ(g.left.bars[0].lower, 2u);
}

TEST(PaneLayout, ARightColumnShowingNothingGivesTheLeftTheWholeWidth) {
    PaneLayout layout = main_window_panes();
    set_pane_visible(layout, PaneColumn::right, 0, false);
    set_pane_visible(layout, PaneColumn::right, 1, false);
    WindowGeometry g = compute_geometry(layout, {800, 600, 17, 24, true, true});
    EXPECT_EQ(g.mid_pos, 1);
    EXPECT_EQ(g.left.rect, (PixelRect{1, 24, 799, 576}));
    EXPECT_TRUE(g.column_bar.empty());
    EXPECT_EQ(g.left.panes[2].pane.right, 799);
    EXPECT_EQ(g.left.panes[2].close,
              (PixelRect{783, g.left.panes[2].pane.top + 2, 795, g.left.panes[2].pane.top + 14}));
    // The split position itself is kept for when the column comes back.
    EXPECT_EQ(layout.mid_pos, 0.4);
    set_pane_visible(layout, PaneColumn::right, 1, true);
    g = compute_geometry(layout, {800, 600, 17, 24, true, true});
    EXPECT_EQ(g.right.rect.left, static_cast<int32_t>(798 * 0.4 + 1));
    EXPECT_EQ(g.right.panes[1].pane, (PixelRect{g.right.rect.left, 25, 799, 576}));
}

TEST(PaneLayout, APaneShownAgainTakesBackItsPartAndAtLeastTheMinimum) {
    PaneLayout layout = with_shares({0.4, 0.01, 0.4}, {});
    normalise_layout(layout);
    set_pane_visible(layout, PaneColumn::left, 1, false);
    set_pane_visible(layout, PaneColumn::left, 1, true);
    EXPECT_DOUBLE_EQ(layout.left[1].share, 0.1);
    EXPECT_DOUBLE_EQ(layout.left[0].share, 0.45);
    EXPECT_DOUBLE_EQ(layout.left[2].share, 0.45);

    // Alone in its column it has all of it; shown beside the others it leaves them the minimum.
    PaneLayout alone = with_shares({0.4, 0.2, 0.4}, {});
    set_pane_visible(alone, PaneColumn::left, 0, false);
    set_pane_visible(alone, PaneColumn::left, 2, false);
    EXPECT_EQ(alone.left[1].share, 1);
    set_pane_visible(alone, PaneColumn::left, 1, false);
    set_pane_visible(alone, PaneColumn::left, 0, true);
    EXPECT_EQ(alone.left[0].share, 1);
    set_pane_visible(alone, PaneColumn::left, 1, true);
    EXPECT_DOUBLE_EQ(alone.left[1].share, 0.9);
    EXPECT_DOUBLE_EQ(alone.left[0].share, 0.1);
    // Showing a visible pane changes nothing; an index past the column is ignored.
    PaneLayout before = alone;
    set_pane_visible(alone, PaneColumn::left, 1, true);
    set_pane_visible(alone, PaneColumn::left, 7, false);
    EXPECT_DOUBLE_EQ(alone.left[0].share, before.left[0].share);
    EXPECT_DOUBLE_EQ(alone.left[1].share, before.left[1].share);
}

TEST(PaneLayout, TinyWindowsGiveEmptyRectanglesNeverInvertedOnes) {
    PaneLayout layout = main_window_panes();
    for (int32_t w : {0, 1, 2, 7, 30}) {
        for (int32_t h : {0, 1, 2, 20, 60}) {
            WindowGeometry g = compute_geometry(layout, {w, h, 17, 24, true, true});
            for (const ColumnGeometry* c : {&g.left, &g.right}) {
                EXPECT_GE(c->rect.width(), 0) << w << "x" << h;
                for (const PaneGeometry& p : c->panes) {
                    EXPECT_GE(p.pane.height(), 0) << w << "x" << h;
                    EXPECT_GE(p.window.height(), 0) << w << "x" << h;
                    EXPECT_GE(p.window.top, p.pane.top);
                    EXPECT_LE(p.window.bottom, p.pane.bottom);
                }
            }
        }
    }
}

// Random layouts of up to four panes a column, some hidden, at random window sizes.
class PaneLayoutProperties : public ::testing::Test {
protected:
    PaneLayout random_layout() {
        PaneLayout layout;
        std::uniform_real_distribution<double> share(0.05, 1.0);
        std::uniform_int_distribution<int> count(1, 4);
        const char* names[] = {"", "tab", "Stat", "Table Selection Browser"};
        for (PaneColumn c : {PaneColumn::left, PaneColumn::right}) {
            int n = count(rng);
            for (int i = 0; i < n; ++i) {
                add_pane(layout, c, names[rng() % 4], share(rng), rng() % 2 == 0);
            }
            // Shares of at least the minimum, and a pane hidden now and then.
            for (Pane& p : layout.column(c)) p.share = std::max(p.share, 0.4);
            if (n > 1 && rng() % 3 == 0) layout.column(c)[rng() % n].visible = false;
        }
        layout.mid_pos = std::uniform_real_distribution<double>(0.1, 0.9)(rng);
        normalise_layout(layout);
        return layout;
    }
    WindowMetrics random_metrics() {
        return {std::uniform_int_distribution<int32_t>(300, 3000)(rng),
                std::uniform_int_distribution<int32_t>(500, 2000)(rng),
                std::uniform_int_distribution<int32_t>(12, 30)(rng),
                std::uniform_int_distribution<int32_t>(20, 40)(rng),
                rng() % 2 == 0,
                rng() % 2 == 0};
    }

    std::mt19937 rng{20261208};
};

TEST_F(PaneLayoutProperties, PanesTileTheirColumnWithSplitBarsBetween) {
    for (int round = 0; round < 2000; ++round) {
        PaneLayout layout = random_layout();
        WindowMetrics m = random_metrics();
        WindowGeometry g = compute_geometry(layout, m);
        SCOPED_TRACE(round);
        EXPECT_EQ(g.left.rect.left, 1);
        EXPECT_EQ(g.left.rect.right + kSplitBarSize, g.right.rect.left);
        EXPECT_EQ(g.column_bar.left, g.left.rect.right);
        EXPECT_EQ(g.column_bar.right, g.right.rect.left);
        EXPECT_EQ(g.right.rect.right, m.client_width - 1);
        EXPECT_EQ(g.toolbar.bottom, g.content.top);
        EXPECT_EQ(g.content.bottom, m.status_bar ? g.status_bar.top : m.client_height);
        for (const auto& [column, panes] :
             {std::pair{&g.left, &layout.left}, std::pair{&g.right, &layout.right}}) {
            int32_t y = g.content.top + 1;  // the next row to cover
            size_t bars = 0;
            bool first = true;
            for (size_t i = 0; i < panes->size(); ++i) {
                const PaneGeometry& p = column->panes[i];
                ASSERT_EQ(p.visible, (*panes)[i].visible);
                if (!p.visible) continue;
                if (!first) {
                    // A split bar of 5 or 6 rows between neighbours, nothing overlapping.
                    ASSERT_LT(bars, column->bars.size());
                    const PixelRect& bar = column->bars[bars++].rect;
                    EXPECT_EQ(bar.top, y);
                    EXPECT_EQ(bar.bottom, p.pane.top);
                    EXPECT_GE(bar.height(), kSplitBarSize - 1);
                    EXPECT_LE(bar.height(), kSplitBarSize);
                    y = bar.bottom;
                }
                EXPECT_EQ(p.pane.top, y);
                EXPECT_GT(p.pane.height(), m.title_height);
                EXPECT_EQ(p.pane.left, column->rect.left);
                EXPECT_EQ(p.pane.right, column->rect.right);
                const Pane& spec = (*panes)[i];
                const bool titled = !spec.name.empty() && spec.name != "tab";
                EXPECT_EQ(p.title.empty(), !titled);
                EXPECT_EQ(p.window.top, titled ? p.pane.top + m.title_height : p.pane.top);
                EXPECT_EQ(p.window.bottom, p.pane.bottom);
                if (spec.closable) {
                    EXPECT_EQ(p.close.width(), kCloseButtonSize);
                    EXPECT_EQ(p.close.height(), kCloseButtonSize);
                    EXPECT_EQ(p.close.right, column->rect.right - kCloseButtonInset);
                    EXPECT_GE(p.close.top, p.pane.top);
                    EXPECT_LE(p.close.bottom, p.pane.top + m.title_height);
                } else {
                    EXPECT_TRUE(p.close.empty());
                }
                y = p.pane.bottom;
                first = false;
            }
            EXPECT_EQ(bars, column->bars.size());
            EXPECT_EQ(y, g.content.bottom);
        }
    }
}

TEST_F(PaneLayoutProperties, HidingAndShowingAPaneGivesBackTheLayoutItHad) {
    for (int round = 0; round < 1000; ++round) {
        PaneLayout layout = random_layout();
        for (Pane& p : layout.left) p.visible = true;
        normalise_layout(layout);
        if (layout.left.size() < 2) continue;
        const PaneLayout before = layout;
        const size_t k = rng() % layout.left.size();
        set_pane_visible(layout, PaneColumn::left, k, false);
        // While it is hidden, the others keep their proportions.
        double rest = 1 - before.left[k].share;
        for (size_t i = 0; i < layout.left.size(); ++i) {
            if (i != k) {
                EXPECT_NEAR(layout.left[i].share, before.left[i].share / rest, 1e-12);
            }
        }
        set_pane_visible(layout, PaneColumn::left, k, true);
        const bool clamped = before.left[k].share > 1 - kMinPaneShare;
        for (size_t i = 0; i < layout.left.size() && !clamped; ++i) {
            EXPECT_NEAR(layout.left[i].share, before.left[i].share, 1e-12) << round;
        }
        // The right column is not touched.
        for (size_t i = 0; i < layout.right.size(); ++i) {
            EXPECT_EQ(layout.right[i].share, before.right[i].share);
        }
    }
}

TEST_F(PaneLayoutProperties, DraggingAPaneBarMovesOnlyItsTwoNeighbours) {
    for (int round = 0; round < 2000; ++round) {
        PaneLayout layout = random_layout();
        WindowMetrics m = random_metrics();
        WindowGeometry g = compute_geometry(layout, m);
        if (g.left.bars.empty()) continue;
        const PaneSplitBar bar = g.left.bars[rng() % g.left.bars.size()];
        const int32_t height = g.content.height();
        const int32_t dy = std::uniform_int_distribution<int32_t>(-height, height)(rng);
        const PaneLayout before = layout;
        drag_pane_bar(layout.left, bar.upper, bar.lower, before.left[bar.upper].share,
                      before.left[bar.lower].share, dy, height);
        WindowGeometry after = compute_geometry(layout, m);
        SCOPED_TRACE(round);

        const double up = layout.left[bar.upper].share;
        const double down = layout.left[bar.lower].share;
        EXPECT_NEAR(up + down, before.left[bar.upper].share + before.left[bar.lower].share, 1e-15);
        EXPECT_GE(up, std::min(kMinPaneShare, before.left[bar.upper].share));
        EXPECT_GE(down, std::min(kMinPaneShare, before.left[bar.lower].share));
        for (size_t i = 0; i < layout.left.size(); ++i) {
            if (i == bar.upper || i == bar.lower) continue;
            EXPECT_EQ(layout.left[i].share, before.left[i].share);
            EXPECT_EQ(after.left.panes[i].pane, g.left.panes[i].pane) << i;
        }
        EXPECT_EQ(after.left.panes[bar.upper].pane.top, g.left.panes[bar.upper].pane.top);
        // Unless the minimum stopped it, the bar follows the pointer to within a pixel.
        const double wanted = before.left[bar.upper].share + static_cast<double>(dy) / (height - 2);
        const PixelRect& moved = after.left.panes[bar.lower].pane;
        if (std::abs(up - wanted) < 1e-12) {
            EXPECT_NEAR(moved.top - g.left.panes[bar.lower].pane.top, dy, 1);
        }
        // The right column and the columns themselves stay.
        EXPECT_EQ(after.right.rect, g.right.rect);
        for (size_t i = 0; i < layout.right.size(); ++i) {
            EXPECT_EQ(after.right.panes[i].pane, g.right.panes[i].pane);
        }
    }
}

// Panes kept from older settings may sit below the minimum share. A drag never takes such a
// pane further down nor pushes its neighbour under the minimum, a drag of no pixels moves
// nothing, and a pane grows only when the bar moves its way.
TEST(PaneLayout, DraggingAPaneBarFromBelowTheMinimumShare) {
    const double starts[][2] = {{0.05, 0.6}, {0.6, 0.05}, {0.02, 0.03}, {0.1, 0.1}, {0.3, 0.25}};
    for (const auto& start : starts) {
        for (int32_t dy : {0, -1, 1, -37, 37, -10000, 10000}) {
            SCOPED_TRACE(std::to_string(start[0]) + " " + std::to_string(start[1]) + " by " + std::to_string(dy));
            std::vector<Pane> column{{"a", start[0]}, {"b", start[1]}, {"c", 0.35}};
            drag_pane_bar(column, 0, 1, start[0], start[1], dy, 502);
            const double up = column[0].share, down = column[1].share;
            EXPECT_NEAR(up + down, start[0] + start[1], 1e-15);
            EXPECT_GE(up, std::min(kMinPaneShare, start[0]) - 1e-15);
            EXPECT_GE(down, std::min(kMinPaneShare, start[1]) - 1e-15);
            if (dy == 0) {
                EXPECT_NEAR(up, start[0], 1e-15);
                EXPECT_NEAR(down, start[1], 1e-15);
            }
            if (dy > 0) {
                EXPECT_GE(up, start[0] - 1e-15);
            } else if (dy < 0) {
                EXPECT_LE(up, start[0] + 1e-15);
            }
            EXPECT_EQ(column[2].share, 0.35);
        }
    }
}

TEST(PaneLayout, DraggingTheColumnBarStopsAtTheMinimum) {
    // 802 wide: every 8 pixels is one percent of the 800 pixels that are shared.
    EXPECT_DOUBLE_EQ(drag_column_bar(0.4, 80, 802), 0.5);
    EXPECT_DOUBLE_EQ(drag_column_bar(0.4, -80, 802), 0.3);
    EXPECT_DOUBLE_EQ(drag_column_bar(0.4, -1000, 802), 0.1);
    EXPECT_DOUBLE_EQ(drag_column_bar(0.4, 1000, 802), 0.9);
    // A position already past the minimum may stay there, never go further.
    EXPECT_DOUBLE_EQ(drag_column_bar(0.05, -40, 802), 0.05);
    EXPECT_DOUBLE_EQ(drag_column_bar(0.05, 40, 802), 0.1);
    EXPECT_DOUBLE_EQ(drag_column_bar(0.4, 50, 2), 0.4);

    PaneLayout layout = main_window_panes();
    WindowMetrics m{802, 600, 17, 24, true, true};
    WindowGeometry g = compute_geometry(layout, m);
    layout.mid_pos = drag_column_bar(layout.mid_pos, 37, m.client_width);
    WindowGeometry after = compute_geometry(layout, m);
    EXPECT_NEAR(after.right.rect.left - g.right.rect.left, 37, 1);
    EXPECT_EQ(after.left.rect.right + kSplitBarSize, after.right.rect.left);
}

class PaneLayoutStore : public ::testing::Test {
protected:
    PaneLayoutStore() : store(folder.database()), app(store, SettingsStore::kApplicationKey, ',') {}
    void store_int(std::string_view path, std::string_view name, int32_t value) {
        SettingsKey key(store, path, '/');
        store.write_int(value, name);
    }

    SettingsTestFolder folder;
    SettingsStore store;
    SettingsKey app;
};

TEST_F(PaneLayoutStore, LayoutSurvivesARestartAndBadValuesGiveTheDefaults) {
    PaneLayout layout = main_window_panes();
    layout.mid_pos = 0.63;
    drag_pane_bar(layout.left, 0, 1, layout.left[0].share, layout.left[1].share, 50, 500);
    set_pane_visible(layout, PaneColumn::left, 2, false);
    save_pane_layout(store, layout);

    PaneLayout restored = main_window_panes();
    restored.left[2].visible = false;
    load_pane_layout(store, restored);
    EXPECT_DOUBLE_EQ(restored.mid_pos, 0.63);
    // Percents truncated on the way out, normalised again on the way in.
    const double tab = std::trunc(layout.left[0].share * 100);
    const double stat = std::trunc(layout.left[1].share * 100);
    EXPECT_DOUBLE_EQ(restored.left[0].share, tab / (tab + stat));
    EXPECT_DOUBLE_EQ(restored.left[1].share, stat / (tab + stat));
    EXPECT_DOUBLE_EQ(restored.right[0].share, 55.0 / 99);  // 5/9 stored as 55

    for (int32_t bad : {0, 1, 100, 150, -3}) {
        store_int("Frame/Split", "mid_pos", bad);
        PaneLayout fresh = main_window_panes();
        load_pane_layout(store, fresh);
        EXPECT_EQ(fresh.mid_pos, 0.4) << bad;
    }
    store_int("Frame/Split/right", "right0", 150);
    store_int("Frame/Split/right", "right1", 1);
    PaneLayout fresh = main_window_panes();
    load_pane_layout(store, fresh);
    EXPECT_DOUBLE_EQ(fresh.right[0].share, 0.5 / 0.9);
    EXPECT_DOUBLE_EQ(fresh.right[1].share, 0.4 / 0.9);
}

TEST_F(PaneLayoutStore, WindowPlacementRoundTripsAndSmallRectanglesAreDiscarded) {
    const PixelRect screen{0, 0, 1920, 1080};
    StoredPlacement none = read_window_placement(store);
    EXPECT_EQ(none.left, -1);
    EXPECT_EQ(none.maximized, -1);
    EXPECT_FALSE(restore_window_placement(none, screen).normal);

    write_window_placement(store, {100, 50, 1100, 850}, true);
    WindowPlacement p = restore_window_placement(read_window_placement(store), screen);
    ASSERT_TRUE(p.normal);
    EXPECT_EQ(*p.normal, (PixelRect{100, 50, 1100, 850}));
    EXPECT_TRUE(p.maximized);

    // 99 wide or 99 high: the system's default place; exactly 100 is kept.
    write_window_placement(store, {10, 10, 109, 500}, false);
    EXPECT_FALSE(restore_window_placement(read_window_placement(store), screen).normal);
    write_window_placement(store, {10, 10, 500, 109}, false);
    EXPECT_FALSE(restore_window_placement(read_window_placement(store), screen).normal);
    write_window_placement(store, {10, 10, 110, 110}, false);
    p = restore_window_placement(read_window_placement(store), screen);
    ASSERT_TRUE(p.normal);
    EXPECT_EQ(*p.normal, (PixelRect{10, 10, 110, 110}));
    EXPECT_FALSE(p.maximized);

    // Either value unset gives the default place, whatever the rest says.
    store_int("Frame", "maximized", 1);
    store_int("Frame", "left", -1);
    EXPECT_FALSE(restore_window_placement(read_window_placement(store), screen).normal);
    StoredPlacement no_state{10, 10, 500, 500, -1};
    EXPECT_FALSE(restore_window_placement(no_state, screen).normal);
}

TEST(WindowPlacement, AWindowOffTheScreenIsBroughtBack) {
    const PixelRect screen{0, 0, 1920, 1080};
    auto place = [&](PixelRect r) {
        return *restore_window_placement({r.left, r.top, r.right, r.bottom, 0}, screen).normal;
    };
    // 100 pixels on the screen across and down is enough.
    EXPECT_EQ(place({1820, 980, 2620, 1580}), (PixelRect{1820, 980, 2620, 1580}));
    EXPECT_EQ(place({-700, -500, 100, 100}), (PixelRect{-700, -500, 100, 100}));
    // 99 is not: moved to the nearest edge, size kept.
    EXPECT_EQ(place({1821, 100, 2621, 700}), (PixelRect{1120, 100, 1920, 700}));
    EXPECT_EQ(place({-701, 100, 99, 700}), (PixelRect{0, 100, 800, 700}));
    EXPECT_EQ(place({100, 3000, 900, 3600}), (PixelRect{100, 480, 900, 1080}));
    // Left on a second screen that is gone, larger than this one: no larger than this one, and
    // down as far as the rule allows.
    EXPECT_EQ(place({2500, 200, 5500, 1400}), (PixelRect{0, 200, 1920, 1280}));
    // A screen on the left of the main one has negative coordinates.
    const PixelRect second{-1280, 0, 0, 1024};
    EXPECT_EQ(*restore_window_placement({-1200, 50, -400, 650, 0}, second).normal,
              (PixelRect{-1200, 50, -400, 650}));
    // No screen known: the rectangle as it was saved.
    EXPECT_EQ(*restore_window_placement({5000, 5000, 5800, 5600, 0}, {}).normal,
              (PixelRect{5000, 5000, 5800, 5600}));
}

}  // namespace
}  // namespace tessel
