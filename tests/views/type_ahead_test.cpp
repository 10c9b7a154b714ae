// The type-ahead rule with the time passed in: quick letters make one prefix, a pause starts
// a new one, a letter typed again steps through the items beginning with it; and the tree
// model's search for a grown prefix, which may stay on the selection.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "parse/document_tree.h"
#include "parse/xml_parser.h"
#include "views/tree_view_model.h"
#include "views/type_ahead.h"

namespace tessel {
namespace {

TEST(TypeAhead, QuickLettersGrowOnePrefixAndAPauseStartsANewOne) {
    TypeAhead typing;
    struct Step {
        const char* typed;
        double at_ms;
        const char* text;
        bool from_selection;
    };
    const Step steps[] = {
        {"c", 0, "c", false},         {"a", 150, "ca", true},     {"c", 300, "cac", true},
        {"h", 1250, "cach", true},    // 950 ms after the last letter: still the same prefix
        {"e", 2300, "e", false},      // a pause of more than a second
        {"\xC3\xA9", 2400, "e\xC3\xA9", true},
        {"d", 9000, "d", false},      {"d", 9100, "d", false},    // the same letter again: the next "d"
        {"d", 9200, "d", false},      {"o", 9300, "dddo", true},  // another letter ends the stepping
    };
    for (const Step& step : steps) {
        const TypeAheadSearch search = typing.add(step.typed, step.at_ms);
        EXPECT_EQ(search.text, step.text) << step.typed << " at " << step.at_ms;
        EXPECT_EQ(search.from_selection, step.from_selection) << step.typed << " at " << step.at_ms;
    }
    typing.reset();
    EXPECT_EQ(typing.add("x", 9400).text, "x");
}

class TypeAheadInATree : public ::testing::Test {
protected:
    void SetUp() override {
        tree = parse_xml(text);
        model.set_document(tree.get(), nullptr);
        ASSERT_TRUE(model.expand(model.item_at_row(1)));
        ASSERT_TRUE(model.select_at(1, kSelectedByPosition));
    }
    // Types each letter as the tree view does, all within a pause.
    std::string type(const std::string& letters, double start_ms) {
        for (size_t i = 0; i < letters.size(); ++i) {
            const TypeAheadSearch search = typing.add(letters.substr(i, 1), start_ms + 100.0 * static_cast<double>(i));
            model.type_ahead(search.text, search.from_selection);
        }
        return model.selected_item()->label;
    }
    std::string text = "<c><cache/><alias/><cachedir/><dir/><double/><cachedir/><config/></c>";
    std::unique_ptr<DocumentTree> tree;
    TreeViewModel model;
    TypeAhead typing;
};

TEST_F(TypeAheadInATree, AWordTypedQuicklyFindsTheItemItBegins) {
    // "c" finds "cache", which "ca" to "cache" go on matching; "cached" moves on to "cachedir".
    EXPECT_EQ(type("cached", 0), "cachedir");
    EXPECT_EQ(model.selected_row(), 4);
    // After a pause "cache" starts again after the selection: the second "cachedir".
    EXPECT_EQ(type("cache", 5000), "cachedir");
    EXPECT_EQ(model.selected_row(), 7);
    // After another pause "d" searches on from there, round the top, to "dir"; an "o" typed
    // quickly after it makes "do": "double".
    EXPECT_EQ(type("d", 9000), "dir");
    EXPECT_EQ(type("o", 9050), "double");
    // One letter again and again steps through the items that begin with it.
    model.select_at(1, kSelectedByPosition);
    typing.reset();
    EXPECT_EQ(type("ccc", 20000), "cachedir");
    EXPECT_EQ(model.selected_row(), 7);
}

}  // namespace
}  // namespace tessel
