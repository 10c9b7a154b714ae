// The XML/DTD automaton: the states of content, tags, comments, processing instructions,
// CDATA sections, the DOCTYPE header, internal subsets and DTD documents, written as
// transitions over the character classes with the engine's builder.
//
// Three families of states share one shape each:
// - content: text, "<" and the openers that follow it, tags, comments, PIs, CDATA;
// - declarations, once per context (DOCTYPE header, internal subset, DTD document): names,
//   strings, punctuation, and in the subset and DTD also "<!" markup, comments and PIs.
//   The contexts differ in where "<", ">", "[" and "]" lead.
// A character that ends a token and starts the next is written with ScanEntry::end_then,
// so a state that ends a token behaves afterwards exactly like the state it returns to.
#include "parse/xml_scanner.h"

#include <vector>

namespace tessel {

namespace {

using E = ScanEntry;

const std::vector<int> kNameStart = {xcc_name_start, xcc_letter_a, xcc_letter, xcc_letter_c,
                                     xcc_letter_d, xcc_letter_t};
const std::vector<int> kNameChars = {xcc_name_start, xcc_letter_a, xcc_letter, xcc_letter_c,
                                     xcc_letter_d, xcc_letter_t, xcc_name_char, xcc_dash};

struct Comment {
    uint8_t body, dash, dash_dash;
};

// The states of one declaration context.
struct Declarations {
    uint8_t fresh;  // between tokens
    uint8_t name, quot, apos, stray;
    // Markup inside the internal subset and DTD documents (unused for the DOCTYPE header).
    uint8_t lt, lt_excl, lt_excl_dash, keyword, pi, pi_question;
    Comment comment;
    // "]" and "]]" in a DTD document, where "]]>" closes a conditional section.
    uint8_t rbracket, rbracket2;
};

class XmlAutomaton {
public:
    XmlAutomaton() : b_(xml_char_classes()) {}
    ScannerTables make();

private:
    void set(uint8_t s, const std::vector<int>& classes, E e) {
        for (int c : classes) b_.set(s, c, e);
    }
    // Every class not set yet ends the token in progress as `kind`, then acts as `fresh`.
    void end_others(uint8_t s, int kind, uint8_t fresh) {
        for (int c = 0; c < xcc_count; ++c)
            if (!b_.has_entry(s, c)) b_.set(s, c, E::end_then(kind, b_.entry(fresh, c)));
    }
    // A token of `kind` made of name characters; anything else ends it.
    void name_run(uint8_t s, int kind, uint8_t fresh) {
        set(s, kNameChars, E::go(s));
        end_others(s, kind, fresh);
        b_.set_failure(s, E::emit_before(kind, fresh));
    }
    // Stray characters run on over everything `fresh` would begin a stray run with, and over
    // name characters ("1a" is one stray token, not a stray "1" and a name "a").
    void stray_run(uint8_t s, uint8_t fresh) {
        for (int c = 0; c < xcc_count; ++c) {
            E e = b_.entry(fresh, c);
            bool strays = e.operation() == scan_continue && e.next == s;
            for (int n : kNameChars) strays = strays || n == c;
            if (strays) b_.set(s, c, E::go(s));
        }
        end_others(s, xml_stray, fresh);
        b_.set_failure(s, E::emit_before(xml_stray, fresh));
    }
    void quoted(uint8_t s, int quote_class, uint8_t back) {
        b_.set(s, quote_class, E::emit_at(xml_quoted_string, back));
        b_.set_others(s, E::go(s));
    }
    Comment add_comment() {
        return {b_.add_token_state(xml_comment, xml_stray),
                b_.add_token_state(xml_comment, xml_stray),
                b_.add_token_state(xml_comment, xml_stray)};
    }
    void comment(const Comment& c, uint8_t back) {
        b_.set(c.body, xcc_dash, E::go(c.dash));
        b_.set_others(c.body, E::go(c.body));
        b_.set(c.dash, xcc_dash, E::go(c.dash_dash));
        b_.set_others(c.dash, E::go(c.body));
        b_.set_failure(c.dash, E::go(c.body));
        b_.set(c.dash_dash, xcc_gt, E::emit_at(xml_comment, back));
        b_.set(c.dash_dash, xcc_dash, E::go(c.dash_dash));
        b_.set_others(c.dash_dash, E::go(c.body));
        b_.set_failure(c.dash_dash, E::go(c.body));
    }
    void processing_instruction(uint8_t pi, uint8_t question, uint8_t back) {
        b_.set(pi, xcc_question, E::go(question));
        b_.set_others(pi, E::go(pi));
        b_.set(question, xcc_gt, E::emit_at(xml_processing_instruction, back));
        b_.set(question, xcc_question, E::go(question));
        b_.set_others(question, E::go(pi));
        b_.set_failure(question, E::go(pi));
    }

    Declarations add_declarations(uint8_t fresh, bool markup, bool conditional);
    void declarations(const Declarations& d, E on_lt, E on_gt, E on_lbracket, E on_rbracket);
    void declaration_markup(const Declarations& d);

    ScannerTablesBuilder b_;
};

Declarations XmlAutomaton::add_declarations(uint8_t fresh, bool markup, bool conditional) {
    Declarations d{};
    d.fresh = fresh;
    d.name = b_.add_token_state(xml_name, xml_name);
    d.quot = b_.add_token_state(xml_quoted_string, xml_stray);
    d.apos = b_.add_token_state(xml_quoted_string, xml_stray);
    d.stray = b_.add_token_state(xml_stray, xml_stray);
    if (markup) {
        // A "<" alone is stray; while colouring, guess it opens a declaration.
        d.lt = b_.add_token_state(xml_declaration_open, xml_stray);
        d.lt_excl = b_.add_token_state(xml_declaration_open, xml_declaration_open);
        d.lt_excl_dash = b_.add_token_state(xml_comment, xml_stray);
        d.keyword = b_.add_token_state(xml_opener_name, xml_opener_name);
        d.pi = b_.add_token_state(xml_processing_instruction, xml_stray);
        d.pi_question = b_.add_token_state(xml_processing_instruction, xml_stray);
        d.comment = add_comment();
    }
    if (conditional) {
        d.rbracket = b_.add_token_state(xml_close_bracket, xml_close_bracket);
        d.rbracket2 = b_.add_token_state(xml_conditional_close, xml_stray);
    }
    return d;
}

void XmlAutomaton::declarations(const Declarations& d, E on_lt, E on_gt, E on_lbracket,
                                E on_rbracket) {
    const uint8_t f = d.fresh;
    b_.set(f, xcc_space, E::skip(f));
    // Names, and in declarations also name tokens that begin with a digit: (1|2|3).
    set(f, kNameChars, E::go(d.name));
    b_.set(f, xcc_quot, E::go(d.quot));
    b_.set(f, xcc_apos, E::go(d.apos));
    const std::pair<int, int> punctuation[] = {
        {xcc_percent, xml_percent},   {xcc_semicolon, xml_semicolon}, {xcc_lparen, xml_open_paren},
        {xcc_rparen, xml_close_paren}, {xcc_bar, xml_bar},            {xcc_comma, xml_comma},
        {xcc_plus, xml_plus},          {xcc_star, xml_star},          {xcc_question, xml_question},
        {xcc_hash, xml_hash},
    };
    for (auto [cls, kind] : punctuation) b_.set(f, cls, E::emit_at(kind, f));
    b_.set(f, xcc_lt, on_lt);
    b_.set(f, xcc_gt, on_gt);
    b_.set(f, xcc_lbracket, on_lbracket);
    b_.set(f, xcc_rbracket, on_rbracket);
    b_.set_others(f, E::go(d.stray));  // NUL, other, "!", "/", "="

    name_run(d.name, xml_name, f);
    quoted(d.quot, xcc_quot, f);
    quoted(d.apos, xcc_apos, f);
    stray_run(d.stray, f);
}

void XmlAutomaton::declaration_markup(const Declarations& d) {
    const uint8_t f = d.fresh;
    b_.set(d.lt, xcc_excl, E::go(d.lt_excl));
    b_.set(d.lt, xcc_question, E::go(d.pi));
    end_others(d.lt, xml_stray, f);
    b_.set_failure(d.lt, E::emit_before(xml_stray, f));

    b_.set(d.lt_excl, xcc_dash, E::go(d.lt_excl_dash));
    b_.set(d.lt_excl, xcc_lbracket, E::emit_at(xml_conditional_open, f));
    set(d.lt_excl, kNameStart, E::emit_before(xml_declaration_open, d.keyword));
    end_others(d.lt_excl, xml_declaration_open, f);
    b_.set_failure(d.lt_excl, E::emit_before(xml_declaration_open, f));

    b_.set(d.lt_excl_dash, xcc_dash, E::go(d.comment.body));
    end_others(d.lt_excl_dash, xml_stray, f);
    b_.set_failure(d.lt_excl_dash, E::emit_before(xml_stray, f));

    name_run(d.keyword, xml_opener_name, f);
    comment(d.comment, f);
    processing_instruction(d.pi, d.pi_question, f);
}

ScannerTables XmlAutomaton::make() {
    // The start states first: their numbers are fixed in xml_scanner.h.
    const uint8_t content = b_.add_fresh_state();
    const uint8_t dtd = b_.add_fresh_state();
    const uint8_t subset = b_.add_fresh_state();

    // --- States of content and tags.
    const uint8_t text = b_.add_token_state(xml_char_data, xml_char_data);
    const uint8_t lt = b_.add_token_state(xml_start_tag_open, xml_start_tag_open);
    const uint8_t lt_slash = b_.add_token_state(xml_end_tag_open, xml_end_tag_open);
    const uint8_t after_lt = b_.add_fresh_state();  // where the tag name must begin
    const uint8_t lt_blank = b_.add_token_state(xml_blank_after_opener, xml_blank_after_opener);
    const uint8_t tag_name = b_.add_token_state(xml_opener_name, xml_opener_name);
    const uint8_t tag = b_.add_fresh_state();
    const uint8_t attr_name = b_.add_token_state(xml_name, xml_name);
    const uint8_t tag_stray = b_.add_token_state(xml_stray, xml_stray);
    const uint8_t tag_quot = b_.add_token_state(xml_quoted_string, xml_stray);
    const uint8_t tag_apos = b_.add_token_state(xml_quoted_string, xml_stray);
    const uint8_t tag_slash = b_.add_token_state(xml_empty_tag_close, xml_stray);
    const uint8_t lt_excl = b_.add_token_state(xml_declaration_open, xml_declaration_open);
    const uint8_t doctype_keyword = b_.add_token_state(xml_opener_name, xml_opener_name);
    const uint8_t lt_excl_dash = b_.add_token_state(xml_comment, xml_stray);
    const Comment content_comment = add_comment();
    // "<![", "<![C", "<![CD", "<![CDA", "<![CDAT", "<![CDATA".
    uint8_t cdata_prefix[6];
    for (uint8_t& s : cdata_prefix) s = b_.add_token_state(xml_cdata_open, xml_stray);
    const uint8_t cdata = b_.add_token_state(xml_cdata_content, xml_stray);
    const uint8_t cdata_rbracket = b_.add_token_state(xml_cdata_content, xml_stray);
    const uint8_t cdata_rbracket2 = b_.add_token_state(xml_cdata_content, xml_stray);
    const uint8_t pi = b_.add_token_state(xml_processing_instruction, xml_stray);
    const uint8_t pi_question = b_.add_token_state(xml_processing_instruction, xml_stray);

    // --- States of declarations.
    const Declarations doctype = add_declarations(b_.add_fresh_state(), false, false);
    const Declarations internal = add_declarations(subset, true, false);
    const Declarations external = add_declarations(dtd, true, true);

    // Content: text runs up to "<"; a bad character splits it.
    b_.set(content, xcc_lt, E::go(lt));
    b_.set_others(content, E::go(text));
    b_.set(text, xcc_lt, E::emit_before(xml_char_data, lt));
    // A reference and a "]" each begin a text token of their own, so that the parser finds
    // them by the first byte of a token instead of searching every text token.
    b_.set(text, xcc_rbracket, E::emit_before(xml_char_data, text));
    b_.set_byte(text, '&', E::emit_before(xml_char_data, text));
    b_.set_others(text, E::go(text));
    b_.set_failure(text, E::emit_before(xml_char_data, content));

    // Tag mode, between the tokens of a tag.
    b_.set(tag, xcc_space, E::skip(tag));
    set(tag, kNameStart, E::go(attr_name));
    b_.set(tag, xcc_equals, E::emit_at(xml_equals, tag));
    b_.set(tag, xcc_quot, E::go(tag_quot));
    b_.set(tag, xcc_apos, E::go(tag_apos));
    b_.set(tag, xcc_gt, E::emit_at(xml_close_angle, content));
    b_.set(tag, xcc_slash, E::go(tag_slash));
    b_.set(tag, xcc_lt, E::go(lt));  // most likely a ">" is missing: a new tag begins
    b_.set_others(tag, E::go(tag_stray));

    // After "<" or "</": a name, or white space that the parser reports, else tag mode.
    set(after_lt, kNameStart, E::go(tag_name));
    b_.set(after_lt, xcc_space, E::go(lt_blank));
    for (int c = 0; c < xcc_count; ++c)
        if (!b_.has_entry(after_lt, c)) b_.set(after_lt, c, b_.entry(tag, c));

    b_.set(lt, xcc_slash, E::go(lt_slash));
    b_.set(lt, xcc_excl, E::go(lt_excl));
    b_.set(lt, xcc_question, E::go(pi));
    end_others(lt, xml_start_tag_open, after_lt);
    b_.set_failure(lt, E::emit_before(xml_start_tag_open, after_lt));
    end_others(lt_slash, xml_end_tag_open, after_lt);
    b_.set_failure(lt_slash, E::emit_before(xml_end_tag_open, after_lt));

    b_.set(lt_blank, xcc_space, E::go(lt_blank));
    end_others(lt_blank, xml_blank_after_opener, after_lt);
    b_.set_failure(lt_blank, E::emit_before(xml_blank_after_opener, after_lt));

    name_run(tag_name, xml_opener_name, tag);
    name_run(attr_name, xml_name, tag);
    stray_run(tag_stray, tag);
    quoted(tag_quot, xcc_quot, tag);
    quoted(tag_apos, xcc_apos, tag);
    b_.set(tag_slash, xcc_gt, E::emit_at(xml_empty_tag_close, content));
    end_others(tag_slash, xml_stray, tag);
    b_.set_failure(tag_slash, E::emit_before(xml_stray, tag));

    // "<!": a comment, CDATA, or a declaration keyword (DOCTYPE) and the DOCTYPE header.
    declarations(doctype, E::go(lt), E::emit_at(xml_close_angle, content),
                 E::emit_at(xml_open_bracket, subset), E::emit_at(xml_close_bracket, doctype.fresh));
    b_.set(lt_excl, xcc_dash, E::go(lt_excl_dash));
    b_.set(lt_excl, xcc_lbracket, E::go(cdata_prefix[0]));
    set(lt_excl, kNameStart, E::emit_before(xml_declaration_open, doctype_keyword));
    end_others(lt_excl, xml_declaration_open, doctype.fresh);
    b_.set_failure(lt_excl, E::emit_before(xml_declaration_open, doctype.fresh));
    name_run(doctype_keyword, xml_opener_name, doctype.fresh);

    b_.set(lt_excl_dash, xcc_dash, E::go(content_comment.body));
    end_others(lt_excl_dash, xml_stray, content);
    b_.set_failure(lt_excl_dash, E::emit_before(xml_stray, content));
    comment(content_comment, content);

    // "<![CDATA[" letter by letter; a wrong letter makes what came so far stray.
    const int spelling[6] = {xcc_letter_c, xcc_letter_d, xcc_letter_a,
                             xcc_letter_t, xcc_letter_a, xcc_lbracket};
    for (int i = 0; i < 6; ++i) {
        b_.set(cdata_prefix[i], spelling[i],
               i < 5 ? E::go(cdata_prefix[i + 1]) : E::emit_at(xml_cdata_open, cdata));
        end_others(cdata_prefix[i], xml_stray, content);
        b_.set_failure(cdata_prefix[i], E::emit_before(xml_stray, content));
    }
    // CDATA content up to "]]>", which the split cuts off as a token of its own.
    b_.set(cdata, xcc_rbracket, E::go(cdata_rbracket));
    b_.set_others(cdata, E::go(cdata));
    b_.set(cdata_rbracket, xcc_rbracket, E::go(cdata_rbracket2));
    b_.set_others(cdata_rbracket, E::go(cdata));
    b_.set_failure(cdata_rbracket, E::go(cdata));
    b_.set(cdata_rbracket2, xcc_gt,
           E::emit_split(xml_cdata_content, xml_cdata_close, 2, content));
    b_.set(cdata_rbracket2, xcc_rbracket, E::go(cdata_rbracket2));
    b_.set_others(cdata_rbracket2, E::go(cdata));
    b_.set_failure(cdata_rbracket2, E::go(cdata));

    processing_instruction(pi, pi_question, content);

    // The internal subset ends at "]", the DOCTYPE header then waits for its ">".
    declarations(internal, E::go(internal.lt), E::emit_at(xml_close_angle, subset),
                 E::emit_at(xml_open_bracket, subset),
                 E::emit_at(xml_close_bracket, doctype.fresh));
    declaration_markup(internal);

    // DTD documents: "]" before "]>" closes a conditional section.
    declarations(external, E::go(external.lt), E::emit_at(xml_close_angle, dtd),
                 E::emit_at(xml_open_bracket, dtd), E::go(external.rbracket));
    declaration_markup(external);
    b_.set(external.rbracket, xcc_rbracket, E::go(external.rbracket2));
    end_others(external.rbracket, xml_close_bracket, dtd);
    b_.set_failure(external.rbracket, E::emit_before(xml_close_bracket, dtd));
    b_.set(external.rbracket2, xcc_gt, E::emit_at(xml_conditional_close, dtd));
    end_others(external.rbracket2, xml_stray, dtd);
    b_.set_failure(external.rbracket2, E::emit_before(xml_stray, dtd));

    return b_.build();
}

}  // namespace

const ScannerTables& xml_scanner_tables() {
    static const ScannerTables tables = XmlAutomaton().make();
    return tables;
}

}  // namespace tessel
