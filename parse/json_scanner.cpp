// The JSON automaton. Literals are spelled letter by letter, so that "true", "false" and
// "null" are told apart by the scanner and the parser never compares texts; the letters they
// use have classes of their own for that reason alone. Numbers follow the strict grammar;
// anything that runs on from a number or a word ("01", "1.", "truex", "NaN") becomes one
// stray token, which the parser rejects where a value should be.
#include "parse/json_scanner.h"

#include <string_view>
#include <vector>

namespace tessel {

namespace {

using E = ScanEntry;

enum JsonCharClass : uint8_t {
    jcc_nul = 0,
    jcc_other = 1,     // everything not listed, and every code point from U+0080 on
    jcc_blank = 2,     // tab, space
    jcc_line_end = 3,  // line feed, carriage return: they end a line comment
    jcc_lbrace = 4,
    jcc_rbrace = 5,
    jcc_lbracket = 6,
    jcc_rbracket = 7,
    jcc_comma = 8,
    jcc_colon = 9,
    jcc_quote = 10,
    jcc_backslash = 11,
    jcc_slash = 12,
    jcc_star = 13,
    jcc_minus = 14,
    jcc_plus = 15,
    jcc_zero = 16,
    jcc_digit = 17,  // 1-9
    jcc_dot = 18,
    jcc_letter = 19,  // letters not listed below, "_", "$"
    jcc_a = 20,
    jcc_e = 21,  // lower-case e: a literal's letter and an exponent mark
    jcc_f = 22,
    jcc_l = 23,
    jcc_n = 24,
    jcc_r = 25,
    jcc_s = 26,
    jcc_t = 27,
    jcc_u = 28,
    jcc_exp_upper = 29,  // "E": an exponent mark only
    jcc_count = 30,
};

CharClassTable make_json_char_classes() {
    std::array<uint8_t, 128> ascii;
    ascii.fill(jcc_other);
    ascii[0] = jcc_nul;
    for (char c = 'a'; c <= 'z'; ++c) ascii[size_t(c)] = jcc_letter;
    for (char c = 'A'; c <= 'Z'; ++c) ascii[size_t(c)] = jcc_letter;
    for (char c = '1'; c <= '9'; ++c) ascii[size_t(c)] = jcc_digit;
    const std::pair<char, JsonCharClass> marks[] = {
        {'\t', jcc_blank}, {' ', jcc_blank},     {'\n', jcc_line_end}, {'\r', jcc_line_end},
        {'{', jcc_lbrace}, {'}', jcc_rbrace},    {'[', jcc_lbracket},  {']', jcc_rbracket},
        {',', jcc_comma},  {':', jcc_colon},     {'"', jcc_quote},     {'\\', jcc_backslash},
        {'/', jcc_slash},  {'*', jcc_star},      {'-', jcc_minus},     {'+', jcc_plus},
        {'0', jcc_zero},   {'.', jcc_dot},       {'_', jcc_letter},    {'$', jcc_letter},
        {'a', jcc_a},      {'e', jcc_e},         {'f', jcc_f},         {'l', jcc_l},
        {'n', jcc_n},      {'r', jcc_r},         {'s', jcc_s},         {'t', jcc_t},
        {'u', jcc_u},      {'E', jcc_exp_upper},
    };
    for (auto [c, cls] : marks) ascii[size_t(c)] = cls;
    return CharClassTable(ascii, {}, jcc_other);
}

// The classes that run on in a word or number: two tokens never touch without something
// between them that is not one of these.
bool is_word_class(int c) {
    return c == jcc_nul || c == jcc_other || c == jcc_backslash || c == jcc_star ||
           c == jcc_minus || c == jcc_plus || c == jcc_zero || c == jcc_digit || c == jcc_dot ||
           c >= jcc_letter;
}

int class_of_letter(char c) {
    switch (c) {
        case 'a':
            return jcc_a;
        case 'e':
            return jcc_e;
        case 'f':
            return jcc_f;
        case 'l':
            return jcc_l;
        case 'n':
            return jcc_n;
        case 'r':
            return jcc_r;
        case 's':
            return jcc_s;
        case 't':
            return jcc_t;
        case 'u':
            return jcc_u;
        default:
            return jcc_letter;
    }
}

class JsonAutomaton {
public:
    JsonAutomaton() : classes_(make_json_char_classes()), b_(classes_) {}
    ScannerTables make();

private:
    // A token state: word characters lead on to `word` (or stay, for the junk state itself)
    // unless set already; anything else ends the token as `kind` and acts as the fresh state.
    void finish_state(uint8_t s, int kind) {
        for (int c = 0; c < jcc_count; ++c) {
            if (b_.has_entry(s, c)) continue;
            b_.set(s, c, is_word_class(c) ? E::go(junk_) : E::end_then(kind, b_.entry(fresh_, c)));
        }
        // A bad byte ends the token, so that it cannot hide inside a number or literal.
        b_.set_failure(s, E::emit_before(kind, fresh_));
    }
    // The states of one literal; the first letter is entered from the fresh state.
    void literal(std::string_view word, int kind) {
        std::vector<uint8_t> after;  // after[i]: i + 1 letters read
        for (size_t i = 0; i < word.size(); ++i)
            after.push_back(b_.add_token_state(kind, i + 1 == word.size() ? kind : json_stray));
        b_.set(fresh_, class_of_letter(word[0]), E::go(after[0]));
        for (size_t i = 0; i < word.size(); ++i) {
            if (i + 1 < word.size())
                b_.set(after[i], class_of_letter(word[i + 1]), E::go(after[i + 1]));
            finish_state(after[i], i + 1 == word.size() ? kind : json_stray);
        }
    }

    CharClassTable classes_;
    ScannerTablesBuilder b_;
    uint8_t fresh_ = 0;
    uint8_t junk_ = 0;
};

ScannerTables JsonAutomaton::make() {
    fresh_ = b_.add_fresh_state();  // kJsonStartState
    junk_ = b_.add_token_state(json_stray, json_stray);
    const uint8_t string = b_.add_token_state(json_string, json_stray);
    const uint8_t escape = b_.add_token_state(json_string, json_stray);
    const uint8_t slash = b_.add_token_state(json_stray, json_stray);
    const uint8_t line_comment = b_.add_token_state(json_comment, json_comment);
    const uint8_t block = b_.add_token_state(json_comment, json_stray);
    const uint8_t block_star = b_.add_token_state(json_comment, json_stray);
    const uint8_t minus = b_.add_token_state(json_number, json_stray);
    const uint8_t zero = b_.add_token_state(json_number, json_number);
    const uint8_t integer = b_.add_token_state(json_number, json_number);
    const uint8_t dot = b_.add_token_state(json_number, json_stray);
    const uint8_t fraction = b_.add_token_state(json_number, json_number);
    const uint8_t exponent_mark = b_.add_token_state(json_number, json_stray);
    const uint8_t exponent_sign = b_.add_token_state(json_number, json_stray);
    const uint8_t exponent = b_.add_token_state(json_number, json_number);

    // Between tokens.
    b_.set(fresh_, {jcc_blank, jcc_line_end}, E::skip(fresh_));
    const std::pair<int, int> punctuation[] = {
        {jcc_lbrace, json_open_brace},     {jcc_rbrace, json_close_brace},
        {jcc_lbracket, json_open_bracket}, {jcc_rbracket, json_close_bracket},
        {jcc_comma, json_comma},           {jcc_colon, json_colon},
    };
    for (auto [cls, kind] : punctuation) b_.set(fresh_, cls, E::emit_at(kind, fresh_));
    b_.set(fresh_, jcc_quote, E::go(string));
    b_.set(fresh_, jcc_slash, E::go(slash));
    b_.set(fresh_, jcc_minus, E::go(minus));
    b_.set(fresh_, jcc_zero, E::go(zero));
    b_.set(fresh_, jcc_digit, E::go(integer));
    literal("true", json_true);
    literal("false", json_false);
    literal("null", json_null);
    b_.set_others(fresh_, E::go(junk_));

    // Junk runs over word characters and stops where a token could begin.
    finish_state(junk_, json_stray);

    // Strings run to the next unescaped quote, across lines; bad bytes inside are reported
    // and the string goes on.
    b_.set(string, jcc_quote, E::emit_at(json_string, fresh_));
    // Raw line ends and tabs, and the character after a backslash unless it makes one of the
    // simple escapes, are marked for the parser, which checks them ("\u" and its four hex
    // digits too): the strings without any (nearly all) cost it nothing.
    b_.set(string, jcc_backslash, E::go(escape));
    b_.set(string, jcc_line_end, E::mark(string));
    b_.set_byte(string, '\t', E::mark(string));
    b_.set_others(string, E::go(string));
    b_.set(escape, {jcc_quote, jcc_backslash, jcc_slash, jcc_f, jcc_n, jcc_r, jcc_t}, E::go(string));
    b_.set_byte(escape, 'b', E::go(string));
    b_.set_others(escape, E::mark(string));
    b_.set_failure(escape, E::go(string));

    // Comments.
    b_.set(slash, jcc_slash, E::go(line_comment));
    b_.set(slash, jcc_star, E::go(block));
    for (int c = 0; c < jcc_count; ++c)
        if (!b_.has_entry(slash, c)) b_.set(slash, c, E::end_then(json_stray, b_.entry(fresh_, c)));
    b_.set_failure(slash, E::emit_before(json_stray, fresh_));
    b_.set(line_comment, jcc_line_end, E::end_then(json_comment, b_.entry(fresh_, jcc_line_end)));
    b_.set_others(line_comment, E::go(line_comment));
    b_.set(block, jcc_star, E::go(block_star));
    b_.set_others(block, E::go(block));
    b_.set(block_star, jcc_slash, E::emit_at(json_comment, fresh_));
    b_.set(block_star, jcc_star, E::go(block_star));
    b_.set_others(block_star, E::go(block));
    b_.set_failure(block_star, E::go(block));

    // Numbers.
    const int digits[] = {jcc_zero, jcc_digit};
    const int exponent_marks[] = {jcc_e, jcc_exp_upper};
    b_.set(minus, jcc_zero, E::go(zero));
    b_.set(minus, jcc_digit, E::go(integer));
    finish_state(minus, json_stray);
    b_.set(zero, jcc_dot, E::go(dot));
    for (int c : exponent_marks) b_.set(zero, c, E::go(exponent_mark));
    finish_state(zero, json_number);
    for (int c : digits) b_.set(integer, c, E::go(integer));
    b_.set(integer, jcc_dot, E::go(dot));
    for (int c : exponent_marks) b_.set(integer, c, E::go(exponent_mark));
    finish_state(integer, json_number);
    for (int c : digits) b_.set(dot, c, E::go(fraction));
    finish_state(dot, json_stray);
    for (int c : digits) b_.set(fraction, c, E::go(fraction));
    for (int c : exponent_marks) b_.set(fraction, c, E::go(exponent_mark));
    finish_state(fraction, json_number);
    for (int c : {jcc_plus, jcc_minus}) b_.set(exponent_mark, c, E::go(exponent_sign));
    for (int c : digits) b_.set(exponent_mark, c, E::go(exponent));
    finish_state(exponent_mark, json_stray);
    for (int c : digits) b_.set(exponent_sign, c, E::go(exponent));
    finish_state(exponent_sign, json_stray);
    for (int c : digits) b_.set(exponent, c, E::go(exponent));
    finish_state(exponent, json_number);

    return b_.build();
}

}  // namespace

const ScannerTables& json_scanner_tables() {
    static const ScannerTables tables = JsonAutomaton().make();
    return tables;
}

}  // namespace tessel
