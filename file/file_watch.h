// FileWatch: notices when another program has changed the open document's file, by its
// modification time, checked at most once a second.
#pragma once

#include <cstdint>
#include <string>

namespace tessel {

class FileWatch {
public:
    static constexpr double kIntervalMs = 1000;

    // Remembers the file's present modification time (none when it cannot be read).
    FileWatch(std::string path, double now_ms);

    const std::string& path() const { return path_; }
    // True when at least a second has passed since the last check and the file's
    // modification time differs from the one remembered (which is then updated). A file
    // that cannot be read is not reported.
    bool changed(double now_ms);

    // The modification time in nanoseconds, or -1 when the file cannot be read.
    static int64_t modification_time(const std::string& path);

private:
    std::string path_;
    int64_t time_;
    double last_check_ms_;
};

}  // namespace tessel
