// TextStore: piece list maintenance. replace_at rebuilds the piece list in one pass, moving
// untouched pieces whole and copying only the changed stretches and their neighbours.
#include "text/text_store.h"

#include <algorithm>
#include <climits>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <new>

namespace tessel {

namespace {

char* new_block(int32_t length) {
    char* data = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (!data) throw std::bad_alloc();
    data[length] = 0;
    return data;
}

// A growing byte buffer whose block can be handed over as a piece without copying.
class PieceBuffer {
public:
    ~PieceBuffer() { std::free(data_); }
    int32_t size() const { return size_; }
    const char* data() const { return data_; }
    // Room for n bytes, so that an edit whose size is known copies its piece only once.
    void reserve(int32_t n) {
        if (static_cast<size_t>(n) + 1 <= capacity_) return;
        char* grown = static_cast<char*>(std::realloc(data_, static_cast<size_t>(n) + 1));
        if (!grown) throw std::bad_alloc();
        data_ = grown;
        capacity_ = static_cast<size_t>(n) + 1;
    }
    // The buffer never holds more than the new text, so size_ + n stays within 32 bits; the
    // capacity grows past that by half and is counted in size_t.
    void append(const char* bytes, int32_t n) {
        const size_t needed = static_cast<size_t>(size_) + static_cast<size_t>(n) + 1;
        if (needed > capacity_) {
            const size_t capacity = std::max<size_t>(needed / 2 * 3, size_t{1} << 16);
            char* grown = static_cast<char*>(std::realloc(data_, capacity));
            if (!grown) throw std::bad_alloc();
            data_ = grown;
            capacity_ = capacity;
        }
        std::memcpy(data_ + size_, bytes, static_cast<size_t>(n));
        size_ += n;
    }
    // The first n bytes as a piece block; the rest stays in the buffer.
    char* take(int32_t n) {
        if (n == size_) {
            char* block = static_cast<char*>(std::realloc(data_, static_cast<size_t>(n) + 1));
            if (!block) block = data_;
            block[n] = 0;
            data_ = nullptr;
            size_ = capacity_ = 0;
            return block;
        }
        char* block = new_block(n);
        std::memcpy(block, data_, static_cast<size_t>(n));
        std::memmove(data_, data_ + n, static_cast<size_t>(size_ - n));
        size_ -= n;
        return block;
    }

private:
    char* data_ = nullptr;
    int32_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace

TextStore::~TextStore() { free_pieces(); }

void TextStore::free_pieces() {
    for (Piece& p : pieces_)
        if (!borrowed(p)) std::free(p.data);
    pieces_.clear();
    block_.reset();
    block_capacity_ = block_fill_ = 0;
    filling_ = false;
}

void TextStore::clear() {
    ++changes_;
    free_pieces();
    length_ = 0;
    reset_cache();
}

size_t TextStore::held_bytes() const {
    size_t bytes = block_capacity_;
    for (const Piece& p : pieces_)
        if (!borrowed(p)) bytes += static_cast<size_t>(p.length) + 1;
    return bytes;
}

void TextStore::expect(int64_t bytes) {
    // Below this a copy for the parse costs nothing worth saving.
    constexpr int64_t kSmallest = 4 << 20;
    if (!pieces_.empty() || bytes < kSmallest) return;
    bytes = std::min<int64_t>(bytes, max_length_);
    char* block = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
    if (!block) return;  // ordinary pieces then
    block_ = std::shared_ptr<char>(block, [](char* b) { std::free(b); });
    block_capacity_ = static_cast<size_t>(bytes);
    block_fill_ = 0;
    filling_ = true;
}

void TextStore::settle() {
    filling_ = false;
    if (!block_) return;
    std::shared_ptr<const char> owner;
    std::string_view text;
    // A block of a file whose text came out much shorter than its bytes (UTF-16) would
    // hold memory nothing uses.
    if (!shared_text(&owner, &text) || block_fill_ < block_capacity_ / 4 * 3) own_all_pieces();
}

void TextStore::own_all_pieces() {
    for (Piece& p : pieces_) {
        if (!borrowed(p)) continue;
        char* data = new_block(p.length);
        std::memcpy(data, p.data, static_cast<size_t>(p.length));
        p.data = data;
    }
    block_.reset();
    block_capacity_ = block_fill_ = 0;
    reset_cache();
}

void TextStore::drop_unused_block() {
    if (!block_) return;
    for (const Piece& p : pieces_)
        if (borrowed(p)) return;
    block_.reset();
    block_capacity_ = block_fill_ = 0;
    filling_ = false;
}

bool TextStore::shared_text(std::shared_ptr<const char>* owner, std::string_view* text) const {
    if (!block_ || filling_ || pieces_.empty()) return false;
    const char* base = block_.get();
    for (const Piece& p : pieces_)
        if (p.data != base + p.start) return false;
    *owner = block_;
    *text = std::string_view(base, static_cast<size_t>(length_));
    return true;
}

void TextStore::push_piece(char* data, int32_t length) {
    pieces_.push_back(Piece{data, length, length_});
    length_ += length;
}

void TextStore::append_cut(std::string_view bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        int32_t n = static_cast<int32_t>(std::min<size_t>(kPieceSize, bytes.size() - at));
        char* block = new_block(n);
        std::memcpy(block, bytes.data() + at, static_cast<size_t>(n));
        push_piece(block, n);
        at += static_cast<size_t>(n);
    }
}

bool TextStore::set_text(std::string_view text) {
    if (text.size() > static_cast<size_t>(max_length_)) return false;
    clear();
    append_cut(text);
    return true;
}

bool TextStore::append(std::string_view bytes) {
    if (bytes.empty()) return true;
    if (bytes.size() > static_cast<size_t>(max_length_) ||
        !can_grow(static_cast<int64_t>(bytes.size())))
        return false;
    ++changes_;
    if (filling_) {
        if (block_fill_ + bytes.size() <= block_capacity_) {
            char* at = block_.get() + block_fill_;
            std::memcpy(at, bytes.data(), bytes.size());
            block_fill_ += bytes.size();
            // The last piece takes what it has room for, then pieces of kPieceSize follow.
            size_t done = 0;
            if (!pieces_.empty()) {
                Piece& last = pieces_.back();
                if (last.data + last.length == at && last.length < kPieceSize) {
                    const int32_t take = static_cast<int32_t>(
                        std::min<size_t>(static_cast<size_t>(kPieceSize - last.length), bytes.size()));
                    last.length += take;
                    length_ += take;
                    done = static_cast<size_t>(take);
                }
            }
            while (done < bytes.size()) {
                const int32_t take = static_cast<int32_t>(std::min<size_t>(kPieceSize, bytes.size() - done));
                push_piece(at + done, take);
                done += static_cast<size_t>(take);
            }
            reset_cache();
            return true;
        }
        // More text than expected: the rest goes into pieces of their own, and settle()
        // gives the block up.
        filling_ = false;
    }
    if (pieces_.empty()) {
        append_cut(bytes);
        return true;
    }
    const int64_t n = static_cast<int64_t>(bytes.size());
    Piece last = pieces_.back();
    if (borrowed(last)) {
        // The block is never written again: new pieces follow it.
        append_cut(bytes);
        reset_cache();
        return true;
    }
    if (last.length < kTakeWhole || n > kMaxAppend + 1) {
        int64_t m = last.length + n;
        if (m <= kMaxAppend) {
            // The last piece grows in place. Its block grows geometrically, so that loading
            // in small blocks costs linear rather than quadratic time.
            Piece& p = pieces_.back();
            if (static_cast<size_t>(m) + 1 > malloc_usable_size(p.data)) {
                size_t capacity = std::min<size_t>(std::max<size_t>(static_cast<size_t>(m) + 1,
                                                                    2 * static_cast<size_t>(p.length) + 2),
                                                   static_cast<size_t>(kMaxAppend) + 1);
                char* grown = static_cast<char*>(std::realloc(p.data, capacity));
                if (!grown) throw std::bad_alloc();
                p.data = grown;
            }
            std::memcpy(p.data + p.length, bytes.data(), bytes.size());
            p.length = static_cast<int32_t>(m);
            p.data[m] = 0;
            length_ += static_cast<int32_t>(n);
            reset_cache();
            return true;
        }
        pieces_.pop_back();
        length_ -= last.length;
        {
            std::string joined;
            joined.reserve(static_cast<size_t>(m));
            joined.append(last.data, static_cast<size_t>(last.length));
            joined.append(bytes);
            append_cut(joined);
        }
        std::free(last.data);
    } else {
        char* block = new_block(static_cast<int32_t>(n));
        std::memcpy(block, bytes.data(), bytes.size());
        push_piece(block, static_cast<int32_t>(n));
    }
    reset_cache();
    return true;
}

int32_t TextStore::find_piece(TextPos pos) const { return find_piece_in(pieces_, pos); }

int32_t TextStore::find_piece_in(const Array<Piece>& pieces, TextPos pos) {
    if (pieces.empty() || pos < 0 || pos >= pieces.back().start + pieces.back().length) return -1;
    int32_t lo = 0, hi = pieces.size() - 1;
    while (lo < hi) {
        int32_t mid = (lo + hi + 1) / 2;
        if (pieces[mid].start <= pos)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

char TextStore::byte_at_slow(TextPos pos) {
    int32_t i = find_piece(pos);
    if (i < 0) return 0;
    const Piece& p = pieces_[i];
    cache_piece_ = i;
    cache_first_ = p.start;
    cache_last_ = p.start + p.length - 1;
    return p.data[pos - p.start];
}

const char* TextStore::range_ptr(TextPos first, TextPos last) {
    if (first < 0 || last < first || last >= length_) return nullptr;
    if (!(first >= cache_first_ && first <= cache_last_)) {
        int32_t i = find_piece(first);
        const Piece& p = pieces_[i];
        cache_piece_ = i;
        cache_first_ = p.start;
        cache_last_ = p.start + p.length - 1;
    }
    if (last > cache_last_) return nullptr;
    return pieces_[cache_piece_].data + (first - cache_first_);
}

char* TextStore::copy_range(Arena& arena, TextPos first, TextPos last) const {
    if (first < 0 || first >= length_ || last < first) return arena.copy_text("", 0);
    last = std::min(last, length_ - 1);
    int32_t n = last - first + 1;
    char* out = static_cast<char*>(arena.allocate(static_cast<uint32_t>(n) + 1));
    int32_t i = find_piece(first);
    int32_t done = 0;
    while (done < n) {
        const Piece& p = pieces_[i++];
        int32_t from = first + done - p.start;
        int32_t take = std::min(p.length - from, n - done);
        std::memcpy(out + done, p.data + from, static_cast<size_t>(take));
        done += take;
    }
    out[n] = 0;
    return out;
}

std::string TextStore::substr(TextPos first, int32_t count) const {
    std::string out;
    if (first < 0 || first >= length_ || count <= 0) return out;
    count = std::min(count, length_ - first);
    out.reserve(static_cast<size_t>(count));
    int32_t i = find_piece(first);
    while (count > 0) {
        const Piece& p = pieces_[i++];
        int32_t from = first - p.start;
        int32_t take = std::min(p.length - from, count);
        out.append(p.data + from, static_cast<size_t>(take));
        first += take;
        count -= take;
    }
    return out;
}

bool TextStore::can_replace(std::span<const TextPos> positions, int32_t delete_count,
                            std::span<const std::string_view> texts) const {
    const size_t count = positions.size();
    if (texts.empty() || (texts.size() != 1 && texts.size() != count) || delete_count < 0)
        return false;
    const size_t insert_length = texts[0].size();
    if (insert_length > static_cast<size_t>(max_length_)) return false;
    for (std::string_view t : texts)
        if (t.size() != insert_length) return false;
    for (size_t i = 0; i < count; ++i) {
        if (positions[i] < 0 || positions[i] > length_ - delete_count) return false;
        if (i && positions[i] < positions[i - 1] + delete_count) return false;
    }
    int64_t new_length = length_ + (static_cast<int64_t>(insert_length) - delete_count) *
                                       static_cast<int64_t>(count);
    return new_length <= max_length_;
}

bool TextStore::replace_at(std::span<const TextPos> positions, int32_t delete_count,
                           std::span<const std::string_view> texts) {
    const size_t count = positions.size();
    if (count == 0) return true;
    if (!can_replace(positions, delete_count, texts)) return false;
    ++changes_;
    const size_t insert_length = texts[0].size();
    [[maybe_unused]] const int64_t new_length =
        length_ + (static_cast<int64_t>(insert_length) - delete_count) * static_cast<int64_t>(count);

    if (count == 1 && positions[0] == length_ && delete_count == 0) {
        append(texts[0]);
        return true;
    }

    Array<Piece> old = std::move(pieces_);
    pieces_ = Array<Piece>();
    pieces_.reserve(old.size() + 2);
    length_ = 0;
    PieceBuffer buffer;
    // A local edit rebuilds the piece it falls in, and the buffer is handed over as a piece by
    // the time it holds kMaxAppend bytes: size it once for that.
    if (int32_t i = find_piece_in(old, positions[0]); i >= 0)
        buffer.reserve(std::min<int32_t>(kMaxAppend, old[i].length + static_cast<int32_t>(insert_length)));

    // The buffer becomes a piece whole between kTakeWhole and kMaxAppend bytes; above that
    // it is cut into pieces of kPieceSize and the rest stays buffered.
    auto settle_buffer = [&] {
        int32_t size = buffer.size();
        if (size >= kTakeWhole && size <= kMaxAppend) {
            push_piece(buffer.take(size), size);
        } else if (size > kMaxAppend) {
            while (buffer.size() >= kPieceSize) push_piece(buffer.take(kPieceSize), kPieceSize);
        }
    };
    int32_t pi = 0;  // the old piece the cursor is in
    auto copy_stretch = [&](TextPos a, TextPos b) {
        while (pi < old.size() && old[pi].start + old[pi].length <= a) ++pi;
        while (a < b) {
            Piece& p = old[pi];
            TextPos end = p.start + p.length;
            if (a == p.start && b >= end) {
                // A whole untouched piece moves without copying, unless a small buffer
                // has to go in front of it.
                if (buffer.size() == 0) {
                    push_piece(p.data, p.length);
                    p.data = nullptr;
                } else if (buffer.size() < kTakeWhole) {
                    buffer.append(p.data, p.length);
                    int32_t size = buffer.size();
                    push_piece(buffer.take(size), size);
                } else {
                    int32_t size = buffer.size();
                    push_piece(buffer.take(size), size);
                    push_piece(p.data, p.length);
                    p.data = nullptr;
                }
                a = end;
                ++pi;
                continue;
            }
            TextPos stop = std::min(b, end);
            buffer.append(p.data + (a - p.start), stop - a);
            settle_buffer();
            a = stop;
            if (a == end) ++pi;
        }
    };

    TextPos cursor = 0;
    for (size_t i = 0; i < count; ++i) {
        copy_stretch(cursor, positions[i]);
        std::string_view text = texts.size() == 1 ? texts[0] : texts[i];
        if (!text.empty()) {
            buffer.append(text.data(), static_cast<int32_t>(text.size()));
            settle_buffer();
        }
        cursor = positions[i] + delete_count;
    }
    copy_stretch(cursor, static_cast<TextPos>(old.size() ? old.back().start + old.back().length : 0));
    if (buffer.size()) {
        int32_t size = buffer.size();
        push_piece(buffer.take(size), size);
    }
    for (Piece& p : old)
        if (!borrowed(p)) std::free(p.data);
    drop_unused_block();
    reset_cache();
    assert(length_ == new_length);
    return true;
}

}  // namespace tessel
