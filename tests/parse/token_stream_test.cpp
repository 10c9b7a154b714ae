// TokenStream: peeking and advancing, the end of file, stretch boundaries with long tokens
// and with many small ones, progress and cancellation through the job, and failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse/token_stream.h"
#include "parse/xml_scanner.h"

namespace tessel {
namespace {

std::vector<Token> drain(TokenStream& stream) {
    std::vector<Token> out;
    for (;;) {
        out.push_back(stream.peek());
        if (out.back().kind == xml_end_of_file) return out;
        stream.advance();
    }
}

std::vector<Token> all_tokens(std::string_view text, uint8_t state = kXmlContentState) {
    TokenStream stream(text, xml_scanner_tables(), state, nullptr, nullptr);
    return drain(stream);
}

bool same(const Token& a, const Token& b) {
    return a.first == b.first && a.last == b.last && a.kind == b.kind;
}

TEST(TokenStream, PeekAdvanceAndPrevious) {
    std::string text = "<a b='1'>x</a>";
    TokenStream stream(text, xml_scanner_tables(), kXmlContentState, nullptr, nullptr);
    EXPECT_EQ(stream.previous(), nullptr);
    EXPECT_EQ(stream.peek().kind, xml_start_tag_open);
    EXPECT_EQ(stream.peek(4).kind, xml_quoted_string);
    EXPECT_EQ(stream.text_of(stream.peek(4)), "'1'");
    EXPECT_EQ(stream.peek(7).kind, xml_end_tag_open);
    stream.advance();
    ASSERT_NE(stream.previous(), nullptr);
    EXPECT_EQ(stream.previous()->kind, xml_start_tag_open);
    EXPECT_EQ(stream.text_of(stream.peek()), "a");
    for (int i = 0; i < 8; ++i) stream.advance();
    EXPECT_EQ(stream.text_of(*stream.previous()), "a");
    EXPECT_EQ(stream.peek().kind, xml_close_angle);
    // Past the end: the end-of-file token, again and again, also when advancing.
    EXPECT_EQ(stream.peek(1).kind, xml_end_of_file);
    EXPECT_EQ(stream.peek(7).kind, xml_end_of_file);
    stream.advance();
    for (int i = 0; i < 3; ++i) {
        const Token& end = stream.peek();
        EXPECT_EQ(end.kind, xml_end_of_file);
        EXPECT_EQ(end.first, int32_t(text.size()));
        EXPECT_EQ(end.last, int32_t(text.size()) - 1);
        EXPECT_EQ(stream.text_of(end), "");
        stream.advance();
        EXPECT_EQ(stream.previous()->kind, xml_end_of_file);
    }
}

TEST(TokenStream, EmptyText) {
    TokenStream stream("", xml_scanner_tables(), kXmlContentState, nullptr, nullptr);
    EXPECT_EQ(stream.peek().kind, xml_end_of_file);
    EXPECT_EQ(stream.peek().first, 0);
    EXPECT_EQ(stream.peek().last, -1);
}

TEST(TokenStream, TokensLongerThanAStretch) {
    const std::string comment = "<!--" + std::string(5000, 'c') + "-->";
    const std::string value = "\"" + std::string(3000, 'v') + "\"";
    const std::string words(10000, 'w');
    const std::string name(2500, 'n');
    const std::string text = comment + "<" + name + " a=" + value + ">" + words + "</" + name + ">";
    std::vector<Token> tokens = all_tokens(text);
    ASSERT_EQ(tokens.size(), 12u);
    EXPECT_EQ(tokens[0].kind, xml_comment);
    EXPECT_EQ(tokens[0].length(), int32_t(comment.size()));
    EXPECT_EQ(tokens[2].kind, xml_opener_name);
    EXPECT_EQ(tokens[2].length(), 2500);
    EXPECT_EQ(tokens[5].kind, xml_quoted_string);
    EXPECT_EQ(tokens[5].length(), int32_t(value.size()));
    EXPECT_EQ(tokens[7].kind, xml_char_data);
    EXPECT_EQ(tokens[7].length(), 10000);
    EXPECT_EQ(tokens[9].length(), 2500);
    EXPECT_EQ(tokens[11].first, int32_t(text.size()));
}

TEST(TokenStream, AStretchOfOneByteTokensFitsTheRing) {
    // Every byte of "<a ===...=>" is a token of its own, more than a ring's worth.
    const int count = 5000;
    const std::string text = "<a " + std::string(count, '=') + ">";
    std::vector<Token> tokens = all_tokens(text);
    ASSERT_EQ(tokens.size(), size_t(count) + 4);
    for (int i = 0; i < count; ++i) {
        const Token& t = tokens[size_t(i) + 2];
        ASSERT_EQ(t.kind, xml_equals);
        ASSERT_EQ(t.first, i + 3);
        ASSERT_EQ(t.last, i + 3);
    }
    // The same in a DTD, where "(" is a token, with multi-byte names between them.
    std::string dtd;
    for (int i = 0; i < 2000; ++i) dtd += i % 3 ? "(" : "\xC3\xA9";
    std::vector<Token> dtd_tokens = all_tokens(dtd, kXmlDtdState);
    EXPECT_EQ(dtd_tokens.size(), 2001u);
}

TEST(TokenStream, PeekingAcrossRefillsSeesTheSameTokens) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "<e" + std::to_string(i) + " k='v'>" + std::string(size_t(i % 50), 't') + "</e>";
    std::vector<Token> expected = all_tokens(text);
    TokenStream stream(text, xml_scanner_tables(), kXmlContentState, nullptr, nullptr);
    for (size_t i = 0; i < expected.size(); ++i) {
        for (int ahead = 0; ahead < TokenStream::kMaxAhead; ++ahead) {
            size_t j = std::min(i + size_t(ahead), expected.size() - 1);
            ASSERT_TRUE(same(stream.peek(ahead), expected[j])) << i << " + " << ahead;
        }
        stream.advance();
    }
    // Tokens are in order and do not overlap.
    for (size_t i = 1; i < expected.size(); ++i) ASSERT_GT(expected[i].first, expected[i - 1].last);
}

class RecordingJob : public Job {
public:
    void set_progress(int percent) override { progress.push_back(percent); }
    void set_status_text(std::string_view) override {}
    void yield_point() override {
        ++yields;
        if (cancel_after > 0 && yields >= cancel_after) throw JobCancelled();
    }
    std::vector<int> progress;
    int yields = 0;
    int cancel_after = 0;
};

TEST(TokenStream, ProgressAfterEveryStretch) {
    const std::string text(100000, 'x');  // one text token: the stream reads it all at once
    RecordingJob job;
    TokenStream stream(text, xml_scanner_tables(), kXmlContentState, &job, nullptr);
    EXPECT_EQ(stream.peek().kind, xml_char_data);
    EXPECT_EQ(stream.peek(1).kind, xml_end_of_file);
    // One call per stretch of at most 1024 bytes, with the yield point after each.
    ASSERT_GE(job.progress.size(), text.size() / 1024);
    EXPECT_LE(job.progress.size(), text.size() / 1000 + 1);
    EXPECT_EQ(job.yields, int(job.progress.size()));
    EXPECT_LE(job.progress.front(), 1);
    for (size_t i = 1; i < job.progress.size(); ++i) {
        EXPECT_GE(job.progress[i], job.progress[i - 1]);
        EXPECT_LE(job.progress[i], job.progress[i - 1] + 2);
    }
    // The last stretch reaches the end: 100000 / 100001 of the way.
    EXPECT_EQ(job.progress.back(), 99);
}

TEST(TokenStream, CancellationReachesTheCaller) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "<a/>";
    RecordingJob job;
    job.cancel_after = 5;
    TokenStream stream(text, xml_scanner_tables(), kXmlContentState, &job, nullptr);
    EXPECT_THROW(drain(stream), JobCancelled);
    EXPECT_EQ(job.yields, 5);
    EXPECT_EQ(job.progress.size(), 5u);
}

class Failures : public ScanFailureSink {
public:
    void scan_failure(const Token& t) override { seen.push_back(t); }
    std::vector<Token> seen;
};

TEST(TokenStream, FailuresGoToTheSinkAndNeverToThePeeker) {
    std::string text;
    for (int i = 0; i < 1500; ++i) text += "a\x80<b>\x01</b>";
    Failures failures;
    TokenStream stream(text, xml_scanner_tables(), kXmlContentState, nullptr, &failures);
    std::vector<Token> tokens = drain(stream);
    for (const Token& t : tokens) ASSERT_GE(t.kind, 0);
    ASSERT_EQ(failures.seen.size(), 3000u);
    for (size_t i = 0; i < failures.seen.size(); ++i) {
        const Token& f = failures.seen[i];
        EXPECT_EQ(f.first, int32_t(i / 2 * 10 + (i % 2 ? 5 : 1)));
        EXPECT_EQ(f.kind, i % 2 ? kControlCharKind : kInvalidUtf8Kind);
    }
    // Each is reported when the parser reaches it (peeks at the first token after it), not
    // when its stretch is scanned ahead of the parser.
    Failures early;
    TokenStream fresh(text, xml_scanner_tables(), kXmlContentState, nullptr, &early);
    EXPECT_EQ(fresh.peek().first, 0);  // "a"
    EXPECT_EQ(fresh.peek(5).first, 8);  // looking further ahead reports nothing
    EXPECT_TRUE(early.seen.empty());
    fresh.advance();
    EXPECT_EQ(fresh.peek().first, 2);  // "<", after the byte 0x80
    ASSERT_EQ(early.seen.size(), 1u);
    EXPECT_EQ(early.seen[0].first, 1);
    for (int i = 0; i < 3; ++i) fresh.advance();  // "<", "b", ">"
    EXPECT_EQ(early.seen.size(), 1u);
    EXPECT_EQ(fresh.peek().first, 6);  // "</", after the control character
    EXPECT_EQ(early.seen.size(), 2u);
}

TEST(TokenStream, RejectsAStartStateTheTablesDoNotHave) {
    EXPECT_THROW(TokenStream("x", xml_scanner_tables(), 255, nullptr, nullptr),
                 std::invalid_argument);
}

}  // namespace
}  // namespace tessel
