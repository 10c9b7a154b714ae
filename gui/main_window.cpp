// The editor's frame.
#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>

#include "commands/command_table.h"
#include "editor/editor_commands.h"
#include "gui/browser_view.h"
#include "gui/column_stats_view.h"
#include "gui/built_dialog.h"
#include "gui/command_bars.h"
#include "gui/editor_view.h"
#include "gui/encoding_dialogs.h"
#include "gui/pane_area.h"
#include "gui/tree_view.h"
#include "parse/diagnostics.h"
#include "parse/document_tree.h"
#include "parse/path_expression.h"
#include "parse/xml_edit_texts.h"
#include "platform/qt_font_record.h"
#include "platform/qt_key_press.h"
#include "platform/qt_loop_lock.h"
#include "platform/qt_scan_timer.h"
#include "platform/qt_string.h"
#include "platform/qt_ui.h"
#include "runtime/app_clock.h"
#include "runtime/worker_pool.h"
#include "settings/settings_store.h"
#include "shell/document_controller.h"
#include "shell/editor_app.h"
#include "shell/help_pages.h"
#include "views/consolidation.h"
#include "views/diagnostics_tree.h"
#include "views/grid_text.h"

namespace tessel {
namespace {

constexpr std::string_view kFrameKey = "Frame";
constexpr int kTickMs = 10;

PixelRect to_pixels(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

}  // namespace

MainWindow::MainWindow(EditorApp& app, QtUi& ui, IconLookup icons)
    : app_(app),
      ui_(ui),
      dialogs_(app.settings(), ui, *app.poster(), &app.pool(), &app.commands()),
      indent_dialog_(dialogs_),
      font_chooser_(&app.pool(), *app.poster()),
      route_(app.poster()),
      browsers_(app.pool(), app.poster(), *this) {
    setObjectName(QStringLiteral("main_window"));
    setAcceptDrops(true);
    scan_timer_ = std::make_unique<QtSliceTimer>([this] { app_.document().run_scan_slice(); });
    app_.document().set_slice_timer(scan_timer_.get());
    build_panes();
    register_handlers();
    bars_ = new CommandBars(*this, app_.commands(), app_.file().recent(), app_.settings(),
                            std::move(icons),
                            [this](std::string_view name) {
                                const PaneSpec* pane = pane_of_toggle(name);
                                return pane && panes_->pane_visible(pane->id);
                            });
    bars_->build();
    caret_status_ = new QLabel(statusBar());
    caret_status_->setObjectName(QStringLiteral("caret_status"));
    statusBar()->addPermanentWidget(caret_status_);
    editor_->set_on_caret_status([this](const std::string& text) { caret_status_->setText(to_qstring(text)); });
    editor_->text_changed(false);
    ui_.set_window(this);
    indent_dialog_.set_owner(this);
    font_chooser_.set_window(this);
    app_.set_indent_dialog(&indent_dialog_);
    app_.attach_window(this);
    setWindowTitle(to_qstring(app_.window_title_text()));
    // Accelerators work wherever the focus is, dialogs included.
    qApp->installEventFilter(this);
    connect(&tick_timer_, &QTimer::timeout, this, &MainWindow::on_tick);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    editor_->model().set_marks({});
    app_.document().set_slice_timer(nullptr);
    app_.set_indent_dialog(nullptr);
    tick_timer_.stop();
    app_.attach_window(nullptr);
    app_.commands().remove_handlers(this);
    app_.commands().set_view(nullptr);
}

void MainWindow::build_panes() {
    panes_ = new PaneArea(this);
    setCentralWidget(panes_);

    editor_ = new EditorView(app_.document(), [this] { return app_.document_busy(); }, panes_);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->set_command_runner([this](std::string_view name, bool query) {
        if (query) return app_.commands().find_enabled_handler(name) != nullptr;
        return app_.commands().execute(name, {});
    });
    panes_->add_pane(PaneId::editor, editor_);
    tree_browser_view_ = new BrowserView(browsers_.tree_browser(), panes_);
    tree_browser_view_->setObjectName(QStringLiteral("tree_selection_browser"));
    panes_->add_pane(PaneId::tree_browser, tree_browser_view_);

    tabs_ = new QTabWidget(panes_);
    tabs_->setObjectName(QStringLiteral("tab"));
    tabs_->setDocumentMode(true);
    tree_view_ = new TreeView(tabs_);
    tree_view_->setObjectName(QStringLiteral("tree_view"));
    tree_view_->set_wheel_option([this] { return app_.scroll_wheel_changes_tree_selection != 0; });
    tree_view_->set_on_activate([this] { select_in_editor(*tree_view_); });
    warnings_ = new TreeView(tabs_);
    warnings_->setObjectName(QStringLiteral("warnings"));
    warnings_->set_on_activate([this] { select_in_editor(*warnings_); });
    // A selection the user makes is shown in the browsers.
    for (TreeView* view : {tree_view_, warnings_})
        view->set_on_selection([this, view](int32_t, int) {
            if (applying_selection_) return;
            // A diagnostic chosen in the warnings shows its place in the text at once.
            if (view == warnings_) select_in_editor(*warnings_);
            app_.commands().execute("apply_tree_selection", {});
        });
    tabs_->addTab(tree_view_, QStringLiteral("Tree View"));
    tabs_->addTab(warnings_, QString());
    show_warnings(nullptr);
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        if (shown_tree().model().has_tree()) app_.commands().execute("apply_tree_selection", {});
    });
    panes_->add_pane(PaneId::tabs, tabs_);

    // The "Stat" pane: the document's figures over those of the current column of a table.
    auto* stat_pane = new QSplitter(Qt::Vertical, panes_);
    stat_pane->setObjectName(QStringLiteral("stat_pane"));
    stat_ = new QPlainTextEdit(stat_pane);
    stat_->setObjectName(QStringLiteral("stat"));
    stat_->setReadOnly(true);
    stat_->setFrameShape(QFrame::NoFrame);
    stat_->setLineWrapMode(QPlainTextEdit::NoWrap);
    column_stats_ = new ColumnStatsView(stat_pane);
    stat_pane->addWidget(stat_);
    stat_pane->addWidget(column_stats_);
    stat_pane->setStretchFactor(0, 1);
    stat_pane->setStretchFactor(1, 2);
    panes_->add_pane(PaneId::stat, stat_pane);
    describe_timer_.setSingleShot(true);
    describe_timer_.setInterval(150);
    connect(&describe_timer_, &QTimer::timeout, this, [this] { describe_current_column(); });
    table_browser_view_ = new BrowserView(browsers_.table_browser(), panes_);
    table_browser_view_->setObjectName(QStringLiteral("table_selection_browser"));
    panes_->add_pane(PaneId::table_browser, table_browser_view_);

    // A pane closed by its button unchecks its toggle.
    panes_->set_on_closed([this](PaneId id) {
        const std::string_view toggle = pane_spec(id).toggle;
        if (!toggle.empty()) app_.commands().set_toggle(toggle, 0);
    });
}

void MainWindow::register_handlers() {
    CommandRegistry& commands = app_.commands();
    commands.register_handler("toolbar", this, [this](std::string_view argument, bool query) {
        if (!query) bars_->toolbar()->setVisible(argument == "true");
        return true;
    });
    commands.register_handler("status_bar", this, [this](std::string_view argument, bool query) {
        if (!query) statusBar()->setVisible(argument == "true");
        return true;
    });
    // Before the dialogs' "cancel": Esc stops a running search before it closes its dialog.
    find_ = std::make_unique<FindCommands>(app_.pool(), commands, app_.document(), ui_,
                                           [this] { return !app_.document_busy(); });
    find_dialogs_ = std::make_unique<GuiFindDialogs>(dialogs_, *find_, this);
    find_->register_handlers(*find_dialogs_);
    editor_->model().set_marks([this] { return find_->bookmarks().text_offsets(); });
    dialogs_.register_commands(commands);
    // The toolkit's version as it runs, beside the one the program was built with.
    commands.register_handler("about_tessel", this, [this](std::string_view, bool query) {
        if (!query)
            ui_.message_box(about_text(qVersion(), QT_VERSION_STR, SettingsStore::engine_version()),
                            "About Tessel", UiButtons::ok, UiIcon::information);
        return true;
    });
    // The text pane's commands. Copy, cut and paste act on the text while it has the focus;
    // other panes register their own under the same names.
    const auto editing = [this] { return editor_->hasFocus() && !app_.document_busy(); };
    // The tree's commands: find the node under the caret, select a node's text.
    commands.register_handler("locate_in_tree", this, [this](std::string_view, bool query) {
        if (query) return tree_view_->model().has_tree();
        tabs_->setCurrentIndex(0);
        tree_view_->locate(app_.document().caret());
        return true;
    });
    // The path box's command: resolved on the "view" worker, shown in the tree on the UI
    // thread; a path that names nothing is told in a message box.
    commands.register_handler("goto_path", this, [this](std::string_view path, bool query) {
        DocumentTree* tree = app_.tree();
        if (query) return tree != nullptr && tree->root() != nullptr;
        if (!tree || !tree->root()) return false;
        PathResult result = resolve_path(path, *tree->root());
        if (!result.ok) {
            // Told from the UI thread, so the "view" worker is free for the browsers meanwhile.
            route_.post([this, error = std::string(result.error)] {
                ui_.message_box(error, "Tessel", UiButtons::ok, UiIcon::warning);
            });
            return false;
        }
        route_.run([this, positions = std::move(result.positions)] {
            tabs_->setCurrentIndex(0);
            tree_view_->select_path(positions);
        });
        return true;
    }, command_worker("goto_path"));
    commands.register_handler("editor_select", this, [this](std::string_view, bool query) {
        TreeView* focused = tree_view_->hasFocus() ? tree_view_ : warnings_->hasFocus() ? warnings_ : nullptr;
        BrowserView* browser = focused ? nullptr : focused_browser();
        const bool browser_cell = browser && browser->controller().layout().current().valid();
        if (query) return (focused && focused->model().selected_item() != nullptr) || browser_cell;
        if (focused) {
            select_in_editor(*focused);
        } else if (browser_cell) {
            const TextRange range = browser->current_range();
            if (range.first >= 0)
                app_.document().show_selection(range.first, std::max(range.first, range.last + 1));
        }
        return true;
    });
    commands.register_handler("text", this, [this](std::string_view, bool query) {
        if (!query) editor_->setFocus();
        return true;
    });
    commands.register_handler("delete", this, [this, editing](std::string_view, bool query) {
        if (query) return editing() && can_delete(app_.document());
        editor_->delete_selection_or_next();
        return true;
    });
    commands.register_handler("select_all", this, [this](std::string_view, bool query) {
        // Not from a table: the focus would go to the text with all of it selected, where the
        // next key typed would replace the document.
        if (query) return app_.document().length() > 0 && !focused_browser();
        editor_->select_all();
        editor_->setFocus();
        return true;
    });
    // F6 in a browser: the in-place editor on the current cell, or why it cannot open. A
    // committed cell is written into the document; both browsers show the new text.
    const auto write_cell = [this](Node& node, std::string_view typed, int query) {
        app_.set_cell_value(node, typed, query);
        tree_browser_view_->viewport()->update();
        table_browser_view_->viewport()->update();
    };
    for (BrowserView* browser : {tree_browser_view_, table_browser_view_})
        browser->set_cell_editing([this] { return app_.edit_check(); }, write_cell);
    commands.register_handler("in_place_edit", this, [this](std::string_view, bool query) {
        BrowserView* browser = focused_browser();
        if (query) return browser && browser->controller().view() && browser->controller().layout().current().valid();
        browser->begin_in_place_edit();
        return true;
    });
    commands.register_handler("edit_using_editor", this, [this](std::string_view, bool query) {
        BrowserView* browser = active_browser();
        if (query) return browser && browser->controller().view() && browser->controller().layout().current().valid();
        browser->edit_in_dialog();
        return true;
    });
    // The column widths of the current cell's table.
    constexpr std::array<std::pair<const char*, WidthCommand>, 5> kWidthCommands{{
        {"minimize_all", WidthCommand::minimize_all},
        {"restore_all", WidthCommand::restore_all},
        {"for_this_row", WidthCommand::for_this_row},
        {"for_this_row_add", WidthCommand::for_this_row_add},
        {"for_visible_rows", WidthCommand::for_visible_rows},
    }};
    for (const auto& [name, command] : kWidthCommands) {
        commands.register_handler(name, this, [this, command](std::string_view, bool query) {
            BrowserView* browser = active_browser();
            if (query) return browser && browser->controller().view() && browser->controller().layout().current().valid();
            return browser->change_widths(command);
        });
    }
    // The Stat pane shows, describing the current column of the active browser's table.
    commands.register_handler("column_statistics", this, [this](std::string_view, bool query) {
        BrowserView* browser = active_browser();
        if (query) return browser && browser->controller().view() && browser->controller().layout().current().valid();
        if (!panes_->pane_visible(PaneId::stat)) {
            panes_->set_pane_visible(PaneId::stat, true);
            app_.commands().set_toggle("stat", 1);
        }
        make_room_for_column_stats();
        described_ = {};
        describe_current_column();
        return true;
    });
    // The filter bar of the active browser's current table.
    commands.register_handler("filter_rows", this, [this](std::string_view, bool query) {
        BrowserView* browser = active_browser();
        if (query) return browser && browser->controller().view() && browser->controller().layout().current().valid();
        return browser->open_filter();
    });
    // The counts of every value of the first browser's current column, in the second browser.
    commands.register_handler("value_counts", this, [this](std::string_view, bool query) {
        BrowserView* browser = active_browser();
        const CellPos cell = tree_browser_view_->controller().layout().current();
        if (query) return browser == tree_browser_view_ && tree_browser_view_->controller().view() && cell.valid();
        if (!panes_->pane_visible(PaneId::table_browser)) {
            panes_->set_pane_visible(PaneId::table_browser, true);
            app_.commands().set_toggle("table_selection_browser", 1);
        }
        return browsers_.value_counts(cell.table, cell.column);
    });
    // Esc in a browser whose current table is filtered shows every row again.
    commands.register_handler("cancel", this, [this](std::string_view, bool query) {
        BrowserView* browser = focused_browser();
        if (!browser) return false;
        const CellPos cell = browser->controller().layout().current();
        const bool filtered = browser->controller().view() && cell.valid() &&
                              browser->controller().layout().tables()[static_cast<size_t>(cell.table)].table->is_filtered();
        if (query) return filtered && !browser->editing();
        return browser->clear_filter();
    });
    // In a browser, "copy" takes the current cell's text.
    commands.register_handler("copy", this, [this](std::string_view, bool query) {
        BrowserView* browser = focused_browser();
        const bool from_browser = !editor_->hasFocus() && browser && browser->controller().layout().current().valid();
        if (query) return (editor_->hasFocus() && editor_->has_selection()) || from_browser;
        ui_.set_clipboard(from_browser ? browser->current_text() : editor_->selected_text());
        return true;
    });
    commands.register_handler("cut", this, [this, editing](std::string_view, bool query) {
        if (query) return editing() && editor_->has_selection();
        ui_.set_clipboard(editor_->cut());
        return true;
    });
    // Pasting into a browser's cell opens its editor with the clipboard's text, which is
    // written only when confirmed: a line in the cell, several lines in "Edit Text".
    commands.register_handler("paste", this, [this, editing](std::string_view, bool query) {
        BrowserView* browser = editor_->hasFocus() ? nullptr : focused_browser();
        if (browser) {
            if (query) return browser->controller().view() && browser->controller().layout().current().valid();
            const QString text = to_qstring(ui_.clipboard_text());
            if (text.contains('\n'))
                browser->edit_in_dialog(&text);
            else
                browser->begin_in_place_edit(&text);
            return true;
        }
        if (query) return editing();
        editor_->paste(ui_.clipboard_text());
        return true;
    });
    commands.register_handler("indent_options", this, [this](std::string_view, bool query) {
        if (!query) indent_dialog_.dialog()->show_dialog(this);
        return true;
    });
    // The editor's option dialogs are modeless; the text is painted again when one closes.
    const auto option_dialog = [this](BuiltDialog* (*make)(DialogBuilder&, EditorOptions&)) {
        return [this, make](std::string_view, bool query) {
            if (query) return true;
            BuiltDialog* dialog = make(dialogs_, app_.editor_options);
            // Connected once per dialog: the same dialog comes back each time.
            if (!dialog->property("syncs_editor").toBool()) {
                dialog->setProperty("syncs_editor", true);
                connect(dialog, &BuiltDialog::answered, editor_, [this] { sync_editor(); });
            }
            dialog->show_dialog(this);
            return true;
        };
    };
    register_xml_edit_handlers();
    register_encoding_handlers();
    register_language_handlers();
    commands.register_handler("tabs", this, option_dialog(&tab_options_dialog));
    // The threshold takes effect with the next view that is built.
    commands.register_handler("unique_consolidation", this, [this](std::string_view, bool query) {
        if (query) return true;
        int32_t threshold = unique_consolidation_threshold();
        BuiltDialog* dialog = unique_consolidation_dialog(dialogs_, &consolidation_threshold_);
        consolidation_threshold_ = threshold;
        if (dialog->ask(this) == BuiltDialog::kConfirmed)
            set_unique_consolidation_threshold(consolidation_threshold_);
        return true;
    });
    commands.register_handler("text_highlighting_options", this,
                              option_dialog(&highlighting_style_dialog));
    // The font chooser waits on the "font" worker; the choice comes back to the UI thread.
    commands.register_handler("font", this, [this](std::string_view, bool query) {
        if (query) return true;
        FontRecord record = font_;
        return run_font_command(record, font_chooser_, app_.settings(), [this](const FontRecord& chosen) {
            route_.run([this, chosen] { apply_font(chosen); });
        });
    }, "font");
    register_browser_handlers();
    // Each pane toggle shows or hides its pane.
    for (const PaneSpec& spec : kMainWindowPanes) {
        if (spec.toggle.empty()) continue;
        const PaneId pane = spec.id;
        commands.register_handler(spec.toggle, this, [this, pane](std::string_view argument, bool query) {
            if (query) return true;
            panes_->set_pane_visible(pane, argument == "true");
            // The second browser is built only while it shows.
            if (pane == PaneId::table_browser && argument == "true") browsers_.table_browser_shown_again();
            return true;
        });
    }
}

// The XML editing commands, for XML and DTD documents: each puts its text in place of the
// selection (or at the caret) as one undo step.
void MainWindow::register_encoding_handlers() {
    CommandRegistry& commands = app_.commands();
    // The dialogs are built on the UI thread; the worker then waits for the answer.
    const auto ask = [this](BuiltDialog* (*build)(MainWindow&)) {
        encoding_choice_ = app_.file().encoding();
        BuiltDialog* dialog =
            dialogs_.on_ui_thread<BuiltDialog*>(nullptr, [this, build] { return build(*this); });
        return dialog && dialog->show_dialog(this) == BuiltDialog::kConfirmed;
    };
    commands.register_handler("character_encoding", this, [this, ask](std::string_view, bool query) {
        if (query) return !app_.document_busy();
        if (ask([](MainWindow& window) {
                return character_encoding_dialog(window.dialogs_, &window.encoding_choice_,
                                                 [&window] { return !window.app_.file().untitled(); });
            }))
            app_.file().reload_with_encoding(encoding_choice_);
        return true;
    }, command_worker("character_encoding"));
    commands.register_handler("save_as_with_encoding", this, [this, ask](std::string_view, bool query) {
        if (query) return !app_.document_busy();
        if (ask([](MainWindow& window) {
                return save_with_encoding_dialog(window.dialogs_, &window.encoding_choice_);
            }))
            app_.file().save_with_encoding(encoding_choice_, app_.pool().current_job());
        return true;
    }, command_worker("save_as_with_encoding"));
}

void MainWindow::register_language_handlers() {
    CommandRegistry& commands = app_.commands();
    // The File Extensions dialog binds one text per group by address: sized once, here (the
    // types are registered before the window is made).
    language_.extensions.resize(app_.languages().groups().size());
    commands.register_handler("parse_this_document_as", this, [this](std::string_view, bool query) {
        if (query) return !app_.document_busy();
        LanguageRegistry& languages = app_.languages();
        const DocumentType* current = languages.find(app_.controller().language());
        select_language_ = std::make_unique<SelectLanguage>(
            languages, app_.file().path(), current ? *current : languages.default_type());
        std::vector<std::string> names;
        for (const DocumentType& type : languages.types()) names.push_back(type.display_name);
        BuiltDialog* dialog = select_language_dialog(
            dialogs_, language_, std::move(names),
            [this] {
                select_language_->select(static_cast<size_t>(language_.type));
                language_.same_extension = select_language_->same_for_extension() ? 1 : 0;
            },
            [this] { return select_language_ && select_language_->check_box_enabled(); });
        // After the dialog is built: what it read from the settings gives way to the rules.
        language_.type = static_cast<int32_t>(select_language_->selected());
        language_.same_extension = select_language_->same_for_extension() ? 1 : 0;
        if (dialog->ask(this) != BuiltDialog::kConfirmed) return true;
        select_language_->select(static_cast<size_t>(language_.type));
        select_language_->set_same_for_extension(language_.same_extension != 0);
        const bool remap = select_language_->same_for_extension();
        const std::string language = select_language_->confirm().display_name;
        if (remap) app_.write_extension_groups();
        app_.commands().execute("apply_language", language);
        return true;
    });
    commands.register_handler("file_extensions", this, [this](std::string_view, bool query) {
        if (query) return true;
        LanguageRegistry& languages = app_.languages();
        const size_t groups = languages.groups().size();
        std::vector<std::string> captions;
        for (const ExtensionGroup& group : languages.groups()) {
            const DocumentType& type = languages.type_of("file." + group.extensions.front());
            captions.push_back(type.display_name + " (." + group.extensions.front() + ")");
        }
        BuiltDialog* dialog = file_extensions_dialog(dialogs_, language_, captions);
        for (size_t i = 0; i < groups; ++i) language_.extensions[i] = languages.group_text(i);
        if (dialog->ask(this) != BuiltDialog::kConfirmed) return true;
        for (size_t i = 0; i < groups; ++i) languages.set_group_text(i, language_.extensions[i]);
        app_.write_extension_groups();
        return true;
    });
}

void MainWindow::register_xml_edit_handlers() {
    CommandRegistry& commands = app_.commands();
    const auto xml_editing = [this] {
        const std::string& language = app_.controller().language();
        return (language == "XML" || language == "DTD") && !app_.document_busy();
    };
    const auto put = [this](const std::string& text) {
        app_.document().replace_selection(text);
        editor_->setFocus();
    };
    commands.register_handler("insert_tag", this, [=, this](std::string_view, bool query) {
        if (query) return xml_editing();
        if (insert_tag_dialog(dialogs_, xml_edit_)->ask(this) != BuiltDialog::kConfirmed) return true;
        put(tag_text(xml_edit_.tag_name, xml_edit_.tag_content, xml_edit_.self_close != 0));
        return true;
    });
    commands.register_handler("insert_attribute", this, [=, this](std::string_view, bool query) {
        if (query) return xml_editing();
        if (insert_attribute_dialog(dialogs_, xml_edit_)->ask(this) != BuiltDialog::kConfirmed)
            return true;
        put(attribute_text(xml_edit_.attr_name, xml_edit_.attr_value));
        return true;
    });
    commands.register_handler("comment_out_selection", this, [=, this](std::string_view, bool query) {
        if (query) return xml_editing();
        put(commented_out(editor_->selected_text()));
        return true;
    });
    commands.register_handler("mark_selection_with_tag", this, [=, this](std::string_view, bool query) {
        if (query) return xml_editing() && app_.document().has_selection();
        if (mark_with_tag_dialog(dialogs_, xml_edit_)->ask(this) != BuiltDialog::kConfirmed)
            return true;
        put(marked_with_tag(editor_->selected_text(), xml_edit_.mark_tag_name,
                            xml_edit_.wrap_cdata != 0));
        return true;
    });
}

void MainWindow::apply_toggles() {
    const CommandRegistry& commands = app_.commands();
    for (const CommandItem& item : commands.items()) {
        if (item.kind != CommandKind::toggle) continue;
        const bool on = item.value != 0;
        if (item.name == "toolbar") bars_->toolbar()->setVisible(on);
        else if (item.name == "status_bar") statusBar()->setVisible(on);
        else if (const PaneSpec* pane = pane_of_toggle(item.name))
            panes_->set_pane_visible(pane->id, on);
    }
}

void MainWindow::apply_font(const FontRecord& record) {
    font_ = record;
    const QFont font = to_qfont(record);
    editor_->set_editor_font(font);
    stat_->setFont(font);
    update();
}

void MainWindow::sync_editor() {
    if (app_.editor_options != shown_options_) {
        shown_options_ = app_.editor_options;
        editor_->set_settings(editor_settings_of(shown_options_));
    }
    if (app_.controller().language() != shown_language_) {
        shown_language_ = app_.controller().language();
        editor_->set_document_type(shown_language_);
    }
    // The scanner fills in line numbers and colours in the background: repaint as it goes.
    const int32_t scanned = app_.document().scan_next_line();
    if (scanned != scanned_lines_) {
        scanned_lines_ = scanned;
        editor_->text_changed(false);
    }
}

void MainWindow::restore_and_show() {
    SettingsStore& store = app_.settings();
    // The editor's options as kept by their dialogs, before the dialogs are ever opened.
    read_editor_dialog_fields(store, app_.editor_options);
    // A font the user chose is applied; until then the desktop's fixed font is used, and the
    // chooser starts from it.
    FontRecord chosen;
    chosen.face.clear();
    read_font_record(store, chosen);
    if (!chosen.face.empty())
        apply_font(chosen);
    else
        font_ = to_font_record(editor_->font());
    app_.load_toggles();
    apply_toggles();
    StoredPlacement stored;
    {
        SettingsKey frame(store, kFrameKey);
        load_pane_layout(store, panes_->layout_model());
        stored = read_window_placement(store);
    }
    panes_->relayout();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const PixelRect available = screen ? to_pixels(screen->availableGeometry()) : PixelRect{0, 0, 1024, 768};
    const WindowPlacement placement = restore_window_placement(stored, available);
    if (placement.normal) {
        const PixelRect& r = *placement.normal;
        setGeometry(r.left, r.top, r.width(), r.height());
    } else {
        // The desktop places a window it has never seen; give it a useful size there.
        resize(std::min(1200, available.width() * 9 / 10), std::min(800, available.height() * 9 / 10));
    }
    if (placement.maximized)
        showMaximized();
    else
        show();
}

void MainWindow::reset_tick_gap() {
    longest_gap_ms_ = 0;
    if (last_tick_ms_ >= 0) last_tick_ms_ = AppClock::now();
}

void MainWindow::start_ticks() {
    last_tick_ms_ = -1;
    tick_timer_.start(kTickMs);
}

void MainWindow::on_tick() {
    const double now = AppClock::now();
    if (last_tick_ms_ >= 0) longest_gap_ms_ = std::max(longest_gap_ms_, now - last_tick_ms_);
    last_tick_ms_ = now;
    ++tick_count_;
    sync_editor();
    tree_browser_view_->tick();
    table_browser_view_->tick();
    // A timer's slot runs inside event delivery, so the lock is held; the call costs nothing
    // then, and protects a tick reached some other way.
    if (QtLoopLock* lock = QtLoopLock::instance()) lock->claim();
    app_.run_ticks(now);
}

// The browsers.

TreeView& MainWindow::shown_tree() { return tabs_->currentIndex() == 1 ? *warnings_ : *tree_view_; }

BrowserView* MainWindow::active_browser() {
    if (BrowserView* focused = focused_browser()) return focused;
    return last_browser_ ? last_browser_ : tree_browser_view_;
}

BrowserView* MainWindow::focused_browser() {
    if (command_source_) return command_source_;
    for (BrowserView* view : {tree_browser_view_, table_browser_view_})
        if (view->hasFocus()) return view;
    return nullptr;
}

void MainWindow::select_and_show(const std::function<void()>& change, int32_t centre_child) {
    applying_selection_ = true;
    change();
    applying_selection_ = false;
    app_.commands().execute("apply_tree_selection", centre_child != -1 ? std::to_string(centre_child) : std::string());
}

// BrowserPair::Panes.

void MainWindow::view_changed(int browser, int32_t centre_child) {
    BrowserView* view = browser == 1 ? tree_browser_view_ : table_browser_view_;
    view->view_changed(centre_child == kKeepPlace ? -1 : centre_child);
    // The same node shown again after an edit of the text: the first browser goes back to
    // its cell and scroll position, and the second, built from that cell, to its own.
    bool restored = false;
    if (browser == 1) {
        restored = restoring_second_ = centre_child == kKeepPlace && view->restore_place(kept_places_[0]);
    } else if (restoring_second_ && view->controller().view()) {
        restoring_second_ = false;
        restored = view->restore_place(kept_places_[1]);
    }
    // An edit open over a cell goes on in the new view when the same cell is current there.
    if (view->controller().view()) view->follow_edit(restored);
    describe_timer_.start();
}

void MainWindow::sorted(int browser) {
    (browser == 1 ? tree_browser_view_ : table_browser_view_)->relayout();
    // The sort may have cancelled a description on its worker.
    described_ = {};
    describe_timer_.start();
}

void MainWindow::filtered(int browser, int32_t table, std::string_view error) {
    (browser == 1 ? tree_browser_view_ : table_browser_view_)->filter_done(table, error);
    // The current row may have moved; the second browser follows it unless it shows the value
    // counts the filter was chosen from.
    if (browser == 1 && error.empty() && !browsers_.shows_value_counts()) browsers_.tree_browser_current_changed();
    // The statistics describe the rows shown.
    described_ = {};
    describe_timer_.start();
}

void MainWindow::column_described(const ColumnStats& stats, std::string_view header) {
    column_stats_->show_stats(stats, header);
}

void MainWindow::make_room_for_column_stats() {
    // The Stat pane takes at least this much of its column's height from the tallest pane
    // beside it: a histogram and ten bars need the room.
    constexpr double kWanted = 0.45;
    std::vector<Pane>& column = panes_->layout_model().column(pane_spec(PaneId::stat).column);
    size_t stat = column.size(), tallest = column.size();
    for (size_t i = 0; i < column.size(); ++i) {
        if (column[i].name == pane_spec(PaneId::stat).name) stat = i;
        else if (column[i].visible && (tallest == column.size() || column[i].share > column[tallest].share)) tallest = i;
    }
    if (stat == column.size() || tallest == column.size() || column[stat].share >= kWanted) return;
    const double moved = std::min(kWanted - column[stat].share, column[tallest].share - kMinPaneShare);
    if (moved <= 0) return;
    column[stat].share += moved;
    column[tallest].share -= moved;
    panes_->relayout();
}

void MainWindow::describe_current_column() {
    if (!panes_->pane_visible(PaneId::stat)) return;
    BrowserView* browser = active_browser();
    const CellPos cell = browser ? browser->controller().layout().current() : CellPos{};
    if (!cell.valid()) {
        column_stats_->clear();
        described_ = {};
        return;
    }
    const int number = browser == tree_browser_view_ ? 1 : 2;
    const DescribedColumn wanted{number, browser->controller().serial(), cell.table, cell.column};
    if (wanted == described_) return;
    // A sort in progress comes first; the description follows it.
    if (!browsers_.describe_column(number, cell.table, cell.column)) {
        describe_timer_.start();
        return;
    }
    described_ = wanted;
}

bool MainWindow::table_browser_shown() const { return panes_->pane_visible(PaneId::table_browser); }

void MainWindow::request_table_browser(int32_t row) {
    app_.commands().execute("apply_scroll_selection", std::to_string(row));
}

void MainWindow::status_message(std::string_view text) { app_.commands().set_status_message(text); }

void MainWindow::register_browser_handlers() {
    CommandRegistry& commands = app_.commands();
    commands.register_handler("apply_tree_selection", this, [this](std::string_view argument, bool query) {
        if (query) return shown_tree().model().has_tree();
        int32_t centre = -1;
        if (!argument.empty()) centre = std::atoi(std::string(argument).c_str());
        TreeItem* item = shown_tree().model().selected_item();
        // The warnings' nodes carry their own texts; the document's read theirs from the tree.
        NodeProvider* provider = &shown_tree() == warnings_ ? static_cast<NodeProvider*>(&warnings_provider_)
                                                            : provider_.get();
        return browsers_.build_tree_browser(provider, item ? item->node : nullptr, centre,
                                            app_.pool().current_job());
    }, command_worker("apply_tree_selection"));
    commands.register_handler("apply_scroll_selection", this, [this](std::string_view, bool query) {
        if (query) return browsers_.tree_browser().view() != nullptr;
        return browsers_.build_table_browser(app_.pool().current_job());
    }, command_worker("apply_scroll_selection"));
    // After an edit: the tree keeps its selection while the caret stays inside it, and
    // otherwise follows the innermost node that holds the caret.
    commands.register_handler("apply_cur_location", this, [this](std::string_view, bool query) {
        if (query) return tree_view_->model().has_tree();
        route_.post([this] {
            const TextPos caret = app_.document().caret();
            const TextRange kept = tree_view_->selected_range();
            const bool inside = kept.first >= 0 && caret >= kept.first && caret <= kept.last + 1;
            select_and_show([&] { if (!inside) tree_view_->locate(caret); }, inside ? kKeepPlace : -1);
        });
        return true;
    }, command_worker("apply_cur_location"));
    // Drilling keeps the same data in the middle of the first browser.
    commands.register_handler("drill_up", this, [this](std::string_view, bool query) {
        if (query) return tabs_->isVisible() && shown_tree().model().can_drill_up();
        route_.post([this] {
            TreeView& tree = shown_tree();
            std::vector<int32_t> path = tree.model().selected_path();
            if (path.empty()) return;
            const int32_t child = path.back();
            path.pop_back();
            select_and_show([&] { tree.select_path(path); }, child);
        });
        return true;
    }, command_worker("drill_up"));
    commands.register_handler("drill_down", this, [this](std::string_view, bool query) {
        if (query) return browsers_.tree_browser().layout().current().valid() && shown_tree().model().has_tree();
        route_.post([this] {
            const BrowserTarget target = table_browser_target(browsers_.tree_browser());
            if (target.child_index < 0) return;
            TreeView& tree = shown_tree();
            std::vector<int32_t> path = tree.model().selected_path();
            path.push_back(target.child_index);
            select_and_show([&] { tree.select_path(path); }, target.grandchild_index);
        });
        return true;
    }, command_worker("drill_down"));
    commands.register_handler("copy_grid_to_clipboard", this, [this](std::string_view, bool query) {
        BrowserView* browser = active_browser();
        const CellPos cell = browser ? browser->controller().layout().current() : CellPos{};
        if (query) return cell.valid();
        GridTable& table = *browser->controller().layout().tables()[cell.table].table;
        LargeArena scratch;
        std::string message;
        std::string text = build_grid_text(table, scratch, app_.pool().current_job(), &message);
        ui_.set_clipboard(text);
        app_.commands().set_status_message(message);
        return true;
    }, command_worker("copy_grid_to_clipboard"));
    for (BrowserView* view : {tree_browser_view_, table_browser_view_}) {
        view->set_command_runner([this, view](std::string_view name, bool query) {
            command_source_ = view;
            bool result;
            if (name == "editor_select" && view == table_browser_view_ && browsers_.shows_value_counts()) {
                // Enter or a double click on a value count shows the counted rows holding it.
                const CellPos cell = view->controller().layout().current();
                result = cell.valid() && cell.row > 0;
                if (!query && result) {
                    const TableLayout& t = view->controller().layout().tables()[static_cast<size_t>(cell.table)];
                    result = browsers_.choose_value(t.row_at(cell.row));
                }
            } else if (name == "browser_locate") {
                // The cell's node, found in the tree from its place in the text.
                const TextRange range = view->current_range();
                result = range.first >= 0;
                if (!query && result) {
                    tabs_->setCurrentIndex(0);
                    tree_view_->locate(range.first);
                }
            } else {
                result = query ? app_.commands().find_enabled_handler(name) != nullptr
                               : app_.commands().execute(name, {});
            }
            command_source_ = nullptr;
            return result;
        });
        // The caret in the tree's offsets: cell edits since the parse moved the text.
        view->set_marked_position([this] {
            const TextPos caret = app_.document().caret();
            return app_.tree() ? app_.tree()->edit_shifts().tree_offset(caret) : caret;
        });
        view->set_on_sort([this, view](int32_t table, int32_t column, std::string_view direction) {
            last_browser_ = view;
            browsers_.sort(view == tree_browser_view_ ? 1 : 2, table, column, direction);
        });
        view->set_on_filter([this, view](int32_t table, const RowFilter& filter) {
            last_browser_ = view;
            browsers_.filter(view == tree_browser_view_ ? 1 : 2, table, filter);
        });
    }
    tree_browser_view_->set_on_current_changed([this] {
        last_browser_ = tree_browser_view_;
        browsers_.tree_browser_current_changed();
        describe_timer_.start();
    });
    table_browser_view_->set_on_current_changed([this] {
        last_browser_ = table_browser_view_;
        describe_timer_.start();
    });
}

// EditorWindow.

void MainWindow::set_title(const std::string& title) { setWindowTitle(to_qstring(title)); }

void MainWindow::show_summary(const std::string& summary) { tabs_->setTabText(1, to_qstring(summary)); }

void MainWindow::show_warnings(DocumentTree* tree) {
    warnings_->clear();
    diagnostics_root_ = tree ? std::make_unique<DiagnosticsRoot>(tree->diagnostics(), app_.file().path())
                             : std::make_unique<DiagnosticsRoot>();
    warnings_->show_root(diagnostics_root_.get());
    show_summary(diagnostics_root_->summary());
}

void MainWindow::show_tree(ParseResult& result) {
    browsers_.drop();
    provider_ = std::make_unique<TreeNodeProvider>(result.tree.get());
    applying_selection_ = true;
    tree_view_->show_document(result.tree.get());
    show_warnings(result.tree.get());
    // With nothing left to warn about, the tree comes back in front of the empty warnings.
    if (tabs_->currentIndex() == 1 && result.tree && result.tree->diagnostics().count() == 0)
        tabs_->setCurrentIndex(0);
    // The same place in the new tree, as far as it still goes.
    const bool same_node = !kept_path_.empty() && tree_view_->select_path(kept_path_);
    applying_selection_ = false;
    // After an edit "apply_cur_location" follows; a parse the user asked for shows the
    // selection now, the browsers at their places when the same node is selected.
    if (result.requested)
        app_.commands().execute("apply_tree_selection", same_node ? std::to_string(kKeepPlace) : std::string());
}

void MainWindow::show_diagnostics(ParseResult& result) {
    // The browsers may show the old warnings: they go with them.
    if (tabs_->currentIndex() == 1) browsers_.drop();
    show_warnings(result.tree.get());
    tabs_->setCurrentIndex(1);
}

void MainWindow::drop_views() {
    kept_path_ = tree_view_->model().selected_path();
    kept_places_ = {tree_browser_view_->place(), table_browser_view_->place()};
    browsers_.drop();
    tree_view_->clear();
}

void MainWindow::clear_document_views() {
    browsers_.drop();
    kept_path_.clear();
    tree_view_->clear();
    show_warnings(nullptr);
}

void MainWindow::select_in_editor(const TreeView& view) {
    const TextRange range = view.selected_range();
    if (range.first < 0) return;
    if (range.last < range.first && &view == warnings_) {
        // A diagnostic is a place, not a span: its whole line is selected, the caret at the
        // line's start so the line shows from its beginning.
        const TextSpan line = editor_->model().line_span_at(range.first);
        TextPos end = line.end;
        if (end > line.first && app_.document().store().byte_at(end - 1) == '\n') --end;
        if (end > line.first && app_.document().store().byte_at(end - 1) == '\r') --end;
        if (end > line.first) {
            app_.document().show_selection(end, line.first);
            return;
        }
    }
    // An empty range elsewhere puts the caret there.
    app_.document().show_selection(range.first, std::max(range.first, range.last + 1));
}

void MainWindow::show_stat(const std::string& text) {
    stat_->setPlainText(to_qstring(text));
}

void MainWindow::set_busy_cursor(bool busy) {
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void MainWindow::show_job_panes(const std::vector<StatusPane>& panes) { bars_->show_job_panes(panes); }

void MainWindow::recent_files_changed() { bars_->rebuild_recent_files(); }

void MainWindow::save_layout(SettingsStore& store) {
    {
        SettingsKey frame(store, kFrameKey);
        write_window_placement(store, to_pixels(normalGeometry().isValid() ? normalGeometry() : geometry()),
                               isMaximized());
        save_pane_layout(store, panes_->layout_model());
    }
    // Every dialog that was opened keeps its fields for the next run.
    dialogs_.save_all();
}

void MainWindow::quit() {
    quitting_ = true;
    close();
    QApplication::quit();
}

// Events.

void MainWindow::closeEvent(QCloseEvent* event) {
    if (quitting_) {
        event->accept();
        return;
    }
    // Closing asks what "exit" asks; the window goes only through "do_exit".
    event->ignore();
    if (QtLoopLock* lock = QtLoopLock::instance()) lock->claim();
    if (app_.commands().find_enabled_handler("do_exit")) app_.close_request();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty()) return;
    event->acceptProposedAction();
    app_.drop_files(paths);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    // A key press goes up from its target to the parents until one takes it; it is matched at
    // each step, and a match stops it there. Open menus keep their keys.
    auto* widget = static_cast<QWidget*>(watched);
    if (qobject_cast<QMenu*>(widget)) return false;
    auto* key_event = static_cast<QKeyEvent*>(event);
    const KeyPress press = key_press_of(*key_event);
    if (press.key == kKeyNone) return false;
    // A text box keeps the keys of typing and of its own editing, also when it passes one on
    // to its parents (a line edit ignores Up and Enter): the focus widget tells.
    if ((is_text_input(widget) || is_text_input(QApplication::focusWidget())) && text_input_keeps_key(press))
        return false;
    if (QtLoopLock* lock = QtLoopLock::instance()) lock->claim();
    // While a modal box or dialog is open (often asked by a worker that waits for it) only
    // "cancel" and "reparse" may run: another command on that worker would stop it and wait
    // for a job that waits for the box.
    CommandRegistry& commands = app_.commands();
    if (QApplication::activeModalWidget()) {
        commands.set_main_window_enabled(false);
        const bool ran = commands.key_press(press);
        commands.set_main_window_enabled(dialogs_.shown_dialog() == nullptr);
        return ran;
    }
    return commands.key_press(press);
}

}  // namespace tessel
