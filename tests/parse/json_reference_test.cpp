// Tessel's JSON tree against an independent parser: for the JSON files Debian ships, the
// members, their order and their values come out the same, without any diagnostic; and
// what the writer makes of a tree parses back into the same tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "foundation/string_builder.h"
#include "parse/indent_options.h"
#include "parse/json_nodes.h"
#include "parse/json_parser.h"
#include "tests/file_contents.h"
#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

using Reference = nlohmann::ordered_json;
namespace fs = std::filesystem;

// One line per container start ("{" or "["), member name ("@name"), value ("=" and the
// value in the reference's own serialisation) and container end ("}" or "]").
void walk_reference(const Reference& root, std::vector<std::string>& out) {
    struct Frame {
        const Reference* node;
        Reference::const_iterator next;
    };
    std::vector<Frame> stack;
    auto enter = [&](const Reference& j) {
        if (j.is_structured()) {
            out.push_back(j.is_object() ? "{" : "[");
            stack.push_back({&j, j.begin()});
        } else {
            out.push_back("=" + j.dump());
        }
    };
    enter(root);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.node->end()) {
            out.push_back(f.node->is_object() ? "}" : "]");
            stack.pop_back();
            continue;
        }
        auto it = f.next++;
        if (f.node->is_object()) out.push_back("@" + it.key());
        enter(*it);  // may invalidate f
    }
}

// The same for our tree. Strings and numbers are decoded by the reference, so that escapes
// and number spellings compare by meaning.
void walk_ours(JsonContainerNode* root, std::vector<std::string>& out) {
    struct Frame {
        JsonContainerNode* node;
        int32_t next;
    };
    std::vector<Frame> stack{{root, 0}};
    out.push_back(root->is_object() ? "{" : "[");
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.node->child_count()) {
            out.push_back(f.node->is_object() ? "}" : "]");
            stack.pop_back();
            continue;
        }
        JsonNode* child = f.node->json_child(f.next++);
        if (JsonMemberName* m = child->member())
            out.push_back(
                "@" + Reference::parse("\"" + std::string(m->name()) + "\"").get<std::string>());
        if (child->is_container()) {
            auto* c = static_cast<JsonContainerNode*>(child);
            out.push_back(c->is_object() ? "{" : "[");
            stack.push_back({c, 0});  // invalidates f
        } else {
            auto* v = static_cast<JsonValueNode*>(child);
            std::string text(v->text());
            if (v->is_string()) text = "\"" + text + "\"";
            out.push_back("=" + Reference::parse(text).dump());
        }
    }
}

std::vector<fs::path> system_json_files() {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator
             it("/usr/share", fs::directory_options::skip_permission_denied, ec),
         end;
         it != end; it.increment(ec)) {
        if (ec) break;
        if (it->is_regular_file(ec) && it->path().extension() == ".json")
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Writes the tree, parses the output, and walks both.
void expect_round_trip(JsonContainerNode* root, const std::string& where) {
    StringBuilder out;
    ASSERT_TRUE(root->write(out, IndentOptions{}, 0));
    const std::string text(out.view());
    auto again = parse_json(text);
    EXPECT_TRUE(test::messages(*again).empty()) << where;
    ASSERT_NE(json_root(*again), nullptr) << where;
    std::vector<std::string> first, second;
    walk_ours(root, first);
    walk_ours(json_root(*again), second);
    EXPECT_EQ(first, second) << where;
}

TEST(JsonReference, SystemFilesGiveTheReferenceTree) {
    TESSEL_REQUIRE_INPUT("/usr/share/iso-codes/json");
    int iso_files = 0, compared = 0;
    for (const fs::path& path : system_json_files()) {
        const std::string text = test::file_contents(path);
        Reference reference;
        try {
            reference = Reference::parse(text);
        } catch (const nlohmann::json::parse_error&) {
            continue;  // not strict JSON: nothing to compare with
        }
        if (!reference.is_structured()) continue;
        auto tree = parse_json(text);
        EXPECT_TRUE(test::messages(*tree).empty()) << path;
        JsonContainerNode* root = json_root(*tree);
        ASSERT_NE(root, nullptr) << path;
        std::vector<std::string> ours, theirs;
        walk_ours(root, ours);
        walk_reference(reference, theirs);
        EXPECT_EQ(ours, theirs) << path;
        expect_round_trip(root, path.string());
        ++compared;
        iso_files += path.string().starts_with("/usr/share/iso-codes/json/");
    }
    // Every file of iso-codes is JSON; they must all have been compared.
    std::error_code ec;
    int iso_present = 0;
    for (const auto& e : fs::directory_iterator("/usr/share/iso-codes/json", ec))
        iso_present += e.path().extension() == ".json";
    EXPECT_GT(iso_present, 0);
    EXPECT_EQ(iso_files, iso_present);
    EXPECT_GE(compared, iso_present);
}

TEST(JsonReference, EscapesNumbersAndUnicodeAgree) {
    const std::string text =
        R"({"esc":"a\"b\\c\/d\b\f\n\r\t\u00e9\ud83d\ude00","ü":"日本","n":[-0,1.5e-3,1E+2,)"
        R"(123456789012345678901234567890,-12],"k":{"":[]},"t":[true,false,null]})";
    auto tree = parse_json(text);
    EXPECT_TRUE(test::messages(*tree).empty());
    ASSERT_NE(json_root(*tree), nullptr);
    std::vector<std::string> ours, theirs;
    walk_ours(json_root(*tree), ours);
    walk_reference(Reference::parse(text), theirs);
    EXPECT_EQ(ours, theirs);
    expect_round_trip(json_root(*tree), "inline");
}

}  // namespace
}  // namespace tessel
