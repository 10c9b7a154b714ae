// The recovery journal against a plain string model: random edits, undos and redos are
// journaled; the journal, cut at any byte as a kill would cut it, replays onto the text it
// started from to exactly the text of the last edit it holds whole, and the replayed edits
// undo back to that start.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "file/recovery_journal.h"
#include "tests/file_contents.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

class RecoveryJournalTest : public ::testing::Test {
protected:
    RecoveryJournalTest() {
        folder = fs::temp_directory_path() /
                 ("tessel-journal-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
    }
    ~RecoveryJournalTest() override { fs::remove_all(folder); }

    // A document with its history, holding text, as a load leaves it.
    struct Document {
        explicit Document(const std::string& text) {
            doc.set_history(&history);
            doc.set_text(text);
            history.clear();
        }
        EditHistory history;
        TextDocument doc;
    };

    fs::path folder;
};

TEST_F(RecoveryJournalTest, AJournalCutAnywhereReplaysToTheTextOfItsLastWholeEdit) {
    std::mt19937 random(20261209);
    const auto pick = [&](int32_t n) { return static_cast<int32_t>(random() % static_cast<uint32_t>(n + 1)); };
    const auto some_text = [&] {
        static const std::string pieces[] = {"<a>", "x", "é", "\n", "\r\n", "", "text ", "\xff", "</a>"};
        std::string t;
        for (int n = static_cast<int>(random() % 4); n > 0; --n) t += pieces[random() % std::size(pieces)];
        return t;
    };
    const std::string base = "<list>\n  <item id=\"1\">first</item>\n</list>\n";
    Document live(base);
    RecoveryJournal journal(folder.string());
    // Counts the changes the journal is told of.
    struct Counting final : EditObserver {
        explicit Counting(EditObserver& to) : to(to) {}
        void applied(std::span<const TextPos> p, int32_t d, std::span<const std::string_view> t) override {
            ++count;
            to.applied(p, d, t);
        }
        EditObserver& to;
        int count = 0;
    } counting(journal);
    live.doc.set_edit_observer(&counting);
    JournalBase untitled;
    untitled.extension = "xml";
    journal.start(untitled);

    // texts[k]: the text after the first k journaled edits.
    std::vector<std::string> texts{base};
    for (int step = 0; step < 400; ++step) {
        const int32_t length = live.doc.length();
        const int told = counting.count;
        switch (random() % 5) {
        case 0:
        case 1: {
            const int32_t at = pick(length);
            live.doc.replace(some_text(), at, pick(length - at));
            break;
        }
        case 2: {  // the same change at several places, as Replace All makes it
            std::vector<TextPos> at;
            for (int32_t p = pick(3); p < length - 2; p += 3 + pick(20)) at.push_back(p);
            if (!at.empty()) live.doc.replace_multi(at, 2, some_text());
            break;
        }
        case 3:
            live.history.undo();
            break;
        case 4:
            live.history.redo();
            break;
        }
        ASSERT_LE(counting.count - told, 1);
        if (counting.count > told) texts.push_back(live.doc.text());
        if (random() % 7 == 0) {
            ASSERT_TRUE(journal.flush());
        }
    }
    ASSERT_TRUE(journal.flush());
    ASSERT_FALSE(journal.file().empty());

    // The running editor holds its journal: nobody else is offered it.
    EXPECT_TRUE(recoverable_journals(folder.string()).empty());

    const std::string bytes = test::file_contents(journal.file());
    size_t previous_edits = 0;
    for (size_t cut = 0; cut <= bytes.size(); cut += 1 + random() % 97) {
        const fs::path torn = folder / "torn.journal.copy";
        std::ofstream(torn, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(cut));
        const std::optional<StoredJournal> stored = read_journal(torn.string());
        if (!stored) continue;  // cut inside the header: nothing to recover
        EXPECT_TRUE(stored->base.untitled());
        EXPECT_EQ(stored->base.extension, "xml");
        const size_t edits = stored->edits.size();
        ASSERT_LE(edits, texts.size() - 1);
        EXPECT_GE(edits, previous_edits);  // a longer piece never holds fewer edits
        previous_edits = edits;
        Document recovered(base);
        ASSERT_EQ(replay_journal(stored->edits, recovered.doc), edits);
        ASSERT_EQ(recovered.doc.text(), texts[edits]) << "cut at " << cut;
    }
    ASSERT_EQ(previous_edits, texts.size() - 1);

    // Whole: the last text, and the undo steps lead back to the text it started from.
    Document recovered(base);
    replay_journal(read_journal(journal.file())->edits, recovered.doc);
    EXPECT_EQ(recovered.doc.text(), live.doc.text());
    EXPECT_TRUE(recovered.history.modified());
    while (recovered.history.undo()) {
    }
    EXPECT_EQ(recovered.doc.text(), base);
    EXPECT_FALSE(recovered.history.modified());
}

TEST_F(RecoveryJournalTest, AJournalIsKeptOnlyWhileItsEditsAreUnsavedAndFoundOnceItsWriterIsGone) {
    const fs::path file = folder / "doc.xml";
    fs::create_directories(folder);
    std::ofstream(file) << "<a/>";
    const std::string recovery = (folder / "recovery").string();
    {
        Document live("<a/>");
        RecoveryJournal journal(recovery);
        live.doc.set_edit_observer(&journal);
        journal.start(file_base(file.string(), kEncodingUtf8));
        // Nothing is written before the first edit, and then only after a pause.
        EXPECT_TRUE(journal.tick(0, false));
        EXPECT_FALSE(fs::exists(recovery));
        live.doc.replace("b", 1, 1);
        EXPECT_TRUE(journal.tick(100, false));
        EXPECT_TRUE(journal.tick(900, false));
        EXPECT_TRUE(journal.file().empty());
        EXPECT_TRUE(journal.tick(1150, false));
        ASSERT_FALSE(journal.file().empty());
        // A long job does not wait for the pause.
        live.doc.replace("c", 1, 1);
        EXPECT_TRUE(journal.tick(1200, true));
        EXPECT_FALSE(journal.pending());
        // Saved: the journal goes; the next edit starts another.
        const std::string first = journal.file();
        journal.start(file_base(file.string(), kEncodingUtf8));
        EXPECT_FALSE(fs::exists(first));
        live.doc.replace("<z/>", 0, 4);
        ASSERT_TRUE(journal.flush());
        EXPECT_NE(journal.file(), first);
        // A change of several megabytes goes to the file at once, after what waited before it.
        live.doc.replace("<y/>", 0, 0);
        const std::string large(5'000'000, 'L');
        live.doc.replace(large, 4, 0);
        EXPECT_FALSE(journal.pending());
        live.doc.replace("", 4, 5'000'000);
        ASSERT_TRUE(journal.flush());
        EXPECT_TRUE(recoverable_journals(recovery).empty());
        // The editor ends as a kill would end it: its journal stays.
        live.doc.set_edit_observer(nullptr);
    }
    const std::vector<StoredJournal> found = recoverable_journals(recovery);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].base.path, file.string());
    EXPECT_EQ(found[0].base.size, 4);
    EXPECT_EQ(found[0].base.mtime_ns, file_base(file.string(), kEncodingUtf8).mtime_ns);
    ASSERT_EQ(found[0].edits.size(), 4u);
    EXPECT_EQ(found[0].edits[0].texts, std::vector<std::string>{"<z/>"});
    EXPECT_EQ(found[0].edits[2].texts[0].size(), 5'000'000u);
    Document replayed("<a/>");
    EXPECT_EQ(replay_journal(found[0].edits, replayed.doc), 4u);
    EXPECT_EQ(replayed.doc.text(), "<y/><z/>");

    // Discarded: nothing stays.
    RecoveryJournal journal(recovery);
    Document live("<a/>");
    live.doc.set_edit_observer(&journal);
    journal.start(file_base(file.string(), kEncodingUtf8));
    live.doc.replace("x", 0, 0);
    ASSERT_TRUE(journal.flush());
    journal.discard();
    live.doc.replace("y", 0, 0);
    EXPECT_FALSE(journal.pending());
    EXPECT_EQ(recoverable_journals(recovery).size(), 1u);
}

}  // namespace
}  // namespace tessel
