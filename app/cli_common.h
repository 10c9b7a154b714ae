// What the tessel-cli commands share: reading files, splitting arguments, reporting.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <memory>

#include "parse/default_languages.h"
#include "parse/diagnostics.h"
#include "parse/document_tree.h"

namespace tessel::cli {

// The command line of one command: options (with their values) and operands, in any order.
struct Arguments {
    std::vector<std::string_view> operands;
    std::vector<std::pair<std::string_view, std::string_view>> options;  // name, value
    bool help = false;
    std::string error;  // set when the arguments cannot be understood
};

// Splits args; `valued` lists the options that take a value ("--depth"), `flags` those that
// do not. Accepts "--name value" and "--name=value".
Arguments split_arguments(const std::vector<std::string_view>& args,
                          const std::vector<std::string_view>& valued,
                          const std::vector<std::string_view>& flags);
std::optional<std::string_view> option(const Arguments& a, std::string_view name);

// Reads a whole file as UTF-8 text, detecting its encoding and dropping a byte-order mark as
// the editor's loader does.
bool read_file(const std::string& path, std::string& bytes, std::string& error);

// The type a file is parsed as: --type ("xml", "dtd" or "json", any case) when given, else
// the type of its extension; a file whose extension names no type is read as XML, which is
// what the batch tool is for. Null with *error set for an unknown --type.
const DocumentType* document_type(const std::string& path, std::optional<std::string_view> type,
                                  std::string* error);
// The file's text parsed as type; the tree may lack a root when the parse failed outright.
std::unique_ptr<DocumentTree> parse_document(const DocumentType& type, std::string_view text);

// Line (from 1) and column (from 1, in characters) of byte offsets in one text.
class LineColumns {
public:
    explicit LineColumns(std::string_view text);
    std::pair<int32_t, int32_t> at(int32_t offset) const;

private:
    std::string_view text_;
    std::vector<int32_t> starts_;
};

// "FILE:LINE:COLUMN: error|warning: MESSAGE" for each diagnostic, its details indented
// below it (the Description detail repeats the message and is left out).
void print_diagnostics(const std::string& file, std::string_view text, const DiagnosticList& list);

// Escapes line breaks and tabs so that a text fits on one output line.
std::string one_line(std::string_view text);

}  // namespace tessel::cli
