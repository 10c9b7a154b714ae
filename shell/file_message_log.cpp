// The message log of `tessel --log FILE`; see file_message_log.h.
#include "shell/file_message_log.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace tessel {

namespace {

int64_t system_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string log_timestamp(int64_t unix_ms) {
    int64_t seconds = unix_ms / 1000;
    int64_t ms = unix_ms % 1000;
    if (ms < 0) {
        ms += 1000;
        --seconds;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(ms));
    return buffer;
}

std::unique_ptr<FileMessageLog> FileMessageLog::open(const std::string& target,
                                                     std::string& error, WallClock clock) {
    if (!clock) clock = system_ms;
    if (target == "-")
        return std::unique_ptr<FileMessageLog>(new FileMessageLog(stderr, false, std::move(clock)));
    std::FILE* file = std::fopen(target.c_str(), "ae");
    if (!file) {
        error = "tessel: cannot open the log file " + target + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<FileMessageLog>(new FileMessageLog(file, true, std::move(clock)));
}

FileMessageLog::FileMessageLog(std::FILE* file, bool owned, WallClock clock)
    : file_(file), owned_(owned), clock_(std::move(clock)) {}

FileMessageLog::~FileMessageLog() {
    if (owned_) std::fclose(file_);
}

void FileMessageLog::add(std::string_view text) {
    std::string line = log_timestamp(clock_());
    line += "  ";
    for (char c : text) {
        if (c == '\r') continue;
        line += c;
        if (c == '\n') line += '\t';
    }
    line += '\n';
    std::lock_guard<std::mutex> hold(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

}  // namespace tessel
