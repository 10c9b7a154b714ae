// DOCTYPE declarations and DTD documents over the XML token stream. The declaration list is
// read by one loop with an explicit stack of open conditional sections, so that however
// deeply they nest, the thread's stack is not at risk. A fatal error ends the parse by
// ParseEnded; before it passes on, every open node gets the span read so far, so the tree
// keeps everything completed before the error.
#include "parse/doctype_parser.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "parse/dtd_declaration_syntax.h"
#include "parse/dtd_nodes.h"
#include "parse/entity_references.h"
#include "parse/markup_syntax.h"
#include "parse/parse_messages.h"
#include "parse/token_stream.h"
#include "parse/xml_scanner.h"

namespace tessel {

namespace {

// Token kinds the declaration parser distinguishes.
enum : int16_t {
    kEof = xml_end_of_file,
    kDeclOpen = xml_declaration_open,
    kOpenerName = xml_opener_name,
    kLBracket = xml_open_bracket,
    kGt = xml_close_angle,
    kComment = xml_comment,
    kInstruction = xml_processing_instruction,
    kString = xml_quoted_string,
    kName = xml_name,
    kCharData = xml_char_data,
    kPercent = xml_percent,
    kSemicolon = xml_semicolon,
    kRBracket = xml_close_bracket,
    kConditionalOpen = xml_conditional_open,
    kConditionalClose = xml_conditional_close,
};

constexpr const char* kNoConditionalInSubset =
    "Conditional sections are not allowed in the internal subset";

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Keywords as zero-terminated literals: the keyword is the type name a declaration shows.
const char* known_keyword(std::string_view word) {
    for (const char* k : {"ELEMENT", "ATTLIST", "ENTITY", "NOTATION"})
        if (word == k) return k;
    return nullptr;
}

// Tokens that cannot be part of a declaration: when one comes before the ">", the ">" is
// missing, and the declaration ends before it rather than swallowing what follows.
bool ends_declaration(int16_t kind) {
    return kind == kDeclOpen || kind == kComment || kind == kInstruction ||
           kind == kConditionalOpen || kind == kConditionalClose || kind == kRBracket;
}

// A detail found while a declaration is read; made into a node once its text is copied.
struct PendingDetail {
    const char* label;
    TextPos first, last;
};

class DeclarationReader {
public:
    DeclarationReader(TokenStream& tokens, DocumentTree& tree, ParseMessages& messages,
                      EntityReferences* entities = nullptr)
        : tokens_(tokens),
          tree_(tree),
          messages_(messages),
          entities_(entities),
          source_(tree.make<SharedSourceCopy>()) {}

    void doctype(Node*& out) {
        const Token open = peek();
        tokens_.advance();
        auto* node = tree_.make<DoctypeNode>(DoctypeNode::kDoctypeLabel, tree_.arena());
        node->set_span(open.first, open.last);
        out = node;
        try {
            doctype_header(*node);
        } catch (const ParseEnded&) {
            if (const Token* previous = tokens_.previous())
                node->set_span(open.first, previous->last);
            finish();
            throw;
        }
        node->set_span(open.first, tokens_.previous()->last);
        finish();
    }

    void dtd_document(DoctypeNode& root) {
        try {
            read_list(root, false);
            if (peek().kind != kEof) expect("end of file", true);
        } catch (const ParseEnded&) {
            finish_document(root);
            throw;
        }
        finish_document(root);
    }

private:
    struct Frame {
        DoctypeNode* list;
        ConditionalBlockNode* block;  // null for the outermost list
    };

    const Token& peek() { return tokens_.peek(0); }
    std::string_view source(TextPos first, TextPos last) const {
        return tokens_.text_of(Token{first, last, 0});
    }
    std::string_view text_of(const Token& t) const { return tokens_.text_of(t); }
    bool blank(const Token& t) const {
        for (char c : text_of(t))
            if (!is_blank(c)) return false;
        return true;
    }
    void expect(std::string_view what, bool fatal) {
        messages_.expectation(what, peek(), tokens_.previous(), fatal);
    }
    std::string_view copy(TextPos first, TextPos last) {
        std::string_view s = source(first, last);
        return {tree_.arena().copy_text(s.data(), static_cast<uint32_t>(s.size())), s.size()};
    }
    // The text of a quoted string without its quotes, as a span.
    static TextRange inside_quotes(const Token& t) {
        return {t.first + 1, t.length() >= 2 ? t.last - 1 : t.last};
    }
    DetailNode* detail(const char* label, TextRange span) {
        return tree_.make<DetailNode>(label, copy(span.first, span.last), span.first, span.last);
    }

    // After "<!": the keyword, the root element name, then external identifiers and the
    // internal subset in any order up to ">".
    void doctype_header(DoctypeNode& node) {
        const Token keyword = peek();
        if (keyword.kind != kOpenerName || text_of(keyword) != "DOCTYPE") expect("DOCTYPE", true);
        tokens_.advance();
        const Token name = peek();
        if (name.kind != kName) expect("root element name", true);
        require_blank(keyword.first - 2, name);
        node.set_root_name(detail("root element name", {name.first, name.last}));
        node.add_detail(node.root_name());
        tokens_.advance();
        bool external = false;
        for (;;) {
            const Token t = peek();
            if (t.kind == kGt) {
                tokens_.advance();
                return;
            }
            if (t.kind == kLBracket) {
                tokens_.advance();
                read_list(node, true);
                if (peek().kind != kRBracket) expect("]", true);
                tokens_.advance();
                if (peek().kind != kGt) expect(">", true);
                tokens_.advance();
                return;
            }
            if (t.kind != kName) expect("SYSTEM,PUBLIC,>, or [  in DOCTYPE declaration", true);
            const std::string_view word = text_of(t);
            if (word != "SYSTEM" && word != "PUBLIC") expect("PUBLIC or SYSTEM", true);
            // One external identifier, after the name.
            if (external) messages_.error_at("[ or > (one external identifier)", keyword.first - 2, t.first, t.last);
            external = true;
            require_blank(keyword.first - 2, t);
            if (entities_) entities_->set_declarations_out_of_sight();  // an external subset
            tokens_.advance();
            if (word == "PUBLIC") {
                if (peek().kind != kString) expect("public external dtd", true);
                require_blank(keyword.first - 2, peek());
                check_public_id(keyword.first - 2, peek());
                node.set_public_id(detail("public external dtd", inside_quotes(peek())));
                node.add_detail(node.public_id());
                tokens_.advance();
            }
            if (peek().kind != kString) expect("system external dtd", true);
            require_blank(keyword.first - 2, peek());
            node.set_system_id(detail("system external dtd", inside_quotes(peek())));
            node.add_detail(node.system_id());
            tokens_.advance();
        }
    }

    // The tokens of the DOCTYPE header are separated by white space: the token before t must
    // not touch it. `from` is where the header begins, for the Location detail.
    void require_blank(TextPos from, const Token& t) {
        const Token* previous = tokens_.previous();
        if (previous && t.first == previous->last + 1)
            messages_.error_at("white space", from, t.first, t.first);
    }

    // A public identifier holds letters, digits, white space and -'()+,./:=?;!*#@$_% only.
    void check_public_id(TextPos from, const Token& literal) {
        const TextRange inside = inside_quotes(literal);
        const std::string_view id = source(inside.first, inside.last);
        for (size_t i = 0; i < id.size(); ++i) {
            const char c = id[i];
            const bool ok = c == ' ' || c == '\r' || c == '\n' || (c >= 'a' && c <= 'z') ||
                            (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                            (c != '\0' && std::strchr("-'()+,./:=?;!*#@$_%", c) != nullptr);
            if (!ok) {
                const TextPos at = inside.first + static_cast<TextPos>(i);
                messages_.error_at("a public identifier character", from, at, at);
                return;
            }
        }
    }

    // A declaration list: the internal subset, a DTD document, and (on the frame stack) the
    // bodies of conditional sections. Returns at the token that ends the outermost list,
    // without consuming it. The internal subset may hold no conditional sections.
    void read_list(DoctypeNode& outer, bool internal_subset) {
        internal_subset_ = internal_subset;
        frames_.push_back({&outer, nullptr});
        for (;;) {
            DoctypeNode* list = frames_.back().list;
            const Token t = peek();
            switch (t.kind) {
                case kDeclOpen:
                    list->add_declaration(markup_declaration());
                    break;
                case kComment:
                case kInstruction: {
                    if (t.kind == kComment) {
                        check_comment(tokens_.text(), t, messages_);
                    } else {
                        // A DTD document may open with a text declaration.
                        check_instruction(tokens_.text(), t, !internal_subset && t.first == 0,
                                          messages_, nullptr, true);
                    }
                    uint32_t handle = tree_.write_text(
                        t.kind == kComment ? kRecordComment : kRecordInstruction, text_of(t),
                        t.first, static_cast<uint32_t>(list->declarations().size()));
                    auto* node = static_cast<TextNode*>(tree_.node_at(handle));
                    node->keep_text(tree_.arena());
                    list->add_misc(node);
                    tokens_.advance();
                    break;
                }
                case kCharData:
                    // Not kept: text between declarations is lost when the list is written.
                    if (!blank(t)) messages_.drop(t.first);
                    tokens_.advance();
                    break;
                case kPercent:
                    // The entity's declarations are out of sight (it may be external).
                    if (entities_) entities_->set_declarations_out_of_sight();
                    list->add_declaration(entity_reference());
                    break;
                case kConditionalOpen:
                    if (internal_subset) {
                        messages_.list().add_error(t.first, kNoConditionalInSubset);
                        messages_.location_detail(tokens_.previous());
                        messages_.list().detail("Found instead", messages_.token_text(t), t.first, t.last);
                        messages_.end("error", t.first);
                    }
                    open_conditional(*list);
                    break;
                default:
                    if (frames_.size() == 1) {
                        frames_.pop_back();
                        return;
                    }
                    if (t.kind != kConditionalClose) expect("]]>", true);
                    close_conditional(t.last);
                    tokens_.advance();
                    break;
            }
        }
    }

    // "%" name ";" between declarations: kept as a declaration of its own, so that writing
    // the list back does not drop it.
    Node* entity_reference() {
        const Token percent = peek();
        const TextPos from = tokens_.previous() ? tokens_.previous()->first : percent.first;
        tokens_.advance();
        const Token name = peek();
        if (name.kind != kName) expect("entity name", true);
        if (name.first > percent.last + 1) messages_.whitespace_not_allowed(percent);
        tokens_.advance();
        const Token semicolon = peek();
        if (semicolon.kind != kSemicolon) expect("Semicolon", true);
        if (semicolon.first > name.last + 1) messages_.whitespace_not_allowed(name);
        tokens_.advance();
        if (internal_subset_) check_parameter_text(text_of(name), from, percent.first, semicolon.last);
        return make_declaration(DtdElementNode::kReferenceKeyword, percent.first, semicolon.last,
                                {name.first, name.last}, {semicolon.first, semicolon.first - 1},
                                {});
    }

    // A parameter entity referred to between the declarations of the internal subset stands
    // for declarations: the text of one declared there with a literal must read as a DTD
    // without a fault. A literal with character references is not judged (its text is not
    // the literal's), nor is an entity declared elsewhere.
    void check_parameter_text(std::string_view name, TextPos from, TextPos at, TextPos last) {
        auto it = parameter_literals_.find(name);
        if (it == parameter_literals_.end() || it->second.first < 0) return;
        ParameterLiteral& p = it->second;
        if (!p.judged) {
            p.judged = true;
            const std::string literal(source(p.first, p.last));
            p.broken = literal.find("&#") == std::string::npos &&
                       !parse_dtd(literal)->diagnostics().well_formed();
        }
        if (p.broken)
            messages_.error_at("a parameter entity whose text is markup declarations", from, at,
                               at, last);
    }

    void open_conditional(DoctypeNode& list) {
        const Token open = peek();
        tokens_.advance();
        if (peek().kind == kLBracket) expect("condition", true);
        TextPos first = -1, last = -1;
        for (;;) {
            const Token t = peek();
            if (t.kind == kLBracket) break;
            if (t.kind == kEof) messages_.premature_end(open.first);
            if (first < 0) first = t.first;
            last = t.last;
            tokens_.advance();
        }
        if (first >= 0) {
            const std::string_view condition = source(first, last);
            if (condition != "INCLUDE" && condition != "IGNORE" &&
                !(condition.size() > 2 && condition.front() == '%' && condition.back() == ';'))
                messages_.error_at("INCLUDE or IGNORE", open.first, first, last);
        }
        tokens_.advance();  // "["
        auto* body = tree_.make<DoctypeNode>(nullptr, tree_.arena());
        body->set_span(open.first, tokens_.previous()->last);
        auto* block = tree_.make<ConditionalBlockNode>(body, source_, open.first);
        block->set_last(tokens_.previous()->last);
        block->set_condition(copy(first, last), first, last);
        list.add_declaration(block);
        if (covered_first_ < 0) covered_first_ = open.first;
        frames_.push_back({body, block});
        if (first >= 0 && source(first, last) == "IGNORE") skip_ignored(open.first);
    }

    // The contents of an IGNORE section are any characters, with the "<![" and "]]>" of
    // sections inside it paired up: the reader passes over them to the "]]>" that closes the
    // section, which the list then reads. The block writes itself back from its text.
    void skip_ignored(TextPos open_first) {
        const std::string_view text = tokens_.text();
        size_t depth = 1;
        size_t i = static_cast<size_t>(tokens_.previous()->last) + 1;
        for (;;) {
            const size_t next = text.find_first_of("<]", i);
            if (next == std::string_view::npos || next + 3 > text.size())
                messages_.premature_end(open_first);
            if (text.compare(next, 3, "<![") == 0) {
                ++depth;
                i = next + 3;
            } else if (text.compare(next, 3, "]]>") == 0) {
                if (--depth == 0) {
                    tokens_.skip_to(static_cast<int32_t>(next), xml_dtd_state());
                    return;
                }
                i = next + 3;
            } else {
                i = next + 1;
            }
        }
    }

    void close_conditional(TextPos last) {
        const Frame frame = frames_.back();
        frames_.pop_back();
        frame.block->set_last(last);
        frame.list->set_span(frame.block->first(), last);
        if (last > covered_last_) covered_last_ = last;
    }

    // "<!" keyword ... ">".
    Node* markup_declaration() {
        const Token open = peek();
        tokens_.advance();
        const Token keyword = peek();
        if (keyword.kind == kName && keyword.first > open.last + 1)
            messages_.whitespace_not_allowed(open);
        else if (keyword.kind != kOpenerName)
            expect(" element name", true);
        const char* known = known_keyword(text_of(keyword));
        if (!known) {
            messages_.expectation_error("ELEMENT ATTLIST or ENTITY", peek(), tokens_.previous());
            known = copy(keyword.first, keyword.last).data();
        }
        tokens_.advance();
        if (std::string_view(known) == "ENTITY") return entity_declaration(open, known);
        return element_like_declaration(open, known);
    }

    // ELEMENT, ATTLIST, NOTATION and unknown keywords: a name, then everything up to ">" is
    // the value.
    Node* element_like_declaration(const Token& open, const char* keyword) {
        TextRange name{-1, -1};
        bool parameter = false;
        if (peek().kind == kPercent) {
            name.first = peek().first;
            parameter = true;
            tokens_.advance();
        }
        const Token n = peek();
        if (n.kind == kEof) messages_.premature_end(open.first);
        if (n.kind != kName) expect("identifier", true);
        if (parameter && n.first > name.first + 1)
            messages_.whitespace_not_allowed(*tokens_.previous());
        if (!parameter) name.first = n.first;
        name.last = n.last;
        tokens_.advance();
        // A parameter-entity reference as the name is shown whole: "%name;".
        if (parameter && peek().kind == kSemicolon && peek().first == n.last + 1) {
            name.last = peek().last;
            tokens_.advance();
        }
        TextRange value{-1, -1};
        TextPos end;
        for (;;) {
            const Token t = peek();
            if (t.kind == kGt) {
                end = t.last;
                if (value.first < 0) value = {t.first, t.first - 1};
                tokens_.advance();
                check_declaration_syntax(tokens_.text(), open.first, end, internal_subset_,
                                         messages_, entities_);
                break;
            }
            if (t.kind == kEof) messages_.premature_end(open.first);
            if (ends_declaration(t.kind)) {
                // The declaration is cut short here: what is written back lacks its ">".
                expect(">", false);
                messages_.drop(t.first);
                end = tokens_.previous()->last;
                if (value.first < 0) value = {end + 1, end};
                break;
            }
            if (value.first < 0) value.first = t.first;
            value.last = t.last;
            tokens_.advance();
        }
        return make_declaration(keyword, open.first, end, name, value, {});
    }

    // ENTITY: ["%"] name, then a quoted value, or SYSTEM or PUBLIC literals, then ">".
    Node* entity_declaration(const Token& open, const char* keyword) {
        const bool parameter = peek().kind == kPercent;
        if (parameter) tokens_.advance();
        TextRange name{peek().first, peek().first - 1};
        if (peek().kind == kName) {
            name = {peek().first, peek().last};
            tokens_.advance();
        } else {
            expect("% or entity name", false);
        }
        std::vector<PendingDetail> details;
        TextRange value;
        EntityDeclaration declared;
        declared.name = source(name.first, name.last);
        const Token v = peek();
        const std::string_view word = v.kind == kName ? text_of(v) : std::string_view();
        if (v.kind == kString) {
            value = {v.first, v.last};
            const TextRange literal = inside_quotes(v);
            declared.literal = source(literal.first, literal.last);
            declared.literal_first = literal.first;
            tokens_.advance();
        } else if (word == "SYSTEM" || word == "PUBLIC") {
            declared.external = true;
            tokens_.advance();
            const bool system = word == "SYSTEM";
            if (peek().kind != kString) expect("quoted string", true);
            value = inside_quotes(peek());
            details.push_back({system ? "system value" : "public value", value.first, value.last});
            tokens_.advance();
            if (peek().kind == kString) {
                TextRange second = inside_quotes(peek());
                details.push_back(
                    {system ? "public value" : "system value", second.first, second.last});
                tokens_.advance();
            }
            // An unparsed entity names its notation: NDATA name.
            if (peek().kind == kName && text_of(peek()) == "NDATA" &&
                tokens_.peek(1).kind == kName) {
                tokens_.advance();
                details.push_back({"notation", peek().first, peek().last});
                declared.unparsed = true;
                tokens_.advance();
            }
        } else {
            expect("quoted string or PUBLIC", true);
        }
        if (peek().kind != kGt) expect("'>'", true);
        const TextPos end = peek().last;
        tokens_.advance();
        if (entities_ && !parameter && !declared.name.empty()) entities_->declare(declared);
        if (parameter && internal_subset_ && !declared.name.empty()) {
            const TextRange literal =
                declared.external ? TextRange{-1, -1}
                                  : TextRange{declared.literal_first,
                                              declared.literal_first +
                                                  static_cast<TextPos>(declared.literal.size()) - 1};
            parameter_literals_.try_emplace(declared.name,
                                            ParameterLiteral{literal.first, literal.last});
        }
        check_declaration_syntax(tokens_.text(), open.first, end, internal_subset_, messages_);
        return make_declaration(keyword, open.first, end, name, value, details);
    }

    // Copies the declaration's text once; its name, value and details are views into it.
    Node* make_declaration(const char* keyword, TextPos first, TextPos last, TextRange name,
                           TextRange value, const std::vector<PendingDetail>& details) {
        const std::string_view text = copy(first, last);
        auto part = [&](TextPos a, TextPos b) {
            return b < a ? std::string_view(text.data() + (a - first), 0)
                         : text.substr(static_cast<size_t>(a - first),
                                       static_cast<size_t>(b - a + 1));
        };
        // Empty parts may sit just past the text (a missing value before ">").
        auto clamp = [&](TextPos p) { return p < first ? first : p > last + 1 ? last + 1 : p; };
        name = {clamp(name.first), name.last < name.first ? clamp(name.first) - 1 : name.last};
        value = {clamp(value.first),
                 value.last < value.first ? clamp(value.first) - 1 : value.last};
        auto* node = tree_.make<DtdElementNode>(tree_.arena(), keyword, text, first,
                                                part(name.first, name.last), name.first,
                                                part(value.first, value.last), value.first);
        for (const PendingDetail& d : details)
            node->add_detail(
                tree_.make<DetailNode>(d.label, part(d.first, d.last), d.first, d.last));
        return node;
    }

    void finish_document(DoctypeNode& root) {
        finish();
        const Array<Node*>& declarations = root.declarations();
        if (!declarations.empty())
            root.set_span(declarations[0]->spans().first, declarations.back()->spans().last);
    }

    // Closes the sections a fatal error left open, where the parse stopped, and copies the
    // text that the conditional sections cover.
    void finish() {
        const Token* previous = tokens_.previous();
        const TextPos stop = previous ? previous->last : 0;
        while (!frames_.empty()) {
            if (frames_.back().block) {
                close_conditional(stop);
            } else {
                frames_.pop_back();
            }
        }
        if (covered_first_ >= 0 && covered_last_ >= covered_first_) {
            source_->text = copy(covered_first_, covered_last_).data();
            source_->first = covered_first_;
        }
    }

    TokenStream& tokens_;
    DocumentTree& tree_;
    ParseMessages& messages_;
    EntityReferences* entities_;
    bool internal_subset_ = false;
    SharedSourceCopy* source_;
    std::vector<Frame> frames_;
    TextPos covered_first_ = -1, covered_last_ = -1;
    // The parameter entities the internal subset declares (the first declaration binds), by
    // name: the literal's span (first < 0 for an external one), and its verdict once judged.
    struct ParameterLiteral {
        TextPos first, last;
        bool judged = false, broken = false;
    };
    std::unordered_map<std::string_view, ParameterLiteral> parameter_literals_;
};

}  // namespace

void parse_doctype_declaration(TokenStream& tokens, DocumentTree& tree, ParseMessages& messages,
                               Node*& doctype, EntityReferences* entities) {
    DeclarationReader(tokens, tree, messages, entities).doctype(doctype);
}

std::unique_ptr<DocumentTree> parse_dtd(std::string_view text, Job* job) {
    auto tree = std::make_unique<DocumentTree>();
    tree->diagnostics().set_source(text);
    ParseMessages messages(text, *tree);
    TokenStream tokens(text, xml_scanner_tables(), xml_dtd_state(), job, &messages);
    auto* root = tree->make<DoctypeNode>(DoctypeNode::kDtdDocumentLabel, tree->arena());
    tree->set_root(root);
    try {
        DeclarationReader(tokens, *tree, messages).dtd_document(*root);
    } catch (const ParseEnded&) {
        // The diagnostic is in the list; the tree keeps what was read.
    }
    tree->diagnostics().sort_by_position();
    return tree;
}

}  // namespace tessel
