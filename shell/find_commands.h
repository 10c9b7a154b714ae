// FindCommands: the editor's search commands as the window offers them. "find" and "replace"
// show their dialogs (seeded with the selection), "find_again" and "find_back" search with
// the dialogs' pattern, the dialogs' buttons start searches and replacements; every search
// runs as a job on the "editorfinder" worker, so it shows its progress and Esc stops it.
// Also "goto_line" and the four bookmark commands, whose list the editor's gutter draws.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "editor/bookmarks.h"
#include "editor/find_state.h"

namespace tessel {

class CommandRegistry;
class TextDocument;
class Ui;
class WorkerPool;

// The dialogs the commands show; the window builds them over the fields below.
class FindDialogs {
public:
    virtual ~FindDialogs() = default;
    virtual void show_find() = 0;
    virtual void show_replace() = 0;
    virtual void show_goto_line() = 0;
};

// What the Find, Replace and Goto Line dialogs edit, kept in the settings by them.
struct FindFields {
    std::string find_text;
    std::string replace_text;
    int32_t whole_word = 0;
    int32_t match_case = 0;
    int32_t direction = FindState::kDown;
    int32_t scope = FindState::kWholeFile;
    std::string line;  // the Goto Line field
};

class FindCommands {
public:
    // The worker every search runs on.
    static constexpr std::string_view kWorker = "editorfinder";

    // idle: whether the document takes edits now (no load or save running).
    FindCommands(WorkerPool& pool, CommandRegistry& commands, TextDocument& document, Ui& ui,
                 std::function<bool()> idle);
    ~FindCommands();
    FindCommands(const FindCommands&) = delete;
    FindCommands& operator=(const FindCommands&) = delete;

    // Registers the commands, and a "cancel" that stops a running search (registered before
    // the dialogs' own, Esc stops a search before it closes a dialog).
    void register_handlers(FindDialogs& dialogs);

    FindFields& fields() { return fields_; }
    BookmarkList& bookmarks() { return bookmarks_; }

    // The dialogs' buttons, on the UI thread. Each starts a job with the fields as they are.
    void search(bool forward);
    void replace();
    void replace_all();
    // Moves the caret to the line in the Goto Line field; false when it is not a number.
    bool go_to_line();
    // Whether a search or replacement runs.
    bool searching();

private:
    // The state the job bodies read: the fields as they were when the job was started.
    std::shared_ptr<FindState> snapshot() const;
    void start(std::string_view argument, std::function<void(const FindState&)> body);
    // Copies the selection into the pattern when it is short and on one line.
    void seed();
    // After a move made by a job or a command: the view shows the caret.
    void show_caret();

    WorkerPool& pool_;
    CommandRegistry& commands_;
    TextDocument& document_;
    Ui& ui_;
    std::function<bool()> idle_;
    FindFields fields_;
    BookmarkList bookmarks_;
};

}  // namespace tessel
