// The "XML Indent Options" dialog with the builder.
#include "gui/indent_options_dialog.h"

#include "gui/built_dialog.h"
#include "gui/dialog_builder.h"
#include "settings/dialog_binding.h"

namespace tessel {

BuiltDialog* GuiIndentOptionsDialog::dialog() {
    // Names, ranges and built-in values are the ones the settings use for this dialog.
    const BoundField& size = kXmlIndentFields[0];
    const BoundField& attributes = kXmlIndentFields[1];
    const BoundField& comments = kXmlIndentFields[2];
    const BoundField& ask_first = kXmlIndentFields[3];
    if (BuiltDialog* existing = builder_.begin_dialog(kXmlIndentOptions.name, 214, 106))
        return existing;
    // The " Options: " frame holds two number rows with their boxes aligned at the right and
    // the two switches; the buttons sit below it at the right, 7 units from the edges.
    remove_comments_ = comments.initial;
    show_first_ = ask_first.initial;
    builder_.add_group_box(" Options: ", {5, 3, 204, 78});
    builder_.add_int_field(size.name, &indent_size_, size.minimum, size.maximum, size.initial,
                           {12, 15, 190, 13});
    builder_.add_int_field(attributes.name, &max_attributes_, attributes.minimum,
                           attributes.maximum, attributes.initial, {12, 33, 190, 13});
    builder_.add_check_box(comments.name, &remove_comments_, {12, 52, 190, 10});
    builder_.add_check_box(ask_first.name, &show_first_, {12, 65, 190, 10});
    builder_.add_ok({}, {103, 86, 50, 14});
    builder_.add_cancel({157, 86, 50, 14});
    return builder_.end_dialog();
}

void GuiIndentOptionsDialog::set_variables(const IndentOptions& options) {
    indent_size_ = options.indent_size;
    max_attributes_ = options.max_attributes;
    remove_comments_ = options.remove_comments ? 1 : 0;
    show_first_ = options.show_dialog_first ? 1 : 0;
}

IndentOptions GuiIndentOptionsDialog::options() const {
    IndentOptions options;
    options.indent_size = indent_size_;
    options.max_attributes = max_attributes_;
    options.remove_comments = remove_comments_ != 0;
    options.show_dialog_first = show_first_ != 0;
    return options;
}

bool GuiIndentOptionsDialog::ask(IndentOptions& options) {
    // Built (which reads the settings into the variables) before the caller's options are put
    // in, so the dialog shows what it is asked with.
    BuiltDialog* built = builder_.on_ui_thread<BuiltDialog*>(nullptr, [this, options] {
        BuiltDialog* made = dialog();
        set_variables(options);
        return made;
    });
    if (!built || built->ask(owner_.data()) != BuiltDialog::kConfirmed) return false;
    options = this->options();
    return true;
}

}  // namespace tessel
