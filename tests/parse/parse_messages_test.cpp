// How expectation failures and the other parser messages are worded, straight from the
// routine every parser shares.
#include <gtest/gtest.h>

#include "parse/parse_messages.h"

namespace tessel {
namespace {

std::vector<std::string> all(const DiagnosticList& list) {
    std::vector<std::string> out;
    for (Diagnostic* d : list.items()) {
        out.push_back(std::string(d->display_text()) + "@" + std::to_string(d->position()));
        for (int32_t i = 1; i < d->details().size(); ++i) {
            DiagnosticDetail* x = d->details()[i];
            out.push_back("  " + std::string(x->label()) + "=" + std::string(x->text()) + " [" +
                          std::to_string(x->first()) + "," + std::to_string(x->last()) + "]");
        }
    }
    return out;
}

using Strings = std::vector<std::string>;

TEST(ParseMessages, ExpectationAtTheFirstTokenHasNoTokenBefore) {
    std::string text = "]]> rest";
    DiagnosticList list;
    ParseMessages messages(text, list);
    messages.expectation("<", Token{0, 2, 19}, nullptr, false);
    EXPECT_EQ(all(list), (Strings{"Warning: Expecting <@0", "  Location=Beginning of file [0,-1]",
                                  "  Found instead=]]> [0,2]"}));
    EXPECT_EQ(list.error_count(), 0);
}

TEST(ParseMessages, FatalExpectationAtTheEndOfTheTextEndsTheParse) {
    std::string text = "<a x";
    DiagnosticList list;
    ParseMessages messages(text, list);
    Token previous{3, 3, 11};
    EXPECT_THROW(messages.expectation("=", Token{4, 3, 2}, &previous, true), ParseEnded);
    EXPECT_EQ(all(list), (Strings{"Error: Expecting =@4", "  Location=After 'x' [3,3]",
                                  "  Found instead=End of file [4,3]"}));
    EXPECT_EQ(list.error_count(), 1);
    EXPECT_EQ(list.first_error(), 0);
}

TEST(ParseMessages, WhiteSpaceWhereItIsForbidden) {
    std::string text = "< a>";
    DiagnosticList list;
    ParseMessages messages(text, list);
    Token lt{0, 0, 12};
    EXPECT_THROW(messages.expectation("tag name", Token{1, 1, 3}, &lt, true, true), ParseEnded);
    EXPECT_EQ(all(list), (Strings{"Error: whitespace not allowed here@1", "  Location=After '<' [0,0]"}));

    DiagnosticList outside;
    ParseMessages plain(text, outside);
    plain.whitespace_not_allowed(lt);
    EXPECT_EQ(all(outside), (Strings{"Warning: whitespace not allowed here@1", "  Location=After '<' [0,0]"}));
}

TEST(ParseMessages, PrematureEndAndScannerFailures) {
    std::string text = "<!ELEMENT";
    DiagnosticList list;
    ParseMessages messages(text, list);
    messages.scan_failure(Token{2, 2, -1});
    messages.scan_failure(Token{3, 3, -2});
    EXPECT_THROW(messages.premature_end(), ParseEnded);
    EXPECT_EQ(all(list), (Strings{"Warning: Invalid Unicode sequence@2",
                                  "Warning: This Unicode ctrl character not allowed@3",
                                  "Warning: Unexpected end of file@9"}));
    EXPECT_EQ(list.summary(), "3 warning(s), 0 error(s)");
    EXPECT_EQ(list.state(), DiagnosticState::warnings);
}

TEST(ParseMessages, LongTokenTextsAreCutOnACharacterBoundary) {
    std::string text = "x";
    for (int i = 0; i < 600; ++i) text += "\xC3\xA9";  // 1 201 bytes
    DiagnosticList list;
    ParseMessages messages(text, list);
    std::string_view cut = messages.token_text(Token{0, static_cast<int32_t>(text.size()) - 1, 15});
    EXPECT_LE(cut.size(), ParseMessages::kMaxDetailText);
    EXPECT_EQ(cut.size() % 2, 1u);  // "x" and whole two-byte characters
    EXPECT_EQ(text.compare(0, cut.size(), cut), 0);
}

TEST(DiagnosticList, SummaryAndState) {
    DiagnosticList list;
    EXPECT_EQ(list.summary(), "0 warning(s), 0 error(s)");
    EXPECT_EQ(list.state(), DiagnosticState::none);
    list.add_warning(1, "a");
    list.add_error(2, "b");
    list.add_warning(3, "c");
    EXPECT_EQ(list.summary(), "2 warning(s), 1 error(s)");
    EXPECT_EQ(list.state(), DiagnosticState::errors);
    EXPECT_EQ(list.first_error(), 1);
}

}  // namespace
}  // namespace tessel
