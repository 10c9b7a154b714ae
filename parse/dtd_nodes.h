// The nodes of document type declarations and DTD documents: the DOCTYPE (or the whole DTD
// document) with its details and declarations, one markup declaration, and a conditional
// section. Declarations are kept as text: nothing is expanded or validated.
#pragma once

#include <cstdint>
#include <string_view>

#include "foundation/array.h"
#include "parse/document_tree.h"
#include "parse/node.h"
#include "parse/xml_nodes.h"

namespace tessel {

// A DOCTYPE declaration ("DOCTYPE"), a whole DTD document ("DTD Document"), or the body of a
// conditional section (no label). Children are the details, then the declarations; comments
// and processing instructions are kept aside with the number of declarations before each, so
// that a writer can put them back in place.
class DoctypeNode final : public Node {
public:
    static constexpr const char* kDoctypeLabel = "DOCTYPE";
    static constexpr const char* kDtdDocumentLabel = "DTD Document";

    // label may be null for the body of a conditional section.
    DoctypeNode(const char* label, Arena& arena)
        : label_(label), details_(&arena), declarations_(&arena), misc_(&arena) {}
    void describe(NodeDescriber& describer) override;
    // A DOCTYPE: "<!DOCTYPE root", its external identifiers, the internal subset, ">\n".
    // A DTD document: its declarations one a line, comments and instructions in place.
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    Node* child(int32_t index) override;
    std::string dump() override;
    NodeSpans spans() override { return {label_, first_, last_}; }

    const char* label() const { return label_; }
    const Array<DetailNode*>& details() const { return details_; }
    const Array<Node*>& declarations() const { return declarations_; }
    // Comments (kind 3) and instructions (kind 4), each with its preceding declaration count.
    const Array<TextNode*>& misc() const { return misc_; }
    TextPos first() const { return first_; }
    TextPos last() const { return last_; }

    // Filled by the parser.
    void add_detail(DetailNode* detail) { details_.push_back(detail); }
    void add_declaration(Node* declaration) { declarations_.push_back(declaration); }
    void add_misc(TextNode* text) { misc_.push_back(text); }
    void set_span(TextPos first, TextPos last) {
        first_ = first;
        last_ = last;
    }
    // The details the DOCTYPE is written from (null when absent).
    void set_root_name(DetailNode* d) { root_name_ = d; }
    void set_public_id(DetailNode* d) { public_id_ = d; }
    void set_system_id(DetailNode* d) { system_id_ = d; }
    DetailNode* root_name() const { return root_name_; }
    DetailNode* public_id() const { return public_id_; }
    DetailNode* system_id() const { return system_id_; }

    // The declarations at `indent`, each followed by "\n", with the comments and instructions
    // between them by their counts (comments left out when the options remove them).
    void write_declarations(StringBuilder& out, const IndentOptions& options, int indent) const;

private:
    const char* label_;
    Array<DetailNode*> details_;
    Array<Node*> declarations_;
    Array<TextNode*> misc_;
    DetailNode* root_name_ = nullptr;
    DetailNode* public_id_ = nullptr;
    DetailNode* system_id_ = nullptr;
    TextPos first_ = -1, last_ = -1;
};

// One markup declaration ("ELEMENT", "ATTLIST", "ENTITY", "NOTATION", or a keyword the parser
// did not know) or a parameter-entity reference between declarations. Its children are the
// details "name" and "value", then its own (for entities "system value", "public value").
class DtdElementNode final : public Node {
public:
    static constexpr const char* kReferenceKeyword = "Entity reference";

    // text is the whole declaration from "<!" to ">" (or the whole reference), copied into
    // the tree's arena; name and value are views into it.
    DtdElementNode(Arena& arena, std::string_view keyword, std::string_view text, TextPos first,
                   std::string_view name, TextPos name_first, std::string_view value,
                   TextPos value_first);
    void describe(NodeDescriber& describer) override;
    // The given number of blanks, then the whole declaration text.
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    Node* child(int32_t index) override;
    std::string dump() override;
    NodeSpans spans() override { return {keyword_.data(), first_, last()}; }

    std::string_view keyword() const { return keyword_; }
    std::string_view name() const { return name_; }
    std::string_view value() const { return value_; }
    std::string_view text() const { return text_; }
    TextPos first() const { return first_; }
    TextPos last() const { return first_ + static_cast<TextPos>(text_.size()) - 1; }
    TextRange name_span() const { return name_detail_.span(); }
    TextRange value_span() const { return value_detail_.span(); }
    const Array<DetailNode*>& details() const { return details_; }
    void add_detail(DetailNode* detail) { details_.push_back(detail); }

private:
    std::string_view keyword_;  // zero-terminated (it is the type name the views show)
    std::string_view text_;
    TextPos first_;
    std::string_view name_, value_;
    DetailNode name_detail_, value_detail_;
    Array<DetailNode*> details_;
};

// Where the whole text of the conditional sections of one parse lives: the parser copies the
// covered stretch of the source once at its end, so nested sections share one copy instead
// of each copying everything inside it.
struct SharedSourceCopy {
    const char* text = nullptr;
    TextPos first = 0;  // source offset of text[0]
};

// "<![" condition "[" declarations "]]>". Its children are the declarations inside.
class ConditionalBlockNode final : public Node {
public:
    ConditionalBlockNode(DoctypeNode* body, const SharedSourceCopy* source, TextPos first)
        : body_(body), source_(source), first_(first), last_(first) {}
    void describe(NodeDescriber& describer) override;
    // The given number of blanks, then the whole section as written.
    bool write(StringBuilder& out, const IndentOptions& options, int indent) override;
    Node* child(int32_t index) override;
    std::string dump() override;
    NodeSpans spans() override { return {"Conditional block", first_, last_}; }

    DoctypeNode* body() const { return body_; }
    TextPos first() const { return first_; }
    TextPos last() const { return last_; }
    std::string_view condition() const { return condition_; }
    TextRange condition_span() const { return condition_span_; }
    // Empty until the parse has finished.
    std::string_view text() const;

    void set_last(TextPos last) { last_ = last; }
    void set_condition(std::string_view text, TextPos first, TextPos last) {
        condition_ = text;
        condition_span_ = {first, last};
    }

private:
    DoctypeNode* body_;
    const SharedSourceCopy* source_;
    TextPos first_, last_;
    std::string_view condition_;
    TextRange condition_span_{-1, -1};
};

}  // namespace tessel
