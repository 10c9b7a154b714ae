// The XML indenter: the whole document written again from its tree with uniform
// indentation, one element a line, optionally without comments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/string_builder.h"
#include "parse/document_tree.h"
#include "parse/indent_options.h"

namespace tessel {

class Job;

// The most an indented document may take: positions in a document are 32-bit.
inline constexpr size_t kMaxIndentedBytes = INT32_MAX;

// A StringBuilder that notices when it could not grow, so that a text cut short by a lack of
// memory is never taken for the whole document.
class IndentedText final : public StringBuilder {
public:
    bool grow() override {
        if (StringBuilder::grow()) return true;
        out_of_memory_ = true;
        return false;
    }
    bool out_of_memory() const { return out_of_memory_; }

private:
    bool out_of_memory_ = false;
};

enum class IndentStatus {
    done,
    too_large,      // the indented text would be larger than max_bytes
    out_of_memory,  // there was no memory for the indented text
};

// Writes the indented document into out (which should be empty). job's yield point is
// called now and then (it may throw JobCancelled). Anything but done leaves out incomplete.
IndentStatus write_indented(DocumentTree& tree, const IndentOptions& options, IndentedText& out,
                            Job* job = nullptr, size_t max_bytes = kMaxIndentedBytes);

// The indented document, or nothing when it could not be made (see IndentStatus).
std::optional<std::string> indent_document(DocumentTree& tree, const IndentOptions& options);

}  // namespace tessel
