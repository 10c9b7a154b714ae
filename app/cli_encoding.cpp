// tessel-cli encoding: the encoding a file is detected as, and what decided it.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "encoding/encoding.h"
#include "encoding/encoding_detection.h"
#include "file/file_reader.h"
#include "foundation/arena.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli encoding FILE...\n"
    "Prints the encoding each file is read with when opened without a chosen encoding, and\n"
    "what decided it: a byte-order mark, the zero bytes of UTF-16 text, the XML declaration,\n"
    "or the default (UTF-8). With several files each line starts with the file's name.\n";

const char* reason_text(DetectionReason reason) {
    switch (reason) {
        case DetectionReason::mark:
            return "byte-order mark";
        case DetectionReason::zero_bytes:
            return "zero-byte pattern";
        case DetectionReason::declaration:
            return "declaration";
        case DetectionReason::fallback:
            break;
    }
    return "default";
}

}  // namespace

int run_encoding(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {}, {});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (a.error.empty() && a.operands.empty()) a.error = "give at least one file";
    if (!a.error.empty()) {
        std::fprintf(stderr, "tessel-cli encoding: %s\n", a.error.c_str());
        return 2;
    }
    int status = 0;
    for (std::string_view operand : a.operands) {
        const std::string path(operand);
        // The editor's reader decides, from the first block as when the file is opened; the
        // size of a file does not matter here.
        EncodingId encoding = kEncodingUnspecified;
        report_save_leftovers(path);
        FileReader reader(path, &encoding);
        reader.set_size_limit(INT64_MAX);
        LargeArena arena;
        std::string_view text;
        if (reader.open()) reader.read(FileReader::kBlockSize, arena, &text);
        if (!reader.error().empty()) {
            std::fprintf(stderr, "tessel-cli encoding: cannot read %s: %s\n", path.c_str(),
                         reader.reason().c_str());
            status = 2;
            continue;
        }
        const DetectedEncoding found = reader.detected();
        if (a.operands.size() > 1) std::printf("%s: ", path.c_str());
        std::printf("%s (%s)\n", encoding_display_names()[static_cast<size_t>(found.id)].c_str(),
                    reason_text(found.reason));
    }
    return status;
}

}  // namespace tessel::cli
