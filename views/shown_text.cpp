// First lines and tooltips of values.
#include "views/shown_text.h"

#include "text/utf8_boundary.h"

namespace tessel {
namespace {

// The longest prefix of text of at most max bytes that ends between characters.
std::string_view cut_before_character(std::string_view text, size_t max) {
    if (text.size() <= max) return text;
    int32_t end = 0;
    while (end < static_cast<int32_t>(text.size())) {
        const int32_t next = next_char_boundary(text, end);
        if (next > static_cast<int32_t>(max)) break;
        end = next;
    }
    return text.substr(0, static_cast<size_t>(end));
}

bool all_blank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

ShownLine first_line_of(std::string_view value, size_t max_bytes) {
    ShownLine shown;
    std::string_view line = value;
    const size_t line_end = value.find_first_of("\r\n");
    if (line_end != std::string_view::npos) {
        line = value.substr(0, line_end);
        shown.cut = !all_blank(value.substr(line_end));
    }
    shown.text = cut_before_character(line, max_bytes);
    shown.cut = shown.cut || shown.text.size() < line.size();
    return shown;
}

std::string tooltip_text(std::string_view value, size_t max_bytes) {
    const std::string_view kept = cut_before_character(value, max_bytes);
    std::string text(kept);
    if (kept.size() < value.size()) text += kCutMark;
    return text;
}

}  // namespace tessel
