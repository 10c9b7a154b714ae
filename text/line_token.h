// LineToken: one coloured stretch of a line, as the lexical automata hand them to the view,
// and the two styles every automaton gives alike (special_characters.h).
#pragma once

#include <cstdint>

namespace tessel {

// Byte offsets within the line (inclusive) and a style, which is an index into the
// automaton's colour table, or one of the two special styles.
struct LineToken {
    int32_t first;
    int32_t last;
    int16_t style;
};
inline constexpr int16_t kStyleUndecodableByte = -1;  // one byte that starts no UTF-8 character
inline constexpr int16_t kStyleControlCharacter = -2;  // one control character, shown by name

}  // namespace tessel
