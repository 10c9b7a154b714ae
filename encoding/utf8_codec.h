// Utf8Codec: the text is UTF-8 already, so both directions hand the input back unchanged and
// unchecked, without a copy; only the byte-order mark differs between the two encodings.
#pragma once

#include "encoding/encoding.h"

namespace tessel {

class Utf8Codec final : public Codec {
public:
    explicit Utf8Codec(bool with_mark) : with_mark_(with_mark) {}

    size_t decode(Arena*, const char* bytes, size_t count, std::string_view* out,
                  bool = false) override {
        *out = std::string_view(bytes, count);
        return count;
    }
    size_t encode(Arena*, const char* bytes, size_t count, std::string_view* out,
                  bool = false) override {
        *out = std::string_view(bytes, count);
        return count;
    }
    int write_bom(char* buffer) const override {
        if (!with_mark_) return 0;
        buffer[0] = '\xEF';
        buffer[1] = '\xBB';
        buffer[2] = '\xBF';
        return 3;
    }

private:
    bool with_mark_;
};

}  // namespace tessel
