// Writing document files through a temporary file, or in place for a file with several names,
// or directly for devices, FIFOs and descriptors.
#include "encoding/codecs.h"
#include "file/file_writer.h"
#include "file/save_leftovers.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "text/utf8_reader.h"

namespace tessel {

namespace {

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The descriptor a name stands for: /dev/fd/N, /proc/self/fd/N, or a chain of symbolic links
// that leads to one (/dev/stdout); -1 for any other name.
int descriptor_named(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        for (std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
            if (!at.starts_with(folder)) continue;
            const std::string_view digits = std::string_view(at).substr(folder.size());
            int n = -1;
            auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
            if (error == std::errc() && end == digits.data() + digits.size()) return n;
        }
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return -1;
        char link[PATH_MAX];
        const ssize_t n = ::readlink(at.c_str(), link, sizeof link);
        if (n <= 0 || static_cast<size_t>(n) == sizeof link) return -1;
        const std::string next(link, static_cast<size_t>(n));
        at = next.starts_with('/') ? next : folder_of(at) + "/" + next;
    }
    return -1;
}

// Copies the extended attributes of file from onto the open file to, where to's file system
// takes them and the user may set them (trusted.* needs privileges); what cannot be copied is
// left out. File capabilities are not copied: a write to a file clears them.
void copy_extended_attributes(const std::string& from, int to) {
    ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
    if (size <= 0) return;
    std::vector<char> names(static_cast<size_t>(size));
    size = ::listxattr(from.c_str(), names.data(), names.size());
    if (size <= 0) return;
    std::vector<char> value;
    for (const char* name = names.data(); name < names.data() + size;
         name += std::strlen(name) + 1) {
        if (std::strcmp(name, "security.capability") == 0) continue;
        ssize_t n = ::getxattr(from.c_str(), name, nullptr, 0);
        if (n < 0) continue;
        value.resize(static_cast<size_t>(n));
        n = ::getxattr(from.c_str(), name, value.data(), value.size());
        if (n < 0) continue;
        if (::fsetxattr(to, name, value.data(), static_cast<size_t>(n), 0) != 0) {
            // ENOTSUP, EPERM, ENOSPC: this attribute is not kept.
        }
    }
}

// Copies the whole characters of in[0..n) to out, leaving out stray bytes (and with last the
// bytes of a sequence the end cuts), but for the three bytes of a lone surrogate when
// surrogates are kept; stops before a sequence the end cuts otherwise. Returns the bytes
// consumed and sets *written.
size_t drop_stray_bytes(const char* in, size_t n, bool last, bool keep_surrogates, char* out,
                        size_t* written) {
    const uint8_t* const begin = reinterpret_cast<const uint8_t*>(in);
    const uint8_t* p = begin;
    const uint8_t* const end = begin + n;
    char* o = out;
    while (p < end) {
        const size_t run = ascii_run(p, static_cast<size_t>(end - p));
        std::memcpy(o, p, run);
        o += run;
        p += run;
        if (p == end) break;
        const size_t left = static_cast<size_t>(end - p);
        const Utf8Step step = read_utf8(p, left);
        if (step.kind == Utf8Step::kIncomplete && !last) break;
        size_t take = step.kind == Utf8Step::kChar ? step.length : 0;
        if (take == 0 && keep_surrogates) {
            if (!last && lone_surrogate_cut(p, left)) break;
            if (lone_surrogate_at(p, left)) take = 3;
        }
        if (take) {
            std::memcpy(o, p, take);
            o += take;
            p += take;
        } else {
            ++p;
        }
    }
    *written = static_cast<size_t>(o - out);
    return static_cast<size_t>(p - begin);
}

// Hidden files to remove when a signal ends the program. The handler may run between any two
// instructions of a save, so a slot's path is written before the slot is marked ready, and
// the handler only reads ready slots and calls unlink, which is safe in a signal handler.
struct PendingRemoval {
    std::atomic<int> state{0};  // 0 free, 1 being filled or emptied, 2 ready
    char path[PATH_MAX];
};
PendingRemoval pending_removals[16];
}  // namespace

void remove_pending_temporary_files();

namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

int add_pending_removal(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < static_cast<int>(std::size(pending_removals)); ++i) {
        PendingRemoval& slot = pending_removals[i];
        int free = 0;
        if (!slot.state.compare_exchange_strong(free, 1)) continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.state.store(2, std::memory_order_release);
        return i;
    }
    return -1;  // more saves at once than slots: this one's file is not removed on a signal
}

void drop_pending_removal(int* slot) {
    if (*slot < 0) return;
    pending_removals[*slot].state.store(1);
    pending_removals[*slot].state.store(0);
    *slot = -1;
}

extern "C" void remove_pending_and_end(int signal) {
    remove_pending_temporary_files();
    // Ends the program as the signal would have, once this handler returns.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

sigset_t ending_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kEndingSignals) sigaddset(&set, signal);
    return set;
}

// Holds the ending signals back in this thread for its lifetime, so that a file is never
// created without being listed for removal.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
        const sigset_t set = ending_signals();
        pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

private:
    sigset_t old_;
};

}  // namespace

void remove_pending_temporary_files() {
    for (PendingRemoval& slot : pending_removals)
        if (slot.state.load(std::memory_order_acquire) == 2) ::unlink(slot.path);
}

void remove_temporary_files_on_signals() {
    for (int signal : kEndingSignals) {
        struct sigaction old {};
        // A signal the program ignores (nohup) or handles itself is left as it is.
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = remove_pending_and_end;
        action.sa_mask = ending_signals();
        ::sigaction(signal, &action, nullptr);
    }
}

FileWriter::FileWriter(std::string path, EncodingId encoding, EncodingId source)
    : path_(std::move(path)),
      encoding_(encoding),
      drop_strays_(!keeps_stray_bytes(encoding, source)),
      keep_surrogates_(keeps_lone_surrogates(encoding, source)) {}

FileWriter::~FileWriter() {
    discard();
}

void FileWriter::discard() {
    // Into the links' own file: the old content goes back. Should even that fail, the copy is
    // the only place the old content is left in, so it stays and the message names it.
    if (links_ && touched_ && !backup_.empty() && !restore_old_content()) {
        if (!error_.empty()) error_ += "\nThe old content is kept in " + backup_;
        backup_.clear();
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    drop_pending_removal(&temp_slot_);
    if (!backup_.empty()) ::unlink(backup_.c_str());
    backup_.clear();
    drop_pending_removal(&backup_slot_);
    if (backup_fd_ >= 0) ::close(backup_fd_);
    backup_fd_ = -1;
    release_ending_signals();
}

// A rename reaches the disk with its folder.
void FileWriter::sync_folder() {
    const int folder = ::open(folder_of(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void FileWriter::hold_ending_signals() {
    if (signals_held_) return;
    const sigset_t set = ending_signals();
    pthread_sigmask(SIG_BLOCK, &set, &old_signal_mask_);
    signals_held_ = true;
}

void FileWriter::release_ending_signals() {
    if (!signals_held_) return;
    signals_held_ = false;
    pthread_sigmask(SIG_SETMASK, &old_signal_mask_, nullptr);
}

void FileWriter::fail(const char* what, int code) {
    error_ = std::string(what) + path_ + "\n" + std::strerror(code);
    discard();
}

namespace {
// The umask can only be read by setting it, which changes it for every thread for a moment
// (and saves run on a worker): it is read once while the program starts, single-threaded.
const mode_t process_umask = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}();

}  // namespace

int FileWriter::make_temporary(std::string* path, int* slot) {
    const std::string pattern = folder_of(target_) + "/" + save_leftover_prefix(target_) + "XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    EndingSignalsHeld held;
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd >= 0) {
        // Held while the file is in use: another process opening the document tells a save
        // under way from the leftovers of one that was killed.
        ::flock(fd, LOCK_EX | LOCK_NB);
        *path = temp.data();
        *slot = add_pending_removal(*path);
    }
    return fd;
}

bool FileWriter::open() {
    // The temporary file and the rename are for regular files. A name that stands for an open
    // descriptor (/dev/stdout) is written through that descriptor, as the shell set it up; a
    // device, FIFO or socket is opened and written directly.
    const int descriptor = descriptor_named(path_);
    if (descriptor >= 0) {
        direct_ = true;
        fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
        if (fd_ < 0) {
            fail("Cannot write to file ", errno);
            return false;
        }
        return true;
    }
    struct stat st;
    if (::stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        direct_ = true;
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) {
            fail("Cannot write to file ", errno);
            return false;
        }
        return true;
    }
    target_ = save_target(path_);
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        fail("Cannot write to file ", EISDIR);
        return false;
    }
    // The rename needs only the folder's permission; the file's own is what a write in place
    // would need, so a file the user may not write is refused as such a write would be.
    // faccessat with the effective ids answers as open would: root may write a file of mode
    // 0444, nobody may write a read-only or immutable one.
    if (exists && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
        fail("Cannot write to file ", errno);
        return false;
    }
    if (exists && S_ISREG(st.st_mode) && st.st_nlink > 1) return open_links(st);
    fd_ = make_temporary(&temp_, &temp_slot_);
    if (fd_ < 0) {
        fail("Cannot write to file ", errno);
        return false;
    }
    // The new file takes the old one's permissions, owner and group where allowed (a user who
    // is not the owner may still keep the group when a member of it), and its extended
    // attributes; a new file gets read and write for everyone the umask lets through, as
    // editors create files.
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0 &&
            ::fchown(fd_, static_cast<uid_t>(-1), st.st_gid) != 0) {
            // Neither: the file becomes ours, as any rewrite by us would make it.
        }
    } else {
        mode = 0666 & ~process_umask;
    }
    if (::fchmod(fd_, mode) != 0) {
        fail("Cannot write to file ", errno);
        return false;
    }
    if (exists) copy_extended_attributes(target_, fd_);
    return true;
}

// A file with several names (hard links) is written in place, so that every name shows the new
// content: a rename would give only one name the new file. A copy of the old content is made
// beside it first and flushed to disk, so that a write that fails half-way, or a save that is
// cancelled, can put the old content back.
bool FileWriter::open_links(const struct stat& st) {
    const int backup = make_temporary(&backup_, &backup_slot_);
    if (backup < 0) {
        fail("Cannot write to file ", errno);
        return false;
    }
    backup_fd_ = backup;
    const int old = ::open(target_.c_str(), O_RDONLY | O_CLOEXEC);
    bool copied = old >= 0 && copy_file_contents(old, backup) && ::fsync(backup) == 0;
    int code = errno;
    if (old >= 0) ::close(old);
    // Only a whole copy carries the backup's name, which a later open of the file reports as
    // the content to restore should this process die before the file is whole again.
    if (copied) {
        const std::string named = folder_of(target_) + "/" + save_leftover_prefix(target_) +
                                  kBackupMark + backup_.substr(backup_.size() - 6);
        copied = ::rename(backup_.c_str(), named.c_str()) == 0;
        code = errno;
        if (copied) {
            backup_ = named;
            sync_folder();
        }
    }
    if (!copied) {
        fail("Cannot write to file ", code);
        return false;
    }
    // From the first byte written into the file until its old content is back or no longer
    // needed, a signal would leave it half-written: the ending signals wait until then, and
    // the copy is no longer a file to remove.
    hold_ending_signals();
    drop_pending_removal(&backup_slot_);
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) {
        fail("Cannot write to file ", errno);
        return false;
    }
    links_ = true;
    old_size_ = st.st_size;
    return true;
}

bool FileWriter::restore_old_content() {
    const int backup = ::open(backup_.c_str(), O_RDONLY | O_CLOEXEC);
    const int file = fd_ >= 0 ? fd_ : ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    const bool restored = backup >= 0 && file >= 0 && copy_file_contents(backup, file) &&
                          ::ftruncate(file, old_size_) == 0 && ::fsync(file) == 0;
    if (backup >= 0) ::close(backup);
    if (file >= 0 && file != fd_) ::close(file);
    return restored;
}

bool FileWriter::write_all(const char* bytes, size_t count) {
    touched_ = true;
    while (count) {
        ssize_t n = ::write(fd_, bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
        written_ += n;
    }
    return true;
}

bool FileWriter::start() {
    first_ = false;
    if (!open()) return false;
    codec_ = make_codec(encoding_);
    char mark[4];
    const int length = codec_->write_bom(mark);
    if (!write_all(mark, static_cast<size_t>(length))) {
        fail("Cannot open file ", errno);
        return false;
    }
    return true;
}

bool FileWriter::write(std::string_view utf8, bool last, Arena& arena) {
    if (!error_.empty()) return false;
    if (first_ && !start()) return false;
    const char* input = utf8.data();
    size_t count = utf8.size();
    if (carry_) {
        buffer_.resize(carry_ + utf8.size());
        std::memcpy(buffer_.data() + carry_, utf8.data(), utf8.size());
        input = buffer_.data();
        count = buffer_.size();
    }
    const char* const block = input;
    const size_t total = count;
    size_t consumed = 0;
    if (drop_strays_) {
        // The text without its stray bytes goes to the codec: whole characters only, so the
        // codec takes all of it, and what is left is the start of a character.
        kept_.resize(count);
        size_t kept = 0;
        consumed = drop_stray_bytes(input, count, last, keep_surrogates_, kept_.data(), &kept);
        input = kept_.data();
        count = kept;
    }
    std::string_view out;
    const size_t encoded = count ? codec_->encode(&arena, input, count, &out, last) : 0;
    if (!drop_strays_) consumed = encoded;
    if (!write_all(out.data(), out.size())) {
        fail("Cannot write to file ", errno);
        return false;
    }
    const size_t rest = total - consumed;
    if (rest) {
        std::vector<char> kept(block + consumed, block + total);
        buffer_ = std::move(kept);
    }
    carry_ = rest;
    return true;
}

bool FileWriter::commit() {
    if (!error_.empty()) return false;
    // Nothing written yet: the file is empty but for its mark.
    if (first_ && !start()) return false;
    if (direct_) {
        // Pipes and devices have nothing to flush to a disk.
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            fail("Cannot write to file ", errno);
            return false;
        }
        return true;
    }
    if (links_) {
        // The new content may be shorter than the old; the copy goes once it is on disk.
        if (::ftruncate(fd_, written_) != 0 || ::fsync(fd_) != 0) {
            fail("Cannot write to file ", errno);
            return false;
        }
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            fail("Cannot write to file ", errno);
            return false;
        }
        ::unlink(backup_.c_str());
        backup_.clear();
        ::close(backup_fd_);
        backup_fd_ = -1;
        release_ending_signals();
        return true;
    }
    if (::fsync(fd_) != 0) {
        fail("Cannot write to file ", errno);
        return false;
    }
    // Renamed while still open and locked, so that no other process takes it for a leftover.
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        fail("Cannot write to file ", errno);
        return false;
    }
    temp_.clear();
    drop_pending_removal(&temp_slot_);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        fail("Cannot write to file ", errno);
        return false;
    }
    sync_folder();
    return true;
}

}  // namespace tessel
