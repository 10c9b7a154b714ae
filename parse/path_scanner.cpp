// The path-expression automaton: three states (between tokens, in a name run, in a stray
// run) over ten character classes, and the scan of a whole path text.
#include "parse/path_scanner.h"

#include <limits>
#include <stdexcept>

namespace tessel {

namespace {

using E = ScanEntry;

CharClassTable make_classes() {
    std::array<uint8_t, 128> ascii;
    ascii.fill(pcc_other);
    for (int c = '0'; c <= '9'; ++c) ascii[size_t(c)] = pcc_name;
    for (int c = 'A'; c <= 'Z'; ++c) ascii[size_t(c)] = pcc_name;
    for (int c = 'a'; c <= 'z'; ++c) ascii[size_t(c)] = pcc_name;
    ascii['.'] = ascii[':'] = ascii['_'] = pcc_name;
    ascii['-'] = pcc_minus;
    ascii[' '] = ascii['\t'] = pcc_blank;
    ascii['/'] = pcc_slash;
    ascii['['] = pcc_lbracket;
    ascii[']'] = pcc_rbracket;
    ascii['('] = pcc_lparen;
    ascii[')'] = pcc_rparen;
    ascii[0] = pcc_end;
    // No wide ranges: every code point above 127 is "other", so non-ASCII names cannot be
    // written as name steps (format_path writes "[n]" for them).
    return CharClassTable(ascii, {}, pcc_other);
}

ScannerTables make_tables() {
    ScannerTablesBuilder b(path_char_classes());
    const uint8_t fresh = b.add_fresh_state();
    const uint8_t name = b.add_token_state(path_name, path_name);
    const uint8_t stray = b.add_token_state(path_stray, path_stray);

    const std::pair<int, int> punctuation[] = {
        {pcc_slash, path_slash},       {pcc_lbracket, path_open_bracket},
        {pcc_rbracket, path_close_bracket}, {pcc_lparen, path_open_paren},
        {pcc_rparen, path_close_paren}, {pcc_end, path_end},
    };
    for (auto [cls, kind] : punctuation) b.set(fresh, cls, E::emit_at(kind, fresh));
    b.set(fresh, pcc_blank, E::skip(fresh));
    b.set(fresh, {pcc_name, pcc_minus}, E::go(name));
    b.set(fresh, pcc_other, E::go(stray));

    // A run ends at any other class, which then acts as it does between tokens.
    auto end_others = [&](uint8_t s, int kind) {
        for (int c = 0; c < pcc_count; ++c)
            if (!b.has_entry(s, c)) b.set(s, c, E::end_then(kind, b.entry(fresh, c)));
        b.set_failure(s, E::emit_before(kind, fresh));
    };
    b.set(name, {pcc_name, pcc_minus}, E::go(name));
    end_others(name, path_name);
    b.set(stray, pcc_other, E::go(stray));
    end_others(stray, path_stray);
    return b.build();
}

}  // namespace

const CharClassTable& path_char_classes() {
    static const CharClassTable classes = make_classes();
    return classes;
}

const ScannerTables& path_scanner_tables() {
    static const ScannerTables tables = make_tables();
    return tables;
}

std::vector<Token> scan_path(std::string_view text) {
    if (text.size() >= size_t(std::numeric_limits<int32_t>::max()))
        throw std::length_error("path text too long");
    const int32_t length = int32_t(text.size());
    std::vector<Token> tokens;
    auto sink = [&](int32_t first, int32_t last, int16_t kind) {
        tokens.push_back({first, last, kind});
    };
    ScanCursor cursor{kPathStartState, 0};
    const ScannerTables& tables = path_scanner_tables();
    // A U+0000 is ordinary (the end class) only as the very last byte.
    scan_run(tables, text.data(), length, 0, length, length, cursor, sink);
    // A final U+0000 already gave the end token; the text has no more after it.
    if (tokens.empty() || tokens.back().kind != path_end)
        scan_finish(tables, length, path_end, cursor, sink);
    return tokens;
}

}  // namespace tessel
