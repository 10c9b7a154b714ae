// The encoding list with its names, the choice of codec, and the checks whether a text can be
// saved in a single-byte code page without loss.
#include "encoding/encoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "foundation/ascii.h"
#include "encoding/code_page_tables.h"
#include "encoding/single_byte_codec.h"
#include "text/text_store.h"
#include "encoding/utf16_codec.h"
#include "encoding/utf8_codec.h"
#include "text/utf8_reader.h"

namespace tessel {

namespace {

struct CodePageName {
    const char* group;
    const char* name;
};

// Code-page list order, the same as the tables': index 0 is id 0, index k >= 1 is id k + 6.
constexpr std::array<CodePageName, kCodePageCount> kCodePages = {{
    {"Western", "iso-8859-1"},
    {"Western", "windows-1252"},
    {"Arabic", "windows-1256"},
    {"Arabic", "iso-8859-6"},
    {"Baltic", "iso-8859-4"},
    {"Baltic", "iso-8859-13"},
    {"Baltic", "windows-1257"},
    {"Celtic", "iso-8859-14"},
    {"Central European", "iso-8859-2"},
    {"Central European", "windows-1250"},
    {"Cyrillic", "iso-8859-5"},
    {"Cyrillic", "windows-1251"},
    {"Cyrillic", "koi8-r"},
    {"Cyrillic", "koi8-u"},
    {"Greek", "iso-8859-7"},
    {"Greek", "windows-1253"},
    {"Hebrew", "windows-1255"},
    {"Hebrew", "iso-8859-8"},
    {"Nordic", "iso-8859-10"},
    {"Romanian", "iso-8859-16"},
    {"South European", "iso-8859-3"},
    {"Thai", "windows-874"},
    {"Turkish", "windows-1254"},
    {"Vietnamese", "windows-1258"},
    {"Western", "iso-8859-15"},
}};

constexpr const char* kUnicodeDisplayNames[] = {
    "Unicode (UTF-8)",
    "Unicode (UTF-8  with BOM)",
    "Unicode (UTF-16 little endian)",
    "Unicode (UTF-16 little endian with BOM)",
    "Unicode (UTF-16 big endian)",
    "Unicode (UTF-16 big endian with BOM)",
};

// Code-page list index of a code-page id, -1 for any other id.
int32_t code_page_index(EncodingId id) {
    if (id == kEncodingLatin1) return 0;
    if (id >= 7 && id < kEncodingCount) return id - 6;
    return -1;
}

std::vector<std::string> build_display_names() {
    std::vector<std::string> names;
    names.reserve(kEncodingCount);
    names.push_back(std::string(kCodePages[0].group) + " (" + kCodePages[0].name + ")");
    for (const char* name : kUnicodeDisplayNames) names.emplace_back(name);
    for (int32_t k = 1; k < kCodePageCount; ++k)
        names.push_back(std::string(kCodePages[k].group) + " (" + kCodePages[k].name + ")");
    return names;
}

// Finds the stray bytes of UTF-8 text (with last, also the bytes of a sequence cut by the
// end), as count_unencodable of the single-byte codec does for the characters a code page
// lacks; returns the bytes consumed.
size_t count_stray_bytes(const char* bytes, size_t count, bool last, int64_t base, bool first_only,
                         EncodingLoss* loss) {
    const uint8_t* const begin = reinterpret_cast<const uint8_t*>(bytes);
    const uint8_t* p = begin;
    const uint8_t* const end = p + count;
    while (p < end) {
        p += ascii_run(p, static_cast<size_t>(end - p));
        if (p == end) break;
        const Utf8Step step = read_utf8(p, static_cast<size_t>(end - p));
        if (step.kind == Utf8Step::kIncomplete && !last) break;
        if (step.kind != Utf8Step::kChar) {
            if (loss->count++ == 0) loss->first = base + (p - begin);
            if (first_only) break;
        }
        p += step.kind == Utf8Step::kChar ? step.length : 1;
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
                                      &loss);
        if (first_only && loss.count) break;
        start += static_cast<int32_t>(consumed);
    }
    return loss;
}

}  // namespace

const std::vector<std::string>& encoding_display_names() {
    // Built on first use and never changed, so any thread may read it.
    static const std::vector<std::string> names = build_display_names();
    return names;
}

EncodingId encoding_from_name(std::string_view name) {
    if (equal_ignoring_ascii_case(name, "utf-8")) return kEncodingUtf8;
    for (int32_t k = 0; k < kCodePageCount; ++k)
        if (equal_ignoring_ascii_case(name, kCodePages[k].name)) return k == 0 ? 0 : k + 6;
    return kEncodingUnspecified;
}

std::string_view declaration_name(EncodingId id) {
    if (id == kEncodingUtf8 || id == kEncodingUtf8Bom) return "utf-8";
    if (id >= kEncodingUtf16Le && id <= kEncodingUtf16BeBom) return "utf-16";
    int32_t index = code_page_index(id);
    return index < 0 ? std::string_view() : kCodePages[index].name;
}

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

bool keeps_stray_bytes(EncodingId id, EncodingId source) {
    auto family = [](EncodingId e) {
        e = strip_bom_variant(e);
        return e == kEncodingUnspecified ? kEncodingUtf8 : e;
    };
    id = family(id);
    return id == family(source) && (id == kEncodingUtf8 || is_code_page(id));
}

EncodingId strip_bom_variant(EncodingId id) {
    if (id == kEncodingUtf8Bom || id == kEncodingUtf16LeBom || id == kEncodingUtf16BeBom)
        return id - 1;
    return id;
}

}  // namespace tessel
