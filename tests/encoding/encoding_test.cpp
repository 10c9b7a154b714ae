// The encoding list and its names, the single-byte codec's conversion rules, and the checks
// for characters a code page cannot hold (against glibc iconv on a multi-piece text).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "encoding/code_page_tables.h"
#include "encoding/codecs.h"
#include "encoding/encoding.h"
#include "foundation/arena.h"
#include "tests/encoding/iconv_reference.h"
#include "text/text_store.h"

namespace tessel {
namespace {

using reference::iconv_convert;
using reference::utf8_of;

std::string decode_all(EncodingId id, std::string_view bytes) {
    auto codec = make_codec(id);
    std::string_view out;
    EXPECT_EQ(codec->decode(nullptr, bytes.data(), bytes.size(), &out, true), bytes.size());
    return std::string(out);
}

TEST(EncodingNames, ListAndLookups) {
    const std::vector<std::string>& names = encoding_display_names();
    ASSERT_EQ(names.size(), 31u);
    EXPECT_EQ(names[0], "Western (iso-8859-1)");
    EXPECT_EQ(names[2], "Unicode (UTF-8 with BOM)");
    EXPECT_EQ(names[6], "Unicode (UTF-16 big endian with BOM)");
    EXPECT_EQ(names[7], "Western (windows-1252)");
    EXPECT_EQ(names[20], "Greek (iso-8859-7)");
    EXPECT_EQ(names[25], "Romanian (iso-8859-16)");
    EXPECT_EQ(names[30], "Western (iso-8859-15)");

    EXPECT_EQ(encoding_from_name("UTF-8"), 1);
    EXPECT_EQ(encoding_from_name("WINDOWS-1252"), 7);
    EXPECT_EQ(encoding_from_name("Iso-8859-1"), 0);
    EXPECT_EQ(encoding_from_name("utf-16"), -1);
    EXPECT_EQ(encoding_from_name(""), -1);
    EXPECT_EQ(encoding_from_name("utf-8 "), -1);
    EXPECT_EQ(encoding_from_name("latin1"), -1);

    EXPECT_EQ(declaration_name(-1), "");
    EXPECT_EQ(declaration_name(2), "utf-8");
    EXPECT_EQ(declaration_name(6), "utf-16");
    EXPECT_EQ(declaration_name(30), "iso-8859-15");
    // Every code page's declaration name finds it again and ends its display text.
    for (EncodingId id = 0; id < kEncodingCount; ++id) {
        if (!is_code_page(id)) continue;
        std::string name(declaration_name(id));
        EXPECT_EQ(encoding_from_name(name), id) << name;
        EXPECT_TRUE(names[id].ends_with(" (" + name + ")")) << names[id];
    }

    EXPECT_EQ(strip_bom_variant(2), 1);
    EXPECT_EQ(strip_bom_variant(4), 3);
    EXPECT_EQ(strip_bom_variant(6), 5);
    for (EncodingId id : {-1, 0, 1, 3, 5, 7, 30}) EXPECT_EQ(strip_bom_variant(id), id);
}

TEST(EncodingNames, CodecsAndMarks) {
    const std::pair<EncodingId, std::string_view> marks[] = {
        {-1, ""},        {0, ""}, {1, ""},  {2, "\xEF\xBB\xBF"}, {3, ""}, {4, "\xFF\xFE"}, {5, ""},
        {6, "\xFE\xFF"}, {7, ""}, {30, ""},
    };
    for (auto [id, mark] : marks) {
        auto codec = make_codec(id);
        ASSERT_TRUE(codec) << id;
        char buffer[3];
        EXPECT_EQ(std::string_view(buffer, codec->write_bom(buffer)), mark) << id;
    }
    EXPECT_FALSE(make_codec(31));
    // The UTF-8 pass-through hands back the caller's bytes, unchecked.
    const char bytes[] = "a\xFF\xC3";
    std::string_view out;
    EXPECT_EQ(make_codec(1)->decode(nullptr, bytes, 3, &out), 3u);
    EXPECT_EQ(out.data(), bytes);
    EXPECT_EQ(make_codec(2)->encode(nullptr, bytes, 3, &out), 3u);
    EXPECT_EQ(out.data(), bytes);
}

TEST(SingleByteCodec, DecodeRules) {
    EXPECT_EQ(decode_all(7, "\x80"), "\xE2\x82\xAC");
    // An undefined byte is kept as a stray byte, not turned into a NUL.
    EXPECT_EQ(decode_all(7, "\x81"), "\x81");
    EXPECT_EQ(decode_all(7, std::string_view("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(decode_all(18, "\xF0\xD2\xC9\xD7\xC5\xD4!"), "Привет!");  // koi8-r
    // Output comes from the arena once per block: 4 bytes per input byte.
    HugeArena arena;
    auto codec = make_codec(7);
    std::string block(1000, '\x80');
    uint32_t before = arena.used();
    std::string_view out;
    codec->decode(&arena, block.data(), block.size(), &out);
    EXPECT_EQ(arena.used() - before, 4000u);
    EXPECT_EQ(out.size(), 3000u);
}

TEST(SingleByteCodec, EncodeRules) {
    auto latin1 = make_codec(0);
    auto cp1252 = make_codec(7);
    std::string_view out;
    // A character without a byte is dropped; the euro has one in windows-1252.
    std::string text =
        "a\xE2\x82\xAC"
        "b\xC3\xA9";
    EXPECT_EQ(latin1->encode(nullptr, text.data(), text.size(), &out), text.size());
    EXPECT_EQ(out, "ab\xE9");
    EXPECT_EQ(cp1252->encode(nullptr, text.data(), text.size(), &out), text.size());
    EXPECT_EQ(out,
              "a\x80"
              "b\xE9");
    // A NUL in the text is the byte 0x00 in every code page, so a file's NUL survives a save.
    EXPECT_EQ(cp1252->encode(nullptr, "\0", 1, &out), 1u);
    EXPECT_EQ(out, std::string_view("\0", 1));
    // A four-byte sequence cut by the block's end is left for the next block, whole.
    std::string cut = "ab\xF0\x9F\x98";
    EXPECT_EQ(cp1252->encode(nullptr, cut.data(), cut.size(), &out), 2u);
    EXPECT_EQ(out, "ab");
    // At the very end it is dropped like a character without a byte.
    EXPECT_EQ(cp1252->encode(nullptr, cut.data(), cut.size(), &out, true), cut.size());
    EXPECT_EQ(out, "ab");
    // Stray bytes are dropped; a lead byte without its continuation bytes (a Latin-1 "é"
    // read as UTF-8, a lead before a NUL) takes nothing after it along.
    std::string stray("x\x80y\xE2\0z\xE9t\xC3", 9);
    EXPECT_EQ(cp1252->encode(nullptr, stray.data(), stray.size(), &out, true), stray.size());
    EXPECT_EQ(out, std::string_view("xy\0zt", 5));
    // A stray byte that stands for an undefined byte of the code page is that byte again.
    EXPECT_EQ(cp1252->encode(nullptr, "\x81\x9D", 2, &out, true), 2u);
    EXPECT_EQ(out, "\x81\x9D");
    EXPECT_EQ(latin1->encode(nullptr, "\x81", 1, &out, true), 1u);
    EXPECT_EQ(out, "");
}

// A text of several pieces with characters windows-1252 lacks placed on piece and window
// boundaries, checked character by character against iconv.
TEST(SingleByteCodec, UnencodableCharactersAgreeWithIconv) {
    std::mt19937 rng(7);
    const char32_t alphabet[] = {'a', ' ', '\n', 0xE9, 0x20AC, 0x0416, 0x1F600, 0x4E2D, 0x152};
    std::string text;
    while (text.size() < 2'100'000) {
        // Mostly ASCII, so that the windows of 1 024 bytes are cut inside characters.
        char32_t c = rng() % 64 ? alphabet[rng() % 3] : alphabet[rng() % std::size(alphabet)];
        text += utf8_of(c);
        if (text.size() > 999'990 && text.size() < 1'000'000) text += utf8_of(0x1F600);
        if (text.size() > 1019 && text.size() < 1024) text += utf8_of(0x4E2D);
    }
    TextStore store;
    store.set_text(text);
    ASSERT_GT(store.piece_count(), 2);

    EncodingLoss expected;
    for (size_t at = 0; at < text.size();) {
        size_t n = 1;
        while (at + n < text.size() && (text[at + n] & 0xC0) == 0x80) ++n;
        if (!iconv_convert("UTF-8", "WINDOWS-1252", text.substr(at, n))) {
            if (expected.count++ == 0) expected.first = static_cast<int64_t>(at);
        }
        at += n;
    }
    ASSERT_GT(expected.count, 100);
    EncodingLoss loss = find_unencodable(7, store);
    EXPECT_EQ(loss.count, expected.count);
    EXPECT_EQ(loss.first, expected.first);
    EXPECT_FALSE(can_encode(7, store));
    for (EncodingId id = 1; id <= 6; ++id) EXPECT_TRUE(can_encode(id, store));
    EXPECT_EQ(find_unencodable(3, store).count, 0);

    store.set_text(std::string(5000, 'x') + "\xE2\x82\xAC");
    EXPECT_FALSE(can_encode(0, store));
    EXPECT_TRUE(can_encode(7, store));
    EXPECT_EQ(find_unencodable(0, store).first, 5000);
    store.set_text("plain ASCII\n");
    EXPECT_TRUE(can_encode(0, store));
    EXPECT_EQ(find_unencodable(0, store).first, -1);
    // Bytes that a save would drop are counted too: a stray byte and the two bytes of a cut
    // final sequence, which are strays as nothing follows them.
    store.set_text("a\x80z\xF0\x9F");
    EncodingLoss broken = find_unencodable(7, store);
    EXPECT_EQ(broken.count, 3);
    EXPECT_EQ(broken.first, 1);
    store.set_text("\xE9t\xE9");
    EXPECT_EQ(find_unencodable(7, store).count, 2);
}

// Converts input in blocks of 1 to 40 bytes, passing what each call leaves in front of the
// next block, as loading and saving do.
std::string in_blocks(Codec& codec, bool encode, std::string_view input, std::mt19937& rng) {
    std::string result, pending;
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(1 + rng() % 40, input.size() - at);
        pending.append(input.substr(at, n));
        at += n;
        const bool last = at == input.size();
        std::string_view out;
        const size_t used = encode
                                ? codec.encode(nullptr, pending.data(), pending.size(), &out, last)
                                : codec.decode(nullptr, pending.data(), pending.size(), &out, last);
        result.append(out);
        pending.erase(0, used);
    } while (at < input.size());
    EXPECT_TRUE(pending.empty());
    return result;
}

// Undefined bytes are read as stray bytes and written back as they were: any bytes come back
// from a decode and an encode, in blocks cut anywhere, and the text holds exactly one byte
// that glibc does not take as UTF-8 per undefined byte. Runs of undefined bytes are the point:
// in seven code pages an undefined byte of 0xC0-0xF7 would join the undefined bytes of
// 0x80-0xBF after it into a character if it stood for itself.
TEST(SingleByteCodec, UndefinedBytesAreStrayBytesThatComeBackUnchanged) {
    std::mt19937 rng(12);
    int code_pages_with_lead_bytes_undefined = 0;
    for (EncodingId id = 0; id < kEncodingCount; ++id) {
        if (!is_code_page(id)) continue;
        SCOPED_TRACE(declaration_name(id));
        const int32_t* table = kCodePageTables[id == 0 ? 0 : id - 6];
        std::vector<char> undefined, defined;
        for (int b = 0x80; b < 0x100; ++b)
            (table[b] == 0 ? undefined : defined).push_back(static_cast<char>(b));
        code_pages_with_lead_bytes_undefined +=
            std::any_of(undefined.begin(), undefined.end(),
                        [](char b) { return (b & 0xE0) == 0xC0 || (b & 0xF0) == 0xE0; });
        auto codec = make_codec(id);
        for (int round = 0; round < 30; ++round) {
            std::string bytes;
            int strays = 0;
            for (int i = 0; i < 200; ++i) {
                const unsigned pick = rng() % 8;
                if (pick < 5 && !undefined.empty()) {
                    bytes += undefined[rng() % undefined.size()];
                    ++strays;
                } else if (pick < 7) {
                    bytes += defined[rng() % defined.size()];
                } else {
                    bytes += "<a\n\0"[rng() % 4];
                }
            }
            const std::string text = in_blocks(*codec, false, bytes, rng);
            ASSERT_EQ(reference::invalid_utf8_bytes(text), strays) << round;
            ASSERT_EQ(in_blocks(*codec, true, text, rng), bytes) << round;
        }
    }
    EXPECT_EQ(code_pages_with_lead_bytes_undefined, 7);
}

// A stray byte goes back as it was read only into the encoding the text was read in: there it
// is the same byte again; any other encoding would write something else or nothing.
TEST(SingleByteCodec, StrayBytesAreKeptOnlyByTheEncodingTheyWereReadIn) {
    TextStore store;
    store.set_text("a" + decode_all(7, "\x81") + "b");
    EXPECT_TRUE(can_encode(7, store, 7));
    EXPECT_TRUE(can_encode(7, store));
    // windows-1250 leaves 0x81 undefined too, yet it is not the byte the text was read from.
    for (EncodingId other : {0, 15, 1, 2, 3, 4, 5, 6}) {
        const EncodingLoss loss = find_unencodable(other, store, 7);
        EXPECT_EQ(loss.count, 1) << other;
        EXPECT_EQ(loss.first, 1) << other;
        EXPECT_FALSE(can_encode(other, store, 7)) << other;
    }
    // Read as UTF-8, a byte that is not UTF-8 goes back into UTF-8 (with or without the mark)
    // as it is; UTF-16 has no unit for it, and in a code page it would be some other byte.
    EXPECT_TRUE(can_encode(1, store, 1));
    EXPECT_TRUE(can_encode(2, store, 1));
    EXPECT_TRUE(can_encode(1, store, 2));
    EXPECT_FALSE(can_encode(3, store, 3));
    EXPECT_FALSE(can_encode(7, store, 1));
    EXPECT_EQ(find_unencodable(4, store, 1).first, 1);
    // A text without stray bytes is held by every Unicode encoding whatever it was read in.
    store.set_text("plain \xE2\x82\xAC text");
    for (EncodingId id = 1; id <= 6; ++id) EXPECT_TRUE(can_encode(id, store, 7)) << id;
}

}  // namespace
}  // namespace tessel
