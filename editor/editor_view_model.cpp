// EditorViewModel: the key table, caret moves, mouse selection, scrolling and painting of the
// editor's text pane.
#include "editor/editor_view_model.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "editor/caret_status.h"
#include "editor/control_names.h"
#include "editor/editor_hint.h"
#include "editor/scroll_margin.h"

namespace tessel {

namespace {

constexpr std::string_view kGutterDigits = "99999999";

}  // namespace

EditorViewModel::EditorViewModel(TextDocument& document, TextShaper& shaper)
    : document_(document), shaper_(shaper), hint_(editor_hint_text(document_kind_word(""))) {
    document_.add_anchor_list(&highlights_);
    seen_resets_ = document_.text_resets();
    measure_fonts();
}

EditorViewModel::~EditorViewModel() { document_.remove_anchor_list(&highlights_); }

void EditorViewModel::measure_fonts() {
    widths_.clear();
    const FontMetrics first = shaper_.metrics(kFirstEditorFont);
    const FontMetrics second = shaper_.metrics(kSecondEditorFont);
    // One line must hold either font; "X" of the first font is the character width.
    metrics_.ascent = std::max(first.ascent, second.ascent);
    metrics_.line_height = std::max({first.line_height, second.line_height, 1.0});
    metrics_.x_width = first.x_width > 0 ? first.x_width : 1;
    digits_width_ = widths_.width(shaper_, kGutterDigits, kFirstEditorFont);
}

void EditorViewModel::fonts_changed() {
    measure_fonts();
    cache_.clear();
    set_top_line(top_line_);
}

void EditorViewModel::set_settings(const EditorSettings& settings) {
    const int32_t old_tab_size = settings_.tab_size;
    settings_ = settings;
    settings_.tab_size = std::clamp(settings_.tab_size, 1, 64);
    if (settings_.tab_size != old_tab_size) cache_.clear();
}

void EditorViewModel::set_document_type(std::string_view display_name) {
    hint_ = editor_hint_text(document_kind_word(display_name));
}

LayoutContext EditorViewModel::context() {
    return LayoutContext{shaper_, widths_, document_.automaton(),
                         settings_.tab_size * metrics_.x_width, tokens_};
}

const LineLayout& EditorViewModel::layout(int32_t line) {
    // Another automaton colours the same bytes differently: nothing cached is valid then.
    if (&document_.automaton() != laid_out_with_) {
        cache_.clear();
        laid_out_with_ = &document_.automaton();
    }
    LayoutContext ctx = context();
    return cache_.layout(document_, line, ctx);
}

double EditorViewModel::gutter_width() const {
    return kGutterMargin + (settings_.line_numbers ? digits_width_ : kPlainGutterWidth);
}

double EditorViewModel::text_width() const {
    return std::max(0.0, width_ - gutter_width());
}

// --- positions ---

double EditorViewModel::x_in_line(TextPos pos) {
    const int32_t line = document_.index().line_of(pos);
    return layout(line).x_of(pos - document_.index().line_start(line), shaper_);
}

TextPos EditorViewModel::line_end(int32_t line) {
    const LineIndex& index = document_.index();
    const TextPos start = index.line_start(line);
    const TextPos next = index.line_start(line + 1);
    if (line + 1 < index.line_count() && next > start && document_.store().byte_at(next - 1) != '\n')
        return std::max(start, previous_caret_stop(document_.store(), next));
    return start + index.line_length(line);
}

TextPos EditorViewModel::position_in_line(int32_t line, double x) {
    const TextPos start = document_.index().line_start(line);
    const int32_t offset = layout(line).offset_at(x, shaper_);
    return std::min(start + offset, line_end(line));
}

TextPos EditorViewModel::position_at(double x, double y) {
    const int32_t count = document_.index().line_count();
    const double row = std::floor(y / metrics_.line_height);
    const double line = std::clamp(top_line_ + row, 0.0, static_cast<double>(count - 1));
    return position_in_line(static_cast<int32_t>(line), x - gutter_width() + x_offset_);
}

TextSpan EditorViewModel::line_span_at(TextPos pos) {
    // The user's line: from after the previous line feed to after the next one, over the
    // index lines the 2,000-byte cut made of it.
    const LineIndex& index = document_.index();
    TextStore& store = document_.store();
    int32_t first = index.line_of(pos);
    while (first > 0 && store.byte_at(index.line_start(first) - 1) != '\n') --first;
    int32_t last = index.line_of(pos);
    while (last + 1 < index.line_count() && store.byte_at(index.line_start(last + 1) - 1) != '\n')
        ++last;
    return TextSpan{index.line_start(first), index.line_start(last + 1)};
}

// --- scrolling ---

int32_t EditorViewModel::lines_per_page() const {
    return std::max(1, static_cast<int32_t>(height_ / metrics_.line_height));
}

int32_t EditorViewModel::content_x_maximum() const {
    const double content = static_cast<double>(document_.index().longest_line_estimate()) * metrics_.x_width;
    return static_cast<int32_t>(std::clamp(std::ceil(content - text_width()), 0.0, double{INT32_MAX / 2}));
}

void EditorViewModel::set_top_line(int32_t line) {
    const int32_t maximum = std::max(0, document_.index().line_count() - lines_per_page());
    top_line_ = std::clamp(line, 0, maximum);
}

void EditorViewModel::set_x_offset(int32_t x) {
    x_offset_ = std::clamp(x, 0, std::max(content_x_maximum(), x_offset_));
}

ScrollBarState EditorViewModel::vertical_scroll() const {
    return ScrollBarState{std::max(0, document_.index().line_count() - lines_per_page()),
                          lines_per_page(), 1, top_line_};
}

ScrollBarState EditorViewModel::horizontal_scroll() const {
    return ScrollBarState{std::max(content_x_maximum(), x_offset_),
                          static_cast<int32_t>(text_width()),
                          std::max(1, static_cast<int32_t>(std::lround(metrics_.x_width))), x_offset_};
}

void EditorViewModel::scroll_caret_into_view(double margin) {
    if (text_width() <= 0 || height_ <= 0) return;  // not sized yet
    const double lh = metrics_.line_height;
    const TextPos caret = document_.caret();
    const int32_t line = document_.index().line_of(caret);
    const Rect caret_box{x_in_line(caret), line * lh, 1, lh};
    const Rect viewport{static_cast<double>(x_offset_), top_line_ * lh, text_width(),
                        static_cast<double>(height_)};
    const ScrollPosition to = scroll_to_show(caret_box, viewport, margin, lh);
    x_offset_ = static_cast<int32_t>(std::min(std::lround(to.x), long{INT32_MAX / 2}));
    set_top_line(static_cast<int32_t>(std::lround(to.y / lh)));
}

void EditorViewModel::resize(int32_t width, int32_t height) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    set_top_line(top_line_);
}

void EditorViewModel::wheel(int32_t angle_x, int32_t angle_y) {
    // Eighths of a degree, 120 to a notch; finer steps of touchpads add up until they make a
    // whole line or character.
    wheel_rest_y_ += angle_y * kLinesPerNotch;
    const int32_t lines = wheel_rest_y_ / 120;
    wheel_rest_y_ -= lines * 120;
    if (lines) set_top_line(top_line_ - lines);
    wheel_rest_x_ += angle_x * kLinesPerNotch;
    const int32_t columns = wheel_rest_x_ / 120;
    wheel_rest_x_ -= columns * 120;
    if (columns)
        set_x_offset(x_offset_ - static_cast<int32_t>(std::lround(columns * metrics_.x_width)));
}

// --- keys and typing ---

void EditorViewModel::move_caret_to(TextPos pos, bool extend) {
    if (extend) document_.set_selection(document_.selection_anchor(), pos);
    else document_.set_caret(pos);
}

void EditorViewModel::move_vertically(int32_t line, bool extend) {
    if (wanted_x_ < 0) wanted_x_ = x_in_line(document_.caret());
    move_caret_to(position_in_line(line, wanted_x_), extend);
}

void EditorViewModel::after_edit() {
    wanted_x_ = -1;
    scroll_caret_into_view(kCaretScrollMargin);
}

bool EditorViewModel::delete_range(TextPos first, TextPos end) {
    if (end <= first) return false;
    document_.replace("", first, end - first, 0);
    after_edit();
    return true;
}

KeyOutcome EditorViewModel::key_press(const KeyPress& press, std::string_view text) {
    const int32_t key = press.key;
    const int32_t modifier = has_alt(press.modifier) ? kModifierAlt : press.modifier;
    TextStore& store = document_.store();
    const LineIndex& index = document_.index();
    const bool extend = extends_selection(modifier);
    const bool ctrl = has_ctrl(modifier);
    const TextPos caret = document_.caret();
    const int32_t line = index.line_of(caret);
    const bool plain = modifier == kModifierNone || modifier == kModifierShift;

    TextPos to = caret;  // where a horizontal move goes
    switch (key) {
        case kKeyLeft:
            if (caret > 0) to = ctrl ? previous_word_start(store, caret) : previous_caret_stop(store, caret);
            break;
        case kKeyRight:
            if (caret < document_.length())
                to = ctrl ? next_word_end(store, caret) : next_caret_stop(store, caret);
            break;
        case kKeyHome:
            to = ctrl ? 0 : index.line_start(line);
            break;
        case kKeyEnd:
            to = ctrl ? document_.length() : line_end(line);
            break;
        case kKeyUp:
        case kKeyDown: {
            const int32_t target = line + (key == kKeyUp ? -1 : 1);
            if (target >= 0 && target < index.line_count()) move_vertically(target, extend);
            else move_caret_to(caret, extend);
            scroll_caret_into_view(kCaretScrollMargin);
            return KeyOutcome::handled;
        }
        case kKeyPageUp:
        case kKeyPageDown: {
            // The caret goes one line less far up than down, and the view a whole page either
            // way, so paging up and down again returns to the same lines.
            const int32_t page = lines_per_page();
            const bool up = key == kKeyPageUp;
            const int32_t lines = up ? std::max(1, page - 1) : page;
            const int32_t target = std::clamp(line + (up ? -lines : lines), 0, index.line_count() - 1);
            set_top_line(top_line_ + (up ? -page : page));
            move_vertically(target, extend);
            scroll_caret_into_view(kCaretScrollMargin);
            return KeyOutcome::handled;
        }
        case kKeyBackspace:
            if (document_.has_selection()) {
                document_.replace_selection("", 0);
                after_edit();
            } else if (caret > 0) {
                delete_range(ctrl ? previous_word_start(store, caret) : previous_caret_stop(store, caret),
                             caret);
            }
            return KeyOutcome::handled;
        case kKeyDelete:
            if (document_.has_selection()) {
                document_.replace_selection("", 0);
                after_edit();
            } else if (caret < document_.length()) {
                delete_range(caret, ctrl ? next_word_end(store, caret) : next_caret_stop(store, caret));
            }
            return KeyOutcome::handled;
        case kKeyTab:
            if (modifier != kModifierNone) return KeyOutcome::ignored;
            document_.insert_tab(settings_.keep_tabs, settings_.tab_size);
            after_edit();
            return KeyOutcome::handled;
        case kKeyEnter:
            if (!plain) return KeyOutcome::ignored;
            document_.insert_line_break();
            after_edit();
            return KeyOutcome::handled;
        case kKeyContextMenu:
            return KeyOutcome::context_menu;
        default:
            if (!plain || text.empty()) return KeyOutcome::ignored;
            return type_text(text) ? KeyOutcome::handled : KeyOutcome::ignored;
    }
    wanted_x_ = -1;
    move_caret_to(to, extend);
    scroll_caret_into_view(kCaretScrollMargin);
    return KeyOutcome::handled;
}

bool EditorViewModel::type_text(std::string_view text) {
    // Keys that produce control characters (Enter, Tab, Backspace, Escape) have their own
    // meaning or none; only printable text is typed.
    std::string typed;
    typed.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) typed += c;
    }
    if (typed.empty()) return false;
    document_.replace_selection(typed, kMergeTyping);
    after_edit();
    return true;
}

void EditorViewModel::text_changed(bool scroll_to_caret) {
    wanted_x_ = -1;
    // A new document, or the same file read again: its text starts at the top, whatever the
    // old one showed. Edits and parses of the same text keep the place.
    if (const int64_t resets = document_.text_resets(); resets != seen_resets_) {
        seen_resets_ = resets;
        top_line_ = 0;
        x_offset_ = 0;
    }
    set_top_line(top_line_);
    if (scroll_to_caret) scroll_caret_into_view(kCaretScrollMargin);
}

// --- mouse ---

void EditorViewModel::mouse_press(double x, double y, int clicks, int modifier) {
    const TextPos pos = position_at(x, y);
    wanted_x_ = -1;
    dragging_ = true;
    if (clicks >= 3) drag_origin_ = line_span_at(pos);
    else if (clicks == 2) drag_origin_ = word_span_at(document_.store(), pos);
    else if (modifier == kModifierShift) drag_origin_ = {document_.selection_anchor(), document_.selection_anchor()};
    else drag_origin_ = {pos, pos};
    if (clicks == 1 && modifier == kModifierShift) document_.set_selection(drag_origin_.first, pos);
    else document_.set_selection(drag_origin_.first, drag_origin_.end);
    scroll_caret_into_view(0);
}

void EditorViewModel::mouse_move(double x, double y) {
    if (!dragging_) return;
    const TextPos pos = position_at(x, y);
    if (pos < drag_origin_.first) document_.set_selection(drag_origin_.end, pos);
    else document_.set_selection(drag_origin_.first, std::max(pos, drag_origin_.end));
    scroll_caret_into_view(0);
}

void EditorViewModel::mouse_release() { dragging_ = false; }

// --- what the pane shows ---

std::string EditorViewModel::caret_status() {
    return caret_status_text(caret_place(document_, document_.caret()));
}

Rect EditorViewModel::caret_rect() {
    const TextPos caret = document_.caret();
    const int32_t line = document_.index().line_of(caret);
    return Rect{gutter_width() - x_offset_ + x_in_line(caret),
                (line - top_line_) * metrics_.line_height, 1, metrics_.line_height};
}

void EditorViewModel::set_highlights(std::span<const TextSpan> spans) {
    highlights_.clear();
    for (const TextSpan& span : spans) {
        highlights_.push_back(span.first);
        highlights_.push_back(span.end);
    }
}

void EditorViewModel::paint(Surface& surface, const Rect& dirty, bool caret_visible) {
    const double gutter = gutter_width();
    const double lh = metrics_.line_height;
    const Rect text_area{gutter, 0, text_width(), static_cast<double>(height_)};
    if (dirty.right() > gutter) {
        surface.set_clip(text_area);
        surface.fill_rect(text_area, colours_.background);
        if (shows_hint())
            surface.draw_text(gutter + metrics_.x_width, metrics_.ascent, hint_, kFirstEditorFont, colours_.hint);
        const int32_t count = document_.index().line_count();
        const int32_t first_row = std::max(0, static_cast<int32_t>(std::floor(dirty.y / lh)));
        const int32_t end_row = static_cast<int32_t>(std::ceil(std::min(dirty.bottom(), static_cast<double>(height_)) / lh));
        for (int32_t row = first_row; row < end_row && top_line_ + row < count; ++row)
            paint_line(surface, top_line_ + row, row * lh);
        if (caret_visible) {
            const Rect caret = caret_rect();
            if (caret.bottom() > 0 && caret.y < height_ && caret.x >= gutter && caret.x < width_)
                surface.fill_rect(caret, colours_.caret);
        }
        surface.clear_clip();
    }
    if (dirty.x < gutter) paint_gutter(surface, dirty);
}

void EditorViewModel::paint_line(Surface& surface, int32_t line, double y) {
    const LineLayout& layout = this->layout(line);
    const LexicalAutomaton& automaton = document_.automaton();
    const TextPos start = document_.index().line_start(line);
    const TextPos end = start + static_cast<int32_t>(layout.text().size());
    const double base = gutter_width() - x_offset_;
    const double left = gutter_width();
    const double right = width_;
    const double lh = metrics_.line_height;
    const double baseline = y + metrics_.ascent;

    // The part [first, last) of the line that a span of the text covers, in the widget's x;
    // a span that runs past the line's end takes its terminator along.
    auto span_on_line = [&](TextPos first, TextPos last, double& x0, double& x1) {
        if (last <= start || first >= end || last <= first) return false;
        x0 = base + layout.x_of(std::max(first, start) - start, shaper_);
        x1 = base + (last >= end ? layout.width() : layout.x_of(last - start, shaper_));
        return true;
    };

    double x0 = 0;
    double x1 = 0;
    const TextPos anchor = document_.selection_anchor();
    const TextPos caret = document_.caret();
    if (span_on_line(std::min(anchor, caret), std::max(anchor, caret), x0, x1))
        surface.fill_rect(Rect{x0, y, x1 - x0, lh}, colours_.selection);

    for (const LayoutPiece& piece : layout.pieces()) {
        const double px = base + piece.x;
        if (px >= right || px + piece.width <= left) continue;
        const std::string_view bytes = layout.piece_text(piece);
        // A label is drawn only when all of its box shows; a cut label would read wrong.
        const bool whole = px >= left && px + piece.width <= right;
        // A pixel short on the right, so that neighbouring boxes (a CR LF) read as two.
        const Rect box{px, y, piece.width - 1, lh};
        switch (piece.kind) {
            case PieceKind::text: {
                const int16_t style = layout.segments()[static_cast<size_t>(piece.segment)].style;
                surface.draw_text(px, baseline, bytes, piece.font, colour_of_colorref(automaton.style_colour(style)));
                break;
            }
            case PieceKind::tab:
                break;
            case PieceKind::control: {
                const uint32_t code = control_code_point(bytes);
                if ((code == '\r' || code == '\n') && !settings_.line_ending) break;
                surface.fill_rect(box, colours_.control_box);
                if (whole)
                    surface.draw_text(px + kBoxPadding / 2, baseline, control_name(code), kFirstEditorFont,
                                      colours_.control_name);
                break;
            }
            case PieceKind::byte:
                surface.fill_rect(box, colours_.byte_box);
                if (whole)
                    surface.draw_text(px + kBoxPadding / 2, baseline, hex_label(static_cast<unsigned char>(bytes[0])),
                                      kFirstEditorFont, colours_.byte_label);
                break;
        }
    }

    // The 2,000-byte cut ended this line and the next index line goes on with it.
    if (line + 1 < document_.index().line_count() && !layout.text().empty() && layout.text().back() != '\n')
        surface.draw_image(kImageContinuationMark,
                           Rect{base + layout.width() + kBoxPadding, y, metrics_.x_width, lh});

    for (int32_t i = 0; i + 1 < highlights_.size(); i += 2)
        if (span_on_line(highlights_[i], highlights_[i + 1], x0, x1))
            surface.frame_rect(Rect{x0, y, std::max(1.0, x1 - x0), lh}, colours_.highlight,
                               settings_.highlight_style);
}

void EditorViewModel::paint_gutter(Surface& surface, const Rect& dirty) {
    const double gutter = gutter_width();
    const double lh = metrics_.line_height;
    surface.fill_rect(Rect{0, 0, gutter, static_cast<double>(height_)}, colours_.gutter);
    const LineIndex& index = document_.index();
    if (marks_) {
        // A bookmark is a bar at the gutter's left edge on its line, beside any number.
        const int32_t rows = static_cast<int32_t>(std::ceil(height_ / lh));
        for (TextPos offset : marks_()) {
            if (offset < 0 || offset > document_.length()) continue;
            const int32_t row = index.line_of(offset) - top_line_;
            if (row < 0 || row > rows) continue;
            surface.fill_rect(Rect{1, row * lh + 1, 5, lh - 2}, colours_.bookmark);
        }
    }
    if (!settings_.line_numbers) return;
    const int32_t first_row = std::max(0, static_cast<int32_t>(std::floor(dirty.y / lh)));
    const int32_t end_row = static_cast<int32_t>(std::ceil(std::min(dirty.bottom(), static_cast<double>(height_)) / lh));
    for (int32_t row = first_row; row < end_row && top_line_ + row < index.line_count(); ++row) {
        const int32_t line = top_line_ + row;
        const int32_t logical = index.scan(line).logical_line;
        // Index lines the cut made of a longer line carry no number of their own.
        if (line > 0 && index.scan(line - 1).logical_line == logical) continue;
        const std::string number = std::to_string(int64_t{logical} + 1);
        const double w = widths_.width(shaper_, number, kFirstEditorFont);
        surface.draw_text(gutter - kGutterMargin - w, row * lh + metrics_.ascent, number, kFirstEditorFont,
                          colours_.line_number);
    }
}

}  // namespace tessel
