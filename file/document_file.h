// DocumentFile: the open document's file — loading and saving it in its encoding, new
// documents, the question before changes are discarded, the recent file list, and noticing
// changes made to the file by other programs.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "encoding/encoding.h"
#include "file/file_watch.h"
#include "file/recent_files.h"

namespace tessel {

class Job;
class RecoveryJournal;
class TextDocument;
struct JournalBase;
struct StoredJournal;
class Ui;

// What the file code needs from the editor and the main window.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    // The document, with its edit history attached.
    virtual TextDocument& document() = 0;
    // Chooses the document's language by a file name's extension, and when no language claims
    // it by the text's first bytes in head (empty before the text is read).
    virtual void set_language_for(std::string_view file_name, std::string_view head) = 0;
    // The present language's extension ("xml", "dtd", "json", "txt") and the file dialogs'
    // filter.
    virtual std::string language_extension() = 0;
    virtual std::string file_filter() = 0;
    // Stops the jobs that read the old document (parse, view, sort, undo) and empties the
    // warnings pane.
    virtual void reset_views() = 0;
    // While busy the editor takes no edits and the file commands are disabled.
    virtual void set_busy(bool busy) = 0;
    // The document's name changed (the window title follows), or it was saved.
    virtual void name_changed() = 0;
    virtual void document_saved() = 0;
    virtual void post_command(std::string_view name, std::string_view argument) = 0;
    // The status bar's message pane, and the log.
    virtual void set_status_message(std::string_view text) = 0;
    virtual void log(std::string_view text) = 0;
    // A load or save made progress: the window may show it.
    virtual void progress_changed() = 0;
    // Milliseconds of a monotonic clock.
    virtual double now_ms() = 0;
};

class DocumentFile {
public:
    static constexpr size_t kBlockSize = 1'000'000;
    // How much of the text the declaration is looked for in, when saving and when rewriting.
    static constexpr int32_t kDeclarationScan = 1'000'000;
    static constexpr int32_t kDeclarationRewrite = 700'000;
    static constexpr const char* kLossQuestion =
        "This document contains characters that cannot be saved using the current encoding, "
        "These characters will be deleted. Continue?";

    DocumentFile(DocumentHost& host, Ui& ui, RecentFilesStore* recent_store = nullptr);
    ~DocumentFile();

    const std::string& path() const { return path_; }
    bool untitled() const { return untitled_; }
    EncodingId encoding() const { return encoding_; }
    // Bytes of the last file loaded that its text holds only as U+FFFD: a save writes U+FFFD
    // in their place.
    int64_t replaced_bytes() const { return replaced_bytes_; }
    bool busy() const { return busy_; }
    // The size of the file the document was last loaded from or saved to, while its text is
    // what that file holds; -1 for an untitled or modified document.
    int64_t file_bytes() const { return untitled_ || modified() ? -1 : file_bytes_; }
    RecentFiles& recent() { return recent_; }
    bool watched() const { return watch_ != nullptr; }
    // Whether the edit history holds unsaved changes.
    bool modified() const;

    // The job bodies of "load_file" and "save": false when an error was shown or the user
    // cancelled. A JobCancelled from job's yield point passes through, the busy state ended.
    bool load(const std::string& path, EncodingId requested, Job* job);
    bool save(const std::string& path, EncodingId requested, Job* job);

    // The commands.
    // "load_file": "path" or "path|id". Asks before discarding changes.
    bool load_file(std::string_view argument, Job* job);
    // "open": the file dialog, then load_file.
    bool open(Job* job);
    // "save": with an encoding id as argument, or empty.
    bool save_command(std::string_view argument, Job* job);
    // "save_as": the file dialog; a name without an extension gets the language's.
    bool save_as(EncodingId requested, Job* job);
    // "new", "new_dtd", "new_json", "new_text": an empty untitled document.
    bool new_document(std::string_view extension);
    // "Character Encoding" dialog's Reload, and "Save With Encoding" dialog's Ok.
    bool reload_with_encoding(EncodingId id);
    bool save_with_encoding(EncodingId id, Job* job);
    // "prompt_reload".
    bool prompt_reload(Job* job);

    // Asks "Save changes to ... ?" when the document is modified; true when the caller may
    // go on (nothing to save, No, or Yes and the save succeeded).
    bool confirm_discard(Job* job);
    // From the periodic timer: posts "prompt_reload" when the file changed on disk.
    void check_external_change(bool job_running);

    // The journal that keeps the document's unsaved edits (null: none, as in batch use). It
    // restarts with every load, save and new document; a load offers the edits a killed
    // editor left for that file.
    void set_journal(RecoveryJournal* journal) { journal_ = journal; }
    // An untitled document of this language is open: its edits are kept from now on.
    void start_untitled_journal(std::string_view extension);
    // At start-up without a file: offers the newest journal of an untitled document; true
    // when its edits were recovered.
    bool offer_untitled_recovery();
    // From the periodic timer: writes the journal a second after typing pauses, or at once
    // while a long job runs.
    void journal_tick(double now_ms, bool long_job);
    // The program ends and the user agreed to lose what is unsaved: no journal stays.
    void end_journal();

private:
    class BusyScope;
    void set_name(const std::string& path);
    void reset_document();
    bool fail(const std::string& message);
    // Before a file is read: removes what killed saves left beside it, and asks whether the
    // copy of an interrupted in-place save is to be put back.
    void offer_interrupted_save_backup(const std::string& path);
    std::string recovery_question(const StoredJournal& journal, bool changed) const;
    void offer_recovery(const JournalBase& base);
    void recover(const StoredJournal& journal);

    DocumentHost& host_;
    Ui& ui_;
    std::string path_;
    bool untitled_ = true;
    EncodingId encoding_ = kEncodingUtf8;
    int64_t replaced_bytes_ = 0;
    int64_t file_bytes_ = -1;
    bool busy_ = false;
    RecentFiles recent_;
    std::unique_ptr<FileWatch> watch_;
    RecoveryJournal* journal_ = nullptr;
};

// The window title: the application title alone while the document has no name, else the
// name's last part (after "/" or "\"), " *" when modified, " - " and the application title.
std::string window_title(std::string_view document_name, bool modified,
                         std::string_view application_title);

}  // namespace tessel
