// The JSON nodes: how they describe themselves, write themselves back as JSON, and take
// cell edits.
#include "parse/json_nodes.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/string_builder.h"
#include "parse/document_tree.h"
#include "parse/indent_options.h"
#include "parse/node_description.h"
#include "parse/varint.h"

namespace tessel {

namespace {

// The indentation step of written JSON does not follow the XML indent options.
constexpr int kJsonIndentStep = 4;

void append_blanks(StringBuilder& out, int n) {
    static constexpr char kBlanks[] =
        "                                                                ";
    constexpr int kChunk = static_cast<int>(sizeof(kBlanks)) - 1;
    for (; n > kChunk && !out.dropped(); n -= kChunk) out.append(std::string_view(kBlanks, kChunk));
    if (n > 0) out.append(std::string_view(kBlanks, static_cast<size_t>(n)));
}

std::string span_text(TextPos a, TextPos b) {
    return "[" + std::to_string(a) + "," + std::to_string(b) + "]";
}

std::string_view keep(DocumentTree& tree, std::string_view text) {
    return {tree.arena().copy_text(text.data(), static_cast<uint32_t>(text.size())), text.size()};
}

}  // namespace

// ---- JsonNode ----

TextPos JsonNode::decode_member(const DocumentTree& tree, const uint8_t*& cursor, uint8_t tag) {
    has_member_ = tag & kJsonMember;
    if (!has_member_) return static_cast<TextPos>(read_varint(cursor));
    const std::string_view name = tree.name(read_varint(cursor));
    member_.text = name.data();
    member_.length = static_cast<uint32_t>(name.size());
    member_.first = static_cast<TextPos>(read_varint(cursor));
    member_.quoted = true;
    return member_.first + static_cast<TextPos>(read_varint(cursor));
}

void JsonNode::write_prefix(StringBuilder& out, int indent) const {
    append_blanks(out, indent);
    if (!has_member_) return;
    if (member_.quoted) out.append('"');
    out.append(member_.name());
    if (member_.quoted) out.append('"');
    out.append(" : ");
}

// ---- JsonValueNode ----

void JsonValueNode::decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t tag) {
    is_string_ = tag & kJsonStringOrObject;
    first_ = decode_member(tree, cursor, tag);
    length_ = read_varint(cursor);
    text_ = tree.borrowed_text().data() + first_;
    member_.value_end = token_span().last;
}

void JsonValueNode::describe(NodeDescriber& d) {
    const TextRange value = span();
    const TextRange token = token_span();
    if (has_member_) {
        const TextRange name = member_.name_span();
        d.set_category(kCategoryLeaf);
        d.set_identity("Json element", 0, 1, "", "", "Element");
        d.set_name(member_.name(), name.first, name.last, false);
        d.set_value(text(), value.first, value.last, false);
        d.set_range(member_.first, token.last);
        d.set_flags(kFlagEditable | kFlagEditableNameValue);
    } else {
        d.set_category(kCategoryText);
        d.set_identity("Text", 1, 3, "", "", "Element");
        d.set_value(text(), value.first, value.last, false);
        d.set_range(token.first, token.last);
        d.set_flags(kFlagBlock);
    }
    d.set_link(this);
}

bool JsonValueNode::write(StringBuilder& out, const IndentOptions&, int indent) {
    write_prefix(out, indent);
    if (is_string_) out.append('"');
    out.append(text());
    if (is_string_) out.append('"');
    return true;
}

namespace {

// Whether text is a JSON number: -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
bool json_number(std::string_view text) {
    size_t i = 0;
    const auto digits = [&] {
        const size_t from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - from;
    };
    if (i < text.size() && text[i] == '-') ++i;
    if (i < text.size() && text[i] == '0')
        ++i;
    else if (digits() == 0)
        return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (digits() == 0) return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

bool hex4_at(std::string_view text, size_t at) {
    if (at + 4 > text.size()) return false;
    for (size_t k = at; k < at + 4; ++k)
        if (!std::isxdigit(static_cast<unsigned char>(text[k]))) return false;
    return true;
}

// Typed text as it goes between a string's quotes: a backslash that begins a JSON escape is
// kept as typed (cells show strings as written, escapes and all), any other backslash is
// written as "\\", and a control character as its escape.
std::string escaped_for_json_string(std::string_view typed) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(typed.size());
    for (size_t i = 0; i < typed.size(); ++i) {
        const auto c = static_cast<unsigned char>(typed[i]);
        if (c == '\\') {
            const char next = i + 1 < typed.size() ? typed[i + 1] : 0;
            if (next && std::strchr("\"\\/bfnrt", next)) {
                out += '\\';
                out += next;
                ++i;
            } else if (next == 'u' && hex4_at(typed, i + 2)) {
                out += "\\u";
                ++i;
            } else {
                out += "\\\\";
            }
        } else if (c < 0x20) {
            switch (c) {
                case '\b': out += "\\b"; break;
                case '\f': out += "\\f"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default:
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
            }
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

std::string JsonValueNode::prepare_edit(std::string_view typed, int query_kind) {
    const bool quoted = is_string_ || (query_kind == kQueryName && has_member_);
    return quoted ? escaped_for_json_string(typed) : std::string(typed);
}

const char* JsonValueNode::validate_edit(std::string_view new_text, int query_kind) {
    // Names and values are written between quotation marks (or are numbers and literals,
    // where a quotation mark has no place either).
    if (new_text.find('"') != std::string_view::npos) return kQuoteRefused;
    const bool quoted = is_string_ || (query_kind == kQueryName && has_member_);
    // A number or literal stays one, or the document would no longer be JSON.
    if (!quoted && new_text != "true" && new_text != "false" && new_text != "null" &&
        !json_number(new_text))
        return kNotALiteral;
    size_t backslashes = 0;
    while (backslashes < new_text.size() && new_text[new_text.size() - 1 - backslashes] == '\\')
        ++backslashes;
    return quoted && backslashes % 2 == 1 ? kBackslashRefused : nullptr;
}

void JsonValueNode::apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                               TextEditSink& sink) {
    // Offsets stay those of the parse; only the lengths of what was edited change (the
    // tree's edit shifts carry them to the text).
    if (query_kind == kQueryName && has_member_) {
        const TextRange name = member_.name_span();
        sink.replace(new_text, name.first, name.last);
        member_.text = keep(tree, new_text).data();
        member_.length = static_cast<uint32_t>(new_text.size());
        return;
    }
    const TextRange value = span();
    sink.replace(new_text, value.first, value.last);
    text_ = keep(tree, new_text).data();
    length_ = static_cast<uint32_t>(new_text.size());
    if (has_member_) member_.value_end = token_span().last;
}

NodeSpans JsonValueNode::spans() {
    const TextRange token = token_span();
    if (has_member_) return {member_.text, member_.first, token.last};
    return {"Text", token.first, token.last};
}

std::string JsonValueNode::dump() {
    std::string out;
    if (has_member_) out += std::string(member_.name()) + " = ";
    out += is_string_ ? "\"" + std::string(text()) + "\"" : std::string(text());
    const TextRange s = span();
    return out + " " + span_text(s.first, s.last);
}

// ---- JsonContainerNode ----

void JsonContainerNode::decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t tag) {
    is_object_ = tag & kJsonStringOrObject;
    root_ = tag & kJsonRoot;
    first_ = decode_member(tree, cursor, tag);
    last_ = first_ + static_cast<TextPos>(read_varint(cursor));
    value_count_ = static_cast<int32_t>(read_varint(cursor));
    const auto count = static_cast<int32_t>(read_varint(cursor));
    children_ = HandleList(cursor, count);
    member_.value_end = last_;
}

int JsonContainerNode::kind_code() const {
    const int base = is_object_ ? 2 : 5;
    if (children_.empty()) return base;
    return value_count_ == children_.size() ? base + 1 : base + 2;
}

void JsonContainerNode::describe(NodeDescriber& d) {
    d.set_category(has_member_ || root_ ? kCategoryTable : kCategoryContainer);
    const char* type = is_object_ ? "Object" : "Array";
    d.set_identity(type, kind_code(), 1, "", "Json element", "Element");
    if (root_) {
        d.set_name(kRootName, first_, first_, false);
    } else if (has_member_) {
        const TextRange name = member_.name_span();
        d.set_name(member_.name(), name.first, name.last, false);
    } else {
        d.set_name(type, first_, first_, false);
    }
    d.set_value("", first_ + 1, first_, false);
    d.set_range(has_member_ ? member_.first : first_, last_);
    d.set_child_count(children_.size(), 1);
    d.set_link(this);
}

const char* JsonContainerNode::validate_edit(std::string_view, int) {
    return NodeDescription::kDefaultNotEditable;
}

Node* JsonContainerNode::child(int32_t index) {
    return index >= 0 && index < children_.size() ? tree_.node_at(children_[index]) : nullptr;
}

Node* JsonContainerNode::peek_child(int32_t index, NodeScratch& scratch) {
    return index >= 0 && index < children_.size() ? tree_.peek_node(children_[index], scratch)
                                                   : nullptr;
}

NodeSpans JsonContainerNode::spans() {
    if (root_) return {"json", first_, last_};
    if (has_member_) return {member_.text, member_.first, last_};
    return {is_object_ ? "Object" : "Array", first_, last_};
}

std::string JsonContainerNode::dump() {
    std::string out = is_object_ ? "Object" : "Array";
    if (root_) out += " " + std::string(kRootName);
    if (has_member_) out += " " + std::string(member_.name());
    return out + " (" + std::to_string(children_.size()) + ") " + span_text(first_, last_);
}

bool JsonContainerNode::write(StringBuilder& out, const IndentOptions& options, int indent) {
    // Children are looked at through scratch, so that writing a large document makes no
    // nodes; an open container keeps what it needs of itself in its frame.
    struct Open {
        HandleList children;
        int32_t next;
        int indent;
        bool is_object;
    };
    std::vector<Open> stack;
    auto open = [&](const JsonContainerNode& node, int at) {
        node.write_prefix(out, at);
        out.append(node.is_object_ ? '{' : '[');
        out.append('\n');
        stack.push_back({node.children_, 0, at, node.is_object_});
    };
    open(*this, indent);
    NodeScratch scratch;
    while (!stack.empty()) {
        // The output could not take more (its limit, or no memory): stop here, at once.
        if (out.dropped()) return false;
        Open& top = stack.back();
        if (top.next == top.children.size()) {
            append_blanks(out, top.indent);
            out.append(top.is_object ? '}' : ']');
            stack.pop_back();
            if (!stack.empty()) {
                Open& parent = stack.back();
                out.append(parent.next == parent.children.size() ? "\n" : ",\n");
            }
            continue;
        }
        auto* child = static_cast<JsonNode*>(tree_.peek_node(top.children[top.next++], scratch));
        const int at = IndentOptions::deeper(top.indent, kJsonIndentStep);
        const bool last = top.next == top.children.size();
        if (child->is_container()) {
            open(static_cast<const JsonContainerNode&>(*child), at);  // invalidates top
        } else {
            child->write(out, options, at);
            out.append(last ? "\n" : ",\n");
        }
    }
    return true;
}

}  // namespace tessel
