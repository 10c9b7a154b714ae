// The caption-to-name rule of commands.
#include "commands/command_name.h"

#include "foundation/ascii.h"

namespace tessel {

std::string command_name(std::string_view caption) {
    std::string name;
    name.reserve(caption.size());
    for (char c : caption) {
        if (c == ' ') {
            name.push_back('_');
        } else if (c == '.' || c == '-' || c == '&' || c == '\'') {
            continue;
        } else {
            name.push_back(ascii_lower(c));
        }
    }
    return name;
}

}  // namespace tessel
