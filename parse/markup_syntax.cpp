// Comments, processing instructions and the XML declaration, read character by character
// after the scanner has cut them out.
#include "parse/markup_syntax.h"

#include <cstring>

#include "parse/parse_messages.h"
#include "parse/xml_char_class.h"

namespace tessel {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool is_ascii_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

TextPos pos(size_t p) {
    return static_cast<TextPos>(p);
}

// The pseudo-attributes of the XML declaration, read from just after "<?xml" to the "?" of
// its closing "?>". Reports the first problem only: after it the reading would be a guess.
class DeclarationReader {
public:
    DeclarationReader(std::string_view text, const Token& t, ParseMessages& messages,
                      bool text_declaration)
        : text_(text),
          first_(static_cast<size_t>(t.first)),
          end_(static_cast<size_t>(t.last) - 1),
          p_(first_ + 5),
          messages_(messages),
          text_declaration_(text_declaration) {}

    void read(XmlDeclarationFacts* facts) {
        // version, encoding, standalone: each may follow only those before it.
        const char* const names[] = {"version", "encoding", "standalone"};
        // A text declaration: version optional, encoding required, no standalone.
        const int last_name = text_declaration_ ? 1 : 2;
        int next = 0;
        for (;;) {
            const bool blank = blanks();
            if (p_ >= end_) {
                if (next == 0 && !text_declaration_) fail("version", p_, p_ - 1);
                if (next < 2 && text_declaration_) fail("encoding", p_, p_ - 1);
                return;
            }
            const size_t name_first = p_;
            while (p_ < end_ && is_ascii_letter(text_[p_])) ++p_;
            const std::string_view name = text_.substr(name_first, p_ - name_first);
            int which = -1;
            for (int i = next; i <= last_name; ++i)
                if (name == names[i]) which = i;
            if (which < 0 || (next == 0 && which != 0 && !text_declaration_)) {
                const char* wanted = text_declaration_ ? (next == 0   ? "version or encoding"
                                                          : next == 1 ? "encoding"
                                                                      : "?>")
                                     : next == 0       ? "version"
                                     : next == 1       ? "encoding, standalone or ?>"
                                     : next == 2       ? "standalone or ?>"
                                                       : "?>";
                fail(wanted, name_first, word_end(name_first));
                return;
            }
            if (!blank) {
                fail("white space", name_first, name_first);
                return;
            }
            next = which + 1;
            std::string_view value;
            size_t value_first;
            if (!equals_value(value, value_first)) return;
            bool ok = false;
            const char* wanted = "";
            switch (which) {
                case 0:  // 1.[0-9]+
                    ok = value.size() > 2 && value.substr(0, 2) == "1.";
                    for (size_t i = 2; ok && i < value.size(); ++i) ok = is_digit(value[i]);
                    wanted = "version number 1.0";
                    break;
                case 1:  // [A-Za-z] ([A-Za-z0-9._] | '-')*
                    ok = !value.empty() && is_ascii_letter(value[0]);
                    for (size_t i = 1; ok && i < value.size(); ++i) {
                        const char c = value[i];
                        ok = is_ascii_letter(c) || is_digit(c) || c == '.' || c == '_' || c == '-';
                    }
                    wanted = "encoding name";
                    break;
                default:
                    ok = value == "yes" || value == "no";
                    if (value == "yes" && facts) facts->standalone = true;
                    wanted = "yes or no";
                    break;
            }
            if (!ok) {
                fail(wanted, value_first, value_first + value.size() - 1);
                return;
            }
        }
    }

private:
    bool blanks() {
        const size_t from = p_;
        while (p_ < end_ && is_blank(text_[p_])) ++p_;
        return p_ > from;
    }
    size_t word_end(size_t from) const {
        size_t q = from;
        while (q < end_ && !is_blank(text_[q]) && text_[q] != '=') ++q;
        return q > from ? q - 1 : from;
    }
    // Eq and a quoted value; false after reporting when they are not there.
    bool equals_value(std::string_view& value, size_t& value_first) {
        blanks();
        if (p_ >= end_ || text_[p_] != '=') {
            fail("=", p_, p_);
            return false;
        }
        ++p_;
        blanks();
        if (p_ >= end_ || (text_[p_] != '"' && text_[p_] != '\'')) {
            fail("quoted value", p_, word_end(p_));
            return false;
        }
        const char quote = text_[p_++];
        value_first = p_;
        while (p_ < end_ && text_[p_] != quote) ++p_;
        if (p_ >= end_) {
            fail("closing quote", p_, p_ - 1);
            return false;
        }
        value = text_.substr(value_first, p_ - value_first);
        ++p_;
        return true;
    }
    void fail(const char* what, size_t at, size_t found_last) {
        std::string wanted = what;
        if (at >= end_) {
            // Nothing more before "?>": show the "?>" as what was found.
            at = end_;
            found_last = end_ + 1;
        }
        messages_.error_at(wanted, pos(first_), pos(at), pos(found_last));
    }

    std::string_view text_;
    size_t first_, end_, p_;
    ParseMessages& messages_;
    bool text_declaration_;
};

}  // namespace

void check_comment(std::string_view text, const Token& t, ParseMessages& messages) {
    // The body lies between "<!--" and the closing "-->"; a "--" that begins before the
    // closing one (the body's last "-" and the closing "--" included) is not allowed.
    const size_t first = static_cast<size_t>(t.first) + 4;
    const size_t close = static_cast<size_t>(t.last) - 2;
    if (close < first) return;
    const char* base = text.data();
    const char* p = base + first;
    const char* end = base + close;  // the first "-" of "-->"
    while (p < end) {
        const void* dash = std::memchr(p, '-', static_cast<size_t>(end - p));
        if (!dash) return;
        p = static_cast<const char*>(dash);
        if (p[1] == '-') {
            const TextPos at = static_cast<TextPos>(p - base);
            messages.error_at("comment text without --", t.first, at, at + 1);
            return;
        }
        ++p;
    }
}

void check_instruction(std::string_view text, const Token& t, bool at_start,
                       ParseMessages& messages, XmlDeclarationFacts* facts, bool text_declaration) {
    const size_t target = static_cast<size_t>(t.first) + 2;
    const size_t end = static_cast<size_t>(t.last) - 1;  // the "?" of "?>"
    if (end < target) return;
    const size_t n = xml_name_length(text.substr(0, end), target);
    if (n == 0) {
        size_t q = target;
        while (q < end && !is_blank(text[q])) ++q;
        messages.error_at("instruction target", t.first, static_cast<TextPos>(target),
                          static_cast<TextPos>(q > target ? q - 1 : end + 1));
        return;
    }
    const std::string_view name = text.substr(target, n);
    if (target + n < end && !is_blank(text[target + n])) {
        messages.error_at("white space after the instruction target", t.first,
                          static_cast<TextPos>(target + n), static_cast<TextPos>(target + n));
        return;
    }
    const bool reserved = n == 3 && (name[0] == 'x' || name[0] == 'X') &&
                          (name[1] == 'm' || name[1] == 'M') && (name[2] == 'l' || name[2] == 'L');
    if (!reserved) return;
    if (name != "xml") {
        messages.error_at("an instruction target other than xml (reserved in any case)", t.first,
                          static_cast<TextPos>(target), static_cast<TextPos>(target + 2));
        return;
    }
    if (!at_start) {
        messages.error_at("the XML declaration at the very beginning of the document only", t.first,
                          static_cast<TextPos>(target), static_cast<TextPos>(target + 2));
        return;
    }
    DeclarationReader(text, t, messages, text_declaration).read(facts);
}

}  // namespace tessel
