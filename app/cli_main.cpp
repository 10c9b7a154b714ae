// tessel-cli: the headless parts of Tessel for scripts and CI.
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "shell/command_line.h"

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli COMMAND [ARGS]\n"
    "commands:\n"
    "  check FILE...           print the warnings and errors of each document\n"
    "  tree FILE [--depth N]   print the outline of a parsed document\n"
    "  grid FILE [--path P] [--sort N[:desc][,M[:desc]...]] [--filter EXPR]\n"
    "                          print the browser's view of a node, tables tab-separated\n"
    "  stats FILE [--path P] [--column N|NAME] [--filter EXPR]\n"
    "                          describe a column: counts, numbers, histogram, value counts\n"
    "  indent FILE [-o OUT] [--indent-size N] [--max-attributes N] [--remove-comments] [--force]\n"
    "                          write a document again with uniform indentation\n"
    "  set FILE [-o OUT] EDIT...\n"
    "                          change values (PATH@NAME=VALUE, PATH=VALUE), no other byte\n"
    "  encoding FILE...        print the encoding each file is detected as, and why\n"
    "  convert FILE --to NAME [-o OUT] [--allow-loss]\n"
    "                          write a file in another encoding\n"
    "  info FILE...            print the size, lines, characters and line ending of files\n"
    "  --version               print the release number\n"
    "Each command has --help; options may stand before or after the files, each at most\n"
    "once; after -- every argument is a file. A command whose standard output cannot be\n"
    "written says so and exits with status 2.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string_view command = argv[1];
    std::vector<std::string_view> args(argv + 2, argv + argc);
    using namespace tessel::cli;
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return finish_output("help", 0);
    }
    if (command == "--version") {
        std::printf("tessel-cli %.*s\n", static_cast<int>(tessel::kVersion.size()), tessel::kVersion.data());
        return finish_output("version", 0);
    }
    int (*run)(const std::vector<std::string_view>&) = nullptr;
    if (command == "check") run = run_check;
    if (command == "tree") run = run_tree;
    if (command == "grid") run = run_grid;
    if (command == "indent") run = run_indent;
    if (command == "set") run = run_set;
    if (command == "stats") run = run_stats;
    if (command == "encoding") run = run_encoding;
    if (command == "convert") run = run_convert;
    if (command == "info") run = run_info;
    if (!run) {
        std::fprintf(stderr, "tessel-cli: unknown command %s (try --help)\n", argv[1]);
        return 2;
    }
    // Every command's output is checked in one place: a write error is exit status 2.
    try {
        return finish_output(command, run(args));
    } catch (const std::length_error& too_large) {
        // A document whose tree cannot be addressed (see DocumentTree::grow).
        std::fprintf(stderr, "tessel-cli %.*s: %s\n", static_cast<int>(command.size()), command.data(),
                     too_large.what());
        return 2;
    }
}
