// The command registry: items, handlers, execution and the update tick.
#include "commands/command_registry.h"

#include <algorithm>
#include <utility>

#include "commands/command_name.h"
#include "commands/message_log.h"
#include "seams/command_view.h"

namespace tessel {

namespace {

constexpr std::string_view kReparse = "reparse";
constexpr std::string_view kCancel = "cancel";

// Sets the current command for the length of a handler call. The previous name comes back
// afterwards, also when the handler throws or itself executes another command.
class CurrentCommand {
public:
    CurrentCommand(std::string& current, std::string name)
        : current_(current), previous_(std::exchange(current, std::move(name))) {}
    ~CurrentCommand() { current_ = std::move(previous_); }
    CurrentCommand(const CurrentCommand&) = delete;
    CurrentCommand& operator=(const CurrentCommand&) = delete;

private:
    std::string& current_;
    std::string previous_;
};

}  // namespace

CommandRegistry::CommandRegistry(JobRunner* jobs, Clock clock)
    : jobs_(jobs), clock_(std::move(clock)) {}

size_t CommandRegistry::register_item(std::string_view caption, std::string_view tooltip,
                                      int32_t picture, std::string_view accelerator,
                                      CommandKind kind) {
    CommandItem& item = items_.emplace_back();
    item.kind = kind;
    item.caption = caption;
    item.picture = picture;
    item.scope = scope_;
    item.tooltip = tooltip;
    item.name = command_name(caption);
    item.accelerator_text = accelerator;
    item.accelerator = parse_accelerator(accelerator);
    item_enabled_.push_back(false);
    return items_.size() - 1;
}

size_t CommandRegistry::register_choice(std::string_view group_caption, std::string_view caption,
                                        std::string_view argument, std::string_view tooltip,
                                        int32_t picture) {
    size_t index = register_item(caption, tooltip, picture, {}, CommandKind::choice);
    CommandItem& item = items_[index];
    item.name = command_name(group_caption);
    item.argument = argument;
    // An entry added after its group was set shows whether it is the chosen one.
    item.value = choice_value(item.name) == argument && !argument.empty() ? 1 : 0;
    return index;
}

void CommandRegistry::register_handler(std::string_view name, const void* owner,
                                       HandlerFunction function, std::string_view worker) {
    CommandHandler& handler = handlers_.emplace_back();
    handler.name = command_name(name);
    handler.owner = owner;
    handler.function = std::move(function);
    handler.worker = worker;
}

void CommandRegistry::remove_handlers(const void* owner) {
    std::erase_if(handlers_, [owner](const CommandHandler& h) { return h.owner == owner; });
}

void CommandRegistry::bind(std::string_view name, int32_t* variable) {
    std::string key = command_name(name);
    for (CommandItem& item : items_) {
        if (item.name != key) continue;
        item.bound = variable;
        if (variable) item.value = *variable != 0 ? 1 : 0;
    }
}

const CommandHandler* CommandRegistry::find_enabled_handler(std::string_view name,
                                                            std::string_view argument) {
    std::string key = command_name(name);
    if (!main_window_enabled_ && key != kCancel && key != kReparse) return nullptr;
    for (const CommandHandler& handler : handlers_) {
        if (handler.name == key && handler.function(argument, true)) return &handler;
    }
    return nullptr;
}

bool CommandRegistry::execute_command(const CommandHandler& handler, std::string_view argument) {
    // The handler may register or remove handlers while it runs, which moves the list under
    // the reference: everything needed is copied first.
    HandlerFunction function = handler.function;
    std::string name = handler.name;
    std::string worker = handler.worker;
    if (!function(argument, true)) return false;
    if (!worker.empty() && jobs_) {
        jobs_->run_job(worker, std::string(argument), std::move(function));
        return true;
    }
    CurrentCommand current(current_command_, std::move(name));
    function(argument, false);
    return true;
}

bool CommandRegistry::execute(std::string_view name, std::string_view argument) {
    const CommandHandler* handler = find_enabled_handler(name, argument);
    return handler && execute_command(*handler, argument);
}

void CommandRegistry::post_command(std::string_view name, std::string_view argument) {
    if (command_name(name) == kReparse) {
        reparse_pending_ = true;
        reparse_argument_ = argument;
        return;
    }
    execute(name, argument);
}

void CommandRegistry::set_value(size_t index, int32_t value) {
    CommandItem& item = items_[index];
    item.value = value != 0 ? 1 : 0;
    if (item.bound) *item.bound = item.value;
    if (view_) view_->set_checked(index, item.value != 0);
}

void CommandRegistry::set_toggle(std::string_view name, int32_t value) {
    std::string key = command_name(name);
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].name == key && items_[i].kind == CommandKind::toggle) set_value(i, value);
    }
}

std::string CommandRegistry::choice_value(std::string_view group) const {
    std::string key = command_name(group);
    for (const ChoiceGroup& g : groups_) {
        if (g.name == key) return g.value;
    }
    return {};
}

void CommandRegistry::set_choice(std::string_view group, std::string_view value) {
    std::string key = command_name(group);
    auto it = std::find_if(groups_.begin(), groups_.end(),
                           [&](const ChoiceGroup& g) { return g.name == key; });
    if (it == groups_.end()) it = groups_.insert(groups_.end(), ChoiceGroup{key, {}});
    it->value = value;
    for (size_t i = 0; i < items_.size(); ++i) {
        const CommandItem& item = items_[i];
        if (item.kind != CommandKind::choice || item.name != key) continue;
        bool chosen = item.argument == value;
        if ((item.value != 0) != chosen) set_value(i, chosen ? 1 : 0);
    }
}

void CommandRegistry::choose_item(size_t index) {
    if (index >= items_.size()) return;
    const CommandHandler* handler = find_enabled_handler(items_[index].name);
    if (!handler) return;
    CommandItem& item = items_[index];
    switch (item.kind) {
        case CommandKind::toggle: {
            set_value(index, item.value != 0 ? 0 : 1);
            execute_command(*handler, items_[index].value != 0 ? "true" : "false");
            break;
        }
        case CommandKind::choice: {
            std::string argument = item.argument;
            set_choice(item.name, argument);
            execute_command(*handler, argument);
            break;
        }
        default: {
            std::string argument = item.argument;
            execute_command(*handler, argument);
            break;
        }
    }
    if (view_) view_->redraw();
}

bool CommandRegistry::key_press(const KeyPress& press) {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!accelerator_matches(items_[i].accelerator, press)) continue;
        const CommandHandler* handler = find_enabled_handler(items_[i].name);
        if (handler) return execute_command(*handler, {});
    }
    return false;
}

void CommandRegistry::tick() {
    ++ticks_;
    double now = clock_();
    if (!status_message_.empty() && now - status_set_at_ > kStatusMessageMs) {
        status_message_.clear();
        if (view_) view_->show_status_message({});
    }
    if (reparse_pending_) {
        // A reparse that no handler can take now (the editor blocks parsing) stays pending,
        // so the document is still parsed once the block is lifted.
        if (const CommandHandler* handler = find_enabled_handler(kReparse, reparse_argument_)) {
            // Taken before the run, so a request made while it starts is kept for the next tick.
            std::string argument = std::exchange(reparse_argument_, {});
            reparse_pending_ = false;
            execute_command(*handler, argument);
        }
    }
    if (ticks_ <= kStartupRedrawTicks && view_) view_->redraw();
    if (exit_requested_) {
        exit_requested_ = false;
        if (exit_action_) exit_action_();
        return;
    }
    if (now != last_update_at_) {
        last_update_at_ = now;
        update_states();
    }
}

void CommandRegistry::update_states() {
    for (CommandHandler& handler : handlers_) handler.enabled = handler.function({}, true);
    bool changed = false;
    for (size_t i = 0; i < items_.size(); ++i) {
        const std::string& name = items_[i].name;
        bool enabled =
            std::any_of(handlers_.begin(), handlers_.end(),
                        [&](const CommandHandler& h) { return h.enabled && h.name == name; });
        if (item_enabled_[i] != enabled) changed = true;
        item_enabled_[i] = enabled;
    }
    if (!view_) return;
    view_->show_enabled(item_enabled_, changed);
    for (size_t i = 0; i < items_.size(); ++i) {
        CommandItem& item = items_[i];
        if (!item.pane) continue;
        int32_t visible = view_->pane_visible(item.name) ? 1 : 0;
        if (item.value != visible) set_value(i, visible);
    }
}

bool CommandRegistry::item_enabled(size_t index) const {
    return index < item_enabled_.size() && item_enabled_[index];
}

void CommandRegistry::set_status_message(std::string_view text) {
    route_.run([this, text = std::string(text)] { show_status_message(text); });
}

void CommandRegistry::show_status_message(std::string_view text) {
    status_message_ = text;
    status_set_at_ = clock_();
    if (view_) view_->show_status_message(text);
    if (log_ && !text.empty()) log_->add(text);
}

}  // namespace tessel
