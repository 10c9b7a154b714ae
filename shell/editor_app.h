// EditorApp: the editor without its widgets. It holds the process-wide objects that follow
// the worker pool in start-up order (the settings store with the application key pushed, the
// command registry, the edit history), the document with its parse scheduling and its file,
// and the handlers of the commands that no widget owns: the file commands, exit, the help
// pages and the option toggles. It implements what the document file and the parse
// scheduling ask of the window, and passes on to an EditorWindow only what widgets must do.
// Everything here runs on the UI thread holding the application lock, except the job bodies
// of the file commands, which run on the "load" and "save" workers.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_registry.h"
#include "file/document_file.h"
#include "file/recovery_journal.h"
#include "parse/cell_write.h"
#include "parse/language_registry.h"
#include "runtime/tick_list.h"
#include "seams/ui_poster.h"
#include "settings/editor_options.h"
#include "settings/settings_recent_files.h"
#include "settings/settings_store.h"
#include "shell/document_controller.h"
#include "shell/help_pages.h"
#include "shell/routed_document_host.h"
#include "text/edit_history.h"
#include "text/text_document.h"
#include "window/busy_cursor.h"
#include "window/job_status_panes.h"
#include "window/stat_pane_text.h"
#include "window/window_title.h"

namespace tessel {

class EditorWindow;
class IndentOptionsDialog;
class MessageLog;
class Ui;
class WorkerPool;

class EditorApp final : private DocumentHost, private DocumentOwner {
public:
    static constexpr uint32_t kCommandTickMs = 50;
    static constexpr uint32_t kWindowTickMs = 100;

    // The pool was made first, on this thread (it holds the lock). settings_path empty: the
    // user's default store. poster: the way from workers to the UI thread (null in batch use).
    // recovery_folder empty: the user's folder of recovery journals.
    EditorApp(WorkerPool& pool, Ui& ui, UiPoster* poster, const std::string& settings_path = {},
              const std::string& recovery_folder = {});
    ~EditorApp() override;
    EditorApp(const EditorApp&) = delete;
    EditorApp& operator=(const EditorApp&) = delete;

    // Connects the window once it exists (its items and handlers registered); null detaches.
    void attach_window(EditorWindow* window);
    void attach_message_log(MessageLog* log);

    WorkerPool& pool() { return pool_; }
    SettingsStore& settings() { return settings_; }
    CommandRegistry& commands() { return commands_; }
    TextDocument& document() override { return document_; }
    DocumentFile& file() { return file_; }
    DocumentController& controller() { return controller_; }
    LanguageRegistry& languages() { return languages_; }
    EditHistory& history() { return history_; }
    Ui& ui() { return ui_; }
    UiPoster* poster() const { return poster_; }
    // The tree of the last parse without errors, or null (UI thread).
    DocumentTree* tree() const { return tree_.get(); }
    // Why no cell may be edited now: a parse is due or running, so the tree is not the
    // text's (kParsingMessage), or the last parse found errors (kSyntaxErrorMessage); null
    // when cells may be edited.
    const char* edit_check() const;
    // Writes what was typed into a cell of node (a node of tree()) with the query a commit
    // writes with, as one undo step, at exactly the bytes the cell stands for. The text is
    // not parsed again: the tree's edit shifts keep its offsets right until the next parse
    // (a typed change, an undo or "reparse"). A value the node refuses changes nothing and
    // shows "Cannot set value" with the node's message.
    CellWrite set_cell_value(Node& node, std::string_view typed, int query_kind);

    // The "XML Indent Options" dialog that "indent" asks with (null: indent without asking).
    void set_indent_dialog(IndentOptionsDialog* dialog) { indent_dialog_ = dialog; }

    // The editor's options; its two toggles are bound to their fields.
    EditorOptions editor_options;
    // The variables of the other option toggles, read by the views and the window.
    int32_t scroll_wheel_changes_tree_selection = 1;
    int32_t status_bar = 1;
    int32_t toolbar = 1;

    // The toggles' states under "Frame": read at start-up before the window is shown (each
    // keeps its state when nothing is stored), written at exit.
    void load_toggles();
    void save_toggles();
    // The extension groups under "File Extensions": read at start-up, written after the user
    // changes them and at exit.
    void write_extension_groups();

    // Start-up's last steps: "Started in ..." with the time since started_ms, and the file
    // of the command line (absolute; empty for none) loaded by "load_file" on the "load"
    // worker. The help commands open these pages.
    void start(double started_ms, const std::string& file);
    void set_help_pages(HelpPages pages) { help_ = std::move(pages); }

    // Closing the main window: the same question as "exit" (false: the window stays).
    bool close_request();
    // Files dropped on the window: the first one is loaded.
    void drop_files(const std::vector<std::string>& paths);
    // The program ends without asking (a signal, the display gone): the unsaved edits go to
    // the journal now, for the next start to offer.
    void keep_unsaved_edits() { journal_.flush(); }
    // Whether a save job runs: the program may not end then.
    bool save_running();

    // The window title for the document as it stands.
    std::string window_title_text();
    // The "Stat" pane's text.
    std::string stat_text();
    // Runs the ticks due at now_ms (from the window's 10 ms timer).
    void run_ticks(double now_ms);

    // Whether a load or save runs (the editor takes no edits meanwhile). Any thread.
    bool document_busy() const { return busy_.load(std::memory_order_relaxed); }

private:
    class Tick final : public TickCallback {
    public:
        explicit Tick(std::function<void()> action) : action_(std::move(action)) {}
        void tick() override { action_(); }

    private:
        std::function<void()> action_;
    };

    void register_handlers();
    void window_tick();
    // Opens a help page in the desktop's viewer, or says that it (the "user guide", ...) is
    // missing.
    void open_page(const std::string& page, std::string_view what);

    // DocumentHost: the document file's view of the window.
    void set_language_for(std::string_view file_name, std::string_view head) override;
    std::string language_extension() override;
    std::string file_filter() override;
    void reset_views() override;
    void set_busy(bool busy) override;
    void name_changed() override;
    void document_saved() override;
    void post_command(std::string_view name, std::string_view argument) override;
    void set_status_message(std::string_view text) override;
    void log(std::string_view text) override;
    void progress_changed() override {}
    double now_ms() override;

    // DocumentOwner: the parse results, on the UI thread.
    void drop_views() override;
    void tree_ready(ParseResult result) override;
    void parse_failed(ParseResult result) override;
    void text_counted(const TextCounts& counts) override;

    void take_figures(const ParseResult& result);
    bool indent(Job* job);

    WorkerPool& pool_;
    Ui& ui_;
    UiPoster* poster_;
    SettingsStore settings_;
    CommandRegistry commands_;
    EditHistory history_;
    LanguageRegistry& languages_;
    TextDocument document_;
    DocumentController controller_;
    SettingsRecentFiles recent_store_;
    RoutedDocumentHost routed_host_;
    DocumentFile file_;
    RecoveryJournal journal_;
    UiRoute route_;

    EditorWindow* window_ = nullptr;
    IndentOptionsDialog* indent_dialog_ = nullptr;
    // The tree of the last parse without errors, the text it borrows from (if it does) and
    // the document's change count it was parsed at; the tree of the last parse with errors,
    // whose diagnostics the warnings pane shows. Both are replaced and dropped on the UI
    // thread only, after the window has let go of them.
    std::shared_ptr<const char> tree_text_;
    uint64_t tree_changes_ = 0;
    std::unique_ptr<DocumentTree> tree_;
    std::unique_ptr<DocumentTree> failed_tree_;
    MessageLog* log_ = nullptr;
    HelpPages help_;
    std::atomic<bool> busy_{false};
    WindowTitleCache title_;
    BusyCursor busy_cursor_;
    JobStatusPanes job_panes_;
    std::optional<ParseFigures> last_parse_;
    int64_t characters_ = 0;
    int64_t above_bmp_ = 0;
    int64_t lines_ = 0;
    std::string stat_shown_;
    Tick command_tick_;
    Tick window_tick_;
};

}  // namespace tessel
