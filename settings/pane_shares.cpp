// Pane shares and the main split position in the settings store.
#include "settings/pane_shares.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "settings/settings_store.h"

namespace tessel {

namespace {

constexpr const char* kFrameKey = "Frame";
constexpr const char* kSplitKey = "Split";
constexpr const char* kSplitValue = "mid_pos";

bool is_visible(std::span<const bool> visible, size_t i) {
    return i < visible.size() && visible[i];
}

std::string value_name(std::string_view column, size_t i) {
    return std::string(column) + std::to_string(i);
}

}  // namespace

void normalise_shares(std::span<double> shares, std::span<const bool> visible) {
    double sum = 0;
    size_t count = 0;
    for (size_t i = 0; i < shares.size(); ++i) {
        if (!is_visible(visible, i)) continue;
        if (!std::isfinite(shares[i]) || shares[i] < 0) shares[i] = 0;
        sum += shares[i];
        ++count;
    }
    if (count == 0) return;
    for (size_t i = 0; i < shares.size(); ++i) {
        if (!is_visible(visible, i)) continue;
        shares[i] = sum > 0 ? shares[i] / sum : 1.0 / static_cast<double>(count);
    }
}

int32_t share_percent(double share) {
    if (!(share > 0)) return 0;  // also NaN
    if (share >= 1) return 100;
    return static_cast<int32_t>(share * 100);
}

bool usable_share_percent(int32_t percent) {
    return percent >= 2 && percent <= 99;
}

int32_t split_percent(int32_t stored) {
    return usable_share_percent(stored) ? stored : kDefaultSplitPercent;
}

void write_pane_shares(SettingsStore& store, std::string_view column, std::span<double> shares,
                       std::span<const bool> visible) {
    normalise_shares(shares, visible);
    SettingsKey frame(store, kFrameKey);
    SettingsKey split(store, kSplitKey);
    SettingsKey key(store, column);
    for (size_t i = 0; i < shares.size(); ++i) {
        store.write_int(share_percent(shares[i]), value_name(column, i));
    }
}

void read_pane_shares(SettingsStore& store, std::string_view column, std::span<double> shares,
                      std::span<const bool> visible) {
    {
        SettingsKey frame(store, kFrameKey);
        SettingsKey split(store, kSplitKey);
        SettingsKey key(store, column);
        for (size_t i = 0; i < shares.size(); ++i) {
            int32_t percent = 0;
            if (store.read_int(value_name(column, i), percent) && usable_share_percent(percent)) {
                shares[i] = percent / 100.0;
            }
        }
    }
    normalise_shares(shares, visible);
}

int32_t read_split_percent(SettingsStore& store) {
    SettingsKey frame(store, kFrameKey);
    SettingsKey split(store, kSplitKey);
    int32_t stored = kDefaultSplitPercent;
    store.read_int(kSplitValue, stored);
    return split_percent(stored);
}

void write_split_percent(SettingsStore& store, int32_t percent) {
    SettingsKey frame(store, kFrameKey);
    SettingsKey split(store, kSplitKey);
    store.write_int(split_percent(percent), kSplitValue);
}

}  // namespace tessel
