// Choosing the encoding of a file from its first block: byte-order marks, the zero bytes of
// UTF-16 text, the XML declaration, and how an encoding the user asked for combines with
// what the file shows.
#pragma once

#include <cstddef>

#include "encoding/encoding.h"

namespace tessel {

// What decided the detected encoding.
enum class DetectionReason { mark, zero_bytes, declaration, fallback };

struct DetectedEncoding {
    EncodingId id = kEncodingUtf8;
    DetectionReason reason = DetectionReason::fallback;
};

// FF FE: 4; FE FF: 6; EF BB BF: 2; a non-zero byte then a zero byte: 3; a zero byte then a
// non-zero byte: 5; else the declaration's encoding, else UTF-8 (1).
DetectedEncoding detect_encoding_why(const char* bytes, size_t count);
inline EncodingId detect_encoding(const char* bytes, size_t count) {
    return detect_encoding_why(bytes, count).id;
}

// The encoding a load uses: a file's mark always wins; otherwise what was requested (without
// a mark when the file has none); nothing requested: what was detected.
EncodingId resolve_encoding(EncodingId requested, EncodingId detected);

// The length of the byte-order mark that a file loaded as id starts with: 3 for 2, 2 for 4
// and 6, else 0.
size_t mark_length(EncodingId id);

}  // namespace tessel
