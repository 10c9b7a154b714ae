// tessel-cli convert: loads a file with encoding detection and saves it in another encoding,
// rewriting the declaration of an XML document, through the editor's own load and save.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "encoding/codecs.h"
#include "encoding/encoding.h"
#include "encoding/xml_declaration.h"
#include "file/document_file.h"
#include "file/file_writer.h"
#include "foundation/ascii.h"
#include "seams/ui.h"
#include "text/edit_history.h"
#include "text/text_document.h"
#include "text/text_store.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli convert FILE --to NAME [-o OUT] [--allow-loss]\n"
    "Reads FILE (its encoding detected as when it is opened) and writes it in encoding NAME,\n"
    "to OUT or in place of FILE. The declaration of an XML document or DTD (by its name, or\n"
    "markup in any file but JSON) is rewritten to name the new encoding, or added; one\n"
    "that is not at the start of the file or has no closing ?> is refused. When characters\n"
    "cannot be written in NAME nothing is written and their count and the first one's place\n"
    "are reported, unless --allow-loss drops them. Bytes of FILE that stand for no character\n"
    "(malformed or overlong UTF-8, UTF-16's lone surrogates) are kept as they are only when\n"
    "NAME is FILE's own encoding; elsewhere they count as characters that cannot be written.\n"
    "The odd last byte of a UTF-16 file is refused likewise.\n"
    "NAME: utf-8, utf-8-bom, utf-16le, utf-16le-bom, utf-16be, utf-16be-bom, a code page\n"
    "such as iso-8859-1, windows-1252 or koi8-r (see --list), or a number from 0 to 30.\n";

// The encodings the user may name: the Unicode forms by short names, the code pages by their
// declaration names, every encoding by its number and by its display text.
EncodingId target_encoding(std::string_view name) {
    static const std::pair<const char*, EncodingId> kUnicode[] = {
        {"utf-8", kEncodingUtf8},
        {"utf8", kEncodingUtf8},
        {"utf-8-bom", kEncodingUtf8Bom},
        {"utf-16le", kEncodingUtf16Le},
        {"utf-16le-bom", kEncodingUtf16LeBom},
        {"utf-16", kEncodingUtf16LeBom},
        {"utf-16be", kEncodingUtf16Be},
        {"utf-16be-bom", kEncodingUtf16BeBom},
    };
    for (const auto& [text, id] : kUnicode)
        if (equal_ignoring_ascii_case(name, text)) return id;
    if (EncodingId id = encoding_from_name(name); id != kEncodingUnspecified) return id;
    int number = -1;
    auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (ec == std::errc() && end == name.data() + name.size() && number >= 0 &&
        number < kEncodingCount)
        return number;
    const auto& names = encoding_display_names();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<EncodingId>(i);
    return kEncodingUnspecified;
}

// The editor's document without a window: messages go to stderr, and the one question a
// save may ask (whether to drop characters) is answered by --allow-loss.
class BatchHost final : public DocumentHost, public Ui {
public:
    BatchHost(std::string extension, bool allow_loss)
        : extension_(std::move(extension)), allow_loss_(allow_loss) {
        document_.set_history(&history_);
    }

    void set_extension(std::string extension) { extension_ = std::move(extension); }

    TextDocument& document() override { return document_; }
    void set_language_for(std::string_view, std::string_view) override {}
    std::string language_extension() override { return extension_; }
    std::string file_filter() override { return {}; }
    void reset_views() override {}
    void set_busy(bool) override {}
    void name_changed() override {}
    void document_saved() override {}
    void post_command(std::string_view, std::string_view) override {}
    void set_status_message(std::string_view) override {}
    void log(std::string_view) override {}
    void progress_changed() override {}
    double now_ms() override {
        using namespace std::chrono;
        return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
    }

    UiAnswer message_box(std::string_view text, std::string_view, UiButtons buttons,
                         UiIcon) override {
        if (buttons == UiButtons::yes_no) return allow_loss_ ? UiAnswer::yes : UiAnswer::no;
        // The copy an interrupted save kept is only named (before the load), never restored.
        if (buttons == UiButtons::yes_no_cancel) return UiAnswer::cancel;
        std::fprintf(stderr, "tessel-cli convert: %s\n", one_line_message(text).c_str());
        return UiAnswer::ok;
    }
    void balloon(std::string_view, std::string_view, int, int) override {}
    std::string file_dialog(bool, std::string_view, std::string_view) override { return {}; }
    void set_clipboard(std::string_view) override {}
    void open_url(std::string_view) override {}

private:
    EditHistory history_;
    TextDocument document_;
    std::string extension_;
    bool allow_loss_;
};

std::string extension_of(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    std::string extension(dot == std::string_view::npos ? "" : name.substr(dot + 1));
    for (char& c : extension) c = ascii_lower(c);
    return extension;
}

}  // namespace

int run_convert(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {"--to", "-o"}, {"--allow-loss", "--list"});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (option(a, "--list")) {
        const auto& names = encoding_display_names();
        for (size_t i = 0; i < names.size(); ++i) {
            std::string_view declared = declaration_name(static_cast<EncodingId>(i));
            std::printf("%2zu  %-42s %.*s\n", i, names[i].c_str(),
                        static_cast<int>(declared.size()), declared.data());
        }
        return 0;
    }
    EncodingId target = kEncodingUnspecified;
    if (a.error.empty()) {
        if (auto to = option(a, "--to")) {
            target = target_encoding(*to);
            if (target == kEncodingUnspecified)
                a.error = "unknown encoding " + std::string(*to) + " (see --list)";
        } else {
            a.error = "--to NAME is needed";
        }
    }
    if (a.error.empty() && a.operands.size() != 1) a.error = "give exactly one file";
    if (!a.error.empty()) {
        std::fprintf(stderr, "tessel-cli convert: %s\n", a.error.c_str());
        return 2;
    }
    const std::string input(a.operands[0]);
    const std::string output = option(a, "-o") ? std::string(*option(a, "-o")) : input;
    const bool allow_loss = option(a, "--allow-loss").has_value();

    // Ctrl-C or a SIGTERM during an in-place conversion must not leave the hidden file behind.
    remove_temporary_files_on_signals();
    report_save_leftovers(input);
    BatchHost host(extension_of(input), allow_loss);
    DocumentFile file(host, host);
    if (!file.load(input, kEncodingUnspecified, nullptr)) return 2;
    // A document read as XML or as a DTD gets a declaration naming the new encoding, so that
    // it reads back as what it was: one that declares itself XML whatever its name, and
    // markup in any file but JSON (check and the other commands read a file whose name
    // gives no type as XML; a DTD's text declaration names its encoding the same way).
    const TextStore& store = host.document().store();
    const std::string head =
        store.substr(0, std::min(store.length(), DocumentFile::kDeclarationScan + 1));
    const size_t first = head.find_first_not_of(" \t\r\n");
    if (host.language_extension() != "xml" &&
        (head.starts_with("<?xml") || (host.language_extension() != "json" &&
                                       first != std::string::npos && head[first] == '<')))
        host.set_extension("xml");
    // A declaration a rewrite cannot replace is refused rather than doubled.
    if (host.language_extension() == "xml") {
        const DeclarationPlace place = declaration_place(head);
        if (place == DeclarationPlace::unclosed || place == DeclarationPlace::not_at_start) {
            std::fprintf(stderr, "tessel-cli convert: %s: %s; nothing written\n", input.c_str(),
                         place == DeclarationPlace::unclosed
                             ? "the XML declaration has no closing ?>"
                             : "the XML declaration is not at the start of the file");
            return 1;
        }
    }

    // A byte the reader could not keep (the odd last byte of a UTF-16 file) is lost whatever
    // the target: U+FFFD stands in the text where it was.
    if (file.replaced_bytes() > 0 && !allow_loss) {
        std::fprintf(stderr,
                     "tessel-cli convert: %s: %lld byte%s at the end cannot be read in %s and "
                     "would be written as U+FFFD (--allow-loss writes it so)\n",
                     input.c_str(), static_cast<long long>(file.replaced_bytes()),
                     file.replaced_bytes() == 1 ? "" : "s",
                     std::string(declaration_name(file.encoding())).c_str());
        return 1;
    }
    // Stray bytes (a code page's undefined bytes, bytes that are not UTF-8) are written back
    // only in the encoding they were read in; elsewhere they count as characters lost.
    const EncodingLoss loss = find_unencodable(target, host.document().store(), file.encoding());
    if (loss.count > 0 && !allow_loss) {
        const std::string text = host.document().store().text();
        const auto [line, column] = LineColumns(text).at(static_cast<int32_t>(loss.first));
        std::fprintf(stderr,
                     "tessel-cli convert: %s: %lld character%s cannot be written in %s; the "
                     "first is at line %d, column %d (--allow-loss drops them)\n",
                     input.c_str(), static_cast<long long>(loss.count), loss.count == 1 ? "" : "s",
                     std::string(declaration_name(target)).c_str(), line, column);
        return 1;
    }
    return file.save(output, target, nullptr) ? 0 : 2;
}

}  // namespace tessel::cli
