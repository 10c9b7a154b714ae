// The search, goto and bookmark commands and their jobs.
#include "shell/find_commands.h"

#include "commands/command_registry.h"
#include "editor/goto_line.h"
#include "editor/text_search.h"
#include "runtime/worker_pool.h"
#include "text/text_document.h"

namespace tessel {

FindCommands::FindCommands(WorkerPool& pool, CommandRegistry& commands, TextDocument& document,
                           Ui& ui, std::function<bool()> idle)
    : pool_(pool), commands_(commands), document_(document), ui_(ui), idle_(std::move(idle)),
      bookmarks_(document) {}

FindCommands::~FindCommands() {
    commands_.remove_handlers(this);
    // A job still running reads the document and the fields' copy it was given.
    pool_.stop_worker(kWorker);
}

std::shared_ptr<FindState> FindCommands::snapshot() const {
    auto state = std::make_shared<FindState>();
    state->find_text.append(fields_.find_text);
    state->replace_text.append(fields_.replace_text);
    state->whole_word = fields_.whole_word != 0;
    state->match_case = fields_.match_case != 0;
    state->direction = fields_.direction;
    state->scope = fields_.scope;
    return state;
}

bool FindCommands::searching() {
    return pool_.job_elapsed_ms(kWorker) >= 0;
}

void FindCommands::show_caret() {
    document_.show_selection(document_.selection_anchor(), document_.caret());
}

void FindCommands::start(std::string_view argument,
                         std::function<void(const FindState&)> body) {
    if (!idle_()) return;
    std::shared_ptr<FindState> state = snapshot();
    pool_.run_job(kWorker, std::string(argument),
                  [body = std::move(body), state](std::string_view, bool query) {
                      if (!query) body(*state);
                      return true;
                  });
}

void FindCommands::search(bool forward) {
    if (fields_.find_text.empty()) return;
    start(forward ? "1" : "0", [this, forward](const FindState& state) {
        if (run_find(document_, state, forward, pool_.current_job(), &ui_).found) show_caret();
    });
}

void FindCommands::replace() {
    if (fields_.find_text.empty()) return;
    start("1", [this](const FindState& state) {
        if (run_replace(document_, state, pool_.current_job(), &ui_).found) show_caret();
    });
}

void FindCommands::replace_all() {
    if (fields_.find_text.empty()) return;
    start("1", [this](const FindState& state) {
        std::string message;
        if (run_replace_all(document_, state, pool_.current_job(), &ui_, &message).found) {
            show_caret();
            commands_.set_status_message(message);
        }
    });
}

bool FindCommands::go_to_line() {
    if (!goto_line(document_, fields_.line)) return false;
    show_caret();
    return true;
}

void FindCommands::seed() {
    FindState state;
    if (seed_find_text(state, document_)) fields_.find_text = std::string(state.find_text.view());
}

void FindCommands::register_handlers(FindDialogs& dialogs) {
    const auto handle = [this](std::string_view name, HandlerFunction function) {
        commands_.register_handler(name, this, std::move(function));
    };
    handle("cancel", [this](std::string_view, bool query) {
        if (query) return searching();
        pool_.stop_worker(kWorker);
        commands_.set_status_message("Search stopped");
        return true;
    });
    handle("find", [this, &dialogs](std::string_view, bool query) {
        if (query) return true;
        seed();
        dialogs.show_find();
        return true;
    });
    handle("replace", [this, &dialogs](std::string_view, bool query) {
        if (query) return idle_();
        seed();
        dialogs.show_replace();
        return true;
    });
    // With no pattern yet, the keys open the Find dialog to type one.
    const auto search_again = [this, &dialogs](bool forward) {
        return [this, &dialogs, forward](std::string_view, bool query) {
            if (query) return true;
            if (fields_.find_text.empty()) {
                seed();
                dialogs.show_find();
            } else {
                search(forward);
            }
            return true;
        };
    };
    handle("find_again", search_again(true));
    handle("find_back", search_again(false));
    handle("goto_line", [this, &dialogs](std::string_view, bool query) {
        if (query) return true;
        fields_.line = goto_line_preset(document_);
        dialogs.show_goto_line();
        return true;
    });

    handle("toggle_bookmark", [this](std::string_view, bool query) {
        if (query) return true;
        bookmarks_.toggle(Bookmark::text(document_.caret()));
        show_caret();
        return true;
    });
    const auto visit_bookmark = [this](bool forward) {
        return [this, forward](std::string_view, bool query) {
            if (query) return bookmarks_.enabled();
            std::string message;
            if (forward ? bookmarks_.next(nullptr, &message) : bookmarks_.previous(nullptr, &message))
                show_caret();
            if (!message.empty()) commands_.set_status_message(message);
            return true;
        };
    };
    handle("next_bookmark", visit_bookmark(true));
    handle("last_bookmark", visit_bookmark(false));
    handle("clear_all_bookmarks", [this](std::string_view, bool query) {
        if (query) return bookmarks_.enabled();
        bookmarks_.clear();
        show_caret();
        return true;
    });
}

}  // namespace tessel
