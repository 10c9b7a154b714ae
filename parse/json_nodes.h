// The nodes of a JSON document: member names, values (strings, numbers, true, false, null)
// and containers (objects and arrays). They live in the tree's arena and are never freed one
// by one. Value texts point into the parsed text, which must outlive the tree; member names
// are copied, because spans() hands them out as zero-terminated labels.
#pragma once

#include <cstdint>
#include <string_view>

#include "parse/node.h"
#include "text/text_pos.h"

namespace tessel {

// The name of an object member.
// Documents are mostly members, so this is kept small: the name token's end follows from
// its start and the name's length (the name is its text as written).
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

// What values and containers share: the member name (null inside an array) and which of
// the two they are, so that walkers need no dynamic cast.
class JsonNode : public Node {
public:
    JsonMemberName* member() const { return member_; }
    bool is_container() const { return container_; }
    // Appends `indent` blanks and, for a member, its name and " : ".
    void write_prefix(StringBuilder& out, int indent) const;

protected:
    JsonNode(JsonMemberName* member, bool container) : member_(member), container_(container) {}

    JsonMemberName* member_;
    bool container_;
};

// A string, number, true, false or null.
class JsonValueNode final : public JsonNode {
public:
    static constexpr const char* kQuoteRefused = "contains double quotes";
    // A string or name ending in an unpaired backslash would escape its closing quotation
    // mark and run on into the rest of the document.
    static constexpr const char* kBackslashRefused = "ends with a lone backslash";

    // For a string, text and first are the characters between the quotes.
    JsonValueNode(JsonMemberName* member, std::string_view text, TextPos first, bool is_string)
        : JsonNode(member, false),
          is_string_(is_string),
          text_(text.data()),
          length_(static_cast<uint32_t>(text.size())),
          first_(first) {}

    void describe(NodeDescriber& describer) override;
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    void apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                    TextEditSink& sink) override;
    std::string dump() override;
    NodeSpans spans() override;
    const char* validate_edit(std::string_view new_text, int query_kind) override;

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
    // The flag comes first so that it shares the base's last word (a 40-byte node).
    bool is_string_;
    const char* text_;
    uint32_t length_;
    TextPos first_;
};

// An object or an array.
class JsonContainerNode final : public JsonNode {
public:
    static constexpr const char* kRootName = "JsonDocument";

    JsonContainerNode(JsonMemberName* member, bool is_object, TextPos first)
        : JsonNode(member, true), is_object_(is_object), first_(first) {}
    // Called once the closing bracket has been read; children stay owned by the arena.
    void finish(JsonNode** children, int32_t count, int32_t value_count, TextPos last) {
        children_ = children;
        count_ = count;
        value_count_ = value_count;
        last_ = last;
    }
    void set_root() { root_ = true; }

    void describe(NodeDescriber& describer) override;
    // Writes the whole subtree without recursion, so that deep documents cannot exhaust the
    // stack.
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    Node* child(int32_t index) override;
    std::string dump() override;
    NodeSpans spans() override;
    const char* validate_edit(std::string_view new_text, int query_kind) override;

    bool is_object() const { return is_object_; }
    bool is_root() const { return root_; }
    int32_t child_count() const { return count_; }
    JsonNode* json_child(int32_t index) const { return children_[index]; }
    // Children that are values, not containers.
    int32_t value_count() const { return value_count_; }
    TextRange span() const { return {first_, last_}; }
    // How the table view lays the children out: objects 2 (empty), 3 (values only), 4;
    // arrays 5, 6, 7 likewise.
    int kind_code() const;

private:
    // The flags come first so that they share the base's last word.
    bool is_object_;
    bool root_ = false;
    JsonNode** children_ = nullptr;
    int32_t count_ = 0;
    int32_t value_count_ = 0;
    TextPos first_;
    TextPos last_ = -1;
};

}  // namespace tessel
