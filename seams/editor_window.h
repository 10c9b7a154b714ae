// EditorWindow: what the editor asks of its main window. Every call comes on the UI thread
// holding the application lock; the GUI implements it with widgets, tests record the calls.
#pragma once

#include <string>
#include <vector>

namespace tessel {

struct ParseResult;
class SettingsStore;
struct StatusPane;

class EditorWindow {
public:
    virtual ~EditorWindow() = default;
    virtual void set_title(const std::string& title) = 0;
    // A parse without errors: the tree view and the browsers show the new tree (the views of
    // the old one were dropped just before).
    virtual void show_tree(ParseResult& result) = 0;
    // A parse with errors: the warnings pane shows them; the old tree stays.
    virtual void show_diagnostics(ParseResult& result) = 0;
    // Before a new tree comes in: the views built on the old one go.
    virtual void drop_views() = 0;
    // A new or reloaded document: the tree, the warnings and the views are emptied.
    virtual void clear_document_views() = 0;
    // The text of the "Stat" pane.
    virtual void show_stat(const std::string& text) = 0;
    virtual void set_busy_cursor(bool busy) = 0;
    // The status bar's job panes, after the message pane.
    virtual void show_job_panes(const std::vector<StatusPane>& panes) = 0;
    // The recent file list changed: the File menu's section is built again.
    virtual void recent_files_changed() = 0;
    // At exit: the window placement and the pane layout under "Frame", and every dialog's
    // settings.
    virtual void save_layout(SettingsStore& store) = 0;
    // Ends the event loop; the window closes without asking again.
    virtual void quit() = 0;
};

}  // namespace tessel
