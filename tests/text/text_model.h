// A plain reference model of the document text for differential tests and fuzzing: a
// std::string, a std::vector of line starts kept by the same cutting rule, and anchors moved
// one position at a time by the anchor rule. It shares no code with the store or the index.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::model {

// Whether a cut between s[q - 1] and s[q] keeps CR LF together and every UTF-8 sequence
// whole: no lead byte among the three bytes before q announces a sequence that reaches q
// over continuation bytes. No cut at the end of the text (the next byte is not known).
inline bool cut_allowed(const std::string& s, int32_t q) {
    if (q <= 0 || q >= static_cast<int32_t>(s.size())) return false;
    auto at = [&](int32_t i) { return static_cast<unsigned char>(s[static_cast<size_t>(i)]); };
    if (at(q - 1) == '\r' && at(q) == '\n') return false;
    for (int32_t k = 1; k <= 3 && q - k >= 0; ++k) {
        const unsigned char lead = at(q - k);
        const int32_t announced = lead >= 0xF8 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        bool continued = true;
        for (int32_t i = q - k + 1; i <= q; ++i) continued = continued && at(i) >= 0x80 && at(i) < 0xC0;
        if (announced > k && continued) return false;
    }
    return true;
}

// Whether an index line that started at `start` ends before q: after a line feed, or at an
// allowed cut once it has 2 000 bytes.
inline bool ends_index_line(const std::string& s, int32_t start, int32_t q) {
    return s[static_cast<size_t>(q) - 1] == '\n' || (q - start >= 2000 && cut_allowed(s, q));
}

// Breaks after `from` up to `to` (and at `to` when include_end), scanning from a line start.
inline std::vector<int32_t> breaks(const std::string& s, int32_t from, int32_t to, bool include_end) {
    std::vector<int32_t> out;
    int32_t start = from;
    for (int32_t q = from + 1; q <= to; ++q) {
        if (ends_index_line(s, start, q)) {
            if (q < to || include_end) out.push_back(q);
            start = q;
        }
    }
    return out;
}

struct TextModel {
    std::string text;
    std::vector<int32_t> starts{0};
    std::vector<int32_t> anchors;

    void set_text(std::string t) {
        text = std::move(t);
        starts = {0};
        auto b = breaks(text, 0, static_cast<int32_t>(text.size()), true);
        starts.insert(starts.end(), b.begin(), b.end());
    }

    int32_t line_of(int32_t pos) const {
        return static_cast<int32_t>(std::upper_bound(starts.begin(), starts.end(), pos) -
                                    starts.begin()) - 1;
    }

    // Replaces del bytes at every ascending position; texts has one entry or one per position.
    void replace(const std::vector<int32_t>& positions, int32_t del,
                 const std::vector<std::string>& texts) {
        const int32_t ins = static_cast<int32_t>(texts[0].size());
        const int32_t n = static_cast<int32_t>(positions.size());
        // From the line of the byte before the change to the line of the third byte after
        // it: a cut depends on the three bytes before it and the byte after it.
        int32_t first_line = line_of(std::max(positions.front() - 1, 0));
        int32_t last_line = line_of(positions.back() + del + 2);
        bool to_end = last_line + 1 >= static_cast<int32_t>(starts.size());
        int32_t old_end = to_end ? static_cast<int32_t>(text.size()) : starts[last_line + 1];
        // Apply the text changes one at a time, each position shifted by those before it.
        for (int32_t i = 0; i < n; ++i) {
            int32_t at = positions[i] + i * (ins - del);
            text.replace(static_cast<size_t>(at), static_cast<size_t>(del),
                         texts.size() == 1 ? texts[0] : texts[i]);
            for (int32_t& a : anchors) {
                int32_t f = ins - del;
                if (a > at) a = f >= 0 ? a + f : std::max(at, a + f);
            }
        }
        const int32_t delta = (ins - del) * n;
        for (size_t i = last_line + 1; i < starts.size(); ++i) starts[i] += delta;
        auto b = breaks(text, starts[first_line], old_end + delta, to_end);
        starts.erase(starts.begin() + first_line + 1, starts.begin() + last_line + 1);
        starts.insert(starts.begin() + first_line + 1, b.begin(), b.end());
    }

    void append(std::string_view bytes) {
        int32_t last = static_cast<int32_t>(starts.size()) - 1;
        text.append(bytes);
        starts.resize(last + 1);
        auto b = breaks(text, starts[last], static_cast<int32_t>(text.size()), true);
        starts.insert(starts.end(), b.begin(), b.end());
    }
};

}  // namespace tessel::model
