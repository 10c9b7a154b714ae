// The main window's split layout in the settings store: the main split position ("mid_pos")
// and each column's pane shares, kept as integer percents under "Frame" › "Split".
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tessel {

class SettingsStore;

// The main split position when nothing usable is stored.
inline constexpr int32_t kDefaultSplitPercent = 40;

// Scales the shares of the visible panes so that they sum to 1; hidden panes keep theirs.
// A negative or non-finite share counts as 0, and visible panes without any share between
// them get equal parts, so the result is always a usable layout.
void normalise_shares(std::span<double> shares, std::span<const bool> visible);
// The stored form of a share: percent, truncated, within 0..100.
int32_t share_percent(double share);
// Only stored shares of 2..99 percent are taken; the others keep the pane's built-in share.
bool usable_share_percent(int32_t percent);
// The split position for a stored "mid_pos": values outside 2..99 give the default.
int32_t split_percent(int32_t stored);

// Read and write below the top key (the application key): "Frame" › "Split" › column, with
// the values column + pane index ("left0", "left1", ...). Writing normalises the visible
// shares in place first; reading replaces usable ones and normalises again.
void write_pane_shares(SettingsStore& store, std::string_view column, std::span<double> shares,
                       std::span<const bool> visible);
void read_pane_shares(SettingsStore& store, std::string_view column, std::span<double> shares,
                      std::span<const bool> visible);
// "mid_pos" of "Frame" › "Split".
int32_t read_split_percent(SettingsStore& store);
void write_split_percent(SettingsStore& store, int32_t percent);

}  // namespace tessel
