// Random edits applied both to TextDocument (store, line index, anchors, history) and to the
// plain reference model; after every edit both must agree, and the history must take the
// text back through every state it passed.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "tests/text/document_checks.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

using model::TextModel;

class RandomText {
public:
    explicit RandomText(uint32_t seed) : rng_(seed) {}
    int32_t below(int32_t n) { return n <= 0 ? 0 : static_cast<int32_t>(rng_() % static_cast<uint32_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }

    // Text of about n bytes mixing words, blanks, every line ending, multi-byte characters
    // and now and then a line far longer than 2 000 bytes, with or without ASCII bytes.
    std::string text(int32_t n) {
        std::string out;
        while (static_cast<int32_t>(out.size()) < n) out += chunk();
        return out;
    }
    std::string chunk() {
        switch (below(12)) {
            case 0: return "\n";
            case 1: return "\r\n";
            case 2: return "\r";
            case 3: return "\xC3\xA9";          // é
            case 4: return "\xE2\x82\xAC";      // €
            case 5: return "\xF0\x9F\x98\x80";  // 😀
            case 6: return std::string(static_cast<size_t>(1 + below(3)), ' ');
            case 7:
                if (chance(3)) return std::string(static_cast<size_t>(2100 + below(4000)), 'x');
                if (chance(3)) {
                    std::string euros;
                    for (int i = 0, n = 700 + below(1200); i < n; ++i) euros += "\xE2\x82\xAC";
                    return euros;
                }
                if (chance(3)) {  // NUL bytes, lone CRs, stray lead or continuation bytes
                    static const char kFill[] = {'\0', '\r', '\xC3', '\x80', '\xF0'};
                    return std::string(static_cast<size_t>(1500 + below(3000)), kFill[below(5)]);
                }
                return "<a>";
            default: {
                std::string word;
                for (int i = 0, n = 1 + below(8); i < n; ++i) word += static_cast<char>('a' + below(26));
                return word;
            }
        }
    }

private:
    std::mt19937 rng_;
};

// Drives one random session and checks it; tracks the text at every undo-list size.
class Session {
public:
    Session(uint32_t seed, int32_t initial_size) : rnd_(seed) {
        doc_.set_history(&history_);
        doc_.add_anchor_list(&anchors_);
        std::string text = rnd_.text(initial_size);
        doc_.set_text(text);
        model_.set_text(text);
        for (int i = 0; i < 40; ++i) {
            TextPos a = rnd_.below(static_cast<int32_t>(text.size()) + 1);
            anchors_.push_back(a);
            model_.anchors.push_back(a);
        }
        text_at_.push_back(text);
    }

    void check(const char* what) {
        ASSERT_TRUE(model::matches(doc_, model_)) << what << " at step " << step_;
        for (int32_t i = 0; i < anchors_.size(); ++i)
            ASSERT_EQ(anchors_[i], model_.anchors[i]) << what << ": anchor " << i << " at step " << step_;
        ASSERT_EQ(text_at_.size(), static_cast<size_t>(history_.undo_list().size() + history_.redo_list().size() + 1));
    }

    // One random edit through the history, mirrored in the model.
    void edit() {
        ++step_;
        const int32_t length = doc_.length();
        std::vector<int32_t> positions;
        int32_t del = 0;
        std::string text;
        int flags = 0;
        switch (rnd_.below(6)) {
            case 0:  // insert
                positions = {rnd_.below(length + 1)};
                text = rnd_.chunk();
                break;
            case 1: {  // delete
                int32_t at = rnd_.below(length + 1);
                positions = {at};
                del = rnd_.below(std::min(length - at, rnd_.chance(5) ? 5000 : 40) + 1);
                break;
            }
            case 2: {  // replace
                int32_t at = rnd_.below(length + 1);
                positions = {at};
                del = rnd_.below(std::min(length - at, 30) + 1);
                text = rnd_.chunk();
                break;
            }
            case 3: {  // several positions, as Replace All makes them
                del = rnd_.below(4);
                text = rnd_.chance(30) ? std::string() : rnd_.chunk();
                int32_t at = rnd_.below(length / 4 + 1);
                for (int k = 0, n = 2 + rnd_.below(5); k < n && at + del <= length; ++k) {
                    positions.push_back(at);
                    at += del + rnd_.below(std::max(1, length / 6));
                }
                if (positions.empty()) positions = {0}, del = 0;
                break;
            }
            case 4: {  // a word or blanks typed at one place, one byte at a time
                type_run();
                return;
            }
            default: {  // two insertions as one step, as "mark with tag" makes them
                history_.begin_group();
                apply({rnd_.below(length + 1)}, 0, "<g>", 0);
                apply({rnd_.below(doc_.length() + 1)}, 0, "</g>", 0);
                history_.end_group();
                return;
            }
        }
        if (rnd_.chance(20)) flags |= kMergeTyping;
        apply(positions, del, text, flags);
    }

    void type_run() {
        int32_t at = rnd_.below(doc_.length() + 1);
        bool blanks = rnd_.chance(30);
        for (int i = 0, n = 1 + rnd_.below(6); i < n; ++i) {
            std::string c(1, blanks ? ' ' : static_cast<char>('a' + rnd_.below(26)));
            apply({at}, 0, c, kMergeTyping);
            ++at;
        }
    }

    void apply(const std::vector<int32_t>& positions, int32_t del, const std::string& text, int flags) {
        const int32_t before = history_.undo_list().size();
        ASSERT_TRUE(doc_.replace_multi(positions, del, text, flags));
        model_.replace(positions, del, {text});
        const int32_t after = history_.undo_list().size();
        text_at_.resize(static_cast<size_t>(after) + 1);
        text_at_[static_cast<size_t>(after)] = model_.text;
        ASSERT_TRUE(after == before || after == before + 1);
        ASSERT_EQ(doc_.caret(), positions.front() + static_cast<int32_t>(text.size()));
        check("edit");
    }

    // Undo or redo one step; the text must be the one the history had at that size. The
    // model then takes over the document's line starts, once they are checked to be valid.
    void travel(bool back) {
        ++step_;
        bool done = back ? history_.undo() : history_.redo();
        ASSERT_EQ(done, back ? can_undo_ : can_redo_);
        size_t size = static_cast<size_t>(history_.undo_list().size());
        ASSERT_TRUE(model::same_text(doc_.store(), text_at_[size])) << "after " << (back ? "undo" : "redo") << " at step " << step_;
        resync();
    }

    void resync() {
        model_.text = doc_.text();
        model_.starts.assign(doc_.index().starts().begin(), doc_.index().starts().end());
        ASSERT_TRUE(valid_line_starts(model_)) << "step " << step_;
        model_.anchors.assign(anchors_.begin(), anchors_.end());
    }

    // Every start follows a line feed or a permitted cut, every line feed ends a line, and
    // no line runs past 2 000 bytes where a cut was allowed.
    static ::testing::AssertionResult valid_line_starts(const TextModel& m) {
        if (m.starts.empty() || m.starts[0] != 0) return ::testing::AssertionFailure() << "line 0 must start at 0";
        for (size_t i = 0; i < m.starts.size(); ++i) {
            int32_t start = m.starts[i];
            int32_t end = i + 1 < m.starts.size() ? m.starts[i + 1] : static_cast<int32_t>(m.text.size());
            if (end <= start && i + 1 < m.starts.size()) return ::testing::AssertionFailure() << "line " << i << " empty";
            if (i > 0 && m.text[start - 1] != '\n' && !model::cut_allowed(m.text, start))
                return ::testing::AssertionFailure() << "line " << i << " starts where no cut is allowed";
            for (int32_t q = start + 1; q < end; ++q)
                if (model::ends_index_line(m.text, start, q))
                    return ::testing::AssertionFailure() << "line " << i << " should end before " << q;
        }
        return ::testing::AssertionSuccess();
    }

    void run(int edits) {
        check("start");
        for (int i = 0; i < edits && !::testing::Test::HasFatalFailure(); ++i) {
            can_undo_ = history_.can_undo();
            can_redo_ = history_.can_redo();
            int r = rnd_.below(100);
            if (r < 8) {
                travel(true);
            } else if (r < 12) {
                travel(false);
            } else {
                edit();
            }
        }
        if (::testing::Test::HasFatalFailure()) return;
        // Everything undone gives back the original bytes; everything redone the last text.
        while (history_.can_undo()) ASSERT_TRUE(history_.undo());
        ASSERT_TRUE(model::same_text(doc_.store(), text_at_.front()));
        ASSERT_FALSE(history_.modified());
        resync();
        while (history_.can_redo()) ASSERT_TRUE(history_.redo());
        ASSERT_TRUE(model::same_text(doc_.store(), text_at_.back()));
        resync();
    }

private:
    RandomText rnd_;
    EditHistory history_;
    TextDocument doc_;
    Array<TextPos> anchors_;
    TextModel model_;
    std::vector<std::string> text_at_;
    int step_ = 0;
    bool can_undo_ = false;
    bool can_redo_ = false;
};

TEST(TextDocumentRandom, SmallTextsManySeeds) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        Session session(seed, 3000 + 500 * static_cast<int32_t>(seed));
        session.run(400);
        if (HasFatalFailure()) return;
    }
}

TEST(TextDocumentRandom, TextLargerThanOnePieceSplitsAndMerges) {
    for (uint32_t seed = 100; seed <= 101; ++seed) {
        SCOPED_TRACE(seed);
        Session session(seed, 1'700'000);
        session.run(250);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace tessel
