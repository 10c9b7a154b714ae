// FindState: the pattern, replacement and options shared by the Find and Replace dialogs of
// one editor, and the seeding of the pattern from the selection when a dialog opens.
#pragma once

#include <cstdint>

#include "foundation/string_builder.h"

namespace tessel {

class TextDocument;

struct FindState {
    // Directions and scopes as the dialogs' radio buttons give them.
    static constexpr int32_t kUp = 0;
    static constexpr int32_t kDown = 1;
    static constexpr int32_t kSelection = 0;
    static constexpr int32_t kWholeFile = 1;
    // A selection longer than this is cut when it seeds the pattern.
    static constexpr int32_t kSeedBytes = 101;

    StringBuilder find_text;
    StringBuilder replace_text;
    bool whole_word = false;
    bool match_case = false;
    int32_t direction = kUp;
    int32_t scope = kSelection;  // Replace All only
};

// Copies the selection into find_text when it lies within one index line, at most
// kSeedBytes of it (cut back to the last whole UTF-8 character). Returns whether it did.
bool seed_find_text(FindState& state, TextDocument& document);

}  // namespace tessel
