// tessel-cli indent: writes a document again from its parsed tree with uniform indentation,
// as the editor's Indent command does.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "file/file_reader.h"
#include "file/file_writer.h"
#include "foundation/arena.h"
#include "parse/xml_indenter.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli indent FILE [-o OUT] [--indent-size N] [--max-attributes N]\n"
    "                         [--remove-comments] [--force] [--type xml|dtd|json]\n"
    "Writes FILE again from its parsed tree: one element a line, indented N blanks a level\n"
    "(--indent-size, 1 to 9, default 4), the attributes of a tag on lines of their own when it\n"
    "has more than --max-attributes (0 to 100, default 8), comments kept unless\n"
    "--remove-comments is given. The result goes to standard output in UTF-8, or with -o safely\n"
    "to OUT in FILE's encoding. A document with errors, or with text its parsed tree does not\n"
    "hold (which indenting would delete), is not indented (exit 1) unless --force is given.\n"
    "DTD documents are written one declaration a line, JSON documents with four\n"
    "blanks a level; the type comes from the extension (XML otherwise) or from --type.\n"
    "Indentation stops growing at level 64: deeper lines keep the indentation of level 64,\n"
    "so the output grows linearly with the document however deep it nests. When FILE's\n"
    "first line ends CR LF, every line of the output ends CR LF.\n";

bool parse_number(std::string_view text, int lowest, int highest, int32_t& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= lowest &&
           value <= highest;
}

// The encoding FILE is read in, from its first block, decided by the editor's reader.
EncodingId file_encoding(const std::string& path) {
    EncodingId encoding = kEncodingUnspecified;
    FileReader reader(path, &encoding);
    LargeArena arena;
    std::string_view text;
    if (reader.open()) reader.read(FileReader::kBlockSize, arena, &text);
    return encoding == kEncodingUnspecified ? kEncodingUtf8 : encoding;
}

}  // namespace

int run_indent(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {"-o", "--indent-size", "--max-attributes", "--type"},
                                  {"--remove-comments", "--keep-comments", "--force"});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    IndentOptions options;
    if (a.error.empty()) {
        if (auto size = option(a, "--indent-size");
            size && !parse_number(*size, 1, 9, options.indent_size))
            a.error = "--indent-size needs a number from 1 to 9";
    }
    if (a.error.empty()) {
        if (auto most = option(a, "--max-attributes");
            most && !parse_number(*most, 0, 100, options.max_attributes))
            a.error = "--max-attributes needs a number from 0 to 100";
    }
    // Comments are kept by default; --keep-comments, the switch of older versions, still
    // means what it said.
    options.remove_comments = option(a, "--remove-comments").has_value();
    if (a.error.empty() && options.remove_comments && option(a, "--keep-comments"))
        a.error = "--remove-comments and --keep-comments contradict each other";
    if (a.error.empty() && a.operands.size() != 1) a.error = "give exactly one file";
    if (!a.error.empty()) {
        std::fprintf(stderr, "tessel-cli indent: %s\n", a.error.c_str());
        return 2;
    }
    const std::string path(a.operands[0]);
    std::string text, error;
    if (!read_file(path, text, error)) {
        std::fprintf(stderr, "tessel-cli indent: cannot read %s: %s\n", path.c_str(),
                     error.c_str());
        return 2;
    }

    auto tree = parse_file("indent", path, text, option(a, "--type"));
    if (!tree) return 2;
    const DiagnosticList& diagnostics = tree->diagnostics();
    if (!tree->root() && diagnostics.error_count() == 0) {
        std::fprintf(stderr, "tessel-cli indent: %s: no document to indent\n", path.c_str());
        return 1;
    }
    if ((diagnostics.error_count() > 0 && !option(a, "--force")) || !tree->root()) {
        const Diagnostic* first = diagnostics.at(diagnostics.first_error());
        const auto [line, column] = LineColumns(text).at(first->position());
        const std::string message(first->message());
        std::fprintf(stderr,
                     "tessel-cli indent: %s:%d:%d: error: %s (%d error(s) in all); nothing "
                     "written (--force indents what was parsed)\n",
                     path.c_str(), line, column, one_line(message).c_str(),
                     diagnostics.error_count());
        return 1;
    }
    // Indenting writes the tree: text the parse passed over would be gone.
    if (!tree->holds_all_text() && !option(a, "--force")) {
        const auto [line, column] = LineColumns(text).at(tree->first_dropped_text());
        std::fprintf(stderr,
                     "tessel-cli indent: %s:%d:%d: the parse passed over text here that "
                     "indenting would delete; nothing written (--force indents what was "
                     "parsed)\n",
                     path.c_str(), line, column);
        return 1;
    }

    IndentedText out;
    // A document whose lines end CR LF is written with CR LF throughout.
    switch (write_indented(*tree, options, out, nullptr, first_line_ending(text))) {
        case IndentStatus::done:
            break;
        case IndentStatus::too_large:
            std::fprintf(stderr,
                         "tessel-cli indent: %s: the indented document would be larger "
                         "than 2 GiB; nothing written\n",
                         path.c_str());
            return 1;
        case IndentStatus::out_of_memory:
            std::fprintf(stderr, "tessel-cli indent: %s: not enough memory; nothing written\n",
                         path.c_str());
            return 1;
    }

    if (auto output = option(a, "-o")) {
        remove_temporary_files_on_signals();
        const std::string out_path(*output);
        if (!write_file(out_path, file_encoding(path), out.view(), error)) {
            std::fprintf(stderr, "tessel-cli indent: %s\n", one_line_message(error).c_str());
            return 2;
        }
        return 0;
    }
    // A write error is reported with every command's output (finish_output).
    std::fwrite(out.c_str(), 1, out.size(), stdout);
    return 0;
}

}  // namespace tessel::cli
