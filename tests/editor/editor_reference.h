// The editor's keys spelt out on a std::string: the reference the random key tests compare
// the editor with (the model in tests/editor, the widget in tests/gui), and the random texts and
// typed characters they use.
#pragma once

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "seams/key_press.h"
#include "tests/seams/fixed_advance_shaper.h"
#include "tests/text/text_model.h"

namespace tessel::test {

constexpr double kAdvance = FixedAdvanceShaper::kAdvance[0];

bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The reference editor: the text with its index lines (the plain model of the line index,
// whose cuts depend on the edits made, as the real index's do), the selection, the x that
// vertical moves keep, and every key rule spelt out on the string. Texts hold valid UTF-8
// only, so a character starts at every byte that is not a continuation byte.
struct Reference {
    model::TextModel m;
    std::string& text = m.text;
    int32_t caret = 0;
    int32_t anchor = 0;
    double wanted_x = -1;
    bool keep_tabs = true;
    int32_t tab_size = 4;
    int32_t lines_per_page = 10;
    std::string line_end_text;  // "" until the first line feed decides

    int32_t size() const { return static_cast<int32_t>(text.size()); }
    const std::vector<int32_t>& starts() const { return m.starts; }
    int32_t line_of(const std::vector<int32_t>& s, int32_t pos) const {
        return static_cast<int32_t>(std::upper_bound(s.begin(), s.end(), pos) - s.begin()) - 1;
    }
    int32_t next_stop(int32_t p) const {
        if (text.compare(static_cast<size_t>(p), 2, "\r\n") == 0) return p + 2;
        ++p;
        while (p < size() && continuation(text[static_cast<size_t>(p)])) ++p;
        return p;
    }
    int32_t previous_stop(int32_t p) const {
        if (p >= 2 && text.compare(static_cast<size_t>(p - 2), 2, "\r\n") == 0) return p - 2;
        --p;
        while (p > 0 && continuation(text[static_cast<size_t>(p)])) --p;
        return p;
    }
    uint32_t code_at(int32_t p) const {
        const auto b = static_cast<unsigned char>(text[static_cast<size_t>(p)]);
        if (b < 0x80) return b;
        const int n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        uint32_t c = b & (0x3F >> (n - 1));
        for (int i = 1; i < n; ++i) c = c << 6 | (static_cast<unsigned char>(text[static_cast<size_t>(p + i)]) & 0x3F);
        return c;
    }
    bool word_at(int32_t p) const {
        const uint32_t c = code_at(p);
        if (c < 0x80) return std::isalnum(static_cast<int>(c)) || c == '_';
        return !(c < 0xC0 || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c <= 0x2BFF) ||
                 (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF0F));
    }
    int32_t word_end_after(int32_t p) const {
        while (p < size() && !word_at(p)) p = next_stop(p);
        while (p < size() && word_at(p)) p = next_stop(p);
        return p;
    }
    int32_t word_start_before(int32_t p) const {
        while (p > 0 && !word_at(previous_stop(p))) p = previous_stop(p);
        while (p > 0 && word_at(previous_stop(p))) p = previous_stop(p);
        return p;
    }
    // x of p in its index line: every character 8 pixels, a tab to the next stop.
    double x_in_line(const std::vector<int32_t>& s, int32_t p) const {
        double x = 0;
        for (int32_t i = s[static_cast<size_t>(line_of(s, p))]; i < p; ++i) {
            if (continuation(text[static_cast<size_t>(i)])) continue;
            if (text[static_cast<size_t>(i)] == '\t') {
                const double tab = tab_size * kAdvance;
                x = (std::floor(x / tab) + 1) * tab;
            } else {
                x += kAdvance;
            }
        }
        return x;
    }
    int32_t line_end(const std::vector<int32_t>& s, int32_t line) const {
        const int32_t start = s[static_cast<size_t>(line)];
        const bool last = line + 1 >= static_cast<int32_t>(s.size());
        const int32_t next = last ? size() : s[static_cast<size_t>(line) + 1];
        if (last) return next;
        if (text[static_cast<size_t>(next) - 1] != '\n') return previous_stop(next);
        return next - 1 - (next - 2 >= start && text[static_cast<size_t>(next) - 2] == '\r');
    }
    // The boundary of the line nearest x, the earlier on a tie, no further than its end.
    int32_t at_x(const std::vector<int32_t>& s, int32_t line, double x) const {
        const int32_t end = line_end(s, line);
        int32_t p = s[static_cast<size_t>(line)];
        int32_t best = p;
        double at = 0;
        double best_distance = std::abs(x);
        while (p < end) {
            if (text[static_cast<size_t>(p)] == '\t') {
                const double tab = tab_size * kAdvance;
                at = (std::floor(at / tab) + 1) * tab;
            } else {
                at += kAdvance;
            }
            p = next_stop(p);
            if (std::abs(at - x) < best_distance) {
                best = p;
                best_distance = std::abs(at - x);
            }
        }
        return best;
    }

    void move(int32_t to, bool extend) {
        caret = to;
        if (!extend) anchor = to;
    }
    void replace(int32_t first, int32_t end, const std::string& with) {
        m.replace({first}, end - first, {with});
        caret = anchor = first + static_cast<int32_t>(with.size());
        wanted_x = -1;
    }
    void replace_selection(const std::string& with) {
        replace(std::min(caret, anchor), std::max(caret, anchor), with);
    }

    void key(int32_t key, int modifier, const std::string& typed) {
        const bool extend = modifier == 2 || modifier == 4;
        const bool ctrl = modifier == 3 || modifier == 4;
        const bool plain = modifier == 0 || modifier == 2;
        const auto& s = starts();
        const int32_t line = line_of(s, caret);
        const int32_t count = static_cast<int32_t>(s.size());
        auto vertical = [&](int32_t target) {
            if (wanted_x < 0) wanted_x = x_in_line(s, caret);
            move(at_x(s, target, wanted_x), extend);
        };
        auto horizontal = [&](int32_t to) {
            wanted_x = -1;
            move(to, extend);
        };
        switch (key) {
            case kKeyLeft:
                horizontal(caret == 0 ? 0 : ctrl ? word_start_before(caret) : previous_stop(caret));
                break;
            case kKeyRight:
                horizontal(caret == size() ? caret : ctrl ? word_end_after(caret) : next_stop(caret));
                break;
            case kKeyHome: horizontal(ctrl ? 0 : s[static_cast<size_t>(line)]); break;
            case kKeyEnd: horizontal(ctrl ? size() : line_end(s, line)); break;
            case kKeyUp:
                if (line > 0) vertical(line - 1);
                else move(caret, extend);
                break;
            case kKeyDown:
                if (line + 1 < count) vertical(line + 1);
                else move(caret, extend);
                break;
            case kKeyPageUp: vertical(std::max(0, line - std::max(1, lines_per_page - 1))); break;
            case kKeyPageDown: vertical(std::min(count - 1, line + lines_per_page)); break;
            case kKeyBackspace:
                if (caret != anchor) replace_selection("");
                else if (caret > 0) replace(ctrl ? word_start_before(caret) : previous_stop(caret), caret, "");
                break;
            case kKeyDelete:
                if (caret != anchor) replace_selection("");
                else if (caret < size()) replace(caret, ctrl ? word_end_after(caret) : next_stop(caret), "");
                break;
            case kKeyTab:
                if (modifier != 0) break;
                if (keep_tabs) {
                    replace_selection("\t");
                } else {
                    const int32_t at = std::min(caret, anchor);
                    int32_t column = 0;
                    for (int32_t i = s[static_cast<size_t>(line_of(s, at))]; i < at; ++i)
                        column += !continuation(text[static_cast<size_t>(i)]);
                    replace_selection(std::string(static_cast<size_t>(tab_size * (column / tab_size + 1) - column), ' '));
                }
                break;
            case kKeyEnter:
                if (!plain) break;
                if (line_end_text.empty()) line_end_text = "\n";
                replace_selection(line_end_text);
                break;
            case kKeyNone:
            case kKeyCharacter:
                if (plain) replace_selection(typed);
                break;
            default: break;
        }
    }
};

class Keyboard {
public:
    explicit Keyboard(uint32_t seed) : rng_(seed) {}
    int32_t below(int32_t n) { return static_cast<int32_t>(rng_() % static_cast<uint32_t>(n)); }

    std::string text(int32_t n) {
        static const char* kPieces[] = {"\n", "\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xE4\xB8\xAD",
                                        "\xF0\x9F\x98\x80", " ", "\t", ".", "<a>", "x_1"};
        std::string out;
        while (static_cast<int32_t>(out.size()) < n) {
            const int32_t k = below(16);
            if (k < 11) {
                out += kPieces[k];
            } else {
                for (int32_t i = 0, m = 1 + below(7); i < m; ++i) out += static_cast<char>('a' + below(26));
            }
        }
        return out;
    }
    std::string long_line() {
        std::string out;
        while (out.size() < 4500) out += text(100) + "\xE2\x82\xAC\xC3\xA9";
        std::erase(out, '\n');
        std::erase(out, '\r');
        return out + "\n";
    }
    std::string typed() {
        static const char* kTyped[] = {"a", "Z", "7", " ", "_", "-", "\xC3\xA9", "\xE2\x82\xAC",
                                       "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "ab"};
        return kTyped[below(11)];
    }

private:
    std::mt19937 rng_;
};

// Whether the caret may stand at p: not inside a UTF-8 sequence, not between CR and LF.
bool is_stop(const std::string& text, int32_t p) {
    if (p <= 0 || p >= static_cast<int32_t>(text.size())) return true;
    return !continuation(text[static_cast<size_t>(p)]) &&
           !(text[static_cast<size_t>(p) - 1] == '\r' && text[static_cast<size_t>(p)] == '\n');
}

}  // namespace tessel::test
