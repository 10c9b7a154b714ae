// The tree view model: outline rows against independent walks of real documents, locating
// against node spans, drilling, type-ahead, the wheel, and laziness on a huge element.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "parse/document_tree.h"
#include "parse/node_description.h"
#include "parse/xml_nodes.h"
#include "parse/xml_parser.h"
#include "tests/file_contents.h"
#include "views/tree_view_model.h"

namespace tessel {
namespace {

constexpr const char* kLanguages = "/usr/share/xml/iso-codes/iso_639-3.xml";
constexpr const char* kMimeTypes = "/usr/share/mime/packages/freedesktop.org.xml";

// A parsed real document; the text must outlive the tree.
struct Loaded {
    std::string text;
    std::unique_ptr<DocumentTree> tree;
};

Loaded load(const char* path) {
    Loaded loaded;
    loaded.text = test::file_contents(path);
    if (!loaded.text.empty()) loaded.tree = parse_xml(loaded.text);
    return loaded;
}

#define LOAD_OR_SKIP(var, path) \
    TESSEL_REQUIRE_INPUT(path);  \
    Loaded var = load(path);     \
    ASSERT_TRUE(var.tree)

struct Report {
    int32_t node_index;
    int source;
    bool operator==(const Report&) const = default;
};

class RecordingOwner final : public TreeViewOwner {
public:
    void tree_selection_changed(int32_t node_index, int source) override {
        reports.push_back({node_index, source});
    }
    std::vector<Report> reports;
};

std::string display_text(Node& node) {
    SmallArena arena;
    QueryResult result;
    run_query(node, kQueryDisplay, arena, result);
    return std::string(result.text);
}

// Every node in document order, found through child() alone.
std::vector<Node*> preorder(Node* root) {
    std::vector<Node*> out;
    std::vector<std::pair<Node*, int32_t>> stack{{root, 0}};
    out.push_back(root);
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        Node* child = node->child(next++);
        if (!child) {
            stack.pop_back();
            continue;
        }
        out.push_back(child);
        stack.push_back({child, 0});
    }
    return out;
}

int32_t count_children(Node* node) {
    int32_t n = 0;
    while (node->child(n)) ++n;
    return n;
}

bool covers(Node& node, TextPos offset) {
    NodeSpans s = node.spans();
    return s.first >= 0 && s.first <= offset && offset <= s.last;
}

// The deepest node covering offset by trying every child in turn; the document covers from
// 0 to the end of its last child.
Node* covering_node_by_scan(DocumentTree& tree, TextPos offset) {
    Node* node = tree.root();
    const int32_t n = count_children(node);
    if (n == 0 || offset < 0 || offset > node->child(n - 1)->spans().last) return nullptr;
    for (;;) {
        Node* next = nullptr;
        for (int32_t i = 0; Node* c = node->child(i); ++i)
            // An attribute is part of its element.
            if (covers(*c, offset) && !dynamic_cast<AttributeNode*>(c)) {
                next = c;
                break;
            }
        if (!next) return node;
        node = next;
    }
}

// Follows a path of child indexes from the document's root node.
Node* node_at_path(DocumentTree& tree, const std::vector<int32_t>& path) {
    Node* node = tree.root();
    for (int32_t index : path) node = node ? node->child(index) : nullptr;
    return node;
}

TEST(TreeViewModel, SetDocumentShowsTheRootExpandedAndSelected) {
    LOAD_OR_SKIP(doc, kLanguages);
    RecordingOwner owner;
    TreeViewModel model;
    model.set_document(doc.tree.get(), &owner);

    ASSERT_TRUE(model.has_tree());
    TreeItem* root = model.root();
    EXPECT_EQ(root->label, "XML Document");
    EXPECT_TRUE(model.root_is_document());
    EXPECT_TRUE(root->expanded);
    EXPECT_EQ(root->x(), 24);
    EXPECT_EQ(model.selected_item(), root);
    EXPECT_TRUE(model.selected_path().empty());
    EXPECT_EQ(model.selected_node(), 0);
    EXPECT_EQ(model.parent_of_selection(), -1);
    EXPECT_TRUE(owner.reports.empty()) << "a reset is not a selection by the user";

    const int32_t top = count_children(doc.tree->root());
    ASSERT_GT(top, 0);
    EXPECT_EQ(model.visible_rows(), 1 + top);
    TreeItem* first = model.item_at_row(1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->node, doc.tree->root()->child(0));
    EXPECT_EQ(first->label, display_text(*first->node));
    EXPECT_EQ(first->x(), 40);
    EXPECT_EQ(first->node_index, 0);
    EXPECT_FALSE(first->expanded);

    ScrollExtent extent = model.scroll_extent();
    EXPECT_EQ(extent.width, 1000);
    EXPECT_EQ(extent.height, (1 + top) * TreeViewModel::kDefaultLineHeight + 20);
    model.set_line_height(20);
    model.expand(first);
    EXPECT_EQ(model.scroll_extent().height, model.visible_rows() * 20 + 20);

    // A second reset starts over: nothing of the old outline survives.
    model.select_at(2, kSelectedByPosition);
    model.set_document(doc.tree.get(), &owner);
    EXPECT_EQ(model.visible_rows(), 1 + top);
    EXPECT_EQ(model.selected_item(), model.root());
}

TEST(TreeViewModel, RootIsTheDocumentOnlyWhenLabelledSo) {
    std::string text = "<a/><b x='1'/>";
    auto tree = parse_xml(text);
    TreeViewModel model;
    model.set_document(tree.get(), nullptr);
    EXPECT_EQ(model.root()->label, "2 XML tags");
    EXPECT_FALSE(model.root_is_document());
    EXPECT_EQ(model.visible_rows(), 3);
    EXPECT_EQ(model.item_at_row(2)->x(), 40);
}

TEST(TreeViewModel, ExpandAndCollapseCountRowsLikeAWalkOfTheNodes) {
    LOAD_OR_SKIP(doc, kLanguages);
    const std::vector<Node*> all = preorder(doc.tree->root());
    RecordingOwner owner;
    TreeViewModel model;
    model.set_document(doc.tree.get(), &owner);

    // Expanding each row as it is reached opens the whole document in document order.
    std::vector<Node*> shown;
    for (TreeItem* item = model.root(); item; item = model.next_visible(item)) {
        model.expand(item);
        shown.push_back(item->node);
    }
    ASSERT_EQ(shown.size(), all.size());
    EXPECT_TRUE(shown == all);
    EXPECT_EQ(model.visible_rows(), static_cast<int64_t>(all.size()));
    for (size_t r = 0; r < all.size(); r += 37) {
        TreeItem* item = model.item_at_row(static_cast<int64_t>(r));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->node, all[r]) << "row " << r;
        EXPECT_EQ(model.row_of(*item), static_cast<int64_t>(r));
    }
    EXPECT_EQ(model.item_at_row(static_cast<int64_t>(all.size())), nullptr);

    // Collapsing the root element hides everything below it; the selection, which was deep
    // inside, moves up to it and is reported.
    const int64_t deep_row = static_cast<int64_t>(all.size()) - 2;
    ASSERT_TRUE(model.select_at(deep_row, kSelectedByPosition));
    TreeItem* element_item = nullptr;
    for (TreeItem* item = model.item_at_row(1); item; item = model.next_visible(item))
        if (item->depth == 1 && dynamic_cast<ElementNode*>(item->node)) {
            element_item = item;
            break;
        }
    ASSERT_NE(element_item, nullptr);
    const int64_t below = static_cast<int64_t>(preorder(element_item->node).size()) - 1;
    owner.reports.clear();
    EXPECT_TRUE(model.collapse(element_item));
    EXPECT_FALSE(model.collapse(element_item));
    EXPECT_EQ(model.visible_rows(), static_cast<int64_t>(all.size()) - below);
    EXPECT_EQ(model.selected_item(), element_item);
    EXPECT_EQ(owner.reports, (std::vector<Report>{{element_item->node_index, 0}}));

    // The items below keep their state: expanding again shows every row once more.
    EXPECT_TRUE(model.expand(element_item));
    EXPECT_EQ(model.visible_rows(), static_cast<int64_t>(all.size()));

    // A change below a collapsed item shows once it is expanded again, and not before.
    ASSERT_FALSE(element_item->open_children.empty());
    TreeItem* entry = element_item->open_children.begin()->second;
    EXPECT_TRUE(model.collapse(element_item));
    const int64_t collapsed_rows = model.visible_rows();
    EXPECT_TRUE(model.collapse(entry));
    EXPECT_EQ(model.visible_rows(), collapsed_rows);
    EXPECT_TRUE(model.expand(element_item));
    EXPECT_EQ(model.visible_rows(), static_cast<int64_t>(all.size()) - entry->child_count);
    EXPECT_TRUE(model.expand(entry));
    EXPECT_EQ(model.visible_rows(), static_cast<int64_t>(all.size()));
    EXPECT_TRUE(model.collapse(model.root()));
    EXPECT_EQ(model.visible_rows(), 1);
    EXPECT_EQ(model.selected_item(), model.root());
    EXPECT_TRUE(model.expand(model.root()));
    EXPECT_EQ(model.visible_rows(), static_cast<int64_t>(all.size()));

    // A leaf has nothing to expand.
    TreeItem* last = model.item_at_row(model.visible_rows() - 1);
    EXPECT_FALSE(last->has_children());
    EXPECT_FALSE(model.expand(last));
}

TEST(TreeViewModel, LocateOnEveryElementStartSelectsThatElement) {
    LOAD_OR_SKIP(doc, kMimeTypes);
    RecordingOwner owner;
    TreeViewModel model;
    model.set_document(doc.tree.get(), &owner);
    int32_t elements = 0;
    for (Node* node : preorder(doc.tree->root())) {
        auto* element = dynamic_cast<ElementNode*>(node);
        if (!element) continue;
        ++elements;
        const TextPos start = element->spans().first;
        ASSERT_EQ(doc.text[static_cast<size_t>(start)], '<');
        owner.reports.clear();
        ASSERT_TRUE(model.locate(start)) << start;
        TreeItem* selected = model.selected_item();
        ASSERT_EQ(selected->node, element) << "offset " << start;
        // The path names the element, and the item is really in view at its row.
        EXPECT_EQ(node_at_path(*doc.tree, model.selected_path()), element);
        EXPECT_EQ(model.item_at_row(model.selected_row()), selected);
        EXPECT_EQ(owner.reports, (std::vector<Report>{{selected->node_index, 0}}));
    }
    EXPECT_GT(elements, 1000);
}

TEST(TreeViewModel, LocateAgreesWithAScanOfEveryChild) {
    LOAD_OR_SKIP(doc, kMimeTypes);
    TreeViewModel model;
    model.set_document(doc.tree.get(), nullptr);
    // Offsets land in tags, attribute values, texts, comments and the prolog.
    int32_t in_attributes = 0, texts = 0;
    for (TextPos offset = 0; offset < static_cast<TextPos>(doc.text.size()); offset += 1009) {
        Node* expected = covering_node_by_scan(*doc.tree, offset);
        if (!expected) {
            EXPECT_FALSE(model.locate(offset)) << offset;
            continue;
        }
        ASSERT_TRUE(model.locate(offset)) << offset;
        EXPECT_EQ(model.selected_item()->node, expected) << "offset " << offset;
        in_attributes += doc.text.rfind('"', static_cast<size_t>(offset)) > doc.text.rfind('>', static_cast<size_t>(offset)) &&
                         dynamic_cast<ElementNode*>(expected) != nullptr;
        texts += dynamic_cast<TextNode*>(expected) != nullptr;
    }
    EXPECT_GT(in_attributes, 0);
    EXPECT_GT(texts, 0);
}

TEST(TreeViewModel, LocateOutsideTheRootSelectsNothing) {
    std::string text = "<?xml version='1.0'?>\n<a><b k='v'>t</b></a>\n<!-- tail -->\n";
    auto tree = parse_xml(text);
    RecordingOwner owner;
    TreeViewModel model;
    model.set_document(tree.get(), &owner);
    ASSERT_TRUE(model.locate(static_cast<TextPos>(text.find('t', text.find("'v'")))));
    TreeItem* selected = model.selected_item();
    EXPECT_EQ(selected->label, "t");
    owner.reports.clear();

    for (TextPos offset : {TextPos{-1}, static_cast<TextPos>(text.find("tail")),
                           static_cast<TextPos>(text.size()), TextPos{1 << 30}}) {
        EXPECT_FALSE(model.locate(offset)) << offset;
        EXPECT_EQ(model.selected_item(), selected);
    }
    EXPECT_TRUE(owner.reports.empty());
    // The prolog belongs to the document itself.
    EXPECT_TRUE(model.locate(2));
    EXPECT_EQ(model.selected_item(), model.root());
    EXPECT_EQ(owner.reports, (std::vector<Report>{{0, 0}}));
}

TEST(TreeViewModel, LocateDescendsAtMostAThousandLevels) {
    std::string text;
    for (int i = 0; i < 1200; ++i) text += "<a>";
    const TextPos inner = static_cast<TextPos>(text.size());
    text += "x";
    for (int i = 0; i < 1200; ++i) text += "</a>";
    auto tree = parse_xml(text);
    TreeViewModel model;
    model.set_document(tree.get(), nullptr);
    ASSERT_TRUE(model.locate(inner));
    EXPECT_EQ(model.selected_item()->depth, TreeViewModel::kLocateDepthLimit);
    EXPECT_EQ(model.selected_path().size(), 1000u);
    // Everything above it was opened, one row a level; it stays closed itself.
    EXPECT_FALSE(model.selected_item()->expanded);
    EXPECT_EQ(model.visible_rows(), 1 + 1000);
    EXPECT_EQ(model.item_at_row(1000), model.selected_item());
    EXPECT_EQ(model.selected_item()->x(), 24 + 16 * 1000);
}

TEST(TreeViewModel, LongLabelsAreCutAtACharacterBoundary) {
    std::string content;
    for (int i = 0; i < 3000; ++i) content += "\xE2\x82\xAC";  // the euro sign, three bytes
    std::string text = "<a>" + content + "</a>";
    auto tree = parse_xml(text);
    TreeViewModel model;
    model.set_document(tree.get(), nullptr);
    model.expand(model.item_at_row(1));
    TreeItem* item = model.item_at_row(2);
    ASSERT_NE(item, nullptr);
    // 1,365 whole characters, then the mark that says the rest is left out.
    EXPECT_EQ(item->label.size(), 4095u + 3u);
    EXPECT_TRUE(item->label == content.substr(0, 4095) + "\xE2\x80\xA6");
    EXPECT_TRUE(item->cut);
    EXPECT_TRUE(model.type_ahead("\xE2\x82\xAC\xE2\x82\xAC"));
    // The tooltip holds the first 4,000 bytes, cut before a character, and the mark.
    const std::string tip = model.tooltip_of(*item);
    EXPECT_TRUE(tip == content.substr(0, 3999) + "\xE2\x80\xA6") << tip.size();
}

TEST(TreeViewModel, ALabelShowsTheFirstLineOfAValueAndMarksTheRest) {
    // Mixed content: the text pieces are rows of their own.
    std::string text = "<a><m>first line\n  second line<b/>one line<b/>\n  third\n</m></a>";
    auto tree = parse_xml(text);
    TreeViewModel model;
    model.set_document(tree.get(), nullptr);
    model.expand(model.item_at_row(1));
    model.expand(model.item_at_row(2));
    std::vector<std::pair<std::string, bool>> labels;
    for (int64_t row = 3; row < model.visible_rows(); ++row)
        labels.emplace_back(model.item_at_row(row)->label, model.item_at_row(row)->cut);
    const std::vector<std::pair<std::string, bool>> expected{
        {"first line\xE2\x80\xA6", true}, {"b", false}, {"one line", false}, {"b", false}, {"third", false}};
    EXPECT_EQ(labels, expected);
    // The tooltip of the cut one holds both lines; the others need none.
    EXPECT_EQ(model.tooltip_of(*model.item_at_row(3)), "first line\n  second line");
    EXPECT_EQ(model.tooltip_of(*model.item_at_row(5)), "");
}

TEST(TreeViewModel, DrillUpAndDownRetraceThePath) {
    LOAD_OR_SKIP(doc, kLanguages);
    RecordingOwner owner;
    TreeViewModel model;
    model.set_document(doc.tree.get(), &owner);
    EXPECT_FALSE(model.can_drill_up());
    EXPECT_FALSE(model.drill_up_selection(true));

    // An attribute of some entry, three levels down: locate finds its element.
    const TextPos offset = static_cast<TextPos>(doc.text.find("id=\"eng\""));
    ASSERT_TRUE(model.locate(offset));
    ASSERT_EQ(model.selected_path().size(), 2u);
    TreeItem* element = model.selected_item();
    for (int32_t i = 0; i < element->child_count; ++i)
        if (display_text(*model.child_item(element, i)->node) == "id = \"eng\"") model.drill_down_selection(i, false);
    const std::vector<int32_t> path = model.selected_path();
    ASSERT_EQ(path.size(), 3u);
    Node* attribute = model.selected_item()->node;
    EXPECT_EQ(display_text(*attribute), "id = \"eng\"");
    EXPECT_EQ(model.parent_of_selection(), path[1]);

    owner.reports.clear();
    ASSERT_TRUE(model.drill_up_selection(true));
    EXPECT_EQ(model.selected_path(), std::vector<int32_t>(path.begin(), path.end() - 1));
    EXPECT_EQ(model.selected_node(), path[1]);
    EXPECT_EQ(model.parent_of_selection(), path[0]);
    ASSERT_TRUE(model.drill_up_selection(false));
    ASSERT_TRUE(model.drill_up_selection(true));
    EXPECT_EQ(model.selected_item(), model.root());
    EXPECT_FALSE(model.can_drill_up());
    EXPECT_EQ(owner.reports, (std::vector<Report>{{path[1], 0}, {0, 0}}));

    owner.reports.clear();
    for (int32_t index : path) ASSERT_TRUE(model.drill_down_selection(index, true));
    EXPECT_EQ(model.selected_item()->node, attribute);
    ASSERT_EQ(owner.reports.size(), 3u);
    EXPECT_EQ(owner.reports.back(), (Report{path[2], 0}));
    // Drilling down opened the items on the way, so the selection is in view.
    EXPECT_EQ(model.item_at_row(model.selected_row()), model.selected_item());
    // An attribute has no children to drill into.
    EXPECT_FALSE(model.drill_down_selection(0, true));
    ASSERT_TRUE(model.drill_up_selection(false));
    EXPECT_FALSE(model.drill_down_selection(model.selected_item()->child_count, true));
    EXPECT_FALSE(model.drill_down_selection(-1, true));
    EXPECT_EQ(owner.reports.size(), 3u);

    // select_path goes straight back, and stops where a path leaves the tree.
    EXPECT_TRUE(model.select_path(path));
    EXPECT_EQ(model.selected_item()->node, attribute);
    std::vector<int32_t> wrong = {path[0], path[1], 999};
    EXPECT_FALSE(model.select_path(wrong));
    EXPECT_EQ(model.selected_path(), std::vector<int32_t>(path.begin(), path.end() - 1));
}

TEST(TreeViewModel, TypeAheadSearchesAfterTheSelectionThenOnceFromTheTop) {
    std::string text = "<list><apple/><banana/><Avocado/><cherry/></list>";
    auto tree = parse_xml(text);
    RecordingOwner owner;
    TreeViewModel model;
    model.set_document(tree.get(), &owner);
    ASSERT_TRUE(model.expand(model.item_at_row(1)));
    ASSERT_EQ(model.visible_rows(), 6);
    ASSERT_TRUE(model.select_at(3, kSelectedByPosition));
    ASSERT_EQ(model.selected_item()->label, "banana");
    owner.reports.clear();

    struct Step {
        const char* typed;
        const char* label;
        int64_t row;
    };
    const Step steps[] = {
        {"a", "Avocado", 4},     // after banana; letters match in either case
        {"A", "apple", 2},       // nothing after Avocado, so from the top
        {"ch", "cherry", 5},
        {"xml", "XML Document", 0},  // the wrap reaches the root
        {"app", "apple", 2},
        {"apple", "apple", 2},  // nothing else matches: the search comes back to itself
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(model.type_ahead(step.typed)) << step.typed;
        EXPECT_EQ(model.selected_item()->label, step.label) << step.typed;
        EXPECT_EQ(model.selected_row(), step.row) << step.typed;
        EXPECT_EQ(owner.reports.back(), (Report{model.selected_node(), kSelectedByTypeAhead}));
    }
    const size_t reported = owner.reports.size();
    EXPECT_EQ(reported, std::size(steps));
    EXPECT_FALSE(model.type_ahead("applesauce"));  // longer than every label
    EXPECT_FALSE(model.type_ahead("q"));
    EXPECT_FALSE(model.type_ahead(""));
    EXPECT_EQ(model.selected_item()->label, "apple");
    EXPECT_EQ(owner.reports.size(), reported);

    // Collapsed items are not searched.
    ASSERT_TRUE(model.collapse(model.item_at_row(1)));
    EXPECT_FALSE(model.type_ahead("cherry"));
}

TEST(TreeViewModel, WheelMovesOneVisibleItemPerNotch) {
    LOAD_OR_SKIP(doc, kLanguages);
    RecordingOwner owner;
    TreeViewModel model;
    model.set_document(doc.tree.get(), &owner);
    // The language list (after the DOCTYPE in row 1), and its first entry's attributes.
    ASSERT_TRUE(model.expand(model.item_at_row(2)));
    ASSERT_TRUE(model.expand(model.item_at_row(3)));
    ASSERT_GT(model.visible_rows(), 10);

    // Towards the user: three notches, three items down, one report.
    EXPECT_TRUE(model.wheel(-3 * 120, true));
    EXPECT_EQ(model.selected_row(), 3);
    EXPECT_EQ(owner.reports, (std::vector<Report>{{model.selected_node(), kSelectedByWheel}}));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(model.wheel(-120, true));
    EXPECT_EQ(model.selected_row(), 6);
    EXPECT_EQ(owner.reports.size(), 4u);
    EXPECT_TRUE(model.wheel(120, true));
    EXPECT_EQ(model.selected_row(), 5);

    // Half notches add up; they are consumed even before they move anything.
    EXPECT_TRUE(model.wheel(-60, true));
    EXPECT_EQ(model.selected_row(), 5);
    EXPECT_TRUE(model.wheel(-60, true));
    EXPECT_EQ(model.selected_row(), 6);

    // With the option off the view scrolls instead.
    const size_t reported = owner.reports.size();
    EXPECT_FALSE(model.wheel(-120, false));
    EXPECT_EQ(model.selected_row(), 6);
    EXPECT_EQ(owner.reports.size(), reported);

    // The outline's ends hold the selection.
    EXPECT_TRUE(model.wheel(100 * 120, true));
    EXPECT_EQ(model.selected_row(), 0);
    EXPECT_TRUE(model.wheel(120, true));
    EXPECT_EQ(owner.reports.size(), reported + 1);
    ASSERT_TRUE(model.select_at(model.visible_rows() - 1, kSelectedByPosition));
    EXPECT_TRUE(model.wheel(-120, true));
    EXPECT_EQ(model.selected_row(), model.visible_rows() - 1);
}

TEST(TreeViewModel, WithoutATreeEverythingIsIgnored) {
    EXPECT_STREQ(kTreeViewEmptyText, " This tree view is empty.");
    RecordingOwner owner;
    TreeViewModel model;
    auto check_empty = [&] {
        EXPECT_FALSE(model.has_tree());
        EXPECT_EQ(model.visible_rows(), 0);
        EXPECT_EQ(model.item_at_row(0), nullptr);
        ScrollExtent extent = model.scroll_extent();
        EXPECT_EQ(extent.width, 100);
        EXPECT_EQ(extent.height, 100);
        EXPECT_FALSE(model.wheel(-120, true));
        EXPECT_FALSE(model.type_ahead("a"));
        EXPECT_FALSE(model.locate(0));
        EXPECT_FALSE(model.select_at(0, kSelectedByPosition));
        EXPECT_FALSE(model.drill_up_selection(true));
        EXPECT_FALSE(model.drill_down_selection(0, true));
        EXPECT_EQ(model.selected_node(), -1);
        EXPECT_EQ(model.parent_of_selection(), -1);
        EXPECT_TRUE(model.selected_path().empty());
    };
    check_empty();
    model.set_document(nullptr, &owner);
    check_empty();

    std::string text = "<a><b/></a>";
    auto tree = parse_xml(text);
    model.set_document(tree.get(), &owner);
    ASSERT_TRUE(model.has_tree());
    model.clear();
    check_empty();
    EXPECT_TRUE(owner.reports.empty());
}

// Wraps every node it hands out and counts child() calls across the whole tree.
class CountingNode final : public Node {
public:
    CountingNode(Node* inner, int64_t& calls) : inner_(inner), calls_(calls) {}
    void describe(NodeDescriber& describer) override { inner_->describe(describer); }
    NodeSpans spans() override { return inner_->spans(); }
    Node* child(int32_t index) override {
        ++calls_;
        Node* c = inner_->child(index);
        if (!c) return nullptr;
        auto& wrapper = wrappers_[index];
        if (!wrapper) wrapper = std::make_unique<CountingNode>(c, calls_);
        return wrapper.get();
    }
    Node* inner() const { return inner_; }

private:
    Node* inner_;
    int64_t& calls_;
    std::map<int32_t, std::unique_ptr<CountingNode>> wrappers_;
};

TEST(TreeViewModel, AHugeElementIsNeverWalked) {
    constexpr int32_t kChildren = 200000;
    std::string text = "<r>";
    for (int32_t i = 0; i < kChildren; ++i) text += "<c/>";
    text += "</r>";
    auto tree = parse_xml(text);
    int64_t calls = 0;
    CountingNode root(tree->root(), calls);
    tree->set_root(&root);

    RecordingOwner owner;
    TreeViewModel model;
    model.set_document(tree.get(), &owner);
    EXPECT_LE(calls, 1);
    EXPECT_EQ(model.visible_rows(), 2);

    TreeItem* r = model.item_at_row(1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->label, "r");
    EXPECT_EQ(r->child_count, kChildren);
    EXPECT_TRUE(model.expand(r));
    EXPECT_EQ(model.visible_rows(), 2 + kChildren);
    EXPECT_EQ(model.scroll_extent().height, (2 + kChildren) * 16 + 20);
    EXPECT_LE(calls, 2);

    TreeItem* last = model.item_at_row(1 + kChildren);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->index, kChildren - 1);
    EXPECT_EQ(last->label, "c");
    EXPECT_EQ(model.row_of(*last), 1 + kChildren);
    EXPECT_LE(calls, 3);

    // Locating bisects: a few dozen children are looked at, not 200 000.
    const int32_t k = 123457;
    const TextPos start = 3 + 4 * k;
    const int64_t before = calls;
    ASSERT_TRUE(model.locate(start + 1));
    EXPECT_LE(calls - before, 40);
    TreeItem* found = model.selected_item();
    EXPECT_EQ(found->index, k);
    EXPECT_EQ(found->node->spans().first, start);
    EXPECT_EQ(model.selected_row(), 2 + k);

    ASSERT_TRUE(model.wheel(-3 * 120, true));
    EXPECT_EQ(model.selected_item()->index, k + 3);
    EXPECT_EQ(owner.reports.back(), (Report{k + 3, kSelectedByWheel}));
    EXPECT_LE(calls, 64);
}

}  // namespace
}  // namespace tessel
