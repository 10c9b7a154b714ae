// StringBuilder: an appendable 8-bit text buffer that starts in a 1 024-byte inline buffer
// and moves to the heap, doubling, when the text outgrows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessel {

class StringBuilder {
public:
    static constexpr size_t kInlineBytes = 1024;

    StringBuilder();
    // start_ may point into inline_, so a copy or move would have to re-aim it; builders are
    // short-lived locals and are never copied.
    StringBuilder(const StringBuilder&) = delete;
    StringBuilder& operator=(const StringBuilder&) = delete;

    // Called when the cursor has reached the end: moves the text to a heap buffer twice its
    // length plus room for the terminator. False when no memory could be had; appends then
    // drop what does not fit (see dropped).
    virtual bool grow();
    // Frees the heap buffer and goes back to the empty inline buffer.
    virtual void release();
    // Only this class's release runs here; a derived class that overrides it calls its own.
    virtual ~StringBuilder();

    void append(std::string_view text);
    void append(char c);
    void append_int(int64_t value);
    // Milliseconds above 1000 as "1.50 seconds", others as "12.50 milliseconds".
    void append_duration(double milliseconds);

    // Always zero-terminated.
    const char* c_str() const { return start_; }
    size_t size() const { return static_cast<size_t>(cursor_ - start_); }
    bool empty() const { return cursor_ == start_; }
    std::string_view view() const { return {start_, size()}; }
    // Bytes the text can hold before the next growth, not counting the terminator.
    size_t capacity() const { return static_cast<size_t>(end_ - start_); }
    bool on_heap() const { return heap_ != nullptr; }
    // An append found no room (grow failed) and left out what did not fit: the text is cut.
    bool dropped() const { return dropped_; }
    // Empties the text and keeps the current buffer for reuse.
    void clear() {
        cursor_ = start_;
        *cursor_ = 0;
        dropped_ = false;
    }

protected:
    // The text, for a derived builder that rewrites it in place.
    char* text_data() { return start_; }
    // Moves the text to a heap buffer that holds capacity bytes (at least the current
    // length) and the terminator. False when no memory could be had.
    bool grow_to(size_t capacity);

private:
    char* heap_ = nullptr;
    char* start_;
    char* cursor_;
    // The last byte of the buffer: the text may fill everything before it, and the
    // terminator sits at the cursor, so it lands here when the buffer is full.
    char* end_;
    bool dropped_ = false;
    char inline_[kInlineBytes];
};

}  // namespace tessel
