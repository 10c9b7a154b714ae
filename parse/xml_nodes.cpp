// The XML nodes: decoding their records, describing themselves, validating and applying
// cell edits.
#include "parse/xml_nodes.h"

#include <cctype>

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/string_builder.h"
#include "parse/node_description.h"
#include "parse/varint.h"
#include "parse/xml_char_class.h"
#include "parse/xml_writer.h"
#include "text/utf8_reader.h"

namespace tessel {

namespace {

std::string_view read_text(const uint8_t*& cursor) {
    size_t n = read_varint(cursor);
    const char* text = reinterpret_cast<const char*>(cursor);
    cursor += n + 1;
    return {text, n};
}

std::string_view keep(DocumentTree& tree, std::string_view text) {
    return {tree.arena().copy_text(text.data(), static_cast<uint32_t>(text.size())), text.size()};
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

bool is_name_query(int query_kind) { return query_kind == kQueryName || query_kind == kQueryCell; }

const char* check_chardata(std::string_view text) {
    return text.find('<') == std::string_view::npos ? nullptr
                                                    : "Invalid character for chardata: < ";
}

const char* check_cdata(std::string_view text) {
    return text.find("]]>") == std::string_view::npos ? nullptr : "Invalid text for CDATA: ]]> ";
}

// Whether a well-formed reference begins at text[at] (an "&"): "&name;", "&#digits;" or
// "&#xhexdigits;".
bool reference_at(std::string_view text, size_t at);

// Typed text as it goes between tags or between an attribute's quotes: an "&" that begins
// no well-formed reference is written "&amp;", so that the text reads back as typed; so is a
// "<" in an attribute value ("&lt;") and the ">" of "]]>" in element text ("&gt;"), which
// would not be well-formed raw.
std::string escaped_for_markup(std::string_view typed, bool attribute) {
    std::string out;
    out.reserve(typed.size());
    for (size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        if (c == '&' && !reference_at(typed, i))
            out += "&amp;";
        else if (c == '<' && attribute)
            out += "&lt;";
        else if (c == '>' && !attribute && i >= 2 && typed[i - 1] == ']' && typed[i - 2] == ']')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

const char* check_attribute_value(std::string_view text) {
    return text.find_first_of("\"'") == std::string_view::npos ? nullptr
                                                               : "Attribute value contains quotes";
}

std::string span_text(TextPos a, TextPos b) {
    return "[" + std::to_string(a) + "," + std::to_string(b) + "]";
}

// Decodes one UTF-8 sequence strictly (as read_utf8 does); false on a malformed one.
bool next_code_point(std::string_view text, size_t& at, uint32_t& cp) {
    const auto* p = reinterpret_cast<const uint8_t*>(text.data()) + at;
    const size_t n = utf8_char_length(p, text.size() - at);
    if (n == 0) return false;
    cp = p[0] & (0x7Fu >> (n == 1 ? 0 : n));
    for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (p[i] & 0x3Fu);
    at += n;
    return true;
}

bool is_name_start(uint32_t cp) {
    int c = xml_char_class(cp);
    // Capital letters have classes of their own only so the scanner can spot "<![CDATA[".
    return c == 10 || (c >= 13 && c <= 17);
}

bool is_name_char(uint32_t cp) {
    int c = xml_char_class(cp);
    return is_name_start(cp) || c == 8 || cp == '-';
}

bool reference_at(std::string_view text, size_t at) {
    size_t i = at + 1;
    if (i < text.size() && text[i] == '#') {
        ++i;
        const bool hex = i < text.size() && text[i] == 'x';
        if (hex) ++i;
        const size_t digits = i;
        while (i < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[i]))
                                       : std::isdigit(static_cast<unsigned char>(text[i]))))
            ++i;
        return i > digits && i < text.size() && text[i] == ';';
    }
    bool first = true;
    while (i < text.size() && text[i] != ';') {
        uint32_t cp;
        if (!next_code_point(text, i, cp) || !(first ? is_name_start(cp) : is_name_char(cp)))
            return false;
        first = false;
    }
    return !first && i < text.size();
}

}  // namespace

const char* check_xml_name(std::string_view text) {
    if (text.empty()) return "empty name";
    thread_local std::string message;
    size_t at = 0;
    bool first = true;
    while (at < text.size()) {
        size_t begin = at;
        uint32_t cp;
        if (!next_code_point(text, at, cp)) return "utf 8 error";
        if (first ? !is_name_start(cp) : !is_name_char(cp)) {
            message = "Invalid character:  '";
            message.append(text.substr(begin, at - begin));
            message += "'";
            return message.c_str();
        }
        first = false;
    }
    return nullptr;
}

// ---- TextNode ----

void TextNode::decode(const DocumentTree&, const uint8_t* cursor, uint8_t tag) {
    kind_ = tag & 0x0F;
    if (kind_ == kRecordComment || kind_ == kRecordInstruction) preceding_ = read_varint(cursor);
    set_text(read_text(cursor));
    start_ = static_cast<TextPos>(read_varint(cursor));
}

void TextNode::init_inserted(std::string_view text, TextPos start) {
    kind_ = kRecordInsertedText;
    set_text(text);
    start_ = start;
}

void TextNode::describe(NodeDescriber& d) {
    d.set_category(kCategoryText);
    d.set_identity("Text", 3, 0, "", "", "Tag name/Text");
    d.set_value(text(), start_, last(), false);
    d.set_range(start_, last());
    // Texts show as blocks of text, not as tables.
    bool editable = kind_ == kRecordText || kind_ == kRecordCdata || kind_ == kRecordInsertedText;
    d.set_flags(kFlagBlock | (editable ? uint32_t{kFlagEditable} : 0u));
    d.set_link(this);
}

const char* TextNode::validate_edit(std::string_view new_text, int) {
    // Inside CDATA "<" is an ordinary character and only "]]>" would end the section early.
    return kind_ == kRecordCdata ? check_cdata(new_text) : check_chardata(new_text);
}

std::string TextNode::prepare_edit(std::string_view typed, int) {
    return kind_ == kRecordCdata ? std::string(typed) : escaped_for_markup(typed, false);
}

void TextNode::apply_edit(DocumentTree& tree, std::string_view new_text, int, TextEditSink& sink) {
    sink.replace(new_text, start_, last());
    set_text(keep(tree, new_text));
}

bool TextNode::write(StringBuilder& out, const IndentOptions& options, int indent) {
    if (kind_ == kRecordComment && options.remove_comments) return false;
    for (int i = 0; i < indent; ++i) out.append(' ');
    switch (kind_) {
        case kRecordComment:
        case kRecordInstruction:
            out.append(text());
            out.append('\n');
            break;
        case kRecordCdata:
            out.append("<![CDATA[");
            out.append(text());
            out.append("]]>");
            break;
        default:
            // Parsed texts are trimmed already; a text typed into a cell may not be.
            out.append(trim_blanks(text()));
            break;
    }
    return true;
}

bool TextNode::write_inline(StringBuilder& out, const IndentOptions&, int,
                            std::string_view parent_name) {
    if (kind_ != kRecordText && kind_ != kRecordInsertedText) return false;
    out.append('>');
    out.append(trim_blanks(text()));
    out.append("</");
    out.append(parent_name);
    out.append('>');
    return true;
}

NodeSpans TextNode::spans() { return {"chardata", start_, last()}; }

std::string TextNode::dump() {
    static const char* const names[] = {"", "text", "cdata", "comment", "pi", "", "", "", "inserted"};
    return std::string(names[kind_ < 9 ? kind_ : 0]) + " " + span_text(start_, last()) + " \"" +
           std::string(text()) + "\"";
}

// ---- AttributeNode ----

void AttributeNode::decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t) {
    name_start_ = static_cast<TextPos>(read_varint(cursor));
    quote_ = name_start_ + static_cast<TextPos>(read_varint(cursor));
    set_name(tree.name(read_varint(cursor)));
    set_value(read_text(cursor));
}

void AttributeNode::describe(NodeDescriber& d) {
    d.set_category(kCategoryLeaf);
    d.set_identity("Attribute", 0, 1, "", "", "name");
    d.set_name(name(), name_start_, name_end(), false);
    d.set_value(value(), value_start(), value_end(), false);
    d.set_range(name_start_, value_end());
    d.set_flags(kFlagEditable | kFlagEditableNameValue);
    d.set_link(this);
}

const char* AttributeNode::validate_edit(std::string_view new_text, int query_kind) {
    return is_name_query(query_kind) ? check_xml_name(new_text) : check_attribute_value(new_text);
}

std::string AttributeNode::prepare_edit(std::string_view typed, int query_kind) {
    return is_name_query(query_kind) ? std::string(typed) : escaped_for_markup(typed, true);
}

void AttributeNode::apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                               TextEditSink& sink) {
    // Offsets stay those of the parse; only the lengths of what was edited change (the
    // tree's edit shifts carry them to the text).
    if (is_name_query(query_kind)) {
        sink.replace(new_text, name_start_, name_end());
        set_name(keep(tree, new_text));
    } else {
        sink.replace(new_text, quote_ + 1, value_end() - 1);
        set_value(keep(tree, new_text));
    }
}

bool AttributeNode::write(StringBuilder& out, const IndentOptions&, int) {
    const char quote = value().find('"') == std::string_view::npos ? '"' : '\'';
    out.append(' ');
    out.append(name());
    out.append(" = ");
    out.append(quote);
    out.append(value());
    out.append(quote);
    return true;
}

NodeSpans AttributeNode::spans() { return {name_, name_start_, value_end()}; }

std::string AttributeNode::dump() {
    return std::string(name()) + "=" + span_text(name_start_, name_end()) + ",value=" +
           span_text(value_start(), value_end()) + " \"" + std::string(value()) + "\"";
}

// ---- ElementNode ----

void ElementNode::decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t tag) {
    std::string_view name = tree.name(read_varint(cursor));
    name_ = name.data();
    name_length_ = static_cast<uint32_t>(name.size());
    s_ = static_cast<TextPos>(read_varint(cursor));
    e_ = s_ + static_cast<TextPos>(read_varint(cursor));
    g_ = static_cast<TextPos>(static_cast<uint32_t>(s_) + read_varint(cursor));
    empty_tag_ = tag & kElementEmptyTag;
    auto read_list = [&](List which) {
        int32_t n = static_cast<int32_t>(read_varint(cursor));
        set_list(which, cursor, n);
        cursor += 4 * static_cast<size_t>(n);
    };
    if (!(tag & kElementNoAttributes)) read_list(kAttributes);
    if (!(tag & kElementNoContent)) read_list(kContent);
    if (!(tag & kElementNoMisc)) read_list(kMisc);
    if (empty_tag_) {
        g_ = -1;
        end_name_first_ = -1;
    } else {
        TextPos p = e_ - 1 - static_cast<TextPos>(read_varint(cursor));
        end_name_first_ = p + 1;
    }
}

namespace {

// The handle of an element's only content item when that is a text, else 0.
uint32_t single_text_handle(DocumentTree& tree, HandleList content) {
    if (content.size() != 1) return 0;
    uint32_t handle = content[0];
    uint8_t kind = handle >= DocumentTree::kFirstAdoptedHandle ? uint8_t{kRecordInsertedText}
                                                                : tree.record_kind(handle);
    return kind == kRecordText || kind == kRecordInsertedText ? handle : 0;
}

}  // namespace

TextNode* ElementNode::single_text() {
    uint32_t handle = single_text_handle(tree_, content());
    return handle ? static_cast<TextNode*>(tree_.node_at(handle)) : nullptr;
}

const TextNode* ElementNode::peek_single_text(NodeScratch& scratch) {
    uint32_t handle = single_text_handle(tree_, content());
    return handle ? static_cast<const TextNode*>(tree_.peek_node(handle, scratch)) : nullptr;
}

void ElementNode::describe(NodeDescriber& d) {
    const int32_t attributes = counts_[kAttributes];
    const int32_t content = counts_[kContent];
    NodeScratch scratch;
    const TextNode* text = peek_single_text(scratch);
    int kind_code;
    if (attributes == 1 && content == 0)
        kind_code = 8;
    else if (content > 0)
        kind_code = (content > 1 || !text) ? 2 : attributes ? 7 : 5;
    else
        kind_code = attributes ? 6 : 1;

    bool as_value = false;
    if (text) {
        d.set_value(text->text(), text->start(), text->last(), false);
        d.set_value_column("Text", 3);
        as_value = true;
    } else if (attributes == 1 && content == 0) {
        NodeScratch scratch_attribute;
        auto* attribute = static_cast<AttributeNode*>(tree_.peek_node(this->attributes()[0], scratch_attribute));
        if (attribute)
            d.set_value(attribute->value(), attribute->value_start() + 1, attribute->value_end() - 1,
                        false);
        as_value = true;
    } else if (attributes == 0 && content == 0 && !empty_tag_) {
        d.set_value("", g_ + 1, g_, false);
        d.set_value_column("Text", 3);
        as_value = true;
    }
    d.set_category(as_value ? kCategoryValue : kCategoryTable);
    d.set_identity("Subtag", kind_code, 2, "Attribute,Subtag-Text", "tag", "Tag name/Text");
    TextRange name = name_span();
    d.set_name(this->name(), name.first, name.last, false);
    d.set_range(s_, e_);
    d.set_flags(as_value ? (kFlagEditable | kFlagEditableNameValue) : kFlagEditable);
    d.set_not_editable_message(kNameNotEditable);
    d.set_child_count(attributes + content, 1);
    d.set_link(this);
}

Node* ElementNode::child(int32_t index) {
    if (index < 0) return nullptr;
    if (index < attributes().size()) return tree_.node_at(attributes()[index]);
    index -= attributes().size();
    if (index < content().size()) return tree_.node_at(content()[index]);
    return nullptr;
}

Node* ElementNode::peek_child(int32_t index, NodeScratch& scratch) {
    if (index < 0) return nullptr;
    if (index < attributes().size()) return tree_.peek_node(attributes()[index], scratch);
    index -= attributes().size();
    if (index < content().size()) return tree_.peek_node(content()[index], scratch);
    return nullptr;
}

// An element of one attribute and no content shows that attribute's value as its value, in
// every value query: that is the cell edited too.
bool ElementNode::value_is_attribute() const {
    return attributes().size() == 1 && content().empty();
}

const char* ElementNode::validate_edit(std::string_view new_text, int query_kind) {
    if (is_name_query(query_kind)) return check_xml_name(new_text);
    if (value_is_attribute()) return check_attribute_value(new_text);
    return check_chardata(new_text);
}

std::string ElementNode::prepare_edit(std::string_view typed, int query_kind) {
    if (is_name_query(query_kind)) return std::string(typed);
    return escaped_for_markup(typed, value_is_attribute());
}

void ElementNode::apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                             TextEditSink& sink) {
    if (query_kind == kQueryCell) {
        TextRange start_name = name_span();
        sink.replace(new_text, start_name.first, start_name.last);
        if (!empty_tag_) {
            TextRange end_name = end_name_span();
            sink.replace(new_text, end_name.first, end_name.last);
        }
        std::string_view kept = keep(tree, new_text);
        name_ = kept.data();
        name_length_ = static_cast<uint32_t>(kept.size());
        return;
    }
    if (query_kind == kQueryName) return;
    if (value_is_attribute()) {
        if (Node* attribute = tree_.node_at(attributes()[0]))
            attribute->apply_edit(tree, new_text, kQueryValue4, sink);
        return;
    }
    if (TextNode* text = single_text()) {
        text->apply_edit(tree, new_text, query_kind, sink);
        return;
    }
    if (content().empty() && !empty_tag_) {
        // <a></a> becomes <a>new</a>: a text that has no place in the record stream yet.
        sink.replace(new_text, g_ + 1, g_);
        TextNode* inserted = tree.make<TextNode>(tree);
        inserted->init_inserted(keep(tree, new_text), g_ + 1);
        uint32_t handle = tree.adopt(inserted);
        auto* raw = static_cast<uint8_t*>(tree.arena().allocate(4));
        std::memcpy(raw, &handle, 4);
        set_list(kContent, raw, 1);
    }
}

bool ElementNode::write(StringBuilder& out, const IndentOptions& options, int indent) {
    XmlWriter(tree_, out, options).write_element(*this, indent);
    return true;
}

std::string ElementNode::dump() {
    std::string out = "<" + std::string(name()) + "> " + span_text(s_, e_);
    if (empty_tag_) out += " empty";
    return out;
}

// ---- XmlDocumentNode ----

void XmlDocumentNode::describe(NodeDescriber& d) {
    const char* label = "XML Document";
    if (!doctype_ && items_.size() != 1) {
        std::snprintf(label_, sizeof label_, "%d XML tags", items_.size());
        label = label_;
    }
    d.set_category(kCategoryContainer);
    // "document" names it in the views' "(This document has no DOCTYPE)".
    d.set_identity(label, 2, 1, "DOCTYPE,Subtag-Text", "document", "");
    d.set_name(label, -1, -1, false);
    d.set_child_count(child_count(), 1);
    d.set_link(this);
}

Node* XmlDocumentNode::child(int32_t index) {
    if (doctype_) {
        if (index == 0) return doctype_;
        --index;
    }
    if (index < 0 || index >= items_.size()) return nullptr;
    return tree_.node_at(items_[index]);
}

bool XmlDocumentNode::write(StringBuilder& out, const IndentOptions& options, int) {
    XmlWriter(tree_, out, options).write_document(*this);
    return true;
}

std::string XmlDocumentNode::dump() {
    return std::to_string(items_.size()) + " top-level items";
}

// ---- DetailNode ----

void DetailNode::describe(NodeDescriber& d) {
    d.set_category(kCategoryLeaf);
    d.set_identity("DOCTYPE detail", -1, 1, "", "", "");
    d.set_name(label_, first_, last_, false);
    d.set_value(text_, first_, last_, false);
    d.set_range(first_, last_);
    d.set_link(this);
}

std::string DetailNode::dump() {
    return std::string(label_) + " = \"" + std::string(text_) + "\" " + span_text(first_, last_);
}

}  // namespace tessel
