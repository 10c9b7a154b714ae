// The text of a grid table as it goes to the clipboard: tab-separated cells, rows ending in
// CR LF, in the order the user sees the rows, ready to paste into a spreadsheet.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "foundation/job.h"
#include "views/grid_table.h"

namespace tessel {

// The cells of a row are separated by tabs (no tab after the last), an empty cell as nothing
// between its tabs so later cells keep their columns: a row has one field per column. A text
// holding a tab, CR, LF or double quote is quoted with inner quotes doubled. Caption cells
// write their caption. With a job: "Copying grid to clipboard" as its status,
// progress per row, and `message` gets "Copied grid to clipboard in " and the duration.
// One field of such a text: as it is, or quoted when it holds a tab, CR, LF or quote.
void append_field(std::string& out, std::string_view text);

std::string build_grid_text(GridTable& table, Arena& scratch, Job* job = nullptr,
                            std::string* message = nullptr);

// The same text handed to `sink` in pieces of whole rows as it is made, so that a wide table
// goes out without being held whole (tessel-cli grid writes it as it comes).
void write_grid_text(GridTable& table, Arena& scratch,
                     const std::function<void(std::string_view)>& sink, Job* job = nullptr,
                     std::string* message = nullptr);

}  // namespace tessel
