// CodecBuffer: where a codec puts one block's output. It is sized once per block for the
// worst case, so the conversion loops write without checks and never allocate per character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "foundation/arena.h"

namespace tessel {

class CodecBuffer {
public:
    // Room for bytes bytes: from the arena when one is given, otherwise the codec's own buffer,
    // which the next call reuses. Arena allocations are limited to 32 bits, so a larger request
    // (far beyond the 1 MB blocks of loading and saving) takes the own buffer too.
    char* get(Arena* arena, size_t bytes) {
        if (bytes == 0) bytes = 1;
        if (arena && bytes <= UINT32_MAX)
            return static_cast<char*>(arena->allocate(static_cast<uint32_t>(bytes)));
        if (bytes > capacity_) {
            data_.reset(new char[bytes]);
            capacity_ = bytes;
        }
        return data_.get();
    }

private:
    std::unique_ptr<char[]> data_;
    size_t capacity_ = 0;
};

}  // namespace tessel
