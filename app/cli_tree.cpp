// tessel-cli tree: prints the outline of a parsed document, one node a line.
#include <charconv>
#include <cstdio>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "parse/node_description.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli tree FILE [--depth N] [--type xml|dtd|json]\n"
    "Prints the parsed document as an outline: one node a line with the text the tree view\n"
    "shows for it, indented two blanks per level (line breaks and tabs in texts appear as\n"
    "\\n, \\r and \\t). Below level 64 the indentation stays at 128 blanks and each line\n"
    "starts with its level in brackets, e.g. [65]. --depth N stops N levels below the document.\n";

// Deeper levels keep this indentation and show their level as a number, so that the output
// grows with the document, not with the square of its depth.
constexpr int kIndentLevels = 64;

void print_outline(Node* node, int depth, int max_depth, DocumentTree& tree) {
    // An explicit stack: documents may nest deeper than the call stack would like.
    struct Frame {
        Node* node;
        int depth;
    };
    std::vector<Frame> stack{{node, depth}};
    HugeArena arena;
    QueryResult result;
    while (!stack.empty()) {
        Frame f = stack.back();
        stack.pop_back();
        ArenaMark mark = arena.mark();
        run_query(*f.node, kQueryDisplay, arena, result, &tree);
        if (f.depth <= kIndentLevels)
            std::printf("%*s%s\n", 2 * f.depth, "", one_line(result.text).c_str());
        else
            std::printf("%*s[%d] %s\n", 2 * kIndentLevels, "", f.depth,
                        one_line(result.text).c_str());
        arena.release(mark);
        if (output_failed()) return;  // reported when the command ends
        if (max_depth >= 0 && f.depth >= max_depth) continue;
        size_t at = stack.size();
        for (int32_t i = 0; Node* c = f.node->child(i); ++i) stack.push_back({c, f.depth + 1});
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(at), stack.end());
    }
}

}  // namespace

int run_tree(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {"--depth", "--type"}, {});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    int depth = -1;
    if (auto d = option(a, "--depth")) {
        auto [end, ec] = std::from_chars(d->data(), d->data() + d->size(), depth);
        if (ec != std::errc() || end != d->data() + d->size() || depth < 0)
            a.error = "--depth needs a number of levels, 0 or more";
    }
    if (a.error.empty() && a.operands.size() != 1) a.error = "give exactly one file";
    if (!a.error.empty()) {
        std::fprintf(stderr, "tessel-cli tree: %s\n", a.error.c_str());
        return 2;
    }
    std::string path(a.operands[0]), text, error;
    if (!read_file(path, text, error)) {
        std::fprintf(stderr, "tessel-cli tree: cannot read %s: %s\n", path.c_str(), error.c_str());
        return 2;
    }
    auto tree = parse_file("tree", path, text, option(a, "--type"));
    if (!tree) return 2;
    if (!has_document("tree", path, text, *tree)) return 1;
    print_outline(tree->root(), 0, depth, *tree);
    return 0;
}

}  // namespace tessel::cli
