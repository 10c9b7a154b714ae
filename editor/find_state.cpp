// Seeding the find pattern from the selection.
#include "editor/find_state.h"

#include <algorithm>

#include "foundation/arena.h"
#include "text/text_document.h"

namespace tessel {

bool seed_find_text(FindState& state, TextDocument& document) {
    if (!document.has_selection()) return false;
    const TextPos first = std::min(document.selection_anchor(), document.caret());
    const TextPos last = std::max(document.selection_anchor(), document.caret()) - 1;
    const LineIndex& index = document.index();
    if (index.line_of(first) != index.line_of(last)) return false;
    TextPos end = std::min(last, first + FindState::kSeedBytes - 1) + 1;  // exclusive
    if (end <= last) {
        // A cut inside a multi-byte character would leave a pattern the dialog's field
        // cannot show and that matches no whole character; keep whole characters only.
        TextPos back = end;
        TextStore& store = document.store();
        while (back > first && (static_cast<unsigned char>(store.byte_at(back)) & 0xC0) == 0x80)
            --back;
        if (back > first) end = back;
    }
    HeapArena arena(256);
    const char* bytes = document.store().copy_range(arena, first, end - 1);
    state.find_text.clear();
    state.find_text.append(std::string_view(bytes, static_cast<size_t>(end - first)));
    return true;
}

}  // namespace tessel
