// What the benchmarks share: timing, medians, the common --size/--seed arguments, the
// generated document written to a temporary file for the command-line peers, and the
// timing of those peers.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel::bench {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Reads "--size MB" and "--seed N"; prints the usage or the error and returns false for
// anything else or a size outside (0, 2000] MB.
bool parse_size_and_seed(int argc, char** argv, const char* name, double* megabytes,
                         uint64_t* seed);

// The arguments of the benchmarks that parse a generated document and the files named:
// [--size MB] [--seed N] [--rounds N] [--no-cold] [FILE...].
struct ParseBenchArguments {
    int64_t size_mb = 100;
    uint64_t seed = 1;
    int rounds = 5;
    bool cold = true;
    std::vector<std::string> files;
};
// False after printing the usage for anything it does not know.
bool parse_bench_arguments(int argc, char** argv, const char* name, ParseBenchArguments* out);

// Writes text to a new file in /tmp named after tag; the path, or empty after printing why.
std::string write_temp_file(const std::string& text, const char* tag);

// Reads a whole file; false when it cannot be read.
bool read_file(const std::string& path, std::string& out);

// The median of `runs` runs of a shell command, after one unmeasured run that brings its
// files into the page cache; 0 when it cannot be started or, with must_succeed, exits with
// a status other than 0 (grep, for one, exits 1 when it finds nothing).
double command_seconds(const std::string& command, int runs, bool must_succeed = true);

// The peak resident size of a shell command in megabytes, measured by /usr/bin/time; 0 when
// it cannot be measured.
double command_peak_mb(const std::string& command);

// This process's peak resident size so far, and its resident size now, in megabytes.
double own_peak_mb();
double own_resident_mb();

}  // namespace tessel::bench
