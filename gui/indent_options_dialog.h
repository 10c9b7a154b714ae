// The "XML Indent Options" dialog: the indent command's questions (indent size, attributes
// per tag line, removing comments, asking again) as a dialog of the builder. The command asks
// from the "load" worker and waits for the answer.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "shell/indent_command.h"

namespace tessel {

class BuiltDialog;
class DialogBuilder;

class GuiIndentOptionsDialog final : public IndentOptionsDialog {
public:
    explicit GuiIndentOptionsDialog(DialogBuilder& builder) : builder_(builder) {}

    // The window the dialog opens over (UI thread).
    void set_owner(QWidget* owner) { owner_ = owner; }

    // Any thread: shows the dialog filled with options and waits for the answer.
    bool ask(IndentOptions& options) override;

    // UI thread: the dialog, built the first time (its fields then read from the settings).
    BuiltDialog* dialog();

private:
    void set_variables(const IndentOptions& options);
    IndentOptions options() const;

    DialogBuilder& builder_;
    QPointer<QWidget> owner_;
    // The variables the dialog's fields are bound to. The UI thread and the asking worker
    // touch them only while they hold the application lock.
    int32_t indent_size_ = 4;
    int32_t max_attributes_ = 8;
    int32_t remove_comments_ = 1;
    int32_t show_first_ = 1;
};

}  // namespace tessel
