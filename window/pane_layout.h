// The main window's pane arithmetic: where the toolbar, the status bar, the two columns, their
// panes, title bars, close buttons and split bars go for a client size; showing and hiding
// panes; dragging the split bars; the window placement kept under "Frame". The widgets only
// turn these rectangles into widget geometry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class SettingsStore;

// Pixels, right and bottom exclusive: a rectangle covers left <= x < right, top <= y < bottom.
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool operator==(const PixelRect&) const = default;
};

enum class PaneColumn { left, right };

struct Pane {
    std::string name;  // title and settings name; may be empty
    double share = 0;  // fraction of the column's height once normalised
    bool visible = true;
    bool closable = false;
};

// Between two stacked panes and between the two columns.
inline constexpr int32_t kSplitBarSize = 6;
inline constexpr int32_t kCloseButtonSize = 12;
// The close button's right edge stands this far inside the column's right edge.
inline constexpr int32_t kCloseButtonInset = 4;
// A pane shown again gets at least this share, before normalising; dragging a split bar pushes
// no pane and no column below it (or below what it had, when that is already less).
inline constexpr double kMinPaneShare = 0.1;
inline constexpr double kDefaultMidPos = 0.4;

struct PaneLayout {
    std::vector<Pane> left;
    std::vector<Pane> right;
    double mid_pos = kDefaultMidPos;  // fraction of the width given to the left column

    std::vector<Pane>& column(PaneColumn c) { return c == PaneColumn::left ? left : right; }
    const std::vector<Pane>& column(PaneColumn c) const {
        return c == PaneColumn::left ? left : right;
    }
};

// The main window's panes, by what they hold.
enum class PaneId : uint8_t { editor, tree_browser, tabs, stat, table_browser };

// One pane of the main window: its column, its title (also its settings name; the editor has
// none), its built-in share, whether a close button hides it, and the command of the View
// menu's toggle that shows and hides it, if any.
struct PaneSpec {
    PaneId id;
    PaneColumn column;
    std::string_view name;
    double share;
    bool closable;
    std::string_view toggle;
};

// The main window's panes, top to bottom in each column: the one table the window builds
// its panes from and the layout arithmetic starts from.
inline constexpr PaneSpec kMainWindowPanes[] = {
    {PaneId::editor, PaneColumn::right, "", 0.5, false, ""},
    {PaneId::tree_browser, PaneColumn::right, "Tree Selection Browser", 0.4, false, ""},
    {PaneId::tabs, PaneColumn::left, "tab", 0.4, false, ""},
    {PaneId::stat, PaneColumn::left, "Stat", 0.2, true, "stat"},
    {PaneId::table_browser, PaneColumn::left, "Table Selection Browser", 0.4, true,
     "table_selection_browser"},
};
const PaneSpec& pane_spec(PaneId id);
// The pane a View menu toggle shows and hides, or null for any other command.
const PaneSpec* pane_of_toggle(std::string_view command);

// The layout of kMainWindowPanes, shares normalised.
PaneLayout main_window_panes();

// Appends a visible pane.
void add_pane(PaneLayout& layout, PaneColumn column, std::string name, double share, bool closable);
// Sets the flag and normalises the pane's column again. A pane that becomes visible takes back the
// part of its column that it had, but no less than kMinPaneShare and no more than
// 1 - kMinPaneShare; the other visible panes share the rest in their proportions.
void set_pane_visible(PaneLayout& layout, PaneColumn column, size_t index, bool visible);
// Normalises the visible shares of both columns.
void normalise_layout(PaneLayout& layout);

// The numbers the layout depends on besides the panes.
struct WindowMetrics {
    int32_t client_width = 0;
    int32_t client_height = 0;
    int32_t title_height = 0;  // the standard font's height plus 4
    int32_t bar_height = 0;    // the toolbar's picture height plus 8; the status bar's too
    bool toolbar = true;
    bool status_bar = true;
};

struct PaneGeometry {
    bool visible = false;
    PixelRect pane;    // title bar and hosted window together
    PixelRect title;   // empty when the pane has none (no name, or "tab")
    PixelRect window;  // the hosted window
    PixelRect close;   // empty unless the pane is closable
};

// The bar between two visible panes of a column; dragging it moves those two only.
struct PaneSplitBar {
    PixelRect rect;
    size_t upper = 0;  // pane indexes in the column
    size_t lower = 0;
};

struct ColumnGeometry {
    PixelRect rect;                   // empty when the column shows nothing
    std::vector<PaneGeometry> panes;  // one per pane of the column, hidden ones too
    std::vector<PaneSplitBar> bars;
};

struct WindowGeometry {
    PixelRect toolbar;     // empty when off
    PixelRect status_bar;  // empty when off
    PixelRect content;     // between them
    ColumnGeometry left;
    ColumnGeometry right;
    PixelRect column_bar;             // the split bar between the columns; empty when one is blank
    double mid_pos = kDefaultMidPos;  // the one used: 1 when the right column shows nothing
};

// Every rectangle of the main window, in client coordinates. Pure: the layout is not changed.
WindowGeometry compute_geometry(const PaneLayout& layout, const WindowMetrics& metrics);

// Dragging. Both take the state at the moment the button went down and the pointer's travel
// since, so that a drag can go back and forth without drift.
// The bar between two visible panes: upper gets delta_y pixels more of the column (of content
// height content_height), lower as much less; every other share stays as it was.
void drag_pane_bar(std::vector<Pane>& column, size_t upper, size_t lower, double pressed_upper,
                   double pressed_lower, int32_t delta_y, int32_t content_height);
// The bar between the columns: the new mid_pos for a travel of delta_x on a client width.
double drag_column_bar(double pressed_mid_pos, int32_t delta_x, int32_t client_width);

// Settings below "Frame" (the application key open): "mid_pos" and the shares through the
// pane-share store, normalising first.
void save_pane_layout(SettingsStore& store, PaneLayout& layout);
void load_pane_layout(SettingsStore& store, PaneLayout& layout);

// The window's normal (restored) rectangle and show state as kept under "Frame".
struct StoredPlacement {
    int32_t left = -1;  // -1: never saved
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t maximized = -1;  // -1: never saved
};

StoredPlacement read_window_placement(SettingsStore& store);
void write_window_placement(SettingsStore& store, const PixelRect& normal, bool maximized);

// Where the window opens. No rectangle: the system's default place.
struct WindowPlacement {
    std::optional<PixelRect> normal;
    bool maximized = false;
};

// A rectangle narrower or lower than 100 pixels is discarded. One that keeps less than 100
// pixels across or down on the screen (a screen that has become smaller, or gone) is moved
// back onto it, and made no larger than the screen.
WindowPlacement restore_window_placement(const StoredPlacement& stored, const PixelRect& screen);

inline constexpr int32_t kMinWindowExtent = 100;

}  // namespace tessel
