// What the tessel-cli commands share: reading files, splitting arguments, reporting.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <memory>

#include "encoding/encoding.h"
#include "parse/default_languages.h"
#include "parse/diagnostics.h"
#include "parse/document_tree.h"
#include "views/grid_table.h"
#include "views/row_filter.h"

namespace tessel::cli {

// The command line of one command: options (with their values) and operands, in any order.
struct Arguments {
    std::vector<std::string_view> operands;
    std::vector<std::pair<std::string_view, std::string_view>> options;  // name, value
    bool help = false;
    std::string error;  // set when the arguments cannot be understood
};

// Splits args; `valued` lists the options that take a value ("--depth"), `flags` those that
// do not. Accepts "--name value" and "--name=value"; "--" ends the options, so that a file
// named "-x.xml" can follow it. An option given twice is an error.
Arguments split_arguments(const std::vector<std::string_view>& args,
                          const std::vector<std::string_view>& valued,
                          const std::vector<std::string_view>& flags);
std::optional<std::string_view> option(const Arguments& a, std::string_view name);

// Before a file is read: removes the hidden files that killed saves left beside it, and names
// on stderr the copy an interrupted in-place save kept, since the file may be incomplete.
void report_save_leftovers(const std::string& path);
// Reads a whole file as UTF-8 text through the editor's loader (encoding detected, byte-order
// mark dropped, converted block by block); error is the reason when it cannot. encoding, when
// given, is set to the encoding the file was read in.
bool read_file(const std::string& path, std::string& bytes, std::string& error,
               EncodingId* encoding = nullptr);

// Parses a file's text as the type its extension names (XML when it names none, which is
// what the batch tool is for) or as --type ("xml", "dtd" or "json", any case). Null after
// printing "tessel-cli COMMAND: ..." for an unknown --type. The tree lacks a root when the
// parse failed outright (JSON). With diagnostics_only the tree need hold no more than the
// diagnostics.
std::unique_ptr<DocumentTree> parse_file(const char* command, const std::string& path,
                                         std::string_view text,
                                         std::optional<std::string_view> type,
                                         bool diagnostics_only = false);
// For commands that show a document: true when the tree has one; otherwise prints its
// diagnostics and says so.
bool has_document(const char* command, const std::string& path, std::string_view text,
                  DocumentTree& tree);

// A command's one file read, parsed, and the node its --path option names (the document
// when it has none): the text (which the tree may read from), the tree and the node.
struct LoadedNode {
    std::string text;
    std::unique_ptr<DocumentTree> tree;
    Node* node = nullptr;
};
// Loads the only operand of a; 0, or the exit status after printing why not (2 for an
// unreadable file, an unknown --type or a path that finds nothing, 1 for no document).
int load_node(const char* command, const Arguments& a, LoadedNode& loaded);

// The column of table that spec names: a number counted from 1 as `grid` prints the columns,
// or a header's text; -1 when there is no such column.
int32_t find_column(GridTable& table, std::string_view spec, Arena& scratch);

// A --filter option: the filter, and its column as given (a number counted from 1 as `grid`
// prints the columns, or a header's text), to be found in each table; empty for every column.
struct TableFilter {
    RowFilter filter;  // column -1 until a table's column is found
    std::string column;
};
// Reads "[COLUMN]~TEXT", "[COLUMN]~~REGEX" or "[COLUMN]=TEXT". Nothing, with the reason in
// *error, for a text without one of those operators, column 0, or a regular expression that
// does not compile (checked here so that it is told before any output).
std::optional<TableFilter> parse_table_filter(std::string_view text, std::string* error);
// Whether table has the filter's column (every table has when it names none).
bool has_filter_column(GridTable& table, const TableFilter& filter, Arena& scratch);
// Makes table show only the rows the filter keeps. In a table without the filter's column
// each row's cell counts as empty, so such a table keeps every row or none. Texts a regular
// expression gave up on are added to *given_up. False, with the reason in *error, when the
// filter cannot be run.
bool filter_table(GridTable& table, const TableFilter& filter, Arena& scratch, int64_t* given_up,
                  std::string* error);

// Line (from 1) and column (from 1, in characters) of byte offsets in one text. Offsets
// asked for in increasing order cost the characters between them, not the line's: many
// diagnostics on one long line stay linear.
class LineColumns {
public:
    explicit LineColumns(std::string_view text);
    std::pair<int32_t, int32_t> at(int32_t offset) const;

private:
    std::string_view text_;
    std::vector<int32_t> starts_;
    // The last offset asked for, its line (index into starts_) and column.
    mutable int32_t last_offset_ = -1;
    mutable size_t last_line_ = 0;
    mutable int32_t last_column_ = 1;
};

// "FILE:LINE:COLUMN: error|warning: MESSAGE" for each diagnostic, its details indented
// below it (the Description detail repeats the message and is left out).
void print_diagnostics(const std::string& file, std::string_view text, const DiagnosticList& list);

// Writes text to path in encoding through the editor's safe save (a hidden file beside it,
// then renamed over it); error is the reason when it cannot.
bool write_file(const std::string& path, EncodingId encoding, std::string_view text,
                std::string& error);

// A message of the editor's ("Cannot write to file PATH", a line break, the system's reason)
// on one line: its line breaks become ": ".
std::string one_line_message(std::string_view text);

// Escapes line breaks and tabs so that a text fits on one output line.
std::string one_line(std::string_view text);

// Standard output of every command: true once a write to it has failed (a full disk, a
// closed device), so that long outputs can stop early.
bool output_failed();
// Flushes standard output at the end of a command. On a write error it prints
// "tessel-cli COMMAND: Cannot write to file /dev/stdout: REASON" and gives exit status 2;
// otherwise the command's own status.
int finish_output(std::string_view command, int status);

}  // namespace tessel::cli
