// FileMessageLog: the message log of `tessel --log FILE`. Every status message is appended to
// the file (or written to standard error for "-") as one line that starts with the UTC time,
// and flushed at once so that scripts and tests can read it while the editor runs.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "commands/message_log.h"

namespace tessel {

class FileMessageLog final : public MessageLog {
public:
    // Milliseconds since the Unix epoch; replaceable so tests get fixed stamps.
    using WallClock = std::function<int64_t()>;

    // Opens target for appending ("-" is standard error). On failure returns null and sets
    // error to one line naming the file and the reason.
    static std::unique_ptr<FileMessageLog> open(const std::string& target, std::string& error,
                                                WallClock clock = {});
    ~FileMessageLog() override;
    FileMessageLog(const FileMessageLog&) = delete;
    FileMessageLog& operator=(const FileMessageLog&) = delete;

    // "2026-12-08 17:20:05.042  Loaded 1,234 bytes in 3.20 milliseconds". A message of several
    // lines keeps them, each further line indented by a tab, so every record starts with a stamp.
    void add(std::string_view text) override;

private:
    FileMessageLog(std::FILE* file, bool owned, WallClock clock);

    std::FILE* file_;
    bool owned_;
    WallClock clock_;
    std::mutex mutex_;  // the registry logs on the UI thread; the lock keeps lines whole anyway
};

// The stamp written before each message, for milliseconds since the Unix epoch (UTC).
std::string log_timestamp(int64_t unix_ms);

}  // namespace tessel
