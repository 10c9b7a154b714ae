// The menus, the toolbar and the status bar from the command table.
#include "gui/command_bars.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>

#include "commands/command_registry.h"
#include "commands/command_table.h"
#include "file/recent_files.h"
#include "platform/qt_string.h"
#include "settings/settings_history.h"
#include "settings/settings_store.h"

namespace tessel {
namespace {

constexpr int kPathBoxWidth = 320;

}  // namespace

CommandBars::CommandBars(QMainWindow& window, CommandRegistry& registry, RecentFiles& recent,
                         SettingsStore& settings, IconLookup icons, PaneQuery pane_visible)
    : QObject(&window),
      window_(window),
      registry_(registry),
      recent_(recent),
      settings_(settings),
      icons_(std::move(icons)),
      pane_visible_(std::move(pane_visible)) {}

CommandBars::~CommandBars() {
    if (registry_.items().empty()) return;
    registry_.set_view(nullptr);
}

std::optional<size_t> CommandBars::item_index(std::string_view name) const {
    const auto& items = registry_.items();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].name == name) return i;
    return std::nullopt;
}

QAction* CommandBars::action_of(std::string_view name) const {
    for (const Bound& bound : bound_)
        if (bound.action && registry_.items()[bound.item].name == name) return bound.action;
    return nullptr;
}

QAction* CommandBars::make_action(size_t index, QObject* parent, bool in_menu) {
    const CommandItem& item = registry_.items()[index];
    QString text = to_qstring(item.caption);
    // The accelerator is shown after a tab; keys are matched by the registry, not by Qt.
    if (in_menu && !item.accelerator_text.empty()) text += '\t' + to_qstring(item.accelerator_text);
    auto* action = new QAction(text, parent);
    if (!item.tooltip.empty()) action->setToolTip(to_qstring(item.tooltip));
    else action->setToolTip(QString(to_qstring(item.caption)).remove('&'));
    if (!in_menu || item.picture >= 0) action->setIcon(icons_ ? icons_(item.name) : QIcon());
    if (in_menu) action->setIconVisibleInMenu(!action->icon().isNull());
    if (item.kind == CommandKind::toggle || item.kind == CommandKind::choice) {
        action->setCheckable(true);
        action->setChecked(item.value != 0);
    }
    connect(action, &QAction::triggered, this, [this, index, action] {
        // The registry decides the check mark; Qt's own toggling is undone first.
        const CommandItem& chosen = registry_.items()[index];
        if (action->isCheckable()) action->setChecked(chosen.value != 0);
        registry_.choose_item(index);
        window_.update();
    });
    bound_.push_back({action, index});
    return action;
}

void CommandBars::fill_menu(QMenu* menu, std::span<const std::string_view> entries) {
    for (std::string_view name : entries) {
        if (name.empty()) {
            menu->addSeparator();
            continue;
        }
        if (name == kRecentFilesSection) {
            file_menu_ = menu;
            recent_top_ = menu->addSeparator();
            recent_marker_ = menu->addSeparator();
            continue;
        }
        if (name == kPanesSection) {
            const auto& items = registry_.items();
            for (size_t i = 0; i < items.size(); ++i)
                if (items[i].pane) menu->addAction(make_action(i, menu, true));
            continue;
        }
        // A choice group is a submenu of its choices, named after the group.
        if (auto index = item_index(name);
            index && registry_.items()[*index].kind == CommandKind::choice) {
            const CommandInfo* info = find_command_info(name);
            QMenu* choices = menu->addMenu(to_qstring(info ? info->caption : name));
            const auto& items = registry_.items();
            for (size_t i = *index; i < items.size(); ++i)
                if (items[i].kind == CommandKind::choice && items[i].name == name)
                    choices->addAction(make_action(i, choices, true));
            continue;
        }
        // A name without an item is skipped.
        if (auto index = item_index(name)) menu->addAction(make_action(*index, menu, true));
    }
}

void CommandBars::build() {
    QMenuBar* bar = window_.menuBar();
    for (const MenuInfo& info : menu_bar()) {
        QMenu* menu = bar->addMenu(to_qstring(info.caption));
        menus_.push_back(menu);
        fill_menu(menu, info.entries);
    }
    rebuild_recent_files();

    toolbar_ = window_.addToolBar(QStringLiteral("Toolbar"));
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(24, 24));
    for (std::string_view name : tessel::toolbar()) {
        if (name.empty()) {
            // A separator at either end would only be a gap.
            if (!toolbar_->actions().isEmpty()) toolbar_->addSeparator();
            continue;
        }
        if (auto index = item_index(name)) toolbar_->addAction(make_action(*index, toolbar_, false));
    }
    path_box_ = new QComboBox(toolbar_);
    path_box_->setObjectName(QStringLiteral("path_box"));
    path_box_->setEditable(true);
    path_box_->setInsertPolicy(QComboBox::NoInsert);
    path_box_->setMinimumWidth(kPathBoxWidth);
    path_box_->setToolTip(tr("Go to the node named by a path"));
    path_box_->lineEdit()->setPlaceholderText(tr("path, e.g. /catalog/book(2)"));
    {
        SettingsKey key(settings_, "");
        path_history_ = read_history(settings_, kToolbarComboHistory);
    }
    for (const std::string& entry : path_history_) path_box_->addItem(to_qstring(entry));
    path_box_->setCurrentIndex(-1);
    // A choice from the list comes as activated; Enter is taken before the box sees it.
    connect(path_box_, &QComboBox::activated, this, [this](int) { run_path_box(); });
    // The box has the focus and passes keys to its edit by a direct call; events sent to the
    // edit itself come too.
    path_box_->installEventFilter(this);
    path_box_->lineEdit()->installEventFilter(this);
    toolbar_->addWidget(path_box_);

    QStatusBar* status = window_.statusBar();
    message_ = new QLabel(status);
    message_->setObjectName(QStringLiteral("status_message"));
    message_->setFixedWidth(JobStatusPanes::kMessagePaneWidth);
    status->addWidget(message_);
    job_box_ = new QWidget(status);
    job_box_->setObjectName(QStringLiteral("job_panes"));
    auto* job_layout = new QHBoxLayout(job_box_);
    job_layout->setContentsMargins(0, 0, 0, 0);
    status->addWidget(job_box_);
    registry_.set_view(this);
}

void CommandBars::run_path_box() {
    const std::string path = path_box_->currentText().trimmed().toStdString();
    if (path.empty()) return;
    // Newest first, without repeats.
    path_history_.erase(std::remove(path_history_.begin(), path_history_.end(), path),
                        path_history_.end());
    path_history_.insert(path_history_.begin(), path);
    if (path_history_.size() > kHistoryEntriesWritten) path_history_.resize(kHistoryEntriesWritten);
    write_history(settings_, kToolbarComboHistory, path_history_);
    {
        const QSignalBlocker quiet(path_box_);
        path_box_->clear();
        for (const std::string& entry : path_history_) path_box_->addItem(to_qstring(entry));
        path_box_->setCurrentIndex(0);
    }
    registry_.execute(kToolbarComboCommand, path);
}

bool CommandBars::eventFilter(QObject* watched, QEvent* event) {
    if (path_box_ && (watched == path_box_ || watched == path_box_->lineEdit()) &&
        event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            run_path_box();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void CommandBars::rebuild_recent_files() {
    if (!file_menu_ || !recent_marker_) return;
    for (QAction* action : recent_actions_) {
        file_menu_->removeAction(action);
        action->deleteLater();
    }
    recent_actions_.clear();
    const std::vector<std::string>& entries = recent_.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        auto* action = new QAction(to_qstring(recent_file_entry_text(i, entries[i])), file_menu_);
        action->setToolTip(to_qstring(entries[i]));
        const std::string path = entries[i];
        connect(action, &QAction::triggered, this, [this, path] {
            registry_.execute("load_file", path);
        });
        file_menu_->insertAction(recent_marker_, action);
        recent_actions_.push_back(action);
    }
    recent_top_->setVisible(!entries.empty());
    recent_marker_->setVisible(!entries.empty());
}

void CommandBars::show_enabled(const std::vector<bool>& item_enabled, bool) {
    for (const Bound& bound : bound_)
        if (bound.action && bound.item < item_enabled.size())
            bound.action->setEnabled(item_enabled[bound.item]);
    // The recent files follow "load_file", which has no item of its own.
    const bool can_load = registry_.find_enabled_handler("load_file") != nullptr;
    for (QAction* action : recent_actions_) action->setEnabled(can_load);
    // Pane toggles show their pane's visibility, whoever changed it.
    const auto& items = registry_.items();
    for (const Bound& bound : bound_)
        if (bound.action && items[bound.item].pane)
            bound.action->setChecked(pane_visible_ && pane_visible_(items[bound.item].name));
}

void CommandBars::set_checked(size_t item, bool checked) {
    for (const Bound& bound : bound_)
        if (bound.action && bound.item == item) bound.action->setChecked(checked);
}

void CommandBars::show_status_message(std::string_view text) {
    if (message_) message_->setText(to_qstring(text));
}

void CommandBars::redraw() { window_.update(); }

bool CommandBars::pane_visible(std::string_view name) {
    return pane_visible_ && pane_visible_(name);
}

void CommandBars::show_job_panes(const std::vector<StatusPane>& panes) {
    // The labels are kept and relabelled rather than made anew on each change: a new label
    // in a shown layout only appears on a later turn of the event loop, so rebuilding them
    // made the panes blink out whenever a job's text or progress changed.
    size_t shown = 0;
    for (const StatusPane& pane : panes) {
        if (pane.width <= 0) continue;
        if (shown == job_panes_.size()) {
            auto* label = new QLabel(job_box_);
            job_box_->layout()->addWidget(label);
            job_panes_.push_back(label);
        }
        QLabel* label = job_panes_[shown++];
        label->setText(to_qstring(pane.text));
        label->setMinimumWidth(pane.width);
        label->setVisible(true);
    }
    for (size_t i = shown; i < job_panes_.size(); ++i) job_panes_[i]->setVisible(false);
}

}  // namespace tessel
