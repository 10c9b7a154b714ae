// Tessel's tree against an independent parser: for well-formed documents, real ones that
// Debian ships and generated ones, the elements, attribute names and raw values, and
// trimmed texts come out the same and in the same order, without any diagnostic.
#include <gtest/gtest.h>

#include <filesystem>
#include <pugixml.hpp>
#include <random>

#include "tests/file_contents.h"
#include "tests/parse/parse_support.h"
#include "tests/parse/pugi_outline.h"

namespace tessel {
namespace {

void walk_ours(DocumentTree& tree, ElementNode* e, std::vector<std::string>& out) {
    // An explicit stack keeps deep documents off the call stack.
    struct Frame {
        ElementNode* element;
        int32_t next;
    };
    std::vector<Frame> stack;
    auto open = [&](ElementNode* el) {
        out.push_back("<" + std::string(el->name()));
        for (int32_t i = 0; i < el->attributes().size(); ++i) {
            auto* a = static_cast<AttributeNode*>(tree.node_at(el->attributes()[i]));
            out.push_back("@" + std::string(a->name()) + "=" + std::string(a->value()));
        }
        stack.push_back({el, 0});
    };
    open(e);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.element->content().size()) {
            out.push_back(">");
            stack.pop_back();
            continue;
        }
        uint32_t h = f.element->content()[f.next++];
        Node* n = tree.node_at(h);
        if (auto* child = test::element(n)) {
            open(child);
        } else if (auto* t = dynamic_cast<TextNode*>(n)) {
            out.push_back((t->kind() == kRecordCdata ? "C " : "T ") + std::string(t->text()));
        }
    }
}

std::vector<std::string> our_outline(const std::string& text, std::vector<std::string>& diagnostics) {
    auto tree = parse_xml(text);
    diagnostics = test::messages(*tree);
    std::vector<std::string> out;
    XmlDocumentNode* doc = tree->document_node();
    for (int32_t i = 0; i < doc->items().size(); ++i) {
        Node* n = tree->node_at(doc->items()[i]);
        if (auto* e = test::element(n)) walk_ours(*tree, e, out);
    }
    return out;
}

void expect_same_outline(const std::string& text, const std::string& what) {
    SCOPED_TRACE(what);
    std::vector<std::string> diagnostics;
    std::vector<std::string> ours = our_outline(text, diagnostics);
    EXPECT_TRUE(diagnostics.empty()) << diagnostics.front();
    std::vector<std::string> reference = test::pugi_outline(text);
    ASSERT_EQ(ours.size(), reference.size());
    for (size_t i = 0; i < ours.size(); ++i) ASSERT_EQ(ours[i], reference[i]) << "entry " << i;
}

TEST(XmlReference, RealDocumentsFromDebianPackages) {
    const char* files[] = {
        "/usr/share/mime/packages/freedesktop.org.xml",  // DOCTYPE with an internal subset
        "/usr/share/xml/iso-codes/iso_639-3.xml",
        "/usr/share/xml/iso-codes/iso_4217.xml",
        "/usr/share/X11/xkb/rules/evdev.xml",
        "/etc/fonts/fonts.conf",
    };
    for (const char* file : files) TESSEL_REQUIRE_INPUT(file);
    for (const char* file : files) expect_same_outline(test::file_contents(file), file);
}

TEST(XmlReference, TheBundledSample) {
    expect_same_outline(test::file_contents(std::filesystem::path(TESSEL_SOURCE_DIR) / "samples/catalog.xml"),
                        "samples/catalog.xml");
}

// Generated documents: random nesting, attributes with both quote kinds and entity
// references, mixed content, CDATA, comments and instructions, multi-byte text.
std::string generate(uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char* names[] = {"a", "item", "Name", "x:y", "_u", "\xC3\xA9l\xC3\xA9ment", "n-1.2"};
    const char* texts[] = {"plain", " spaced  out ", "&amp; &lt;", "\xE2\x82\xAC 12,50", "a\nb\r\nc",
                           "tab\there", ">"};
    std::string out = "<?xml version=\"1.0\"?>\n<!-- generated -->\n";
    std::vector<std::string> open;
    int elements = 0;
    auto start = [&] {
        std::string name = names[pick(7)];
        out += "<" + name;
        for (int i = 0, n = pick(4); i < n; ++i) {
            out += (pick(3) ? " " : "\n  ");
            out += "k" + std::to_string(i) + "=";
            out += pick(2) ? "\"v&amp;'" + std::to_string(pick(100)) + "\"" : "'q\"" + std::string(texts[pick(4)]) + "'";
        }
        if (pick(4) == 0) {
            out += "/>";
        } else {
            out += ">";
            open.push_back(name);
        }
        ++elements;
    };
    start();
    while (!open.empty()) {
        int r = pick(10);
        if (r < 3 && elements < 400 && open.size() < 30) {
            start();
        } else if (r < 5) {
            out += texts[pick(7)];
        } else if (r == 5) {
            out += "<![CDATA[" + std::string(pick(2) ? "x < y && z" : "") + "]]>";
        } else if (r == 6) {
            out += pick(2) ? "<!-- note -->" : "<?pi data?>";
        } else if (r == 7) {
            out += "\n" + std::string(open.size() * 2, ' ');
        } else {
            out += "</" + open.back() + ">";
            open.pop_back();
        }
    }
    return out + "\n";
}

TEST(XmlReference, GeneratedDocuments) {
    for (uint32_t seed = 1; seed <= 40; ++seed) expect_same_outline(generate(seed), "seed " + std::to_string(seed));
}

}  // namespace
}  // namespace tessel
