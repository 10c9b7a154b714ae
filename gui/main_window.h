// MainWindow: the editor's frame. Menu bar, toolbar and status bar from the command table;
// between them the two columns of panes (the editor and the "Tree Selection Browser" on the
// right; the tab control with the tree and the warnings, the "Stat" pane and the "Table
// Selection Browser" on the left). It runs the 10 ms tick timer, matches key presses against
// the commands' accelerators, takes dropped files, keeps its placement and layout in the
// settings, and asks before it closes over unsaved changes.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/browser_view.h"
#include "gui/dialog_builder.h"
#include "gui/find_dialogs.h"
#include "gui/xml_edit_dialogs.h"
#include "gui/indent_options_dialog.h"
#include "gui/language_dialogs.h"
#include "parse/language_registry.h"
#include "gui/view_option_dialogs.h"
#include "platform/qt_font_chooser.h"
#include "seams/editor_window.h"
#include "seams/ui_poster.h"
#include "settings/editor_options.h"
#include "settings/font_record.h"
#include "shell/browser_pair.h"
#include "views/node_provider.h"
#include "window/pane_layout.h"

class QLabel;
class QPlainTextEdit;
class QTabWidget;

namespace tessel {

class CommandBars;
class QtSliceTimer;
class DiagnosticsRoot;
class TreeView;
class EditorApp;
class PaneArea;
class QtUi;
class EditorView;
class BrowserView;
class ColumnStatsView;

class MainWindow final : public QMainWindow, public EditorWindow, private BrowserPair::Panes {
    Q_OBJECT
public:
    using IconLookup = std::function<QIcon(std::string_view command)>;

    MainWindow(EditorApp& app, QtUi& ui, IconLookup icons = {});
    ~MainWindow() override;

    // Reads the toggles, the pane layout and the placement, and shows the window.
    void restore_and_show();
    // Runs once the window is shown: the ticks start.
    void start_ticks();

    PaneArea& panes() { return *panes_; }
    CommandBars& bars() { return *bars_; }
    EditorView& editor() { return *editor_; }
    QLabel& caret_status() { return *caret_status_; }
    QTabWidget& tabs() { return *tabs_; }
    TreeView& tree_view() { return *tree_view_; }
    TreeView& warnings_view() { return *warnings_; }
    // The "Tree Selection Browser" (1) and the "Table Selection Browser" (2).
    BrowserView& browser(int number) { return number == 1 ? *tree_browser_view_ : *table_browser_view_; }
    ColumnStatsView& column_stats() { return *column_stats_; }
    DialogBuilder& dialogs() { return dialogs_; }
    FindCommands& find_commands() { return *find_; }
    GuiFindDialogs& find_dialogs() { return *find_dialogs_; }
    // The editor's font as last applied.
    const FontRecord& font_record() const { return font_; }
    // The largest gap between two runs of the 10 ms timer since the last reset, in ms.
    double longest_tick_gap() const { return longest_gap_ms_; }
    // Measuring starts again now: a gap that began before the reset counts only from here.
    void reset_tick_gap();
    // Runs of the 10 ms timer so far.
    int64_t tick_count() const { return tick_count_; }

    // EditorWindow.
    void set_title(const std::string& title) override;
    void show_tree(ParseResult& result) override;
    void show_diagnostics(ParseResult& result) override;
    void drop_views() override;
    void clear_document_views() override;
    void show_stat(const std::string& text) override;
    void set_busy_cursor(bool busy) override;
    void show_job_panes(const std::vector<StatusPane>& panes) override;
    void recent_files_changed() override;
    void save_layout(SettingsStore& store) override;
    void quit() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_panes();
    void register_handlers();
    void apply_toggles();
    void on_tick();
    void show_summary(const std::string& summary);
    // The warnings of a tree (or none): a new root for the warnings pane.
    void show_warnings(DocumentTree* tree);
    // Selects a tree item's source text in the editor.
    void select_in_editor(const TreeView& view);
    void apply_font(const FontRecord& record);
    // The editor's settings from the toggles and the option dialogs, and its document type.
    void sync_editor();

    // The browsers. Selection changes are made on the UI thread without telling the browsers
    // each step; then "apply_tree_selection" builds the first browser's view on the "view"
    // worker, and its hand-over asks for the second's ("apply_scroll_selection").
    void register_browser_handlers();
    void register_xml_edit_handlers();
    // "character_encoding" and "save_as_with_encoding": their dialogs, asked from the "load"
    // and "save" workers, which then reload or save.
    void register_encoding_handlers();
    // "parse_this_document_as" and "file_extensions" with their dialogs.
    void register_language_handlers();
    // The tree view whose selection the browsers show: the warnings while their tab is up.
    TreeView& shown_tree();
    // Changes the tree's selection by change(), then shows it in the browsers, the first
    // one's current row on the child of index centre_child (-1: its first row).
    void select_and_show(const std::function<void()>& change, int32_t centre_child);
    // The browser the browser commands act on: the focused one, else the one last used.
    BrowserView* active_browser();
    // The browser that has the focus or whose menu runs a command, or null.
    BrowserView* focused_browser();

    // BrowserPair::Panes.
    void view_changed(int browser, int32_t centre_child) override;
    void sorted(int browser) override;
    bool table_browser_shown() const override;
    void request_table_browser(int32_t row) override;
    void status_message(std::string_view text) override;
    void column_described(const ColumnStats& stats, std::string_view header) override;
    void filtered(int browser, int32_t table, std::string_view error) override;
    // The active browser's current column, described in the "Stat" pane once the current
    // cell has rested a moment (describe_timer_).
    void describe_current_column();
    void make_room_for_column_stats();

    EditorApp& app_;
    QtUi& ui_;
    DialogBuilder dialogs_;
    // The search, goto and bookmark commands and their dialogs (made with the panes).
    std::unique_ptr<FindCommands> find_;
    std::unique_ptr<GuiFindDialogs> find_dialogs_;
    XmlEditFields xml_edit_;
    // The encoding dialogs' list selection (an encoding id).
    int32_t encoding_choice_ = 1;
    LanguageFields language_;
    int32_t consolidation_threshold_ = 2;
    // The rules of the "Select Language" dialog while it is shown.
    std::unique_ptr<SelectLanguage> select_language_;
    GuiIndentOptionsDialog indent_dialog_;
    QtFontChooser font_chooser_;
    FontRecord font_;
    UiRoute route_;
    PaneArea* panes_ = nullptr;
    CommandBars* bars_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    TreeView* tree_view_ = nullptr;
    TreeView* warnings_ = nullptr;
    // The warnings pane's tree: borrows the diagnostics of the tree they came from.
    std::unique_ptr<DiagnosticsRoot> diagnostics_root_;
    QPlainTextEdit* stat_ = nullptr;
    ColumnStatsView* column_stats_ = nullptr;
    QTimer describe_timer_;
    // The column last described: which browser, its view, table and column.
    struct DescribedColumn {
        int browser = 0;
        uint64_t serial = 0;
        int32_t table = -1;
        int32_t column = -1;
        bool operator==(const DescribedColumn&) const = default;
    };
    DescribedColumn described_;
    BrowserPair browsers_;
    BrowserView* tree_browser_view_ = nullptr;
    BrowserView* table_browser_view_ = nullptr;
    BrowserView* last_browser_ = nullptr;
    BrowserView* command_source_ = nullptr;
    // Resolves the children of the nodes the browsers show; one per tree.
    std::unique_ptr<TreeNodeProvider> provider_;
    TreeNodeProvider warnings_provider_;
    // Set while the window changes the tree's selection itself.
    bool applying_selection_ = false;
    // The tree's selection before a new tree came in, to select again in it.
    std::vector<int32_t> kept_path_;
    // The browsers' places when their views went with the old tree, and the centre child
    // that asks the first browser to go back to its place.
    static constexpr int32_t kKeepPlace = BrowserPair::kSameNodeAgain;
    std::array<BrowserView::Place, 2> kept_places_;
    bool restoring_second_ = false;
    EditorView* editor_ = nullptr;
    QLabel* caret_status_ = nullptr;
    int32_t scanned_lines_ = -1;
    std::string shown_language_;
    // The options the editor shows, to hand it the application's when they differ.
    EditorOptions shown_options_;
    QTimer tick_timer_;
    // Drives the document's background line scan (line numbers, colours, character counts).
    std::unique_ptr<QtSliceTimer> scan_timer_;
    double last_tick_ms_ = -1;
    double longest_gap_ms_ = 0;
    int64_t tick_count_ = 0;
    bool quitting_ = false;
};

}  // namespace tessel
