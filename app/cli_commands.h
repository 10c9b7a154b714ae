// The tessel-cli commands; each returns the process's exit status.
#pragma once

#include <string_view>
#include <vector>

namespace tessel::cli {

int run_info(const std::vector<std::string_view>& args);
int run_check(const std::vector<std::string_view>& args);
int run_tree(const std::vector<std::string_view>& args);
int run_grid(const std::vector<std::string_view>& args);
int run_encoding(const std::vector<std::string_view>& args);
int run_convert(const std::vector<std::string_view>& args);
int run_indent(const std::vector<std::string_view>& args);
int run_set(const std::vector<std::string_view>& args);
int run_stats(const std::vector<std::string_view>& args);

}  // namespace tessel::cli
