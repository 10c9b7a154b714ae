// The codec of each encoding, and what a save in an encoding would lose of a text.
#pragma once

#include <memory>

#include "encoding/encoding.h"

namespace tessel {

class TextStore;

// A new codec for id; null for an id outside the list, or when memory is short.
std::unique_ptr<Codec> make_codec(EncodingId id);

// What a save in encoding id would not write back as it is: the characters id has no byte
// for, and the stray bytes of the text (bytes that are not UTF-8, as a file's undefined or
// malformed bytes are read) unless id keeps them (keeps_stray_bytes). source is the encoding
// the text was read in: stray bytes stand for bytes of that encoding only.
EncodingLoss find_unencodable(EncodingId id, const TextStore& text, EncodingId source);
// Whether a save in id writes the whole text back: find_unencodable finds nothing.
bool can_encode(EncodingId id, const TextStore& text, EncodingId source);
// The same for a text read in id itself.
inline EncodingLoss find_unencodable(EncodingId id, const TextStore& text) {
    return find_unencodable(id, text, id);
}
inline bool can_encode(EncodingId id, const TextStore& text) {
    return can_encode(id, text, id);
}

}  // namespace tessel
