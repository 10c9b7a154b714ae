// What the benchmarks share.
#include "bench/bench_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

namespace tessel::bench {

bool parse_size_and_seed(int argc, char** argv, const char* name, double* megabytes,
                         uint64_t* seed) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            *megabytes = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            *seed = std::strtoull(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: %s [--size MB] [--seed N]\n", name);
            return false;
        }
    }
    if (!(*megabytes > 0) || *megabytes > 2000) {
        std::fprintf(stderr, "%s: --size must be between 0 and 2000 MB\n", name);
        return false;
    }
    return true;
}

bool parse_bench_arguments(int argc, char** argv, const char* name, ParseBenchArguments* out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--size" && i + 1 < argc) {
            out->size_mb = std::atoll(argv[++i]);
        } else if (a == "--seed" && i + 1 < argc) {
            out->seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--rounds" && i + 1 < argc) {
            out->rounds = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--no-cold") {
            out->cold = false;
        } else if (!a.empty() && a[0] != '-') {
            out->files.emplace_back(a);
        } else {
            std::fprintf(stderr, "usage: %s [--size MB] [--seed N] [--rounds N] [--no-cold] [FILE...]\n",
                         name);
            return false;
        }
    }
    return true;
}

std::string write_temp_file(const std::string& text, const char* tag) {
    std::string pattern = std::string("/tmp/tessel_") + tag + "_XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::perror(tag);
        if (fd >= 0) close(fd);
        return {};
    }
    close(fd);
    return pattern;
}

bool read_file(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

double command_seconds(const std::string& command, int runs, bool must_succeed) {
    auto run = [&] {
        const int status = std::system(command.c_str());
        return must_succeed ? status == 0 : status != -1;
    };
    if (!run()) return 0;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point t0 = Clock::now();
        if (!run()) return 0;
        times.push_back(seconds_since(t0));
    }
    return median(times);
}

double command_peak_mb(const std::string& command) {
    const std::string out = write_temp_file("", "peak");
    if (out.empty()) return 0;
    // The command is a simple one (a program and its arguments), timed as it stands.
    const std::string timed = "/usr/bin/time -o '" + out + "' -f %M " + command + " > /dev/null 2>&1";
    double kilobytes = 0;
    if (std::system(timed.c_str()) != -1) {
        std::string text;
        if (read_file(out, text)) kilobytes = std::atof(text.c_str());
    }
    std::remove(out.c_str());
    return kilobytes / 1024;
}

namespace {

// A "Vm...:" line of /proc/self/status in megabytes.
double status_mb(const char* key) {
    std::string status;
    if (!read_file("/proc/self/status", status)) return 0;
    const size_t at = status.find(key);
    return at == std::string::npos ? 0 : std::atof(status.c_str() + at + std::strlen(key)) / 1024;
}

}  // namespace

double own_peak_mb() { return status_mb("VmHWM:"); }
double own_resident_mb() { return status_mb("VmRSS:"); }

}  // namespace tessel::bench
