// SettingsStore: the per-user store of options, window layout, histories and lists, kept as a
// tree of keys with typed values in an SQLite database. Code that persists something pushes
// the keys it needs, reads or writes values of the top key, and pops again (SettingsKey does
// both ends). Every read takes a default that stays when the value cannot be used, so a fresh
// installation, or one whose database is lost, runs on built-in defaults.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tessel {

class SettingsStore {
public:
    // The application's key below "software", pieces separated by ','.
    static constexpr const char* kApplicationKey = "Brightfold,Tessel 2";
    static constexpr const char* kRootKey = "software";
    // Longer string values are not read (the default stays): no setting is that long, so
    // such a value is damage, and a cut-off path would be worse than none.
    static constexpr size_t kMaxStringBytes = 10000;
    // How long a write waits for another running instance to finish its own.
    static constexpr int kBusyTimeoutMs = 5000;

    // Opens the database at default_path().
    SettingsStore();
    // Opens (creating it and its folder when missing) the database at path. A database
    // that is not one, or not ours, is renamed aside and a fresh one made; when no database
    // can be had the store runs with an empty stack: reads keep defaults, writes are skipped.
    explicit SettingsStore(std::string path);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $TESSEL_CONFIG_DIR/registry.sqlite, else $XDG_CONFIG_HOME/tessel/registry.sqlite, else
    // ~/.config/tessel/registry.sqlite; empty when not even a home folder is known.
    static std::string default_path();
    // The version of the SQLite library the store runs on ("3.40.1"), for "About Tessel".
    static std::string engine_version();

    // Opens the subkey name of the top key, creating it when missing. When neither works
    // (no database, no top key, the database refuses) the failure depth rises instead and
    // nothing is pushed. An empty name stands for the top key itself.
    void push(std::string_view name);
    // Undoes the latest push: lowers the failure depth when it is above 0, otherwise removes
    // the top key unless only "software" is left.
    void pop();

    // Reads leave value unchanged and answer false when the stack is empty, the failure
    // depth is above 0, or the value is missing or of the other type. The empty name is the
    // key's unnamed value.
    bool read_int(std::string_view name, int32_t& value);
    // Any non-zero integer is true.
    bool read_bool(std::string_view name, bool& value);
    bool read_string(std::string_view name, std::string& text);
    // Writes are skipped (false) when the stack is empty or the failure depth is above 0, and
    // answer false when the database refused them. Each is its own transaction.
    bool write_int(int32_t value, std::string_view name);
    bool write_bool(bool value, std::string_view name) { return write_int(value ? 1 : 0, name); }
    bool write_string(std::string_view text, std::string_view name);
    bool delete_value(std::string_view name);

    const std::string& path() const { return path_; }
    bool is_open() const { return db_ != nullptr; }
    // Where an unusable database was moved when this store opened; empty when none was.
    const std::string& moved_aside_to() const { return moved_aside_to_; }
    // Keys on the stack, "software" included.
    int32_t depth() const { return static_cast<int32_t>(stack_.size()); }
    int32_t failure_depth() const { return failure_depth_; }

private:
    enum class OpenResult { ok, unusable, unavailable };
    enum ValueType : int32_t { kInteger = 1, kString = 2 };

    OpenResult open_database();
    void close_database();
    bool move_aside();
    bool find_key(int64_t parent, std::string_view name, int64_t& id);
    bool open_key(int64_t parent, std::string_view name, int64_t& id);
    bool usable() const { return !stack_.empty() && failure_depth_ == 0; }
    // Steps the value query for name in the top key: true with a row in read_value_.
    bool query_value(std::string_view name);
    bool write_value(std::string_view name, ValueType type, int32_t number, std::string_view text);

    std::string path_;
    std::string moved_aside_to_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* find_key_ = nullptr;
    sqlite3_stmt* insert_key_ = nullptr;
    sqlite3_stmt* read_value_ = nullptr;
    sqlite3_stmt* write_value_ = nullptr;
    sqlite3_stmt* delete_value_ = nullptr;
    // Ids of the open keys, "software" first.
    std::vector<int64_t> stack_;
    int32_t failure_depth_ = 0;
};

// Pushes one key, or each piece of a path split at a separator, and pops them all when it
// goes out of scope, also when an exception passes.
class SettingsKey {
public:
    SettingsKey(SettingsStore& store, std::string_view name);
    SettingsKey(SettingsStore& store, std::string_view path, char separator);
    ~SettingsKey();
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

private:
    SettingsStore& store_;
    int32_t pushed_ = 0;
};

}  // namespace tessel
