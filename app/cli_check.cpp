// tessel-cli check: parses documents and prints their diagnostics.
#include <cstdio>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "encoding/xml_declaration.h"
#include "parse/dtd_nodes.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli check FILE... [--type xml|dtd|json]\n"
    "Parses each file (as the type its extension names, XML otherwise, or as --type) and\n"
    "prints its warnings and errors as\n"
    "  FILE:LINE:COLUMN: error|warning: MESSAGE\n"
    "with their details indented below, then the summary \"N warning(s), M error(s)\"\n"
    "(\"FILE: N warning(s), M error(s)\" when several files are given), followed by\n"
    "\", not well-formed\" when the file is not well-formed XML (or not a JSON text).\n"
    "Nearly every warning makes a document not well-formed too: warnings are what the editor\n"
    "can keep as written. An empty or blank XML or JSON file is not well-formed.\n"
    "Exit status: 1 when any file is not well-formed, 2 when a file cannot be read (or is\n"
    "XML in an encoding this tool does not read) or standard output cannot be written,\n"
    "else 0.\n";

// The encoding name an XML text declares when it is none the editor reads (the text was
// then read as UTF-8, and what is wrong with it says nothing of the document), else "".
std::string unreadable_declared_encoding(std::string_view text) {
    const XmlDeclaration declaration = read_declaration(text);
    if (!declaration.complete || declaration.encoding != kEncodingUnspecified) return {};
    const std::string_view head = text.substr(0, declaration.end);
    const size_t at = head.find("encoding");
    if (at == std::string_view::npos) return {};
    const size_t open = head.find_first_of("\"'", at);
    if (open == std::string_view::npos) return {};
    const size_t close = head.find(head[open], open + 1);
    if (close == std::string_view::npos) return {};
    const std::string_view name = head.substr(open + 1, close - open - 1);
    // A name of letters, digits, ".", "_" and "-" after a first letter; any other is a
    // broken declaration, which the parse reports.
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (name.empty() || !letter(name[0])) return {};
    for (char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '.' && c != '_' && c != '-') return {};
    return std::string(name);
}

}  // namespace

int run_check(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {"--type"}, {});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!a.error.empty() || a.operands.empty()) {
        std::fprintf(stderr, "tessel-cli check: %s\n",
                     a.error.empty() ? "no file given" : a.error.c_str());
        return 2;
    }
    int status = 0;
    for (std::string_view operand : a.operands) {
        std::string path(operand), text, error;
        if (!read_file(path, text, error)) {
            std::fprintf(stderr, "tessel-cli check: cannot read %s: %s\n", path.c_str(), error.c_str());
            status = 2;
            continue;
        }
        // Only the diagnostics are printed: the tree keeps no records.
        auto tree = parse_file("check", path, text, option(a, "--type"), true);
        if (!tree) return 2;
        if (const std::string name = unreadable_declared_encoding(text); !name.empty()) {
            std::fprintf(stderr,
                         "tessel-cli check: cannot check %s: its declared encoding %s is not "
                         "one this tool reads\n",
                         path.c_str(), name.c_str());
            status = 2;
            continue;
        }
        const DiagnosticList& list = tree->diagnostics();
        print_diagnostics(path, text, list);
        // The editor leaves an empty text unflagged, as a new document starts so; an empty
        // XML or JSON file is no document (an empty DTD is one: it may declare nothing).
        const char* empty = nullptr;
        if (text.empty() && list.count() == 0 && !dynamic_cast<DoctypeNode*>(tree->root()))
            empty = tree->root() ? "Expecting root element" : "Expecting a JSON value";
        if (empty) {
            std::printf("%s:1:1: warning: %s\n  Location: Beginning of file\n"
                        "  Found instead: End of file\n",
                        path.c_str(), empty);
        }
        // With several files each summary says whose it is.
        if (a.operands.size() > 1) std::printf("%s: ", path.c_str());
        const bool well_formed = list.well_formed() && !empty;
        std::printf("%s%s\n", empty ? "1 warning(s), 0 error(s)" : list.summary().c_str(),
                    well_formed ? "" : ", not well-formed");
        if (!well_formed && status == 0) status = 1;
    }
    return status;
}

}  // namespace tessel::cli
