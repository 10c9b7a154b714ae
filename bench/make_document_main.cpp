// make_document: the command-line front of the benchmark document generator.
// Usage: make_document OUTPUT [SIZE_MB (default 100)] [SEED (default 1)]
#include <cstdio>
#include <cstdlib>

#include "bench/make_document.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s OUTPUT [SIZE_MB] [SEED]\n", argv[0]);
        return 2;
    }
    const double megabytes = argc > 2 ? std::atof(argv[2]) : 100.0;
    const unsigned long long seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
    if (!(megabytes > 0)) {
        std::fprintf(stderr, "make_document: size must be a positive number of megabytes\n");
        return 2;
    }
    const std::string text = tessel::bench::make_document(static_cast<int64_t>(megabytes * 1e6), seed);
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%s: %zu bytes\n", argv[1], text.size());
    return 0;
}
