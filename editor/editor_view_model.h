// EditorViewModel: everything the editor's text pane decides, without a window. It turns
// keys, typed text, clicks, wheel turns and resizes into caret moves, selections, edits of
// the TextDocument and scroll positions, and paints the visible index lines through a
// Surface, measured by a TextShaper.
//
// The widget holding it only forwards events and paints:
//   key press     -> key_press(key, modifier code, text)   (KeyOutcome::context_menu: open the
//                    context menu at the bottom left of caret_rect())
//   mouse         -> mouse_press(x, y, clicks, modifier), mouse_move(x, y), mouse_release()
//   wheel         -> wheel(angle_x, angle_y)                 (eighths of a degree, as Qt's)
//   resize        -> resize(width, height)
//   scroll bars   -> set_top_line(value), set_x_offset(value); read vertical_scroll() and
//                    horizontal_scroll() back
//   document view -> text_changed(scroll_to_caret)         (TextDocumentView)
//   font, settings, document type -> fonts_changed(), set_settings(), set_document_type()
//   paint         -> paint(surface, dirty, caret_visible)
// After any of these the widget refreshes its scroll bars and the caret status text
// (caret_status()) and repaints. Coordinates are the widget's pixels, the gutter included.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/caret_stops.h"
#include "editor/line_layout.h"
#include "editor/line_layout_cache.h"
#include "editor/scroll_margin.h"
#include "foundation/array.h"
#include "seams/key_press.h"
#include "seams/surface.h"
#include "seams/text_shaper.h"
#include "text/text_document.h"

namespace tessel {

// The view's settings, kept in the settings store by the window.
struct EditorSettings {
    bool line_numbers = true;  // "line_numbers": a gutter with line numbers
    bool line_ending = false;  // "line_ending": CR and LF shown as boxes
    int32_t tab_size = 4;      // 1 to 64
    bool keep_tabs = true;     // Tab inserts a tab ("Keep Tabs") or blanks ("Insert Spaces")
    FrameStyle highlight_style = FrameStyle::solid;  // the border of highlighted text ranges
};

// After a caret move, Shift (alone or with Ctrl) moves only the selection's caret end, so the
// selection grows from its anchor; every other modifier collapses the selection at the caret.
constexpr bool extends_selection(int32_t modifier) {
    return modifier == kModifierShift || modifier == kModifierCtrlShift;
}

enum class KeyOutcome : uint8_t {
    ignored,       // not an editing key here: let the window have it
    handled,
    context_menu,  // open the context menu at the bottom left of caret_rect()
};

// A scroll bar's state in whole units: lines for the vertical bar, pixels for the horizontal.
struct ScrollBarState {
    int32_t maximum = 0;  // the minimum is 0
    int32_t page = 0;
    int32_t single_step = 1;
    int32_t value = 0;
};

// The colours of the pane.
struct EditorColours {
    Colour background{255, 255, 255};
    Colour gutter{240, 240, 240};
    Colour line_number{128, 128, 128};
    Colour selection{173, 214, 255};
    Colour caret{0, 0, 0};
    Colour hint{128, 128, 128};
    Colour control_box{64, 64, 64};
    Colour control_name{255, 255, 0};
    Colour byte_box{192, 48, 48};
    Colour byte_label{255, 255, 255};
    Colour highlight{0, 0, 192};
    Colour bookmark{40, 110, 220};
};

class EditorViewModel {
public:
    // Between the gutter and the text.
    static constexpr double kGutterMargin = 4;
    // The gutter's width without line numbers, besides its margin.
    static constexpr double kPlainGutterWidth = 18;
    // A wheel notch (120 eighths of a degree) scrolls this many lines, or this many "X" widths.
    static constexpr int32_t kLinesPerNotch = 3;

    EditorViewModel(TextDocument& document, TextShaper& shaper);
    ~EditorViewModel();
    EditorViewModel(const EditorViewModel&) = delete;
    EditorViewModel& operator=(const EditorViewModel&) = delete;

    TextDocument& document() { return document_; }
    const EditorSettings& settings() const { return settings_; }
    void set_settings(const EditorSettings& settings);
    // Re-measures both fonts and lays every line out anew.
    void fonts_changed();
    // The document's type by display name ("XML", "DTD", "JSON", "Plain Text"): the hint's word.
    void set_document_type(std::string_view display_name);
    const FontMetrics& metrics() const { return metrics_; }

    // --- events ---
    void resize(int32_t width, int32_t height);
    // A key and the text it typed, if any. Every modifier code with Alt counts as Alt here:
    // Alt wins over Ctrl and Shift. Keys without an editing meaning type their text.
    KeyOutcome key_press(const KeyPress& press, std::string_view text);
    // Typed characters: replace the selection, merging into the previous typing step. Control
    // characters are dropped; false when nothing was left to type.
    bool type_text(std::string_view text);
    // clicks: 1 places the caret (with kModifierShift, extends the selection), 2
    // selects a word, 3 a line. A move with the button held extends from what the press chose.
    void mouse_press(double x, double y, int clicks, int modifier);
    void mouse_move(double x, double y);
    void mouse_release();
    void wheel(int32_t angle_x, int32_t angle_y);
    // The document changed (the widget's TextDocumentView::text_changed).
    void text_changed(bool scroll_to_caret);

    // --- scrolling ---
    int32_t top_line() const { return top_line_; }
    int32_t x_offset() const { return x_offset_; }
    void set_top_line(int32_t line);
    void set_x_offset(int32_t x);
    ScrollBarState vertical_scroll() const;
    ScrollBarState horizontal_scroll() const;
    // Whole lines that fit the pane's height (at least 1).
    int32_t lines_per_page() const;
    // Scrolls the least that shows the caret with margin pixels around it.
    void scroll_caret_into_view(double margin);

    // --- what the pane shows ---
    double gutter_width() const;
    std::string caret_status();
    // The pane is empty (no text at all) and shows the hint.
    bool shows_hint() const { return document_.length() == 0; }
    const std::string& hint_text() const { return hint_; }
    // The caret's rectangle in the widget.
    Rect caret_rect();
    // Text ranges drawn with a border in the chosen style; they follow edits.
    void set_highlights(std::span<const TextSpan> spans);
    // The offsets whose lines get a bookmark's mark in the gutter (negative entries are
    // skipped); read at every paint, so the owner keeps them current as edits move them.
    void set_marks(std::function<std::span<const TextPos>()> marks) { marks_ = std::move(marks); }
    // Paints the part of the pane inside dirty; the caret only when caret_visible (blinking).
    void paint(Surface& surface, const Rect& dirty, bool caret_visible);
    EditorColours& colours() { return colours_; }

    // --- positions ---
    // The text position a point of the widget hits (a caret stop).
    TextPos position_at(double x, double y);
    // The x of a position within its index line, from the line's start (without scrolling).
    double x_in_line(TextPos pos);
    const LineLayout& layout(int32_t line);
    LineLayoutCache& layout_cache() { return cache_; }
    TextWidthCache& width_cache() { return widths_; }

    // --- caret moves, as the keys do them; extend keeps the anchor ---
    void move_caret_to(TextPos pos, bool extend);
    // The last caret stop of index line `line`: before its terminator, or before its last
    // character when the 2,000-byte cut ended it, so the caret stays on the line.
    TextPos line_end(int32_t line);
    // The user's line holding pos, its line feed included (a triple click selects it).
    TextSpan line_span_at(TextPos pos);

private:
    void measure_fonts();
    double text_width() const;
    int32_t content_x_maximum() const;
    LayoutContext context();
    void after_edit();
    void move_vertically(int32_t line, bool extend);
    TextPos position_in_line(int32_t line, double x);
    bool delete_range(TextPos first, TextPos end);
    void paint_line(Surface& surface, int32_t line, double y);
    void paint_gutter(Surface& surface, const Rect& dirty);

    TextDocument& document_;
    TextShaper& shaper_;
    EditorSettings settings_;
    EditorColours colours_;
    FontMetrics metrics_;
    double digits_width_ = 0;  // of the widest line number the gutter makes room for
    std::string hint_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t top_line_ = 0;
    // The document's text_resets() when the view last saw it.
    int64_t seen_resets_ = 0;
    int32_t x_offset_ = 0;
    // The x that Up, Down, Page Up and Page Down keep; negative when the next vertical move
    // takes the caret's own.
    double wanted_x_ = -1;
    // What the last press selected; a drag extends from it.
    bool dragging_ = false;
    TextSpan drag_origin_;
    int32_t wheel_rest_x_ = 0;
    int32_t wheel_rest_y_ = 0;
    LineLayoutCache cache_;
    TextWidthCache widths_;
    std::vector<LineToken> tokens_;
    const LexicalAutomaton* laid_out_with_ = nullptr;
    // Highlighted spans as first, end pairs; registered with the document so edits move them.
    Array<TextPos> highlights_;
    std::function<std::span<const TextPos>()> marks_;
};

}  // namespace tessel
