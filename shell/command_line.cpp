// The editor's command line; see command_line.h.
#include "shell/command_line.h"

#include <filesystem>

namespace tessel {

namespace {

CommandLine error(std::string text) {
    CommandLine result;
    result.action = CommandLine::Action::error;
    result.text = "tessel: " + std::move(text) + " (see tessel --help)";
    return result;
}

// Blanks around the path and every double quote anywhere in it go.
std::string strip_quotes(std::string_view arg) {
    std::string out;
    out.reserve(arg.size());
    for (char c : arg)
        if (c != '"') out += c;
    const auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
    size_t first = 0;
    while (first < out.size() && is_blank(out[first])) ++first;
    size_t last = out.size();
    while (last > first && is_blank(out[last - 1])) --last;
    return out.substr(first, last - first);
}

std::string make_absolute(const std::string& path, std::string_view cwd) {
    std::filesystem::path p(path);
    if (p.is_relative()) p = std::filesystem::path(cwd) / p;
    std::string out = p.lexically_normal().string();
    // "dir/" normalises to "dir/"; keep a trailing slash only for the root itself.
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

}  // namespace

std::string command_line_help() {
    return "Usage: tessel [--log FILE] [FILE]\n"
           "Opens FILE (XML, DTD, JSON or plain text) in the Tessel editor, or an empty\n"
           "document when no file is named.\n"
           "\n"
           "Options:\n"
           "  --log FILE   append every status message to FILE with a timestamp\n"
           "               (- for standard error)\n"
           "  --recover    list the unsaved changes of editors that were killed, which\n"
           "               opening the file (or starting without one) offers to recover\n"
           "  --help       show this text and exit\n"
           "  --version    show the version and exit\n";
}

CommandLine parse_command_line(const std::vector<std::string>& args, std::string_view cwd) {
    CommandLine result;
    bool options_done = false;
    bool have_file = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!options_done && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                options_done = true;
            } else if (arg == "--help" || arg == "-h") {
                result.action = CommandLine::Action::help;
                result.text = command_line_help();
                return result;
            } else if (arg == "--recover") {
                result.action = CommandLine::Action::recover;
                return result;
            } else if (arg == "--version") {
                result.action = CommandLine::Action::version;
                result.text = "tessel " + std::string(kVersion) + "\n";
                return result;
            } else if (arg == "--log" || arg.starts_with("--log=")) {
                std::string target;
                if (arg == "--log") {
                    if (i + 1 == args.size()) return error("--log needs a file name, or - for standard error");
                    target = args[++i];
                } else {
                    target = arg.substr(6);
                }
                if (target.empty()) return error("--log needs a file name, or - for standard error");
                if (target != "-") {
                    if (target.size() > kMaxCommandLinePath) return error("the --log file name is too long");
                    target = make_absolute(target, cwd);
                }
                result.log = std::move(target);
            } else {
                return error("unknown option '" + arg + "'");
            }
            continue;
        }
        if (have_file) continue;  // only the first file is opened
        std::string path = strip_quotes(arg);
        if (path.empty()) continue;
        have_file = true;
        path = make_absolute(path, cwd);
        if (path.size() > kMaxCommandLinePath) return error("the file name is too long");
        result.file = std::move(path);
    }
    return result;
}

}  // namespace tessel
