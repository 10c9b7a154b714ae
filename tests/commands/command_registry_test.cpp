// The command registry: finding and executing handlers, jobs, deferred reparse, toggles and
// choice groups, key presses, the update tick and the status message.
#include <gtest/gtest.h>

#include <stdexcept>

#include "commands/command_registry.h"
#include "commands/command_table.h"
#include "tests/commands/command_fakes.h"

namespace tessel {
namespace {

struct Registry : ::testing::Test {
    double now = 0;
    RecordingRunner runner;
    RecordingView view;
    CommandRegistry registry{&runner, [this] { return now; }};
    std::vector<std::string> ran;  // "name:argument" of every handler run on this thread

    void SetUp() override { registry.set_view(&view); }

    // A handler that answers *can and records its runs.
    HandlerFunction handler(std::string label, const bool* can) {
        return [this, label, can](std::string_view argument, bool query) {
            if (query) return *can;
            ran.push_back(label + ":" + std::string(argument));
            return true;
        };
    }
    size_t index_of(std::string_view name) {
        for (size_t i = 0; i < registry.items().size(); ++i) {
            if (registry.items()[i].name == name) return i;
        }
        ADD_FAILURE() << name;
        return 0;
    }
};

const bool yes = true;
const bool no = false;

TEST_F(Registry, FirstHandlerThatCanRunIsTheOneThatRuns) {
    int editor = 0, table = 0;
    bool editor_can = false;
    registry.register_handler("copy", &editor, handler("editor", &editor_can));
    registry.register_handler("&Copy", &table, handler("table", &yes));
    EXPECT_TRUE(registry.execute("copy", "x"));
    editor_can = true;
    EXPECT_TRUE(registry.execute("Copy", ""));
    EXPECT_EQ(ran, (std::vector<std::string>{"table:x", "editor:"}));

    // A component that goes takes its handlers along.
    registry.remove_handlers(&editor);
    ASSERT_EQ(registry.handlers().size(), 1u);
    EXPECT_EQ(registry.find_enabled_handler("copy")->owner, &table);

    // Handlers that all answer no, or none at all: nothing runs.
    ran.clear();
    registry.register_handler("paste", &editor, handler("paste", &no));
    EXPECT_FALSE(registry.execute("paste", ""));
    EXPECT_FALSE(registry.execute("missing", ""));
    registry.post_command("paste", "");
    EXPECT_TRUE(ran.empty());
    EXPECT_TRUE(runner.jobs.empty());
}

TEST_F(Registry, WorkerCommandsBecomeJobsOthersRunHereUnderTheirName) {
    bool open_can = false;
    registry.register_handler("open", nullptr, handler("open", &open_can), "load");
    std::string seen;
    registry.register_handler("tabs", nullptr, [&](std::string_view, bool query) {
        if (!query) seen = registry.current_command();
        return true;
    });

    EXPECT_FALSE(registry.execute("open", "a.xml"));
    EXPECT_TRUE(runner.jobs.empty());
    open_can = true;
    EXPECT_TRUE(registry.execute("open", "a.xml"));
    ASSERT_EQ(runner.jobs.size(), 1u);
    EXPECT_EQ(runner.jobs[0].worker, "load");
    EXPECT_EQ(runner.jobs[0].argument, "a.xml");
    EXPECT_TRUE(ran.empty());  // not run on the caller
    runner.jobs[0].handler("a.xml", false);
    EXPECT_EQ(ran, std::vector<std::string>{"open:a.xml"});

    registry.execute("tabs", "");
    EXPECT_EQ(seen, "tabs");
    EXPECT_EQ(registry.current_command(), "");

    // A command run from inside another restores the outer name; a throw restores it too.
    registry.register_handler("outer", nullptr, [&](std::string_view, bool query) {
        if (query) return true;
        registry.execute("tabs", "");
        seen += "," + registry.current_command();
        throw std::runtime_error("failed");
    });
    EXPECT_THROW(registry.execute("outer", ""), std::runtime_error);
    EXPECT_EQ(seen, "tabs,outer");
    EXPECT_EQ(registry.current_command(), "");
}

TEST_F(Registry, HandlerMayRemoveHandlersWhileItRuns) {
    int dialog = 0;
    registry.register_handler("cancel", &dialog, [&](std::string_view argument, bool query) {
        if (query) return true;
        registry.remove_handlers(&dialog);  // frees the handler being run
        ran.push_back("cancel:" + std::string(argument));
        return true;
    });
    for (int i = 0; i < 8; ++i) registry.register_handler("other", &dialog, handler("o", &yes));
    EXPECT_TRUE(registry.execute("cancel", "now"));
    EXPECT_EQ(ran, std::vector<std::string>{"cancel:now"});
    EXPECT_TRUE(registry.handlers().empty());
}

TEST_F(Registry, ReparseRequestsWithinOneTickMakeOneRunWithTheLaterArgument) {
    bool can_parse = true;
    registry.register_handler("reparse", nullptr, handler("reparse", &can_parse), "parse");
    registry.post_command("reparse", "y");
    registry.post_command("reparse", "");
    registry.post_command("Reparse", "later");
    EXPECT_TRUE(runner.jobs.empty());
    EXPECT_TRUE(registry.reparse_pending());
    now = 50;
    registry.tick();
    ASSERT_EQ(runner.jobs.size(), 1u);
    EXPECT_EQ(runner.jobs[0].worker, "parse");
    EXPECT_EQ(runner.jobs[0].argument, "later");
    EXPECT_FALSE(registry.reparse_pending());
    now = 100;
    registry.tick();
    EXPECT_EQ(runner.jobs.size(), 1u);

    // While parsing is blocked the request waits, and runs once parsing can.
    registry.post_command("reparse", "y");
    can_parse = false;
    now = 150;
    registry.tick();
    EXPECT_EQ(runner.jobs.size(), 1u);
    EXPECT_TRUE(registry.reparse_pending());
    can_parse = true;
    now = 200;
    registry.tick();
    ASSERT_EQ(runner.jobs.size(), 2u);
    EXPECT_EQ(runner.jobs[1].argument, "y");
}

TEST_F(Registry, ModalDialogLeavesOnlyCancelAndReparse) {
    register_command_items(registry);
    for (const CommandInfo& info : command_table()) {
        registry.register_handler(info.name, nullptr, handler(std::string(info.name), &yes));
    }
    registry.set_main_window_enabled(false);
    EXPECT_TRUE(registry.key_press({kKeyF1 + 6, kModifierNone, 0}));  // F7
    EXPECT_TRUE(registry.key_press({kKeyEscape, kModifierNone, 0}));  // Esc
    EXPECT_FALSE(registry.key_press({kKeyCharacter, kModifierCtrl, 'C'}));
    EXPECT_FALSE(registry.key_press({kKeyF1 + 1, kModifierNone, 0}));  // F2
    registry.choose_item(index_of("save"));
    registry.post_command("tabs", "");
    EXPECT_EQ(ran, (std::vector<std::string>{"reparse:", "cancel:"}));

    registry.set_main_window_enabled(true);
    EXPECT_TRUE(registry.key_press({kKeyCharacter, kModifierCtrl, 'c'}));
    EXPECT_TRUE(registry.key_press({kKeyUp, kModifierAlt, 0}));
    EXPECT_FALSE(registry.key_press({kKeyUp, kModifierNone, 0}));
    EXPECT_EQ(ran.back(), "drill_up:");
    EXPECT_EQ(ran[ran.size() - 2], "copy:");
}

TEST_F(Registry, KeyPressRunsTheFirstMatchingItemWithAnEnabledHandler) {
    size_t a = registry.register_item("&Alpha", "", -1, "Ctrl+K", CommandKind::plain);
    registry.register_item("&Beta", "", -1, "Ctrl+K", CommandKind::plain);
    registry.item(a).argument = "ignored";
    registry.register_handler("alpha", nullptr, handler("alpha", &no));
    registry.register_handler("beta", nullptr, handler("beta", &yes));
    EXPECT_TRUE(registry.key_press({kKeyCharacter, kModifierCtrl, 'K'}));
    registry.register_handler("alpha", nullptr, handler("alpha", &yes));
    EXPECT_TRUE(registry.key_press({kKeyCharacter, kModifierCtrl, 'K'}));
    EXPECT_EQ(ran, (std::vector<std::string>{"beta:", "alpha:"}));
}

TEST_F(Registry, TogglesUpdateValueVariableCheckMarkAndArgument) {
    size_t item = registry.register_item("&Line numbers", "", -1, "", CommandKind::toggle);
    int32_t shown = 1;  // read from the settings before the menus exist
    registry.bind("line_numbers", &shown);
    EXPECT_EQ(registry.items()[item].value, 1);
    registry.register_handler("line_numbers", nullptr, handler("lines", &yes));

    registry.choose_item(item);
    EXPECT_EQ(registry.items()[item].value, 0);
    EXPECT_EQ(shown, 0);
    registry.choose_item(item);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(ran, (std::vector<std::string>{"lines:false", "lines:true"}));
    EXPECT_EQ(view.checks, (std::vector<std::pair<size_t, bool>>{{item, false}, {item, true}}));
    EXPECT_EQ(view.redraws, 2);

    registry.set_toggle("Line numbers", 0);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(view.checks.back(), std::make_pair(item, false));
    EXPECT_EQ(ran.size(), 2u);  // setting is not choosing

    // Without an enabled handler choosing changes nothing.
    registry.remove_handlers(nullptr);
    registry.choose_item(item);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(ran.size(), 2u);
}

TEST_F(Registry, ChoiceGroupKeepsOneEntryChecked) {
    size_t xml = registry.register_choice("Language", "XML", "xml", "");
    size_t json = registry.register_choice("Language", "JSON", "json", "");
    size_t text = registry.register_choice("Language", "Plain Text", "text", "");
    registry.register_handler("language", nullptr, handler("language", &yes));
    EXPECT_EQ(registry.items()[json].name, "language");

    registry.set_choice("language", "xml");
    EXPECT_EQ(registry.items()[xml].value, 1);
    view.checks.clear();
    registry.choose_item(json);
    EXPECT_EQ(registry.choice_value("language"), "json");
    EXPECT_EQ(registry.items()[xml].value, 0);
    EXPECT_EQ(registry.items()[json].value, 1);
    EXPECT_EQ(registry.items()[text].value, 0);
    EXPECT_EQ(view.checks, (std::vector<std::pair<size_t, bool>>{{xml, false}, {json, true}}));
    EXPECT_EQ(ran, std::vector<std::string>{"language:json"});

    // An entry registered later shows whether it is the chosen one.
    size_t again = registry.register_choice("Language", "JSON (2)", "json", "");
    EXPECT_EQ(registry.items()[again].value, 1);
}

TEST_F(Registry, TickReportsEnabledStatesAndChangesOnlyWhenTheSetChanges) {
    size_t save = registry.register_item("&Save", "", 2, "Ctrl+S", CommandKind::plain);
    size_t undo = registry.register_item("&Undo", "", 7, "Ctrl+Z", CommandKind::plain);
    size_t stat = registry.register_item("Stat", "", -1, "", CommandKind::toggle);
    registry.item(stat).pane = true;
    int queries = 0;
    bool can_save = true;
    registry.register_handler("save", nullptr, [&](std::string_view, bool query) {
        queries += query;
        return can_save;
    });
    registry.register_handler("undo", nullptr, handler("undo", &no));

    registry.tick();
    EXPECT_EQ(view.enabled, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(view.changes, 1);
    EXPECT_TRUE(registry.item_enabled(save));
    EXPECT_FALSE(registry.item_enabled(undo));

    registry.tick();  // the clock has not moved: nothing is queried
    EXPECT_EQ(queries, 1);
    EXPECT_EQ(view.shows, 1);

    now = 50;
    registry.tick();
    EXPECT_EQ(view.shows, 2);
    EXPECT_EQ(view.changes, 1);  // same set

    can_save = false;
    view.visible_pane = "stat";
    now = 100;
    registry.tick();
    EXPECT_EQ(view.changes, 2);
    EXPECT_FALSE(registry.item_enabled(save));
    ASSERT_FALSE(registry.handlers().empty());
    EXPECT_FALSE(registry.handlers()[0].enabled);
    EXPECT_EQ(registry.items()[stat].value, 1);  // checked after the pane
    EXPECT_EQ(view.checks.back(), std::make_pair(stat, true));
}

TEST_F(Registry, TickRedrawsTenTimesAndQuitsOnExit) {
    for (int i = 0; i < 12; ++i) {
        now += 50;
        registry.tick();
    }
    EXPECT_EQ(view.redraws, 10);
    int exits = 0;
    registry.set_exit_action([&] { ++exits; });
    registry.request_exit();
    int shows = view.shows;
    now += 50;
    registry.tick();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(view.shows, shows);  // no state update on the way out
    now += 50;
    registry.tick();
    EXPECT_EQ(exits, 1);
}

TEST_F(Registry, StatusMessageClearsTwoSecondsAfterItsLatestSetting) {
    RecordingLog log;
    registry.attach_message_log(&log);
    now = 1000;
    registry.set_status_message("Parsed 10 bytes in 1.00 milliseconds");
    now = 2500;
    registry.set_status_message("Indented in 2.00 milliseconds");
    EXPECT_EQ(view.status, "Indented in 2.00 milliseconds");
    now = 4400;  // 3400 after the first setting, 1900 after the second
    registry.tick();
    EXPECT_EQ(registry.status_message(), "Indented in 2.00 milliseconds");
    now = 4500;  // exactly 2000: not yet more
    registry.tick();
    EXPECT_EQ(view.status, "Indented in 2.00 milliseconds");
    now = 4501;
    registry.tick();
    EXPECT_EQ(view.status, "");
    EXPECT_EQ(registry.status_message(), "");
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[1], "Indented in 2.00 milliseconds");
}

}  // namespace
}  // namespace tessel
