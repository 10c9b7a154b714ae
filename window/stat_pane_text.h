// The "Stat" pane: a few lines about the document and its last parse. The figures that cost a
// pass over the document (tree counts, characters) are taken once per parse or load by
// count_tree and count_characters; stat_pane_text only formats what it is given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/line_index.h"

namespace tessel {

class DocumentTree;
class Job;
class TextDocument;

struct TreeCounts {
    int64_t elements = 0;
    int64_t attributes = 0;
    int64_t texts = 0;         // character data and CDATA sections
    int64_t comments = 0;
    int64_t instructions = 0;  // processing instructions, the XML declaration included
    int32_t depth = 0;         // deepest element nesting; the root element is at depth 1
};

// Walks the record stream of an XML tree from the document's top-level items, reading records
// only (no node objects are made). Trees of other kinds (JSON, DTD) give all zeros and false.
// With a job, the walk passes its yield points (it runs on the parse worker).
bool count_tree(const DocumentTree& tree, TreeCounts& counts, Job* job = nullptr);

// What one pass over a UTF-8 text counts: its characters (bytes that do not continue a
// sequence), those above U+FFFF (four-byte sequences' lead bytes), and its lines as the
// editor numbers them (line feeds and one). With a job, the pass goes through its yield
// points (it runs on the parse worker).
struct TextCounts {
    int64_t characters = 0;
    int64_t above_bmp = 0;
    int64_t lines = 1;
};
TextCounts count_text(std::string_view text, Job* job = nullptr);

// Characters of UTF-8 text: bytes that do not continue a sequence. With a job, the count
// passes its yield points (it runs on the parse worker).
int64_t count_characters(std::string_view text, Job* job = nullptr);
// The characters above U+FFFF: the four-byte sequences' lead bytes.
int64_t count_characters_above_bmp(std::string_view text, Job* job = nullptr);
// The lines as the editor numbers them: line feeds and one.
int64_t count_lines(std::string_view text, Job* job = nullptr);

struct StatInput {
    std::string_view encoding;     // display name
    LineEnding line_ending = LineEnding::unknown;
    int64_t bytes = 0;             // of the file, or of the text as it would be saved
    int64_t characters = 0;
    int32_t lines = 0;             // logical lines (line breaks and one)
    bool parsed = false;           // whether a parse has finished for this document
    bool tree_counted = false;     // whether counts hold an XML tree's figures
    TreeCounts counts;
    double parse_ms = 0;           // how long the last parse took
    int32_t errors = 0;            // diagnostics of the last parse
    int32_t warnings = 0;
};

// What the pane keeps of the last parse: taken once when its result arrives.
struct ParseFigures {
    bool tree_counted = false;
    TreeCounts counts;
    int32_t errors = 0;
    int32_t warnings = 0;
    double parse_ms = 0;
};
ParseFigures parse_figures(DocumentTree& tree, double parse_ms, Job* job = nullptr);

// The pane's input from the document as it stands (encoding is the document file's id) and
// the figures of its last parse, null when none has finished. characters and above_bmp come
// from count_characters and count_characters_above_bmp, taken after each load or parse rather
// than on every refresh. file_bytes is the size of the file the text is unchanged from, -1
// when there is none: the size is then what the text would take saved in its encoding.
// counted_lines (count_lines, 0 when not counted) stands in for the lines while the
// background scan has yet to reach the end of the text.
StatInput stat_input(const TextDocument& document, int32_t encoding, int64_t characters,
                     const ParseFigures* last_parse, int64_t file_bytes = -1,
                     int64_t above_bmp = 0, int64_t counted_lines = 0);

// One "label: value" line each, numbers with thousands separators.
std::string stat_pane_text(const StatInput& input);

}  // namespace tessel
