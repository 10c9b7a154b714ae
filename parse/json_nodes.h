// The nodes of a JSON document: member names, values (strings, numbers, true, false, null)
// and containers (objects and arrays). The parser writes one record per value and container
// into the tree's record stream (see DocumentTree::write_json_value); nodes are made from
// records only when a view asks, like the nodes of XML. Value texts point into the parsed
// text, which must outlive the tree; member names are the tree's kept names, zero-terminated
// because spans() hands them out as labels.
#pragma once

#include <cstdint>
#include <string_view>

#include "parse/document_tree.h"
#include "parse/node.h"
#include "text/text_pos.h"

namespace tessel {

// The name of an object member: the token's end follows from its start and the name's
// length (the name is its text as written).
struct JsonMemberName {
    const char* text = "";  // without the quotes when quoted; zero-terminated
    uint32_t length = 0;
    TextPos first = -1;      // the name token, quotes included
    TextPos value_end = -1;  // the last offset of the member's value
    bool quoted = true;

    std::string_view name() const { return {text, length}; }
    // The last offset of the name token.
    TextPos last() const { return first + static_cast<TextPos>(length) - (quoted ? -1 : 1); }
    // The name's own characters: between the quotes when quoted.
    TextRange name_span() const {
        return quoted ? TextRange{first + 1, last() - 1} : TextRange{first, last()};
    }
};

// What values and containers share: the member name (none inside an array) and which of
// the two they are, so that walkers need no dynamic cast.
class JsonNode : public RecordNode {
public:
    JsonMemberName* member() { return has_member_ ? &member_ : nullptr; }
    const JsonMemberName* member() const { return has_member_ ? &member_ : nullptr; }
    bool is_container() const { return container_; }
    // Appends `indent` blanks and, for a member, its name and " : ".
    void write_prefix(StringBuilder& out, int indent) const;

protected:
    JsonNode(DocumentTree& tree, bool container) : tree_(tree), container_(container) {}
    // Reads the member name at the front of a record, if the tag says there is one, and
    // returns the value's first offset that follows it.
    TextPos decode_member(const DocumentTree& tree, const uint8_t*& cursor, uint8_t tag);

    DocumentTree& tree_;
    JsonMemberName member_;
    bool has_member_ = false;
    bool container_;
};

// A string, number, true, false or null.
class JsonValueNode final : public JsonNode {
public:
    static constexpr const char* kQuoteRefused = "contains double quotes";
    // A string or name ending in an unpaired backslash would escape its closing quotation
    // mark and run on into the rest of the document.
    static constexpr const char* kBackslashRefused = "ends with a lone backslash";
    static constexpr const char* kNotALiteral = "is not a JSON number, true, false or null";

    explicit JsonValueNode(DocumentTree& tree) : JsonNode(tree, false) {}

    int kind() const override { return kRecordJsonValue; }
    void decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t tag) override;
    void describe(NodeDescriber& describer) override;
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    void apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                    TextEditSink& sink) override;
    std::string dump() override;
    NodeSpans spans() override;
    const char* validate_edit(std::string_view new_text, int query_kind) override;
    std::string prepare_edit(std::string_view typed, int query_kind) override;

    std::string_view text() const { return {text_, length_}; }
    bool is_string() const { return is_string_; }
    // The value's characters (for a string, without its quotes).
    TextRange span() const { return {first_, first_ + static_cast<TextPos>(length_) - 1}; }
    // The whole token, quotes included.
    TextRange token_span() const {
        TextRange s = span();
        return is_string_ ? TextRange{s.first - 1, s.last + 1} : s;
    }

private:
    bool is_string_ = false;
    const char* text_ = "";
    uint32_t length_ = 0;
    TextPos first_ = -1;  // for a string, the first character after the quote
};

// An object or an array.
class JsonContainerNode final : public JsonNode {
public:
    static constexpr const char* kRootName = "JsonDocument";

    explicit JsonContainerNode(DocumentTree& tree) : JsonNode(tree, true) {}

    int kind() const override { return kRecordJsonContainer; }
    void decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t tag) override;
    void describe(NodeDescriber& describer) override;
    // Writes the whole subtree without recursion, so that deep documents cannot exhaust the
    // stack.
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    Node* child(int32_t index) override;
    Node* peek_child(int32_t index, NodeScratch& scratch) override;
    std::string dump() override;
    NodeSpans spans() override;
    const char* validate_edit(std::string_view new_text, int query_kind) override;

    bool is_object() const { return is_object_; }
    bool is_root() const { return root_; }
    int32_t child_count() const { return children_.size(); }
    JsonNode* json_child(int32_t index) const {
        return static_cast<JsonNode*>(tree_.node_at(children_[index]));
    }
    // Children that are values, not containers.
    int32_t value_count() const { return value_count_; }
    TextRange span() const { return {first_, last_}; }
    // How the table view lays the children out: objects 2 (empty), 3 (values only), 4;
    // arrays 5, 6, 7 likewise.
    int kind_code() const;

private:
    bool is_object_ = false;
    bool root_ = false;
    HandleList children_;
    int32_t value_count_ = 0;
    TextPos first_ = -1;
    TextPos last_ = -1;
};

}  // namespace tessel
