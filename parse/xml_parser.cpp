// The XML parser. It is iterative, with an explicit stack of open elements, so that deeply
// nested documents cannot exhaust the thread's stack; on a fatal error the open elements are
// closed where the parse stopped, so everything read before the error stays in the tree.
#include "parse/xml_parser.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "foundation/str_map.h"
#include "parse/doctype_parser.h"
#include "parse/entity_references.h"
#include "parse/markup_syntax.h"
#include "parse/parse_messages.h"
#include "parse/token_stream.h"
#include "parse/xml_char_class.h"
#include "parse/xml_nodes.h"
#include "parse/xml_scanner.h"

namespace tessel {

namespace {

// Token kinds the parser distinguishes.
enum : int16_t {
    kEof = 2,
    kDeclOpen = 4,
    kOpenerName = 5,
    kGt = 7,
    kComment = 8,
    kInstruction = 9,
    kString = 10,
    kName = 11,
    kStartOpen = 12,
    kEndOpen = 13,
    kCdataOpen = 14,
    kCharData = 15,
    kEmptyClose = 16,
    kEquals = 17,
    kCdataContent = 18,
    kCdataClose = 19,
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool is_ascii_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == ':' || c == '-' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
}

// Length of the entity or character reference at value[at] ("&amp;", "&#38;", "&#x26;"), or
// 0 when the "&" starts none.
size_t reference_length(std::string_view value, size_t at) {
    size_t i = at + 1;
    if (i < value.size() && value[i] == '#') {
        ++i;
        bool hex = i < value.size() && value[i] == 'x';
        if (hex) ++i;
        size_t digits = i;
        while (i < value.size() && (hex ? std::isxdigit(static_cast<unsigned char>(value[i]))
                                        : std::isdigit(static_cast<unsigned char>(value[i]))))
            ++i;
        if (i == digits) return 0;
    } else {
        size_t name = i;
        while (i < value.size() && is_ascii_name_char(value[i])) ++i;
        if (i == name || std::isdigit(static_cast<unsigned char>(value[name])) || value[name] == '-' ||
            value[name] == '.')
            return 0;
    }
    return i < value.size() && value[i] == ';' ? i + 1 - at : 0;
}

// Whether the reference of n bytes at s is one of the five every document has ("&amp;" and
// the like), which need no further check: the common case, kept cheap.
bool is_predefined_reference(std::string_view s) {
    switch (s.size()) {
        case 4: return s == "&lt;" || s == "&gt;";
        case 5: return s == "&amp;";
        case 6: return s == "&quot;" || s == "&apos;";
        default: return false;
    }
}

// The first "<" in an attribute value, or the first "&" that starts no reference; well-formed
// documents write "&amp;" and the like there, which must not be reported. Sets
// has_reference when a reference comes before what it returns, so that the one pass over the
// value also says whether its references need checking.
size_t first_bad_attribute_char(std::string_view value, bool& has_reference) {
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '<') return i;
        if (value[i] == '&') {
            size_t n = reference_length(value, i);
            if (n == 0) return i;
            has_reference = has_reference || !is_predefined_reference(value.substr(i, n));
            i += n - 1;
        }
    }
    return std::string_view::npos;
}

// An attribute of the start tag being read: its name for the duplicate check, and its
// value's span without the quotes for the duplicate report.
struct ValueSpan {
    std::string_view name;
    TextPos first, last;
    bool name_has_nul;  // decides whether names compare whole or up to their first NUL
};

bool has_nul(std::string_view s) {
    for (char c : s)
        if (c == '\0') return true;
    return false;
}

// Start tags with fewer attributes than this find duplicates by comparing names one by one;
// a hash map costs more than that for the few attributes most tags have.
constexpr size_t kLinearAttributeCheck = 16;

struct OpenElement {
    std::string_view name;
    TextPos s;
    TextPos g;
    int32_t attributes_from;
    int32_t content_from;
    int32_t misc_from;
};

class XmlParser {
public:
    XmlParser(std::string_view text, DocumentTree& tree, Job* job)
        : text_(text),
          tree_(tree),
          messages_(text, tree),
          references_(text, messages_),
          tokens_(text, xml_scanner_tables(), xml_content_state(), job, &messages_) {}

    void parse() {
        try {
            top_level();
        } catch (const ParseEnded&) {
            close_open_elements();
        }
        XmlDocumentNode* document = tree_.document_node();
        document->items().append(top_items_.span());
        document->misc().append(top_misc_.span());
        document->set_doctype(doctype_);
    }

private:
    const Token& peek() { return tokens_.peek(0); }
    std::string_view text_of(const Token& t) const {
        return text_.substr(static_cast<size_t>(t.first), static_cast<size_t>(t.last - t.first + 1));
    }
    void expect(std::string_view what, bool fatal, bool whitespace_forbidden = false) {
        messages_.expectation(what, peek(), tokens_.previous(), fatal, whitespace_forbidden);
    }

    // ---- top level ----

    // The top level: a DOCTYPE, elements, comments, instructions and CDATA sections are
    // items. Anything else between them (text, or markup that opens no item) is stray: the
    // tree does not keep it, so every stray run that is not blank is reported, wherever it
    // stands, and marked dropped.
    void top_level() {
        int32_t count = 0;  // items so far
        for (;;) {
            const Token t = peek();
            switch (t.kind) {
                case kEof:
                    // A document is one element at least. A blank text is no document yet: a
                    // warning, which still makes it not well-formed. An empty one gets none:
                    // a new document starts so (`check` reports an empty file itself).
                    if (!element_seen_ && !text_.empty()) {
                        if (trim(0, static_cast<TextPos>(text_.size()) - 1).empty())
                            expect("root element", false);
                        else
                            expect_error("root element");
                    }
                    return;
                case kStartOpen:
                    if (element_seen_) expect_error(kAfterRoot);
                    top_items_.push_back(parse_element());
                    element_seen_ = true;
                    break;
                case kComment:
                case kInstruction:
                    check_misc(t);
                    top_misc_.push_back(write_misc(t, top_items_.size() + (doctype_seen() ? 1 : 0)));
                    tokens_.advance();
                    break;
                case kCdataOpen:
                    expect_error(element_seen_ ? kAfterRoot : "root element");
                    top_items_.push_back(parse_cdata());
                    break;
                case kDeclOpen:
                    if (is_doctype(tokens_.peek(1))) {
                        // A second DOCTYPE would replace the first in the tree and lose it.
                        if (element_seen_ || doctype_) expect("<, <?, chardata or End of File", true);
                        parse_doctype();
                        break;
                    }
                    [[fallthrough]];
                default:
                    stray_run(count);
                    continue;  // a stray run is no item
            }
            ++count;
        }
    }

    static constexpr const char* kAfterRoot =
        "comment, instruction or end of file after the root element";

    // A well-formedness error at the next token, after which the parse goes on.
    void expect_error(std::string_view what) {
        messages_.expectation_error(what, peek(), tokens_.previous());
    }

    // Comments and instructions: what the scanner does not check inside them.
    [[gnu::noinline]] void check_misc(const Token& t) {
        if (t.kind == kComment) {
            check_comment(text_, t, messages_);
            return;
        }
        // The XML declaration may only open the document (after a byte-order mark, if the
        // text still has one).
        const bool at_start =
            t.first == 0 || (t.first == 3 && text_.substr(0, 3) == "\xEF\xBB\xBF");
        XmlDeclarationFacts facts;
        check_instruction(text_, t, at_start, messages_, &facts);
        if (facts.standalone) references_.set_standalone();
    }

    // A text token that begins with "&" (a reference) or "]" (perhaps "]]>"): the scanner
    // starts a token at each of them, so other text tokens need no look.
    [[gnu::noinline]] void check_text_mark(const Token& t) {
        const auto at = static_cast<size_t>(t.first);
        const TextPos from = tokens_.previous() ? tokens_.previous()->first : 0;
        if (text_[at] == ']') {
            if (text_.substr(at, 3) == "]]>")
                messages_.error_at("text without ]]> (outside a CDATA section)", from, t.first,
                                   t.first + 2);
            return;
        }
        for (size_t n : {4, 5, 6})
            if (is_predefined_reference(text_.substr(at, n))) return;
        const size_t n = references_.reference_length(at, text_.size());
        if (n == 0) {
            const size_t name = xml_name_length(text_, at + 1);
            messages_.error_at("a reference (&name; or &#number;) after &", from, t.first,
                               t.first + static_cast<TextPos>(name));
            return;
        }
        references_.check(at, n, false, from);
    }

    bool opens_item(const Token& t) {
        switch (t.kind) {
            case kEof:
            case kStartOpen:
            case kComment:
            case kInstruction:
            case kCdataOpen:
                return true;
            case kDeclOpen:
                return is_doctype(tokens_.peek(1));
            default:
                return false;
        }
    }

    // Consumes the tokens up to the next item. Before the first item any of them is reported
    // as "Document does not start with <"; after it, a run that is not blank as "Unexpected
    // text " (an error when it holds markup, a warning when it is all text).
    void stray_run(int32_t count) {
        const TextPos first = peek().first;
        bool markup = false;
        while (!opens_item(peek())) {
            markup = markup || peek().kind != kCharData;
            tokens_.advance();
        }
        const TextPos last = peek().first - 1;
        const TextRange trimmed = trim(first, last);
        if (!trimmed.empty()) messages_.drop(trimmed.first);
        DiagnosticList& list = messages_.list();
        if (count == 0) {
            // White space before the first item is legal; the warning still says that the
            // text is not where markup was wanted.
            list.add(0, "Document does not start with <", Severity::warning,
                     trimmed.empty() ? Conformance::advisory : Conformance::breaks);
            list.detail("Expecting", "<", first, first - 1);
            list.detail_from_text("Found", first, last);
        } else if (!trimmed.empty()) {
            list.add(trimmed.first, "Unexpected text ", markup ? Severity::error : Severity::warning);
            list.detail("Expecting", "< or end-of-file", first, first - 1);
            list.detail_from_text("Found", trimmed.first, trimmed.last);
        }
    }

    bool is_doctype(const Token& keyword) const {
        return keyword.kind == kOpenerName && text_of(keyword) == "DOCTYPE";
    }

    void parse_doctype() {
        parse_doctype_declaration(tokens_, tree_, messages_, doctype_, &references_);
    }

    TextRange trim(TextPos first, TextPos last) const {
        while (first <= last && is_blank(text_[static_cast<size_t>(first)])) ++first;
        while (last >= first && is_blank(text_[static_cast<size_t>(last)])) --last;
        return {first, last};
    }

    bool doctype_seen() const { return doctype_ != nullptr; }

    uint32_t write_misc(const Token& t, int32_t preceding) {
        return tree_.write_text(t.kind == kComment ? kRecordComment : kRecordInstruction, text_of(t),
                                t.first, static_cast<uint32_t>(preceding));
    }

    uint32_t parse_cdata() {
        tokens_.advance();  // "<![CDATA["
        const Token t = peek();
        if (t.kind == kCdataClose) {
            tokens_.advance();
            return tree_.write_text(kRecordCdata, "", t.first);
        }
        if (t.kind != kCdataContent) expect("cdata content or ]]>", true);
        tokens_.advance();
        if (peek().kind != kCdataClose) expect("cdata end", true);
        tokens_.advance();
        return tree_.write_text(kRecordCdata, text_of(t), t.first);
    }

    // ---- elements ----

    // Parses one element with everything inside it and returns its record handle.
    uint32_t parse_element() {
        const int32_t depth = open_.size();
        if (uint32_t handle = start_tag()) return handle;
        TextPos pending_first = -1, pending_last = -1;
        auto flush = [&] {
            if (pending_first < 0) return;
            TextRange trimmed = trim(pending_first, pending_last);
            if (!trimmed.empty())
                content_.push_back(tree_.write_text(
                    kRecordText,
                    text_.substr(static_cast<size_t>(trimmed.first), static_cast<size_t>(trimmed.length())),
                    trimmed.first));
            pending_first = -1;
        };
        for (;;) {
            const Token t = peek();
            switch (t.kind) {
                case kCharData: {
                    const char c = text_[static_cast<size_t>(t.first)];
                    if (c == '&' || c == ']') [[unlikely]]
                        check_text_mark(t);
                    if (pending_first < 0) pending_first = t.first;
                    pending_last = t.last;
                    tokens_.advance();
                    continue;
                }
                case kComment:
                case kInstruction:
                    check_misc(t);
                    flush();
                    misc_.push_back(write_misc(t, content_.size() - open_.back().content_from));
                    tokens_.advance();
                    continue;
                case kStartOpen:
                    flush();
                    if (uint32_t handle = start_tag()) content_.push_back(handle);
                    continue;
                case kCdataOpen:
                    flush();
                    content_.push_back(parse_cdata());
                    continue;
                case kEof: {
                    flush();
                    const OpenElement& open = open_.back();
                    messages_.list().add_error(static_cast<TextPos>(text_.size()),
                                               "End of file before tag close");
                    messages_.list().detail_from_text("Start tag", open.s + 1,
                                                      open.s + static_cast<TextPos>(open.name.size()));
                    messages_.end("error", static_cast<TextPos>(text_.size()));
                }
                case kEndOpen: {
                    flush();
                    uint32_t handle = end_tag();
                    if (open_.size() == depth) return handle;
                    content_.push_back(handle);
                    continue;
                }
                default:
                    flush();
                    if (!(t.kind == kDeclOpen && is_doctype(tokens_.peek(1))))
                        expect("char data, <,  or </", false);
                    expect("<, </ or text", true);
            }
        }
    }

    // Reads a start tag with its attributes. Returns the handle of an empty-element tag,
    // which is complete; otherwise opens the element and returns 0.
    uint32_t start_tag() {
        const TextPos s = peek().first;
        tokens_.advance();
        if (peek().kind != kOpenerName) expect("tag name", true, true);
        const Token name_token = peek();
        const std::string_view name = text_of(name_token);
        tokens_.advance();

        const int32_t attributes_from = attributes_.size();
        tag_attributes_from_ = attributes_from;
        // Made only when a tag has many attributes (see first_with_name).
        std::optional<StrMap<int32_t>> seen;
        while (peek().kind == kName) {
            const Token a = peek();
            if (const Token* previous = tokens_.previous(); previous && a.first == previous->last + 1)
                messages_.list().add_warning(a.first, "Required white space is missing");
            tokens_.advance();
            if (peek().kind != kEquals) expect("=", true);
            tokens_.advance();
            if (peek().kind != kString) expect("value", true);
            const Token v = peek();
            tokens_.advance();
            // The value without its quotes (an unterminated string has no closing one).
            TextPos value_first = v.first + 1;
            TextPos value_last = v.last;
            if (v.last > v.first && text_[static_cast<size_t>(v.last)] == text_[static_cast<size_t>(v.first)])
                --value_last;
            std::string_view value = text_.substr(static_cast<size_t>(value_first),
                                                  static_cast<size_t>(value_last - value_first + 1));
            bool has_reference = false;
            size_t bad = first_bad_attribute_char(value, has_reference);
            if (bad != std::string_view::npos) [[unlikely]] {
                std::string message(1, value[bad]);
                message += " is not allowed in xml attribute";
                messages_.list().add_warning(value_first + static_cast<TextPos>(bad), message);
                // The pass stopped there: references may follow.
                has_reference = std::memchr(value.data(), '&', value.size()) != nullptr;
            }
            if (has_reference) [[unlikely]]
                check_attribute_references(value_first, value_last, a.first);
            std::string_view attribute_name = text_of(a);
            const bool name_has_nul = has_nul(attribute_name);
            int32_t first_index = first_with_name(attribute_name, name_has_nul, seen);
            if (first_index >= 0) {
                const ValueSpan& first_value = values_[static_cast<size_t>(first_index)];
                messages_.list().add_warning(a.first, "Duplicated attribute name");
                messages_.list().detail_from_text("Attribute Name", a.first, a.last);
                messages_.list().detail_from_text("First Value", first_value.first, first_value.last);
                messages_.list().detail_from_text("Second Value", value_first, value_last);
            }
            values_.push_back({attribute_name, value_first, value_last, name_has_nul});
            attributes_.push_back(tree_.write_attribute(attribute_name, a.first, v.first, value));
        }
        values_.clear();

        const Token close = peek();
        if (close.kind == kEmptyClose) {
            tokens_.advance();
            uint32_t handle = tree_.write_element(name, true, s, close.last, -1, -1,
                                                  attributes_.span().subspan(static_cast<size_t>(attributes_from)), {}, {});
            attributes_.resize(attributes_from, false);
            tag_attributes_from_ = -1;
            return handle;
        }
        if (close.kind != kGt) expect("Attribute name,>,  or />", true);
        tokens_.advance();
        open_.push_back(OpenElement{name, s, close.first, attributes_from, content_.size(), misc_.size()});
        tag_attributes_from_ = -1;
        return 0;
    }

    // The references of an attribute value (value_first..value_last, without quotes): a
    // reference begun wrongly is already reported as a "&" not allowed there.
    void check_attribute_references(TextPos value_first, TextPos value_last, TextPos name_first) {
        const auto end = static_cast<size_t>(value_last) + 1;
        for (size_t i = static_cast<size_t>(value_first); i < end; ++i) {
            if (text_[i] != '&') continue;
            const size_t n = references_.reference_length(i, end);
            if (n == 0) continue;
            references_.check(i, n, true, name_first);
            i += n - 1;
        }
    }

    // The index in values_ of the first attribute of this tag named name, or -1. Past
    // kLinearAttributeCheck attributes the names go into `seen` (keys are C strings, as the
    // names are compared up to a NUL either way), which then answers instead.
    int32_t first_with_name(std::string_view name, bool name_has_nul,
                            std::optional<StrMap<int32_t>>& seen) {
        const size_t n = values_.size();
        if (!seen && n < kLinearAttributeCheck) {
            for (size_t i = 0; i < n; ++i) {
                const ValueSpan& v = values_[i];
                if (v.name == name) return static_cast<int32_t>(i);
                // Names that differ can still match up to a NUL, which hardly any name holds.
                if ((v.name_has_nul || name_has_nul) && same_name(v.name, name))
                    return static_cast<int32_t>(i);
            }
            return -1;
        }
        if (!seen) {
            attribute_names_.reset();
            seen.emplace(64, &attribute_names_);
            for (size_t i = 0; i < n; ++i) remember_name(*seen, values_[i].name, static_cast<int32_t>(i));
        }
        const char* key = attribute_names_.copy_text(name.data(), static_cast<uint32_t>(name.size()));
        int32_t first_index;
        if (seen->find(key, &first_index)) return first_index;
        seen->insert_or_assign(key, static_cast<int32_t>(n));
        // Two names a bucket at most, however many attributes a tag has.
        if (seen->count() > 2 * seen->bucket_count()) seen->rehash(4 * seen->bucket_count());
        return -1;
    }

    void remember_name(StrMap<int32_t>& seen, std::string_view name, int32_t index) {
        const char* key = attribute_names_.copy_text(name.data(), static_cast<uint32_t>(name.size()));
        int32_t ignored;
        if (!seen.find(key, &ignored)) seen.insert_or_assign(key, index);
    }

    // Names compare as the C strings the map holds: up to the first NUL.
    static bool same_name(std::string_view a, std::string_view b) {
        if (a == b) return true;
        const size_t a_nul = a.find('\0'), b_nul = b.find('\0');
        if (a_nul == std::string_view::npos && b_nul == std::string_view::npos) return false;
        return a.substr(0, a_nul) == b.substr(0, b_nul);
    }

    // Reads an end tag and writes the innermost open element.
    uint32_t end_tag() {
        const TextPos p = peek().first + 1;
        tokens_.advance();
        const OpenElement& open = open_.back();
        TextRange end_name{-1, -1};
        if (peek().kind == kOpenerName) {
            const Token n = peek();
            end_name = {n.first, n.last};
            tokens_.advance();
            if (peek().kind != kGt) expect(">", true);
        } else if (peek().kind == kGt) {
            // "</>": the end tag is taken as the open element's, but it must name it.
            expect_error("close tag name");
        } else {
            if (peek().first < static_cast<int32_t>(text_.size()) && is_blank(text_[static_cast<size_t>(peek().first)]))
                expect("close tag name", true, true);
            expect("end tag name or >", true);
        }
        const TextPos e = peek().first;
        tokens_.advance();
        if (end_name.first >= 0) {
            std::string_view written = text_.substr(static_cast<size_t>(end_name.first),
                                                    static_cast<size_t>(end_name.length()));
            if (written != open.name) {
                // The tree keeps the start tag's name only: the end tag's is dropped.
                messages_.drop(end_name.first);
                messages_.list().add_warning(end_name.first, "start/end tag mismatch");
                messages_.list().detail_from_text("Start tag", open.s + 1,
                                                  open.s + static_cast<TextPos>(open.name.size()));
                messages_.list().detail_from_text("End tag", end_name.first, end_name.last);
            }
        }
        return close_element(e, p);
    }

    uint32_t close_element(TextPos e, TextPos p) {
        const OpenElement open = open_.back();
        open_.pop_back();
        uint32_t handle = tree_.write_element(
            open.name, false, open.s, e, open.g, p,
            attributes_.span().subspan(static_cast<size_t>(open.attributes_from)),
            content_.span().subspan(static_cast<size_t>(open.content_from)),
            misc_.span().subspan(static_cast<size_t>(open.misc_from)));
        attributes_.resize(open.attributes_from, false);
        content_.resize(open.content_from, false);
        misc_.resize(open.misc_from, false);
        return handle;
    }

    // After a fatal error: every open element ends where the text ends, keeping what it holds.
    void close_open_elements() {
        const TextPos end = static_cast<TextPos>(text_.size());
        // The attributes of a start tag cut short belong to no element.
        if (tag_attributes_from_ >= 0) attributes_.resize(tag_attributes_from_, false);
        while (!open_.empty()) {
            uint32_t handle = close_element(end, end);
            if (open_.empty())
                top_items_.push_back(handle);
            else
                content_.push_back(handle);
        }
    }

    std::string_view text_;
    DocumentTree& tree_;
    ParseMessages messages_;
    EntityReferences references_;
    TokenStream tokens_;
    Array<OpenElement> open_;
    Array<uint32_t> attributes_, content_, misc_;
    Array<uint32_t> top_items_, top_misc_;
    std::vector<ValueSpan> values_;
    int32_t tag_attributes_from_ = -1;  // while a start tag is being read
    SmallArena attribute_names_;
    Node* doctype_ = nullptr;
    bool element_seen_ = false;
};

}  // namespace

std::unique_ptr<DocumentTree> parse_xml(std::string_view text, Job* job, TreeKeeps keeps) {
    auto tree = std::make_unique<DocumentTree>();
    if (keeps == TreeKeeps::diagnostics) {
        tree->discard_records();
    } else {
        // Typical documents make about one byte of records per byte of text. Twice that is
        // reserved up front: pages never written cost nothing, and growing the stream of a
        // large document moves it in one call that holds the lock for tens of milliseconds.
        tree->reserve_records(std::min<size_t>(2 * text.size() + (1 << 16), DocumentTree::kFirstAdoptedHandle));
    }
    tree->diagnostics().set_source(text);
    XmlParser parser(text, *tree, job);
    parser.parse();
    tree->diagnostics().sort_by_position();
    return tree;
}

}  // namespace tessel
