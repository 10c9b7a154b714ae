// Watching the document's file.
#include "file/file_watch.h"

#include <sys/stat.h>

namespace tessel {

FileWatch::FileWatch(std::string path, double now_ms)
    : path_(std::move(path)), time_(modification_time(path_)), last_check_ms_(now_ms) {}

int64_t FileWatch::modification_time(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    return int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
}

bool FileWatch::changed(double now_ms) {
    if (now_ms - last_check_ms_ < kIntervalMs) return false;
    last_check_ms_ = now_ms;
    const int64_t time = modification_time(path_);
    if (time < 0 || time == time_) return false;
    time_ = time;
    return true;
}

}  // namespace tessel
