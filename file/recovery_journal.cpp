// The recovery journal's file: writing frames, reading them back, finding orphaned journals.
#include "file/recovery_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

#include "text/edit_history.h"

namespace tessel {

namespace {

constexpr std::string_view kMagic = "tessel recovery journal 1\n";
// Edits waiting in memory beyond this are written at once, whatever the timer says.
constexpr size_t kWriteThrough = 4u << 20;
// No frame is larger than the largest text a document holds, with its positions.
constexpr uint32_t kMaxFrame = 0x7FFFFFF0u;

// FNV-1a: it only has to tell a torn or garbled frame from a whole one. Taken piece by piece,
// so a large change is summed where it lies.
class Checksum {
public:
    void add(std::string_view bytes) {
        for (unsigned char c : bytes) h_ = (h_ ^ c) * 16777619u;
    }
    uint32_t value() const { return h_; }

private:
    uint32_t h_ = 2166136261u;
};

uint32_t checksum(std::string_view bytes) {
    Checksum sum;
    sum.add(bytes);
    return sum.value();
}

void put_u32(std::string& out, uint32_t v) {
    char b[4];
    std::memcpy(b, &v, 4);
    out.append(b, 4);
}
void put_i64(std::string& out, int64_t v) {
    char b[8];
    std::memcpy(b, &v, 8);
    out.append(b, 8);
}
void put_text(std::string& out, std::string_view text) {
    put_u32(out, static_cast<uint32_t>(text.size()));
    out.append(text);
}

void append_frame(std::string& out, std::string_view payload) {
    put_u32(out, static_cast<uint32_t>(payload.size()));
    put_u32(out, checksum(payload));
    out.append(payload);
}

// Reads the fields of a payload in order; any read past its end marks it bad.
class PayloadReader {
public:
    explicit PayloadReader(std::string_view bytes) : bytes_(bytes) {}
    uint32_t u32() {
        uint32_t v = 0;
        if (!take(&v, 4)) return 0;
        return v;
    }
    int64_t i64() {
        int64_t v = 0;
        if (!take(&v, 8)) return 0;
        return v;
    }
    std::string text() {
        const uint32_t n = u32();
        if (!ok_ || n > bytes_.size() - at_) {
            ok_ = false;
            return {};
        }
        std::string t(bytes_.substr(at_, n));
        at_ += n;
        return t;
    }
    bool ok() const { return ok_; }
    bool done() const { return ok_ && at_ == bytes_.size(); }

private:
    bool take(void* v, size_t n) {
        if (!ok_ || n > bytes_.size() - at_) {
            ok_ = false;
            return false;
        }
        std::memcpy(v, bytes_.data() + at_, n);
        at_ += n;
        return true;
    }
    std::string_view bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

std::string header_payload(const JournalBase& base) {
    std::string out;
    put_text(out, base.path);
    put_text(out, base.extension);
    put_i64(out, base.encoding);
    put_i64(out, base.size);
    put_i64(out, base.mtime_ns);
    put_i64(out, base.created);
    return out;
}

std::optional<JournalBase> read_header(std::string_view payload) {
    PayloadReader in(payload);
    JournalBase base;
    base.path = in.text();
    base.extension = in.text();
    base.encoding = static_cast<EncodingId>(in.i64());
    base.size = in.i64();
    base.mtime_ns = in.i64();
    base.created = in.i64();
    if (!in.done() || base.encoding < 0 || base.encoding >= kEncodingCount) return std::nullopt;
    return base;
}

std::optional<JournalEdit> read_edit(std::string_view payload) {
    PayloadReader in(payload);
    JournalEdit edit;
    const uint32_t count = in.u32();
    if (!in.ok() || count == 0 || count > payload.size() / 4) return std::nullopt;
    edit.positions.resize(count);
    for (int32_t& p : edit.positions) p = static_cast<int32_t>(in.u32());
    edit.delete_count = static_cast<int32_t>(in.u32());
    const uint32_t texts = in.u32();
    if (!in.ok() || (texts != 1 && texts != count)) return std::nullopt;
    for (uint32_t i = 0; i < texts && in.ok(); ++i) edit.texts.push_back(in.text());
    if (!in.done()) return std::nullopt;
    return edit;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool read_whole(const std::string& file, std::string* out) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    char block[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        out->append(block, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool make_folders(const std::string& folder) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::string base_name(const JournalBase& base) {
    if (base.untitled()) return "untitled";
    const size_t slash = base.path.rfind('/');
    std::string name = slash == std::string::npos ? base.path : base.path.substr(slash + 1);
    // Only characters that are safe in any file name and do not make it hidden.
    for (char& c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_'))
            c = '_';
    if (name.empty() || name[0] == '.') name.insert(name.begin(), '_');
    return name.substr(0, 64);
}

}  // namespace

std::string recovery_folder() {
    if (const char* dir = std::getenv("TESSEL_STATE_DIR"); dir && *dir) return dir;
    // A relative XDG_STATE_HOME is invalid and ignored, as the base directory rules say.
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        return std::string(state) + "/tessel/recovery";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::string(home) + "/.local/state/tessel/recovery";
    return {};
}

JournalBase file_base(const std::string& path, EncodingId encoding) {
    JournalBase base;
    base.path = path;
    base.encoding = encoding;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        base.size = st.st_size;
        base.mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    }
    return base;
}

std::optional<StoredJournal> read_journal(const std::string& file) {
    std::string bytes;
    if (!read_whole(file, &bytes) || !std::string_view(bytes).starts_with(kMagic)) return std::nullopt;
    StoredJournal journal;
    journal.file = file;
    std::string_view rest = std::string_view(bytes).substr(kMagic.size());
    bool header = true;
    while (rest.size() >= 8) {
        uint32_t length, sum;
        std::memcpy(&length, rest.data(), 4);
        std::memcpy(&sum, rest.data() + 4, 4);
        if (length > rest.size() - 8) break;  // cut off by the kill
        const std::string_view payload = rest.substr(8, length);
        if (checksum(payload) != sum) break;
        rest.remove_prefix(8 + static_cast<size_t>(length));
        if (header) {
            std::optional<JournalBase> base = read_header(payload);
            if (!base) return std::nullopt;
            journal.base = std::move(*base);
            header = false;
            continue;
        }
        std::optional<JournalEdit> edit = read_edit(payload);
        if (!edit) break;
        journal.edits.push_back(std::move(*edit));
    }
    if (header) return std::nullopt;
    struct stat st;
    if (::stat(file.c_str(), &st) == 0) journal.modified = st.st_mtime;
    return journal;
}

std::optional<JournalBase> read_journal_base(const std::string& file) {
    // The header frame is a path and a few numbers: it fits the first block.
    std::string bytes(16 * 1024, '\0');
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    const ssize_t n = ::read(fd, bytes.data(), bytes.size());
    ::close(fd);
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    std::string_view rest = bytes;
    if (!rest.starts_with(kMagic) || rest.size() < kMagic.size() + 8) return std::nullopt;
    rest.remove_prefix(kMagic.size());
    uint32_t length, sum;
    std::memcpy(&length, rest.data(), 4);
    std::memcpy(&sum, rest.data() + 4, 4);
    if (length > rest.size() - 8 || checksum(rest.substr(8, length)) != sum) return std::nullopt;
    return read_header(rest.substr(8, length));
}

std::vector<StoredJournal> recoverable_journals(
    const std::string& folder, const std::function<bool(const JournalBase&)>& wanted) {
    std::vector<StoredJournal> found;
    if (folder.empty()) return found;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.ends_with(".journal")) continue;
        const std::string file = folder + "/" + std::string(name);
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        // A running editor holds its journal locked.
        if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
            // Only the header is read to choose: another document's journal may be large.
            const std::optional<JournalBase> base = read_journal_base(file);
            if (!base) {
                ::unlink(file.c_str());
            } else if (!wanted || wanted(*base)) {
                std::optional<StoredJournal> journal = read_journal(file);
                if (journal && !journal->edits.empty()) found.push_back(std::move(*journal));
                else ::unlink(file.c_str());
            }
        }
        ::close(fd);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const StoredJournal& a, const StoredJournal& b) {
        return a.modified != b.modified ? a.modified > b.modified : a.file > b.file;
    });
    return found;
}

std::string recoverable_listing(const std::vector<StoredJournal>& journals) {
    if (journals.empty()) return "No unsaved changes to recover.\n";
    std::string out = "Unsaved changes that Tessel can recover:\n";
    for (const StoredJournal& journal : journals) {
        char when[32] = "";
        const time_t at = static_cast<time_t>(journal.modified);
        struct tm local {};
        if (localtime_r(&at, &local)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
        const size_t n = journal.edits.size();
        out += "  " + (journal.base.untitled() ? "Untitled." + journal.base.extension : journal.base.path);
        out += ": " + std::to_string(n) + (n == 1 ? " change" : " changes") + ", last at " + when;
        out += journal.base.untitled() ? " (start Tessel without a file to recover them)\n"
                                       : " (open the file in Tessel to recover them)\n";
    }
    return out;
}

size_t replay_journal(const std::vector<JournalEdit>& edits, TextDocument& document) {
    size_t applied = 0;
    for (const JournalEdit& edit : edits) {
        bool ok;
        if (edit.texts.size() == 1) {
            ok = document.replace_multi(edit.positions, edit.delete_count, edit.texts[0]);
        } else {
            // Each position its own text (an undone Replace All): from the last position
            // back, so the earlier positions stay where they were.
            ok = true;
            for (size_t i = edit.positions.size(); i-- > 0 && ok;)
                ok = document.replace(edit.texts[i], edit.positions[i], edit.delete_count);
        }
        if (!ok) break;
        ++applied;
    }
    return applied;
}

RecoveryJournal::RecoveryJournal(std::string folder) : folder_(std::move(folder)) {}

RecoveryJournal::~RecoveryJournal() {
    // The program ends with the document's edits unsaved only after the user agreed to drop
    // them, which discarded the journal first; otherwise (a signal, the display gone) the
    // journal is kept for the next start.
    if (pending()) flush();
    close_file(false);
}

void RecoveryJournal::start(JournalBase base) {
    close_file(true);
    buffer_.clear();
    failed_ = false;
    base_ = std::move(base);
}

void RecoveryJournal::discard() {
    close_file(true);
    buffer_.clear();
    base_.reset();
}

void RecoveryJournal::applied(std::span<const TextPos> positions, int32_t delete_count,
                              std::span<const std::string_view> texts) {
    if (!base_ || failed_ || folder_.empty()) return;
    std::string head;
    put_u32(head, static_cast<uint32_t>(positions.size()));
    for (TextPos p : positions) put_u32(head, static_cast<uint32_t>(p));
    put_u32(head, static_cast<uint32_t>(delete_count));
    put_u32(head, static_cast<uint32_t>(texts.size()));
    uint64_t size = head.size();
    for (std::string_view t : texts) size += 4 + t.size();
    if (size > kMaxFrame) {
        failed_ = true;
        return;
    }
    if (size < kWriteThrough) {
        std::string payload = std::move(head);
        for (std::string_view t : texts) put_text(payload, t);
        append_frame(buffer_, payload);
        if (buffer_.size() >= kWriteThrough) flush();
        return;
    }
    // A large change (a paste, an indent of the whole text) goes to the file at once, from
    // where its text lies, without a copy in memory.
    if (!flush() || (fd_ < 0 && !open_file())) {
        failed_ = true;
        return;
    }
    Checksum sum;
    sum.add(head);
    std::vector<std::string> lengths;
    for (std::string_view t : texts) {
        std::string length;
        put_u32(length, static_cast<uint32_t>(t.size()));
        sum.add(length);
        sum.add(t);
        lengths.push_back(std::move(length));
    }
    std::string frame;
    put_u32(frame, static_cast<uint32_t>(size));
    put_u32(frame, sum.value());
    bool written = write_all(fd_, frame) && write_all(fd_, head);
    for (size_t i = 0; written && i < texts.size(); ++i)
        written = write_all(fd_, lengths[i]) && write_all(fd_, texts[i]);
    if (!written || ::fdatasync(fd_) != 0) failed_ = true;
}

bool RecoveryJournal::tick(double now_ms, bool long_job) {
    if (buffer_.empty()) {
        seen_size_ = 0;
        return !failed_;
    }
    if (buffer_.size() != seen_size_) {
        seen_size_ = buffer_.size();
        seen_at_ = now_ms;
    }
    if (long_job || now_ms - seen_at_ >= 1000) return flush();
    return true;
}

bool RecoveryJournal::flush() {
    if (buffer_.empty()) return !failed_;
    if (failed_ || !base_ || (fd_ < 0 && !open_file())) {
        failed_ = true;
        buffer_.clear();
        return false;
    }
    // The bytes reach the kernel at once (a killed process loses nothing written); the disk
    // follows, so a power loss costs at most the last pause's edits.
    if (!write_all(fd_, buffer_) || ::fdatasync(fd_) != 0) {
        failed_ = true;
        buffer_.clear();
        return false;
    }
    buffer_.clear();
    seen_size_ = 0;
    return true;
}

bool RecoveryJournal::open_file() {
    if (!make_folders(folder_)) return false;
    if (base_->created == 0) base_->created = static_cast<int64_t>(::time(nullptr));
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::to_chars_result r = std::to_chars(suffix, suffix + sizeof suffix - 1, random() % 1'000'000'000u);
        *r.ptr = '\0';
        const std::string file = folder_ + "/" + base_name(*base_) + "-" + suffix + ".journal";
        // Written and locked under another name first, so that no other editor ever sees a
        // journal without its header or its lock.
        const std::string fresh = file + ".new";
        const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        ::flock(fd, LOCK_EX | LOCK_NB);
        std::string head(kMagic);
        append_frame(head, header_payload(*base_));
        struct stat st;
        if (!write_all(fd, head) || ::stat(file.c_str(), &st) == 0 ||
            ::rename(fresh.c_str(), file.c_str()) != 0) {
            ::close(fd);
            ::unlink(fresh.c_str());
            continue;
        }
        fd_ = fd;
        file_ = file;
        return true;
    }
    return false;
}

void RecoveryJournal::close_file(bool remove) {
    if (fd_ < 0) return;
    if (remove) ::unlink(file_.c_str());
    ::close(fd_);
    fd_ = -1;
    file_.clear();
}

}  // namespace tessel
