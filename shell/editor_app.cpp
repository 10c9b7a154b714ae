// The editor's document, its file commands and the commands no widget owns.
#include "shell/editor_app.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "commands/command_table.h"
#include "commands/message_log.h"
#include "encoding/encoding.h"
#include "foundation/job.h"
#include "foundation/number_format.h"
#include "parse/default_languages.h"
#include "parse/document_tree.h"
#include "runtime/app_clock.h"
#include "runtime/worker_pool.h"
#include "seams/editor_window.h"
#include "seams/ui.h"
#include "settings/dialog_binding.h"
#include "shell/command_line.h"
#include "shell/indent_command.h"
#include "views/cell_edit.h"
#include "views/consolidation.h"

namespace tessel {
namespace {

// The user's extra file extensions per document type, under "File Extensions".
class SettingsExtensionStore final : public ExtensionStore {
public:
    explicit SettingsExtensionStore(SettingsStore& store) : store_(store) {}
    std::optional<std::string> read(std::string_view name) override {
        SettingsKey key(store_, LanguageRegistry::kSettingsKey);
        std::string value;
        if (!store_.read_string(name, value)) return std::nullopt;
        return value;
    }
    void write(std::string_view name, std::string_view value) override {
        SettingsKey key(store_, LanguageRegistry::kSettingsKey);
        store_.write_string(value, name);
    }

private:
    SettingsStore& store_;
};

// Pushes the application key ("Brightfold", then "Tessel 2") for the whole run.
void push_application_key(SettingsStore& store) {
    std::string_view key = SettingsStore::kApplicationKey;
    while (!key.empty()) {
        const size_t comma = key.find(',');
        store.push(key.substr(0, comma));
        if (comma == std::string_view::npos) break;
        key.remove_prefix(comma + 1);
    }
}

// The toggles whose state is kept under "Frame", with the variable each is bound to.
struct BoundToggle {
    std::string_view name;
    int32_t* (*variable)(EditorApp& app);
};
constexpr BoundToggle kBoundToggles[] = {
    {"line_numbers", [](EditorApp& app) { return &app.editor_options.line_numbers; }},
    {"line_ending", [](EditorApp& app) { return &app.editor_options.line_ending; }},
    {"scroll_wheel_changes_tree_selection",
     [](EditorApp& app) { return &app.scroll_wheel_changes_tree_selection; }},
    {"status_bar", [](EditorApp& app) { return &app.status_bar; }},
    {"toolbar", [](EditorApp& app) { return &app.toolbar; }},
};

constexpr std::string_view kFrameKey = "Frame";

// Without a window to ask in, indenting takes the options as they are kept.
class QuietDialog final : public IndentOptionsDialog {
public:
    bool ask(IndentOptions&) override { return true; }
};
constexpr std::string_view kQuitAccelerator = "Ctrl+Q";

}  // namespace

EditorApp::EditorApp(WorkerPool& pool, Ui& ui, UiPoster* poster, const std::string& settings_path,
                     const std::string& journal_folder)
    : pool_(pool),
      ui_(ui),
      poster_(poster),
      settings_(settings_path.empty() ? SettingsStore::default_path() : settings_path),
      commands_(&pool, [] { return AppClock::now(); }),
      languages_(default_languages()),
      controller_(pool, document_, *this,
                  [this](std::string_view name, std::string_view argument) {
                      commands_.post_command(name, argument);
                  }),
      recent_store_(settings_),
      routed_host_(*this, poster),
      file_(routed_host_, ui, &recent_store_),
      journal_(journal_folder.empty() ? recovery_folder() : journal_folder),
      route_(poster),
      command_tick_([this] { commands_.tick(); }),
      window_tick_([this] { window_tick(); }) {
    push_application_key(settings_);
    commands_.set_poster(poster);
    document_.set_history(&history_);
    document_.set_poster(poster);
    // Every edit goes to the recovery journal; the document file restarts it at each load,
    // save and new document.
    document_.set_edit_observer(&journal_);
    file_.set_journal(&journal_);
    controller_.set_poster(poster);
    controller_.set_languages(&languages_);
    controller_.set_count_figures(true);
    SettingsExtensionStore extensions(settings_);
    languages_.read_groups(extensions);
    // The threshold the "Unique Consolidation Options" dialog keeps; tables read it when
    // their columns are laid out.
    {
        std::vector<int32_t> values = initial_values(kUniqueConsolidationOptions);
        read_bound_fields(settings_, kUniqueConsolidationOptions, values);
        set_unique_consolidation_threshold(values[0]);
    }
    file_.recent().set_poster(poster);
    file_.recent().load();
    file_.recent().set_on_change([this] {
        if (window_) window_->recent_files_changed();
    });
    register_command_items(commands_);
    // "Language": one choice per document type, the document's own checked.
    if (const CommandInfo* info = find_command_info("language"))
        for (const DocumentType& type : languages_.types())
            commands_.register_choice(info->caption, type.display_name, type.display_name, info->tooltip);
    // The desktop's habit: Ctrl+Q quits, and the File menu says so.
    for (size_t i = 0; i < commands_.items().size(); ++i) {
        CommandItem& item = commands_.item(i);
        if (item.name != "exit") continue;
        item.accelerator_text = kQuitAccelerator;
        item.accelerator = parse_accelerator(kQuitAccelerator);
    }
    for (const BoundToggle& toggle : kBoundToggles) commands_.bind(toggle.name, toggle.variable(*this));
    // The "Table Selection Browser" is shown until the user hides it; "Stat" waits to be asked for.
    commands_.set_toggle("table_selection_browser", 1);
    register_handlers();
    pool_.ticks().add(&command_tick_, kCommandTickMs);
    pool_.ticks().add(&window_tick_, kWindowTickMs);
    // The empty document every session starts with.
    file_.new_document("xml");
}

EditorApp::~EditorApp() {
    pool_.ticks().remove(&command_tick_);
    pool_.ticks().remove(&window_tick_);
    // Workers read the document and call back into this object: no job may outlive it.
    for (const char* worker : {"parse", "view", "sort", "load", "save", "undo", "font", "editorfinder"})
        pool_.stop_worker(worker);
    file_.recent().set_on_change({});
    commands_.remove_handlers(this);
}

void EditorApp::attach_window(EditorWindow* window) { window_ = window; }

void EditorApp::attach_message_log(MessageLog* log) {
    log_ = log;
    commands_.attach_message_log(log);
}

void EditorApp::register_handlers() {
    const auto ui_handler = [this](std::string_view name, HandlerFunction function) {
        commands_.register_handler(name, this, std::move(function), command_worker(name));
    };
    const auto idle = [this] { return !file_.busy(); };

    // Ending the program: never in the middle of a save.
    ui_handler("exit", [this](std::string_view, bool query) {
        if (query) return !save_running();
        close_request();
        return true;
    });
    ui_handler("do_exit", [this](std::string_view, bool query) {
        if (query) return !save_running();
        // Asked before (or nothing unsaved): what the journal holds is not wanted.
        file_.end_journal();
        save_toggles();
        write_extension_groups();
        if (window_) {
            window_->save_layout(settings_);
            window_->quit();
        }
        return true;
    });
    commands_.set_exit_action([this] {
        save_toggles();
        write_extension_groups();
        if (window_) {
            window_->save_layout(settings_);
            window_->quit();
        }
    });

    // The file commands run on the "load" and "save" workers.
    for (std::string_view name : {"new", "new_dtd", "new_json", "new_text"}) {
        const std::string extension = name == "new"        ? "xml"
                                      : name == "new_dtd"  ? "dtd"
                                      : name == "new_json" ? "json"
                                                           : "txt";
        ui_handler(name, [this, idle, extension](std::string_view, bool query) {
            if (query) return idle();
            return file_.new_document(extension);
        });
    }
    ui_handler("open", [this, idle](std::string_view, bool query) {
        if (query) return idle();
        return file_.open(pool_.current_job());
    });
    ui_handler("load_file", [this, idle](std::string_view argument, bool query) {
        if (query) return idle();
        return file_.load_file(argument, pool_.current_job());
    });
    ui_handler("save", [this, idle](std::string_view argument, bool query) {
        if (query) return idle();
        return file_.save_command(argument, pool_.current_job());
    });
    ui_handler("save_as", [this, idle](std::string_view, bool query) {
        if (query) return idle();
        return file_.save_as(kEncodingUnspecified, pool_.current_job());
    });
    ui_handler("prompt_reload", [this, idle](std::string_view, bool query) {
        if (query) return idle() && !file_.untitled();
        return file_.prompt_reload(pool_.current_job());
    });
    ui_handler("reparse", controller_.reparse_handler());
    // The document parsed again as another type (the current one without an argument): the
    // old tree, diagnostics and views go first.
    ui_handler("apply_language", [this, idle](std::string_view argument, bool query) {
        const std::string language = argument.empty() ? controller_.language() : std::string(argument);
        if (query) return idle() && languages_.find(language) != nullptr;
        reset_views();
        controller_.apply_language(language);
        commands_.set_choice("language", language);
        return true;
    });
    ui_handler("language", [this](std::string_view argument, bool query) {
        if (query) return commands_.find_enabled_handler("apply_language", argument) != nullptr;
        commands_.execute("apply_language", argument);
        return true;
    });
    // A parse as the user asks for one: a fresh tree, and views built again from it for the
    // same selection.
    ui_handler("rebuild_index", [reparse = controller_.reparse_handler()](std::string_view, bool query) {
        return reparse("y", query);
    });
    // Undo and redo run on the "undo" worker; the text's listeners and view follow from there.
    ui_handler("undo", [this, idle](std::string_view, bool query) {
        if (query) return idle() && history_.can_undo();
        return history_.undo();
    });
    ui_handler("redo", [this, idle](std::string_view, bool query) {
        if (query) return idle() && history_.can_redo();
        return history_.redo();
    });
    ui_handler("indent", [this, idle](std::string_view, bool query) {
        if (query) return idle() && languages_.find(controller_.language()) &&
                          languages_.find(controller_.language())->xml_commands;
        return indent(pool_.current_job());
    });

    // Toggles that only change what the editor and the views draw: their variables are bound.
    for (std::string_view name : {"line_numbers", "line_ending", "scroll_wheel_changes_tree_selection"})
        ui_handler(name, [](std::string_view, bool) { return true; });

    // The help pages are always offered: one that cannot be found is told in a message box
    // that names the folders looked in, rather than greyed without a word.
    ui_handler("online_documentation", [this](std::string_view, bool query) {
        if (!query) open_page(help_.documentation, "user guide");
        return true;
    });
    ui_handler("whats_new_in_this_version", [this](std::string_view, bool query) {
        if (!query) open_page(help_.release_notes, "release notes");
        return true;
    });
    // Nothing is fetched from the network: the box says so, with the version.
    ui_handler("check_for_updates", [this](std::string_view, bool query) {
        if (!query) ui_.message_box(updates_text(), "Check for updates", UiButtons::ok, UiIcon::information);
        return true;
    });
}

bool EditorApp::indent(Job* job) {
    const DocumentType* type = languages_.find(controller_.language());
    if (!type) return false;
    IndentOptions options = read_indent_options(settings_);
    // The last tree only when it was parsed from the text as it stands; else the text is
    // parsed here first.
    DocumentTree* tree = tree_ && tree_changes_ == document_.store().changes() ? tree_.get() : nullptr;
    QuietDialog no_dialog;
    IndentOptionsDialog& dialog = indent_dialog_ ? *indent_dialog_ : no_dialog;
    std::string status;
    const IndentOutcome outcome =
        run_indent(document_, *type, tree, options, ui_, dialog, &settings_, job, &status);
    if (!status.empty()) commands_.set_status_message(status);
    return outcome == IndentOutcome::indented;
}

void EditorApp::open_page(const std::string& page, std::string_view what) {
    std::error_code error;
    if (page.empty() || !std::filesystem::is_regular_file(page, error)) {
        ui_.message_box(help_missing_text(what, help_.searched), "Tessel", UiButtons::ok,
                        UiIcon::warning);
        return;
    }
    ui_.open_url(page);
}

void EditorApp::load_toggles() {
    SettingsKey key(settings_, kFrameKey);
    for (const CommandItem& item : commands_.items()) {
        if (item.kind != CommandKind::toggle) continue;
        int32_t value = item.value;
        if (settings_.read_int(item.name, value)) commands_.set_toggle(item.name, value != 0);
    }
}

void EditorApp::save_toggles() {
    SettingsKey key(settings_, kFrameKey);
    for (const CommandItem& item : commands_.items())
        if (item.kind == CommandKind::toggle) settings_.write_bool(item.value != 0, item.name);
}

void EditorApp::start(double started_ms, const std::string& file) {
    commands_.set_status_message("Started in " + format_duration(AppClock::now() - started_ms));
    if (!file.empty()) {
        commands_.post_command("load_file", file);
        return;
    }
    // The untitled document's edits are kept from the first one; the edits an untitled
    // document of a killed editor left are offered once the loop runs.
    file_.start_untitled_journal(language_extension());
    pool_.run_job("load", {}, [this](std::string_view, bool) {
        file_.offer_untitled_recovery();
        return true;
    });
}

// A save that has begun counts from its first millisecond: ending then would stop it.
bool EditorApp::save_running() { return pool_.job_elapsed_ms("save") >= 0; }

bool EditorApp::close_request() {
    if (save_running()) return false;
    if (!file_.confirm_discard(nullptr)) return false;
    commands_.execute("do_exit", {});
    return true;
}

void EditorApp::drop_files(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    commands_.execute("load_file", paths.front());
}

std::string EditorApp::window_title_text() {
    return window_title(file_.path(), file_.modified(), kApplicationTitle);
}

std::string EditorApp::stat_text() {
    const ParseFigures* figures = last_parse_ ? &*last_parse_ : nullptr;
    // The file's own size while the text is what the file holds; else what a save would write.
    return stat_pane_text(stat_input(document_, file_.encoding(), characters_, figures,
                                     file_.file_bytes(), above_bmp_, lines_));
}

void EditorApp::run_ticks(double now_ms) { pool_.ticks().run(now_ms); }

void EditorApp::write_extension_groups() {
    SettingsExtensionStore extensions(settings_);
    languages_.write_groups(extensions);
}

void EditorApp::window_tick() {
    // Another program changed the file: ask, but not while a load or save runs.
    file_.check_external_change(file_.busy() || pool_.job_elapsed_ms("load") >= 0 ||
                                pool_.job_elapsed_ms("save") >= 0);
    // The long jobs that change or write the text: saving, undo and redo, Replace (on the
    // search worker), and
    // indent (on the "load" worker).
    file_.journal_tick(AppClock::now(), pool_.job_elapsed_ms("save") >= 0 ||
                                            pool_.job_elapsed_ms("undo") >= 0 ||
                                            pool_.job_elapsed_ms("editorfinder") >= 0 ||
                                            pool_.job_elapsed_ms("load") >= 0);
    if (commands_.choice_value("language") != controller_.language())
        commands_.set_choice("language", controller_.language());
    if (!window_) return;
    if (auto title = title_.update(file_.path(), file_.modified(), kApplicationTitle))
        window_->set_title(*title);
    if (busy_cursor_.update([this](std::string_view worker) { return pool_.job_elapsed_ms(worker); }))
        window_->set_busy_cursor(busy_cursor_.busy());
    std::vector<JobText> texts;
    for (auto& [text, progress] : pool_.running_job_texts()) texts.push_back({text, progress});
    if (job_panes_.update(texts)) window_->show_job_panes(job_panes_.panes());
    std::string stat = stat_text();
    if (stat != stat_shown_) {
        stat_shown_ = stat;
        window_->show_stat(stat);
    }
}

// DocumentHost.

void EditorApp::set_language_for(std::string_view file_name, std::string_view head) {
    controller_.set_language(languages_.type_of(file_name, head).display_name);
}

std::string EditorApp::language_extension() {
    const DocumentType* type = languages_.find(controller_.language());
    if (!type || type->extension.empty()) return "txt";
    return type->extension;
}

std::string EditorApp::file_filter() { return languages_.file_filter(); }

void EditorApp::reset_views() {
    controller_.reset();
    last_parse_.reset();
    characters_ = 0;
    above_bmp_ = 0;
    lines_ = 0;
    // The views let go of the old trees before they are dropped, both on the UI thread. A
    // browser build may have been asked for since the workers were stopped above (a first
    // browser's view hands over to the second): it reads the tree, so it stops first.
    route_.run([this] {
        pool_.stop_worker("view");
        pool_.stop_worker("sort");
        if (window_) window_->clear_document_views();
        tree_.reset();
        tree_text_.reset();
        failed_tree_.reset();
    });
}

void EditorApp::set_busy(bool busy) {
    busy_.store(busy, std::memory_order_relaxed);
    controller_.set_parse_blocked(busy);
}

void EditorApp::name_changed() {
    if (commands_.choice_value("language") != controller_.language())
        commands_.set_choice("language", controller_.language());
    if (!window_) return;
    if (auto title = title_.update(file_.path(), file_.modified(), kApplicationTitle))
        window_->set_title(*title);
}

void EditorApp::document_saved() {
    route_.run([this] { name_changed(); });
}

void EditorApp::post_command(std::string_view name, std::string_view argument) {
    // From a worker: the registry is the UI thread's.
    route_.run([this, name = std::string(name), argument = std::string(argument)] {
        commands_.post_command(name, argument);
    });
}

void EditorApp::set_status_message(std::string_view text) { commands_.set_status_message(text); }

void EditorApp::log(std::string_view) {
    // Status messages reach the log through the registry already; nothing more to keep.
}

double EditorApp::now_ms() { return AppClock::now(); }

// DocumentOwner.

void EditorApp::drop_views() {
    if (window_) window_->drop_views();
}

void EditorApp::take_figures(const ParseResult& result) {
    if (result.counted) last_parse_ = result.figures;
}

void EditorApp::text_counted(const TextCounts& counts) {
    characters_ = counts.characters;
    above_bmp_ = counts.above_bmp;
    lines_ = counts.lines;
}

const char* EditorApp::edit_check() const {
    if (failed_tree_) return kSyntaxErrorMessage;
    if (!tree_ || tree_changes_ != document_.store().changes() || document_busy()) return kParsingMessage;
    return nullptr;
}

CellWrite EditorApp::set_cell_value(Node& node, std::string_view typed, int query_kind) {
    // The document's edit entry, quietly: a cell write asks for no parse.
    class DocumentSplicer final : public TextSplicer {
    public:
        explicit DocumentSplicer(TextDocument& document) : document_(document) {}
        bool splice(TextPos first, int32_t remove, std::string_view text) override {
            return document_.replace(text, first, remove, kQuiet);
        }

    private:
        TextDocument& document_;
    };
    CellWrite result;
    // edit_check() is null only with a tree that stands for the text.
    if ((result.refusal = edit_check())) return result;
    DocumentSplicer splicer(document_);
    history_.begin_group();
    result = write_cell(*tree_, node, typed, query_kind, splicer);
    history_.end_group();
    // The tree, with its shifts, stands for the text as it now is.
    if (result.replacements > 0 && !result.failed) tree_changes_ = document_.store().changes();
    if (result.refusal)
        ui_.message_box(result.refusal, kCannotSetValueTitle, UiButtons::ok, UiIcon::warning);
    return result;
}

void EditorApp::tree_ready(ParseResult result) {
    take_figures(result);
    // The window takes the new tree first; the old ones go once nothing shows them.
    if (window_) window_->show_tree(result);
    tree_text_ = result.text_owner;
    tree_changes_ = result.changes;
    tree_ = std::move(result.tree);
    failed_tree_.reset();
}

void EditorApp::parse_failed(ParseResult result) {
    take_figures(result);
    if (window_) window_->show_diagnostics(result);
    failed_tree_ = std::move(result.tree);
}

}  // namespace tessel
