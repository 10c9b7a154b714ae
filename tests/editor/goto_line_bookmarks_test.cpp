// Goto Line (preset, clamping, what the field accepts) and the bookmark list (toggle, cycling
// with removal of stale bookmarks, following edits).
#include <gtest/gtest.h>

#include <set>

#include "editor/bookmarks.h"
#include "editor/goto_line.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

TEST(GotoLine, PresetClampAndField) {
    TextDocument doc;
    std::string text;
    for (int i = 0; i < 10; ++i) text += "line " + std::to_string(i) + "\n";
    text.pop_back();  // ten lines, the last without a line feed
    doc.set_text(text);
    ASSERT_EQ(doc.index().line_count(), 10);
    EXPECT_EQ(goto_line_preset(doc), "0");

    EXPECT_TRUE(goto_line(doc, "100000"));
    EXPECT_EQ(doc.caret(), doc.index().line_start(9));
    EXPECT_EQ(goto_line_preset(doc), "9");
    EXPECT_TRUE(goto_line(doc, "  +3 "));
    EXPECT_EQ(doc.caret(), 21);
    EXPECT_TRUE(goto_line(doc, "-4"));
    EXPECT_EQ(doc.caret(), 0);
    EXPECT_TRUE(goto_line(doc, "99999999999999999999999"));
    EXPECT_EQ(doc.caret(), doc.index().line_start(9));
    doc.set_caret(14);
    for (const char* garbage : {"", "  ", "abc", "3x", "- 3", "+", "0x10", "1 2"}) {
        EXPECT_FALSE(goto_line(doc, garbage)) << garbage;
        EXPECT_EQ(doc.caret(), 14) << garbage;
    }
    int64_t v = 0;
    EXPECT_TRUE(parse_line_number("\t-0012", &v));
    EXPECT_EQ(v, -12);
    doc.set_text("");
    EXPECT_TRUE(goto_line(doc, "5"));
    EXPECT_EQ(doc.caret(), 0);
}

// View locations for the tests: a set of locations that still exist.
struct FakeViews final : BookmarkTarget {
    Bookmark here{{7, 0, 0, 0, 1}};
    std::set<int32_t> alive;  // values[0] of the locations that exist
    std::vector<int32_t> shown;
    Bookmark current_location() override { return here; }
    bool apply_location(const Bookmark& b) override {
        if (!alive.count(b.values[0])) return false;
        shown.push_back(b.values[0]);
        return true;
    }
};

Bookmark view_at(int32_t id) {
    return Bookmark{{id, 0, 0, 0, 1}};
}

TEST(Bookmarks, TextBookmarkLayoutAndToggle) {
    const Bookmark b = Bookmark::text(1234);
    EXPECT_EQ(b.values[0], 1234);
    EXPECT_EQ(b.values[1], 0);
    EXPECT_EQ(b.values[2], 0);
    EXPECT_EQ(b.values[3], 0);
    EXPECT_EQ(b.values[4], -1);

    TextDocument doc;
    doc.set_text("0123456789");
    BookmarkList list(doc);
    FakeViews views;
    EXPECT_FALSE(list.enabled());
    doc.set_caret(3);
    EXPECT_TRUE(list.toggle(list.toggle_location(true, &views)));
    EXPECT_TRUE(list.toggle(list.toggle_location(false, &views)));
    EXPECT_EQ(list.at(1), views.here);
    EXPECT_EQ(list.current(), 1);
    EXPECT_TRUE(list.enabled());
    EXPECT_FALSE(list.toggle(Bookmark::text(3)));
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.at(0), views.here);
    list.clear();
    EXPECT_FALSE(list.enabled());
    std::string status = "unchanged";
    EXPECT_FALSE(list.next(&views, &status));
    EXPECT_EQ(status, "unchanged");
}

TEST(Bookmarks, CyclingWrapsAndDropsStaleBookmarks) {
    TextDocument doc;
    doc.set_text("abcdefghij");
    BookmarkList list(doc);
    FakeViews views;
    views.alive = {10, 11};
    list.toggle(Bookmark::text(2));  // 0
    list.toggle(view_at(10));        // 1
    list.toggle(view_at(99));        // 2: gone from the views
    list.toggle(view_at(11));        // 3
    list.toggle(Bookmark::text(5));  // 4
    std::string status;
    EXPECT_TRUE(list.next(&views, &status));  // current 4 -> wraps to 0
    EXPECT_EQ(status, "Next bookmark");
    EXPECT_EQ(doc.caret(), 2);
    EXPECT_TRUE(list.next(&views, &status));
    EXPECT_EQ(views.shown.back(), 10);
    // The stale location is removed and its successor, not the one after, is shown.
    EXPECT_TRUE(list.next(&views, &status));
    EXPECT_EQ(views.shown.back(), 11);
    EXPECT_EQ(list.size(), 4);
    EXPECT_EQ(list.current(), 2);
    EXPECT_TRUE(list.previous(&views, &status));
    EXPECT_EQ(status, "Last  bookmark");
    EXPECT_EQ(views.shown.back(), 10);
    EXPECT_TRUE(list.previous(&views, &status));
    EXPECT_TRUE(list.previous(&views, &status));  // wraps to the last
    EXPECT_EQ(doc.caret(), 5);
    // Once nothing is valid the list empties and stepping reports failure.
    views.alive.clear();
    doc.set_text("");
    EXPECT_FALSE(list.next(&views, &status));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.current(), -1);
}

TEST(Bookmarks, TextBookmarksFollowEditsAndUndo) {
    TextDocument doc;
    EditHistory history;
    doc.set_history(&history);
    doc.set_text("hello world");
    BookmarkList list(doc);
    list.toggle(Bookmark::text(6));  // at "world"
    list.toggle(Bookmark::text(8));
    doc.replace(">> ", 0, 0);
    EXPECT_EQ(list.at(0), Bookmark::text(9));
    doc.replace("", 8, 3);  // removes " wo": the bookmark inside ends where the cut was
    EXPECT_EQ(list.at(0), Bookmark::text(8));
    EXPECT_EQ(list.at(1), Bookmark::text(8));
    // Two bookmarks pushed onto one place go away with one toggle.
    EXPECT_FALSE(list.toggle(Bookmark::text(8)));
    EXPECT_TRUE(list.empty());
    list.toggle(Bookmark::text(10));
    history.undo();
    history.undo();
    EXPECT_EQ(doc.text(), "hello world");
    doc.set_caret(0);
    EXPECT_TRUE(list.next(nullptr, nullptr));
    EXPECT_EQ(doc.caret(), list.at(0).text_offset());
    EXPECT_LE(doc.caret(), doc.length());
}

}  // namespace
}  // namespace tessel
