// Checks that a TextDocument holds exactly what the reference model holds: the bytes, a
// well-formed piece list, the line starts and the length histogram.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "tests/text/text_model.h"
#include "text/text_document.h"

namespace tessel::model {

inline ::testing::AssertionResult same_text(const TextStore& store, const std::string& text) {
    if (store.length() != static_cast<int32_t>(text.size()))
        return ::testing::AssertionFailure()
               << "length " << store.length() << " != model " << text.size();
    int32_t at = 0;
    for (int32_t i = 0; i < store.piece_count(); ++i) {
        const Piece& p = store.piece(i);
        if (p.start != at) return ::testing::AssertionFailure() << "piece " << i << " start " << p.start << " != " << at;
        if (p.length <= 0) return ::testing::AssertionFailure() << "piece " << i << " is empty";
        if (p.data[p.length] != 0) return ::testing::AssertionFailure() << "piece " << i << " not terminated";
        if (std::memcmp(p.data, text.data() + at, static_cast<size_t>(p.length)) != 0) {
            int32_t k = 0;
            while (p.data[k] == text[at + k]) ++k;
            return ::testing::AssertionFailure() << "bytes differ at " << at + k;
        }
        at += p.length;
    }
    return ::testing::AssertionSuccess();
}

inline int32_t model_line_length(const TextModel& m, size_t i) {
    int32_t start = m.starts[i];
    if (i + 1 >= m.starts.size()) return static_cast<int32_t>(m.text.size()) - start;
    int32_t next = m.starts[i + 1];
    int32_t term = 0;
    if (m.text[next - 1] == '\n') term = (next - 2 >= start && m.text[next - 2] == '\r') ? 2 : 1;
    return next - start - term;
}

inline ::testing::AssertionResult matches(const TextDocument& doc, const TextModel& m) {
    auto text = same_text(doc.store(), m.text);
    if (!text) return text;
    // Read through line_start, which sees the index as edits left it (starts() would first
    // bring every stored start up to date).
    const LineIndex& index = doc.index();
    if (index.line_count() != static_cast<int32_t>(m.starts.size()))
        return ::testing::AssertionFailure()
               << "line count " << index.line_count() << " != model " << m.starts.size();
    for (int32_t i = 0; i < index.line_count(); ++i)
        if (index.line_start(i) != m.starts[i])
            return ::testing::AssertionFailure()
                   << "line " << i << " starts at " << index.line_start(i) << ", model " << m.starts[i];
    std::array<int32_t, 32> histogram{};
    for (size_t i = 0; i < m.starts.size(); ++i)
        ++histogram[std::bit_width(static_cast<uint32_t>(model_line_length(m, i)))];
    if (histogram != doc.index().length_histogram())
        return ::testing::AssertionFailure() << "length histogram differs";
    return ::testing::AssertionSuccess();
}

}  // namespace tessel::model
