// Control characters and undecodable bytes as tokens of their own.
#include "text/special_characters.h"

#include <algorithm>

#include "text/utf8_reader.h"

namespace tessel {

namespace {

// The special characters of line, in order.
void find_special_characters(std::string_view line, std::vector<LineToken>& out) {
    const auto* s = reinterpret_cast<const uint8_t*>(line.data());
    const size_t n = line.size();
    for (size_t i = 0; i < n;) {
        const uint8_t b = s[i];
        // Printable ASCII, most of any line, costs one comparison.
        if (static_cast<uint8_t>(b - 0x20) < 0x5F) {
            ++i;
            continue;
        }
        const auto at = static_cast<int32_t>(i);
        if (b < 0x80) {
            if (is_shown_control(b)) out.push_back({at, at, kStyleControlCharacter});
            ++i;
            continue;
        }
        const Utf8Step step = read_utf8(s + i, n - i);
        if (step.kind != Utf8Step::kChar) {
            // A sequence cut by the line's end is as undecodable as a stray byte: index lines
            // are never cut inside a character.
            out.push_back({at, at, kStyleUndecodableByte});
            ++i;
            continue;
        }
        if (is_shown_control(step.code))
            out.push_back({at, at + step.length - 1, kStyleControlCharacter});
        i += step.length;
    }
}

}  // namespace

void add_special_characters(std::string_view line, std::vector<LineToken>& tokens) {
    // Layouts are built line after line while painting: the scratch lists keep their room.
    thread_local std::vector<LineToken> specials;
    thread_local std::vector<LineToken> out;
    specials.clear();
    find_special_characters(line, specials);
    if (specials.empty()) return;
    out.clear();
    size_t next = 0;
    int32_t covered = -1;  // the last offset already in out
    auto put_special = [&] {
        out.push_back(specials[next]);
        covered = specials[next++].last;
    };
    for (const LineToken& t : tokens) {
        while (next < specials.size() && specials[next].last < t.first) put_special();
        int32_t from = std::max(t.first, covered + 1);
        while (next < specials.size() && specials[next].first <= t.last) {
            if (specials[next].first > from) out.push_back({from, specials[next].first - 1, t.style});
            put_special();
            from = covered + 1;
        }
        if (from <= t.last) {
            out.push_back({from, t.last, t.style});
            covered = t.last;
        }
    }
    while (next < specials.size()) put_special();
    tokens.swap(out);
}

}  // namespace tessel
