// Declaration syntax by recursive descent over the declaration's characters. Content models
// nest: their groups are read with an explicit stack, so no input reaches deep recursion.
#include "parse/dtd_declaration_syntax.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "parse/entity_references.h"
#include "parse/parse_messages.h"
#include "parse/xml_char_class.h"

namespace tessel {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool is_pubid_char(char c) {
    return c == ' ' || c == '\r' || c == '\n' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') ||
           (c != '\0' && std::strchr("-'()+,./:=?;!*#@$_%", c) != nullptr);
}

// Thrown to stop at the first problem, which is reported already.
struct Stop {};

class DeclarationSyntax {
public:
    DeclarationSyntax(std::string_view text, TextPos first, TextPos last, bool internal_subset,
                      ParseMessages& messages, EntityReferences* entities)
        : text_(text),
          first_(static_cast<size_t>(first)),
          end_(static_cast<size_t>(last)),
          p_(first_ + 2),
          internal_subset_(internal_subset),
          messages_(messages),
          entities_(entities) {}

    void check() {
        if (has_parameter_reference()) return;
        const size_t n = xml_name_length(view(), p_);
        const std::string_view keyword = text_.substr(p_, n);
        p_ += n;
        try {
            if (keyword == "ELEMENT") {
                required_blank();
                name("element name");
                required_blank();
                content_spec();
            } else if (keyword == "ATTLIST") {
                required_blank();
                name("element name");
                attribute_definitions();
            } else if (keyword == "ENTITY") {
                required_blank();
                bool parameter = false;
                if (at('%')) {
                    ++p_;
                    required_blank();
                    parameter = true;
                }
                name("entity name");
                required_blank();
                entity_definition(parameter);
            } else if (keyword == "NOTATION") {
                required_blank();
                name("notation name");
                required_blank();
                external_id(true);
            } else {
                return;  // an unknown keyword is reported by the reader
            }
            blanks();
            if (p_ != end_) fail("> (end of the declaration)");
        } catch (const Stop&) {
        }
    }

private:
    std::string_view view() const { return text_.substr(0, end_); }
    bool at(char c) const { return p_ < end_ && text_[p_] == c; }
    bool blanks() {
        const size_t from = p_;
        while (p_ < end_ && is_blank(text_[p_])) ++p_;
        return p_ > from;
    }
    void required_blank() {
        if (!blanks()) fail("white space");
    }
    [[noreturn]] void fail(const std::string& what) {
        // What was found: the punctuation there, or the rest of the word.
        auto mark = [](char c) { return c != '\0' && std::strchr("()|,>\"'?*+", c) != nullptr; };
        size_t last = p_;
        if (p_ < end_ && !mark(text_[p_]))
            while (last + 1 < end_ && !is_blank(text_[last + 1]) && !mark(text_[last + 1])) ++last;
        messages_.error_at(what, static_cast<TextPos>(first_), static_cast<TextPos>(p_),
                           static_cast<TextPos>(last));
        throw Stop{};
    }
    std::string_view name(const char* what) {
        const size_t n = xml_name_length(view(), p_);
        if (n == 0) fail(std::string("a name (") + what + ")");
        const std::string_view s = text_.substr(p_, n);
        p_ += n;
        return s;
    }
    bool word(std::string_view w) {
        if (text_.substr(p_, w.size()) != w || p_ + w.size() > end_) return false;
        const size_t after = p_ + w.size();
        if (after < end_ && xml_nmtoken_length(view(), after) > 0) return false;
        p_ = after;
        return true;
    }
    void occurrence() {
        if (at('?') || at('*') || at('+')) ++p_;
    }

    // In the internal subset a "%" outside literals is a parameter-entity reference inside a
    // declaration (the "%" of a parameter entity's declaration aside).
    bool has_parameter_reference() {
        char quote = 0;
        for (size_t i = first_ + 2; i < end_; ++i) {
            const char c = text_[i];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '%' && i + 1 < end_ && !is_blank(text_[i + 1])) {
                if (!internal_subset_) return true;
                p_ = i;
                try {
                    fail(
                        "no parameter-entity reference inside a declaration of the internal "
                        "subset");
                } catch (const Stop&) {
                }
                return true;
            }
        }
        return false;
    }

    void content_spec() {
        if (word("EMPTY") || word("ANY")) return;
        if (!at('(')) fail("EMPTY, ANY or ( (a content model)");
        const size_t open = p_;
        ++p_;
        blanks();
        if (text_.substr(p_, 7) == "#PCDATA") {
            p_ += 7;
            mixed();
            return;
        }
        p_ = open;
        children();
    }

    // After "(#PCDATA": names after "|", then ")*", or ")" alone when there are none.
    void mixed() {
        bool names = false;
        for (;;) {
            blanks();
            if (at(')')) {
                ++p_;
                if (at('*')) {
                    ++p_;
                } else if (names) {
                    fail(")* (mixed content with names repeats)");
                }
                return;
            }
            if (!at('|')) fail("| or ) in mixed content");
            ++p_;
            blanks();
            name("element name");
            names = true;
        }
    }

    // A content model of groups: each group's separator is "," or "|" throughout; a
    // particle's "?", "*" or "+" follows it directly.
    void children() {
        std::vector<char> separators;  // of the open groups, 0 while unknown
        bool expect_particle = true;
        for (;;) {
            if (expect_particle) {
                blanks();
                if (at('(')) {
                    ++p_;
                    separators.push_back(0);
                    continue;
                }
                if (xml_name_length(view(), p_) == 0) {
                    fail(text_.substr(p_, 7) == "#PCDATA" ? "#PCDATA first in its group only"
                                                          : "a name or ( in the content model");
                }
                name("element name");
                occurrence();
                expect_particle = false;
                continue;
            }
            blanks();
            char& separator = separators.back();
            if (at(',') || at('|')) {
                if (separator != 0 && separator != text_[p_])
                    fail(std::string(1, separator) + " (one kind of separator in a group)");
                separator = text_[p_];
                ++p_;
                expect_particle = true;
            } else if (at(')')) {
                ++p_;
                separators.pop_back();
                occurrence();
                if (separators.empty()) return;
            } else {
                fail(separator == ',' ? ", or )" : separator == '|' ? "| or )" : ", | or )");
            }
        }
    }

    void attribute_definitions() {
        for (;;) {
            const bool blank = blanks();
            if (p_ >= end_) return;
            if (!blank) fail("white space");
            name("attribute name");
            required_blank();
            attribute_type();
            required_blank();
            default_declaration();
        }
    }

    void attribute_type() {
        for (const char* t :
             {"CDATA", "IDREFS", "IDREF", "ID", "ENTITY", "ENTITIES", "NMTOKENS", "NMTOKEN"})
            if (word(t)) return;
        const bool notation = word("NOTATION");
        if (notation) required_blank();
        if (!at('('))
            fail(notation ? "( (the notations)"
                          : "an attribute type (CDATA, ID, IDREF, IDREFS, ENTITY, ENTITIES, "
                            "NMTOKEN, NMTOKENS, NOTATION or an enumeration)");
        ++p_;
        for (;;) {
            blanks();
            const size_t n =
                notation ? xml_name_length(view(), p_) : xml_nmtoken_length(view(), p_);
            if (n == 0) fail(notation ? "a notation name" : "a name token (enumerated value)");
            p_ += n;
            blanks();
            if (at(')')) {
                ++p_;
                return;
            }
            if (!at('|')) fail("| or )");
            ++p_;
        }
    }

    void default_declaration() {
        if (word("#REQUIRED") || word("#IMPLIED")) return;
        if (word("#FIXED")) required_blank();
        if (!at('"') && !at('\'')) fail("#REQUIRED, #IMPLIED, #FIXED or a quoted default value");
        const size_t open = p_;
        literal();
        // The default value is an attribute value: "<" has no place in it, "&" begins a
        // reference.
        for (size_t i = open + 1; i + 1 < p_; ++i) {
            if (text_[i] == '<') {
                p_ = i;
                fail("no < in an attribute value");
            }
        }
        references(open + 1, p_ - 1, false);
        if (entities_) entity_references(open + 1, p_ - 1);
    }

    // The references of a default value (text[from, to), whose syntax is checked) against
    // the entities declared so far, as in an attribute value of the document: a declaration
    // must precede every use in a default value.
    void entity_references(size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            if (text_[i] != '&') continue;
            const size_t n = entities_->reference_length(i, to);
            if (n == 0) continue;
            entities_->check(i, n, true, static_cast<TextPos>(first_));
            i += n - 1;
        }
    }

    // A quoted literal; p_ ends after its closing quote.
    void literal() {
        const char quote = text_[p_];
        const size_t open = p_;
        const void* close = std::memchr(text_.data() + open + 1, quote, end_ - open - 1);
        if (!close) fail("a closing quote");
        p_ = static_cast<size_t>(static_cast<const char*>(close) - text_.data()) + 1;
    }

    // Every "&" in text[from, to) begins a reference; with parameters, "%" is a
    // parameter-entity reference, which the internal subset does not allow inside markup.
    void references(size_t from, size_t to, bool parameters) {
        for (size_t i = from; i < to; ++i) {
            const char c = text_[i];
            if (c == '&') {
                size_t j = i + 1;
                if (j < to && text_[j] == '#') {
                    ++j;
                    const bool hex = j < to && text_[j] == 'x';
                    if (hex) ++j;
                    const size_t digits = j;
                    while (j < to && (hex ? std::isxdigit(static_cast<unsigned char>(text_[j]))
                                          : std::isdigit(static_cast<unsigned char>(text_[j]))))
                        ++j;
                    if (j == digits) j = i;
                } else {
                    const size_t n = xml_name_length(text_.substr(0, to), j);
                    j = n ? j + n : i;
                }
                if (j == i || j >= to || text_[j] != ';') {
                    p_ = i;
                    fail("a reference (&name; or &#number;) after &");
                }
                i = j;
            } else if (c == '%' && parameters && internal_subset_) {
                p_ = i;
                fail("no parameter-entity reference inside a declaration of the internal subset");
            }
        }
    }

    void entity_definition(bool parameter) {
        if (at('"') || at('\'')) {
            const size_t open = p_;
            literal();
            references(open + 1, p_ - 1, true);
            return;
        }
        external_id(false);
        if (parameter) return;
        const size_t before = p_;
        if (blanks() && word("NDATA")) {
            required_blank();
            name("notation name");
            return;
        }
        p_ = before;
    }

    // SYSTEM "system" or PUBLIC "public" "system"; a notation may name only a public one.
    void external_id(bool notation) {
        if (word("SYSTEM")) {
            required_blank();
            quoted("a quoted system literal");
            return;
        }
        if (!word("PUBLIC"))
            fail(notation ? "SYSTEM or PUBLIC" : "a quoted value, SYSTEM or PUBLIC");
        required_blank();
        if (!at('"') && !at('\'')) fail("a quoted public identifier");
        const size_t open = p_;
        literal();
        for (size_t i = open + 1; i + 1 < p_; ++i) {
            if (!is_pubid_char(text_[i])) {
                p_ = i;
                fail("a public identifier character");
            }
        }
        const size_t before = p_;
        const bool blank = blanks();
        if (notation && (p_ >= end_ || (!at('"') && !at('\'')))) {
            p_ = before;
            return;
        }
        if (!blank) fail("white space");
        quoted("a quoted system literal");
    }

    void quoted(const char* what) {
        if (!at('"') && !at('\'')) fail(what);
        literal();
    }

    std::string_view text_;
    size_t first_, end_, p_;
    bool internal_subset_;
    ParseMessages& messages_;
    EntityReferences* entities_;
};

}  // namespace

void check_declaration_syntax(std::string_view text, TextPos first, TextPos last,
                              bool internal_subset, ParseMessages& messages,
                              EntityReferences* entities) {
    DeclarationSyntax(text, first, last, internal_subset, messages, entities).check();
}

}  // namespace tessel
