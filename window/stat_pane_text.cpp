// The "Stat" pane's figures and text; see stat_pane_text.h.
#include "window/stat_pane_text.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "encoding/encoding.h"
#include "foundation/job.h"
#include "foundation/number_format.h"
#include "parse/document_tree.h"
#include "parse/varint.h"
#include "parse/xml_nodes.h"
#include "text/text_document.h"

namespace tessel {

namespace {

struct Pending {
    uint32_t handle;
    int32_t depth;  // of the element holding it; 0 at the top level
};

// Skips a handle list (varint count, 4 bytes a handle) and returns its count and start.
const uint8_t* handle_list(const uint8_t* cursor, uint32_t& count, const uint8_t*& first) {
    count = read_varint(cursor);
    first = cursor;
    return cursor + 4 * static_cast<size_t>(count);
}

}  // namespace

bool count_tree(const DocumentTree& tree, TreeCounts& counts, Job* job) {
    counts = TreeCounts{};
    // Every tree has an XML document node; only an XML parse makes it the root.
    XmlDocumentNode* document = tree.document_node();
    if (!document || tree.root() != document) return false;
    // An explicit stack: documents nest far deeper than the call stack would allow.
    std::vector<Pending> stack;
    const auto push_all = [&stack](const uint8_t* raw, uint32_t count, int32_t depth) {
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t h;
            std::memcpy(&h, raw + 4 * static_cast<size_t>(i), 4);
            stack.push_back({h, depth});
        }
    };
    for (uint32_t h : document->items()) stack.push_back({h, 0});
    for (uint32_t h : document->misc()) stack.push_back({h, 0});
    const size_t records = tree.record_bytes();
    uint32_t visited = 0;
    while (!stack.empty()) {
        if (job && (++visited & 0x3FFF) == 0) job->yield_point();
        const Pending item = stack.back();
        stack.pop_back();
        if (item.handle == 0) continue;
        // Nodes made after the parse are texts a cell edit put into an empty element.
        if (item.handle >= records) {
            ++counts.texts;
            continue;
        }
        const uint8_t* cursor = tree.record(item.handle);
        const uint8_t tag = *cursor++;
        switch (tag & 0x0F) {
        case kRecordText:
        case kRecordCdata:
        case kRecordInsertedText:
            ++counts.texts;
            break;
        case kRecordComment:
            ++counts.comments;
            break;
        case kRecordInstruction:
            ++counts.instructions;
            break;
        case kRecordAttribute:
            ++counts.attributes;
            break;
        case kRecordElement: {
            ++counts.elements;
            const int32_t depth = item.depth + 1;
            if (depth > counts.depth) counts.depth = depth;
            read_varint(cursor);  // the name's number
            read_varint(cursor);  // start, length, start-tag length
            read_varint(cursor);
            read_varint(cursor);
            uint32_t count;
            const uint8_t* first;
            if (!(tag & kElementNoAttributes)) {
                cursor = handle_list(cursor, count, first);
                counts.attributes += count;  // attributes hold nothing further
            }
            if (!(tag & kElementNoContent)) {
                cursor = handle_list(cursor, count, first);
                push_all(first, count, depth);
            }
            if (!(tag & kElementNoMisc)) {
                cursor = handle_list(cursor, count, first);
                push_all(first, count, depth);
            }
            break;
        }
        default:
            break;
        }
    }
    return true;
}

TextCounts count_text(std::string_view text, Job* job) {
    // Byte lanes count for at most 255 rounds before they are added up, so that the inner
    // loop works on whole vectors of bytes.
    constexpr size_t kLanes = 64;
    constexpr size_t kRounds = 255;
    constexpr size_t kStep = size_t{1} << 22;  // a yield point every 4 MiB
    TextCounts counts;
    int64_t continuations = 0, breaks = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t at = 0;
    size_t next_yield = kStep;
    while (text.size() - at >= kLanes) {
        if (job && at >= next_yield) {
            job->yield_point();
            next_yield += kStep;
        }
        const size_t rounds = std::min(kRounds, (text.size() - at) / kLanes);
        unsigned char cont[kLanes] = {}, lead[kLanes] = {}, feed[kLanes] = {};
        for (size_t r = 0; r < rounds; ++r, at += kLanes)
            for (size_t k = 0; k < kLanes; ++k) {
                const unsigned char c = bytes[at + k];
                cont[k] += (c & 0xC0) == 0x80;
                lead[k] += (c & 0xF8) == 0xF0;
                feed[k] += c == '\n';
            }
        for (size_t k = 0; k < kLanes; ++k) {
            continuations += cont[k];
            counts.above_bmp += lead[k];
            breaks += feed[k];
        }
    }
    for (; at < text.size(); ++at) {
        const unsigned char c = bytes[at];
        continuations += (c & 0xC0) == 0x80;
        counts.above_bmp += (c & 0xF8) == 0xF0;
        breaks += c == '\n';
    }
    counts.characters = static_cast<int64_t>(text.size()) - continuations;
    counts.lines = breaks + 1;
    return counts;
}

int64_t count_characters(std::string_view text, Job* job) { return count_text(text, job).characters; }

ParseFigures parse_figures(DocumentTree& tree, double parse_ms, Job* job) {
    ParseFigures figures;
    figures.tree_counted = count_tree(tree, figures.counts, job);
    figures.errors = tree.diagnostics().error_count();
    figures.warnings = tree.diagnostics().warning_count();
    figures.parse_ms = parse_ms;
    return figures;
}

int64_t count_characters_above_bmp(std::string_view text, Job* job) {
    return count_text(text, job).above_bmp;
}

int64_t count_lines(std::string_view text, Job* job) { return count_text(text, job).lines; }

StatInput stat_input(const TextDocument& document, int32_t encoding, int64_t characters,
                     const ParseFigures* last_parse, int64_t file_bytes, int64_t above_bmp,
                     int64_t counted_lines) {
    StatInput in;
    const auto& names = encoding_display_names();
    if (encoding >= 0 && static_cast<size_t>(encoding) < names.size()) in.encoding = names[encoding];
    in.line_ending = document.index().line_ending();
    in.bytes = file_bytes >= 0 ? file_bytes
                               : encoded_size(encoding >= 0 ? encoding : kEncodingUtf8,
                                              document.length(), characters, above_bmp);
    in.characters = characters;
    // Index lines are cut at 2,000 bytes as well as at line breaks: count the logical ones,
    // known once the background scan has passed the end; until then the last parse's count.
    in.lines = document.scan_finished() || counted_lines <= 0
                   ? document.logical_line_of(document.length()) + 1
                   : static_cast<int32_t>(counted_lines);
    if (last_parse) {
        in.parsed = true;
        in.tree_counted = last_parse->tree_counted;
        in.counts = last_parse->counts;
        in.errors = last_parse->errors;
        in.warnings = last_parse->warnings;
        in.parse_ms = last_parse->parse_ms;
    }
    return in;
}

std::string stat_pane_text(const StatInput& in) {
    const auto number = [](int64_t n) { return with_commas(n); };
    std::string out;
    const auto line = [&out](std::string_view label, std::string_view value) {
        out += label;
        out += ": ";
        out += value;
        out += '\n';
    };
    line("Encoding", in.encoding.empty() ? std::string_view("unknown") : in.encoding);
    line("Line ending", in.line_ending == LineEnding::crlf ? "CR LF (Windows)"
                        : in.line_ending == LineEnding::lf ? "LF (Unix)"
                                                           : "none yet");
    line("Size", number(in.bytes) + " bytes");
    line("Characters", number(in.characters));
    line("Lines", number(in.lines));
    if (!in.parsed) {
        line("Parse", "not parsed yet");
        return out;
    }
    if (in.tree_counted) {
        line("Elements", number(in.counts.elements));
        line("Attributes", number(in.counts.attributes));
        line("Texts", number(in.counts.texts));
        if (in.counts.comments) line("Comments", number(in.counts.comments));
        if (in.counts.instructions) line("Instructions", number(in.counts.instructions));
        line("Depth", number(in.counts.depth));
    }
    line("Errors", number(in.errors));
    line("Warnings", number(in.warnings));
    line("Last parse", format_duration(in.parse_ms));
    return out;
}

}  // namespace tessel
