// The node description protocol: a node reports what it shows by calling a NodeDescriber;
// the collecting describer fills a NodeDescription, from which a query picks one text and
// one source range. The tree view, the tables and the warnings pane all read nodes this way.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "foundation/arena.h"
#include "foundation/array.h"
#include "text/text_pos.h"

namespace tessel {

class DocumentTree;
class Node;

// Layout categories.
enum NodeCategory : int {
    kCategoryNone = 0,
    kCategoryText = 1,       // a text
    kCategoryLeaf = 2,       // name/value leaf: attribute, detail row
    kCategoryContainer = 3,  // shown by its name: document, declaration, one diagnostic
    kCategoryTable = 4,      // its children are the rows of tables: element
    kCategoryValue = 5,      // an element shown as a single value
};

// Description flags.
enum NodeFlags : uint32_t {
    kFlagEditable = 1,           // the name/value cell can be edited
    kFlagBlock = 2,              // shown as a block of text rather than as a table
    kFlagEditableNameValue = 8,  // editable for name and value queries
};

class NodeDescriber {
public:
    virtual ~NodeDescriber() = default;
    virtual void set_category(int category) = 0;
    // All strings are borrowed and must outlive the describer's use of them.
    virtual void set_identity(const char* type_name, int kind_code, int column_group,
                              const char* section_spec, const char* singular_noun,
                              const char* first_column_title) = 0;
    // With copy set the text is copied, so it may be a temporary.
    virtual void set_name(std::string_view text, TextPos first, TextPos last, bool copy) = 0;
    virtual void set_value(std::string_view text, TextPos first, TextPos last, bool copy) = 0;
    virtual void set_second_value(std::string_view text, TextPos first, TextPos last,
                                  bool copy) = 0;
    virtual void set_not_editable_message(const char* text) = 0;
    virtual void set_value_column(const char* title, int kind_code) = 0;
    virtual void set_range(TextPos first, TextPos last) = 0;
    virtual void set_extra(std::string_view text, TextPos first, TextPos last) = 0;
    virtual void set_flags(uint32_t flags) = 0;
    virtual void set_link(const void* value) = 0;
    // which = 1: for the node's own listing and for its cells; 2: for its cells only.
    virtual void set_child_count(int32_t count, int which) = 0;
    virtual void reserved() {}
    // The document the node belongs to, for nodes that read their text from it.
    virtual DocumentTree* document() = 0;
    virtual void set_ranges(std::span<const TextRange> ranges) = 0;
};

struct NodeDescription {
    static constexpr const char* kDefaultNotEditable = "Cells of this type are not editable";

    int category = kCategoryNone;
    const char* type_name = "";
    int kind_code = -1;
    int column_group = 0;
    const char* section_spec = "";
    const char* singular_noun = "";
    const char* first_column_title = "";
    std::string_view name;
    TextRange name_range;
    std::string_view value;
    TextRange value_range;
    bool has_value = false;
    std::string_view second_value;
    TextRange second_value_range;
    const char* not_editable_message = kDefaultNotEditable;
    const char* value_column_title = "value";
    int value_column_kind = -1;
    TextRange range;
    std::string_view extra;
    TextRange extra_range;
    bool has_extra = false;
    uint32_t flags = 0;
    const void* link = nullptr;
    int32_t child_count = 0;       // for the node's own listing
    int32_t cell_child_count = 0;  // for its cells
    uint8_t marker = 255;
    Array<TextRange> ranges;

    // Back to the defaults, with the ranges list drawn from `arena` (cheaper than assigning a
    // fresh description, which queries do millions of times for a large view).
    void reset(Arena& arena);
};

// The describer the views use: collects into a NodeDescription; copied texts go to the
// arena, which must outlive the description.
class DescriptionCollector final : public NodeDescriber {
public:
    DescriptionCollector(NodeDescription& out, Arena& arena, DocumentTree* document)
        : out_(out), arena_(arena), document_(document) {}

    void set_category(int category) override { out_.category = category; }
    void set_identity(const char* type_name, int kind_code, int column_group,
                      const char* section_spec, const char* singular_noun,
                      const char* first_column_title) override;
    void set_name(std::string_view text, TextPos first, TextPos last, bool copy) override;
    void set_value(std::string_view text, TextPos first, TextPos last, bool copy) override;
    void set_second_value(std::string_view text, TextPos first, TextPos last, bool copy) override;
    void set_not_editable_message(const char* text) override { out_.not_editable_message = text; }
    void set_value_column(const char* title, int kind_code) override {
        out_.value_column_title = title;
        out_.value_column_kind = kind_code;
    }
    void set_range(TextPos first, TextPos last) override { out_.range = {first, last}; }
    void set_extra(std::string_view text, TextPos first, TextPos last) override;
    void set_flags(uint32_t flags) override { out_.flags = flags; }
    void set_link(const void* value) override { out_.link = value; }
    void set_child_count(int32_t count, int which) override;
    DocumentTree* document() override { return document_; }
    void set_ranges(std::span<const TextRange> ranges) override;

private:
    std::string_view keep(std::string_view text, bool copy);

    NodeDescription& out_;
    Arena& arena_;
    DocumentTree* document_;
};

// The result of a query: one text, one range, and every range the node covers (at least one).
struct QueryResult {
    std::string_view text;
    TextRange range;
    NodeDescription description;
};

// Lets the node describe itself and selects the text and range for the query kind. Texts
// built by the query (display texts) come from the arena.
void run_query(Node& node, int query_kind, Arena& arena, QueryResult& result,
               DocumentTree* document = nullptr);

}  // namespace tessel
