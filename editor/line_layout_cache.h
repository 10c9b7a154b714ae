// LineLayoutCache: the layouts of the index lines the view has shown lately, at most 150.
// A layout is kept under its index line's number with the bytes and start state it was built
// from, and is rebuilt when either differs: whatever changed the text (typing, undo, Replace
// All, a load) or the colouring state, no stale line is shown, and lines whose bytes and
// number an edit left alone keep their layouts.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "editor/line_layout.h"
#include "text/text_document.h"

namespace tessel {

class LineLayoutCache {
public:
    static constexpr size_t kCapacity = 150;

    // The layout of index line `line` (0 <= line < line_count). The reference stays valid
    // until the next call.
    const LineLayout& layout(TextDocument& document, int32_t line, LayoutContext& context);
    // Drops every layout: the fonts, the tab size or the automaton changed.
    void clear() { layouts_.clear(); }
    size_t size() const { return layouts_.size(); }
    int64_t builds() const { return builds_; }  // layouts built, for tests

private:
    std::unordered_map<int32_t, LineLayout> layouts_;
    std::string bytes_;
    int64_t builds_ = 0;
};

// The bytes of index line `line` with its terminator, without a copy when they lie in one
// piece of the store; scratch holds them otherwise.
std::string_view index_line_bytes(TextDocument& document, int32_t line, std::string& scratch);

}  // namespace tessel
