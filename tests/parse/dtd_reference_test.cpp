// DTDs and DOCTYPEs that Debian ships: they parse without a diagnostic, and the markup
// declarations found agree in number and order with an independent count made by plain
// string search over the text with its comments removed. The written form of two real DTDs and
// of a DOCTYPE with an internal subset is compared with golden files (tests/data/dtd/); a
// mismatch leaves NAME.new beside the golden file for review.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "foundation/string_builder.h"
#include "parse/doctype_parser.h"
#include "parse/dtd_nodes.h"
#include "parse/indent_options.h"
#include "tests/file_contents.h"
#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// "KEYWORD name" for each markup declaration, found by plain string search: "<!" and a
// keyword, white space, an optional "% " of a parameter entity, and the name up to white
// space or ">".
std::vector<std::string> reference_declarations(std::string text) {
    for (size_t at = text.find("<!--"); at != std::string::npos; at = text.find("<!--", at)) {
        size_t end = text.find("-->", at + 4);
        text.replace(at, end == std::string::npos ? std::string::npos : end + 3 - at, " ");
    }
    std::vector<std::string> out;
    for (size_t at = text.find("<!"); at != std::string::npos; at = text.find("<!", at + 2)) {
        for (std::string keyword : {"ELEMENT", "ATTLIST", "ENTITY", "NOTATION"}) {
            size_t i = at + 2;
            if (text.compare(i, keyword.size(), keyword) != 0) continue;
            i += keyword.size();
            if (i >= text.size() || !blank(text[i])) continue;
            while (i < text.size() && blank(text[i])) ++i;
            if (i + 1 < text.size() && text[i] == '%' && blank(text[i + 1]))
                while (++i < text.size() && blank(text[i])) {
                }
            size_t name = i;
            while (i < text.size() && !blank(text[i]) && text[i] != '>') ++i;
            out.push_back(keyword + " " + text.substr(name, i - name));
        }
    }
    return out;
}

// The same from the tree, conditional sections included, in document order.
void our_declarations(Node* list, std::vector<std::string>& out) {
    for (int32_t i = 0; Node* n = list->child(i); ++i) {
        if (auto* e = dynamic_cast<DtdElementNode*>(n)) {
            if (e->keyword() != DtdElementNode::kReferenceKeyword)
                out.push_back(std::string(e->keyword()) + " " + std::string(e->name()));
        } else if (auto* block = dynamic_cast<ConditionalBlockNode*>(n)) {
            our_declarations(block, out);
        }
    }
}

// DTDs of packages that keep them outside /usr/share/xml.
constexpr const char* kOtherDtds[] = {"/usr/share/polkit-1/policyconfig-1.dtd",
                                      "/usr/share/X11/xkb/rules/xkb.dtd",
                                      "/usr/share/gdb/syscalls/gdb-syscalls.dtd"};
// DTDs whose written form is kept as a golden file.
constexpr const char* kWrittenDtds[] = {"/usr/share/xml/fontconfig/fonts.dtd",
                                        "/usr/share/xml/schema/xml-core/catalog.dtd"};

std::vector<std::string> all_dtds() {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator("/usr/share/xml", ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file() && it->path().extension() == ".dtd")
            files.push_back(it->path().string());
    // A few more from other packages.
    for (const char* extra : kOtherDtds) files.push_back(extra);
    return files;
}

TEST(DtdReference, InstalledDtdsParseCleanlyWithEveryDeclaration) {
    for (const char* required : kOtherDtds) TESSEL_REQUIRE_INPUT(required);
    for (const char* required : kWrittenDtds) TESSEL_REQUIRE_INPUT(required);
    int checked = 0;
    for (const std::string& file : all_dtds()) {
        SCOPED_TRACE(file);
        const std::string text = test::file_contents(file);
        auto tree = parse_dtd(text);
        EXPECT_EQ(test::messages(*tree), std::vector<std::string>{});
        std::vector<std::string> ours;
        our_declarations(tree->root(), ours);
        std::vector<std::string> reference = reference_declarations(text);
        EXPECT_GT(reference.size(), 0u);
        EXPECT_EQ(ours, reference);
        ++checked;
    }
    EXPECT_GE(checked, 5);
}

TEST(DtdReference, InstalledDocumentsWithDoctypes) {
    const char* mime = "/usr/share/mime/packages/freedesktop.org.xml";
    TESSEL_REQUIRE_INPUT("/etc/fonts/fonts.conf");
    TESSEL_REQUIRE_INPUT(mime);
    // fonts.conf names its DTD by a system identifier.
    {
        auto tree = parse_xml(test::file_contents("/etc/fonts/fonts.conf"));
        EXPECT_EQ(test::messages(*tree), std::vector<std::string>{});
        auto* doctype = dynamic_cast<DoctypeNode*>(tree->document_node()->doctype());
        ASSERT_NE(doctype, nullptr);
        EXPECT_EQ(doctype->root_name()->text(), "fontconfig");
        EXPECT_EQ(doctype->system_id()->text(), "urn:fontconfig:fonts.dtd");
        EXPECT_EQ(test::root_element(*tree)->name(), "fontconfig");
    }
    // The shared MIME database carries its DTD as an internal subset, comments between.
    const std::string text = test::file_contents(mime);
    auto tree = parse_xml(text);
    EXPECT_EQ(test::messages(*tree), std::vector<std::string>{});
    auto* doctype = dynamic_cast<DoctypeNode*>(tree->document_node()->doctype());
    ASSERT_NE(doctype, nullptr);
    const size_t subset_end = text.find("]>");
    ASSERT_NE(subset_end, std::string::npos);
    EXPECT_EQ(doctype->last(), static_cast<TextPos>(subset_end + 1));
    std::vector<std::string> ours;
    our_declarations(doctype, ours);
    EXPECT_EQ(ours, reference_declarations(text.substr(0, subset_end)));
    EXPECT_GT(doctype->misc().size(), 0);
    EXPECT_EQ(test::root_element(*tree)->name(), "mime-info");
}

void expect_golden(Node& node, const std::string& name) {
    IndentOptions options;
    options.remove_comments = false;
    StringBuilder out;
    node.write(out, options, 0);
    const fs::path golden = fs::path(TESSEL_TEST_DATA) / "dtd" / name;
    const std::string actual(out.view());
    if (fs::exists(golden) && test::file_contents(golden) == actual) {
        fs::remove(golden.string() + ".new");
        return;
    }
    std::ofstream(golden.string() + ".new", std::ios::binary) << actual;
    ADD_FAILURE() << "written form differs from " << golden << " (see " << name << ".new)";
}

TEST(DtdReference, WrittenFormsMatchTheGoldenFiles) {
    for (const char* dtd : kWrittenDtds) TESSEL_REQUIRE_INPUT(dtd);
    for (const char* dtd : kWrittenDtds) {
        SCOPED_TRACE(dtd);
        const std::string text = test::file_contents(dtd);
        auto tree = parse_dtd(text);
        expect_golden(*tree->root(), fs::path(dtd).filename().string() + ".written");
    }
    const std::string sample = test::file_contents(fs::path(TESSEL_TEST_DATA) / "dtd" / "subset.xml");
    ASSERT_FALSE(sample.empty());
    auto tree = parse_xml(sample);
    EXPECT_EQ(test::messages(*tree), std::vector<std::string>{});
    expect_golden(*tree->document_node()->doctype(), "subset.xml.written");
}

}  // namespace
}  // namespace tessel
