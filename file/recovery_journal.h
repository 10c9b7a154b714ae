// RecoveryJournal: the unsaved edits of the open document, appended to a file so that a
// killed editor (a crash, the out-of-memory killer, a power loss) loses none of them.
//
// The journal holds the edits, not the text: each change as the text document made it
// (positions, bytes deleted, texts inserted), after a header that names the file the edits
// apply to and its size and modification time when it was loaded or saved. Replaying the
// edits on that file's text gives the text the editor held. A large document costs only its
// edits.
//
// File: a magic line, then frames of [payload length u32][checksum u32][payload], the first
// one the header. A frame cut off by the end of the file, or whose checksum does not match,
// ends the journal: it is the write the kill interrupted.
//
// The writer holds an exclusive flock on its journal while it lives, so the journals of
// running editors are never offered for recovery by another one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/encoding.h"
#include "text/text_document.h"

namespace tessel {

// The folder of the journals: $TESSEL_STATE_DIR, else $XDG_STATE_HOME/tessel/recovery, else
// ~/.local/state/tessel/recovery. Empty when none can be named.
std::string recovery_folder();

// What the edits of a journal apply to.
struct JournalBase {
    std::string path;       // absolute; empty for an untitled document
    std::string extension;  // the language's ("xml", "json", ...), for an untitled document
    EncodingId encoding = kEncodingUtf8;
    int64_t size = -1;      // the file's size and modification time when it was read or saved
    int64_t mtime_ns = -1;
    int64_t created = 0;    // seconds since the epoch of the first edit
    bool untitled() const { return path.empty(); }
};

// The base of the file at path as it is on disk now (size and modification time).
JournalBase file_base(const std::string& path, EncodingId encoding);

struct JournalEdit {
    std::vector<int32_t> positions;
    int32_t delete_count = 0;
    std::vector<std::string> texts;  // one for every position, or one for all
};

// A journal found on disk whose writer is gone.
struct StoredJournal {
    std::string file;  // the journal file
    JournalBase base;
    std::vector<JournalEdit> edits;
    int64_t modified = 0;  // seconds since the epoch of the last write
};

// Reads a journal file; nullopt when it is not one (or holds no header).
std::optional<StoredJournal> read_journal(const std::string& file);

// A journal's header alone; nullopt when the file is not a journal.
std::optional<JournalBase> read_journal_base(const std::string& file);

// The journals in folder that no running editor holds, newest first; with wanted, only those
// whose base it accepts are read whole. Journals without edits are removed on the way.
std::vector<StoredJournal> recoverable_journals(
    const std::string& folder, const std::function<bool(const JournalBase&)>& wanted = {});

// What `tessel --recover` prints: each journal's document, its changes and their age, and
// how to recover them.
std::string recoverable_listing(const std::vector<StoredJournal>& journals);

// Applies the edits to document as undo steps, in order; stops at the first that does not fit
// the text. Returns the number applied.
size_t replay_journal(const std::vector<JournalEdit>& edits, TextDocument& document);

class RecoveryJournal final : public EditObserver {
public:
    // folder empty: no journal is kept.
    explicit RecoveryJournal(std::string folder);
    ~RecoveryJournal() override;
    RecoveryJournal(const RecoveryJournal&) = delete;
    RecoveryJournal& operator=(const RecoveryJournal&) = delete;

    // The document now holds base's text unchanged: the old journal goes, the next edit
    // starts a new one.
    void start(JournalBase base);
    // The document's edits are not wanted any more (saved, discarded, closed): the journal
    // goes and edits are not kept until the next start.
    void discard();

    void applied(std::span<const TextPos> positions, int32_t delete_count,
                 std::span<const std::string_view> texts) override;

    // Edits are kept in memory until they are written: a second after typing pauses and
    // before long jobs, by the caller's timer calling tick, or at once when many bytes wait.
    // False when the journal cannot be written (it then stays off until the next start).
    bool tick(double now_ms, bool long_job);
    bool flush();
    bool pending() const { return !buffer_.empty(); }
    // The journal file, once written; empty before.
    const std::string& file() const { return file_; }
    bool failed() const { return failed_; }
    const std::string& folder() const { return folder_; }

private:
    bool open_file();
    void close_file(bool remove);

    std::string folder_;
    std::optional<JournalBase> base_;  // null while edits are not kept
    std::string file_;
    int fd_ = -1;
    std::string buffer_;  // frames not yet written
    bool failed_ = false;
    size_t seen_size_ = 0;  // the buffer's size at the last tick, and when it was first seen
    double seen_at_ = 0;
};

}  // namespace tessel
