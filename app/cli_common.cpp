// tessel-cli: argument splitting, file reading and diagnostic printing.
#include "app/cli_common.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "encoding/encoding.h"
#include "file/file_reader.h"
#include "file/file_writer.h"
#include "file/save_leftovers.h"
#include "foundation/arena.h"
#include "foundation/ascii.h"
#include "parse/path_expression.h"

namespace tessel::cli {

Arguments split_arguments(const std::vector<std::string_view>& args,
                          const std::vector<std::string_view>& valued,
                          const std::vector<std::string_view>& flags) {
    Arguments out;
    auto contains = [](const std::vector<std::string_view>& list, std::string_view name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    auto given = [&out](std::string_view name) {
        for (const auto& [n, v] : out.options)
            if (n == name) return true;
        return false;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view a = args[i];
        // After "--" every argument is an operand, one that starts with "-" included.
        if (a == "--") {
            for (++i; i < args.size(); ++i) out.operands.push_back(args[i]);
            break;
        }
        if (a == "--help" || a == "-h") {
            out.help = true;
            continue;
        }
        if (a.size() < 2 || a[0] != '-') {
            out.operands.push_back(a);
            continue;
        }
        std::string_view name = a, value;
        size_t eq = a.find('=');
        if (eq != std::string_view::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
        }
        // A second value for one option would leave the user guessing which one counts.
        if ((contains(valued, name) || contains(flags, name)) && given(name)) {
            out.error = "option " + std::string(name) + " given more than once";
            return out;
        }
        if (contains(valued, name)) {
            if (eq == std::string_view::npos) {
                if (i + 1 >= args.size()) {
                    out.error = "option " + std::string(name) + " needs a value";
                    return out;
                }
                value = args[++i];
            }
            out.options.emplace_back(name, value);
        } else if (contains(flags, name) && eq == std::string_view::npos) {
            out.options.emplace_back(name, "");
        } else {
            out.error = "unknown option " + std::string(a);
            return out;
        }
    }
    return out;
}

std::optional<std::string_view> option(const Arguments& a, std::string_view name) {
    std::optional<std::string_view> found;
    for (const auto& [n, v] : a.options)
        if (n == name) found = v;
    return found;
}

void report_save_leftovers(const std::string& path) {
    for (const std::string& backup : sweep_save_leftovers(path).backups)
        std::fprintf(stderr,
                     "tessel-cli: warning: a save of %s was interrupted; its content before "
                     "that save is kept in %s\n",
                     path.c_str(), backup.c_str());
}

std::string one_line_message(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += ": ";
        else
            out += c;
    }
    return out;
}

bool read_file(const std::string& path, std::string& bytes, std::string& error,
               EncodingId* encoding) {
    // Through the editor's own reader: the same size check, detection, mark and conversion,
    // block by block, so that the batch tool and the editor never read a file differently.
    EncodingId read_as = kEncodingUnspecified;
    report_save_leftovers(path);
    FileReader reader(path, &read_as);
    StringSink collector(bytes, reader.size_limit());
    bytes.clear();
    bool read = reader.open();
    if (read) {
        // One allocation of the file's size holds the text of most files whole.
        bytes.reserve(static_cast<size_t>(reader.file_size()));
        read = reader.read_into(collector);
        if (read) collector.finish();
    }
    if (!read) {
        error = reader.reason();
        bytes.clear();
        return false;
    }
    if (encoding) *encoding = read_as;
    return true;
}

LineColumns::LineColumns(std::string_view text) : text_(text) {
    starts_.push_back(0);
    // memchr runs many bytes a step; documents have long lines between line feeds.
    const char* begin = text.data();
    const char* end = begin + text.size();
    for (const char* at = begin; at < end;) {
        const void* lf = std::memchr(at, '\n', static_cast<size_t>(end - at));
        if (!lf) break;
        at = static_cast<const char*>(lf) + 1;
        starts_.push_back(static_cast<int32_t>(at - begin));
    }
}

std::pair<int32_t, int32_t> LineColumns::at(int32_t offset) const {
    offset = std::clamp<int32_t>(offset, 0, static_cast<int32_t>(text_.size()));
    const size_t line = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) -
                                            starts_.begin()) - 1;
    int32_t from = starts_[line];
    int32_t column = 1;
    if (line == last_line_ && last_offset_ >= from && last_offset_ <= offset) {
        from = last_offset_;
        column = last_column_;
    }
    for (int32_t p = from; p < offset; ++p)
        column += (static_cast<unsigned char>(text_[static_cast<size_t>(p)]) & 0xC0) != 0x80;
    last_offset_ = offset;
    last_line_ = line;
    last_column_ = column;
    return {static_cast<int32_t>(line) + 1, column};
}

std::string one_line(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

bool output_failed() {
    return std::ferror(stdout) != 0;
}

int finish_output(std::string_view command, int status) {
    // A failed write leaves its reason in errno; the flush of what is still buffered fails
    // again with it (stdio keeps only the error flag).
    errno = 0;
    const bool flush_failed = std::fflush(stdout) != 0;
    const int reason = errno;
    if (!flush_failed && !output_failed()) return status;
    std::fprintf(stderr, "tessel-cli %.*s: Cannot write to file /dev/stdout%s%s\n",
                 static_cast<int>(command.size()), command.data(), reason ? ": " : "",
                 reason ? std::strerror(reason) : "");
    return 2;
}

void print_diagnostics(const std::string& file, std::string_view text, const DiagnosticList& list) {
    // The line table costs a pass over the text; a clean document needs none.
    if (list.items().empty()) return;
    LineColumns lines(text);
    for (Diagnostic* d : list.items()) {
        auto [line, column] = lines.at(d->position());
        std::printf("%s:%d:%d: %s: %s\n", file.c_str(), line, column,
                    d->severity() == Severity::error ? "error" : "warning",
                    one_line(d->message()).c_str());
        for (DiagnosticDetail* detail : d->details()) {
            if (std::strcmp(detail->label(), "Description") == 0) continue;
            std::printf("  %s: %s\n", detail->label(), one_line(detail->text()).c_str());
        }
    }
}

namespace {

const DocumentType* document_type(const std::string& path, std::string_view text,
                                  std::optional<std::string_view> type) {
    LanguageRegistry& languages = default_languages();
    if (type) {
        for (const DocumentType& t : languages.types())
            if (!t.extension.empty() && equal_ignoring_ascii_case(t.extension, *type)) return &t;
        return nullptr;
    }
    // By extension, else by what the text shows; a text that shows nothing is read as XML.
    const DocumentType& chosen = languages.type_of(path, text);
    return chosen.module ? &chosen : languages.find("XML");
}

}  // namespace

std::unique_ptr<DocumentTree> parse_file(const char* command, const std::string& path,
                                         std::string_view text,
                                         std::optional<std::string_view> type,
                                         bool diagnostics_only) {
    const DocumentType* chosen = document_type(path, text, type);
    if (!chosen) {
        std::fprintf(stderr, "tessel-cli %s: --type must be xml, dtd or json, not %.*s\n", command,
                     static_cast<int>(type->size()), type->data());
        return nullptr;
    }
    return default_languages().parse(*chosen, text, nullptr, diagnostics_only);
}

int load_node(const char* command, const Arguments& a, LoadedNode& loaded) {
    const std::string path(a.operands.at(0));
    std::string error;
    if (!read_file(path, loaded.text, error)) {
        std::fprintf(stderr, "tessel-cli %s: cannot read %s: %s\n", command, path.c_str(), error.c_str());
        return 2;
    }
    loaded.tree = parse_file(command, path, loaded.text, option(a, "--type"));
    if (!loaded.tree) return 2;
    if (!has_document(command, path, loaded.text, *loaded.tree)) return 1;
    loaded.node = loaded.tree->root();
    if (auto p = option(a, "--path")) {
        PathResult found = resolve_path(*p, *loaded.tree->root());
        if (!found.ok) {
            std::fprintf(stderr, "tessel-cli %s: %s\n", command, found.error);
            return 2;
        }
        loaded.node = found.node;
    }
    return 0;
}

int32_t find_column(GridTable& table, std::string_view spec, Arena& scratch) {
    int number = 0;
    auto [end, ec] = std::from_chars(spec.data(), spec.data() + spec.size(), number);
    if (ec == std::errc() && end == spec.data() + spec.size())
        return number >= 1 && number <= table.column_count() ? number - 1 : -1;
    for (int32_t c = 0; c < table.column_count(); ++c)
        if (table.cell_text(0, c, scratch) == spec) return c;
    return -1;
}

std::optional<TableFilter> parse_table_filter(std::string_view text, std::string* error) {
    TableFilter out;
    std::optional<RowFilter> parsed = parse_filter(text, &out.column);
    if (!parsed) {
        *error = "--filter " + std::string(text) +
                 ": give [COLUMN]~TEXT, [COLUMN]~~REGEX or [COLUMN]=TEXT";
        return std::nullopt;
    }
    out.filter = *parsed;
    if (out.column.empty() && out.filter.column >= 0) {
        // A column number: kept as text, to be read as find_column reads --column.
        if (out.filter.column == 0) {
            *error = "--filter " + std::string(text) + ": columns are counted from 1";
            return std::nullopt;
        }
        out.column = std::to_string(out.filter.column);
    }
    out.filter.column = -1;
    std::string reason;
    if (!TextMatcher::make(out.filter, &reason)) {
        *error = "--filter " + std::string(text) + ": " + reason;
        return std::nullopt;
    }
    return out;
}

bool has_filter_column(GridTable& table, const TableFilter& filter, Arena& scratch) {
    return filter.column.empty() || find_column(table, filter.column, scratch) >= 0;
}

bool filter_table(GridTable& table, const TableFilter& filter, Arena& scratch, int64_t* given_up,
                  std::string* error) {
    if (filter.filter.keeps_all()) return true;
    RowFilter row_filter = filter.filter;
    if (!filter.column.empty()) {
        row_filter.column = find_column(table, filter.column, scratch);
        if (row_filter.column < 0) {
            // The table's rows have no such cell: each is read as an empty one, so the filter
            // keeps every row or none.
            std::unique_ptr<TextMatcher> matcher = TextMatcher::make(row_filter, error);
            if (!matcher) return false;
            const uint8_t keep = matcher->matches("", false) ? 1 : 0;
            const auto rows = static_cast<size_t>(std::max(table.row_count(), 0));
            table.set_filter(row_filter, std::vector<uint8_t>(rows, keep));
            return true;
        }
    }
    FilterResult result;
    if (!run_filter(table, table.column_count(), row_filter, nullptr, &result, error)) return false;
    table.set_filter(row_filter, result.keep);
    *given_up += result.given_up;
    return true;
}

bool has_document(const char* command, const std::string& path, std::string_view text,
                  DocumentTree& tree) {
    if (tree.root()) return true;
    print_diagnostics(path, text, tree.diagnostics());
    std::fprintf(stderr, "tessel-cli %s: %s has no document to show\n", command, path.c_str());
    return false;
}

bool write_file(const std::string& path, EncodingId encoding, std::string_view text,
                std::string& error) {
    constexpr size_t kBlock = 1 << 20;
    FileWriter writer(path, encoding);
    LargeArena arena;
    for (size_t at = 0; at == 0 || at < text.size(); at += kBlock) {
        const std::string_view block = text.substr(at, kBlock);
        if (!writer.write(block, at + block.size() >= text.size(), arena)) {
            error = writer.error();
            return false;
        }
        arena.reset();
    }
    if (writer.commit()) return true;
    error = writer.error();
    return false;
}


}  // namespace tessel::cli
