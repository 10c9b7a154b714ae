// Well-formedness against an independent reference (libxml2 for XML, nlohmann for JSON):
// one group of cases per constraint, each a minimal document that breaks only that constraint
// beside a near miss that keeps it; generated well-formed documents that must get no
// diagnostic, and mutations of them that break one constraint each and must get an error
// exactly where they break it.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "parse/doctype_parser.h"
#include "parse/dtd_nodes.h"
#include "parse/json_parser.h"
#include "parse/xml_indenter.h"
#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

using test::messages;
using Strings = std::vector<std::string>;

bool libxml2_accepts(const std::string& text) {
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    xmlDocPtr doc =
        xmlCtxtReadMemory(context, text.data(), static_cast<int>(text.size()), "doc.xml", "UTF-8",
                          XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool ok = doc != nullptr && context->wellFormed;
    xmlFreeDoc(doc);
    xmlFreeParserCtxt(context);
    return ok;
}

int errors(const DocumentTree& tree) {
    return const_cast<DocumentTree&>(tree).diagnostics().error_count();
}

struct Case {
    const char* constraint;
    std::string broken;
    std::string near_miss;
    // The diagnostic that reports it is a warning of long standing, not an error.
    bool warning = false;
};

const std::string kPrefix = "<!DOCTYPE a [";
std::string subset(const std::string& declarations, const std::string& body = "<a/>") {
    return kPrefix + declarations + "]>" + body;
}

std::vector<Case> cases() {
    return {
        // Characters.
        {"Char in text", "<a>\xEF\xBF\xBE</a>", "<a>\xEF\xBF\xBD</a>"},
        // An encoded surrogate is no UTF-8: stray bytes, reported as a lone 0xFF is.
        {"Char in text (surrogate)", "<a>\xED\xA0\x80</a>", "<a>\xED\x9F\xBF</a>", true},
        {"Char in an attribute value", "<a b='\xEF\xBF\xBF'/>", "<a b='\xEF\xBF\xBD'/>"},
        {"Char in a comment", "<a><!--\xEF\xBF\xBE--></a>", "<a><!--\xF0\x90\x80\x80--></a>"},
        {"Char in an instruction", "<a><?p \xEF\xBF\xBE?></a>", "<a><?p \xF4\x8F\xBF\xBF?></a>"},
        {"Char in CDATA", "<a><![CDATA[\xEF\xBF\xBF]]></a>", "<a><![CDATA[\xEE\x80\x80]]></a>"},
        {"Char in a control", "<a>\x01</a>", "<a>\t</a>", true},
        {"Legal character reference", "<a>&#xFFFE;</a>", "<a>&#xFFFD;</a>"},
        {"Legal character reference (zero)", "<a>&#0;</a>", "<a>&#9;</a>"},
        {"Legal character reference (beyond U+10FFFF)", "<a>&#x110000;</a>", "<a>&#x10FFFF;</a>"},
        {"Legal character reference (surrogate)", "<a>&#55296;</a>", "<a>&#55295;</a>"},
        {"Legal character reference in an attribute", "<a b='&#1;'/>", "<a b='&#32;'/>"},
        // Names.
        {"Name start of an element", "<1a/>", "<a1/>"},
        {"Name start of an attribute", "<a -b='x'/>", "<a b-='x'/>"},
        // The XML declaration.
        {"XML declaration: version required", "<?xml encoding='UTF-8'?><a/>",
         "<?xml version='1.0' encoding='UTF-8'?><a/>"},
        {"XML declaration: version first", "<?xml standalone='yes' version='1.0'?><a/>",
         "<?xml version='1.0' standalone='yes'?><a/>"},
        {"XML declaration: encoding before standalone",
         "<?xml version='1.0' standalone='yes' encoding='UTF-8'?><a/>",
         "<?xml version='1.0' encoding='UTF-8' standalone='yes'?><a/>"},
        {"XML declaration: white space between pseudo-attributes",
         "<?xml version='1.0'encoding='UTF-8'?><a/>",
         "<?xml version='1.0'  encoding='UTF-8' ?><a/>"},
        {"XML declaration: version number", "<?xml version='1.x'?><a/>",
         "<?xml version = '1.0'?><a/>"},
        {"XML declaration: encoding name", "<?xml version='1.0' encoding='-utf8'?><a/>",
         "<?xml version='1.0' encoding='utf-8'?><a/>"},
        {"XML declaration: standalone yes or no", "<?xml version='1.0' standalone='true'?><a/>",
         "<?xml version='1.0' standalone='no'?><a/>"},
        {"XML declaration: no other pseudo-attribute", "<?xml version='1.0' lang='en'?><a/>",
         "<?xml version='1.0'?><a/>"},
        {"XML declaration: first in the document", "<!--c--><?xml version='1.0'?><a/>",
         "<?xml version='1.0'?><!--c--><a/>"},
        // Instructions.
        {"Instruction target present", "<a><? x?></a>", "<a><?x ?></a>"},
        {"Instruction target xml reserved", "<a><?XmL x?></a>", "<a><?xml-stylesheet x?></a>"},
        {"Instruction target then white space", "<a><?t!x?></a>", "<a><?t !x?></a>"},
        // Comments.
        {"Comment without --", "<a><!-- a -- b --></a>", "<a><!-- a - b --></a>"},
        {"Comment without - before -->", "<a><!-- a ---></a>", "<a><!-- a - --></a>"},
        // Elements.
        {"End tag names its element", "<a></>", "<a></a>"},
        {"Element type match", "<a></b>", "<a></a >", true},
        {"Unique attribute", "<a b='1' b='2'/>", "<a b='1' c='2'/>", true},
        {"One root element", "<a/><b/>", "<a/><!--c--><?p?>\n"},
        {"Nothing but markup after the root", "<a/>x", "<a/> \n", true},
        {"CDATA only inside the root", "<![CDATA[x]]><a/>", "<a><![CDATA[x]]></a>"},
        {"CDATA only inside the root (after it)", "<a/><![CDATA[x]]>", "<a/>"},
        {"No ]]> in text", "<a>x]]>y</a>", "<a>x]]&gt;y] ]>]]</a>"},
        {"No < in an attribute value", "<a b='<'/>", "<a b='&lt;'/>", true},
        {"& begins a reference in text", "<a>x & y</a>", "<a>x &amp; y</a>"},
        {"& begins a reference in an attribute value", "<a b='x & y'/>", "<a b='x &amp; y'/>",
         true},
        // Entities.
        {"Entity declared (no DOCTYPE)", "<a>&e;</a>", "<a>&lt;&gt;&amp;&apos;&quot;</a>"},
        {"Entity declared (in an attribute value)", "<a b='&e;'/>", "<a b='&quot;'/>"},
        {"Entity declared (internal subset)", subset("<!ENTITY e 'x'>", "<a>&f;</a>"),
         subset("<!ENTITY e 'x'>", "<a>&e;</a>")},
        {"Entity declared (standalone)",
         "<?xml version='1.0' standalone='yes'?><!DOCTYPE a SYSTEM 'a.dtd'><a>&e;</a>",
         "<?xml version='1.0'?><!DOCTYPE a SYSTEM 'a.dtd'><a>&e;</a>"},
        {"Entity declared (inside an entity)", subset("<!ENTITY foo '&bar;'>", "<a b='&foo;'/>"),
         subset("<!ENTITY foo '&bar;'><!ENTITY bar 'x'>", "<a b='&foo;'/>")},
        {"No recursion", subset("<!ENTITY e1 '&e2;'><!ENTITY e2 '&e1;'>", "<a>&e1;</a>"),
         subset("<!ENTITY e1 '&e2;&e2;'><!ENTITY e2 'x'>", "<a>&e1;</a>")},
        {"No recursion (itself)", subset("<!ENTITY e 'x&e;'>", "<a>&e;</a>"),
         subset("<!ENTITY e 'x&amp;'>", "<a>&e;</a>")},
        {"Parsed entity",
         subset("<!NOTATION n SYSTEM 'n'><!ENTITY e SYSTEM 'e.png' NDATA n>", "<a>&e;</a>"),
         subset("<!NOTATION n SYSTEM 'n'><!ENTITY e SYSTEM 'e.png' NDATA n>", "<a>e</a>")},
        {"No external entity reference in an attribute value",
         subset("<!ENTITY e SYSTEM 'e.xml'>", "<a b='&e;'/>"),
         subset("<!ENTITY e SYSTEM 'e.xml'>", "<a/>")},
        {"No < in attribute values through an entity",
         subset("<!ENTITY e '&#60;'>", "<a b='&e;'/>"),
         subset("<!ENTITY e '&#62;'>", "<a b='&e;'/>")},
        {"Replacement text well-formed", subset("<!ENTITY e '<b>'>", "<a>&e;</a>"),
         subset("<!ENTITY e '<b/>'>", "<a>&e;</a>")},
        {"Replacement text well-formed (tags across entities)",
         subset("<!ENTITY e '<b>'><!ENTITY f '</b>'>", "<a>&e;&f;</a>"),
         subset("<!ENTITY e '<b>x</b>'><!ENTITY f '<c/>'>", "<a>&e;&f;</a>")},
        // The DOCTYPE header.
        {"DOCTYPE: white space between its parts", "<!DOCTYPE a SYSTEM'a.dtd'><a/>",
         "<!DOCTYPE a SYSTEM 'a.dtd'><a/>"},
        {"DOCTYPE: one external identifier", "<!DOCTYPE a SYSTEM 'a.dtd' SYSTEM 'b.dtd'><a/>",
         "<!DOCTYPE a PUBLIC '-//x//y' 'a.dtd' [<!ENTITY e 'x'>] ><a/>"},
        {"DOCTYPE: public identifier characters", "<!DOCTYPE a PUBLIC 'a{b' 'a.dtd'><a/>",
         "<!DOCTYPE a PUBLIC 'a(b)' 'a.dtd'><a/>"},
        // Declarations of the internal subset.
        {"Content model: occurrence right after its particle", subset("<!ELEMENT a (b *)>"),
         subset("<!ELEMENT a ( b* )>")},
        {"Content model: one separator a group", subset("<!ELEMENT a (b,c|d)>"),
         subset("<!ELEMENT a (b,(c|d))+>")},
        {"Content model: EMPTY, ANY or a group", subset("<!ELEMENT a EMPTY ANY>"),
         subset("<!ELEMENT a ANY>")},
        {"Content model: a name or a group", subset("<!ELEMENT a (b,)>"),
         subset("<!ELEMENT a (b?,c)>")},
        {"Mixed content: #PCDATA first", subset("<!ELEMENT a (b|#PCDATA)*>"),
         subset("<!ELEMENT a (#PCDATA|b)*>")},
        {"Mixed content: names then )*", subset("<!ELEMENT a (#PCDATA|b)>"),
         subset("<!ELEMENT a (#PCDATA)>")},
        {"Mixed content: | between names", subset("<!ELEMENT a (#PCDATA,b)*>"),
         subset("<!ELEMENT a (#PCDATA | b | c)*>")},
        {"Attribute list: enumeration", subset("<!ATTLIST a a1 (foo,bar) #IMPLIED>"),
         subset("<!ATTLIST a a1 (foo|bar) #IMPLIED>")},
        {"Attribute list: type", subset("<!ATTLIST a a1 STRING #IMPLIED>"),
         subset("<!ATTLIST a a1 CDATA #IMPLIED a2 NMTOKENS #REQUIRED>")},
        {"Attribute list: default", subset("<!ATTLIST a a1 CDATA #DEFAULT>"),
         subset("<!ATTLIST a a1 CDATA #FIXED 'x'>")},
        {"Attribute list: no < in a default", subset("<!ATTLIST a a1 CDATA '<'>"),
         subset("<!ATTLIST a a1 CDATA '&lt;'>")},
        {"Attribute list: notation type",
         subset("<!NOTATION n SYSTEM 'n'><!ATTLIST a a1 NOTATION n #IMPLIED>"),
         subset("<!NOTATION n SYSTEM 'n'><!ATTLIST a a1 NOTATION (n) #IMPLIED>")},
        {"Entity declaration: external identifier", subset("<!ENTITY e SYSTEM>"),
         subset("<!ENTITY e SYSTEM 'e'>")},
        {"Entity declaration: public identifier", subset("<!ENTITY e PUBLIC 'a{' 'e'>"),
         subset("<!ENTITY e PUBLIC 'a-//x' 'e'>")},
        {"Entity declaration: & begins a reference", subset("<!ENTITY e 'a & b'>"),
         subset("<!ENTITY e 'a &#38; b'>")},
        {"Notation declaration", subset("<!NOTATION n>"), subset("<!NOTATION n PUBLIC 'p'>")},
        {"Parameter-entity references between declarations only",
         subset("<!ENTITY % p 'CDATA'><!ATTLIST a b %p; #IMPLIED>"),
         subset("<!ENTITY % p '<!ATTLIST a b CDATA #IMPLIED>'>%p;")},
        {"Parameter-entity references not in entity values",
         subset("<!ENTITY % p 'x'><!ENTITY e '%p;'>"), subset("<!ENTITY % p 'x'><!ENTITY e 'p;'>")},
        {"Parameter-entity text between declarations is declarations",
         subset("<!ENTITY % p 'x'>%p;"), subset("<!ENTITY % p ' <!-- x --> '>%p;")},
        {"Parameter-entity text between declarations is declarations (a cut one)",
         subset("<!ENTITY % p '<!ELEMENT a'>%p;"), subset("<!ENTITY % p '<!ELEMENT a ANY>'>%p;")},
        // Attribute-list defaults are attribute values: their references are checked as
        // those of the document's attribute values are, against the entities declared before.
        {"Default value: entity declared", subset("<!ATTLIST a b CDATA '&u;'>"),
         subset("<!ENTITY u 'x'><!ATTLIST a b CDATA '&u;'>")},
        {"Default value: entity declared before", subset("<!ATTLIST a b CDATA '&u;'><!ENTITY u 'x'>"),
         subset("<!ENTITY u 'x'><!ATTLIST a b CDATA #FIXED '&u;'><!ENTITY v 'y'>")},
        {"Default value: no recursion", subset("<!ENTITY e '&e;'><!ATTLIST a b CDATA '&e;'>"),
         subset("<!ENTITY e '&amp;'><!ATTLIST a b CDATA '&e;'>")},
        {"Default value: no external entity",
         subset("<!ENTITY e SYSTEM 'e.xml'><!ATTLIST a b CDATA '&e;'>"),
         subset("<!ENTITY e SYSTEM 'e.xml'><!ATTLIST a b CDATA 'e'>")},
        {"Default value: parsed entity",
         subset("<!NOTATION n SYSTEM 'n'><!ENTITY e SYSTEM 'e' NDATA n><!ATTLIST a b CDATA '&e;'>"),
         subset("<!NOTATION n SYSTEM 'n'><!ENTITY e SYSTEM 'e' NDATA n><!ATTLIST a b ENTITY 'e'>")},
        {"Default value: no < through an entity",
         subset("<!ENTITY e '&#60;'><!ATTLIST a b CDATA '&e;'>"),
         subset("<!ENTITY e '&#62;'><!ATTLIST a b CDATA '&e;'>")},
        // Bytes that are no characters, and the faults the forgiving parse reports as warnings.
        {"Char in text (NUL)", std::string("<a>\0</a>", 8), "<a>&#x20;</a>", true},
        {"Char in an attribute value (control)", "<a b='\x1F'/>", "<a b='\x20'/>", true},
        {"UTF-8 (a stray byte)", "<a>\xFF</a>", "<a>\xC3\xBF</a>", true},
        {"UTF-8 (declared, holding Latin-1)", "<?xml version='1.0' encoding='UTF-8'?><a>\xE9</a>",
         "<?xml version='1.0' encoding='UTF-8'?><a>\xC3\xA9</a>", true},
        {"White space between attributes", "<a b='1'c='2'/>", "<a b='1' c='2'/>", true},
        {"A root element (blank text)", " \r\n\t", " \r\n\t<a/>", true},
        {"A root element (comment only)", "<!--c-->", "<!--c--><a/>"},
        {"Text only inside the root (before it)", "x<a/>", "\n<a/>", true},
    };
}

TEST(WellFormedness, EachConstraintIsReportedAndItsNearMissIsNot) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.constraint);
        // The cases themselves are right: the reference rejects each broken document and
        // accepts each near miss.
        EXPECT_FALSE(libxml2_accepts(c.broken)) << c.broken;
        EXPECT_TRUE(libxml2_accepts(c.near_miss)) << c.near_miss;
        auto broken = parse_xml(c.broken);
        if (c.warning)
            EXPECT_FALSE(messages(*broken).empty()) << c.broken;
        else
            EXPECT_GE(errors(*broken), 1) << c.broken;
        // A warning breaks well-formedness all the same: `check` fails on each.
        EXPECT_FALSE(broken->diagnostics().well_formed()) << c.broken;
        auto near_miss = parse_xml(c.near_miss);
        EXPECT_TRUE(near_miss->diagnostics().well_formed()) << c.near_miss;
        // Leading white space is legal, and still pointed out where markup was wanted.
        if (c.near_miss.find_first_not_of(" \r\n\t") == 0) {
            EXPECT_EQ(messages(*near_miss), Strings{}) << c.near_miss;
        }
    }
}

TEST(WellFormedness, TheExamplesOfTheReportAreLocatedAtTheOffendingCharacter) {
    struct Located {
        std::string text;
        std::string message;
        Strings details;
    };
    const Located located[] = {
        {"<doc></>",
         "error@7 Expecting close tag name",
         {"Location=After '</'", "Found instead=>"}},
        {"<doc/><doc/>",
         "error@6 Expecting comment, instruction or end of file after the root element",
         {"Location=After '/>'", "Found instead=<"}},
        {"<doc>&#xD800;</doc>",
         "error@5 Expecting a character reference to a character",
         {"Location=After '>'", "Found instead=&#xD800;"}},
        {"<!DOCTYPE doc [<!ENTITY foo \"&bar;\">]><doc a=\"&foo;\"/>",
         "error@46 Expecting a declared entity",
         {"Location=After 'a=\"'", "Found instead=&bar;"}},
        {"<!DOCTYPE doc [<!ENTITY e1 \"&e2;\"><!ENTITY e2 \"&e1;\">]><doc>&e1;</doc>",
         "error@60 Expecting an entity that does not refer to itself",
         {"Location=After '>'", "Found instead=&e1;"}},
        {"<!DOCTYPE doc [<!ELEMENT doc (a *)>]><doc/>",
         "error@32 Expecting , | or )",
         {"Location=After '<!ELEMENT doc (a '", "Found instead=*"}},
        {"<?xml version=\"1.0\"encoding=\"UTF-8\" ?><doc/>",
         "error@19 Expecting white space",
         {"Location=After '<?xml version=\"1.0\"'", "Found instead=e"}},
        // An entity whose replacement holds markup is well-formed content and an error in an
        // attribute value, whichever use comes first: each use has its own verdict.
        {"<!DOCTYPE a [<!ENTITY e \"<b/>\">]>\n<a>&e;<c x=\"&e;\"/></a>\n",
         "error@46 Expecting no < in an attribute value, also through an entity",
         {"Location=After 'x=\"'", "Found instead=<"}},
        {"<!DOCTYPE a [<!ENTITY e \"<b/>\">]>\n<a><c x=\"&e;\"/>&e;</a>\n",
         "error@43 Expecting no < in an attribute value, also through an entity",
         {"Location=After 'x=\"'", "Found instead=<"}},
        {"<!DOCTYPE a [<!ATTLIST a x CDATA \"&u;\">]><a/>",
         "error@34 Expecting a declared entity",
         {"Location=After '<!ATTLIST a x CDATA \"'", "Found instead=&u;"}},
    };
    for (const Located& l : located) {
        auto tree = parse_xml(l.text);
        ASSERT_EQ(messages(*tree), Strings{l.message}) << l.text;
        EXPECT_EQ(test::details(*tree, 0), l.details) << l.text;
    }
}

TEST(WellFormedness, TheParseGoesOnAfterEachErrorAndKeepsTheTree) {
    auto tree = parse_xml("<r><a>&#1;</a><?xml x?><b>&u;</b><!-- -- --><c></></r>");
    EXPECT_EQ(errors(*tree), 5);
    ElementNode* r = test::root_element(*tree);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->content().size(), 3);  // a, b and c
}

TEST(WellFormedness, DtdDocumentsCheckTheirConditionalSectionsAndTextDeclaration) {
    EXPECT_TRUE(messages(*parse_dtd("<?xml encoding='UTF-8'?><![INCLUDE[<!ELEMENT a ANY>]]>"
                                    "<![ IGNORE [<!ELEMENT b ANY>]]><!ELEMENT c %p;>"))
                    .empty());
    EXPECT_EQ(messages(*parse_dtd("<![MAYBE[<!ELEMENT a ANY>]]>")),
              Strings{"error@3 Expecting INCLUDE or IGNORE"});
    // An IGNORE section holds any characters, with the sections inside it paired up; it is
    // written back as it stands.
    for (const std::string ignored :
         {"<![IGNORE[ a ]] b <![ c ]]> ]]>", "<![IGNORE[]]>", "<![IGNORE[<![IGNORE[ x ]]>]]>",
          "<![ IGNORE [ <!ELEMENT ' ]]>", "<![IGNORE[ <![INCLUDE[ < ]]> ]]]>",
          "<![INCLUDE[<![IGNORE[ %p; <!-- ]]>]]>"}) {
        const std::string text = ignored + "\n<!ELEMENT a EMPTY>\n";
        auto tree = parse_dtd(text);
        EXPECT_EQ(messages(*tree), Strings{}) << text;
        auto* root = static_cast<DoctypeNode*>(tree->root());
        ASSERT_EQ(root->declarations().size(), 2) << text;
        EXPECT_EQ(indent_document(*tree, IndentOptions{}), text);
    }
    // Its characters are still characters, and its sections must close.
    EXPECT_EQ(messages(*parse_dtd("<![IGNORE[ \xFF ]]><!ELEMENT a EMPTY>")),
              Strings{"warning@11 Invalid Unicode sequence"});
    EXPECT_EQ(messages(*parse_dtd("<![IGNORE[ <![ x ]]>\n")),
              Strings{"error@21 Unexpected end of file"});
    EXPECT_EQ(messages(*parse_dtd("<![IGNORE[ x ]]")), Strings{"error@15 Unexpected end of file"});
    EXPECT_EQ(messages(*parse_dtd("<?xml version='1.0'?><!ELEMENT a ANY>")),
              Strings{"error@19 Expecting encoding"});
    EXPECT_EQ(messages(*parse_dtd("<!ELEMENT a (b|c,d)>")),
              Strings{"error@16 Expecting | (one kind of separator in a group)"});
}

// ---- generated documents ----

// A generator of well-formed documents with everything the checks read: an XML declaration,
// a DOCTYPE with entities and declarations, attributes with references, text with
// references, comments, instructions and CDATA sections. Each place where a mutation can
// break one constraint is remembered.
class Generator {
public:
    explicit Generator(uint32_t seed) : random_(seed) {}

    struct Document {
        std::string text;
        std::vector<size_t> text_spots;                    // offsets inside text content
        std::vector<size_t> comment_spots;                 // offsets inside comment bodies
        std::vector<std::pair<size_t, size_t>> end_names;  // spans of end-tag names
        size_t subset_spot = std::string::npos;            // between declarations
    };

    Document make() {
        d_ = Document{};
        if (chance(2))
            d_.text += pick({"<?xml version='1.0'?>\n",
                             "<?xml version=\"1.1\" encoding='UTF-8' standalone='no'?>"});
        const bool doctype = chance(2);
        if (doctype) {
            d_.text +=
                "<!DOCTYPE r [\n<!ENTITY e1 'one &#38;amp; &#x41;'>\n<!ENTITY e2 "
                "\"&e1;<b>&e1;</b>\">\n";
            d_.subset_spot = d_.text.size();
            d_.text += pick({"<!ELEMENT r (a|b|c)*>", "<!ELEMENT r (#PCDATA|a|b)*>",
                             "<!ELEMENT r ANY>", "<!ELEMENT a ((b,c?)+|d)>"});
            d_.text += pick({"<!ATTLIST r id ID #IMPLIED k (x|y-1|2) 'x'>",
                             "<!ATTLIST a v CDATA #FIXED 'q&amp;'>", "<!-- declarations -->"});
            d_.text += pick(
                {"<!NOTATION n PUBLIC 'pub'>", "<!ENTITY % p SYSTEM 'p.ent'>", "<?pi in subset?>"});
            d_.text += "]>\n";
        }
        if (chance(2)) comment();
        element(0, doctype);
        if (chance(2)) d_.text += pick({"\n<!-- after -->", "\n<?after?>", "\n"});
        return d_;
    }

private:
    bool chance(int n) { return random_() % uint32_t(n) == 0; }
    std::string pick(std::initializer_list<const char*> options) {
        return *(options.begin() + random_() % options.size());
    }
    std::string name() {
        return pick({"a", "b", "c", "d", "item", "x.y", "n-1", "_u", "h:i", "\xC3\xA9t\xC3\xA9"});
    }
    void comment() {
        d_.text += "<!--";
        d_.comment_spots.push_back(d_.text.size());
        d_.text += pick({" note ", "a-b", "", " \xE2\x82\xAC "});
        d_.text += "-->";
    }
    void text(bool doctype) {
        d_.text_spots.push_back(d_.text.size());
        d_.text +=
            pick({"text ", "a &amp; b ", "&#x20AC;&#65;", "] ]> ", "x]]", "&lt;&gt;&quot;&apos;"});
        if (doctype && chance(2)) d_.text += pick({"&e1;", "&e2;"});
        d_.text_spots.push_back(d_.text.size());
    }
    void element(int depth, bool doctype) {
        const std::string n = name();
        d_.text += "<" + n;
        const int attributes = int(random_() % 3);
        for (int i = 0; i < attributes; ++i) {
            d_.text += " a" + std::to_string(i) + "=";
            std::string value = pick({"v", "&amp;&#60;", "x y", "&quot;'"});
            if (doctype && chance(3)) value += "&e1;";
            d_.text += "\"" + value + "\"";
        }
        if (depth >= 3 || chance(4)) {
            d_.text += "/>";
            return;
        }
        d_.text += ">";
        const int children = 1 + int(random_() % 4);
        for (int i = 0; i < children; ++i) {
            switch (random_() % 5) {
                case 0:
                    element(depth + 1, doctype);
                    break;
                case 1:
                    comment();
                    break;
                case 2:
                    d_.text += pick({"<?p data?>", "<?target?>", "<?xml-stylesheet href='s'?>"});
                    break;
                case 3:
                    d_.text += pick({"<![CDATA[<x> & ]]]]>", "<![CDATA[]]>"});
                    break;
                default:
                    text(doctype);
                    break;
            }
        }
        d_.text += "</";
        d_.end_names.push_back({d_.text.size(), d_.text.size() + n.size()});
        d_.text += n + ">";
    }

    std::mt19937 random_;
    Document d_;
};

struct Mutation {
    std::string text;
    size_t first, last;  // the span that breaks the constraint
    const char* what;
};

// Inserts `piece` at `at`; the error must lie inside the inserted text.
Mutation insert(const std::string& text, size_t at, const std::string& piece, const char* what) {
    return {text.substr(0, at) + piece + text.substr(at), at, at + piece.size() - 1, what};
}

std::vector<Mutation> mutations(const Generator::Document& d, std::mt19937& random) {
    std::vector<Mutation> out;
    auto any = [&](const std::vector<size_t>& spots) { return spots[random() % spots.size()]; };
    if (!d.text_spots.empty()) {
        const size_t at = any(d.text_spots);
        out.push_back(insert(d.text, at, "&undeclared;", "undeclared entity"));
        out.push_back(insert(d.text, at, "&#xFFFE;", "reference to a non-character"));
        out.push_back(insert(d.text, at, "\xEF\xBF\xBF", "literal non-character"));
        out.push_back(insert(d.text, at, "]]>", "]]> in text"));
        out.push_back(insert(d.text, at, "<?xml v?>", "reserved target"));
        out.push_back(insert(d.text, at, "& ", "bare &"));
    }
    if (!d.comment_spots.empty())
        out.push_back(insert(d.text, any(d.comment_spots), "--", "-- in a comment"));
    if (!d.end_names.empty()) {
        const auto [first, end] = d.end_names[random() % d.end_names.size()];
        out.push_back(
            {d.text.substr(0, first) + d.text.substr(end), first, first, "end tag without a name"});
    }
    out.push_back(insert(d.text, d.text.size(), "<second/>", "second root element"));
    if (d.subset_spot != std::string::npos) {
        out.push_back(insert(d.text, d.subset_spot, "<!ELEMENT q (a *)>", "content model"));
        out.push_back(
            insert(d.text, d.subset_spot, "<!ATTLIST q v (x,y) #IMPLIED>", "enumeration"));
        out.push_back(
            insert(d.text, d.subset_spot, "<!ENTITY w '%pe;'>", "parameter entity in a value"));
    }
    return out;
}

TEST(WellFormedness, GeneratedDocumentsAreCleanAndEachMutationIsAnErrorWhereItIs) {
    Generator generate(20261209);
    std::mt19937 random(7);
    int mutated = 0;
    for (int round = 0; round < 300; ++round) {
        const Generator::Document d = generate.make();
        SCOPED_TRACE(d.text);
        ASSERT_TRUE(libxml2_accepts(d.text));
        ASSERT_EQ(messages(*parse_xml(d.text)), Strings{});
        for (const Mutation& m : mutations(d, random)) {
            SCOPED_TRACE(std::string(m.what) + ": " + m.text);
            EXPECT_FALSE(libxml2_accepts(m.text));
            auto tree = parse_xml(m.text);
            // Nothing before the mutation is reported, and the first diagnostic is an error
            // inside the text that breaks the constraint.
            const DiagnosticList& list = tree->diagnostics();
            ASSERT_GE(list.error_count(), 1);
            EXPECT_FALSE(list.well_formed());
            const Diagnostic* first = list.at(0);
            EXPECT_EQ(first->severity(), Severity::error);
            EXPECT_GE(first->position(), static_cast<TextPos>(m.first));
            EXPECT_LE(first->position(), static_cast<TextPos>(m.last));
            // A check, which keeps no records, reports the same.
            EXPECT_EQ(messages(*parse_xml(m.text, nullptr, TreeKeeps::diagnostics)), messages(*tree));
            ++mutated;
        }
    }
    EXPECT_GT(mutated, 1500);
}

// ---- JSON ----

bool nlohmann_accepts(const std::string& text) {
    return nlohmann::json::accept(text);
}

TEST(WellFormedness, JsonAnyValueIsADocument) {
    for (const char* text :
         {"\"a lone string\"", "42", "-0.5e-3", "true", "false", "null", " \n null \t"}) {
        ASSERT_TRUE(nlohmann_accepts(text));
        auto tree = parse_json(text);
        EXPECT_EQ(messages(*tree), Strings{}) << text;
        ASSERT_NE(tree->root(), nullptr) << text;
    }
    EXPECT_EQ(messages(*parse_json("1 2")), Strings{"warning@2 Expecting End of file"});
}

// Strings made of pieces that are right and wrong by RFC 8259: the parser warns exactly
// when the reference rejects the string.
TEST(WellFormedness, JsonStringsAgreeWithTheReference) {
    const std::vector<std::string> pieces = {
        "a",       " ",       "\\\"",    "\\\\",           "\\/",      "\\b", "\\f", "\\n",
        "\\r",     "\\t",     "\\u00e9", "\\uD83D\\uDE00", "\xC3\xA9", "\\x", "\\a", "\\u12",
        "\\u12G4", "\\uD800", "\\uDC00", "\\uD800\\u0041", "\t",       "\n",  "\r",  "\\q",
        "\\'",     "\\U0041",
    };
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        std::string s;
        const int n = 1 + int(random() % 4);
        for (int i = 0; i < n; ++i) s += pieces[random() % pieces.size()];
        const std::string text = round % 2 ? "[\"" + s + "\"]" : "{\"" + s + "\": 1}";
        const bool reference = nlohmann_accepts(text);
        auto tree = parse_json(text);
        EXPECT_EQ(messages(*tree).empty(), reference) << text;
        EXPECT_EQ(errors(*tree), 0) << text;  // warnings only: the tree keeps the string
        EXPECT_NE(tree->root(), nullptr) << text;
    }
}

TEST(WellFormedness, JsonByteOrderMarkAloneIsReported) {
    EXPECT_EQ(messages(*parse_json("\xEF\xBB\xBF")),
              Strings{"warning@3 Expecting a JSON value after the byte-order mark"});
    EXPECT_EQ(messages(*parse_json("\xEF\xBB\xBF[1]")), Strings{});
}

// A JSON text is not valid when anything is reported but the escape of a lone surrogate,
// which the grammar allows (the reference here refuses it, as many readers do).
TEST(WellFormedness, JsonValidityAgreesWithTheReference) {
    for (const std::string text :
         {" \n", "\xEF\xBB\xBF", "[1,]", "[1] 2", "// c\n[1]", "/* c */", "[\"\x01\"]",
          "[\"\xFF\"]", "{\"a\" 1}", "[\"\\x\"]", "[tru]", "[01]", "[1]", "\"\"", " {} ",
          "[\"\\uD83D\\uDE00\"]"}) {
        auto tree = parse_json(text);
        EXPECT_EQ(tree->diagnostics().well_formed(), nlohmann_accepts(text)) << text;
    }
    // An empty text is left unflagged, as a new document starts so (`check` reports an empty
    // file itself).
    EXPECT_EQ(messages(*parse_json("")), Strings{});
    EXPECT_EQ(messages(*parse_xml("")), Strings{});
    for (const char* lone : {"[\"\\uD800\"]", "[\"\\uDC00x\"]"}) {
        auto tree = parse_json(lone);
        EXPECT_EQ(messages(*tree).size(), 1u) << lone;
        EXPECT_TRUE(tree->diagnostics().well_formed()) << lone;
    }
}

// A check, which keeps no nodes, reports what a full parse reports: on a document, on each
// deletion of one of its bytes and on each insertion of a structural byte anywhere in it.
TEST(WellFormedness, AJsonCheckReportsWhatTheFullParseReports) {
    const std::string base =
        R"({"a": [1, 2.5, "x\n", {"b": null, "c": [true, false]}], "d": {"e": "f", "e": -0.1e3}, "g": []})";
    const std::string inserts = "{}[],:\"\\ 1a-/";
    int reported = 0;
    for (size_t at = 0; at <= base.size(); ++at) {
        for (size_t kind = 0; kind <= inserts.size(); ++kind) {
            std::string text = base;
            if (kind == 0) {
                if (at == base.size()) continue;
                text.erase(at, 1);
            } else {
                text.insert(at, 1, inserts[kind - 1]);
            }
            const Strings full = messages(*parse_json(text));
            EXPECT_EQ(messages(*parse_json(text, nullptr, TreeKeeps::diagnostics)), full) << text;
            reported += !full.empty();
        }
    }
    EXPECT_GT(reported, 1000);
    for (const char* lone : {"1", "\"s\"", "[]", "{}", "nul"})
        EXPECT_EQ(messages(*parse_json(lone, nullptr, TreeKeeps::diagnostics)), messages(*parse_json(lone))) << lone;
}

TEST(WellFormedness, JunkGetsOneDiagnosticARunAndAtMostTheCap) {
    // Runs of bytes that are no UTF-8 make one diagnostic each.
    EXPECT_EQ(
        messages(*parse_xml("<a>\xFF\xFE\xFD x \x80\x80</a>")),
        (Strings{"warning@3 Invalid Unicode sequence", "warning@9 Invalid Unicode sequence"}));
    // Past the cap the rest is counted in one last diagnostic.
    std::string junk = "<a>";
    for (int i = 0; i < DiagnosticList::kMaxDiagnostics + 500; ++i) junk += "\xFF ";
    junk += "</a>";
    auto tree = parse_xml(junk);
    const DiagnosticList& list = tree->diagnostics();
    ASSERT_EQ(list.count(), DiagnosticList::kMaxDiagnostics);
    const Diagnostic* last = list.at(list.count() - 1);
    EXPECT_EQ(last->message(), DiagnosticList::kNotListed);
    EXPECT_EQ(last->details()[1]->text(), "501 more: 501 warning(s), 0 error(s)");
    EXPECT_EQ(list.error_count(), 0);
}

}  // namespace
}  // namespace tessel
