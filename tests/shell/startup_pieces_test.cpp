// Start-up pieces of the editor that need no window: the command line, the window title and the
// message log of --log, the last attached to a real command registry and read back from disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "commands/command_registry.h"
#include "file/document_file.h"
#include "shell/command_line.h"
#include "shell/file_message_log.h"
#include "tests/commands/command_fakes.h"
#include "window/window_title.h"

namespace tessel {
namespace {

using Action = CommandLine::Action;

CommandLine parse(std::vector<std::string> args) { return parse_command_line(args, "/home/ann/docs"); }

TEST(CommandLineTest, FileIsMadeAbsoluteWithQuotesAndBlanksRemoved) {
    EXPECT_EQ(parse({}).file, "");
    EXPECT_EQ(parse({}).action, Action::run);
    EXPECT_EQ(parse({"catalog.xml"}).file, "/home/ann/docs/catalog.xml");
    EXPECT_EQ(parse({"../x/./a.json"}).file, "/home/ann/x/a.json");
    EXPECT_EQ(parse({"/etc/fonts/fonts.conf"}).file, "/etc/fonts/fonts.conf");
    // A quoted path with blanks, as some launchers pass it through: the file it names.
    EXPECT_EQ(parse({"  \"my file.xml\" "}).file, "/home/ann/docs/my file.xml");
    EXPECT_EQ(parse({"\"/tmp/a b/c.xml\""}).file, "/tmp/a b/c.xml");
    // Only quotes and blanks: nothing to open, and the next file argument is the one taken.
    EXPECT_EQ(parse({" \"\" "}).file, "");
    EXPECT_EQ(parse({"\"\"", "b.xml"}).file, "/home/ann/docs/b.xml");
    // Only the first file is opened.
    EXPECT_EQ(parse({"a.xml", "b.xml"}).file, "/home/ann/docs/a.xml");
    // After "--" a name that starts with a dash is a file; a lone "-" is a file too.
    EXPECT_EQ(parse({"--", "--help"}).file, "/home/ann/docs/--help");
    EXPECT_EQ(parse({"-"}).file, "/home/ann/docs/-");
}

TEST(CommandLineTest, LogOptionInAnyPositionAndBothSpellings) {
    CommandLine a = parse({"--log", "-", "catalog.xml"});
    EXPECT_EQ(a.action, Action::run);
    EXPECT_EQ(a.log, "-");
    EXPECT_EQ(a.file, "/home/ann/docs/catalog.xml");
    CommandLine b = parse({"catalog.xml", "--log=logs/run.txt"});
    EXPECT_EQ(b.log, "/home/ann/docs/logs/run.txt");
    EXPECT_EQ(b.file, "/home/ann/docs/catalog.xml");
    // The log's file name is not a document.
    CommandLine c = parse({"--log", "x.log"});
    EXPECT_EQ(c.file, "");
    EXPECT_EQ(c.log, "/home/ann/docs/x.log");
    EXPECT_EQ(parse({}).log, "");
}

TEST(CommandLineTest, HelpVersionAndOneLineErrors) {
    CommandLine help = parse({"a.xml", "--help", "--bogus"});
    EXPECT_EQ(help.action, Action::help);
    EXPECT_NE(help.text.find("Usage: tessel [--log FILE] [FILE]"), std::string::npos);
    EXPECT_NE(help.text.find("--version"), std::string::npos);
    CommandLine version = parse({"--version"});
    EXPECT_EQ(version.action, Action::version);
    EXPECT_EQ(version.text, "tessel " TESSEL_VERSION "\n");

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"a.xml", "-x"}, {"--log"}, {"a.xml", "--log"}, {"--log="},
             {"--log", ""}, {std::string(kMaxCommandLinePath + 1, 'a')}}) {
        CommandLine bad = parse(args);
        EXPECT_EQ(bad.action, Action::error) << args[0];
        EXPECT_TRUE(bad.text.starts_with("tessel: ")) << bad.text;
        EXPECT_EQ(bad.text.find('\n'), std::string::npos) << bad.text;
        EXPECT_EQ(bad.file, "");
    }
    EXPECT_EQ(parse({"--bogus"}).text, "tessel: unknown option '--bogus' (see tessel --help)");
    EXPECT_EQ(parse({"--log"}).text,
              "tessel: --log needs a file name, or - for standard error (see tessel --help)");
}

TEST(WindowTitleTest, NameModifiedMarkAndApplicationTitle) {
    EXPECT_EQ(window_title("/home/ann/catalog.xml", true, kApplicationTitle), "catalog.xml * - Tessel 2.2");
    EXPECT_EQ(window_title("/home/ann/catalog.xml", false, kApplicationTitle), "catalog.xml - Tessel 2.2");
    EXPECT_EQ(window_title("C:\\data\\a.json", false, "T"), "a.json - T");
    EXPECT_EQ(window_title("Untitled.xml", false, kApplicationTitle), "Untitled.xml - Tessel 2.2");
    EXPECT_EQ(window_title("", true, kApplicationTitle), "Tessel 2.2");

    WindowTitleCache cache;
    EXPECT_EQ(cache.update("/a/b.xml", false, "T"), std::optional<std::string>("b.xml - T"));
    EXPECT_EQ(cache.update("/c/b.xml", false, "T"), std::nullopt);  // same text: not set again
    EXPECT_EQ(cache.update("/c/b.xml", true, "T"), std::optional<std::string>("b.xml * - T"));
    EXPECT_EQ(cache.update("/c/b.xml", false, "T"), std::optional<std::string>("b.xml - T"));
}

std::string read_all(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct MessageLogFile : ::testing::Test {
    std::filesystem::path path;
    void SetUp() override {
        path = std::filesystem::temp_directory_path() /
               ("tessel_log_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt");
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }
};

TEST(MessageLogStamp, UtcWithMilliseconds) {
    EXPECT_EQ(log_timestamp(0), "1970-01-01 00:00:00.000");
    EXPECT_EQ(log_timestamp(1796750405042), "2026-12-08 17:20:05.042");
    EXPECT_EQ(log_timestamp(951782400999), "2000-02-29 00:00:00.999");
}

TEST_F(MessageLogFile, RegistryMessagesAreAppendedStampedAndFlushedPerLine) {
    std::ofstream(path) << "earlier run\n";
    int64_t wall = 1796750405042;
    std::string error;
    auto log = FileMessageLog::open(path.string(), error, [&] { return wall; });
    ASSERT_TRUE(log) << error;

    RecordingRunner runner;
    RecordingView view;
    double now = 0;
    CommandRegistry registry(&runner, [&] { return now; });
    registry.set_view(&view);
    registry.attach_message_log(log.get());

    registry.set_status_message("Started in 12.50 milliseconds");
    // Readable at once, while the log is still open.
    EXPECT_EQ(read_all(path), "earlier run\n2026-12-08 17:20:05.042  Started in 12.50 milliseconds\n");
    wall += 1500;
    registry.set_status_message("Loaded 1,234 bytes in 3.00 milliseconds");
    registry.set_status_message("two\r\nlines");
    log.reset();
    EXPECT_EQ(read_all(path),
              "earlier run\n"
              "2026-12-08 17:20:05.042  Started in 12.50 milliseconds\n"
              "2026-12-08 17:20:06.542  Loaded 1,234 bytes in 3.00 milliseconds\n"
              "2026-12-08 17:20:06.542  two\n\tlines\n");
}

TEST_F(MessageLogFile, UnopenableFileGivesOneLineAndStandardErrorNeedsNoFile) {
    std::string error;
    auto bad = FileMessageLog::open((path / "no" / "such.txt").string(), error);
    EXPECT_FALSE(bad);
    EXPECT_TRUE(error.starts_with("tessel: cannot open the log file ")) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);

    error.clear();
    auto to_stderr = FileMessageLog::open("-", error, [] { return int64_t{0}; });
    ASSERT_TRUE(to_stderr);
    ::testing::internal::CaptureStderr();
    to_stderr->add("Parsed 3 bytes in 1.00 milliseconds");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "1970-01-01 00:00:00.000  Parsed 3 bytes in 1.00 milliseconds\n");
    EXPECT_TRUE(error.empty());
}

}  // namespace
}  // namespace tessel
