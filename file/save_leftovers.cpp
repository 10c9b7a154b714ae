// Finding, removing and restoring the hidden files of saves that never finished.
#include "file/save_leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <utility>

namespace tessel {

namespace {

// A save creates its hidden file and locks it one call later; a file younger than this is
// left alone in case it is in that gap.
constexpr time_t kLockGapSeconds = 5;

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Copies everything of from into to and cuts to where from ends, on disk.
bool copy_whole(int from, int to) {
    if (!copy_file_contents(from, to)) return false;
    const off_t end = ::lseek(from, 0, SEEK_END);
    return end >= 0 && ::ftruncate(to, end) == 0 && ::fsync(to) == 0;
}

}  // namespace

bool copy_file_contents(int from, int to) {
    if (::lseek(from, 0, SEEK_SET) != 0 || ::lseek(to, 0, SEEK_SET) != 0) return false;
    std::string block(1 << 20, '\0');
    for (;;) {
        const ssize_t n = ::read(from, block.data(), block.size());
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, block.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += w;
        }
    }
}

std::string save_target(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t n = ::readlink(at.c_str(), link.data(), link.size() - 1);
        if (n < 0) return at;
        link.resize(static_cast<size_t>(n));
        at = link.starts_with('/') ? link : folder_of(at) + "/" + link;
    }
    return at;
}

std::string save_leftover_prefix(const std::string& target) {
    return "." + name_of(target) + ".tessel-";
}

SaveLeftovers sweep_save_leftovers(const std::string& path) {
    SaveLeftovers found;
    const std::string target = save_target(path);
    const std::string folder = folder_of(target);
    const std::string prefix = save_leftover_prefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return found;
    std::vector<std::pair<time_t, std::string>> backups;
    const time_t now = ::time(nullptr);
    struct stat file {};
    const bool file_exists = ::stat(target.c_str(), &file) == 0;
    // The backup of a file with several names is named after the name it was saved by: a
    // backup named after another name of the same file in this folder is this file's too.
    const auto backup_of_this_file = [&](std::string_view name) {
        const size_t mark = name.find(std::string(".tessel-") + kBackupMark);
        if (!file_exists || mark == std::string_view::npos || name.size() < 2) return false;
        const std::string other = folder + "/" + std::string(name.substr(1, mark - 1));
        struct stat st;
        return ::stat(other.c_str(), &st) == 0 && st.st_dev == file.st_dev &&
               st.st_ino == file.st_ino;
    };
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix) && !backup_of_this_file(name)) continue;
        const std::string leftover = folder + "/" + std::string(name);
        struct stat st;
        if (::lstat(leftover.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        // A backup gets its name by a rename of the locked copy, so only temporary files can
        // be in the gap between creation and lock.
        const bool backup = !name.starts_with(prefix) ||
                            name.substr(prefix.size()).starts_with(kBackupMark);
        // The file system's clock may run a second ahead of time(); only a time far ahead
        // (a clock set back since) does not count as young.
        const bool young = st.st_mtime > now - kLockGapSeconds && st.st_mtime < now + 3600;
        if (!backup && young) continue;
        const int fd = ::open(leftover.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        // A save under way holds its file locked; ours is held until the file is dealt with.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (backup) {
                backups.emplace_back(st.st_mtime, leftover);
            } else if (::unlink(leftover.c_str()) == 0) {
                ++found.removed_temporaries;
            }
        }
        ::close(fd);
    }
    ::closedir(dir);
    std::sort(backups.begin(), backups.end(), std::greater<>());
    for (auto& backup : backups) found.backups.push_back(std::move(backup.second));
    return found;
}

bool restore_save_backup(const std::string& path, const std::string& backup, std::string* error) {
    const std::string target = save_target(path);
    const int from = ::open(backup.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (from < 0 || ::flock(from, LOCK_EX | LOCK_NB) != 0) {
        *error = "Cannot read " + backup + "\n" + std::strerror(errno);
        if (from >= 0) ::close(from);
        return false;
    }
    const int to = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    const bool copied = to >= 0 && copy_whole(from, to);
    const int code = errno;
    if (to >= 0) ::close(to);
    if (copied) ::unlink(backup.c_str());
    ::close(from);
    if (!copied) *error = "Cannot write to file " + path + "\n" + std::strerror(code);
    return copied;
}

void discard_save_backup(const std::string& backup) {
    ::unlink(backup.c_str());
}

}  // namespace tessel
