// Loading and saving the document's file.
#include "encoding/codecs.h"
#include "file/document_file.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "encoding/xml_declaration.h"
#include "file/file_dialog_start.h"
#include "file/file_reader.h"
#include "file/file_writer.h"
#include "file/recovery_journal.h"
#include "file/save_leftovers.h"
#include "foundation/arena.h"
#include "foundation/job.h"
#include "foundation/number_format.h"
#include "seams/ui.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {

namespace {

// An encoding id in decimal; -1 for anything else.
EncodingId parse_encoding(std::string_view text) {
    int value = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < -1 ||
        value >= kEncodingCount)
        return kEncodingUnspecified;
    return value;
}

std::string_view file_name_part(std::string_view path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

// Sets the busy state for the time of a load or save, also when it ends by an exception.
class DocumentFile::BusyScope {
public:
    explicit BusyScope(DocumentFile& file) : file_(file) {
        file_.busy_ = true;
        file_.host_.set_busy(true);
    }
    ~BusyScope() { end(); }
    void end() {
        if (!file_.busy_) return;
        file_.host_.set_busy(false);
        file_.busy_ = false;
    }

private:
    DocumentFile& file_;
};

DocumentFile::DocumentFile(DocumentHost& host, Ui& ui, RecentFilesStore* recent_store)
    : host_(host), ui_(ui), recent_(recent_store) {}

DocumentFile::~DocumentFile() = default;

bool DocumentFile::modified() const {
    EditHistory* history = host_.document().history();
    return history && history->modified();
}

void DocumentFile::set_name(const std::string& path) {
    path_ = path;
    untitled_ = false;
    watch_ = std::make_unique<FileWatch>(path, host_.now_ms());
    host_.name_changed();
}

void DocumentFile::reset_document() {
    if (journal_) journal_->discard();
    replaced_bytes_ = 0;
    file_bytes_ = -1;
    host_.reset_views();
    if (EditHistory* history = host_.document().history()) history->clear();
    host_.document().set_text({});
}

bool DocumentFile::fail(const std::string& message) {
    ui_.message_box(message, "Tessel", UiButtons::ok, UiIcon::error);
    return false;
}

void DocumentFile::offer_interrupted_save_backup(const std::string& path) {
    const SaveLeftovers leftovers = sweep_save_leftovers(path);
    if (leftovers.backups.empty()) return;
    // The newest copy first; an older one is asked about at the next open.
    const std::string& backup = leftovers.backups.front();
    const std::string question =
        "A save of " + path + " was interrupted, and the file may be incomplete. Its content "
        "before that save is kept in " + backup + ".\n\nRestore that content? Yes restores it, No "
        "keeps the file as it is and deletes the copy, Cancel keeps both.";
    const UiAnswer answer = ui_.message_box(question, "Tessel", UiButtons::yes_no_cancel,
                                            UiIcon::warning);
    if (answer == UiAnswer::yes) {
        std::string error;
        if (!restore_save_backup(path, backup, &error)) {
            fail(error);
            return;
        }
        const std::string message = "Restored " + path + " from " + backup;
        host_.set_status_message(message);
        host_.log(message);
    } else if (answer == UiAnswer::no) {
        discard_save_backup(backup);
    }
}

bool DocumentFile::load(const std::string& path, EncodingId requested, Job* job) {
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("Loading");
    const double started = host_.now_ms();
    offer_interrupted_save_backup(path);
    // The reader sets encoding_ only once it reads, so a file that cannot be opened leaves
    // the open document's encoding as it was.
    FileReader reader(path, &encoding_);
    // A file larger than the document can hold is refused before anything is read, so the
    // open document stays as it was.
    reader.set_size_limit(host_.document().store().max_length());
    BusyScope busy(*this);
    // Each block goes to the end of the document, with progress and a yield point after it.
    struct Appender final : TextSink {
        DocumentHost& host;
        Job& job;
        int64_t total = 0;
        Appender(DocumentHost& h, Job& j) : host(h), job(j) {}
        bool take(std::string_view text) override {
            if (!host.document().append(text)) return false;
            total += static_cast<int64_t>(text.size());
            return true;
        }
        void block_done(int64_t bytes_read, int64_t file_size) override {
            if (file_size > 0)
                job.set_progress(static_cast<int>(std::min<int64_t>(bytes_read * 100 / file_size, 100)));
            host.progress_changed();
            job.yield_point();
        }
    } appender(host_, *job);
    JournalBase base = file_base(path, requested);
    if (reader.open()) {
        host_.set_language_for(path, {});
        reset_document();
        // The title shows the file being read; the document stays untitled until all of it
        // is in, so that a load that fails half-way cannot be saved over the file.
        path_ = path;
        untitled_ = true;
        watch_.reset();
        host_.name_changed();
        encoding_ = requested;
        // The text goes into one block as large as the file, which the parse then reads
        // without a copy of its own.
        host_.document().expect_load(reader.file_size());
        reader.read_into(appender);
        host_.document().store().settle();
        replaced_bytes_ = reader.replaced_bytes();
    }
    const int64_t total = appender.total;
    busy.end();
    if (!reader.error().empty()) {
        recent_.remove(path);
        // What was read is kept, as a modified document that has yet to be saved somewhere.
        if (total > 0)
            if (EditHistory* history = host_.document().history()) history->set_modified_flag(true);
        return fail(reader.error());
    }
    std::string message =
        "Loaded " + counted(total, "byte") + " in " + format_duration(host_.now_ms() - started);
    host_.set_status_message(message);
    host_.log(message);
    recent_.add(path);
    file_bytes_ = reader.file_size();
    // A file whose extension no language claims gets the language its text shows.
    {
        const TextDocument& text = host_.document();
        host_.set_language_for(path, text.store().substr(0, std::min(text.length(), 4096)));
    }
    set_name(path);
    if (EditHistory* history = host_.document().history()) history->mark_saved();
    if (journal_) {
        base.encoding = encoding_;
        journal_->start(base);
        offer_recovery(base);
    }
    host_.post_command("reparse", "y");
    return true;
}

bool DocumentFile::save(const std::string& path, EncodingId requested, Job* job) {
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("Saving");
    const double started = host_.now_ms();
    // Busy from the start: the checks below pass yield points, and an edit made meanwhile
    // would be saved by a decision taken on the text before it.
    BusyScope busy(*this);
    TextDocument& document = host_.document();
    const int32_t length = document.length();

    EncodingId target = requested;
    if (target == kEncodingUnspecified) {
        const std::string head = document.store().substr(0, std::min(length, kDeclarationScan + 1));
        const EncodingId declared = read_declaration(head).encoding;
        target = declared != kEncodingUnspecified ? declared : encoding_;
    }
    // A document that never had an encoding is saved as UTF-8.
    if (target == kEncodingUnspecified) target = kEncodingUtf8;
    // Stray bytes of the text go back as they were read only into the encoding they were
    // read in; in any other encoding they are a loss like a character the encoding lacks.
    // An odd last byte of a UTF-16 file, read as U+FFFD, is lost whatever the target.
    const bool lossy = replaced_bytes_ > 0 || !can_encode(target, document.store(), encoding_);
    if (lossy && ui_.message_box(kLossQuestion, "Tessel", UiButtons::yes_no, UiIcon::question) !=
                     UiAnswer::yes)
        return false;

    if (requested != kEncodingUnspecified && host_.language_extension() == "xml") {
        const std::string head =
            document.store().substr(0, std::min(length, kDeclarationRewrite + 1));
        size_t old_length = 0;
        const std::string declaration = write_declaration(head, requested, &old_length);
        document.replace(declaration, 0, static_cast<int32_t>(old_length));
    }

    FileWriter writer(path, target, encoding_);
    LargeArena arena;
    const int32_t total = document.length();
    for (int64_t t = 0; t == 0 || t < total; t += static_cast<int64_t>(kBlockSize)) {
        const int32_t first = static_cast<int32_t>(t);
        const int32_t last =
            static_cast<int32_t>(std::min<int64_t>(t + static_cast<int64_t>(kBlockSize), total)) -
            1;
        const bool final_block = last + 1 >= total;
        std::string_view block;
        if (last >= first)
            block = {document.store().copy_range(arena, first, last),
                     static_cast<size_t>(last - first + 1)};
        if (!writer.write(block, final_block, arena)) {
            busy.end();
            return fail(writer.error());
        }
        arena.reset();
        if (total > 0) job->set_progress(static_cast<int>((int64_t{last} + 1) * 100 / total));
        host_.progress_changed();
        job->yield_point();
    }
    if (!writer.commit()) {
        busy.end();
        return fail(writer.error());
    }

    const double took = host_.now_ms() - started;
    std::error_code size_error;
    const auto written = std::filesystem::file_size(path, size_error);
    file_bytes_ = size_error ? -1 : static_cast<int64_t>(written);
    const std::string message =
        size_error ? "Saved in " + format_duration(took)
                   : "Saved " + counted(file_bytes_, "byte") + " in " + format_duration(took);
    host_.set_status_message(message);
    host_.log(message);
    set_name(path);
    if (EditHistory* history = document.history()) history->mark_saved();
    recent_.add(path);
    host_.document_saved();
    encoding_ = target;
    if (journal_) journal_->start(file_base(path, target));
    busy.end();
    // Show what the file now holds, without the characters that were dropped, read in the
    // encoding it was written in (detection could not tell a code page from another).
    if (lossy) return load(path, target, job);
    return true;
}

bool DocumentFile::load_file(std::string_view argument, Job* job) {
    const size_t bar = argument.find('|');
    const std::string path(argument.substr(0, bar));
    const EncodingId requested = bar == std::string_view::npos
                                     ? kEncodingUnspecified
                                     : parse_encoding(argument.substr(bar + 1));
    if (!confirm_discard(job)) return false;
    return load(path, requested, job);
}

namespace {

std::string home_folder() {
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? std::string(home) : std::string("/");
}

bool folder_exists(const std::string& folder) {
    std::error_code error;
    return std::filesystem::is_directory(folder, error);
}

}  // namespace

bool DocumentFile::open(Job* job) {
    const DialogPlace place =
        open_dialog_place(recent_.last_folder(), path_, untitled_, home_folder(), folder_exists);
    const std::string path = ui_.file_dialog(false, place.path(), host_.file_filter());
    if (path.empty()) return false;
    recent_.set_last_folder(folder_of(path));
    return load_file(path, job);
}

bool DocumentFile::save_command(std::string_view argument, Job* job) {
    const EncodingId requested = argument.empty() ? kEncodingUnspecified : parse_encoding(argument);
    if (untitled_) {
        encoding_ = kEncodingUtf8;
        return save_as(requested, job);
    }
    return save(path_, requested, job);
}

bool DocumentFile::save_as(EncodingId requested, Job* job) {
    const DialogPlace place =
        save_dialog_place(recent_.last_folder(), path_, untitled_, home_folder(), folder_exists);
    std::string name = ui_.file_dialog(true, place.path(), host_.file_filter());
    if (name.empty()) return false;
    recent_.set_last_folder(folder_of(name));
    // Only the file's own name counts: a dot in a folder name is not an extension.
    if (file_name_part(name).find('.') == std::string_view::npos)
        name += "." + host_.language_extension();
    return save(name, requested, job);
}

bool DocumentFile::new_document(std::string_view extension) {
    if (modified() && !confirm_discard(nullptr)) return false;
    const std::string name = "Untitled." + std::string(extension);
    host_.set_language_for(name, {});
    reset_document();
    path_ = name;
    untitled_ = true;
    encoding_ = kEncodingUtf8;
    watch_.reset();
    host_.name_changed();
    start_untitled_journal(extension);
    return true;
}

void DocumentFile::start_untitled_journal(std::string_view extension) {
    if (!journal_) return;
    JournalBase base;
    base.extension = extension;
    journal_->start(std::move(base));
}

std::string DocumentFile::recovery_question(const StoredJournal& journal, bool changed) const {
    const std::string name =
        journal.base.untitled() ? "Untitled." + journal.base.extension : journal.base.path;
    const size_t count = journal.edits.size();
    std::string text = "Recover unsaved changes to " + name + "?\n\n";
    text += "Tessel ended without saving " + with_commas(static_cast<int64_t>(count)) +
            (count == 1 ? " change" : " changes") + " to it. No discards them.";
    if (changed)
        text += "\n\nWarning: the file has changed since these changes were made, so they may "
                "not fit it. Check the result before saving it.";
    return text;
}

void DocumentFile::recover(const StoredJournal& journal) {
    TextDocument& document = host_.document();
    const size_t applied = replay_journal(journal.edits, document);
    ::unlink(journal.file.c_str());
    const std::string message = "Recovered " + with_commas(static_cast<int64_t>(applied)) +
                                (applied == 1 ? " change" : " changes");
    host_.set_status_message(message);
    host_.log(message);
    if (applied < journal.edits.size())
        ui_.message_box("Only " + std::to_string(applied) + " of " +
                            std::to_string(journal.edits.size()) +
                            " changes could be recovered: the others do not fit the text.",
                        "Tessel", UiButtons::ok, UiIcon::warning);
}

void DocumentFile::offer_recovery(const JournalBase& base) {
    const auto same_file = [&](const JournalBase& stored) { return stored.path == base.path; };
    for (const StoredJournal& journal : recoverable_journals(journal_->folder(), same_file)) {
        const bool changed =
            journal.base.size != base.size || journal.base.mtime_ns != base.mtime_ns;
        if (ui_.message_box(recovery_question(journal, changed), "Tessel", UiButtons::yes_no,
                            changed ? UiIcon::warning : UiIcon::question) == UiAnswer::yes)
            recover(journal);
        else
            ::unlink(journal.file.c_str());
        return;
    }
}

bool DocumentFile::offer_untitled_recovery() {
    if (!journal_) return false;
    const auto untitled = [](const JournalBase& stored) { return stored.untitled(); };
    for (const StoredJournal& journal : recoverable_journals(journal_->folder(), untitled)) {
        if (ui_.message_box(recovery_question(journal, false), "Tessel", UiButtons::yes_no,
                            UiIcon::question) != UiAnswer::yes) {
            ::unlink(journal.file.c_str());
            return false;
        }
        if (!new_document(journal.base.extension)) return false;
        recover(journal);
        return true;
    }
    return false;
}

void DocumentFile::journal_tick(double now_ms, bool long_job) {
    if (journal_) journal_->tick(now_ms, long_job);
}

void DocumentFile::end_journal() {
    if (journal_) journal_->discard();
}

bool DocumentFile::reload_with_encoding(EncodingId id) {
    if (untitled_) return false;
    if (modified() &&
        ui_.message_box("discard recent changes and reload using the specified encoding?",
                        "Change Encoding", UiButtons::ok_cancel, UiIcon::question) != UiAnswer::ok)
        return false;
    host_.post_command("load_file", path_ + "|" + std::to_string(id));
    return true;
}

bool DocumentFile::save_with_encoding(EncodingId id, Job* job) {
    return save_as(id, job);
}

bool DocumentFile::prompt_reload(Job* job) {
    const std::string text =
        path_ +
        "\n\nThis file has been modified outside of the source editor. Do you want to reload it?";
    if (ui_.message_box(text, "Tessel", UiButtons::yes_no_cancel, UiIcon::question) !=
        UiAnswer::yes)
        return false;
    return load(path_, kEncodingUnspecified, job);
}

bool DocumentFile::confirm_discard(Job* job) {
    if (!modified()) return true;
    const UiAnswer answer = ui_.message_box("Save changes to " + path_ + " ?", "Tessel",
                                            UiButtons::yes_no_cancel, UiIcon::question);
    if (answer == UiAnswer::no) return true;
    if (answer != UiAnswer::yes) return false;
    // Go on only when the changes are really saved: a failed save must not be followed by
    // throwing the document away.
    if (untitled_) {
        encoding_ = kEncodingUtf8;
        return save_as(kEncodingUnspecified, job);
    }
    return save(path_, kEncodingUnspecified, job);
}

void DocumentFile::check_external_change(bool job_running) {
    if (!watch_ || job_running) return;
    if (watch_->changed(host_.now_ms())) host_.post_command("prompt_reload", "");
}

std::string window_title(std::string_view document_name, bool modified,
                         std::string_view application_title) {
    if (document_name.empty()) return std::string(application_title);
    std::string title(file_name_part(document_name));
    if (modified) title += " *";
    title += " - ";
    title += application_title;
    return title;
}

}  // namespace tessel
