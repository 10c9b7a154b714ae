// MessageLog: a record of the status messages shown, for the user to read back later.
#pragma once

#include <string_view>

namespace tessel {

class MessageLog {
public:
    virtual ~MessageLog() = default;
    virtual void add(std::string_view text) = 0;
};

}  // namespace tessel
