// Goto Line.
#include "editor/goto_line.h"

#include <algorithm>
#include <limits>

#include "text/text_document.h"

namespace tessel {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string goto_line_preset(const TextDocument& document) {
    const TextPos caret = std::clamp(document.caret(), 0, document.length());
    return std::to_string(document.index().line_of(caret));
}

bool parse_line_number(std::string_view field, int64_t* value) {
    size_t i = 0;
    while (i < field.size() && is_blank(field[i])) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    const size_t digits = i;
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t v = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        const int d = field[i] - '0';
        v = v > (kMax - d) / 10 ? kMax : v * 10 + d;
    }
    if (i == digits) return false;
    while (i < field.size() && is_blank(field[i])) ++i;
    if (i != field.size()) return false;
    *value = negative ? -v : v;
    return true;
}

bool goto_line(TextDocument& document, std::string_view field) {
    int64_t line = 0;
    if (!parse_line_number(field, &line)) return false;
    const int64_t last = std::max(document.index().line_count() - 1, 0);
    line = std::clamp<int64_t>(line, 0, last);
    document.set_caret(document.index().line_start(static_cast<int32_t>(line)));
    return true;
}

}  // namespace tessel
