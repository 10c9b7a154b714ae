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

TEST(ParseMessages, PrematureEndIsAnErrorAndScanFailuresAreWarnings) {
    std::string text = "<!ELEMENT";
    DocumentTree tree;
    ParseMessages messages(text, tree);
    messages.scan_failure(Token{2, 2, -1});
    messages.scan_failure(Token{3, 3, -2});
    EXPECT_EQ(tree.first_dropped_text(), 2);  // a byte that is no character is not kept
    try {
        messages.premature_end(0);
        ADD_FAILURE() << "the parse goes on";
    } catch (const ParseEnded& e) {
        EXPECT_EQ(e.at, 0);
    }
    EXPECT_EQ(all(tree.diagnostics()), (Strings{"Warning: Invalid Unicode sequence@2",
                                                "Warning: This Unicode ctrl character not allowed@3",
                                                "Error: Unexpected end of file@9"}));
    EXPECT_EQ(tree.diagnostics().summary(), "2 warning(s), 1 error(s)");
    // The unfinished declaration is what the tree lacks first.
    EXPECT_EQ(tree.first_dropped_text(), 0);
}

TEST(ParseMessages, AFatalExpectationDropsTheRestOfTheTextANonFatalErrorDoesNot) {
    std::string text = "<!FOO x> <a";
    DocumentTree tree;
    ParseMessages messages(text, tree);
    Token open{0, 1, 4};
    messages.expectation_error("ELEMENT ATTLIST or ENTITY", Token{2, 4, 5}, &open);
    EXPECT_EQ(all(tree.diagnostics()),
              (Strings{"Error: Expecting ELEMENT ATTLIST or ENTITY@2", "  Location=After '<!' [0,1]",
                       "  Found instead=FOO [2,4]"}));
    EXPECT_EQ(tree.diagnostics().error_count(), 1);
    EXPECT_TRUE(tree.holds_all_text());
    Token lt{9, 9, 12};
    EXPECT_THROW(messages.expectation("tag name", Token{10, 10, 11}, &lt, true), ParseEnded);
    EXPECT_EQ(tree.first_dropped_text(), 10);
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

TEST(DiagnosticList, DetailsFromTheTextAreCutToWholeCharacters) {
    // "<a/>" and 5 000 bytes of stray text: the detail holds its first 1 024 bytes.
    std::string text = "<a/>" + std::string(5000, 'x');
    DiagnosticList list;
    list.set_source(text);
    list.add_warning(4, "Unexpected text ");
    list.detail_from_text("Found", 4, static_cast<TextPos>(text.size()) - 1);
    DiagnosticDetail* found = list.at(0)->details()[1];
    EXPECT_EQ(found->text(), std::string(1024, 'x'));
    EXPECT_EQ(found->last(), 5003);  // the span is still the whole text
    // Three-byte characters from offset 1: 1 + 341 * 3 = 1 024 bytes fit exactly, and one
    // byte more would cut the 342nd character.
    std::string wide = "<";
    for (int i = 0; i < 400; ++i) wide += "\xE2\x82\xAC";
    for (size_t max : {1024u, 1025u, 1026u}) {
        std::string_view cut = cut_at_character(wide, max);
        EXPECT_EQ(cut.size(), 1024u) << max;
    }
    EXPECT_EQ(cut_at_character(wide, 1027).size(), 1027u);
    EXPECT_EQ(cut_at_character("abc", 1024), "abc");
}

TEST(DiagnosticList, SortingByPositionKeepsTheReportOrderOfEqualPositions) {
    DiagnosticList list;
    list.add_warning(9, "late");
    list.add_error(5, "error at 5");
    list.add_warning(2, "early");
    list.add_warning(5, "warning at 5");
    EXPECT_EQ(list.first_error(), 1);
    list.sort_by_position();
    EXPECT_EQ(all(list), (Strings{"Warning: early@2", "Error: error at 5@5", "Warning: warning at 5@5",
                                  "Warning: late@9"}));
    EXPECT_EQ(list.first_error(), 1);
    DiagnosticList errors_late;
    errors_late.add_error(7, "b");
    errors_late.add_warning(1, "a");
    errors_late.sort_by_position();
    EXPECT_EQ(errors_late.first_error(), 1);
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
