// The user guide's key table from the command table.
#include "commands/key_table.h"

#include "commands/command_table.h"

namespace tessel {

std::string command_words(std::string_view name, std::string_view caption) {
    std::string words;
    if (caption.empty() || caption == name) {
        for (char c : name) words.push_back(c == '_' ? ' ' : c);
        return words;
    }
    for (size_t i = 0; i < caption.size(); ++i) {
        // "&&" is a shown "&"; a single "&" marks the mnemonic and is not shown.
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') words.push_back(caption[++i]);
            continue;
        }
        words.push_back(caption[i]);
    }
    while (!words.empty() && (words.back() == '.' || words.back() == ' ')) words.pop_back();
    return words;
}

std::string key_table_markdown() {
    std::string out = "| keys | command |\n|---|---|\n";
    for (const CommandInfo& info : command_table()) {
        if (info.accelerator.empty()) continue;
        out += "| ";
        out += info.accelerator;
        out += " | ";
        out += command_words(info.name, info.caption);
        out += " |\n";
    }
    return out;
}

std::optional<std::string> with_key_table(std::string_view text, std::string_view table) {
    const size_t begin = text.find(kKeyTableBegin);
    if (begin == std::string_view::npos) return std::nullopt;
    const size_t body = text.find('\n', begin);
    if (body == std::string_view::npos) return std::nullopt;
    const size_t end = text.find(kKeyTableEnd, body);
    if (end == std::string_view::npos) return std::nullopt;
    // Blank lines around the table keep Markdown from joining it to the marker lines.
    std::string out(text.substr(0, body + 1));
    out += '\n';
    out += table;
    out += '\n';
    out += text.substr(end);
    return out;
}

}  // namespace tessel
