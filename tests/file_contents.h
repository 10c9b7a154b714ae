// Reading a whole file in tests: real documents that the system ships, files a test wrote.
// System documents come from Debian packages that `tools/install-deps test` installs; a test
// that needs one leaves through TESSEL_REQUIRE_INPUT when it is missing: a skip that says so
// on a developer's machine, a failure in CI (CI set, as CI services do), where every input
// must be there.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace tessel::test {

// The bytes of the file, or an empty string when it cannot be read.
inline std::string file_contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whether every system input must be present: CI is set to anything but "", "0" or "false".
inline bool inputs_required() {
    const char* ci = std::getenv("CI");
    if (!ci) return false;
    const std::string_view value(ci);
    return !value.empty() && value != "0" && value != "false";
}

// The package that holds a system file the tests read ("" for others).
inline const char* package_of(std::string_view path) {
    static constexpr std::pair<std::string_view, const char*> kPackages[] = {
        {"/usr/share/mime/", "shared-mime-info"},
        {"/usr/share/xml/iso-codes/", "iso-codes"},
        {"/usr/share/iso-codes/", "iso-codes"},
        {"/usr/share/X11/xkb/", "xkb-data"},
        {"/etc/fonts/", "fontconfig-config"},
        {"/usr/share/xml/fontconfig/", "fontconfig-config"},
        {"/usr/share/xml/schema/xml-core/", "xml-core"},
        {"/usr/share/polkit-1/", "polkitd"},
        {"/usr/share/gdb/", "gdb"},
    };
    for (const auto& [prefix, package] : kPackages)
        if (path.starts_with(prefix)) return package;
    return "";
}

// Why an input a test reads is unusable ("" when it is a readable, non-empty file or a
// folder).
inline std::string missing_input(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) return {};
    if (std::filesystem::is_regular_file(status) && std::filesystem::file_size(path, ec) > 0 &&
        !ec && std::ifstream(path).good())
        return {};
    std::string why = path.string() + " is not installed";
    if (const char* package = package_of(path.string()); *package)
        why += std::string(" (package ") + package + ", which tools/install-deps test installs)";
    return why;
}

}  // namespace tessel::test

// Leaves the test when a system file or folder it reads is missing: a failure when inputs
// are required (in CI), a skip with the reason otherwise.
#define TESSEL_REQUIRE_INPUT(path)                                                  \
    do {                                                                            \
        const std::string tessel_missing_ = ::tessel::test::missing_input(path);    \
        if (!tessel_missing_.empty()) {                                             \
            if (::tessel::test::inputs_required()) GTEST_FAIL() << tessel_missing_; \
            GTEST_SKIP() << tessel_missing_;                                        \
        }                                                                           \
    } while (0)
