// TokenStream: the parser's view of the scanner, a ring of 1024 tokens filled stretch by
// stretch as the parser peeks, reporting progress and scan failures as it goes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "foundation/job.h"
#include "parse/scanner_engine.h"
#include "parse/token.h"

namespace tessel {

// Receives the pseudo-tokens (kind kInvalidUtf8Kind or kControlCharKind), in text order, as
// the stream meets them; they never reach the parser through peek.
class ScanFailureSink {
public:
    virtual ~ScanFailureSink() = default;
    virtual void scan_failure(const Token& t) = 0;
};

class TokenStream {
public:
    static constexpr int32_t kRingSize = 1024;
    // The scanner runs another stretch whenever fewer tokens than this are queued.
    static constexpr int32_t kLowWater = 10;
    // Bytes per stretch at most.
    static constexpr int32_t kStretchBytes = 1024;
    // How far a parser may peek ahead.
    static constexpr int kMaxAhead = 8;

    // job and failures may be null. The text must outlive the stream.
    TokenStream(std::string_view text, const ScannerTables& tables, uint8_t start_state,
                Job* job, ScanFailureSink* failures);

    // The token `ahead` places after the next one (ahead < kMaxAhead); past the end of the
    // text, the end-of-file token. May run the scanner, and so throw JobCancelled.
    const Token& peek(int ahead = 0) {
        if (ahead >= count_ || (count_ < kLowWater && !finished_)) return fill_and_peek(ahead);
        return ring_[size_t((head_ + ahead) & (kRingSize - 1))];
    }
    // Consumes peek(0). Inline: the parser calls it once per token.
    void advance() {
        previous_ = peek(0);
        has_previous_ = true;
        if (count_ > 0) {
            head_ = (head_ + 1) & (kRingSize - 1);
            --count_;
        }
    }
    // The last token consumed, or null before the first advance.
    const Token* previous() const { return has_previous_ ? &previous_ : nullptr; }
    std::string_view text_of(const Token& t) const;

private:
    const Token& fill_and_peek(int ahead);
    void scan_stretch();

    std::string_view text_;
    const ScannerTables& tables_;
    Job* job_;
    ScanFailureSink* failures_;
    ScanCursor cursor_;
    int32_t scanned_ = 0;  // offset up to which the scanner has read
    bool finished_ = false;
    Token end_of_file_;
    std::array<Token, kRingSize> ring_;
    int32_t head_ = 0;
    int32_t count_ = 0;
    Token previous_{0, -1, 0};
    bool has_previous_ = false;
};

}  // namespace tessel
