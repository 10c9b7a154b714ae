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

inline bool ends_index_line(unsigned char c, int64_t length_so_far) {
    return c == '\n' || (length_so_far >= 2000 && c < 0x80 && c != '\r' && c != 0);
}

// Breaks after `from` up to `to` (and at `to` when include_end), scanning from a line start.
inline std::vector<int32_t> breaks(const std::string& s, int32_t from, int32_t to, bool include_end) {
    std::vector<int32_t> out;
    int32_t start = from;
    for (int32_t i = from; i < to; ++i) {
        if (ends_index_line(static_cast<unsigned char>(s[i]), i - start + 1)) {
            if (i + 1 < to || include_end) out.push_back(i + 1);
            start = i + 1;
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
        int32_t first_line = line_of(positions.front());
        int32_t last_line = line_of(positions.back() + del);
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
