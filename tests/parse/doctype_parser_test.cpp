// DOCTYPE declarations and DTD documents: the nodes and descriptions they yield, every
// message the declaration parser words, recovery, deep nesting, and writing them back.
#include <gtest/gtest.h>

#include "foundation/job.h"
#include "foundation/string_builder.h"
#include "parse/doctype_parser.h"
#include "parse/dtd_nodes.h"
#include "parse/indent_options.h"
#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

using test::details;
using test::messages;
using test::query_text;
using Strings = std::vector<std::string>;

DoctypeNode* doctype_of(DocumentTree& tree) {
    return dynamic_cast<DoctypeNode*>(tree.document_node()->doctype());
}

DtdElementNode* declaration(DoctypeNode* list, int32_t i) {
    return dynamic_cast<DtdElementNode*>(list->declarations()[i]);
}

// "label=text[first,last]" for every child of a node.
Strings child_rows(Node& node) {
    Strings out;
    for (int32_t i = 0; Node* c = node.child(i); ++i) {
        NodeSpans s = c->spans();
        out.push_back(query_text(*c, kQueryDisplay) + "[" + std::to_string(s.first) + "," +
                      std::to_string(s.last) + "]");
    }
    return out;
}

NodeDescription describe(Node& node) {
    static SmallArena arena;
    QueryResult result;
    run_query(node, kQueryDisplay, arena, result);
    return std::move(result.description);
}

std::string written(Node& node, bool remove_comments = false) {
    IndentOptions options;
    options.remove_comments = remove_comments;
    StringBuilder out;
    node.write(out, options, 0);
    return std::string(out.view());
}

TEST(Doctype, SystemIdentifierBecomesADetail) {
    auto tree = parse_xml("<!DOCTYPE a SYSTEM \"a.dtd\"><a/>");
    EXPECT_TRUE(messages(*tree).empty());
    DoctypeNode* doctype = doctype_of(*tree);
    ASSERT_NE(doctype, nullptr);
    EXPECT_EQ(child_rows(*doctype), (Strings{"root element name = \"a\"[10,10]",
                                             "system external dtd = \"a.dtd\"[20,24]"}));
    EXPECT_EQ(doctype->first(), 0);
    EXPECT_EQ(doctype->last(), 26);

    NodeDescription d = describe(*doctype);
    EXPECT_EQ(d.category, kCategoryContainer);
    EXPECT_STREQ(d.type_name, "DOCTYPE");
    EXPECT_EQ(d.kind_code, 9);
    EXPECT_EQ(d.column_group, 1);
    EXPECT_STREQ(d.singular_noun, "DTD element");
    EXPECT_EQ(d.child_count, 2);
    NodeDescription detail = describe(*doctype->child(0));
    EXPECT_EQ(detail.category, kCategoryLeaf);
    EXPECT_STREQ(detail.type_name, "DOCTYPE detail");
    EXPECT_EQ(detail.kind_code, -1);

    // The document shows the DOCTYPE first, and counts it as its first item.
    EXPECT_EQ(tree->document_node()->child(0), doctype);
    EXPECT_EQ(query_text(*tree->document_node(), kQueryDisplay), "XML Document");
    EXPECT_EQ(written(*doctype), "<!DOCTYPE a SYSTEM \"a.dtd\">\n");
}

TEST(Doctype, PublicIdentifierTakesTwoLiterals) {
    auto tree =
        parse_xml("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0//EN\" 'x\"y.dtd'>\n<html/>");
    EXPECT_TRUE(messages(*tree).empty());
    DoctypeNode* doctype = doctype_of(*tree);
    ASSERT_NE(doctype, nullptr);
    EXPECT_EQ(child_rows(*doctype),
              (Strings{"root element name = \"html\"[10,13]",
                       "public external dtd = \"-//W3C//DTD XHTML 1.0//EN\"[23,47]",
                       "system external dtd = \"x\"y.dtd\"[51,57]"}));
    // A literal holding a quotation mark is written between apostrophes.
    EXPECT_EQ(written(*doctype),
              "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0//EN\" 'x\"y.dtd'>\n");
}

TEST(Doctype, InternalSubsetDeclarationKeepsKeywordNameAndValue) {
    auto tree = parse_xml("<!DOCTYPE a [<!ELEMENT a (#PCDATA)>]><a>x</a>");
    EXPECT_TRUE(messages(*tree).empty());
    DoctypeNode* doctype = doctype_of(*tree);
    ASSERT_EQ(doctype->declarations().size(), 1);
    DtdElementNode* e = declaration(doctype, 0);
    EXPECT_EQ(e->keyword(), "ELEMENT");
    EXPECT_EQ(e->name(), "a");
    EXPECT_EQ(e->value(), "(#PCDATA)");
    EXPECT_EQ(e->text(), "<!ELEMENT a (#PCDATA)>");
    EXPECT_EQ(e->first(), 13);
    EXPECT_EQ(e->last(), 34);
    EXPECT_EQ(child_rows(*e), (Strings{"name = \"a\"[23,23]", "value = \"(#PCDATA)\"[25,33]"}));
    NodeDescription d = describe(*e);
    EXPECT_STREQ(d.type_name, "ELEMENT");
    EXPECT_EQ(d.kind_code, 15);
    EXPECT_EQ(d.category, kCategoryContainer);
    EXPECT_EQ(d.value, "(#PCDATA)");
    EXPECT_EQ(d.second_value, "<!ELEMENT a (#PCDATA)>");
    EXPECT_EQ(doctype->child(1), e);  // after the root element name
    EXPECT_EQ(doctype->last(), 36);
    EXPECT_EQ(test::root_element(*tree)->name(), "a");
}

TEST(Doctype, UnknownKeywordIsReportedAndStillMakesADeclaration) {
    auto tree = parse_xml("<!DOCTYPE a [<!FOO x>]><a/>");
    // An error, though the parse goes on: the document uses markup that does not exist.
    EXPECT_EQ(messages(*tree), Strings{"error@15 Expecting ELEMENT ATTLIST or ENTITY"});
    EXPECT_EQ(details(*tree, 0), (Strings{"Location=After '<!'", "Found instead=FOO"}));
    DoctypeNode* doctype = doctype_of(*tree);
    ASSERT_EQ(doctype->declarations().size(), 1);
    EXPECT_EQ(declaration(doctype, 0)->keyword(), "FOO");
    EXPECT_EQ(declaration(doctype, 0)->name(), "x");
    EXPECT_STREQ(describe(*declaration(doctype, 0)).type_name, "FOO");
    // Notations are declarations like the others.
    tree = parse_xml("<!DOCTYPE a [<!NOTATION gif SYSTEM \"image/gif\">]><a/>");
    EXPECT_TRUE(messages(*tree).empty());
    EXPECT_EQ(declaration(doctype_of(*tree), 0)->value(), "SYSTEM \"image/gif\"");
}

TEST(Doctype, WhiteSpaceInsideParameterEntityReferences) {
    auto tree = parse_xml("<!DOCTYPE a [<!ENTITY % e \"\"> %e ;]><a/>");
    EXPECT_EQ(messages(*tree), Strings{"warning@32 whitespace not allowed here"});
    EXPECT_EQ(details(*tree, 0), Strings{"Location=After 'e'"});
    tree = parse_xml("<!DOCTYPE a [% e;]><a/>");
    EXPECT_EQ(messages(*tree), Strings{"warning@14 whitespace not allowed here"});
    // The reference is kept in its place, so that writing the subset back keeps it.
    DoctypeNode* doctype = doctype_of(*tree);
    ASSERT_EQ(doctype->declarations().size(), 1);
    EXPECT_EQ(declaration(doctype, 0)->name(), "e");
    EXPECT_EQ(written(*doctype), "<!DOCTYPE a[\n    % e;\n]>\n");
    // So is white space between "<!" and the keyword.
    tree = parse_xml("<!DOCTYPE a [<! ELEMENT a EMPTY>]><a/>");
    EXPECT_EQ(messages(*tree), Strings{"warning@15 whitespace not allowed here"});
    EXPECT_EQ(declaration(doctype_of(*tree), 0)->keyword(), "ELEMENT");
}

TEST(Doctype, EveryExpectationText) {
    struct Case {
        const char* text;
        bool dtd;  // parsed as a DTD document
        const char* message;
    };
    const Case cases[] = {
        {"<!DOCTYPE>", false, "error@9 Expecting root element name"},
        {"<!DOCTYPE a \"x\">", false,
         "error@12 Expecting SYSTEM,PUBLIC,>, or [  in DOCTYPE declaration"},
        {"<!DOCTYPE a FOO \"x\">", false, "error@12 Expecting PUBLIC or SYSTEM"},
        {"<!DOCTYPE a SYSTEM>", false, "error@18 Expecting system external dtd"},
        {"<!DOCTYPE a PUBLIC \"p\">", false, "error@22 Expecting system external dtd"},
        {"<!DOCTYPE a [<!ELEMENT a EMPTY>", false, "error@31 Expecting ]"},
        {"<!DOCTYPE a [] x>", false, "error@15 Expecting >"},
        {"<!DOCTYPE a [<! >]>", false, "error@16 Expecting  element name"},
        {"<!DOCTYPE a [<!ELEMENT (a)>]>", false, "error@23 Expecting identifier"},
        {"<!DOCTYPE a [<!ELEMENT", false, "error@22 Unexpected end of file"},
        {"<!DOCTYPE a [<!ATTLIST a b CDATA", false, "error@32 Unexpected end of file"},
        {"<!DOCTYPE a [<!ENTITY \"v\">]><a/>", false, "warning@22 Expecting % or entity name"},
        {"<!DOCTYPE a [<!ENTITY e x>]>", false, "error@24 Expecting quoted string or PUBLIC"},
        {"<!DOCTYPE a [<!ENTITY e SYSTEM>]>", false, "error@30 Expecting quoted string"},
        {"<!DOCTYPE a [<!ENTITY e PUBLIC x>]>", false, "error@31 Expecting quoted string"},
        {"<!DOCTYPE a [<!ENTITY e \"v\" x>]>", false, "error@28 Expecting '>'"},
        {"<!DOCTYPE a [%;]>", false, "error@14 Expecting entity name"},
        {"<!DOCTYPE a [%e]>", false, "error@15 Expecting Semicolon"},
        {"<![[<!ELEMENT a EMPTY>]]>", true, "error@3 Expecting condition"},
        {"<![INCLUDE[<!ELEMENT a EMPTY>", true, "error@29 Expecting ]]>"},
        {"<![INCLUDE", true, "error@10 Unexpected end of file"},
        {"<!DOCTYPE a [<![INCLUDE[<!ELEMENT a ANY>]]>]><a/>", false,
         "error@13 Conditional sections are not allowed in the internal subset"},
        {"<!ELEMENT a EMPTY> x", true, "error@19 Expecting end of file"},
        {"<!ELEMENT a (b)\n<!ELEMENT b EMPTY>", true, "warning@16 Expecting >"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto tree = c.dtd ? parse_dtd(c.text) : parse_xml(c.text);
        ASSERT_FALSE(messages(*tree).empty());
        EXPECT_EQ(messages(*tree)[0], c.message);
    }
}

TEST(Doctype, FatalErrorsKeepWhatWasCompleteAndTheirDetails) {
    auto tree = parse_xml("<!DOCTYPE a [<!ELEMENT a EMPTY><!ENTITY e x>]><a/>");
    EXPECT_EQ(details(*tree, 0), (Strings{"Location=After 'e'", "Found instead=x"}));
    DoctypeNode* doctype = doctype_of(*tree);
    ASSERT_NE(doctype, nullptr);
    ASSERT_EQ(doctype->declarations().size(), 1);
    EXPECT_EQ(declaration(doctype, 0)->name(), "a");
    EXPECT_EQ(doctype->last(), 40);  // the last token read before the error
    EXPECT_EQ(test::root_element(*tree), nullptr);

    tree = parse_xml("<!DOCTYPE a [<!ELEMENT a EMPTY>");
    EXPECT_EQ(details(*tree, 0), (Strings{"Location=After '>'", "Found instead=End of file"}));

    // A second DOCTYPE would replace the first: it ends the parse instead.
    tree = parse_xml("<!DOCTYPE a SYSTEM \"1\"><!DOCTYPE b><a/>");
    EXPECT_EQ(messages(*tree), Strings{"error@23 Expecting <, <?, chardata or End of File"});
    EXPECT_EQ(doctype_of(*tree)->root_name()->text(), "a");
}

TEST(Doctype, MissingCloseAngleDoesNotSwallowTheNextDeclaration) {
    auto tree = parse_dtd("<!ELEMENT a (b)\n<!ELEMENT b EMPTY>");
    EXPECT_EQ(details(*tree, 0), (Strings{"Location=After ')'", "Found instead=<!"}));
    auto* root = static_cast<DoctypeNode*>(tree->root());
    ASSERT_EQ(root->declarations().size(), 2);
    EXPECT_EQ(declaration(root, 0)->text(), "<!ELEMENT a (b)");
    EXPECT_EQ(declaration(root, 0)->value(), "(b)");
    EXPECT_EQ(declaration(root, 1)->name(), "b");
}

TEST(Dtd, EntitiesShowTheirLiteralsAsDetails) {
    auto tree = parse_dtd(
        "<!ENTITY % ext PUBLIC \"-//X//EN\" \"x.ent\">\n"
        "<!ENTITY logo SYSTEM \"logo.gif\" NDATA gif>\n"
        "<!ENTITY copy \"&#169;\">\n"
        "<!ENTITY % sys SYSTEM \"s.ent\">\n");
    EXPECT_TRUE(messages(*tree).empty());
    auto* root = static_cast<DoctypeNode*>(tree->root());
    ASSERT_EQ(root->declarations().size(), 4);
    EXPECT_EQ(child_rows(*declaration(root, 0)),
              (Strings{"name = \"ext\"[11,13]", "value = \"-//X//EN\"[23,30]",
                       "public value = \"-//X//EN\"[23,30]", "system value = \"x.ent\"[34,38]"}));
    EXPECT_EQ(child_rows(*declaration(root, 1)),
              (Strings{"name = \"logo\"[51,54]", "value = \"logo.gif\"[64,71]",
                       "system value = \"logo.gif\"[64,71]", "notation = \"gif\"[80,82]"}));
    // An internal entity keeps its value with the quotes, unexpanded.
    EXPECT_EQ(declaration(root, 2)->value(), "\"&#169;\"");
    EXPECT_EQ(declaration(root, 2)->details().size(), 0);
    EXPECT_EQ(declaration(root, 3)->name(), "sys");
    EXPECT_EQ(declaration(root, 3)->value(), "s.ent");

    NodeDescription d = describe(*root);
    EXPECT_STREQ(d.type_name, "DTD Document");
    EXPECT_EQ(d.kind_code, 9);
    EXPECT_EQ(root->first(), 0);
    EXPECT_EQ(root->last(), declaration(root, 3)->last());
}

TEST(Dtd, ParameterEntityNamesAreShownWhole) {
    auto tree = parse_dtd("<!ATTLIST %catalog;\n\tid ID #IMPLIED\n>");
    EXPECT_TRUE(messages(*tree).empty());
    DtdElementNode* e = declaration(static_cast<DoctypeNode*>(tree->root()), 0);
    EXPECT_EQ(e->name(), "%catalog;");
    EXPECT_EQ(e->value(), "id ID #IMPLIED");
    EXPECT_EQ(e->value_span().first, 21);
}

TEST(Dtd, ConditionalSectionsNest) {
    const std::string text =
        "<![ %draft; [<!ELEMENT a EMPTY><![IGNORE[<!ELEMENT b EMPTY>]]><!--c-->]]>\n"
        "<!ELEMENT c EMPTY>";
    auto tree = parse_dtd(text);
    EXPECT_TRUE(messages(*tree).empty());
    auto* root = static_cast<DoctypeNode*>(tree->root());
    ASSERT_EQ(root->declarations().size(), 2);
    auto* outer = dynamic_cast<ConditionalBlockNode*>(root->declarations()[0]);
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->condition(), "%draft;");
    EXPECT_EQ(outer->first(), 0);
    EXPECT_EQ(outer->last(), 72);
    EXPECT_EQ(outer->text(), text.substr(0, 73));
    EXPECT_EQ(query_text(*outer, kQueryDisplay), "Conditional block: %draft;");
    NodeDescription d = describe(*outer);
    EXPECT_STREQ(d.type_name, "Conditional block");
    EXPECT_EQ(d.kind_code, 14);
    EXPECT_EQ(d.child_count, 2);
    auto* inner = dynamic_cast<ConditionalBlockNode*>(outer->child(1));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->text(), "<![IGNORE[<!ELEMENT b EMPTY>]]>");
    // What an IGNORE section holds is any text, kept as written and not read as declarations.
    EXPECT_EQ(inner->child(0), nullptr);
    ASSERT_EQ(outer->body()->misc().size(), 1);
    EXPECT_EQ(outer->body()->misc()[0]->preceding(), 2u);
    EXPECT_EQ(written(*root), text + "\n");
}

TEST(Dtd, DeepNestingNeitherOverflowsNorLosesTheBlocks) {
    constexpr int kDepth = 200000;
    std::string text;
    for (int i = 0; i < kDepth; ++i) text += "<![%x;[";
    text += "<!ELEMENT deep EMPTY>";
    for (int i = 0; i < kDepth; ++i) text += "]]>";
    auto tree = parse_dtd(text);
    EXPECT_TRUE(messages(*tree).empty());
    Node* n = tree->root();
    int depth = 0;
    while (auto* block = dynamic_cast<ConditionalBlockNode*>(n->child(0))) {
        n = block;
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(dynamic_cast<DtdElementNode*>(n->child(0))->name(), "deep");
    EXPECT_EQ(written(*tree->root()), text + "\n");

    // Cut short, every open block ends where the parse stopped and keeps what it holds.
    tree = parse_dtd(text.substr(0, text.size() - 3 * (kDepth / 2)));
    ASSERT_FALSE(messages(*tree).empty());
    EXPECT_EQ(messages(*tree)[0],
              "error@" + std::to_string(text.size() - 3 * (kDepth / 2)) + " Expecting ]]>");
    auto* outer = dynamic_cast<ConditionalBlockNode*>(tree->root()->child(0));
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->last(), static_cast<TextPos>(text.size() - 3 * (kDepth / 2)) - 1);
}

TEST(Doctype, WritingInterleavesCommentsAndInstructions) {
    const char* text =
        "<!DOCTYPE a PUBLIC \"p\" \"s.dtd\" [<!--c--><!ELEMENT a EMPTY>\n"
        "<?pi x?>   <!ATTLIST a\n  b CDATA #IMPLIED><!--end-->]><a/>";
    auto tree = parse_xml(text);
    EXPECT_TRUE(messages(*tree).empty());
    DoctypeNode* doctype = doctype_of(*tree);
    EXPECT_EQ(written(*doctype),
              "<!DOCTYPE a PUBLIC \"p\" \"s.dtd\"[\n"
              "    <!--c-->\n"
              "    <!ELEMENT a EMPTY>\n"
              "    <?pi x?>\n"
              "    <!ATTLIST a\n  b CDATA #IMPLIED>\n"
              "    <!--end-->\n"
              "]>\n");
    EXPECT_EQ(written(*doctype, true),
              "<!DOCTYPE a PUBLIC \"p\" \"s.dtd\"[\n"
              "    <!ELEMENT a EMPTY>\n"
              "    <?pi x?>\n"
              "    <!ATTLIST a\n  b CDATA #IMPLIED>\n"
              "]>\n");
    // A subset of comments alone is kept unless comments are removed.
    tree = parse_xml("<!DOCTYPE a [<!--only-->]><a/>");
    EXPECT_EQ(written(*doctype_of(*tree)), "<!DOCTYPE a[\n    <!--only-->\n]>\n");
    EXPECT_EQ(written(*doctype_of(*tree), true), "<!DOCTYPE a>\n");
    // Top-level comments after the DOCTYPE count it as the first item.
    tree = parse_xml("<!DOCTYPE a><!--x--><a/>");
    ASSERT_EQ(tree->document_node()->misc().size(), 1);
    auto* comment = static_cast<TextNode*>(tree->node_at(tree->document_node()->misc()[0]));
    EXPECT_EQ(comment->preceding(), 1u);
}

struct CancellingJob final : Job {
    int calls = 0, cancel_after = -1, last_progress = -1;
    void set_progress(int p) override { last_progress = p; }
    void set_status_text(std::string_view) override {}
    void yield_point() override {
        if (++calls == cancel_after) throw JobCancelled();
    }
};

TEST(Dtd, ReportsProgressAndStopsWhenCancelled) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "<!ELEMENT e" + std::to_string(i) + " (#PCDATA)>\n";
    CancellingJob job;
    auto tree = parse_dtd(text, &job);
    EXPECT_EQ(static_cast<DoctypeNode*>(tree->root())->declarations().size(), 5000);
    EXPECT_EQ(job.last_progress, 99);
    EXPECT_GT(job.calls, 50);
    CancellingJob cancelling;
    cancelling.cancel_after = 5;
    EXPECT_THROW(parse_dtd(text, &cancelling), JobCancelled);
}

}  // namespace
}  // namespace tessel
