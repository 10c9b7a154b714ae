// The "Find", "Replace" and "Goto Line" dialogs, made with the dialog builder over the search
// commands' fields; their buttons start the searches. Built on first use, then reused.
#pragma once

#include "shell/find_commands.h"

class QWidget;

namespace tessel {

class BuiltDialog;
class DialogBuilder;

class GuiFindDialogs final : public FindDialogs {
public:
    GuiFindDialogs(DialogBuilder& builder, FindCommands& commands, QWidget* owner)
        : builder_(builder), commands_(commands), owner_(owner) {}

    void show_find() override;
    void show_replace() override;
    void show_goto_line() override;

    // Built (when not yet) and returned without being shown.
    BuiltDialog* find_dialog();
    BuiltDialog* replace_dialog();
    BuiltDialog* goto_line_dialog();

private:
    DialogBuilder& builder_;
    FindCommands& commands_;
    QWidget* owner_;
};

}  // namespace tessel
