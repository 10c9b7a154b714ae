// Saves of text that is not well-formed UTF-8 write only what the target encoding can hold:
// glibc's iconv must take every file written into another encoding, and it must be the text
// without its stray bytes; a save into UTF-8 keeps the text byte for byte. And an endless
// stream read into one string holds at most the limit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

#include "file/file_reader.h"
#include "file/file_writer.h"
#include "foundation/arena.h"
#include "tests/encoding/iconv_reference.h"
#include "tests/file_contents.h"
#include "text/utf8_reader.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

// The characters of text that glibc takes from UTF-8, and its iconv_name holds; the bytes it
// rejects are passed over and reading goes on at the next.
std::string held_part(std::string_view text, const char* iconv_name) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t n = 1;
        while (n <= 4 && i + n <= text.size() &&
               !reference::iconv_convert("UTF-8", "UTF-32LE", text.substr(i, n)))
            ++n;
        if (n <= 4 && i + n <= text.size()) {
            if (reference::iconv_convert("UTF-8", iconv_name, text.substr(i, n)))
                out.append(text.substr(i, n));
            i += n;
        } else {
            ++i;
        }
    }
    return out;
}

std::string saved(const fs::path& path, EncodingId target, EncodingId source,
                  std::string_view text, size_t block) {
    FileWriter writer(path, target, source);
    LargeArena arena;
    for (size_t at = 0; at == 0 || at < text.size(); at += block) {
        const std::string_view part = text.substr(at, block);
        EXPECT_TRUE(writer.write(part, at + part.size() >= text.size(), arena));
        arena.reset();
    }
    EXPECT_TRUE(writer.commit()) << writer.error();
    return test::file_contents(path);
}

TEST(MalformedTextSave, OtherEncodingsGetOnlyValidOutputAndUtf8KeepsEveryByte) {
    const fs::path path =
        fs::temp_directory_path() / ("tessel-malformed-" + std::to_string(::getpid()) + ".xml");
    struct Target {
        EncodingId id;
        const char* iconv_name;
    };
    const Target targets[] = {{3, "UTF-16LE"}, {5, "UTF-16BE"}, {7, "WINDOWS-1252"}};
    std::mt19937 rng(9);
    static const uint8_t kBytes[] = {0xC0, 0xBC, 0xC3, 0xA9, 0xE0, 0x80, 0xED, 0xA0, 0xF0,
                                     0x90, 0xF4, 0x8F, 0xBF, 0xF5, '<', '/', 'b', '>'};
    for (int round = 0; round < 300; ++round) {
        std::string text = "<a>\xc0\xbc" "b\xe0\x80\xbe\xed\xa0\x80\xf4\x90\x80\x80";
        for (size_t i = 0, n = rng() % 40; i < n; ++i)
            text += static_cast<char>(kBytes[rng() % std::size(kBytes)]);
        const size_t block = 1 + rng() % 7;
        ASSERT_EQ(saved(path, kEncodingUtf8, kEncodingUtf8, text, block), text);
        for (const Target& t : targets) {
            const std::string bytes = saved(path, t.id, kEncodingUtf8, text, block);
            const auto back = reference::iconv_convert(t.iconv_name, "UTF-8", bytes);
            ASSERT_TRUE(back.has_value()) << t.iconv_name << testing::PrintToString(text);
            ASSERT_EQ(*back, held_part(text, t.iconv_name))
                << t.iconv_name << testing::PrintToString(text);
        }
    }
    fs::remove(path);
}

TEST(MalformedTextSave, AUtf16FilesLoneSurrogatesGoBackIntoUtf16Only) {
    const fs::path path =
        fs::temp_directory_path() / ("tessel-surrogate-" + std::to_string(::getpid()) + ".xml");
    const std::string text = "<a>\xed\xa0\x80x\xed\xbf\xbf</a>";  // as UTF-16's D800, DFFF
    for (size_t block : {1, 2, 3, 100}) {
        EXPECT_EQ(saved(path, kEncodingUtf16Be, kEncodingUtf16Le, text, block),
                  std::string("\0<\0a\0>\xd8\0\0x\xdf\xff\0<\0/\0a\0>", 20))
            << block;
        // Anywhere else a lone surrogate is left out.
        EXPECT_EQ(saved(path, kEncodingUtf8, kEncodingUtf16Le, text, block), "<a>x</a>");
    }
    fs::remove(path);
}

TEST(StringSink, GathersEveryBlockInOrderAndRefusesPastTheLimit) {
    // Against a plain string: blocks of every size, with and without room reserved first.
    std::mt19937 rng(5);
    for (size_t reserved : {size_t{0}, size_t{1000}, StringSink::kChunk + 3}) {
        std::string text, model;
        text.reserve(reserved);
        const int64_t limit = static_cast<int64_t>(StringSink::kChunk) * 2 + 12345;
        StringSink sink(text, limit);
        std::string block;
        for (;;) {
            block.assign(1 + rng() % (3 << 20), static_cast<char>('a' + rng() % 26));
            if (static_cast<int64_t>(model.size() + block.size()) > limit) {
                EXPECT_FALSE(sink.take(block));
                break;
            }
            ASSERT_TRUE(sink.take(block));
            model += block;
        }
        sink.finish();
        EXPECT_TRUE(text == model) << reserved;
        EXPECT_EQ(text.capacity(), std::max(model.size(), reserved)) << reserved;
    }
    // Through the reader: /dev/zero stops at the limit with the size refusal.
    constexpr int64_t kLimit = 10'000'000;
    EncodingId encoding = kEncodingUtf8;
    FileReader zero("/dev/zero", &encoding);
    zero.set_size_limit(kLimit);
    std::string all;
    StringSink into(all, kLimit);
    ASSERT_TRUE(zero.open());
    EXPECT_FALSE(zero.read_into(into));
    EXPECT_NE(zero.reason().find("File too large"), std::string::npos) << zero.reason();
}

}  // namespace
}  // namespace tessel
