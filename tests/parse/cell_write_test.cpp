// Writing cells, differentially: on real documents, random editable cells get random values
// (accepted and refused ones), a few at a time with no parse between them. After each round
// the text must equal the text before it with exactly those cells' source ranges replaced,
// found from the tree the round began with and applied from the back (no shift bookkeeping);
// a new parse must show each written value in its cell and report no diagnostic the document
// did not have; undoing every step must give the original bytes back. The same rounds run
// through `tessel-cli set`, whose output file must hold the same bytes.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "parse/cell_write.h"
#include "parse/edit_shifts.h"
#include "parse/json_nodes.h"
#include "parse/json_parser.h"
#include "parse/path_expression.h"
#include "parse/xml_nodes.h"
#include "parse/xml_parser.h"
#include "text/edit_history.h"
#include "text/text_document.h"

extern char** environ;

namespace tessel {
namespace {

// An editable cell: the node's place below the root, and whether its name is edited.
struct Cell {
    std::vector<int32_t> path;
    bool name = false;
    bool operator<(const Cell& o) const { return std::tie(path, name) < std::tie(o.path, o.name); }
};

Node* node_at(Node& root, const std::vector<int32_t>& path) {
    Node* node = &root;
    for (int32_t i : path)
        if (!(node = node->child(i))) return nullptr;
    return node;
}

// The cell's text as the node holds it, and its source range [first, last] in the text the
// tree was parsed from (an empty element's cell is the empty range after its start tag).
struct Shown {
    std::string text;
    TextPos first = -1;
    TextPos last = -1;
};

Shown shown(Node& node, bool name) {
    if (auto* a = dynamic_cast<AttributeNode*>(&node))
        return name ? Shown{std::string(a->name()), a->name_start(), a->name_end()}
                    : Shown{std::string(a->value()), a->value_start() + 1, a->value_end() - 1};
    if (auto* t = dynamic_cast<TextNode*>(&node)) return {std::string(t->text()), t->start(), t->last()};
    if (auto* e = dynamic_cast<ElementNode*>(&node)) {
        if (TextNode* t = e->single_text()) return {std::string(t->text()), t->start(), t->last()};
        return {"", e->start_tag_end() + 1, e->start_tag_end()};
    }
    if (auto* v = dynamic_cast<JsonValueNode*>(&node)) {
        if (name) {
            const TextRange r = v->member()->name_span();
            return {std::string(v->member()->name()), r.first, r.last};
        }
        return {std::string(v->text()), v->span().first, v->span().last};
    }
    return {};
}

// Every editable cell: attribute values and names, texts and CDATA sections, empty elements
// written with two tags, JSON values and member names.
std::vector<Cell> cells_of(Node& root) {
    std::vector<Cell> out;
    std::vector<int32_t> path;
    std::vector<std::pair<Node*, int32_t>> stack{{&root, 0}};
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        Node* child = node->child(next);
        if (!child) {
            stack.pop_back();
            if (!path.empty()) path.pop_back();
            continue;
        }
        path.push_back(next++);
        if (dynamic_cast<AttributeNode*>(child)) {
            out.push_back({path, false});
            out.push_back({path, true});
        } else if (auto* t = dynamic_cast<TextNode*>(child);
                   t && (t->kind() == kRecordText || t->kind() == kRecordCdata)) {
            out.push_back({path, false});
        } else if (auto* e = dynamic_cast<ElementNode*>(child);
                   e && !e->empty_tag() && e->attributes().empty() && e->content().empty()) {
            out.push_back({path, false});
        } else if (auto* v = dynamic_cast<JsonValueNode*>(child)) {
            out.push_back({path, false});
            if (v->member()) out.push_back({path, true});
        }
        stack.push_back({child, 0});
    }
    return out;
}

// Values a user might type, for every kind of cell: some need escapes, some are refused.
const std::vector<std::string> kTyped = {
    "plain",   "A & B",       "&amp; kept",   "&#233;t&#xE9;", "x]]>y",       "if (a < b)",
    "C:\\",    "back\\slash", "tab\tand\nline", "say \"hi\"",  "it's",        "Grüße 東京",
    "12.5e3",  "-0",          "true",         "null",          "a--b",        "7",
};

bool is_text_cell(Node& node) { return dynamic_cast<TextNode*>(&node) || dynamic_cast<ElementNode*>(&node); }

// The open document as the window holds it: edits go through replace, one undo group a cell.
class DocumentSplicer final : public TextSplicer {
public:
    explicit DocumentSplicer(TextDocument& document) : document_(document) {}
    bool splice(TextPos first, int32_t remove, std::string_view text) override {
        return document_.replace(text, first, remove);
    }

private:
    TextDocument& document_;
};

int run_cli(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Tally {
    int written_again = 0;
    int written = 0;
    int refused = 0;
    int cli_runs = 0;
};

// Runs `rounds` rounds of one to three cell writes on text, parsed by parse.
template <typename Parse>
void check_rounds(const std::string& original, Parse parse, int rounds, bool with_cli,
                  const std::string& extension, unsigned seed, Tally& tally) {
    std::mt19937 rng(seed);
    TextDocument document;
    EditHistory history;
    document.set_history(&history);
    document.set_text(original);
    const std::string scratch = testing::TempDir() + "cell_write_" + std::to_string(seed);
    std::string text = original;
    std::unique_ptr<DocumentTree> tree = parse(text);
    const int32_t diagnostics = tree->diagnostics().count();
    EXPECT_EQ(tree->diagnostics().error_count(), 0);
    int steps = 0;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::vector<Cell> cells = cells_of(*tree->root());
        if (cells.empty()) {
            ADD_FAILURE() << "no editable cells";
            break;
        }
        // One to four writes among two cells, so that a cell is often written again before the
        // parse. Different cells have apart source ranges in the round's first tree; a cell
        // written again ends up holding what was written last.
        std::map<Cell, std::string> round_writes;
        std::map<Cell, Shown> before;
        std::vector<std::string> cli_edits;
        bool written_again = false;
        const Cell* pair[2] = {&cells[rng() % cells.size()], &cells[rng() % cells.size()]};
        const int count = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < count; ++k) {
            const Cell& cell = *pair[rng() % 2];
            Node* node = node_at(*tree->root(), cell.path);
            ASSERT_NE(node, nullptr);
            std::string typed = kTyped[rng() % kTyped.size()];
            const Shown was = shown(*node, cell.name);
            // Through the command line: an attribute by its element's path and its name, any
            // other cell by its own path (a text's path names it by its text: taken before
            // the write).
            std::string cli_edit;
            if (with_cli && !cell.name) {
                std::vector<int32_t> at = cell.path;
                if (auto* a = dynamic_cast<AttributeNode*>(node)) {
                    at.pop_back();
                    cli_edit = format_path(*tree->root(), at) + "@" + std::string(a->name()) + "=" + typed;
                } else {
                    cli_edit = format_path(*tree->root(), at) + "=" + typed;
                }
            }
            const std::string now = document.text();
            // A name already given in this round would repeat an attribute's name.
            if (cell.name) typed += std::to_string(tally.written);
            DocumentSplicer splicer(document);
            history.begin_group();
            const CellWrite result =
                write_cell(*tree, *node, typed, cell.name ? kQueryName : kQueryValue4, splicer);
            history.end_group();
            ASSERT_FALSE(result.failed);
            if (result.refusal) {
                ++tally.refused;
                EXPECT_EQ(document.text(), now) << "a refused value changed the text";
                continue;
            }
            ++tally.written;
            ++steps;
            EXPECT_GT(result.replacements, 0);
            written_again = written_again || round_writes.count(cell);
            round_writes[cell] = result.written;
            before.insert({cell, was});
            // The node shows what was written at once, before any parse.
            EXPECT_EQ(shown(*node, cell.name).text, result.written);
            if (!cli_edit.empty()) cli_edits.push_back(cli_edit);
        }
        // The reference: the round's ranges in its first tree, replaced from the back.
        std::vector<std::pair<Shown, std::string>> ranges;
        for (const auto& [cell, written] : round_writes) ranges.push_back({before[cell], written});
        std::sort(ranges.begin(), ranges.end(),
                  [](const auto& a, const auto& b) { return a.first.first > b.first.first; });
        std::string expected = text;
        for (const auto& [range, written] : ranges)
            expected.replace(static_cast<size_t>(range.first), static_cast<size_t>(range.last - range.first + 1),
                             written);
        ASSERT_EQ(document.text(), expected) << "bytes outside the written cells changed";

        tally.written_again += written_again;
        // The command line names a text by its text: a text written twice is not found again.
        if (with_cli && !written_again && !cli_edits.empty() && cli_edits.size() == round_writes.size()) {
            const std::string in = scratch + "_in" + extension, out = scratch + "_out" + extension;
            std::ofstream(in, std::ios::binary) << text;
            std::vector<std::string> args{TESSEL_CLI, "set", in, "-o", out};
            args.insert(args.end(), cli_edits.begin(), cli_edits.end());
            EXPECT_EQ(run_cli(args), 0);
            EXPECT_EQ(file_text(out), expected) << "tessel-cli set wrote other bytes";
            ++tally.cli_runs;
        }

        // A new parse shows every written value and no new diagnostic.
        text = document.text();
        tree = parse(text);
        EXPECT_EQ(tree->diagnostics().count(), diagnostics);
        for (const auto& [cell, written] : round_writes) {
            Node* node = node_at(*tree->root(), cell.path);
            ASSERT_NE(node, nullptr);
            const std::string reread = shown(*node, cell.name).text;
            // Texts are trimmed by the parse, and an empty text is none at all.
            if (is_text_cell(*node) && !cell.name) {
                std::string trimmed = written;
                trimmed.erase(0, trimmed.find_first_not_of(" \t\r\n"));
                trimmed.erase(trimmed.find_last_not_of(" \t\r\n") + 1);
                EXPECT_EQ(reread, trimmed);
            } else {
                EXPECT_EQ(reread, written);
            }
        }
    }
    for (int i = 0; i < steps; ++i) ASSERT_TRUE(history.undo());
    EXPECT_EQ(document.text(), original) << "undoing every cell write";
}

std::string read(const char* path) { return file_text(path); }

// A document with what cells meet in the wild: CR LF line ends, a DOCTYPE with an entity,
// references, both quote styles, CDATA, empty elements of both forms, a one-attribute element.
std::string crafted_xml() {
    std::string text = "<?xml version=\"1.0\"?>\r\n<!DOCTYPE c [\r\n<!ENTITY co \"Company\">\r\n]>\r\n<c>\r\n";
    for (int i = 0; i < 6; ++i)
        text += "  <item id=\"" + std::to_string(i) +
                "\" name='Kettler &amp; S\xc3\xb6hne' note=\"&co; &#233;\">Kettler &amp; S\xc3\xb6hne</item>\r\n"
                "  <code><![CDATA[if (a < b) x();]]></code>\r\n  <e></e><f/>\r\n  <single k='v'/>\r\n";
    return text + "</c>\r\n";
}

std::string crafted_json() {
    std::string text = "{\r\n  \"items\": [\r\n";
    for (int i = 0; i < 6; ++i)
        text += std::string(i ? ",\r\n" : "") + "    {\"id\": " + std::to_string(i) +
                ", \"name\": \"tab\\tbed \\u00e9\", \"ok\": true, \"none\": null, \"path\": \"C:\\\\x\"}";
    return text + "\r\n  ]\r\n}\r\n";
}

auto xml = [](std::string_view text) { return parse_xml(text); };
auto json = [](std::string_view text) { return parse_json(text); };

// Text offsets taken back to the tree's: a string model of the writes says where each tree
// offset went; offsets the writes did not replace come back exactly.
TEST(EditShifts, TreeOffsetsOfTheTextAreTheInverseOfCurrent) {
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        EditShifts shifts;
        // Apart ranges [first, first + length) of a 1,000-byte text, each given a new length.
        std::vector<int32_t> origin(1000);  // the tree offset of each text byte, -1 if written
        for (int32_t i = 0; i < 1000; ++i) origin[static_cast<size_t>(i)] = i;
        std::vector<std::pair<int32_t, int32_t>> ranges;
        for (int32_t at = static_cast<int32_t>(rng() % 50); at < 990; at += 10 + static_cast<int32_t>(rng() % 80))
            ranges.push_back({at, static_cast<int32_t>(rng() % 8)});
        // Some ranges are written twice: the second time over what the first one wrote.
        for (size_t i = 0, n = ranges.size(); i < n; i += 3) ranges.push_back({ranges[i].first, -1});
        std::shuffle(ranges.begin(), ranges.end(), rng);
        std::map<int32_t, int32_t> now_long;  // the current length of each range written
        std::vector<int32_t> insertions;  // where an empty range was written into
        for (auto [first, length] : ranges) {
            if (length < 0) {
                if (!now_long.count(first)) continue;  // its first write comes later
                length = now_long[first];
            }
            const int32_t written = static_cast<int32_t>(rng() % 12);
            now_long[first] = written;
            if (length == 0) insertions.push_back(first);
            const TextPos now = shifts.current(first);
            origin.erase(origin.begin() + now, origin.begin() + now + length);
            origin.insert(origin.begin() + now, static_cast<size_t>(written), -1);
            shifts.record(first, length, written);
        }
        for (int32_t c = 0; c < static_cast<int32_t>(origin.size()); ++c) {
            if (origin[static_cast<size_t>(c)] >= 0) {
                ASSERT_EQ(shifts.tree_offset(c), origin[static_cast<size_t>(c)]) << "round " << round << " at " << c;
                // At an insertion point the current offset is the inserted text's start.
                const int32_t t = origin[static_cast<size_t>(c)];
                if (std::find(insertions.begin(), insertions.end(), t) == insertions.end()) {
                    ASSERT_EQ(shifts.current(t), c);
                }
            }
        }
    }
}

TEST(CellWrite, RandomCellsOfRealXmlChangeOnlyTheirBytesAndUndoToTheOriginal) {
    const std::string freedesktop = read("/usr/share/mime/packages/freedesktop.org.xml");
    if (freedesktop.empty()) GTEST_SKIP() << "no shared MIME database here";
    Tally tally;
    check_rounds(freedesktop, xml, 12, false, ".xml", 1, tally);
    EXPECT_GT(tally.written, 5);
}

TEST(CellWrite, CraftedXmlAndJsonBehaveTheSameThroughTheCommandLine) {
    Tally xml_tally, json_tally;
    check_rounds(crafted_xml(), xml, 40, true, ".xml", 2, xml_tally);
    check_rounds(crafted_json(), json, 40, true, ".json", 3, json_tally);
    const std::string codes = read("/usr/share/iso-codes/json/iso_3166-1.json");
    if (!codes.empty()) check_rounds(codes, json, 15, true, ".json", 4, json_tally);
    // Both outcomes were met, and the command line ran.
    EXPECT_GT(xml_tally.written, 10);
    EXPECT_GT(xml_tally.refused, 3);
    EXPECT_GT(xml_tally.cli_runs, 5);
    EXPECT_GT(xml_tally.written_again, 5);
    EXPECT_GT(json_tally.written, 10);
    EXPECT_GT(json_tally.refused, 3);
    EXPECT_GT(json_tally.cli_runs, 5);
    EXPECT_GT(json_tally.written_again, 5);
}

}  // namespace
}  // namespace tessel
