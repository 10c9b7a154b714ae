// The choice of codec, and the checks whether a text can be saved in an encoding without loss.
#include "encoding/codecs.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "encoding/code_page_tables.h"
#include "encoding/single_byte_codec.h"
#include "encoding/utf16_codec.h"
#include "encoding/utf8_codec.h"
#include "foundation/ascii.h"
#include "text/text_store.h"
#include "text/utf8_reader.h"

namespace tessel {

namespace {

// Finds the stray bytes of UTF-8 text (with last, also the bytes of a sequence cut by the
// end), as count_unencodable of the single-byte codec does for the characters a code page
// lacks; returns the bytes consumed. With surrogates_kept (UTF-16 saved as UTF-16) the three
// bytes of a lone surrogate are no loss: they go back as the unit they were read from.
size_t count_stray_bytes(const char* bytes, size_t count, bool last, int64_t base, bool first_only,
                         bool surrogates_kept, EncodingLoss* loss) {
    const uint8_t* const begin = reinterpret_cast<const uint8_t*>(bytes);
    const uint8_t* p = begin;
    const uint8_t* const end = p + count;
    while (p < end) {
        p += ascii_run(p, static_cast<size_t>(end - p));
        if (p == end) break;
        const size_t left = static_cast<size_t>(end - p);
        const Utf8Step step = read_utf8(p, left);
        if (step.kind == Utf8Step::kIncomplete && !last) break;
        if (step.kind == Utf8Step::kChar) {
            p += step.length;
            continue;
        }
        if (surrogates_kept) {
            if (!last && lone_surrogate_cut(p, left)) break;
            if (lone_surrogate_at(p, left)) {
                p += 3;
                continue;
            }
        }
        if (loss->count++ == 0) loss->first = base + (p - begin);
        if (first_only) break;
        ++p;
    }
    return static_cast<size_t>(p - begin);
}

// Walks the text in windows of 1 024 bytes, each starting where the previous one's
// characters ended, so that a sequence cut by a window's end is read whole from the next.
// The bytes come straight from the piece when the window lies in one, else from a copy.
// Stops early when first_only and something was found.
EncodingLoss scan_text(EncodingId id, const TextStore& text, EncodingId source, bool first_only) {
    EncodingLoss loss;
    const bool strays_kept = keeps_stray_bytes(id, source);
    const bool surrogates_kept = keeps_lone_surrogates(id, source);
    const int32_t index = code_page_index(id);
    // UTF-8 written as UTF-8 gives every byte back; UTF-16 lacks only stray bytes.
    if (index < 0 && strays_kept) return loss;
    std::unique_ptr<SingleByteCodec> codec;
    if (index >= 0) codec = std::make_unique<SingleByteCodec>(kCodePageTables[index]);
    constexpr int32_t kWindow = 1024;
    char copy[kWindow];
    const int32_t length = text.length();
    int32_t piece = 0;
    TextPos start = 0;
    while (start < length) {
        while (start >= text.piece(piece).start + text.piece(piece).length) ++piece;
        const int32_t size = std::min(kWindow, length - start);
        const Piece& p = text.piece(piece);
        const char* window = p.data + (start - p.start);
        if (start + size > p.start + p.length) {
            // Spans pieces: gather the window.
            int32_t filled = 0;
            for (int32_t k = piece; filled < size; ++k) {
                const Piece& q = text.piece(k);
                int32_t from = start + filled - q.start;
                int32_t n = std::min(size - filled, q.length - from);
                std::memcpy(copy + filled, q.data + from, static_cast<size_t>(n));
                filled += n;
            }
            window = copy;
        }
        const bool last = start + size == length;
        const size_t consumed =
            codec ? codec->count_unencodable(window, static_cast<size_t>(size), last, start,
                                             first_only, !strays_kept, &loss)
                  : count_stray_bytes(window, static_cast<size_t>(size), last, start, first_only,
                                      surrogates_kept, &loss);
        if (first_only && loss.count) break;
        start += static_cast<int32_t>(consumed);
    }
    return loss;
}

}  // namespace

std::unique_ptr<Codec> make_codec(EncodingId id) {
    switch (id) {
        case kEncodingUnspecified:
        case kEncodingUtf8:
            return std::unique_ptr<Codec>(new (std::nothrow) Utf8Codec(false));
        case kEncodingUtf8Bom:
            return std::unique_ptr<Codec>(new (std::nothrow) Utf8Codec(true));
        case kEncodingUtf16Le:
        case kEncodingUtf16LeBom:
        case kEncodingUtf16Be:
        case kEncodingUtf16BeBom:
            return std::unique_ptr<Codec>(new (std::nothrow) Utf16Codec(
                id >= kEncodingUtf16Be, id == kEncodingUtf16LeBom || id == kEncodingUtf16BeBom));
        default:
            break;
    }
    int32_t index = code_page_index(id);
    if (index < 0) return nullptr;  // not an encoding of the list
    try {
        return std::unique_ptr<Codec>(new SingleByteCodec(kCodePageTables[index]));
    } catch (const std::bad_alloc&) {
        return nullptr;  // the reverse map could not be had
    }
}

bool can_encode(EncodingId id, const TextStore& text, EncodingId source) {
    return scan_text(id, text, source, true).count == 0;
}

EncodingLoss find_unencodable(EncodingId id, const TextStore& text, EncodingId source) {
    return scan_text(id, text, source, false);
}

}  // namespace tessel
