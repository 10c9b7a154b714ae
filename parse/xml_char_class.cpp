// The XML character class table: ASCII by a direct table, the rest of the code space by a
// sorted range list (every code point up to U+10FFFF is listed; beyond it is "other").
#include "parse/xml_char_class.h"

#include "text/utf8_reader.h"

namespace tessel {

namespace {

CharClassTable make_xml_char_classes() {
    std::array<uint8_t, 128> ascii;
    ascii.fill(xcc_other);  // controls, $ & @ \ ^ ` { } ~ DEL
    ascii[0] = xcc_nul;
    for (char c : {'\t', '\n', '\r', ' '}) ascii[size_t(c)] = xcc_space;
    for (char c = 'a'; c <= 'z'; ++c) ascii[size_t(c)] = xcc_name_start;
    for (char c = 'A'; c <= 'Z'; ++c) ascii[size_t(c)] = xcc_letter;
    for (char c = '0'; c <= '9'; ++c) ascii[size_t(c)] = xcc_name_char;
    const std::pair<char, XmlCharClass> marks[] = {
        {'<', xcc_lt},          {'!', xcc_excl},        {'"', xcc_quot},
        {'\'', xcc_apos},       {'-', xcc_dash},        {'.', xcc_name_char},
        {'/', xcc_slash},       {':', xcc_name_start},  {'_', xcc_name_start},
        {'>', xcc_gt},          {'?', xcc_question},    {'A', xcc_letter_a},
        {'C', xcc_letter_c},    {'D', xcc_letter_d},    {'T', xcc_letter_t},
        {'[', xcc_lbracket},    {'=', xcc_equals},      {']', xcc_rbracket},
        {'%', xcc_percent},     {'(', xcc_lparen},      {')', xcc_rparen},
        {'|', xcc_bar},         {';', xcc_semicolon},   {',', xcc_comma},
        {'+', xcc_plus},        {'*', xcc_star},        {'#', xcc_hash},
    };
    for (auto [c, cls] : marks) ascii[size_t(c)] = cls;

    // From U+0080 on, every range in order; the list leaves no gap up to U+10FFFF.
    std::vector<CharClassRange> wide = {
        {0x0080, 0x00B6, xcc_other},      {0x00B7, 0x00B7, xcc_name_char},
        {0x00B8, 0x00BF, xcc_other},      {0x00C0, 0x00D6, xcc_name_start},
        {0x00D7, 0x00D7, xcc_other},      {0x00D8, 0x00F6, xcc_name_start},
        {0x00F7, 0x00F7, xcc_other},      {0x00F8, 0x02FF, xcc_name_start},
        {0x0300, 0x036F, xcc_name_char},  {0x0370, 0x037D, xcc_name_start},
        {0x037E, 0x037E, xcc_other},      {0x037F, 0x1FFF, xcc_name_start},
        {0x2000, 0x200B, xcc_other},      {0x200C, 0x200D, xcc_name_start},
        {0x200E, 0x203E, xcc_other},      {0x203F, 0x2040, xcc_name_char},
        {0x2041, 0x206F, xcc_other},      {0x2070, 0x218F, xcc_name_start},
        {0x2190, 0x2BFF, xcc_other},      {0x2C00, 0x2FEF, xcc_name_start},
        {0x2FF0, 0x3000, xcc_other},      {0x3001, 0xD7FF, xcc_name_start},
        {0xD800, 0xF8FF, xcc_other},      {0xF900, 0xFDCF, xcc_name_start},
        {0xFDD0, 0xFDEF, xcc_other},      {0xFDF0, 0xFFFD, xcc_name_start},
        {0xFFFE, 0xFFFF, xcc_other},      {0x10000, 0xEFFFF, xcc_name_start},
        {0xF0000, 0x10FFFF, xcc_other},
    };
    CharClassTable table(ascii, std::move(wide), xcc_other);
    table.set_rejects_non_characters(true);
    return table;
}

}  // namespace

namespace {

// The class of the character at text[at] and its length; a byte that starts no character
// has the class "other" and length 1.
int class_at(std::string_view text, size_t at, size_t& length) {
    const auto b = static_cast<unsigned char>(text[at]);
    length = 1;
    if (b < 0x80) return xml_char_class(b);
    const auto* p = reinterpret_cast<const uint8_t*>(text.data()) + at;
    const size_t n = utf8_char_length(p, text.size() - at);
    if (n == 0) return xcc_other;  // a stray byte, overlong forms and surrogates included
    char32_t cp = b & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (p[i] & 0x3F);
    length = n;
    return is_non_character(cp) ? xcc_other : xml_char_class(cp);
}

bool starts_name(int c) {
    return c == xcc_name_start || c == xcc_letter_a || c == xcc_letter || c == xcc_letter_c ||
           c == xcc_letter_d || c == xcc_letter_t;
}

size_t name_run(std::string_view text, size_t at, bool any_first) {
    size_t p = at;
    while (p < text.size()) {
        size_t length;
        const int c = class_at(text, p, length);
        const bool ok =
            starts_name(c) || ((p > at || any_first) && (c == xcc_name_char || c == xcc_dash));
        if (!ok) break;
        p += length;
    }
    return p - at;
}

}  // namespace

size_t xml_name_length(std::string_view text, size_t at) {
    return name_run(text, at, false);
}
size_t xml_nmtoken_length(std::string_view text, size_t at) {
    return name_run(text, at, true);
}

const CharClassTable& xml_char_classes() {
    static const CharClassTable table = make_xml_char_classes();
    return table;
}

}  // namespace tessel
