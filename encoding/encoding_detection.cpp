// Detecting a file's encoding.
#include "encoding/encoding_detection.h"

#include <string_view>

#include "encoding/xml_declaration.h"

namespace tessel {

DetectedEncoding detect_encoding_why(const char* bytes, size_t count) {
    auto b = [bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (count > 1 && b(0) == 0xFF && b(1) == 0xFE)
        return {kEncodingUtf16LeBom, DetectionReason::mark};
    if (count > 1 && b(0) == 0xFE && b(1) == 0xFF)
        return {kEncodingUtf16BeBom, DetectionReason::mark};
    if (count > 2 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF)
        return {kEncodingUtf8Bom, DetectionReason::mark};
    if (count > 1 && b(0) != 0 && b(1) == 0) return {kEncodingUtf16Le, DetectionReason::zero_bytes};
    if (count > 1 && b(0) == 0 && b(1) != 0) return {kEncodingUtf16Be, DetectionReason::zero_bytes};
    const EncodingId declared = read_declaration({bytes, count}).encoding;
    if (declared != kEncodingUnspecified) return {declared, DetectionReason::declaration};
    return {kEncodingUtf8, DetectionReason::fallback};
}

EncodingId resolve_encoding(EncodingId requested, EncodingId detected) {
    if (requested == kEncodingUnspecified) return detected;
    if (detected == kEncodingUtf8Bom || detected == kEncodingUtf16LeBom ||
        detected == kEncodingUtf16BeBom)
        return detected;
    // The file has no mark, so a requested encoding with one would take the first bytes of
    // the text for a mark and skip them: the same encoding without the mark is used.
    return strip_bom_variant(requested);
}

size_t mark_length(EncodingId id) {
    switch (id) {
        case kEncodingUtf8Bom:
            return 3;
        case kEncodingUtf16LeBom:
        case kEncodingUtf16BeBom:
            return 2;
        default:
            return 0;
    }
}

}  // namespace tessel
