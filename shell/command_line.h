// The editor's command line, `tessel [--log FILE] [FILE]`, read into what start-up needs: the
// file to open (absolute), where the message log goes, or the text to print and the exit code
// for --help, --version and bad arguments. No side effects: start-up acts on the result.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessel {

struct CommandLine {
    enum class Action {
        run,      // start the editor
        help,     // print text on standard output, exit 0
        version,  // print text on standard output, exit 0
        error,    // print text (one line) on standard error, exit 2
        recover,  // list the unsaved changes a killed editor left, exit 0
    };
    Action action = Action::run;
    // The document to load once the loop runs: absolute, or empty when none was named.
    std::string file;
    // The message log's file, "-" for standard error, empty when no log was asked for.
    std::string log;
    // The help or version text, or the error line (without its newline).
    std::string text;
};

// The program's name and version as shown in titles, message boxes and --version.
inline constexpr std::string_view kApplicationTitle = "Tessel 2.2";
// The release, from the build's one project version: what --version, the About box and the
// package say.
inline constexpr std::string_view kVersion = TESSEL_VERSION;

// Paths longer than this are refused rather than cut.
inline constexpr size_t kMaxCommandLinePath = 2048;

// args are the arguments after the program's name; cwd is the absolute current directory that
// relative file names are resolved against. A file argument loses its leading and trailing
// blanks and every double-quote character (desktop launchers and other shells sometimes pass
// them through); one that is empty after that names no file. Only the first file is taken.
CommandLine parse_command_line(const std::vector<std::string>& args, std::string_view cwd);

// The --help text, ending with a newline.
std::string command_line_help();

}  // namespace tessel
