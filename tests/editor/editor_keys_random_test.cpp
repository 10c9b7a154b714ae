// Random key sequences through EditorViewModel onto a real TextDocument with its EditHistory,
// against the same keys applied to a std::string by a plain reference written from the key
// table: after every key the texts, carets and anchors agree, the caret stands on a character
// boundary outside any CR LF, and the view shows it. At the end the history takes the text
// back to where it started and forward again.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "editor/editor_view_model.h"
#include "tests/editor/editor_reference.h"
#include "text/edit_history.h"

namespace tessel {
namespace {

using test::Keyboard;
using test::Reference;
using test::is_stop;
using test::continuation;

TEST(EditorKeysRandom, KeySequencesMatchAStringModel) {
    static const int32_t kKeys[] = {kKeyLeft,  kKeyRight,     kKeyUp,
                                      kKeyDown,  kKeyHome,      kKeyEnd,
                                      kKeyPageUp, kKeyPageDown, kKeyBackspace,
                                      kKeyDelete,   kKeyTab,       kKeyEnter};
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Keyboard keys(seed);
        TextDocument document;
        EditHistory history;
        document.set_history(&history);
        test::FixedAdvanceShaper shaper;
        EditorViewModel view(document, shaper);
        Reference ref;
        ref.keep_tabs = keys.below(2) == 0;
        ref.tab_size = std::array{1, 2, 4, 8}[static_cast<size_t>(keys.below(4))];
        EditorSettings settings;
        settings.keep_tabs = ref.keep_tabs;
        settings.tab_size = ref.tab_size;
        settings.line_numbers = keys.below(2) == 0;
        view.set_settings(settings);
        view.resize(400, 160);
        ref.lines_per_page = 160 / 16;

        // Some sessions start empty, some in a line that the 2,000-byte cut splits.
        std::string initial = keys.text(seed % 3 == 0 ? 0 : 40 + keys.below(400));
        if (seed % 4 == 1) initial = keys.long_line() + initial;
        document.set_text(initial);
        ref.m.set_text(initial);
        if (auto lf = initial.find('\n'); lf != std::string::npos)
            ref.line_end_text = lf > 0 && initial[lf - 1] == '\r' ? "\r\n" : "\n";
        if (!initial.empty()) {
            const int32_t at = keys.below(static_cast<int32_t>(initial.size()) + 1);
            ref.caret = ref.anchor = at;
            while (!is_stop(initial, ref.caret)) ref.caret = ref.anchor = ref.caret - 1;
            document.set_caret(ref.caret);
            view.scroll_caret_into_view(kCaretScrollMargin);
        }

        for (int step = 0; step < 300; ++step) {
            int32_t key = kKeyNone;
            std::string typed;
            if (keys.below(5) == 0) typed = keys.typed();
            else key = kKeys[keys.below(12)];
            const int modifier = keys.below(4) == 0 ? keys.below(5) : keys.below(3) == 0 ? 2 : 0;
            SCOPED_TRACE("step " + std::to_string(step) + " key " + std::to_string(static_cast<int>(key)) +
                         " modifier " + std::to_string(modifier) + " caret " + std::to_string(ref.caret));
            view.key_press({key, modifier}, typed);
            ref.key(key, modifier, typed);
            document.run_scan_slice();

            ASSERT_EQ(document.text(), ref.text);
            ASSERT_EQ(document.caret(), ref.caret);
            ASSERT_EQ(document.selection_anchor(), ref.anchor);
            ASSERT_TRUE(is_stop(ref.text, ref.caret));
            // The view follows the caret: its line and x lie inside the pane.
            const int32_t line = document.index().line_of(document.caret());
            ASSERT_GE(line, view.top_line());
            ASSERT_LT(line, view.top_line() + view.lines_per_page());
            const Rect caret = view.caret_rect();
            ASSERT_GE(caret.x, view.gutter_width());
            ASSERT_LE(caret.x, 400);
        }

        // Every step undone gives the first text back; redone, the last one.
        const std::string final_text = document.text();
        while (history.can_undo()) ASSERT_TRUE(history.undo());
        EXPECT_EQ(document.text(), initial);
        while (history.can_redo()) ASSERT_TRUE(history.redo());
        EXPECT_EQ(document.text(), final_text);
    }
}

}  // namespace
}  // namespace tessel
