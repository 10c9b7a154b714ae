// Reading and writing the XML declaration.
#include "encoding/xml_declaration.h"

namespace tessel {

namespace {

class DeclarationReader {
public:
    explicit DeclarationReader(std::string_view text) : text_(text) {}

    size_t at() const { return at_; }

    bool skip(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }
    bool at_space() const {
        return at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r');
    }
    void skip_space() {
        while (at_space()) ++at_;
    }
    // = and a value in single or double quotes, with optional white space around "=".
    bool value(std::string_view* out) {
        skip_space();
        if (!skip("=")) return false;
        skip_space();
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) return false;
        const char quote = text_[at_];
        const size_t close = text_.find(quote, at_ + 1);
        if (close == std::string_view::npos) return false;
        *out = text_.substr(at_ + 1, close - at_ - 1);
        at_ = close + 1;
        return true;
    }

private:
    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace

XmlDeclaration read_declaration(std::string_view text) {
    XmlDeclaration d;
    DeclarationReader r(text);
    if (!r.skip("<?xml")) return d;
    auto finish = [&] {
        d.length = r.at();
        return d;
    };
    if (!r.at_space()) return finish();
    r.skip_space();
    std::string_view value;
    if (!r.skip("version") || !r.value(&value)) return finish();
    if (value == "1.0") d.version = 0;
    if (value == "1.1") d.version = 1;
    r.skip_space();
    if (r.skip("encoding")) {
        if (!r.value(&value)) return finish();
        d.encoding = encoding_from_name(value);
    }
    r.skip_space();
    if (r.skip("standalone")) {
        if (!r.value(&value)) return finish();
        if (value == "yes") d.standalone = 0;
        if (value == "no") d.standalone = 1;
    }
    r.skip_space();
    d.complete = r.skip("?>");
    if (d.complete) d.end = r.at();
    r.skip_space();
    return finish();
}

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// "<?xml" and a white-space character at text[at]: an instruction named xml, which only a
// declaration may be ("<?xml-stylesheet" is another instruction).
bool declaration_at(std::string_view text, size_t at) {
    return text.substr(at, 5) == "<?xml" && at + 5 < text.size() && is_space(text[at + 5]);
}

// The end of the declaration at the start of text (just after its "?>"), or 0 when no "?>"
// comes before the next "<".
size_t declaration_close(std::string_view text) {
    const size_t close = text.find("?>", 5);
    const size_t markup = text.find('<', 5);
    return close != std::string_view::npos && close < markup ? close + 2 : 0;
}

}  // namespace

DeclarationPlace declaration_place(std::string_view text) {
    if (declaration_at(text, 0))
        return read_declaration(text).complete || declaration_close(text)
                   ? DeclarationPlace::at_start
                   : DeclarationPlace::unclosed;
    size_t at = 0;
    while (at < text.size() && is_space(text[at])) ++at;
    return at > 0 && declaration_at(text, at) ? DeclarationPlace::not_at_start
                                               : DeclarationPlace::none;
}

std::string write_declaration(std::string_view text, EncodingId id, size_t* old_length) {
    const XmlDeclaration d = read_declaration(text);
    std::string out = "<?xml version=\"";
    out += d.version == 1 ? "1.1" : "1.0";
    out += "\" encoding=\"";
    out += declaration_name(id);
    out += '"';
    // A blank before standalone: without it the declaration is not well-formed.
    if (d.standalone != 2) out += d.standalone == 0 ? " standalone=\"yes\"" : " standalone=\"no\"";
    out += "?>";
    // Only a declaration is replaced, and only up to its "?>": what follows it is the
    // document's. A broken one closed at the start (no version, a misspelt name) goes as a
    // whole one does: kept, it would be a second declaration. The start of another
    // instruction ("<?xml-stylesheet") stays, after the new one on a line of its own.
    const size_t replaced =
        d.complete ? d.end : declaration_at(text, 0) ? declaration_close(text) : 0;
    if (old_length) *old_length = replaced;
    if (replaced == 0) {
        const size_t line_end = text.find('\n');
        out += line_end != std::string_view::npos && line_end > 0 && text[line_end - 1] == '\r'
                   ? "\r\n"
                   : "\n";
    }
    return out;
}

}  // namespace tessel
