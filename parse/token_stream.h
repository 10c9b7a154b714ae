// TokenStream: the parser's view of the scanner, a ring of 1024 tokens filled stretch by
// stretch as the parser peeks, reporting progress and scan failures as it goes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/job.h"
#include "parse/scanner_engine.h"
#include "parse/token.h"

namespace tessel {

// Receives the pseudo-tokens (kind kInvalidUtf8Kind or kControlCharKind) in text order, when
// the parser reaches them: each just before the first token after it is peeked at. They never
// reach the parser through peek, and those beyond the place where a parse ends are never
// reported (the scanner runs ahead of the parser).
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
        const Token& t = ring_[size_t((head_ + ahead) & (kRingSize - 1))];
        if (ahead == 0 && t.first > next_failure_) [[unlikely]]
            report_failures(t.first);
        return t;
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
    // Passes over the text up to `offset` (at or after the next token's start) unread: the
    // tokens queued are dropped and scanning starts again at offset in `state`. Scan failures
    // before offset are still reported, as if the text had been read.
    void skip_to(int32_t offset, uint8_t state);
    // The last token consumed, or null before the first advance.
    const Token* previous() const { return has_previous_ ? &previous_ : nullptr; }
    std::string_view text_of(const Token& t) const;
    std::string_view text() const { return text_; }

private:
    const Token& fill_and_peek(int ahead);
    void scan_stretch();
    // Hands the failures before offset `before` to the sink.
    void report_failures(int32_t before);

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
    // Pseudo-tokens scanned but not yet reported, from failed_from_ on, and the offset of the
    // first of them (INT32_MAX when there is none).
    std::vector<Token> failed_;
    size_t failed_from_ = 0;
    int32_t next_failure_ = INT32_MAX;
};

}  // namespace tessel
