// The caption-to-name rule of commands.
#include "shell/command_name.h"

namespace tessel {

std::string command_name(std::string_view caption) {
    std::string name;
    name.reserve(caption.size());
    for (char c : caption) {
        if (c == ' ') {
            name.push_back('_');
        } else if (c == '.' || c == '-' || c == '&' || c == '\'') {
            continue;
        } else if (c >= 'A' && c <= 'Z') {
            name.push_back(static_cast<char>(c - 'A' + 'a'));
        } else {
            name.push_back(c);
        }
    }
    return name;
}

}  // namespace tessel
