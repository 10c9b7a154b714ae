// The grid text of a table.
#include "views/grid_text.h"

#include <chrono>

#include "foundation/string_builder.h"

namespace tessel {

void append_field(std::string& out, std::string_view text) {
    if (text.find_first_of("\t\r\n\"") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string build_grid_text(GridTable& table, Arena& scratch, Job* job, std::string* message) {
    std::string text;
    text.reserve(128);
    write_grid_text(table, scratch, [&](std::string_view piece) { text += piece; }, job, message);
    return text;
}

void write_grid_text(GridTable& table, Arena& scratch,
                     const std::function<void(std::string_view)>& sink, Job* job,
                     std::string* message) {
    using clock = std::chrono::steady_clock;
    const auto started = clock::now();
    if (job) job->set_status_text("Copying grid to clipboard");
    // Rows gather here and go out once this much has built up.
    constexpr size_t kPiece = 64 * 1024;
    std::string out;
    const int32_t rows = table.shown_count();
    for (int32_t position = 0; position <= rows; ++position) {
        if (job) {
            job->set_progress(static_cast<int>(100.0 * position / (rows + 1)));
            if ((position & 255) == 0) job->yield_point();
        }
        // Rows go out in the order the user sees them.
        const int32_t row = position == 0 ? 0 : table.shown_row(position);
        // Tabs go between the fields, so a pasted row has exactly one field per column;
        // caption cells ("Name", "Value") head their columns as any other title does.
        for (int32_t c = 0; c < table.column_count(); ++c) {
            ArenaMark mark = scratch.mark();
            if (c > 0) out += '\t';
            append_field(out, table.cell_text(row, c, scratch));
            scratch.release(mark);
        }
        out += "\r\n";
        if (out.size() >= kPiece) {
            sink(out);
            out.clear();
        }
    }
    if (!out.empty()) sink(out);
    if (message) {
        double ms = std::chrono::duration<double, std::milli>(clock::now() - started).count();
        StringBuilder text;
        text.append("Copied grid to clipboard in ");
        text.append_duration(ms);
        *message = std::string(text.view());
    }
}

}  // namespace tessel
