// An ExtensionStore over a std::map, for tests that give the language registry stored
// "File Extensions" values without a settings database.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "parse/language_registry.h"

namespace tessel::test {

class MapStore final : public ExtensionStore {
public:
    std::optional<std::string> read(std::string_view name) override {
        auto it = values.find(std::string(name));
        return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void write(std::string_view name, std::string_view value) override {
        values[std::string(name)] = value;
    }
    std::map<std::string, std::string> values;
};

}  // namespace tessel::test
