// Tests of StringBuilder: content and terminator against a std::string model through
// repeated growth, the growth sizes, integer and duration appends, clear and release, and a
// derived builder that refuses to grow.
#include "foundation/string_builder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>

namespace tessel {
namespace {

void expect_text(const StringBuilder& b, const std::string& model) {
    ASSERT_EQ(b.size(), model.size());
    ASSERT_EQ(b.view(), model);
    ASSERT_EQ(b.c_str()[b.size()], '\0');
    ASSERT_EQ(b.view().data(), b.c_str());
}

TEST(StringBuilder, GrowsFromInlineBufferByDoubling) {
    StringBuilder b;
    std::string model;
    EXPECT_EQ(b.capacity(), 1023u);
    EXPECT_STREQ(b.c_str(), "");
    for (int i = 0; i < 1023; ++i) {
        char c = static_cast<char>('a' + i % 26);
        b.append(c);
        model += c;
    }
    expect_text(b, model);
    EXPECT_FALSE(b.on_heap());
    // Each growth happens with the buffer full: 2 x 1023 + 2 bytes, then 2 x 2047 + 2.
    b.append('!');
    model += '!';
    EXPECT_TRUE(b.on_heap());
    EXPECT_EQ(b.capacity(), 2047u);
    b.append(std::string(1023, 'x'));
    model += std::string(1023, 'x');
    EXPECT_EQ(b.capacity(), 2047u);
    b.append('y');
    model += 'y';
    EXPECT_EQ(b.capacity(), 4095u);
    expect_text(b, model);
}

TEST(StringBuilder, RandomAppendsMatchString) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        StringBuilder b;
        std::string model;
        for (int step = 0; step < 400; ++step) {
            switch (rng() % 4) {
                case 0: {
                    // Some pieces are long enough to need several growths within one append.
                    std::string piece(rng() % (rng() % 8 == 0 ? 9000 : 40), '\0');
                    for (char& c : piece) c = static_cast<char>(rng() % 255 + 1);
                    b.append(piece);
                    model += piece;
                    break;
                }
                case 1: {
                    char c = static_cast<char>(rng() % 255 + 1);
                    b.append(c);
                    model += c;
                    break;
                }
                case 2: {
                    int64_t v = static_cast<int64_t>((uint64_t{rng()} << 32) | rng()) >> (rng() % 64);
                    b.append_int(v);
                    model += std::to_string(v);
                    break;
                }
                case 3:
                    b.append(std::string_view());
                    break;
            }
            expect_text(b, model);
            ASSERT_EQ(std::strlen(b.c_str()), model.size());
            if (HasFatalFailure()) return;
        }
    }
}

TEST(StringBuilder, IntegerExtremes) {
    StringBuilder b;
    b.append_int(INT64_MIN);
    b.append(' ');
    b.append_int(INT64_MAX);
    b.append(' ');
    b.append_int(0);
    b.append(' ');
    b.append_int(-1);
    EXPECT_EQ(b.view(), "-9223372036854775808 9223372036854775807 0 -1");
}

TEST(StringBuilder, DurationsSwitchToSecondsAboveOneThousandMilliseconds) {
    const std::pair<double, const char*> cases[] = {
        {1500, "1.50 seconds"},
        {1000, "1000.00 milliseconds"},
        {12.5, "12.50 milliseconds"},
        {0, "0.00 milliseconds"},
        {999.999, "1000.00 milliseconds"},
        {1000.5, "1.00 seconds"},
        {123456, "123.46 seconds"},
        {0.004, "0.00 milliseconds"},
    };
    for (auto [ms, text] : cases) {
        StringBuilder b;
        b.append_duration(ms);
        EXPECT_EQ(b.view(), text) << ms;
    }
    StringBuilder b;
    b.append("Indented in ");
    b.append_duration(2500);
    EXPECT_STREQ(b.c_str(), "Indented in 2.50 seconds");
}

TEST(StringBuilder, ClearKeepsBufferReleaseReturnsInline) {
    StringBuilder b;
    b.append(std::string(3000, 'z'));
    ASSERT_TRUE(b.on_heap());
    size_t capacity = b.capacity();
    b.clear();
    expect_text(b, "");
    EXPECT_EQ(b.capacity(), capacity);
    b.append("again");
    expect_text(b, "again");
    b.release();
    EXPECT_FALSE(b.on_heap());
    EXPECT_EQ(b.capacity(), 1023u);
    expect_text(b, "");
    b.append("inline");
    expect_text(b, "inline");
}

// A builder limited to its inline buffer: appends keep what fits and stay terminated.
class InlineOnlyBuilder : public StringBuilder {
public:
    bool grow() override {
        ++refusals;
        return false;
    }
    int refusals = 0;
};

TEST(StringBuilder, RefusedGrowthTruncates) {
    InlineOnlyBuilder b;
    std::string text(1500, 'k');
    text[1022] = 'L';
    b.append(text.substr(0, 1023));
    EXPECT_FALSE(b.dropped());
    b.append(text.substr(1023));
    EXPECT_TRUE(b.dropped());
    EXPECT_EQ(b.refusals, 1);
    expect_text(b, text.substr(0, 1023));
    b.append('m');
    EXPECT_EQ(b.refusals, 2);
    EXPECT_EQ(b.size(), 1023u);
    EXPECT_FALSE(b.on_heap());
}

}  // namespace
}  // namespace tessel
