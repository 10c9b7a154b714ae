// Reference checks. Every entity is checked once for each of its two uses (content,
// attribute value) and the verdict kept, so a chain of entities that each refer to the next
// many times costs the size of their declarations, not of their expansion.
#include "parse/entity_references.h"

#include <vector>

#include "parse/parse_messages.h"
#include "parse/token_stream.h"
#include "parse/xml_char_class.h"
#include "parse/xml_scanner.h"

namespace tessel {

namespace {

bool is_predefined(std::string_view name) {
    return name == "lt" || name == "gt" || name == "amp" || name == "apos" || name == "quot";
}

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The code point of the character reference s ("&#...;"), or 0x110000 when it names none.
char32_t character_reference_value(std::string_view s) {
    const bool hex = s.size() > 2 && s[2] == 'x';
    char32_t value = 0;
    for (size_t i = hex ? 3 : 2; i + 1 < s.size(); ++i) {
        const char c = s[i];
        const char32_t digit = c <= '9' ? char32_t(c - '0') : char32_t((c | 0x20) - 'a' + 10);
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0x10FFFF) return 0x110000;
    }
    return value;
}

// Length of the reference at s[at] ending before `end`, 0 when none begins there.
size_t reference_at(std::string_view s, size_t at, size_t end) {
    size_t i = at + 1;
    if (i < end && s[i] == '#') {
        ++i;
        const bool hex = i < end && s[i] == 'x';
        if (hex) ++i;
        const size_t digits = i;
        while (i < end && (hex ? is_hex(s[i]) : (s[i] >= '0' && s[i] <= '9'))) ++i;
        if (i == digits) return 0;
    } else {
        const size_t n = xml_name_length(s.substr(0, end), i);
        if (n == 0) return 0;
        i += n;
    }
    return i < end && s[i] == ';' ? i + 1 - at : 0;
}

// Token kinds the replacement text check reads.
enum : int16_t {
    kEof = xml_end_of_file,
    kGt = xml_close_angle,
    kComment = xml_comment,
    kInstruction = xml_processing_instruction,
    kString = xml_quoted_string,
    kName = xml_name,
    kOpenerName = xml_opener_name,
    kStartOpen = xml_start_tag_open,
    kEndOpen = xml_end_tag_open,
    kCdataOpen = xml_cdata_open,
    kCharData = xml_char_data,
    kEmptyClose = xml_empty_tag_close,
    kEquals = xml_equals,
    kCdataContent = xml_cdata_content,
    kCdataClose = xml_cdata_close,
};

// Whether text matches the production of content as far as markup goes: tags that pair up
// and hold only attributes, and nothing but text, comments, instructions and CDATA sections
// beside them. Characters and references are checked elsewhere.
bool is_balanced_content(std::string_view text) {
    TokenStream tokens(text, xml_scanner_tables(), xml_content_state(), nullptr, nullptr);
    std::vector<std::string_view> open;
    for (;;) {
        const Token t = tokens.peek();
        tokens.advance();
        switch (t.kind) {
            case kEof:
                return open.empty();
            case kCharData:
            case kComment:
            case kInstruction:
                break;
            case kCdataOpen:
                if (tokens.peek().kind == kCdataContent) tokens.advance();
                if (tokens.peek().kind != kCdataClose) return false;
                tokens.advance();
                break;
            case kStartOpen: {
                if (tokens.peek().kind != kOpenerName) return false;
                const std::string_view name = tokens.text_of(tokens.peek());
                tokens.advance();
                while (tokens.peek().kind == kName) {
                    tokens.advance();
                    if (tokens.peek().kind != kEquals) return false;
                    tokens.advance();
                    if (tokens.peek().kind != kString) return false;
                    tokens.advance();
                }
                if (tokens.peek().kind == kGt) {
                    open.push_back(name);
                } else if (tokens.peek().kind != kEmptyClose) {
                    return false;
                }
                tokens.advance();
                break;
            }
            case kEndOpen:
                if (tokens.peek().kind != kOpenerName || open.empty() ||
                    tokens.text_of(tokens.peek()) != open.back())
                    return false;
                open.pop_back();
                tokens.advance();
                if (tokens.peek().kind != kGt) return false;
                tokens.advance();
                break;
            default:
                return false;
        }
    }
}

}  // namespace

size_t EntityReferences::reference_length(size_t at, size_t end) const {
    return reference_at(text_, at, end);
}

void EntityReferences::check(size_t at, size_t length, bool in_attribute, TextPos from) {
    const std::string_view ref = text_.substr(at, length);
    const auto first = static_cast<TextPos>(at), last = static_cast<TextPos>(at + length - 1);
    Problem p;
    if (ref[1] == '#') {
        if (!is_xml_char(character_reference_value(ref)))
            p = {"a character reference to a character", first, last};
    } else {
        p = reference_problem(ref.substr(1, length - 2), first, last, in_attribute, 0);
    }
    if (p.what) messages_.error_at(p.what, from, first, p.first, p.last);
}

EntityReferences::Problem EntityReferences::reference_problem(std::string_view name, TextPos first,
                                                              TextPos last, bool in_attribute,
                                                              int depth) {
    if (is_predefined(name)) return {};
    auto it = entities_.find(name);
    if (it == entities_.end()) {
        if (strict()) return {"a declared entity", first, last};
        return {};
    }
    const EntityDeclaration& d = it->second.declaration;
    if (d.unparsed) return {"a parsed entity (not one declared with NDATA)", first, last};
    if (d.external) {
        if (in_attribute) return {"an internal entity in an attribute value", first, last};
        return {};
    }
    if (depth >= kMaxDepth) return {"entity references nested at most 40 deep", first, last};
    return entity_problem(it->second, in_attribute, depth + 1);
}

EntityReferences::Problem EntityReferences::entity_problem(Entity& e, bool in_attribute,
                                                           int depth) {
    Verdict& v = e.verdict[in_attribute ? 1 : 0];
    if (v.mark == checked) return v.problem;
    if (v.mark == checking) {
        // The reference that closes the loop is reported by the caller that holds its span.
        return {"an entity that does not refer to itself", -1, -1};
    }
    v.mark = checking;
    Problem p = replacement_problem(e, in_attribute, depth);
    v.mark = checked;
    v.problem = p;
    return p;
}

EntityReferences::Problem EntityReferences::replacement_problem(const Entity& e, bool in_attribute,
                                                                int depth) {
    const EntityDeclaration& d = e.declaration;
    const std::string_view literal = d.literal;
    const TextPos base = d.literal_first;
    const Problem whole{nullptr, base, base + static_cast<TextPos>(literal.size()) - 1};
    // The replacement text: the literal with its character references replaced. Offsets in
    // it are offsets in the literal while no reference was replaced.
    std::string replacement;
    replacement.reserve(literal.size());
    bool exact = true;
    for (size_t i = 0; i < literal.size(); ++i) {
        if (literal[i] == '&' && i + 1 < literal.size() && literal[i + 1] == '#') {
            const size_t n = reference_at(literal, i, literal.size());
            if (n > 0) {
                const char32_t cp = character_reference_value(literal.substr(i, n));
                if (!is_xml_char(cp))
                    return {"a character reference to a character", base + TextPos(i),
                            base + TextPos(i + n - 1)};
                char buffer[4];
                int k = 0;
                if (cp < 0x80) {
                    buffer[k++] = char(cp);
                } else if (cp < 0x800) {
                    buffer[k++] = char(0xC0 | (cp >> 6));
                    buffer[k++] = char(0x80 | (cp & 0x3F));
                } else if (cp < 0x10000) {
                    buffer[k++] = char(0xE0 | (cp >> 12));
                    buffer[k++] = char(0x80 | ((cp >> 6) & 0x3F));
                    buffer[k++] = char(0x80 | (cp & 0x3F));
                } else {
                    buffer[k++] = char(0xF0 | (cp >> 18));
                    buffer[k++] = char(0x80 | ((cp >> 12) & 0x3F));
                    buffer[k++] = char(0x80 | ((cp >> 6) & 0x3F));
                    buffer[k++] = char(0x80 | (cp & 0x3F));
                }
                replacement.append(buffer, size_t(k));
                i += n - 1;
                exact = false;
                continue;
            }
        }
        replacement += literal[i];
    }
    auto span = [&](size_t i, size_t n) {
        return exact ? Problem{nullptr, base + TextPos(i), base + TextPos(i + n - 1)} : whole;
    };
    bool has_markup = false;
    for (size_t i = 0; i < replacement.size(); ++i) {
        const char c = replacement[i];
        if (c == '<') {
            if (in_attribute) {
                Problem p = span(i, 1);
                p.what = "no < in an attribute value, also through an entity";
                return p;
            }
            has_markup = true;
        } else if (c == '&') {
            const size_t n = reference_at(replacement, i, replacement.size());
            Problem at = span(i, n ? n : 1);
            if (n == 0) {
                at.what = "a reference (&name; or &#number;) after &";
                return at;
            }
            if (replacement[i + 1] == '#') {
                if (!is_xml_char(
                        character_reference_value(std::string_view(replacement).substr(i, n)))) {
                    at.what = "a character reference to a character";
                    return at;
                }
            } else {
                const std::string_view name = std::string_view(replacement).substr(i + 1, n - 2);
                Problem p = reference_problem(name, at.first, at.last, in_attribute, depth);
                if (p.what) {
                    // The loop is closed here: show this reference.
                    if (p.first < 0) p = {p.what, at.first, at.last};
                    return p;
                }
            }
            i += n - 1;
        }
    }
    if (has_markup && !is_balanced_content(replacement)) {
        Problem p = whole;
        p.what = "a replacement text that is well-formed content";
        return p;
    }
    return {};
}

}  // namespace tessel
