// tessel-cli info: loads a file as the editor does and prints what its text store and line
// index hold.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "file/file_reader.h"
#include "foundation/number_format.h"
#include "text/text_document.h"

namespace tessel::cli {

namespace {

constexpr const char* kInfoUsage =
    "usage: tessel-cli info FILE...\n"
    "Loads each file as the editor does (encoding detected, converted to UTF-8 in blocks of\n"
    "1,000,000 bytes) and prints the file's byte count, its text's byte count in UTF-8,\n"
    "characters, lines (line breaks and one) and index lines, line ending and longest-line\n"
    "estimate.\n";

// Loads a file into the document block by block through the editor's reader (encoding
// detected, mark dropped, converted to UTF-8); error is the reason when it cannot.
bool load(const std::string& path, tessel::TextDocument& document, int64_t& file_bytes,
          std::string& error) {
    EncodingId encoding = kEncodingUnspecified;
    report_save_leftovers(path);
    FileReader reader(path, &encoding);
    struct Appender final : TextSink {
        TextDocument& document;
        explicit Appender(TextDocument& d) : document(d) {}
        bool take(std::string_view text) override { return document.append(text); }
    } appender(document);
    document.set_text("");
    if (reader.open() && reader.read_into(appender)) {
        file_bytes = reader.file_size();
        return true;
    }
    error = reader.reason();
    return false;
}

}  // namespace

int run_info(const std::vector<std::string_view>& args) {
    std::vector<std::string_view> files;
    for (std::string_view a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kInfoUsage, stdout);
            return 0;
        }
        if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "tessel-cli info: unknown option %.*s\n", int(a.size()), a.data());
            return 2;
        }
        files.push_back(a);
    }
    if (files.empty()) {
        std::fputs("tessel-cli info: no file given\n", stderr);
        return 2;
    }
    int status = 0;
    for (std::string_view file : files) {
        std::string path(file), error;
        tessel::TextDocument document;
        int64_t file_bytes = 0;
        if (!load(path, document, file_bytes, error)) {
            std::fprintf(stderr, "tessel-cli info: cannot read %s: %s\n", path.c_str(),
                         error.c_str());
            status = 2;
            continue;
        }
        while (!document.scan_finished()) document.run_scan_slice();
        const tessel::LineIndex& index = document.index();
        const char* ending = index.line_ending() == tessel::LineEnding::crlf ? "CR LF"
                             : index.line_ending() == tessel::LineEnding::lf ? "LF"
                                                                              : "none";
        using tessel::with_commas;
        std::printf("%s\n", path.c_str());
        std::printf("  bytes: %s\n", with_commas(file_bytes).c_str());
        std::printf("  text bytes: %s\n", with_commas(document.length()).c_str());
        std::printf("  characters: %s\n", with_commas(document.char_offset_of(document.length())).c_str());
        std::printf("  lines: %s\n", with_commas(document.logical_line_of(document.length()) + 1).c_str());
        std::printf("  index lines: %s\n", with_commas(index.line_count()).c_str());
        std::printf("  line ending: %s\n", ending);
        std::printf("  longest line: under %s bytes\n",
                    with_commas(index.longest_line_estimate()).c_str());
    }
    return status;
}

}  // namespace tessel::cli
