// The file writer when a signal ends the program: the hidden file of a save under way is
// removed, and a file written in place is never left half-written. Each case runs in a child
// process that the signal really ends.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "file/file_writer.h"
#include "file/save_leftovers.h"
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

// SIGKILL cannot be caught: what the killed save left is found by the next open instead. A
// killed in-place save leaves a half-written file and the copy of its old content, which is
// named and can be put back; a killed plain save leaves only its hidden file, which goes.
TEST_F(FileWriterSignals, AKilledSaveLeavesACopyToRestoreOrALeftoverThatIsSwept) {
    const std::string old_content = "<list>old content</list>\n";
    write_file("a.xml", old_content);
    fs::create_hard_link(folder / "a.xml", folder / "b.xml");
    const auto killed_during = [&](const char* name) {
        return ended_by_signal([&] {
            FileWriter writer(folder / name, 1);
            LargeArena arena;
            if (!writer.write("<new>", false, arena)) ::_exit(3);
            ::raise(SIGKILL);
        });
    };
    ASSERT_EQ(killed_during("a.xml"), SIGKILL);
    EXPECT_EQ(test::file_contents(folder / "b.xml").substr(0, 5), "<new>");

    // While another save of the file runs, its hidden files are its own.
    {
        fs::create_hard_link(folder / "a.xml", folder / "c.xml");
        FileWriter running(folder / "c.xml", 1);
        LargeArena arena;
        ASSERT_TRUE(running.write("<x", false, arena));
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
        const SaveLeftovers found = sweep_save_leftovers(folder / "a.xml");
        EXPECT_EQ(found.backups.size(), 1u);  // the killed save's, not the running one's
        EXPECT_EQ(found.removed_temporaries, 0);
        EXPECT_EQ(file_count(), 5u);
    }
    fs::remove(folder / "c.xml");

    const SaveLeftovers found = sweep_save_leftovers(folder / "b.xml");
    ASSERT_EQ(found.backups.size(), 1u);
    EXPECT_EQ(test::file_contents(found.backups[0]), old_content);
    std::string error;
    ASSERT_TRUE(restore_save_backup(folder / "b.xml", found.backups[0], &error)) << error;
    EXPECT_EQ(test::file_contents(folder / "a.xml"), old_content);
    EXPECT_EQ(test::file_contents(folder / "b.xml"), old_content);
    EXPECT_EQ(file_count(), 2u);

    // A plain save killed half-way: the file is untouched, and its hidden file is removed
    // once it is old enough not to be a save that has yet to lock it.
    write_file("plain.xml", old_content);
    ASSERT_EQ(killed_during("plain.xml"), SIGKILL);
    EXPECT_EQ(file_count(), 4u);
    EXPECT_EQ(sweep_save_leftovers(folder / "plain.xml").removed_temporaries, 0);
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    const SaveLeftovers plain = sweep_save_leftovers(folder / "plain.xml");
    EXPECT_EQ(plain.removed_temporaries, 1);
    EXPECT_TRUE(plain.backups.empty());
    EXPECT_EQ(file_count(), 3u);
    EXPECT_EQ(test::file_contents(folder / "plain.xml"), old_content);
}

}  // namespace
}  // namespace tessel
