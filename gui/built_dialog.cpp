// The window of a built dialog: widgets for the model's fields, Ok and Cancel, and the ways a
// worker shows it and waits for the answer.
#include "gui/built_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <chrono>
#include <thread>

#include "commands/accelerator.h"
#include "commands/command_registry.h"
#include "foundation/job.h"
#include "platform/qt_string.h"
#include "platform/qt_ui.h"
#include "runtime/worker_pool.h"

namespace tessel {

namespace {

}  // namespace

// One worker's wait for the dialog: the UI thread answers, the worker polls. Atomic because the
// worker reads it while the lock is given up.
struct BuiltDialog::Waiter {
    std::atomic<bool> closed{false};
    std::atomic<bool> abandoned{false};
    std::atomic<int32_t> result{kCancelled};
    void answer(int32_t value) {
        result = value;
        closed = true;
    }
};

BuiltDialog::BuiltDialog(DialogBuilder& builder, std::string_view title, int width, int height)
    : QDialog(nullptr), builder_(builder), model_(std::string(title)) {
    setWindowTitle(to_qstring(title));
    setObjectName(to_qstring(title));
    // The units a caller's layout is given in: the average of the letters' advances, as the
    // widths of typical captions go, and the line height.
    const QFontMetrics metrics(font());
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    base_width_ = (metrics.horizontalAdvance(kLetters) + 26) / 52;
    base_height_ = metrics.height();
    setFixedSize(to_pixels({0, 0, width, height}).size());
}

BuiltDialog::~BuiltDialog() {
    if (balloon_) balloon_->close();
    for (const auto& waiter : waiters_) waiter->answer(kCancelled);
    if (counted_shown_) builder_.dialog_hidden(this);
}

QRect BuiltDialog::to_pixels(DialogRect rect) const {
    return QRect(rect.x * base_width_ / 4, rect.y * base_height_ / 8,
                 rect.width * base_width_ / 4, rect.height * base_height_ / 8);
}

BuiltDialog::Control& BuiltDialog::control_for(size_t field) {
    if (controls_.size() <= field) controls_.resize(field + 1);
    return controls_[field];
}

QLineEdit* BuiltDialog::edit_of(size_t field) const {
    if (field >= controls_.size()) return nullptr;
    const Control& control = controls_[field];
    if (control.combo) return control.combo->lineEdit();
    return control.edit;
}

QComboBox* BuiltDialog::list_of(size_t field) const {
    return field < controls_.size() ? controls_[field].list : nullptr;
}

QPushButton* BuiltDialog::button_of(size_t field) const {
    return field < controls_.size() ? controls_[field].button : nullptr;
}

void BuiltDialog::add_label(std::string_view text, int x, int y, int width) {
    auto* label = new QLabel(to_qstring(text), this);
    const QRect place = to_pixels({x, y, width, 0});
    label->move(place.topLeft());
    if (width > 0) {
        label->setFixedWidth(place.width());
        label->setWordWrap(true);
    }
    label->adjustSize();
}

void BuiltDialog::add_check_box(std::string_view caption, int32_t* variable, DialogRect rect) {
    const size_t field = model_.add_check_box(caption, variable);
    auto* box = new QCheckBox(to_qstring(caption), this);
    box->setGeometry(to_pixels(rect));
    control_for(field).check = box;
    control_for(field).widgets.push_back(box);
}

void BuiltDialog::add_int_field(std::string_view caption, int32_t* variable, int32_t minimum,
                                int32_t maximum, int32_t initial, DialogRect rect,
                                int edit_width) {
    const size_t field = model_.add_integer(caption, variable, minimum, maximum, initial);
    const QRect whole = to_pixels(rect);
    const QRect edit_place = to_pixels({rect.x + rect.width - edit_width, rect.y, edit_width,
                                        rect.height});
    auto* edit = new QLineEdit(this);
    edit->setGeometry(edit_place);
    if (!caption.empty()) {
        auto* label = new QLabel(to_qstring(caption), this);
        label->setGeometry(whole.x(), whole.y(),
                           std::max(0, edit_place.x() - whole.x() - base_width_), whole.height());
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setBuddy(edit);
        control_for(field).widgets.push_back(label);
    }
    control_for(field).edit = edit;
    control_for(field).widgets.push_back(edit);
}

void BuiltDialog::add_radio(std::string_view group, int32_t value, std::string_view caption,
                            int32_t* variable, DialogRect rect) {
    const size_t field = model_.add_radio(group, value, variable);
    Control& control = control_for(field);
    if (!control.group) control.group = new QButtonGroup(this);
    auto* button = new QRadioButton(to_qstring(caption), this);
    button->setGeometry(to_pixels(rect));
    // Ids are indexes into the field's choices: any value may be a choice, while Qt takes the
    // id -1 to mean "pick one".
    control.group->addButton(button, static_cast<int>(model_.field(field).choices.size() - 1));
    control.widgets.push_back(button);
}

void BuiltDialog::add_text_box(std::string_view history, std::string* variable, bool is_combo,
                               DialogRect rect) {
    const size_t field = model_.add_text_box(history, variable);
    Control& control = control_for(field);
    if (is_combo) {
        control.combo = new QComboBox(this);
        control.combo->setEditable(true);
        // The history is ours to order (newest first, no duplicates); the box only shows it.
        control.combo->setInsertPolicy(QComboBox::NoInsert);
        control.combo->setGeometry(to_pixels(rect));
        control.widgets.push_back(control.combo);
    } else {
        control.edit = new QLineEdit(this);
        control.edit->setGeometry(to_pixels(rect));
        control.widgets.push_back(control.edit);
    }
}

void BuiltDialog::add_drop_down(std::string_view name, int32_t* variable,
                                std::vector<std::string> items, DialogRect rect) {
    const size_t field = model_.add_drop_down(name, variable, std::move(items));
    Control& control = control_for(field);
    control.list = new QComboBox(this);
    control.list->setGeometry(to_pixels(rect));
    // Long lists (the encodings) open as a list to scroll rather than over the whole screen.
    control.list->setMaxVisibleItems(16);
    control.widgets.push_back(control.list);
    // Only the user's picks: filling the list sets its index without running the change.
    connect(control.list, &QComboBox::activated, this, [this, field](int entry) {
        take();
        model_.pick(field, entry);
        fill();
    });
}

void BuiltDialog::add_button(std::string_view caption, DialogModel::Action action,
                             DialogRect rect, bool is_default) {
    const size_t field = model_.add_button(caption, std::move(action));
    auto* button = new QPushButton(to_qstring(caption), this);
    button->setObjectName(to_qstring(caption));
    button->setGeometry(to_pixels(rect));
    button->setDefault(is_default);
    button->setAutoDefault(is_default);
    Control& control = control_for(field);
    control.button = button;
    control.widgets.push_back(button);
    connect(button, &QPushButton::clicked, this, [this, field] { press(field); });
}

void BuiltDialog::add_group_box(std::string_view caption, DialogRect rect) {
    auto* box = new QGroupBox(to_qstring(caption), this);
    box->setGeometry(to_pixels(rect));
    // A frame behind the controls it surrounds, which are the dialog's own children.
    box->lower();
    box->setFocusPolicy(Qt::NoFocus);
}

void BuiltDialog::press(size_t field) {
    if (!isVisible() || !model_.enabled(field)) return;
    if (!validate()) return;
    take();
    model_.confirm(builder_.store());
    if (model_.press(field)) {
        finish(kConfirmed);
        return;
    }
    if (isVisible()) fill();
}

void BuiltDialog::add_ok(std::string_view command, DialogRect rect) {
    ok_command_ = command;
    auto* button = new QPushButton(QStringLiteral("Ok"), this);
    button->setObjectName(QStringLiteral("ok"));
    button->setGeometry(to_pixels(rect));
    button->setDefault(true);
    connect(button, &QPushButton::clicked, this, &BuiltDialog::confirm);
}

void BuiltDialog::add_cancel(DialogRect rect) {
    auto* button = new QPushButton(QStringLiteral("Cancel"), this);
    button->setObjectName(QStringLiteral("cancel"));
    button->setGeometry(to_pixels(rect));
    connect(button, &QPushButton::clicked, this, &BuiltDialog::cancel);
}

void BuiltDialog::load() {
    controls_.resize(model_.size());
    model_.load(builder_.store());
    fill();
}

void BuiltDialog::fill() {
    for (size_t i = 0; i < controls_.size(); ++i) {
        const DialogModel::Field& field = model_.field(i);
        Control& control = controls_[i];
        const bool enabled = model_.enabled(i);
        for (QWidget* widget : control.widgets) widget->setEnabled(enabled);
        switch (field.kind) {
            case DialogModel::Kind::drop_down: {
                const QSignalBlocker quiet(control.list);
                if (control.list->count() != static_cast<int>(field.items.size())) {
                    control.list->clear();
                    for (const std::string& item : field.items) control.list->addItem(to_qstring(item));
                }
                control.list->setCurrentIndex(model_.selected(i));
                break;
            }
            case DialogModel::Kind::button:
                break;
            case DialogModel::Kind::integer:
                control.edit->setText(QString::number(*field.number));
                break;
            case DialogModel::Kind::check_box:
                control.check->setChecked(*field.number != 0);
                break;
            case DialogModel::Kind::radio_group: {
                const auto& choices = field.choices;
                const auto at = std::find(choices.begin(), choices.end(), *field.number);
                QAbstractButton* chosen =
                    at == choices.end() ? nullptr
                                        : control.group->button(static_cast<int>(at - choices.begin()));
                if (chosen) {
                    chosen->setChecked(true);
                } else if (QAbstractButton* checked = control.group->checkedButton()) {
                    // A value no button has: none is checked (an exclusive group only lets
                    // go of its last button this way).
                    control.group->setExclusive(false);
                    checked->setChecked(false);
                    control.group->setExclusive(true);
                }
                break;
            }
            case DialogModel::Kind::text_box: {
                const QString text = QString::fromStdString(*field.text);
                if (control.combo) {
                    control.combo->clear();
                    for (const std::string& entry : field.history)
                        control.combo->addItem(QString::fromStdString(entry));
                    control.combo->setEditText(text);
                } else {
                    control.edit->setText(text);
                }
                break;
            }
        }
    }
}

void BuiltDialog::take() {
    for (size_t i = 0; i < controls_.size(); ++i) {
        const DialogModel::Field& field = model_.field(i);
        const Control& control = controls_[i];
        switch (field.kind) {
            case DialogModel::Kind::integer:
                // Validated just before: the text is a number in range.
                if (auto value = model_.accept_integer(i, control.edit->text().toStdString()))
                    *field.number = *value;
                break;
            case DialogModel::Kind::check_box:
                *field.number = control.check->isChecked() ? 1 : 0;
                break;
            case DialogModel::Kind::radio_group:
                if (control.group->checkedButton())
                    *field.number = field.choices[static_cast<size_t>(control.group->checkedId())];
                break;
            case DialogModel::Kind::text_box:
                *field.text = (control.combo ? control.combo->currentText() : control.edit->text())
                                  .toStdString();
                break;
            case DialogModel::Kind::drop_down:
                if (control.list->currentIndex() >= 0) *field.number = control.list->currentIndex();
                break;
            case DialogModel::Kind::button:
                break;
        }
    }
}

int BuiltDialog::show_dialog(QWidget* owner) {
    UiPoster& poster = builder_.poster();
    if (poster.on_ui_thread()) {
        open(owner, nullptr);
        return 0;
    }
    WorkerPool* pool = builder_.pool();
    auto waiter = std::make_shared<Waiter>();
    // Whoever drops the posted call without handing the waiter to the dialog (the dialog gone
    // first) lets the worker go with Cancel.
    struct Handover {
        std::shared_ptr<Waiter> waiter;
        bool taken = false;
        explicit Handover(std::shared_ptr<Waiter> w) : waiter(std::move(w)) {}
        Handover(const Handover&) = delete;
        Handover& operator=(const Handover&) = delete;
        ~Handover() {
            if (!taken) waiter->answer(kCancelled);
        }
    };
    QPointer<BuiltDialog> self(this);
    QPointer<QWidget> owner_window(owner);
    {
        auto handover = std::make_shared<Handover>(waiter);
        poster.post([self, owner_window, handover] {
            if (!self) return;
            handover->taken = true;
            self->open(owner_window.data(), handover->waiter);
        });
    }
    // The worker keeps to its yield points while it waits, so a stop of its job (a new command
    // on the worker, the exit) is not left waiting for a user who may never answer.
    try {
        while (!waiter->closed.load()) {
            if (pool)
                pool->sleep_unlocked(kWaitStepMs);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    } catch (const JobCancelled&) {
        waiter->abandoned = true;
        poster.post([self, waiter] {
            if (self) self->abandon(waiter);
        });
        throw;
    }
    return waiter->result.load();
}

int BuiltDialog::ask(QWidget* owner) {
    if (!builder_.poster().on_ui_thread()) return show_dialog(owner);
    auto waiter = std::make_shared<Waiter>();
    open(owner, waiter);
    if (!waiter->closed) {
        QEventLoop loop;
        connect(this, &BuiltDialog::answered, &loop, &QEventLoop::quit);
        connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
        reclaim_lock_after_nested_loop();
    }
    return waiter->result.load();
}

void BuiltDialog::open(QWidget* owner, std::shared_ptr<Waiter> waiter) {
    if (waiter) {
        if (waiter->abandoned) return;
        waiters_.push_back(std::move(waiter));
    }
    result_ = 0;
    fill();
    if (!isVisible()) {
        focus_before_ = QApplication::focusWidget();
        QWidget* window = owner ? owner->window() : nullptr;
        // Over its owner: placed on it, and the owner's window takes no input meanwhile.
        if (window != parentWidget()) setParent(window, windowFlags());
        owner_ = window;
        setWindowModality(window ? Qt::WindowModal : Qt::NonModal);
        if (!counted_shown_) {
            counted_shown_ = true;
            builder_.dialog_shown(this);
        }
        show();
    }
    raise();
    activateWindow();
}

void BuiltDialog::abandon(const std::shared_ptr<Waiter>& waiter) {
    std::erase(waiters_, waiter);
    if (waiters_.empty() && isVisible()) cancel();
}

bool BuiltDialog::validate() {
    for (size_t i = 0; i < controls_.size(); ++i) {
        const DialogModel::Field& field = model_.field(i);
        if (field.kind != DialogModel::Kind::integer) continue;
        QLineEdit* edit = controls_[i].edit;
        if (model_.accept_integer(i, edit->text().toStdString())) continue;
        // Focus first: the balloon gives the focus back to where it was when it opened.
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        balloon_ = builder_.ui().show_balloon(
            kInvalidValueTitle, integer_range_message(field.minimum, field.maximum), edit);
        return false;
    }
    return true;
}

void BuiltDialog::confirm() {
    if (!isVisible() || !validate()) return;
    take();
    model_.confirm(builder_.store());
    const bool run_command = waiters_.empty() && !ok_command_.empty();
    finish(kConfirmed);
    // After the owner is enabled again: the registry finds no handler while it is not.
    if (run_command)
        if (CommandRegistry* registry = builder_.registry()) registry->execute(ok_command_, {});
}

void BuiltDialog::cancel() {
    if (!isVisible()) return;
    finish(kCancelled);
}

void BuiltDialog::reject() {
    cancel();
}

void BuiltDialog::finish(int32_t result) {
    result_ = result;
    // A balloon left behind would point at nothing.
    if (balloon_) balloon_->close();
    hide();
    if (counted_shown_) {
        counted_shown_ = false;
        builder_.dialog_hidden(this);
    }
    if (owner_) owner_->activateWindow();
    if (focus_before_) focus_before_->setFocus(Qt::OtherFocusReason);
    for (const auto& waiter : std::exchange(waiters_, {})) waiter->answer(result);
    emit answered(result);
}

void BuiltDialog::keyPressEvent(QKeyEvent* event) {
    // Esc is the "cancel" command's key; the registry decides who takes it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CommandRegistry* registry = builder_.registry();
        if (registry && registry->key_press(KeyPress{kKeyEscape, kModifierNone, 0})) {
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tessel
