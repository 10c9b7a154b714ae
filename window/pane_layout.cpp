// The main window's pane arithmetic.
#include "window/pane_layout.h"

#include <algorithm>
#include <memory>
#include <span>
#include <utility>

#include "settings/pane_shares.h"
#include "settings/settings_store.h"

namespace tessel {

namespace {

constexpr const char* kFrameKey = "Frame";

bool any_visible(const std::vector<Pane>& column) {
    return std::any_of(column.begin(), column.end(), [](const Pane& p) { return p.visible; });
}

// A column's shares and visibility in the form the share functions take (std::vector<bool>
// has no span), copied back after.
struct ColumnShares {
    explicit ColumnShares(const std::vector<Pane>& column)
        : visible(new bool[column.size()]), count(column.size()) {
        for (size_t i = 0; i < count; ++i) {
            shares.push_back(column[i].share);
            visible[i] = column[i].visible;
        }
    }
    std::span<const bool> flags() const { return {visible.get(), count}; }
    void copy_to(std::vector<Pane>& column) const {
        for (size_t i = 0; i < count; ++i) column[i].share = shares[i];
    }

    std::vector<double> shares;
    std::unique_ptr<bool[]> visible;
    size_t count;
};

void normalise_column(std::vector<Pane>& column) {
    ColumnShares c(column);
    normalise_shares(c.shares, c.flags());
    c.copy_to(column);
}

// Truncation toward zero, as the placement formulas ask for.
int32_t truncate(double v) {
    return static_cast<int32_t>(v);
}

ColumnGeometry place_column(const std::vector<Pane>& panes, const PixelRect& rect,
                            int32_t content_top, int32_t height, int32_t title_height) {
    ColumnGeometry column;
    column.rect = rect;
    column.panes.resize(panes.size());

    std::vector<Pane> normal = panes;
    normalise_column(normal);
    size_t last = normal.size();
    for (size_t i = 0; i < normal.size(); ++i) {
        if (normal[i].visible) last = i;
    }

    double above = 0;  // sum of the shares of the visible panes above
    bool first = true;
    size_t previous = 0;
    for (size_t i = 0; i < normal.size(); ++i) {
        const Pane& pane = normal[i];
        if (!pane.visible) continue;
        PaneGeometry& g = column.panes[i];
        g.visible = true;
        // The last pane ends at the column's foot whatever the rounding of the sum.
        double end = i == last ? 1.0 : above + pane.share;
        int32_t top = content_top + truncate((height - 2) * above + 1);
        if (!first) top += kSplitBarSize;
        int32_t bottom = content_top + truncate((height - 1) * end + 1);
        // A pane too small for its split bar ends up with no height, never a negative one.
        bottom = std::max(bottom, top);
        g.pane = {rect.left, top, rect.right, bottom};
        int32_t window_top = top;
        if (!pane.name.empty() && pane.name != "tab") {
            window_top = std::min(top + title_height, bottom);
            g.title = {rect.left, top, rect.right, window_top};
        }
        g.window = {rect.left, window_top, rect.right, bottom};
        if (pane.closable) {
            int32_t button_top = top + (title_height - kCloseButtonSize) / 2;
            int32_t button_right = rect.right - kCloseButtonInset;
            g.close = {button_right - kCloseButtonSize, button_top, button_right,
                       button_top + kCloseButtonSize};
        }
        if (!first) {
            const PaneGeometry& up = column.panes[previous];
            column.bars.push_back(
                {{rect.left, std::min(up.pane.bottom, top), rect.right, top}, previous, i});
        }
        above += pane.share;
        first = false;
        previous = i;
    }
    return column;
}

}  // namespace

void add_pane(PaneLayout& layout, PaneColumn column, std::string name, double share,
              bool closable) {
    layout.column(column).push_back({std::move(name), share, true, closable});
}

void normalise_layout(PaneLayout& layout) {
    normalise_column(layout.left);
    normalise_column(layout.right);
}

void set_pane_visible(PaneLayout& layout, PaneColumn column, size_t index, bool visible) {
    std::vector<Pane>& panes = layout.column(column);
    if (index >= panes.size()) return;
    Pane& pane = panes[index];
    const bool shown = visible && !pane.visible;
    double share = pane.share;  // the part of the column it had when it was hidden
    pane.visible = visible;
    // The other column has not changed; normalising it again would only wear its last bits.
    normalise_column(panes);
    if (!shown) return;
    // The pane comes back with the part of the column it had (at least the minimum, leaving
    // the others at least the minimum between them); the others share the rest in their
    // proportions, so that hiding and showing a pane gives the layout it had.
    double others = 0;
    for (size_t i = 0; i < panes.size(); ++i) {
        if (i != index && panes[i].visible) others += panes[i].share;
    }
    if (!(others > 0)) {
        pane.share = 1;
        return;
    }
    if (!(share >= kMinPaneShare)) share = kMinPaneShare;
    share = std::min(share, 1 - kMinPaneShare);
    for (size_t i = 0; i < panes.size(); ++i) {
        if (i != index && panes[i].visible) panes[i].share *= (1 - share) / others;
    }
    pane.share = share;
}

const PaneSpec& pane_spec(PaneId id) {
    for (const PaneSpec& spec : kMainWindowPanes)
        if (spec.id == id) return spec;
    return kMainWindowPanes[0];  // every id has its row; the compiler cannot see it
}

const PaneSpec* pane_of_toggle(std::string_view command) {
    if (command.empty()) return nullptr;
    for (const PaneSpec& spec : kMainWindowPanes)
        if (spec.toggle == command) return &spec;
    return nullptr;
}

PaneLayout main_window_panes() {
    PaneLayout layout;
    for (const PaneSpec& spec : kMainWindowPanes)
        add_pane(layout, spec.column, std::string(spec.name), spec.share, spec.closable);
    normalise_layout(layout);
    return layout;
}

WindowGeometry compute_geometry(const PaneLayout& layout, const WindowMetrics& metrics) {
    WindowGeometry g;
    const int32_t width = std::max(metrics.client_width, 0);
    const int32_t height = std::max(metrics.client_height, 0);
    const int32_t bar = std::max(metrics.bar_height, 0);

    int32_t content_top = 0;
    int32_t content_bottom = height;
    if (metrics.toolbar) {
        content_top = std::min(bar, height);
        g.toolbar = {0, 0, width, content_top};
    }
    if (metrics.status_bar) {
        content_bottom = std::max(height - bar, content_top);
        g.status_bar = {0, content_bottom, width, height};
    }
    g.content = {0, content_top, width, content_bottom};
    const int32_t content_height = content_bottom - content_top;

    // A column that shows nothing gives its width to the other one, split bar included.
    const bool left_shown = any_visible(layout.left);
    const bool right_shown = any_visible(layout.right);
    PixelRect left{1, content_top, 1, content_bottom};
    PixelRect right{width - 1, content_top, width - 1, content_bottom};
    if (!right_shown) {
        g.mid_pos = 1;
        left.right = std::max(width - 1, 1);
    } else if (!left_shown) {
        g.mid_pos = 0;
        right.left = 1;
        right.right = std::max(width - 1, 1);
    } else {
        g.mid_pos = layout.mid_pos;
        int32_t split = truncate((width - 2) * layout.mid_pos + 1);
        split = std::clamp(split, 1, std::max(width - 1, 1));
        left.right = std::max(split - kSplitBarSize, 1);
        right.left = split;
        right.right = std::max(width - 1, split);
        g.column_bar = {left.right, content_top, split, content_bottom};
    }
    g.left = place_column(layout.left, left, content_top, content_height, metrics.title_height);
    g.right = place_column(layout.right, right, content_top, content_height, metrics.title_height);
    return g;
}

void drag_pane_bar(std::vector<Pane>& column, size_t upper, size_t lower, double pressed_upper,
                   double pressed_lower, int32_t delta_y, int32_t content_height) {
    if (upper >= column.size() || lower >= column.size() || upper == lower) return;
    const double total = pressed_upper + pressed_lower;
    const double low_upper = std::min(kMinPaneShare, pressed_upper);
    const double low_lower = std::min(kMinPaneShare, pressed_lower);
    double moved = pressed_upper;
    if (content_height > 2) moved += static_cast<double>(delta_y) / (content_height - 2);
    // A pane stopped by the minimum gets exactly the minimum, not a rounding below it.
    double upper_share = moved;
    double lower_share = total - moved;
    if (moved >= total - low_lower) {
        lower_share = low_lower;
        upper_share = total - low_lower;
    } else if (moved <= low_upper) {
        upper_share = low_upper;
        lower_share = total - low_upper;
    }
    column[upper].share = upper_share;
    column[lower].share = lower_share;
}

double drag_column_bar(double pressed_mid_pos, int32_t delta_x, int32_t client_width) {
    if (client_width <= 2) return pressed_mid_pos;
    const double low = std::min(kMinPaneShare, pressed_mid_pos);
    const double high = std::max(1 - kMinPaneShare, pressed_mid_pos);
    return std::clamp(pressed_mid_pos + static_cast<double>(delta_x) / (client_width - 2), low,
                      high);
}

namespace {

void save_column(SettingsStore& store, std::string_view name, std::vector<Pane>& column) {
    ColumnShares c(column);
    write_pane_shares(store, name, c.shares, c.flags());
    c.copy_to(column);
}

void load_column(SettingsStore& store, std::string_view name, std::vector<Pane>& column) {
    ColumnShares c(column);
    read_pane_shares(store, name, c.shares, c.flags());
    c.copy_to(column);
}

}  // namespace

void save_pane_layout(SettingsStore& store, PaneLayout& layout) {
    write_split_percent(store, share_percent(layout.mid_pos));
    save_column(store, "left", layout.left);
    save_column(store, "right", layout.right);
}

void load_pane_layout(SettingsStore& store, PaneLayout& layout) {
    layout.mid_pos = read_split_percent(store) / 100.0;
    load_column(store, "left", layout.left);
    load_column(store, "right", layout.right);
}

StoredPlacement read_window_placement(SettingsStore& store) {
    StoredPlacement p;
    SettingsKey frame(store, kFrameKey);
    store.read_int("left", p.left);
    store.read_int("top", p.top);
    store.read_int("right", p.right);
    store.read_int("bottom", p.bottom);
    store.read_int("maximized", p.maximized);
    return p;
}

void write_window_placement(SettingsStore& store, const PixelRect& normal, bool maximized) {
    SettingsKey frame(store, kFrameKey);
    store.write_int(maximized ? 1 : 0, "maximized");
    store.write_int(normal.left, "left");
    store.write_int(normal.top, "top");
    store.write_int(normal.right, "right");
    store.write_int(normal.bottom, "bottom");
}

namespace {

// Moves [low, low + extent) along one axis so that at least kMinWindowExtent of it (all of it,
// when it is shorter) lies within [screen_low, screen_high).
int32_t keep_on_screen(int32_t low, int32_t extent, int32_t screen_low, int32_t screen_high) {
    const int64_t overlap =
        std::min<int64_t>(int64_t{low} + extent, screen_high) - std::max<int64_t>(low, screen_low);
    if (overlap >= std::min(extent, kMinWindowExtent)) return low;
    return std::clamp(low, screen_low, std::max(screen_high - extent, screen_low));
}

}  // namespace

WindowPlacement restore_window_placement(const StoredPlacement& stored, const PixelRect& screen) {
    WindowPlacement placement;
    if (stored.left == -1 || stored.maximized == -1) return placement;
    const int64_t width = int64_t{stored.right} - stored.left;
    const int64_t height = int64_t{stored.bottom} - stored.top;
    if (width < kMinWindowExtent || height < kMinWindowExtent) return placement;
    PixelRect rect{stored.left, stored.top, stored.right, stored.bottom};
    if (!screen.empty()) {
        const int32_t w = static_cast<int32_t>(std::min<int64_t>(width, screen.width()));
        const int32_t h = static_cast<int32_t>(std::min<int64_t>(height, screen.height()));
        rect.left = keep_on_screen(stored.left, w, screen.left, screen.right);
        rect.top = keep_on_screen(stored.top, h, screen.top, screen.bottom);
        rect.right = rect.left + w;
        rect.bottom = rect.top + h;
    }
    placement.normal = rect;
    placement.maximized = stored.maximized == 1;
    return placement;
}

}  // namespace tessel
