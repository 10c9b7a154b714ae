// StringBuilder: growth, release and the formatted appends.
#include "foundation/string_builder.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tessel {

StringBuilder::StringBuilder()
    : start_(inline_), cursor_(inline_), end_(inline_ + kInlineBytes - 1) {
    inline_[0] = 0;
}

StringBuilder::~StringBuilder() { StringBuilder::release(); }

bool StringBuilder::grow() { return grow_to(2 * size() + 1); }

bool StringBuilder::grow_to(size_t capacity) {
    const size_t length = size();
    if (capacity < length) return false;
    auto* fresh = static_cast<char*>(std::malloc(capacity + 1));
    if (!fresh) return false;
    std::memcpy(fresh, start_, length + 1);
    std::free(heap_);
    heap_ = fresh;
    start_ = fresh;
    cursor_ = fresh + length;
    end_ = fresh + capacity;
    return true;
}

void StringBuilder::release() {
    std::free(heap_);
    heap_ = nullptr;
    start_ = cursor_ = inline_;
    end_ = inline_ + kInlineBytes - 1;
    inline_[0] = 0;
}

void StringBuilder::append(std::string_view text) {
    const char* p = text.data();
    size_t left = text.size();
    // Growth happens only with the cursor at the end (its new size follows from the length
    // then), so a long text is copied in pieces that each fill the buffer.
    while (left) {
        if (cursor_ == end_ && !grow()) {
            dropped_ = true;
            break;
        }
        size_t n = static_cast<size_t>(end_ - cursor_);
        if (n > left) n = left;
        std::memcpy(cursor_, p, n);
        cursor_ += n;
        p += n;
        left -= n;
    }
    *cursor_ = 0;
}

void StringBuilder::append(char c) {
    if (cursor_ == end_ && !grow()) {
        dropped_ = true;
        return;
    }
    *cursor_++ = c;
    *cursor_ = 0;
}

void StringBuilder::append_int(int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    append(std::string_view(digits, static_cast<size_t>(result.ptr - digits)));
}

void StringBuilder::append_duration(double milliseconds) {
    // "%.2f" of the largest double takes 309 digits plus sign and fraction.
    char text[400];
    int n = milliseconds > 1000
                ? std::snprintf(text, sizeof text, "%.2f seconds", milliseconds / 1000)
                : std::snprintf(text, sizeof text, "%.2f milliseconds", milliseconds);
    if (n > 0) append(std::string_view(text, static_cast<size_t>(n)));
}

}  // namespace tessel
