// The settings store over SQLite: keys are rows of a tree, values rows of their key.
#include "settings/settings_store.h"

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace tessel {

namespace {

namespace fs = std::filesystem;

// Marks the database as ours, so a foreign SQLite file at our path is never written into.
constexpr int32_t kApplicationId = 0x5473736c;  // "Tssl"
constexpr int32_t kSchemaVersion = 1;

// Keys form a tree by parent id ("software" has parent 0); the unique index serves the
// lookup of a child by name and keeps two instances from creating the same key twice.
// Values are typed so that a read of the other type can tell and keep its default.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY,"
    " parent INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS key_values("
    " key INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " type INTEGER NOT NULL CHECK(type IN (1, 2)),"
    " int_value INTEGER,"
    " text_value TEXT,"
    " PRIMARY KEY(key, name)) WITHOUT ROWID;";

// Resets a statement and drops its bindings when the operation using it ends.
class StatementUse {
public:
    explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
    ~StatementUse() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

private:
    sqlite3_stmt* statement_;
};

// The text stays alive until the statement is reset, so SQLite need not copy it. An empty
// view may have no data pointer, which SQLite would take for NULL.
bool bind_text(sqlite3_stmt* statement, int index, std::string_view text) {
    if (text.size() > static_cast<size_t>(INT_MAX)) return false;
    return sqlite3_bind_text(statement, index, text.empty() ? "" : text.data(),
                             static_cast<int>(text.size()), SQLITE_STATIC) == SQLITE_OK;
}

bool exec(sqlite3* db, const char* sql, int* code) {
    *code = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    return *code == SQLITE_OK;
}

// A single-row, single-integer query such as a pragma.
bool query_int(sqlite3* db, const char* sql, int64_t* value, int* code) {
    sqlite3_stmt* statement = nullptr;
    *code = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (*code != SQLITE_OK) return false;
    *code = sqlite3_step(statement);
    bool ok = *code == SQLITE_ROW;
    if (ok) {
        *value = sqlite3_column_int64(statement, 0);
        *code = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return ok;
}

// Damage and foreign files are set aside; anything else (a busy or full disk, a missing
// permission, no memory) may pass, so the file is left alone and the run goes on defaults.
bool is_damage(int code) {
    switch (code & 0xff) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_ERROR:  // tables or columns not as we made them
        case SQLITE_SCHEMA:
        case SQLITE_FORMAT:
            return true;
        default:
            return false;
    }
}

std::string timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

}  // namespace

SettingsStore::SettingsStore() : SettingsStore(default_path()) {}

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {
    if (path_.empty()) return;
    OpenResult result = open_database();
    if (result == OpenResult::unusable && move_aside()) result = open_database();
    if (result != OpenResult::ok) {
        close_database();
        return;
    }
    int64_t root = 0;
    if (open_key(0, kRootKey, root)) stack_.push_back(root);
}

SettingsStore::~SettingsStore() {
    close_database();
}

std::string SettingsStore::engine_version() { return sqlite3_libversion(); }

std::string SettingsStore::default_path() {
    const char* dir = std::getenv("TESSEL_CONFIG_DIR");
    if (dir && *dir) return std::string(dir) + "/registry.sqlite";
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/') return std::string(config) + "/tessel/registry.sqlite";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* entry = getpwuid(getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    if (!home || !*home) return {};
    return std::string(home) + "/.config/tessel/registry.sqlite";
}

SettingsStore::OpenResult SettingsStore::open_database() {
    std::error_code ec;
    const fs::path file(path_);
    const fs::path dir = file.parent_path();
    // The settings name files the user worked on, so a folder we make is the user's alone.
    if (!dir.empty() && !fs::is_directory(dir, ec)) {
        if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), ec);
        ::mkdir(dir.c_str(), 0700);
    }
    if (fs::exists(file, ec)) {
        if (!fs::is_regular_file(file, ec)) return OpenResult::unusable;
        if (::access(path_.c_str(), R_OK) != 0 && errno == EACCES) return OpenResult::unusable;
    }

    int code =
        sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (code != SQLITE_OK) return OpenResult::unavailable;
    // Two running instances take turns: a writer waits for the other's transaction instead
    // of failing, and in WAL mode readers never wait for writers.
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    if (!exec(db_, "PRAGMA journal_mode=WAL", &code)) {
        // Another instance switching the journal at the same moment is harmless: the mode
        // is kept in the file and applies to this connection from its next transaction.
        if ((code & 0xff) != SQLITE_BUSY && (code & 0xff) != SQLITE_LOCKED) {
            return is_damage(code) ? OpenResult::unusable : OpenResult::unavailable;
        }
    }
    // WAL with NORMAL sync survives a crash of the program; only a power cut can take the
    // last writes, and settings are not worth a disk flush per value.
    exec(db_, "PRAGMA synchronous=NORMAL", &code);

    {
        sqlite3_stmt* check = nullptr;
        code = sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &check, nullptr);
        if (code == SQLITE_OK) {
            code = sqlite3_step(check);
            const unsigned char* answer = sqlite3_column_text(check, 0);
            bool ok = code == SQLITE_ROW && answer &&
                      std::string_view(reinterpret_cast<const char*>(answer)) == "ok";
            sqlite3_finalize(check);
            if (code == SQLITE_ROW && !ok) return OpenResult::unusable;
            if (code == SQLITE_ROW) code = SQLITE_OK;
        }
        if (code != SQLITE_OK)
            return is_damage(code) ? OpenResult::unusable : OpenResult::unavailable;
    }

    // The schema is made under the write lock, so two first runs at once make it once.
    if (!exec(db_, "BEGIN IMMEDIATE", &code)) {
        return is_damage(code) ? OpenResult::unusable : OpenResult::unavailable;
    }
    int64_t application_id = 0;
    int64_t objects = 0;
    bool ok = query_int(db_, "PRAGMA application_id", &application_id, &code) &&
              query_int(db_, "SELECT count(*) FROM sqlite_schema", &objects, &code);
    bool ours = ok && application_id == kApplicationId;
    if (ok && application_id == 0 && objects == 0) {
        ok =
            exec(db_, kSchema, &code) &&
            exec(db_, ("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str(), &code) &&
            exec(db_, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str(), &code);
        ours = ok;
    }
    if (!ours) {
        int ignored = 0;
        exec(db_, "ROLLBACK", &ignored);
        if (ok) return OpenResult::unusable;  // a database of some other program
        return is_damage(code) ? OpenResult::unusable : OpenResult::unavailable;
    }
    if (!exec(db_, "COMMIT", &code)) {
        int ignored = 0;
        exec(db_, "ROLLBACK", &ignored);
        return is_damage(code) ? OpenResult::unusable : OpenResult::unavailable;
    }

    struct Prepared {
        sqlite3_stmt** statement;
        const char* sql;
    };
    const Prepared statements[] = {
        {&find_key_, "SELECT id FROM keys WHERE parent = ?1 AND name = ?2"},
        {&insert_key_, "INSERT OR IGNORE INTO keys(parent, name) VALUES(?1, ?2)"},
        {&read_value_,
         "SELECT type, int_value, text_value FROM key_values WHERE key = ?1 AND name = ?2"},
        {&write_value_,
         "INSERT OR REPLACE INTO key_values(key, name, type, int_value, text_value)"
         " VALUES(?1, ?2, ?3, ?4, ?5)"},
        {&delete_value_, "DELETE FROM key_values WHERE key = ?1 AND name = ?2"},
    };
    for (const Prepared& p : statements) {
        code = sqlite3_prepare_v3(db_, p.sql, -1, SQLITE_PREPARE_PERSISTENT, p.statement, nullptr);
        if (code != SQLITE_OK) {
            return is_damage(code) ? OpenResult::unusable : OpenResult::unavailable;
        }
    }
    return OpenResult::ok;
}

void SettingsStore::close_database() {
    for (sqlite3_stmt** statement :
         {&find_key_, &insert_key_, &read_value_, &write_value_, &delete_value_}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
    sqlite3_close(db_);
    db_ = nullptr;
    stack_.clear();
}

bool SettingsStore::move_aside() {
    close_database();
    const std::string base = path_ + ".corrupt-" + timestamp();
    std::string target = base;
    std::error_code ec;
    for (int n = 2; fs::exists(target, ec) || fs::is_symlink(target, ec); ++n) {
        target = base + "-" + std::to_string(n);
    }
    if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
    // A journal left beside the old file must not be replayed into the fresh one.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        std::string from = path_ + suffix;
        if (fs::exists(from, ec)) std::rename(from.c_str(), (target + suffix).c_str());
    }
    moved_aside_to_ = target;
    return true;
}

bool SettingsStore::find_key(int64_t parent, std::string_view name, int64_t& id) {
    StatementUse use(find_key_);
    if (sqlite3_bind_int64(find_key_, 1, parent) != SQLITE_OK) return false;
    if (!bind_text(find_key_, 2, name)) return false;
    if (sqlite3_step(find_key_) != SQLITE_ROW) return false;
    id = sqlite3_column_int64(find_key_, 0);
    return true;
}

bool SettingsStore::open_key(int64_t parent, std::string_view name, int64_t& id) {
    if (!db_) return false;
    if (find_key(parent, name, id)) return true;
    {
        // OR IGNORE: another instance may create the same key between our lookup and insert.
        StatementUse use(insert_key_);
        if (sqlite3_bind_int64(insert_key_, 1, parent) != SQLITE_OK) return false;
        if (!bind_text(insert_key_, 2, name)) return false;
        if (sqlite3_step(insert_key_) != SQLITE_DONE) return false;
    }
    return find_key(parent, name, id);
}

void SettingsStore::push(std::string_view name) {
    int64_t id = 0;
    if (failure_depth_ == 0 && !stack_.empty()) {
        if (name.empty()) {
            stack_.push_back(stack_.back());
            return;
        }
        if (open_key(stack_.back(), name, id)) {
            stack_.push_back(id);
            return;
        }
    }
    // Below a failed key nothing can be opened either; counting keeps push and pop paired.
    ++failure_depth_;
}

void SettingsStore::pop() {
    if (failure_depth_ > 0) {
        --failure_depth_;
    } else if (stack_.size() > 1) {
        stack_.pop_back();
    }
}

bool SettingsStore::query_value(std::string_view name) {
    if (sqlite3_bind_int64(read_value_, 1, stack_.back()) != SQLITE_OK) return false;
    if (!bind_text(read_value_, 2, name)) return false;
    return sqlite3_step(read_value_) == SQLITE_ROW;
}

bool SettingsStore::read_int(std::string_view name, int32_t& value) {
    if (!usable()) return false;
    StatementUse use(read_value_);
    if (!query_value(name)) return false;
    if (sqlite3_column_int(read_value_, 0) != kInteger) return false;
    if (sqlite3_column_type(read_value_, 1) != SQLITE_INTEGER) return false;
    int64_t stored = sqlite3_column_int64(read_value_, 1);
    if (stored < INT32_MIN || stored > INT32_MAX) return false;
    value = static_cast<int32_t>(stored);
    return true;
}

bool SettingsStore::read_bool(std::string_view name, bool& value) {
    int32_t number = 0;
    if (!read_int(name, number)) return false;
    value = number != 0;
    return true;
}

bool SettingsStore::read_string(std::string_view name, std::string& text) {
    if (!usable()) return false;
    StatementUse use(read_value_);
    if (!query_value(name)) return false;
    if (sqlite3_column_int(read_value_, 0) != kString) return false;
    if (sqlite3_column_type(read_value_, 2) != SQLITE_TEXT) return false;
    const unsigned char* stored = sqlite3_column_text(read_value_, 2);
    int bytes = sqlite3_column_bytes(read_value_, 2);
    if (!stored || bytes < 0 || static_cast<size_t>(bytes) > kMaxStringBytes) return false;
    text.assign(reinterpret_cast<const char*>(stored), static_cast<size_t>(bytes));
    return true;
}

bool SettingsStore::write_value(std::string_view name, ValueType type, int32_t number,
                                std::string_view text) {
    if (!usable()) return false;
    StatementUse use(write_value_);
    if (sqlite3_bind_int64(write_value_, 1, stack_.back()) != SQLITE_OK) return false;
    if (!bind_text(write_value_, 2, name)) return false;
    if (sqlite3_bind_int(write_value_, 3, type) != SQLITE_OK) return false;
    if (type == kInteger) {
        if (sqlite3_bind_int(write_value_, 4, number) != SQLITE_OK) return false;
    } else if (!bind_text(write_value_, 5, text)) {
        return false;
    }
    return sqlite3_step(write_value_) == SQLITE_DONE;
}

bool SettingsStore::write_int(int32_t value, std::string_view name) {
    return write_value(name, kInteger, value, {});
}

bool SettingsStore::write_string(std::string_view text, std::string_view name) {
    return write_value(name, kString, 0, text);
}

bool SettingsStore::delete_value(std::string_view name) {
    if (!usable()) return false;
    StatementUse use(delete_value_);
    if (sqlite3_bind_int64(delete_value_, 1, stack_.back()) != SQLITE_OK) return false;
    if (!bind_text(delete_value_, 2, name)) return false;
    return sqlite3_step(delete_value_) == SQLITE_DONE;
}

SettingsKey::SettingsKey(SettingsStore& store, std::string_view name) : store_(store) {
    store_.push(name);
    pushed_ = 1;
}

SettingsKey::SettingsKey(SettingsStore& store, std::string_view path, char separator)
    : store_(store) {
    size_t start = 0;
    while (true) {
        size_t end = path.find(separator, start);
        store_.push(path.substr(start, end == std::string_view::npos ? end : end - start));
        ++pushed_;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

SettingsKey::~SettingsKey() {
    for (int32_t i = 0; i < pushed_; ++i) store_.pop();
}

}  // namespace tessel
