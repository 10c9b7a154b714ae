// The nodes of an XML document: texts (and CDATA, comments, instructions), attributes,
// elements, the document itself, and the label/text detail rows that DOCTYPE and DTD nodes
// show their parts with.
#pragma once

#include <cstdint>
#include <string_view>

#include "foundation/array.h"
#include "parse/document_tree.h"
#include "parse/node.h"

namespace tessel {

class TextNode final : public RecordNode {
public:
    explicit TextNode(DocumentTree&) {}
    void describe(NodeDescriber& describer) override;
    void apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                    TextEditSink& sink) override;
    std::string dump() override;
    NodeSpans spans() override;
    const char* validate_edit(std::string_view new_text, int query_kind) override;
    bool write_inline(StringBuilder& out, const IndentOptions& options, int indent,
                      std::string_view parent_name) override;
    int kind() const override { return kind_; }
    void decode(const uint8_t* cursor, uint8_t tag) override;

    // A text inserted by a cell edit, not yet in the record stream.
    void init_inserted(std::string_view text, TextPos start);

    std::string_view text() const { return text_; }
    TextPos start() const { return start_; }
    TextPos last() const { return kind_ == kRecordInsertedText ? start_ - 1 : start_ + static_cast<TextPos>(text_.size()) - 1; }
    uint32_t preceding() const { return preceding_; }

private:
    std::string_view text_;
    TextPos start_ = 0;
    uint8_t kind_ = kRecordText;
    uint32_t preceding_ = 0;
};

class AttributeNode final : public RecordNode {
public:
    explicit AttributeNode(DocumentTree&) {}
    void describe(NodeDescriber& describer) override;
    void apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                    TextEditSink& sink) override;
    std::string dump() override;
    NodeSpans spans() override;
    const char* validate_edit(std::string_view new_text, int query_kind) override;
    int kind() const override { return kRecordAttribute; }
    void decode(const uint8_t* cursor, uint8_t tag) override;

    std::string_view name() const { return name_; }
    std::string_view value() const { return value_; }
    TextPos name_start() const { return name_start_; }
    TextPos name_end() const { return name_start_ + static_cast<TextPos>(name_.size()) - 1; }
    // The quotes around the value, both included.
    TextPos value_start() const { return quote_; }
    TextPos value_end() const { return quote_ + static_cast<TextPos>(value_.size()) + 1; }

private:
    std::string_view name_;
    std::string_view value_;
    TextPos name_start_ = 0;
    TextPos quote_ = 0;
};

class ElementNode final : public RecordNode {
public:
    static constexpr const char* kNameNotEditable =
        " You cannot edit this cell because Tessel does not yet support grid editing of tag "
        "names\nTo change this tag name, use the editor above.";

    explicit ElementNode(DocumentTree& tree) : tree_(tree) {}
    void describe(NodeDescriber& describer) override;
    void apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                    TextEditSink& sink) override;
    Node* child(int32_t index) override;
    std::string dump() override;
    NodeSpans spans() override { return {name_.data(), s_, e_}; }
    const char* validate_edit(std::string_view new_text, int query_kind) override;
    int kind() const override { return kRecordElement; }
    void decode(const uint8_t* cursor, uint8_t tag) override;

    std::string_view name() const { return name_; }
    TextPos start() const { return s_; }
    TextPos end() const { return e_; }
    TextPos start_tag_end() const { return g_; }
    bool empty_tag() const { return empty_tag_; }
    const HandleList& attributes() const { return attributes_; }
    const HandleList& content() const { return content_; }
    const HandleList& misc() const { return misc_; }
    TextRange name_span() const { return {s_ + 1, s_ + static_cast<TextPos>(name_.size())}; }
    // (-1, -1) for an empty-element tag.
    TextRange end_name_span() const { return end_name_; }

private:
    // The single text content item, when the element has exactly one and it is a text.
    class TextNode* single_text();

    DocumentTree& tree_;
    std::string_view name_;
    TextPos s_ = 0, e_ = 0, g_ = -1;
    bool empty_tag_ = false;
    HandleList attributes_, content_, misc_;
    TextRange end_name_;
};

// The top level of an XML document: its items (elements and CDATA sections), the DOCTYPE
// node if there is one, and the top-level comments and instructions.
class XmlDocumentNode final : public Node {
public:
    XmlDocumentNode(DocumentTree& tree, Arena& arena)
        : tree_(tree), items_(&arena), misc_(&arena) {}
    void describe(NodeDescriber& describer) override;
    Node* child(int32_t index) override;
    std::string dump() override;
    NodeSpans spans() override { return {"XML Document", 0, -1}; }

    Array<uint32_t>& items() { return items_; }
    Array<uint32_t>& misc() { return misc_; }
    Node* doctype() const { return doctype_; }
    void set_doctype(Node* doctype) { doctype_ = doctype; }
    int32_t child_count() const { return items_.size() + (doctype_ ? 1 : 0); }

private:
    DocumentTree& tree_;
    Array<uint32_t> items_;
    Array<uint32_t> misc_;
    Node* doctype_ = nullptr;
    char label_[32] = {};
};

// A label and a text with its span: one part of a DOCTYPE or DTD declaration.
class DetailNode final : public Node {
public:
    DetailNode(const char* label, std::string_view text, TextPos first, TextPos last)
        : label_(label), text_(text), first_(first), last_(last) {}
    void describe(NodeDescriber& describer) override;
    std::string dump() override;
    NodeSpans spans() override { return {label_, first_, last_}; }

private:
    const char* label_;
    std::string_view text_;
    TextPos first_, last_;
};

// Null when text is an XML name, else the message: "empty name", "utf 8 error" or
// "Invalid character:  '" + the first offending character + "'" (kept in a thread-local
// buffer until the next call).
const char* check_xml_name(std::string_view text);

}  // namespace tessel
