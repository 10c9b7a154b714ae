// The settings store: first runs on defaults, typed reads, failed pushes and their pops,
// balanced keys under exceptions, damaged databases set aside, and two processes writing at
// once.
#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>

#include "tests/file_contents.h"
#include "tests/settings/settings_test_folder.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

// Runs SQL on the database file directly, as another program would.
void run_sql(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    int code = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    EXPECT_EQ(code, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

TEST(SettingsStore, FirstRunKeepsDefaultsAndFirstWriteCreatesTheKeyPath) {
    SettingsTestFolder folder;
    SettingsStore store(folder.database());
    ASSERT_TRUE(store.is_open());
    EXPECT_EQ(store.depth(), 1);  // "software"
    {
        SettingsKey app(store, SettingsStore::kApplicationKey, ',');
        EXPECT_EQ(store.depth(), 3);
        SettingsKey frame(store, "Frame");
        int32_t left = -1;
        bool bold = false;
        std::string face = "Arial";
        EXPECT_FALSE(store.read_int("left", left));
        EXPECT_FALSE(store.read_bool("bold", bold));
        EXPECT_FALSE(store.read_string("face", face));
        EXPECT_EQ(left, -1);
        EXPECT_FALSE(bold);
        EXPECT_EQ(face, "Arial");

        EXPECT_TRUE(store.write_int(-120, "left"));
        EXPECT_TRUE(store.write_bool(true, "maximized"));
        EXPECT_TRUE(store.write_string("DejaVu Sans Mono \xc3\xa9", "face"));
    }
    EXPECT_EQ(store.depth(), 1);

    // Another instance, while the first is still open, finds the values under
    // software › Brightfold › Tessel 2 › Frame and nowhere else.
    SettingsStore second(folder.database());
    int32_t left = 0;
    second.push("Brightfold");
    second.push("Tessel 2");
    EXPECT_FALSE(second.read_int("left", left));
    second.push("Frame");
    EXPECT_TRUE(second.read_int("left", left));
    EXPECT_EQ(left, -120);
    bool maximized = false;
    EXPECT_TRUE(second.read_bool("maximized", maximized));
    EXPECT_TRUE(maximized);
    std::string face;
    EXPECT_TRUE(second.read_string("face", face));
    EXPECT_EQ(face, "DejaVu Sans Mono \xc3\xa9");
    EXPECT_TRUE(second.delete_value("face"));
    face = "Arial";
    EXPECT_FALSE(store.read_string("face", face));
    EXPECT_EQ(face, "Arial");
}

// Sets environment variables for one test and puts the old values back.
class EnvironmentScope {
public:
    ~EnvironmentScope() {
        for (auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    void set(const char* name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(SettingsStore, DefaultPathFollowsTheConfigFolders) {
    EnvironmentScope environment;
    environment.set("TESSEL_CONFIG_DIR", "/tmp/tessel-x");
    environment.set("XDG_CONFIG_HOME", "/tmp/xdg");
    EXPECT_EQ(SettingsStore::default_path(), "/tmp/tessel-x/registry.sqlite");
    environment.set("TESSEL_CONFIG_DIR", nullptr);
    EXPECT_EQ(SettingsStore::default_path(), "/tmp/xdg/tessel/registry.sqlite");
    environment.set("XDG_CONFIG_HOME", "relative");  // not absolute: ignored
    environment.set("HOME", "/home/someone");
    EXPECT_EQ(SettingsStore::default_path(), "/home/someone/.config/tessel/registry.sqlite");
}

TEST(SettingsStore, ValueOfTheOtherTypeOrTooLongKeepsTheDefault) {
    SettingsTestFolder folder;
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    store.write_string("12", "size");
    store.write_int(5, "face");
    store.write_int(7, "bold");
    store.write_int(3, "");  // the unnamed value is a value of its own

    int32_t size = 12;
    EXPECT_FALSE(store.read_int("size", size));
    EXPECT_EQ(size, 12);
    std::string face = "Arial";
    EXPECT_FALSE(store.read_string("face", face));
    EXPECT_EQ(face, "Arial");
    bool bold = false;
    EXPECT_TRUE(store.read_bool("bold", bold));  // any non-zero is true
    EXPECT_TRUE(bold);
    int32_t unnamed = 0;
    EXPECT_TRUE(store.read_int("", unnamed));
    EXPECT_EQ(unnamed, 3);

    // Rewriting a value with the other type replaces it whole.
    store.write_string("x", "bold");
    EXPECT_FALSE(store.read_bool("bold", bold));

    std::string longest(SettingsStore::kMaxStringBytes, 'a');
    store.write_string(longest, "longest");
    store.write_string(longest + "a", "too_long");
    std::string text = "kept";
    EXPECT_TRUE(store.read_string("longest", text));
    EXPECT_EQ(text, longest);
    text = "kept";
    EXPECT_FALSE(store.read_string("too_long", text));
    EXPECT_EQ(text, "kept");

    // Extreme integers survive the round trip.
    store.write_int(INT32_MIN, "min");
    int32_t min = 0;
    EXPECT_TRUE(store.read_int("min", min));
    EXPECT_EQ(min, INT32_MIN);
}

TEST(SettingsStore, FailedPushIsUndoneByItsPopAlone) {
    SettingsTestFolder folder;
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    ASSERT_TRUE(store.write_int(1, "marker"));
    // Another program makes one key impossible to create.
    run_sql(folder.database(),
            "CREATE TRIGGER refuse BEFORE INSERT ON keys WHEN NEW.name = 'Forbidden' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;");

    store.push("Forbidden");
    EXPECT_EQ(store.failure_depth(), 1);
    EXPECT_EQ(store.depth(), 3);
    store.push("Below");  // nothing opens below a failed key
    EXPECT_EQ(store.failure_depth(), 2);
    int32_t marker = 0;
    EXPECT_FALSE(store.read_int("marker", marker));
    EXPECT_EQ(marker, 0);
    EXPECT_FALSE(store.write_int(2, "marker"));
    EXPECT_FALSE(store.delete_value("marker"));
    store.pop();
    store.pop();
    EXPECT_EQ(store.failure_depth(), 0);
    EXPECT_EQ(store.depth(), 3);
    // The application key is on top again and untouched by the skipped writes.
    EXPECT_TRUE(store.read_int("marker", marker));
    EXPECT_EQ(marker, 1);
    EXPECT_TRUE(store.write_int(3, "marker"));

    // Pops beyond the pushes never remove "software".
    for (int i = 0; i < 5; ++i) store.pop();
    EXPECT_EQ(store.depth(), 1);
    store.push("Brightfold");
    EXPECT_EQ(store.depth(), 2);
    store.pop();
}

TEST(SettingsStore, WithoutADatabaseReadsKeepDefaultsAndWritesAreSkipped) {
    SettingsTestFolder folder;
    fs::create_directories(folder.dir());
    std::ofstream(folder.dir() / "file") << "a file, not a folder";
    // The database's folder would have to be inside a regular file: it cannot be made.
    SettingsStore store((folder.dir() / "file" / "registry.sqlite").string());
    EXPECT_FALSE(store.is_open());
    EXPECT_EQ(store.depth(), 0);
    {
        SettingsKey app(store, SettingsStore::kApplicationKey, ',');
        EXPECT_EQ(store.failure_depth(), 2);
        EXPECT_FALSE(store.write_int(1, "x"));
        int32_t x = 7;
        EXPECT_FALSE(store.read_int("x", x));
        EXPECT_EQ(x, 7);
    }
    EXPECT_EQ(store.failure_depth(), 0);
    store.pop();  // harmless on an empty stack
    EXPECT_EQ(store.depth(), 0);
    EXPECT_EQ(test::file_contents((folder.dir() / "file").string()), "a file, not a folder");
}

TEST(SettingsStore, KeysArePoppedWhenAnExceptionPasses) {
    SettingsTestFolder folder;
    SettingsStore store(folder.database());
    try {
        SettingsKey app(store, SettingsStore::kApplicationKey, ',');
        SettingsKey key(store, "a,b,c", ',');
        EXPECT_EQ(store.depth(), 6);
        throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(store.depth(), 1);
    EXPECT_EQ(store.failure_depth(), 0);
}

TEST(SettingsStore, DamagedDatabaseIsSetAsideAndAFreshOneUsed) {
    SettingsTestFolder folder;
    fs::create_directories(folder.dir());
    std::string garbage(5000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7 + 3);
    std::ofstream(folder.database(), std::ios::binary) << garbage;
    std::ofstream(folder.database() + "-wal", std::ios::binary) << "stale journal";

    {
        SettingsStore store(folder.database());
        ASSERT_TRUE(store.is_open());
        ASSERT_FALSE(store.moved_aside_to().empty());
        EXPECT_EQ(test::file_contents(store.moved_aside_to()), garbage);
        SettingsKey app(store, SettingsStore::kApplicationKey, ',');
        int32_t size = 12;
        EXPECT_FALSE(store.read_int("size", size));
        EXPECT_EQ(size, 12);
        EXPECT_TRUE(store.write_int(14, "size"));
    }
    SettingsStore reopened(folder.database());
    EXPECT_TRUE(reopened.moved_aside_to().empty());
    SettingsKey app(reopened, SettingsStore::kApplicationKey, ',');
    int32_t size = 0;
    EXPECT_TRUE(reopened.read_int("size", size));
    EXPECT_EQ(size, 14);
}

TEST(SettingsStore, ForeignDatabaseIsSetAsideNotWrittenInto) {
    SettingsTestFolder folder;
    fs::create_directories(folder.dir());
    run_sql(folder.database(), "CREATE TABLE keys(x); INSERT INTO keys VALUES(42);");
    SettingsStore store(folder.database());
    ASSERT_TRUE(store.is_open());
    ASSERT_FALSE(store.moved_aside_to().empty());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    EXPECT_TRUE(store.write_int(1, "x"));

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.moved_aside_to().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT x FROM keys", -1, &statement, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), 42);
    EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

// Each child writes its own values through its own store into one fresh database (so the
// two also race to create the schema and the keys); a child exits 0 only when every write
// was accepted.
int write_in_child(const std::string& path, int child, int gate, int count) {
    char go = 0;
    if (read(gate, &go, 1) < 0) return 2;
    SettingsStore store(path);
    if (!store.is_open()) return 3;
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    SettingsKey key(store, "Concurrent");
    if (store.failure_depth() != 0) return 4;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        std::string name = std::to_string(child) + "_" + std::to_string(i);
        if (!store.write_int(child * 100000 + i, "i" + name)) ++failures;
        if (!store.write_string("text " + name, "s" + name)) ++failures;
    }
    return failures == 0 ? 0 : 1;
}

TEST(SettingsStore, TwoProcessesWritingAtOnceLoseNothing) {
    SettingsTestFolder folder;
    constexpr int kCount = 300;
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            close(gate[1]);
            _exit(write_in_child(folder.database(), child, gate[0], kCount));
        }
    }
    close(gate[0]);
    close(gate[1]);  // both children start now
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    SettingsStore store(folder.database());
    EXPECT_TRUE(store.moved_aside_to().empty());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    SettingsKey key(store, "Concurrent");
    int found = 0;
    for (int child = 0; child < 2; ++child) {
        for (int i = 0; i < kCount; ++i) {
            std::string name = std::to_string(child) + "_" + std::to_string(i);
            int32_t number = -1;
            std::string text;
            if (store.read_int("i" + name, number) && number == child * 100000 + i) ++found;
            if (store.read_string("s" + name, text) && text == "text " + name) ++found;
        }
    }
    EXPECT_EQ(found, 2 * 2 * kCount);
}

}  // namespace
}  // namespace tessel
