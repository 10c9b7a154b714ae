// CommandBars: the menu bar, the toolbar (with the path box of "goto_path") and the status bar,
// built once from the command table and the registry's items, and kept current by the
// registry's update tick through the CommandView calls.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/command_view.h"
#include "window/job_status_panes.h"

class QAction;
class QComboBox;
class QLabel;
class QMainWindow;
class QMenu;
class QStatusBar;
class QToolBar;

namespace tessel {

class CommandRegistry;
class RecentFiles;
class SettingsStore;

class CommandBars final : public QObject, public CommandView {
    Q_OBJECT
public:
    using IconLookup = std::function<QIcon(std::string_view command)>;
    // Whether the pane whose toggle is named so is visible; and a redraw of the window.
    using PaneQuery = std::function<bool(std::string_view name)>;

    CommandBars(QMainWindow& window, CommandRegistry& registry, RecentFiles& recent,
                SettingsStore& settings, IconLookup icons, PaneQuery pane_visible);
    ~CommandBars() override;

    // Builds the menus, the toolbar and the status bar; after every item is registered.
    void build();
    // The File menu's recent-files section is rebuilt from the list.
    void rebuild_recent_files();

    QToolBar* toolbar() const { return toolbar_; }
    QComboBox* path_box() const { return path_box_; }
    QLabel* message_pane() const { return message_; }
    // The menu entry or toolbar button of an item (the first made), or null.
    QAction* action_of(std::string_view name) const;
    const std::vector<QMenu*>& menus() const { return menus_; }
    // The job panes as last shown.
    void show_job_panes(const std::vector<StatusPane>& panes);

    // CommandView.
    void show_enabled(const std::vector<bool>& item_enabled, bool changed) override;
    void set_checked(size_t item, bool checked) override;
    void show_status_message(std::string_view text) override;
    void redraw() override;
    bool pane_visible(std::string_view name) override;

protected:
    // Enter in the path box runs it once (the box itself would report it twice).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Bound {
        QPointer<QAction> action;
        size_t item;
    };

    QAction* make_action(size_t item, QObject* parent, bool in_menu);
    void fill_menu(QMenu* menu, std::span<const std::string_view> entries);
    void run_path_box();
    std::optional<size_t> item_index(std::string_view name) const;

    QMainWindow& window_;
    CommandRegistry& registry_;
    RecentFiles& recent_;
    SettingsStore& settings_;
    IconLookup icons_;
    PaneQuery pane_visible_;

    std::vector<QMenu*> menus_;
    std::vector<Bound> bound_;
    QMenu* file_menu_ = nullptr;
    QAction* recent_marker_ = nullptr;  // the recent files go before it
    QAction* recent_top_ = nullptr;     // the separator above them
    std::vector<QAction*> recent_actions_;
    QToolBar* toolbar_ = nullptr;
    QComboBox* path_box_ = nullptr;
    std::vector<std::string> path_history_;
    QLabel* message_ = nullptr;
    // The job panes live in a box of their own, added to the status bar once: the bar's own
    // removeWidget hides the widget after the one removed (in the Qt this is built with),
    // which was the caret status whenever a slow job's pane went away.
    QWidget* job_box_ = nullptr;
    std::vector<QLabel*> job_panes_;
};

}  // namespace tessel
