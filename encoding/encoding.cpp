// The encoding list with its names.
#include "encoding/encoding.h"

#include "encoding/code_page_tables.h"
#include "foundation/ascii.h"

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
    "Unicode (UTF-8 with BOM)",
    "Unicode (UTF-16 little endian)",
    "Unicode (UTF-16 little endian with BOM)",
    "Unicode (UTF-16 big endian)",
    "Unicode (UTF-16 big endian with BOM)",
};


std::vector<std::string> build_display_names() {
    std::vector<std::string> names;
    names.reserve(kEncodingCount);
    names.push_back(std::string(kCodePages[0].group) + " (" + kCodePages[0].name + ")");
    for (const char* name : kUnicodeDisplayNames) names.emplace_back(name);
    for (int32_t k = 1; k < kCodePageCount; ++k)
        names.push_back(std::string(kCodePages[k].group) + " (" + kCodePages[k].name + ")");
    return names;
}

}  // namespace

int32_t code_page_index(EncodingId id) {
    if (id == kEncodingLatin1) return 0;
    if (id >= 7 && id < kEncodingCount) return id - 6;
    return -1;
}

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

bool keeps_stray_bytes(EncodingId id, EncodingId source) {
    auto family = [](EncodingId e) {
        e = strip_bom_variant(e);
        return e == kEncodingUnspecified ? kEncodingUtf8 : e;
    };
    id = family(id);
    return id == family(source) && (id == kEncodingUtf8 || is_code_page(id));
}

bool keeps_lone_surrogates(EncodingId id, EncodingId source) {
    auto utf16 = [](EncodingId e) { return e >= kEncodingUtf16Le && e <= kEncodingUtf16BeBom; };
    return utf16(id) && utf16(source);
}

EncodingId strip_bom_variant(EncodingId id) {
    if (id == kEncodingUtf8Bom || id == kEncodingUtf16LeBom || id == kEncodingUtf16BeBom)
        return id - 1;
    return id;
}

int64_t encoded_size(EncodingId id, int64_t utf8_bytes, int64_t characters, int64_t above_bmp) {
    switch (id) {
    case kEncodingUtf8: return utf8_bytes;
    case kEncodingUtf8Bom: return utf8_bytes + 3;
    case kEncodingUtf16Le:
    case kEncodingUtf16Be: return 2 * (characters + above_bmp);
    case kEncodingUtf16LeBom:
    case kEncodingUtf16BeBom: return 2 + 2 * (characters + above_bmp);
    default: return is_code_page(id) ? characters : utf8_bytes;
    }
}

}  // namespace tessel
