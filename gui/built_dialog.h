// BuiltDialog: the window of a dialog made by the DialogBuilder. It pairs each field of its
// DialogModel with a widget, fills the widgets from the variables when it is shown, and on
// Ok refuses an integer field's text with a balloon or takes every widget's value into its
// variable and the settings. Shown from the UI thread it is modeless and its OK command runs
// when it is confirmed; a worker that shows it waits for the answer.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gui/dialog_builder.h"
#include "window/dialog_model.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessel {

class QtBalloon;

class BuiltDialog final : public QDialog {
    Q_OBJECT
public:
    // What a waiting worker gets back.
    static constexpr int32_t kConfirmed = 1;
    static constexpr int32_t kCancelled = 2;
    // A waiting worker looks at the dialog this often (ms).
    static constexpr double kWaitStepMs = 10;

    BuiltDialog(DialogBuilder& builder, std::string_view title, int width, int height);
    ~BuiltDialog() override;

    const DialogModel& model() const { return model_; }
    DialogModel& model() { return model_; }
    const std::string& title() const { return model_.title(); }

    // Any thread. Fills the controls from the variables and shows the dialog over owner, whose
    // window takes no input while it is shown. On the UI thread it returns 0 at once; on
    // another thread it waits until the dialog is closed, passing a yield point every
    // kWaitStepMs with the lock given up in between, and returns kConfirmed or kCancelled. A
    // job stopped while it waits closes the dialog as Cancel (JobCancelled passes on).
    int show_dialog(QWidget* owner);
    // Any thread: shows the dialog and waits for the answer, as show_dialog does on a worker;
    // on the UI thread in a nested event loop. kConfirmed or kCancelled.
    int ask(QWidget* owner);
    // 0 while shown, kConfirmed after Ok, kCancelled after Cancel.
    int32_t result() const { return result_.load(); }
    // Whether someone waits for the dialog's answer (its OK command then does not run).
    bool waited_on() const { return !waiters_.empty(); }

    // UI thread: what the Ok and Cancel buttons do. Cancel closes without saving.
    void confirm();
    void cancel();
    // The window's close button and Esc when no registry takes it.
    void reject() override;

    // UI thread: the edit box of an integer field or of a text field (a combo box's own), by
    // the field's index in the model; for callers that preselect text, and for tests.
    QLineEdit* edit_of(size_t field) const;
    // The drop-down list or the button of a field, else null.
    QComboBox* list_of(size_t field) const;
    QPushButton* button_of(size_t field) const;

signals:
    // The dialog was closed; result is kConfirmed or kCancelled.
    void answered(int result);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class DialogBuilder;
    struct Waiter;

    // The widgets of one field of the model, at the same index.
    struct Control {
        QLineEdit* edit = nullptr;    // integer field, or text box without history list
        QCheckBox* check = nullptr;   // check box
        QComboBox* combo = nullptr;   // text box with history list
        QButtonGroup* group = nullptr;  // radio group: a button's id is its choice's index
        QComboBox* list = nullptr;    // drop-down list
        QPushButton* button = nullptr;  // button with its own action
        // The widgets the field's enabled rule greys (a label beside an edit box included).
        std::vector<QWidget*> widgets;
    };

    QRect to_pixels(DialogRect rect) const;
    Control& control_for(size_t field);
    void add_label(std::string_view text, int x, int y, int width);
    void add_check_box(std::string_view caption, int32_t* variable, DialogRect rect);
    void add_int_field(std::string_view caption, int32_t* variable, int32_t minimum,
                       int32_t maximum, int32_t initial, DialogRect rect, int edit_width);
    void add_radio(std::string_view group, int32_t value, std::string_view caption,
                   int32_t* variable, DialogRect rect);
    void add_text_box(std::string_view history, std::string* variable, bool is_combo,
                      DialogRect rect);
    void add_drop_down(std::string_view name, int32_t* variable, std::vector<std::string> items,
                       DialogRect rect);
    void add_button(std::string_view caption, DialogModel::Action action, DialogRect rect,
                    bool is_default);
    void add_group_box(std::string_view caption, DialogRect rect);
    void add_ok(std::string_view command, DialogRect rect);
    void add_cancel(DialogRect rect);
    void load();
    // The integer fields' texts are numbers in range; the first that is not gets the balloon.
    bool validate();
    void press(size_t field);

    // UI thread: shows the dialog (a waiter, when given, is told the answer).
    void open(QWidget* owner, std::shared_ptr<Waiter> waiter);
    // A worker stopped while it waited: the dialog it asked with goes away unanswered.
    void abandon(const std::shared_ptr<Waiter>& waiter);
    void fill();
    void take();
    void finish(int32_t result);

    DialogBuilder& builder_;
    DialogModel model_;
    std::vector<Control> controls_;  // one per field of model_
    std::string ok_command_;
    // Dialog units in pixels: the average character width and the line height.
    int base_width_ = 0;
    int base_height_ = 0;

    std::atomic<int32_t> result_{0};
    std::vector<std::shared_ptr<Waiter>> waiters_;
    QPointer<QWidget> owner_;
    QPointer<QWidget> focus_before_;
    QPointer<QtBalloon> balloon_;
    bool counted_shown_ = false;
};

}  // namespace tessel
