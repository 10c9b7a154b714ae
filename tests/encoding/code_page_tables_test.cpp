// The 25 code-page tables and SingleByteCodec against glibc iconv: all 256 bytes decoded (the
// undefined ones as stray bytes), and every defined code point encoded back to its byte.
#include <gtest/gtest.h>

#include <string>

#include "encoding/code_page_tables.h"
#include "encoding/codecs.h"
#include "encoding/encoding.h"
#include "foundation/arena.h"
#include "tests/encoding/iconv_reference.h"

namespace tessel {
namespace {

using reference::GlibcName;
using reference::iconv_convert;
using reference::kGlibcNames;
using reference::utf8_of;

// Bytes where glibc and the published mapping tables disagree; the tables follow the
// published mapping. glibc 2.36 agrees with every one of the 25 tables, so the list is empty;
// a glibc that differs must show up here, not pass silently.
struct KnownDifference {
    EncodingId id;
    int byte;
};
const KnownDifference kKnownDifferences[] = {{-1, -1}};

bool known_difference(EncodingId id, int byte) {
    for (const KnownDifference& d : kKnownDifferences)
        if (d.id == id && d.byte == byte) return true;
    return false;
}

const int32_t* table_of(EncodingId id) {
    return kCodePageTables[id == 0 ? 0 : id - 6];
}

TEST(CodePageTables, EveryByteDecodesAsGlibcDoes) {
    ASSERT_EQ(std::size(kGlibcNames), static_cast<size_t>(kCodePageCount));
    for (const GlibcName& page : kGlibcNames) {
        SCOPED_TRACE(page.name);
        ASSERT_TRUE(is_code_page(page.id));
        auto codec = make_codec(page.id);
        const int32_t* table = table_of(page.id);
        int undefined = 0;
        for (int b = 0; b < 256; ++b) {
            if (known_difference(page.id, b)) continue;
            const char byte = static_cast<char>(b);
            std::optional<std::string> theirs = iconv_convert(page.name, "UTF-8", {&byte, 1});
            std::string_view ours;
            ASSERT_EQ(codec->decode(nullptr, &byte, 1, &ours), 1u);
            if (theirs) {
                EXPECT_EQ(ours, *theirs) << "byte " << b;
                EXPECT_EQ(utf8_of(static_cast<char32_t>(table[b])), *theirs) << "byte " << b;
            } else {
                // A byte glibc does not read either is a single stray byte of the text: one
                // byte that is not UTF-8.
                ++undefined;
                EXPECT_EQ(table[b], 0) << "byte " << b;
                EXPECT_EQ(ours.size(), 1u) << "byte " << b;
                EXPECT_EQ(reference::invalid_utf8_bytes(ours), 1) << "byte " << b;
            }
        }
        if (page.id == 0) {
            EXPECT_EQ(undefined, 0);
        } else if (page.id == 7) {
            EXPECT_EQ(undefined, 5);
        }
    }
}

TEST(CodePageTables, EveryDefinedCodePointEncodesToItsByte) {
    for (const GlibcName& page : kGlibcNames) {
        SCOPED_TRACE(page.name);
        auto codec = make_codec(page.id);
        const int32_t* table = table_of(page.id);
        std::string all_defined, their_bytes;
        for (int b = 1; b < 256; ++b) {
            if (table[b] == 0) continue;
            std::string text = utf8_of(static_cast<char32_t>(table[b]));
            all_defined += text;
            their_bytes += static_cast<char>(b);
            std::optional<std::string> theirs = iconv_convert("UTF-8", page.name, text);
            if (!known_difference(page.id, b)) {
                EXPECT_EQ(theirs, std::string(1, static_cast<char>(b))) << "byte " << b;
            }
        }
        // All in one block, through an arena, as a save does.
        LargeArena arena;
        std::string_view ours;
        EXPECT_EQ(codec->encode(&arena, all_defined.data(), all_defined.size(), &ours, true),
                  all_defined.size());
        EXPECT_EQ(ours, their_bytes);
    }
}

TEST(CodePageTables, BytesAndCodePointsFromThePublishedTables) {
    EXPECT_EQ(table_of(7)[0x80], 0x20AC);
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(table_of(7)[b], 0);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(table_of(0)[b], b);
    EXPECT_EQ(table_of(18)[0xC1], 0x0430);  // koi8-r: Cyrillic a
    EXPECT_EQ(table_of(19)[0xAD], 0x0491);  // koi8-u: ghe with upturn
    EXPECT_EQ(table_of(30)[0xA4], 0x20AC);  // iso-8859-15: euro sign
    for (int k = 0; k < kCodePageCount; ++k)
        for (int b = 0; b < 128; ++b) EXPECT_EQ(kCodePageTables[k][b], b);
}

}  // namespace
}  // namespace tessel
