// sort_bench: run_sort (keys and heap sort) on a table of generated rows, beside GNU
// `sort -V` on the same keys written to a file, in the same run.
// Usage: sort_bench [--rows N] [--seed N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "views/row_sort.h"

namespace tessel {
namespace {

using bench::Clock;
using bench::seconds_since;

using bench::median;

// Two columns of texts in one buffer each: cells are (offset, length) into it.
class BenchTable : public SortableTable {
public:
    struct Column {
        std::string bytes;
        std::vector<std::pair<uint32_t, uint32_t>> cells;
        void add(std::string_view text) {
            cells.emplace_back(static_cast<uint32_t>(bytes.size()),
                               static_cast<uint32_t>(text.size()));
            bytes += text;
        }
        std::string_view at(int32_t row) const {
            auto [offset, length] = cells[row - 1];
            return {bytes.data() + offset, length};
        }
    };

    int32_t row_count() const override { return static_cast<int32_t>(columns[0].cells.size()); }
    bool cell_text(int32_t row, int32_t column, Arena&, std::string_view* text) override {
        *text = columns[column].at(row);
        return true;
    }
    int32_t sort_column() const override { return column_; }
    bool sort_ascending() const override { return ascending_; }
    void set_sorted(int32_t column, bool ascending, std::span<const int32_t> order) override {
        column_ = column;
        ascending_ = ascending;
        order_.assign(order.begin(), order.end());
    }

    Column columns[2];
    int32_t column_ = -1;
    bool ascending_ = true;
    std::vector<int32_t> order_;
};

// Column 0: a name and a number, the names in mixed case ("item" most often);
// column 1: integers and decimal fractions.
void fill(BenchTable& table, int32_t rows, uint64_t seed) {
    static const char* names[] = {"item", "item", "item",  "Item", "ITEM",
                                  "node", "Node", "entry", "row",  "value"};
    std::mt19937_64 rng(seed);
    char buffer[64];
    for (int32_t i = 0; i < rows; ++i) {
        uint64_t number = rng() % 10'000'000;
        std::snprintf(buffer, sizeof buffer, "%s%llu", names[rng() % 10],
                      static_cast<unsigned long long>(number));
        table.columns[0].add(buffer);
        uint64_t value = rng() % 1'000'000;
        if (rng() % 2) {
            std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(value));
        } else {
            std::snprintf(buffer, sizeof buffer, "%llu.%llu",
                          static_cast<unsigned long long>(value),
                          static_cast<unsigned long long>(rng() % 1000));
        }
        table.columns[1].add(buffer);
    }
}

// The whole `sort -V` process on the file, output discarded; once unmeasured to bring the
// file into the page cache.
double sort_v_seconds(const std::string& file, int runs) {
    return bench::command_seconds("LC_ALL=C sort -V '" + file + "' > /dev/null", runs);
}

struct Figures {
    double first = 0;  // the first sort of the process: fresh memory
    double warm = 0;   // the median of the later ones
};

Figures run_sort_seconds(BenchTable& table, int column, int runs) {
    Figures figures;
    std::vector<double> times;
    std::string column_text = std::to_string(column);
    for (int i = 0; i <= runs; ++i) {
        QuietJob job;
        std::string message;
        auto t0 = Clock::now();
        if (!run_sort(table, column_text, &job, &message)) std::abort();
        double s = seconds_since(t0);
        if (i == 0)
            figures.first = s;
        else
            times.push_back(s);
    }
    figures.warm = median(times);
    return figures;
}

// Checks the stored order against the comparison, outside the timings.
bool check_order(BenchTable& table, int column) {
    LargeArena arena;
    SortKeys keys(arena);
    keys.reset(table.row_count());
    for (int32_t row = 1; row <= table.row_count(); ++row)
        keys.set(row, table.columns[column].at(row));
    for (size_t i = 1; i < table.order_.size(); ++i)
        if (compare_rows(keys, keys[table.order_[i - 1]], keys[table.order_[i]],
                         table.ascending_) >= 0)
            return false;
    return true;
}

}  // namespace
}  // namespace tessel

int main(int argc, char** argv) {
    using namespace tessel;
    int32_t rows = 1'000'000;
    uint64_t seed = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
            rows = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: %s [--rows N] [--seed N]\n", argv[0]);
            return 2;
        }
    }
    if (rows < 2) {
        std::fprintf(stderr, "sort_bench: --rows must be at least 2\n");
        return 2;
    }

    BenchTable table;
    fill(table, rows, seed);
    const char* labels[] = {"names (item123)", "numbers (123, 12.5)"};
    std::printf(
        "sorting %d rows by a column; sort -V runs as a whole process on a file of the keys\n",
        rows);
    std::printf("%-22s %12s %12s %12s %9s %9s\n", "column", "ours first", "ours warm", "sort -V",
                "ratio", "budget");
    bool all_ok = true;
    for (int column = 0; column < 2; ++column) {
        char file[] = "/tmp/tessel_sort_bench_XXXXXX";
        int fd = mkstemp(file);
        std::FILE* out = fd >= 0 ? fdopen(fd, "w") : nullptr;
        if (!out) {
            std::perror("sort_bench: temporary file");
            return 1;
        }
        for (int32_t row = 1; row <= rows; ++row) {
            std::string_view key = table.columns[column].at(row);
            std::fwrite(key.data(), 1, key.size(), out);
            std::fputc('\n', out);
        }
        std::fclose(out);

        Figures ours = run_sort_seconds(table, column, 3);
        double peer = sort_v_seconds(file, 3);
        std::remove(file);
        if (!check_order(table, column)) {
            std::fprintf(stderr, "sort_bench: the stored order is not sorted\n");
            return 1;
        }
        // How many times faster ours is than sort -V (peer time / our time).
        double ratio = peer / ours.warm;
        bool ok = ratio >= 1;
        all_ok &= ok;
        std::printf("%-22s %10.1fms %10.1fms %10.1fms %8.2fx %9s\n", labels[column],
                    ours.first * 1e3, ours.warm * 1e3, peer * 1e3, ratio,
                    ok ? ">= 1 ok" : ">= 1 MISS");
    }
    return all_ok ? 0 : 1;
}
