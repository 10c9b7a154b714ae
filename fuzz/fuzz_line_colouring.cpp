// Fuzzes the editor's line colouring of every document type. Any bytes, cut into lines after
// every line feed and also every few bytes, give tokens in order, inside their line and not
// overlapping, with a special token exactly where a control character or a byte that starts
// no character is; tokenize_line ends in the state scan_line gives. Where lines are cut does
// not matter: the states at the line feeds, and every token but a line's last before a cut
// that is not a line feed, are those of the same text cut at its line feeds only; and on a
// scanner's tables every line ends in the state the parser's scanner has there.
#include <cstdint>
#include <string_view>
#include <vector>

#include "parse/default_languages.h"
#include "parse/json_line_automaton.h"
#include "parse/scanner_line_automaton.h"
#include "text/line_scanner.h"
#include "text/special_characters.h"
#include "text/utf8_reader.h"

namespace {

using namespace tessel;

constexpr size_t kMaxBytes = 1 << 14;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

// Member names are strings followed by a colon on their line; a cut between the two makes the
// name a string, so the comparison across cuts takes both as one.
int16_t across_cuts(int16_t style) { return style == kJsonMemberNameStyle ? int16_t(json_string) : style; }

struct Colouring {
    std::vector<uint8_t> states;  // at each line's start, and at the end
    // Absolute ranges; a token is its line's last before a cut that is not a line feed.
    std::vector<LineToken> tokens;
    std::vector<bool> unsettled;
};

// What each byte of a line must show: the special style of the character it belongs to (0
// for none), and whether a character starts there.
struct ByteRole {
    int16_t special = 0;
    bool starts = false;
};

std::vector<ByteRole> byte_roles(std::string_view line) {
    const auto* s = reinterpret_cast<const uint8_t*>(line.data());
    std::vector<ByteRole> out(line.size() + 1);
    out[line.size()].starts = true;
    for (size_t i = 0; i < line.size();) {
        out[i].starts = true;
        if (s[i] < 0x80) {
            if (is_shown_control(s[i])) out[i].special = kStyleControlCharacter;
            ++i;
            continue;
        }
        const Utf8Step step = read_utf8(s + i, line.size() - i);
        if (step.kind != Utf8Step::kChar) {
            out[i++].special = kStyleUndecodableByte;
            continue;
        }
        for (size_t k = 0; k < step.length; ++k)
            if (is_shown_control(step.code)) out[i + k].special = kStyleControlCharacter;
        i += step.length;
    }
    return out;
}

Colouring colour(LexicalAutomaton& automaton, std::string_view text, const std::vector<size_t>& ends) {
    Colouring c;
    c.states.push_back(0);
    std::vector<LineToken> tokens;
    size_t from = 0;
    for (size_t end : ends) {
        const std::string_view line = text.substr(from, end - from);
        const uint8_t state = automaton.tokenize_line(c.states.back(), line, tokens);
        check(state == automaton.scan_line(c.states.back(), line));
        const std::vector<ByteRole> roles = byte_roles(line);
        int32_t next_free = 0;
        size_t special_bytes = 0;
        for (const LineToken& t : tokens) {
            check(t.first >= next_free && t.last >= t.first && t.last < int32_t(line.size()));
            check(t.style >= kStyleControlCharacter);
            for (int32_t p = t.first; p <= t.last; ++p)
                check(roles[size_t(p)].special == (t.style < 0 ? t.style : 0));
            // Tokens begin and end with characters; a special token is one character.
            check(roles[size_t(t.first)].starts && roles[size_t(t.last) + 1].starts);
            if (t.style < 0) {
                special_bytes += size_t(t.last - t.first + 1);
                for (int32_t p = t.first + 1; p <= t.last; ++p) check(!roles[size_t(p)].starts);
            }
            next_free = t.last + 1;
        }
        // Every special byte lies in a token.
        size_t specials = 0;
        for (const ByteRole& r : roles) specials += r.special != 0;
        check(special_bytes == specials);

        const bool soft_cut = end < text.size() && text[end - 1] != '\n';
        for (size_t i = 0; i < tokens.size(); ++i) {
            const LineToken& t = tokens[i];
            c.tokens.push_back({int32_t(from) + t.first, int32_t(from) + t.last, across_cuts(t.style)});
            c.unsettled.push_back(soft_cut && i + 1 == tokens.size() && t.style >= 0 &&
                                  t.last + 1 == int32_t(line.size()));
        }
        c.states.push_back(state);
        from = end;
    }
    return c;
}

// The tokens of `whole` cut at the ends of `cut`'s lines, as `cut` must have them.
void check_same_tokens(const Colouring& whole, const Colouring& cut, const std::vector<size_t>& ends,
                       size_t length) {
    // Token index per byte in the whole colouring.
    std::vector<int32_t> owner(length, -1);
    for (size_t i = 0; i < whole.tokens.size(); ++i)
        for (int32_t p = whole.tokens[i].first; p <= whole.tokens[i].last; ++p) owner[size_t(p)] = int32_t(i);
    std::vector<bool> line_end(length + 1, false);
    for (size_t e : ends) line_end[e] = true;
    std::vector<LineToken> want;
    for (size_t p = 0; p < length;) {
        size_t q = p + 1;
        while (q < length && owner[q] == owner[p] && !line_end[q]) ++q;
        if (owner[p] >= 0)
            want.push_back({int32_t(p), int32_t(q - 1), whole.tokens[size_t(owner[p])].style});
        p = q;
    }
    // Leave out the unsettled tokens and the pieces they cover.
    size_t w = 0;
    for (size_t i = 0; i < cut.tokens.size(); ++i) {
        const LineToken& t = cut.tokens[i];
        if (cut.unsettled[i]) {
            while (w < want.size() && want[w].first <= t.last) {
                check(want[w].first >= t.first);
                ++w;
            }
            continue;
        }
        check(w < want.size());
        check(want[w].first == t.first && want[w].last == t.last && want[w].style == t.style);
        ++w;
    }
    check(w == want.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > kMaxBytes) return 0;
    // The first byte chooses the document type (low two bits) and how often lines are cut
    // besides the line feeds; the rest is the text.
    static const char* const kTypes[] = {"XML", "DTD", "JSON", "Plain Text"};
    LexicalAutomaton& automaton = *default_languages().find(kTypes[data[0] & 3])->automaton;
    const size_t step = data[0] >> 2;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::vector<size_t> at_line_feeds, anywhere;
    for (size_t p = 1; p < text.size(); ++p) {
        const bool line_feed = text[p - 1] == '\n';
        // Not before a continuation byte: a line never ends inside a character.
        const bool may_cut = (static_cast<uint8_t>(text[p]) & 0xC0) != 0x80;
        if (line_feed) at_line_feeds.push_back(p);
        if (line_feed || (step && p % step == 0 && may_cut)) anywhere.push_back(p);
    }
    at_line_feeds.push_back(text.size());
    anywhere.push_back(text.size());

    const Colouring whole = colour(automaton, text, at_line_feeds);
    const Colouring cut = colour(automaton, text, anywhere);
    // The same state at every line feed and at the end.
    size_t k = 0;
    for (size_t i = 0; i < anywhere.size(); ++i) {
        if (anywhere[i] != at_line_feeds[k]) continue;
        check(cut.states[i + 1] == whole.states[k + 1]);
        ++k;
    }
    check(k == at_line_feeds.size());
    check_same_tokens(whole, cut, anywhere, text.size());

    // On a scanner's tables, every line ends in the state the parser's scanner reaches at that
    // offset of the whole text (where no U+0000 is ordinary: a line cannot know it ends the
    // text).
    if (auto* scanner = dynamic_cast<ScannerLineAutomaton*>(&automaton)) {
        ScanCursor cursor{scanner->engine_state(0), 0};
        auto ignore = [](int32_t, int32_t, int16_t) {};
        int32_t at = 0;
        for (size_t i = 0; i < anywhere.size(); ++i) {
            at = scan_run(scanner->tables(), text.data(), int32_t(text.size()), at,
                          int32_t(anywhere[i]), -1, cursor, ignore);
            check(at == int32_t(anywhere[i]));
            check(scanner->line_state(cursor.state) == cut.states[i + 1]);
        }
    }
    return 0;
}
