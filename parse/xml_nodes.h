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
    std::string prepare_edit(std::string_view typed, int query_kind) override;
    // A text as its trimmed text, CDATA within its markers, a comment or instruction as
    // stored with a line break after it; a comment writes nothing when comments are removed.
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    bool write_inline(StringBuilder& out, const IndentOptions& options, int indent,
                      std::string_view parent_name) override;
    int kind() const override { return kind_; }
    void decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t tag) override;

    // A text inserted by a cell edit, not yet in the record stream.
    void init_inserted(std::string_view text, TextPos start);
    // Copies the text into arena. A node made while the parse still writes records (the
    // DOCTYPE's comments and instructions) would otherwise point into the record stream,
    // which moves when it grows.
    void keep_text(Arena& arena) { set_text({arena.copy_text(text_, text_length_), text_length_}); }

    std::string_view text() const { return {text_, text_length_}; }
    TextPos start() const { return start_; }
    // An inserted text lies at its start too (in the parse's offsets, as every node's): a
    // second edit of it before the next parse replaces it rather than inserting again.
    TextPos last() const { return start_ + static_cast<TextPos>(text_length_) - 1; }
    uint32_t preceding() const { return preceding_; }

private:
    void set_text(std::string_view text) {
        text_ = text.data();
        text_length_ = static_cast<uint32_t>(text.size());
    }

    // Pointer and length rather than a view, ordered to leave no padding: a large view
    // makes millions of these.
    TextPos start_ = 0;
    const char* text_ = "";
    uint32_t text_length_ = 0;
    uint32_t preceding_ = 0;
    uint8_t kind_ = kRecordText;
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
    std::string prepare_edit(std::string_view typed, int query_kind) override;
    // " name = value" with the value between quotation marks, or between apostrophes when it
    // holds a quotation mark. Where the attribute's line starts is the element's business.
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    int kind() const override { return kRecordAttribute; }
    void decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t tag) override;

    std::string_view name() const { return {name_, name_length_}; }
    std::string_view value() const { return {value_, value_length_}; }
    TextPos name_start() const { return name_start_; }
    TextPos name_end() const { return name_start_ + static_cast<TextPos>(name_length_) - 1; }
    // The quotes around the value, both included.
    TextPos value_start() const { return quote_; }
    TextPos value_end() const { return quote_ + static_cast<TextPos>(value_length_) + 1; }

private:
    void set_name(std::string_view name) {
        name_ = name.data();
        name_length_ = static_cast<uint32_t>(name.size());
    }
    void set_value(std::string_view value) {
        value_ = value.data();
        value_length_ = static_cast<uint32_t>(value.size());
    }

    // Pointers and lengths rather than views, ordered to leave no padding: a large view
    // makes millions of these.
    TextPos name_start_ = 0;
    const char* name_ = "";
    const char* value_ = "";
    uint32_t name_length_ = 0;
    uint32_t value_length_ = 0;
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
    Node* peek_child(int32_t index, NodeScratch& scratch) override;
    std::string dump() override;
    NodeSpans spans() override { return {name_, s_, e_}; }
    const char* validate_edit(std::string_view new_text, int query_kind) override;
    std::string prepare_edit(std::string_view typed, int query_kind) override;
    // The element with everything inside it (see XmlWriter), without a final line break.
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    int kind() const override { return kRecordElement; }
    void decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t tag) override;

    std::string_view name() const { return {name_, name_length_}; }
    TextPos start() const { return s_; }
    TextPos end() const { return e_; }
    TextPos start_tag_end() const { return g_; }
    bool empty_tag() const { return empty_tag_; }
    HandleList attributes() const { return {lists_[kAttributes], counts_[kAttributes]}; }
    HandleList content() const { return {lists_[kContent], counts_[kContent]}; }
    HandleList misc() const { return {lists_[kMisc], counts_[kMisc]}; }
    TextRange name_span() const { return {s_ + 1, s_ + static_cast<TextPos>(name_length_)}; }
    // (-1, -1) for an empty-element tag.
    TextRange end_name_span() const {
        return empty_tag_ ? TextRange{-1, -1} : TextRange{end_name_first_, e_ - 1};
    }

    // The single text content item, when the element has exactly one and it is a text.
    class TextNode* single_text();
    bool value_is_attribute() const;

private:
    // The same text for reading only: its node if made, else scratch filled from its
    // record. Describing a million elements would otherwise make a million text nodes
    // that nothing else asks for.
    const class TextNode* peek_single_text(NodeScratch& scratch);

    enum List { kAttributes, kContent, kMisc };
    void set_list(List which, const uint8_t* raw, int32_t count) {
        lists_[which] = raw;
        counts_[which] = count;
    }

    // A view of a million rows makes millions of these, so they are kept small: the name
    // and the handle lists as pointers and counts rather than as views with padding, the
    // end tag's name as its first position (it ends where the element does, before ">").
    TextPos s_ = 0;
    DocumentTree& tree_;
    const char* name_ = "";
    uint32_t name_length_ = 0;
    TextPos e_ = 0, g_ = -1;
    TextPos end_name_first_ = -1;
    int32_t counts_[3] = {};
    bool empty_tag_ = false;
    const uint8_t* lists_[3] = {};
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
    // The whole document (see XmlWriter::write_document); indent is not used.
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;

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

    const char* label() const { return label_; }
    std::string_view text() const { return text_; }
    TextRange span() const { return {first_, last_}; }

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
