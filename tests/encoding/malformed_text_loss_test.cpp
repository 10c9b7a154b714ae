// What a save loses of text that is not well-formed UTF-8: overlong forms, encoded surrogates
// and code points beyond U+10FFFF count as stray bytes (as glibc's decoder rejects them), a
// UTF-16 file's lone surrogates go back only into UTF-16, and the odd last byte of a UTF-16
// file is counted; and where a rewrite finds the declaration.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "encoding/codecs.h"
#include "encoding/encoding.h"
#include "encoding/xml_declaration.h"
#include "tests/encoding/iconv_reference.h"
#include "text/text_store.h"

namespace tessel {
namespace {

constexpr EncodingId kWindows1252 = 7;

std::string decode_all(EncodingId id, std::string_view bytes, int64_t* replaced = nullptr) {
    auto codec = make_codec(id);
    std::string_view out;
    EXPECT_EQ(codec->decode(nullptr, bytes.data(), bytes.size(), &out, true), bytes.size());
    if (replaced) *replaced = codec->replaced_bytes();
    return std::string(out);
}

// The offset of the first byte glibc rejects (where its conversion stops), -1 for none.
int64_t first_invalid(std::string_view text) {
    iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    std::string out(text.size() * 4 + 4, '\0');
    char* o = out.data();
    size_t out_left = out.size();
    const bool ok = iconv(cd, &in, &in_left, &o, &out_left) != static_cast<size_t>(-1);
    iconv_close(cd);
    return ok ? -1 : in - text.data();
}

TEST(MalformedTextLoss, EveryStrayByteIsALossOutsideUtf8) {
    TextStore store;
    // The reproducer: as windows-1252 it would read <a><b>injected</b></a>.
    store.set_text("<a>\xc0\xbc" "b\xc0\xbeinjected\xc0\xbc/b\xc0\xbe</a>");
    EXPECT_EQ(find_unencodable(kWindows1252, store, kEncodingUtf8).count, 8);
    EXPECT_EQ(find_unencodable(kWindows1252, store, kEncodingUtf8).first, 3);
    EXPECT_TRUE(can_encode(kEncodingUtf8, store, kEncodingUtf8));  // kept byte for byte
    store.set_text("<a>\xed\xa0\x80</a>");
    EXPECT_EQ(find_unencodable(kEncodingUtf16Le, store, kEncodingUtf8).count, 3);
    store.set_text("<a>\xf4\x90\x80\x80</a>");
    EXPECT_EQ(find_unencodable(kEncodingUtf16Le, store, kEncodingUtf8).count, 4);

    // Random hostile text: outside UTF-8, the loss is every byte glibc rejects.
    std::mt19937 rng(2);
    static const uint8_t kBytes[] = {0xC0, 0xC1, 0xC3, 0xE0, 0xE2, 0xED, 0xF0, 0xF4, 0xF5,
                                     0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xA9, 0xBC, 0xBF, '<', 'x'};
    for (int round = 0; round < 1500; ++round) {
        std::string text;
        for (size_t i = 0, n = 1 + rng() % 10; i < n; ++i)
            text += static_cast<char>(kBytes[rng() % std::size(kBytes)]);
        store.set_text(text);
        const EncodingLoss loss = find_unencodable(kEncodingUtf16Be, store, kEncodingUtf8);
        ASSERT_EQ(loss.count, reference::invalid_utf8_bytes(text)) << testing::PrintToString(text);
        ASSERT_EQ(loss.first, first_invalid(text)) << testing::PrintToString(text);
        ASSERT_EQ(can_encode(kEncodingUtf8Bom, store, kEncodingUtf8), true);
    }
}

TEST(MalformedTextLoss, LoneSurrogatesGoBackOnlyIntoUtf16) {
    // Units: "<a>", a lone D800, "x", a lone DFFF, "</a>", little-endian.
    std::string units;
    for (uint16_t u : {0x3C, 0x61, 0x3E, 0xD800, 0x78, 0xDFFF, 0x3C, 0x2F, 0x61, 0x3E}) {
        units += static_cast<char>(u & 0xFF);
        units += static_cast<char>(u >> 8);
    }
    TextStore store;
    store.set_text(decode_all(kEncodingUtf16Le, units));
    for (EncodingId same : {kEncodingUtf16Le, kEncodingUtf16LeBom, kEncodingUtf16Be})
        EXPECT_TRUE(can_encode(same, store, kEncodingUtf16Le)) << same;
    // UTF-8 holds no surrogate: three stray bytes each, as ED A0 80 would be.
    EXPECT_EQ(find_unencodable(kEncodingUtf8, store, kEncodingUtf16Le).count, 6);
    EXPECT_EQ(find_unencodable(kEncodingUtf8, store, kEncodingUtf16Le).first, 3);
    EXPECT_EQ(find_unencodable(kWindows1252, store, kEncodingUtf16Le).count, 6);
    // Back into UTF-16 the units come back as they were.
    auto codec = make_codec(kEncodingUtf16Le);
    const std::string text = store.text();
    std::string_view out;
    EXPECT_EQ(codec->encode(nullptr, text.data(), text.size(), &out, true), text.size());
    EXPECT_EQ(out, units);
    // Cut anywhere in a surrogate's bytes, the block leaves them for the next one.
    const std::string lone = "a\xed\xa0\x80";
    for (size_t cut = 2; cut < lone.size(); ++cut) {
        EXPECT_EQ(codec->encode(nullptr, lone.data(), cut, &out, false), 1u) << cut;
        EXPECT_EQ(out, std::string_view("a\0", 2));
    }

    // An odd last byte cannot be kept in any form: it is counted.
    int64_t replaced = 0;
    EXPECT_EQ(decode_all(kEncodingUtf16Le, std::string("<\0a\0>\0", 6) + "!", &replaced),
              "<a>\xEF\xBF\xBD");
    EXPECT_EQ(replaced, 1);
    decode_all(kEncodingUtf16Le, std::string("<\0a\0", 4), &replaced);
    EXPECT_EQ(replaced, 0);
}

TEST(MalformedTextLoss, WhereTheDeclarationStands) {
    EXPECT_EQ(declaration_place("<a/>"), DeclarationPlace::none);
    EXPECT_EQ(declaration_place("<?xml-stylesheet href='s'?><a/>"), DeclarationPlace::none);
    EXPECT_EQ(declaration_place("<?xml version=\"1.0\"?>\n<a/>"), DeclarationPlace::at_start);
    EXPECT_EQ(declaration_place("<?xml encoding=\"iso-8859-1\"?><a/>"),
              DeclarationPlace::at_start);
    EXPECT_EQ(declaration_place("<?xml version=\"1.0\" <a/>"), DeclarationPlace::unclosed);
    EXPECT_EQ(declaration_place("<?xml version=\"1.0\" encoding=\"utf-8\""),
              DeclarationPlace::unclosed);
    EXPECT_EQ(declaration_place("\n<?xml version=\"1.0\"?><a/>"),
              DeclarationPlace::not_at_start);
    EXPECT_EQ(declaration_place("  \r\n<?xml version=\"1.0\"?><a/>"),
              DeclarationPlace::not_at_start);

    // A declaration without a version is replaced whole, not doubled.
    size_t old_length = 0;
    std::string text = "<?xml encoding=\"utf-8\" ?>\n<a>\xc3\xa9</a>";
    const std::string d = write_declaration(text, 0, &old_length);
    EXPECT_EQ(text.replace(0, old_length, d),
              "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<a>\xc3\xa9</a>");
}

}  // namespace
}  // namespace tessel
