// The file writer when a signal ends the program: the hidden file of a save under way is
// removed, and a file written in place is never left half-written. Each case runs in a child
// process that the signal really ends.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "file/file_writer.h"
#include "foundation/arena.h"
#include "tests/file_contents.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

class FileWriterSignals : public ::testing::Test {
protected:
    FileWriterSignals() {
        folder = fs::temp_directory_path() /
                 ("tessel-writer-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~FileWriterSignals() override { fs::remove_all(folder); }

    void write_file(const char* name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }
    size_t file_count() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
    }
    // Runs body in a child with the handlers installed; returns the signal that ended the
    // child, or 0 when it exited (its exit status then tells which step went wrong).
    int ended_by_signal(const std::function<void()>& body) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            remove_temporary_files_on_signals();
            body();
            ::_exit(0);
        }
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status)) ADD_FAILURE() << "the child exited with " << WEXITSTATUS(status);
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

    fs::path folder;
};

TEST_F(FileWriterSignals, AnEndingSignalRemovesTheHiddenFileAndLeavesTheOldFile) {
    write_file("doc.xml", "old\n");
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        EXPECT_EQ(ended_by_signal([&] {
                      FileWriter writer(folder / "doc.xml", 1);
                      LargeArena arena;
                      if (!writer.write("new", false, arena)) ::_exit(3);
                      if (file_count() != 2) ::_exit(4);  // the hidden file is there
                      ::raise(signal);
                  }),
                  signal);
        EXPECT_EQ(file_count(), 1u);
        EXPECT_EQ(test::file_contents(folder / "doc.xml"), "old\n");
    }
}

// Written in place (the file has two names), the file would be half-written if the signal
// ended the program at once: it waits until the save is done, and then ends it.
TEST_F(FileWriterSignals, AFileWrittenInPlaceIsWholeWhenTheSignalEndsTheProgram) {
    write_file("a.txt", "old\n");
    fs::create_hard_link(folder / "a.txt", folder / "b.txt");
    EXPECT_EQ(ended_by_signal([&] {
                  FileWriter writer(folder / "a.txt", 1);
                  LargeArena arena;
                  if (!writer.write("first half, ", false, arena)) ::_exit(3);
                  ::raise(SIGTERM);
                  if (!writer.write("second half\n", true, arena) || !writer.commit()) ::_exit(4);
                  ::_exit(5);  // not reached: the signal comes once the file is whole
              }),
              SIGTERM);
    EXPECT_EQ(test::file_contents(folder / "b.txt"), "first half, second half\n");
    EXPECT_EQ(file_count(), 2u);

    // Cancelled before it is done, the file gets its old content back first.
    EXPECT_EQ(ended_by_signal([&] {
                  {
                      FileWriter writer(folder / "a.txt", 1);
                      LargeArena arena;
                      if (!writer.write("never saved", false, arena)) ::_exit(3);
                      ::raise(SIGINT);
                  }
                  ::_exit(5);
              }),
              SIGINT);
    EXPECT_EQ(test::file_contents(folder / "b.txt"), "first half, second half\n");
    EXPECT_EQ(file_count(), 2u);
}

}  // namespace
}  // namespace tessel
