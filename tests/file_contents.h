// Reading a whole file in tests: real documents that the system ships, files a test wrote.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tessel::test {

// The bytes of the file, or an empty string when it cannot be read.
inline std::string file_contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tessel::test
