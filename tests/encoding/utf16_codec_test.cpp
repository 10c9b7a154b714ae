// Utf16Codec against glibc iconv on a real document with characters beyond U+FFFF, cut into
// blocks at odd bytes and inside surrogate pairs, and the rules for units and bytes that
// form no character.
#include <gtest/gtest.h>

#include <string>

#include "encoding/codecs.h"
#include "encoding/encoding.h"
#include "foundation/arena.h"
#include "tests/encoding/iconv_reference.h"
#include "tests/file_contents.h"

namespace tessel {
namespace {

using reference::iconv_convert;

// Runs one direction over the input in blocks of `block` bytes, carrying what each call
// leaves unconsumed in front of the next block, as the loader and the saver do.
std::string in_blocks(Codec& codec, bool encode, std::string_view input, size_t block) {
    std::string result, pending;
    HugeArena arena;
    for (size_t at = 0; at < input.size() || !pending.empty();) {
        size_t n = std::min(block, input.size() - at);
        pending.append(input.substr(at, n));
        at += n;
        const bool last = at == input.size();
        std::string_view out;
        size_t used = encode ? codec.encode(&arena, pending.data(), pending.size(), &out, last)
                             : codec.decode(&arena, pending.data(), pending.size(), &out, last);
        result.append(out);
        pending.erase(0, used);
        arena.reset();
        if (last) {
            EXPECT_TRUE(pending.empty());
            break;
        }
    }
    return result;
}

std::string units(std::initializer_list<uint16_t> list, bool big_endian) {
    std::string s;
    for (uint16_t u : list) {
        s += static_cast<char>(big_endian ? u >> 8 : u & 0xFF);
        s += static_cast<char>(big_endian ? u & 0xFF : u >> 8);
    }
    return s;
}

constexpr const char* kSample = "/usr/share/mime/packages/freedesktop.org.xml";

std::string read_sample() {
    // Characters beyond U+FFFF, which the document lacks, and the ends of each range.
    return test::file_contents(kSample) +
           "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80 "
           "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF\xE4\xB8\xAD\n";
}

TEST(Utf16Codec, RealTextAgreesWithIconvInEveryBlockSize) {
    TESSEL_REQUIRE_INPUT(kSample);
    const std::string text = read_sample();
    ASSERT_GT(text.size(), 1'000'000u);
    for (bool big : {false, true}) {
        const char* name = big ? "UTF-16BE" : "UTF-16LE";
        SCOPED_TRACE(name);
        std::optional<std::string> utf16 = iconv_convert("UTF-8", name, text);
        ASSERT_TRUE(utf16);
        auto codec = make_codec(big ? 5 : 3);
        // Odd block sizes cut units and pairs at every kind of place; small blocks on a part of
        // the text keep the test quick.
        EXPECT_EQ(in_blocks(*codec, false, *utf16, 1'000'001), text);
        EXPECT_EQ(in_blocks(*codec, false, *utf16, 4093), text);
        EXPECT_EQ(in_blocks(*codec, true, text, 1'000'000), *utf16);
        EXPECT_EQ(in_blocks(*codec, true, text, 4093), *utf16);
        const std::string tail = text.substr(text.size() - 3000);
        const std::string tail16 = *iconv_convert("UTF-8", name, tail);
        for (size_t block : {1, 2, 3, 5, 7}) {
            EXPECT_EQ(in_blocks(*codec, false, tail16, block), tail) << block;
            EXPECT_EQ(in_blocks(*codec, true, tail, block), tail16) << block;
        }
    }
}

TEST(Utf16Codec, PairsAndCarry) {
    auto be = make_codec(5);
    std::string_view out;
    EXPECT_EQ(be->encode(nullptr, "\xF0\x9F\x98\x80", 4, &out), 4u);
    EXPECT_EQ(out, std::string_view("\xD8\x3D\xDE\x00", 4));
    EXPECT_EQ(be->decode(nullptr, "\xD8\x3D\xDE\x00", 4, &out), 4u);
    EXPECT_EQ(out, "\xF0\x9F\x98\x80");
    // A block that ends inside a pair, or on an odd byte, leaves those bytes for the next.
    auto le = make_codec(3);
    const std::string pair = units({'a', 0xD83D, 0xDE00}, false);
    EXPECT_EQ(le->decode(nullptr, pair.data(), 4, &out), 2u);
    EXPECT_EQ(out, "a");
    EXPECT_EQ(le->decode(nullptr, pair.data(), 5, &out), 2u);
    EXPECT_EQ(le->decode(nullptr, pair.data(), 3, &out), 2u);
    // A four-byte sequence cut at a block's end is left unconsumed, not dropped.
    EXPECT_EQ(le->encode(nullptr, "a\xF0\x9F\x98", 4, &out), 1u);
    EXPECT_EQ(out, std::string_view("a\0", 2));
}

TEST(Utf16Codec, LoneSurrogatesSurviveBothWays) {
    struct Case {
        std::initializer_list<uint16_t> units;
        std::string_view utf8;
    };
    const Case cases[] = {
        {{0xD800, 'A'},
         "\xED\xA0\x80"
         "A"},  // the next unit is not swallowed
        {{0xDC00, 'A'},
         "\xED\xB0\x80"
         "A"},
        {{0xD83D, 0xD83D, 0xDE00}, "\xED\xA0\xBD\xF0\x9F\x98\x80"},
        {{0xDE00, 0xD83D}, "\xED\xB8\x80\xED\xA0\xBD"},  // the last unit, with last set
        {{0xD800, 0xE000}, "\xED\xA0\x80\xEE\x80\x80"},
        {{0, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFF},
         std::string_view("\0\x7F\xC2\x80\xDF\xBF"
                          "\xE0\xA0\x80\xEF\xBF\xBF",
                          12)},
    };
    for (bool big : {false, true}) {
        auto codec = make_codec(big ? 6 : 4);
        for (const Case& c : cases) {
            const std::string bytes = units(c.units, big);
            std::string_view out;
            EXPECT_EQ(codec->decode(nullptr, bytes.data(), bytes.size(), &out, true), bytes.size());
            EXPECT_EQ(out, c.utf8);
            std::string text(out);
            EXPECT_EQ(codec->encode(nullptr, text.data(), text.size(), &out, true), text.size());
            EXPECT_EQ(out, bytes);
        }
    }
}

TEST(Utf16Codec, WhatIsLeftAtTheVeryEnd) {
    auto le = make_codec(3);
    std::string_view out;
    // A final high surrogate waits for its partner, unless no more input follows.
    const std::string high = units({'x', 0xD83D}, false);
    EXPECT_EQ(le->decode(nullptr, high.data(), high.size(), &out), 2u);
    EXPECT_EQ(le->decode(nullptr, high.data(), high.size(), &out, true), 4u);
    EXPECT_EQ(out, "x\xED\xA0\xBD");
    // An odd final byte becomes U+FFFD.
    EXPECT_EQ(le->decode(nullptr, "x\0y", 3, &out, true), 3u);
    EXPECT_EQ(out, "x\xEF\xBF\xBD");
    // An incomplete sequence at the end, and a stray byte anywhere, give units of their values.
    EXPECT_EQ(le->encode(nullptr, "\x80x\xE2\x82", 4, &out), 2u);
    EXPECT_EQ(out, units({0x80, 'x'}, false));
    EXPECT_EQ(le->encode(nullptr, "\x80x\xE2\x82", 4, &out, true), 4u);
    EXPECT_EQ(out, units({0x80, 'x', 0xE2, 0x82}, false));
    EXPECT_EQ(le->encode(nullptr, "\xF0\x9F\0", 3, &out, true), 3u);
    EXPECT_EQ(out, units({0xF0, 0x9F, 0}, false));
    // A lead byte without its continuation bytes takes nothing after it along.
    EXPECT_EQ(le->encode(nullptr, "\xE9t\xE9", 3, &out, true), 3u);
    EXPECT_EQ(out, units({0xE9, 't', 0xE9}, false));
    // Output comes from the arena once per block: 3 bytes per unit, 3 for an odd byte and one
    // for the four-byte stores.
    HugeArena arena;
    std::string block = units({'a', 'b', 'c'}, false);
    uint32_t before = arena.used();
    le->decode(&arena, block.data(), block.size(), &out);
    EXPECT_EQ(arena.used() - before, 13u);
}

}  // namespace
}  // namespace tessel
