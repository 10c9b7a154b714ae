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
#include "text/line_index.h"
#include "text/text_store.h"

namespace tessel {

class Job;

// The most an indented document may take: what a document's text can hold, so that an
// output that fits here is never refused when it replaces the text.
inline constexpr size_t kMaxIndentedBytes = TextStore::kMaxLength;

enum class IndentStatus {
    done,
    too_large,      // the indented text would be larger than its limit
    out_of_memory,  // there was no memory for the indented text
};

// The builder of an indented text. It never holds more than its limit (its buffer stops
// growing there), and once it could not grow, for the limit or for a lack of memory, it
// refuses every further growth at once, so that the writers, which stop when an append was
// cut (dropped), stop at the first byte too many instead of walking on and asking again.
class IndentedText : public StringBuilder {
public:
    explicit IndentedText(size_t max_bytes = kMaxIndentedBytes) : max_bytes_(max_bytes) {}
    bool grow() override;
    size_t max_bytes() const { return max_bytes_; }
    // done while nothing was refused; clear() does not reset it.
    IndentStatus status() const { return status_; }
    // Makes every line feed that no carriage return precedes a CR LF, in place (the text
    // grows by one byte for each). False when it would pass the limit or memory ran out
    // (status says which).
    bool use_crlf();
    // Empties the text for another write.
    void restart() {
        clear();
        status_ = IndentStatus::done;
    }

protected:
    // The allocation itself (a test may make it fail).
    virtual bool grow_buffer(size_t capacity) { return grow_to(capacity); }

private:
    size_t max_bytes_;
    IndentStatus status_ = IndentStatus::done;
};

// Why indenting a tree could lose text, in the order the checks are made.
enum class IndentRisk {
    none,
    no_document,   // no tree, or a parse that failed outright (no root)
    errors,        // the diagnostics hold an error
    dropped_text,  // the parse passed over text the tree does not hold (see first_dropped_text)
};
IndentRisk indent_risk(DocumentTree* tree);

// The line ending of a text as its first line end has it; LF when it has none.
LineEnding first_line_ending(std::string_view text);

// Writes the indented document into out, emptied first. job's yield point is called now and
// then (it may throw JobCancelled). Anything but done leaves out incomplete. With
// LineEnding::crlf every line of the output ends CR LF (the document's own line ends, in
// texts and comments, included); otherwise the written lines end LF.
IndentStatus write_indented(DocumentTree& tree, const IndentOptions& options, IndentedText& out,
                            Job* job = nullptr, LineEnding line_ending = LineEnding::lf);

// The indented document, or nothing when it could not be made (see IndentStatus).
std::optional<std::string> indent_document(DocumentTree& tree, const IndentOptions& options);

}  // namespace tessel
