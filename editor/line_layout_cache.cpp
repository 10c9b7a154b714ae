// LineLayoutCache: reuse while bytes and state match, rebuild in place, empty when full.
#include "editor/line_layout_cache.h"

namespace tessel {

std::string_view index_line_bytes(TextDocument& document, int32_t line, std::string& scratch) {
    const TextPos first = document.index().line_start(line);
    const TextPos end = document.index().line_start(line + 1);
    if (end <= first) return {};
    if (const char* p = document.store().range_ptr(first, end - 1))
        return std::string_view(p, static_cast<size_t>(end - first));
    scratch = document.store().substr(first, end - first);
    return scratch;
}

const LineLayout& LineLayoutCache::layout(TextDocument& document, int32_t line,
                                          LayoutContext& context) {
    const std::string_view bytes = index_line_bytes(document, line, bytes_);
    const uint8_t state = document.index().scan(line).state;
    auto it = layouts_.find(line);
    if (it != layouts_.end() && it->second.matches(bytes, state)) return it->second;
    if (it == layouts_.end()) {
        if (layouts_.size() >= kCapacity) layouts_.clear();
        it = layouts_.try_emplace(line).first;
    }
    ++builds_;
    it->second.build(bytes, state, context);
    return it->second;
}

}  // namespace tessel
