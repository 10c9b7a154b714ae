// The editor view's layout and painting rules, with a shaper of fixed advances (8 pixels a
// character, 10 in the second font, lines 16 high) and a surface that records what is
// painted: boxes for controls and undecodable bytes, line ends, continuation marks, the
// gutter, the status text, the hint, highlights, clicks, scrolling and the layout caches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/editor_view_model.h"
#include "tests/seams/fixed_advance_shaper.h"
#include "tests/seams/recording_surface.h"
#include "tests/text/special_token_automaton.h"
#include "text/edit_history.h"

namespace tessel {
namespace {

using test::PaintOp;

constexpr Colour kYellow{255, 255, 0};
constexpr Colour kWhite{255, 255, 255};

class EditorView : public ::testing::Test {
protected:
    EditorView() {
        document.set_history(&history);
        document.set_automaton(&automaton);
        view.resize(400, 160);
    }
    void load(std::string_view text) {
        document.set_text(text);
        document.run_scan_slice();
    }
    void set(bool line_numbers, bool line_ending) {
        EditorSettings s = view.settings();
        s.line_numbers = line_numbers;
        s.line_ending = line_ending;
        view.set_settings(s);
    }
    test::RecordingSurface paint() {
        test::RecordingSurface surface;
        view.paint(surface, Rect{0, 0, 400, 160}, true);
        return surface;
    }
    std::vector<PaintOp> fills_of(const test::RecordingSurface& s, Colour colour) {
        std::vector<PaintOp> out;
        for (const PaintOp& op : s.of_kind(PaintOp::Kind::fill))
            if (op.colour == colour) out.push_back(op);
        return out;
    }

    test::SpecialTokenAutomaton automaton;
    EditHistory history;
    TextDocument document;
    test::FixedAdvanceShaper shaper;
    EditorViewModel view{document, shaper};
};

TEST_F(EditorView, ControlsAndUndecodableBytesAreLabelledBoxes) {
    set(false, false);
    load("a\x01" "b\xFF" "c\xC2\x85" "d");
    EXPECT_EQ(view.gutter_width(), 22);

    // Each box is its label's width plus 2 pixels; text between them is plain style 3.
    const auto& segments = view.layout(0).segments();
    struct Expected { int32_t first, last; int16_t style; double x, width; };
    const std::vector<Expected> expected = {
        {0, 0, 3, 0, 8},    {1, 1, kStyleControlCharacter, 8, 26},  {2, 2, 3, 34, 8},
        {3, 3, kStyleUndecodableByte, 42, 18}, {4, 4, 3, 60, 8}, {5, 6, kStyleControlCharacter, 68, 26},
        {7, 7, 3, 94, 8}};
    ASSERT_EQ(segments.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(segments[i].first, expected[i].first);
        EXPECT_EQ(segments[i].last, expected[i].last);
        EXPECT_EQ(segments[i].style, expected[i].style);
        EXPECT_EQ(segments[i].x, expected[i].x);
        EXPECT_EQ(segments[i].width, expected[i].width);
    }

    test::RecordingSurface s = paint();
    EXPECT_EQ(s.texts(), (std::vector<std::string>{"a", "SOH", "b", "FF", "c", "NEL", "d"}));
    const PaintOp* soh = s.find_text("SOH");
    EXPECT_EQ(soh->colour, kYellow);
    EXPECT_EQ(soh->rect.x, 22 + 8 + 1);
    EXPECT_EQ(s.find_text("FF")->colour, kWhite);
    const auto control_boxes = fills_of(s, view.colours().control_box);
    ASSERT_EQ(control_boxes.size(), 2u);
    EXPECT_EQ(control_boxes[0].rect, (Rect{30, 0, 25, 16}));
    EXPECT_EQ(fills_of(s, view.colours().byte_box).at(0).rect, (Rect{64, 0, 17, 16}));

    // A box cut by the pane's edge keeps its box but loses its label.
    view.resize(22 + 50, 160);
    test::RecordingSurface narrow;
    view.paint(narrow, Rect{0, 0, 72, 160}, false);
    EXPECT_EQ(narrow.texts(), (std::vector<std::string>{"a", "SOH", "b"}));
    view.resize(22 + 30, 160);
    test::RecordingSurface narrower;
    view.paint(narrower, Rect{0, 0, 52, 160}, false);
    EXPECT_EQ(narrower.texts(), (std::vector<std::string>{"a"}));
    EXPECT_EQ(fills_of(narrower, view.colours().control_box).size(), 1u);
}

TEST_F(EditorView, LineEndsShowAsBoxesOnlyWhenAskedFor) {
    load("ab\r\ncd\n");
    set(true, false);
    test::RecordingSurface hidden = paint();
    EXPECT_EQ(hidden.texts(), (std::vector<std::string>{"ab", "cd", "1", "2", "3"}));
    EXPECT_TRUE(fills_of(hidden, view.colours().control_box).empty());

    set(true, true);
    test::RecordingSurface shown = paint();
    EXPECT_EQ(shown.texts(), (std::vector<std::string>{"ab", "CR", "LF", "cd", "LF", "1", "2", "3"}));
    EXPECT_EQ(fills_of(shown, view.colours().control_box).size(), 3u);
    // Line numbers stand right-aligned before the 4-pixel margin of a 68-pixel gutter.
    EXPECT_EQ(view.gutter_width(), 4 + 8 * 8);
    EXPECT_EQ(shown.find_text("2")->rect, (Rect{68 - 4 - 8, 16 + 12, 0, 0}));
}

TEST_F(EditorView, ALongLineCutIntoIndexLinesShowsContinuationMarks) {
    load(std::string(5000, 'x') + "\nend");
    ASSERT_EQ(document.index().line_count(), 4);
    test::RecordingSurface s = paint();
    const auto marks = s.of_kind(PaintOp::Kind::image);
    ASSERT_EQ(marks.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(marks[i].picture, kImageContinuationMark);
        EXPECT_EQ(marks[i].rect.y, 16.0 * static_cast<double>(i));
        // Right after the line's last character.
        const double line_bytes = document.index().line_length(static_cast<int32_t>(i));
        EXPECT_EQ(marks[i].rect.x, view.gutter_width() + 8 * line_bytes + 2);
    }
    // One number for the user's line however many index lines it took.
    EXPECT_EQ(s.find_text("1")->rect.y, 12);
    EXPECT_EQ(s.find_text("2")->rect.y, 3 * 16 + 12);

    // The status counts the column over the whole user's line, in characters.
    document.set_caret(4500);
    EXPECT_EQ(view.caret_status(), "Ln 1  col 4,501  Pos  4,500");
    view.key_press({kKeyEnd, kModifierCtrl}, "");
    EXPECT_EQ(view.caret_status(), "Ln 2  col 4  Pos  5,004");
}

TEST_F(EditorView, StatusHintAndGutterOfAFreshDocument) {
    load("");
    EXPECT_EQ(view.caret_status(), "Ln 1  col 1  Pos  0");
    EXPECT_TRUE(view.shows_hint());
    const std::pair<const char*, const char*> kinds[] = {
        {"XML", "XML document"}, {"DTD", "DTD"}, {"JSON", "JSON document"}, {"Plain Text", "text"}};
    for (const auto& [type, word] : kinds) {
        view.set_document_type(type);
        test::RecordingSurface s = paint();
        EXPECT_TRUE(s.find_text(std::string("(To start, type your ") + word + " here or open existing file.)"))
            << type;
    }
    view.key_press({kKeyNone, kModifierNone}, "\xC3\xA9");  // é
    view.key_press({kKeyEnter, kModifierNone}, "");
    view.key_press({kKeyNone, kModifierShift}, "\xE4\xB8\xAD" "x");  // 中x
    document.run_scan_slice();
    EXPECT_FALSE(view.shows_hint());
    EXPECT_EQ(paint().texts(), (std::vector<std::string>{"\xC3\xA9", "\xE4\xB8\xAD" "x", "1", "2"}));
    EXPECT_EQ(view.caret_status(), "Ln 2  col 3  Pos  4");
    set(false, false);
    EXPECT_EQ(view.gutter_width(), 22);
}

TEST_F(EditorView, StylesFontsTabsAndTheWidthCache) {
    set(false, false);
    // The tag is in the second font (10 pixels a character), the tab reaches the stop at 4
    // "X" widths, the digit has its own colour.
    load("<a>\t1");
    test::RecordingSurface s = paint();
    const PaintOp* tag = s.find_text("<a>");
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->font, kSecondEditorFont);
    EXPECT_EQ(tag->rect.x, 22);
    const PaintOp* digit = s.find_text("1");
    EXPECT_EQ(digit->font, kFirstEditorFont);
    EXPECT_EQ(digit->rect.x, 22 + 32);
    EXPECT_EQ(digit->colour, (Colour{192, 0, 0}));
    EXPECT_EQ(view.x_in_line(4), 32);

    // Tab size 8 moves the stop to 64 and lays the line out anew.
    EditorSettings settings = view.settings();
    settings.tab_size = 8;
    view.set_settings(settings);
    EXPECT_EQ(view.x_in_line(4), 64);

    // Fifty equal tags are shaped once.
    std::string tags;
    for (int i = 0; i < 50; ++i) tags += "<b>";
    load(tags);
    const int before = shaper.width_calls;
    EXPECT_EQ(view.layout(0).width(), 50 * 30);
    EXPECT_EQ(shaper.width_calls - before, 1);
}

TEST_F(EditorView, LayoutsAreCachedUntilTheLineOrItsStateChanges) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i) + "\n";
    load(text);
    LineLayoutCache& cache = view.layout_cache();
    for (int32_t line = 0; line < 150; ++line) view.layout(line);
    EXPECT_EQ(cache.size(), 150u);
    const int64_t built = cache.builds();
    for (int32_t line = 0; line < 150; ++line) view.layout(line);
    EXPECT_EQ(cache.builds(), built);
    view.layout(150);  // the 151st empties the cache
    EXPECT_EQ(cache.size(), 1u);

    for (int32_t line = 0; line < 10; ++line) view.layout(line);
    const int64_t filled = cache.builds();
    // Typing in line 3 rebuilds line 3 only.
    document.set_caret(document.index().line_start(3));
    view.key_press({kKeyNone, kModifierNone}, "z");
    document.run_scan_slice();
    EXPECT_EQ(view.layout(3).text(), "zline 3\n");
    view.layout(2);
    view.layout(4);
    EXPECT_EQ(cache.builds(), filled + 1);
    // A new colouring state at a line's start rebuilds it.
    document.index().scan(5).state = 9;
    EXPECT_EQ(view.layout(5).state(), 9);
    EXPECT_EQ(cache.builds(), filled + 2);
}

TEST_F(EditorView, HighlightsAreFramedInTheirStyleAndFollowEdits) {
    set(false, false);
    load("say hello, world\n");
    const TextSpan hello{4, 9};
    view.set_highlights({&hello, 1});
    auto frames = paint().of_kind(PaintOp::Kind::frame);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].rect, (Rect{22 + 32, 0, 40, 16}));
    EXPECT_EQ(frames[0].style, FrameStyle::solid);

    EditorSettings settings = view.settings();
    settings.highlight_style = FrameStyle::dotted;
    view.set_settings(settings);
    view.key_press({kKeyHome, kModifierCtrl}, "");
    view.key_press({kKeyNone, kModifierNone}, ">>");
    frames = paint().of_kind(PaintOp::Kind::frame);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].rect, (Rect{22 + 48, 0, 40, 16}));
    EXPECT_EQ(frames[0].style, FrameStyle::dotted);
}

TEST_F(EditorView, ClicksPlaceTheCaretAndSelectWordsAndLines) {
    set(false, false);
    load("say hello, world\r\nnext line\n");
    // Row 1, a little right of the third character's end: the boundary after it.
    view.mouse_press(22 + 3 * 8 + 3, 16 + 5, 1, kModifierNone);
    view.mouse_release();
    EXPECT_EQ(document.caret(), 18 + 3);
    EXPECT_FALSE(document.has_selection());
    // A click right of a line's end lands before its line end.
    view.mouse_press(390, 2, 1, kModifierNone);
    EXPECT_EQ(document.caret(), 16);
    // Shift extends from the anchor.
    view.mouse_press(22 + 4, 16 + 1, 1, kModifierShift);
    EXPECT_EQ(document.selection_anchor(), 16);
    EXPECT_EQ(document.caret(), 18);

    view.mouse_press(22 + 6 * 8, 4, 2, kModifierNone);  // inside "hello"
    EXPECT_EQ(document.selection_anchor(), 4);
    EXPECT_EQ(document.caret(), 9);
    // Dragging back from a word keeps the word and reaches back.
    view.mouse_move(22 + 1, 4);
    EXPECT_EQ(document.selection_anchor(), 9);
    EXPECT_EQ(document.caret(), 0);
    view.mouse_release();

    view.mouse_press(22 + 80, 4, 3, kModifierNone);
    EXPECT_EQ(document.selection_anchor(), 0);
    EXPECT_EQ(document.caret(), 18);  // the line with its CR LF
    // The selection shows over the line and its terminator, whose boxes keep their width
    // when hidden.
    const auto fills = fills_of(paint(), view.colours().selection);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect.x, 22);
    EXPECT_EQ(fills[0].rect.width, 16 * 8 + 2 * (2 * 8 + 2));
}

TEST_F(EditorView, PagingWheelAndTheScrollMargin) {
    set(false, false);
    std::string text;
    for (int i = 0; i < 100; ++i) text += "row\n";
    text += std::string(300, 'w');
    load(text);
    EXPECT_EQ(view.lines_per_page(), 10);
    // The view moves a page, then back far enough to keep the caret 50 pixels from its top.
    view.key_press({kKeyPageDown, kModifierNone}, "");
    EXPECT_EQ(document.index().line_of(document.caret()), 10);
    EXPECT_EQ(view.top_line(), 6);
    view.key_press({kKeyPageDown, kModifierNone}, "");
    EXPECT_EQ(document.index().line_of(document.caret()), 20);
    EXPECT_EQ(view.top_line(), 16);
    view.key_press({kKeyPageUp, kModifierNone}, "");
    EXPECT_EQ(document.index().line_of(document.caret()), 11);
    EXPECT_EQ(view.top_line(), 6);
    view.key_press({kKeyPageUp, kModifierShift}, "");
    EXPECT_EQ(document.index().line_of(document.caret()), 2);
    EXPECT_EQ(document.selection_anchor(), document.index().line_start(11));
    EXPECT_EQ(view.top_line(), 0);

    view.wheel(0, -120);
    EXPECT_EQ(view.top_line(), 3);
    view.wheel(0, -40);  // a third of a notch is one line
    EXPECT_EQ(view.top_line(), 4);
    view.wheel(0, 10 * 120);
    EXPECT_EQ(view.top_line(), 0);

    // The end of the 300-character last line: the caret's right edge stays 50 pixels inside.
    view.key_press({kKeyEnd, kModifierCtrl}, "");
    EXPECT_EQ(view.top_line(), 101 - 10);
    const double text_width = 400 - 22;
    EXPECT_EQ(view.x_offset(), 300 * 8 + 1 + 50 - text_width);
    // The range reaches over the index's longest-line estimate in "X" widths.
    const ScrollBarState h = view.horizontal_scroll();
    EXPECT_EQ(h.maximum, document.index().longest_line_estimate() * 8 - text_width);
    EXPECT_EQ(h.single_step, 8);
    // Back home the margin cannot be kept to the left of the text.
    view.key_press({kKeyHome, kModifierNone}, "");
    EXPECT_EQ(view.x_offset(), 0);
    const ScrollBarState v = view.vertical_scroll();
    EXPECT_EQ(v.maximum, 101 - 10);
    EXPECT_EQ(v.page, 10);
}

}  // namespace
}  // namespace tessel
