// CommandRegistry: the command items that menus, the toolbar and accelerator keys are built
// from, the handlers components register for command names, and the 50 ms update tick that
// keeps enabled states, check marks and the status message current. Everything here runs on
// the user-interface thread; a handler bound to a worker runs its job through the JobRunner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/accelerator.h"
#include "runtime/job_runner.h"
#include "seams/ui_poster.h"

namespace tessel {

class CommandView;
class MessageLog;

enum class CommandKind : int32_t {
    plain = 0,
    toggle = 1,        // a check mark
    choice = 2,        // one of a group (radio); the group is the item's name
    recent_files = 4,  // where the recent files are listed in the menu
    panes = 5,         // where the panes' show/hide toggles are listed in the menu
};

struct CommandItem {
    int32_t value = 0;         // check state of a toggle or choice, 0 or 1
    int32_t* bound = nullptr;  // receives value whenever it is set
    CommandKind kind = CommandKind::plain;
    std::string caption;   // with "&" before the mnemonic letter
    std::string argument;  // passed when chosen; a choice's value
    int32_t picture = -1;  // in the image strip of the pane that registered it
    const void* scope = nullptr;
    std::string tooltip;
    std::string name;
    std::string accelerator_text;
    KeyPress accelerator;
    bool pane = false;  // a pane's show/hide toggle, checked after its visibility
};

struct CommandHandler {
    std::string name;
    const void* owner = nullptr;  // lets a component remove its handlers when it goes
    HandlerFunction function;
    std::string worker;   // empty: runs on the user-interface thread
    bool enabled = true;  // the answer to the latest update tick's query
};

class CommandRegistry {
public:
    // Milliseconds of a monotonic clock.
    using Clock = std::function<double()>;

    static constexpr double kStatusMessageMs = 2000;
    static constexpr int kStartupRedrawTicks = 10;

    // Without a runner (batch tools) handlers bound to a worker run on the caller.
    CommandRegistry(JobRunner* jobs, Clock clock);

    void set_view(CommandView* view) { view_ = view; }
    // The way to the UI thread for what workers ask of the view (status messages).
    void set_poster(UiPoster* poster) { route_.set_poster(poster); }
    void attach_message_log(MessageLog* log) { log_ = log; }
    // Saves the window layout and quits; called by the tick after request_exit.
    void set_exit_action(std::function<void()> action) { exit_action_ = std::move(action); }
    // Items registered from now on belong to this pane.
    void set_scope(const void* scope) { scope_ = scope; }

    // Appends an item named after its caption; returns its index.
    size_t register_item(std::string_view caption, std::string_view tooltip, int32_t picture,
                         std::string_view accelerator, CommandKind kind);
    // Appends one choice of a group: the item is named after the group's caption and shows
    // its own caption; choosing it passes argument.
    size_t register_choice(std::string_view group_caption, std::string_view caption,
                           std::string_view argument, std::string_view tooltip,
                           int32_t picture = -1);
    void register_handler(std::string_view name, const void* owner, HandlerFunction function,
                          std::string_view worker = {});
    void remove_handlers(const void* owner);

    // Binds a toggle's variable; the item takes the variable's present value, so a setting
    // read before the menus exist shows as their check mark.
    void bind(std::string_view name, int32_t* variable);

    // The first handler of the name that answers its query with true, in registration order.
    // Null while the main window is disabled, except for "cancel" and "reparse".
    const CommandHandler* find_enabled_handler(std::string_view name,
                                               std::string_view argument = {});
    // Queries the handler; if it can run, runs it as a job on its worker or here, with the
    // command's name as the current command while it runs. False when it answered no.
    bool execute_command(const CommandHandler& handler, std::string_view argument);
    // Finds an enabled handler and executes it; false when there is none.
    bool execute(std::string_view name, std::string_view argument);
    // "reparse" waits for the next tick, the latest argument replacing earlier ones, so a
    // burst of edits makes one parse; any other command is executed now.
    void post_command(std::string_view name, std::string_view argument);

    void set_toggle(std::string_view name, int32_t value);
    // Checks the group's entry whose argument is value and unchecks the rest.
    void set_choice(std::string_view group, std::string_view value);
    // A menu entry or toolbar button of the item was chosen.
    void choose_item(size_t index);
    // A key press: true when an item's accelerator matched and its command ran.
    bool key_press(const KeyPress& press);

    // Every 50 ms on the user-interface thread.
    void tick();

    // Any thread: the message reaches the registry, the view and the log on the UI thread
    // (posted when called from a worker).
    void set_status_message(std::string_view text);
    void request_exit() { exit_requested_ = true; }
    // False while a modal dialog has the main window disabled.
    void set_main_window_enabled(bool enabled) { main_window_enabled_ = enabled; }

    const std::vector<CommandItem>& items() const { return items_; }
    CommandItem& item(size_t index) { return items_[index]; }
    const std::vector<CommandHandler>& handlers() const { return handlers_; }
    const std::string& current_command() const { return current_command_; }
    bool reparse_pending() const { return reparse_pending_; }
    const std::string& reparse_argument() const { return reparse_argument_; }
    const std::string& status_message() const { return status_message_; }
    // The chosen value of a choice group, empty when none was chosen.
    std::string choice_value(std::string_view group) const;
    // After the latest tick's query: whether an item's command had an enabled handler.
    bool item_enabled(size_t index) const;

private:
    struct ChoiceGroup {
        std::string name;
        std::string value;
    };

    void set_value(size_t index, int32_t value);
    void show_status_message(std::string_view text);
    void update_states();

    JobRunner* jobs_;
    Clock clock_;
    CommandView* view_ = nullptr;
    MessageLog* log_ = nullptr;
    std::function<void()> exit_action_;
    const void* scope_ = nullptr;

    std::vector<CommandItem> items_;
    std::vector<CommandHandler> handlers_;
    std::vector<ChoiceGroup> groups_;
    std::vector<bool> item_enabled_;

    std::string current_command_;
    bool reparse_pending_ = false;
    std::string reparse_argument_;
    bool main_window_enabled_ = true;
    bool exit_requested_ = false;

    std::string status_message_;
    double status_set_at_ = 0;
    int ticks_ = 0;
    double last_update_at_ = -1;
    UiRoute route_;
};

}  // namespace tessel
