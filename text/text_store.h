// TextStore: the document's UTF-8 text held in a list of large pieces, so that
// multi-megabyte documents load, edit and save without one huge allocation.
#pragma once

#include <cstdint>
#include <climits>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "foundation/arena.h"
#include "foundation/array.h"
#include "text/text_pos.h"

namespace tessel {

// Bytes start..start+length-1 of the text: either a heap block of its own of length + 1
// bytes (zero-terminated), or a stretch of the store's load block (see expect), which is
// not terminated.
struct Piece {
    char* data;
    int32_t length;
    TextPos start;
};

class TextStore {
public:
    // Pieces are cut to this size when text is set or rebuilt.
    static constexpr int32_t kPieceSize = 1'000'000;
    // A buffer in [kTakeWhole, kMaxAppend] bytes becomes one piece as it is.
    static constexpr int32_t kTakeWhole = 700'000;
    static constexpr int32_t kMaxAppend = 1'599'999;
    // The most bytes the text may hold: every offset is a signed 32-bit TextPos, and the
    // offset just past the text's end must be one too (the parsers' scanner counts on it).
    // Every change that would grow the text beyond it is refused whole.
    static constexpr int32_t kMaxLength = INT32_MAX - 1;

    TextStore() = default;
    TextStore(const TextStore&) = delete;
    TextStore& operator=(const TextStore&) = delete;
    ~TextStore();

    int32_t length() const { return length_; }
    int32_t piece_count() const { return pieces_.size(); }
    const Piece& piece(int32_t i) const { return pieces_[i]; }

    // Pointer to bytes first..last when both lie in one piece, without copying; null
    // otherwise (and for an empty or out-of-range span).
    const char* range_ptr(TextPos first, TextPos last);
    // A zero-terminated copy of first..last (clamped to the text) from the arena; the empty
    // text when last < first, first >= length or first == -1.
    char* copy_range(Arena& arena, TextPos first, TextPos last) const;
    // The same bytes as a std::string, for callers outside the arenas' world.
    std::string substr(TextPos first, int32_t count) const;
    std::string text() const { return substr(0, length_); }
    // The byte at pos (0 outside the text), through the lookup cache.
    char byte_at(TextPos pos) {
        if (pos >= cache_first_ && pos <= cache_last_)
            return pieces_[cache_piece_].data[pos - cache_first_];
        return byte_at_slow(pos);
    }
    // Index of the piece holding pos (binary search), or -1.
    int32_t find_piece(TextPos pos) const;

    // The limit of this store: kMaxLength, or less where a test sets it lower.
    int32_t max_length() const { return max_length_; }
    // Counts the changes made so far: a reader that gives the lock up between slices of the
    // text compares it to know whether the text changed meanwhile.
    uint64_t changes() const { return changes_; }
    void set_max_length(int32_t bytes) { max_length_ = bytes; }
    // Whether n more bytes fit (n may be negative).
    bool can_grow(int64_t n) const { return int64_t{length_} + n <= max_length_; }

    void clear();
    // Both refuse (false, nothing changed) a text that would pass kMaxLength.
    bool set_text(std::string_view text);
    // Appends bytes at the end; used block by block while loading.
    bool append(std::string_view bytes);

    // A load of about `bytes` into the empty store is coming: its appends are written into
    // one block of that size, cut into pieces that point into it, so that the loaded text
    // lies in memory as one run and a parse can read it where it is (shared_text) instead of
    // copying it. Small loads are left to ordinary pieces.
    void expect(int64_t bytes);
    // The load is over: a block that did not take the whole text, or that is far larger than
    // it, is given up (its pieces copied into blocks of their own).
    void settle();
    // The whole text as one run of the load block, and the block's owner, which keeps it
    // alive however the store changes afterwards. False once any edit has moved a stretch of
    // the text out of the block (a parse then copies the text).
    bool shared_text(std::shared_ptr<const char>* owner, std::string_view* text) const;
    // The heap bytes the text takes: the pieces' own blocks and the load block.
    size_t held_bytes() const;
    // Whether a piece lies in the load block (and is not a heap block of its own).
    bool borrowed(const Piece& piece) const {
        return block_ && piece.data >= block_.get() && piece.data < block_.get() + block_capacity_;
    }
    // At each ascending position, delete_count bytes are replaced by that position's text:
    // texts holds one text for all positions or one per position, each insert_length bytes.
    // Returns false (and changes nothing) when the positions are out of order, overlap or
    // leave the text.
    bool replace_at(std::span<const TextPos> positions, int32_t delete_count,
                    std::span<const std::string_view> texts);
    // Whether replace_at would accept these arguments.
    bool can_replace(std::span<const TextPos> positions, int32_t delete_count,
                     std::span<const std::string_view> texts) const;

private:
    char byte_at_slow(TextPos pos);
    static int32_t find_piece_in(const Array<Piece>& pieces, TextPos pos);
    void reset_cache() { cache_piece_ = cache_first_ = cache_last_ = -1; }
    void append_cut(std::string_view bytes);  // adds pieces of at most kPieceSize bytes
    void push_piece(char* data, int32_t length);
    void free_pieces();
    // Copies the borrowed pieces into blocks of their own and drops the load block.
    void own_all_pieces();
    // Drops the load block once no piece points into it.
    void drop_unused_block();

    Array<Piece> pieces_;
    int32_t length_ = 0;
    uint64_t changes_ = 0;
    int32_t max_length_ = kMaxLength;
    int32_t cache_piece_ = -1;
    TextPos cache_first_ = -1;
    TextPos cache_last_ = -1;
    // The load block: filled front to back while filling_, never written again after.
    std::shared_ptr<char> block_;
    size_t block_capacity_ = 0;
    size_t block_fill_ = 0;
    bool filling_ = false;
};

}  // namespace tessel
