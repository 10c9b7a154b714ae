// TokenStream: runs the scanner engine over stretches of the text into the token ring.
#include "parse/token_stream.h"

#include <algorithm>
#include <stdexcept>

namespace tessel {

// Takes the engine's tokens: real ones into the ring, pseudo-tokens to the failure sink.
// It runs once per token, so the ring's fill count is kept here, where the compiler can hold
// it in a register, and written back when the stretch is done.
struct TokenStreamSink {
    Token* ring;
    int32_t head;
    int32_t count;
    std::vector<Token>* failures;  // null when nobody listens

    void operator()(int32_t first, int32_t last, int16_t kind) {
        if (kind < 0) {
            if (failures) failures->push_back(Token{first, last, kind});
            return;
        }
        // The stretch length keeps the ring from filling up; a silent overwrite would lose
        // tokens.
        if (count == TokenStream::kRingSize) [[unlikely]]
            throw std::logic_error("token ring overflow");
        ring[size_t((head + count) & (TokenStream::kRingSize - 1))] = Token{first, last, kind};
        ++count;
    }
};

TokenStream::TokenStream(std::string_view text, const ScannerTables& tables,
                         uint8_t start_state, Job* job, ScanFailureSink* failures)
    : text_(text), tables_(tables), job_(job), failures_(failures) {
    if (text.size() > size_t(INT32_MAX - 1)) throw std::length_error("text too long to scan");
    if (start_state >= tables.state_count()) throw std::invalid_argument("no such start state");
    cursor_.state = start_state;
    const int32_t length = int32_t(text.size());
    end_of_file_ = Token{length, length - 1, xml_end_of_file};
}

void TokenStream::scan_stretch() {
    const int32_t length = int32_t(text_.size());
    // A stretch of n bytes completes at most n + 4 tokens (its last character may reach 3
    // bytes beyond it, and one token may have begun before it); the end adds two more.
    const int32_t room = kRingSize - count_ - 6;
    const int32_t to = scanned_ + std::min(std::min(kStretchBytes, room), length - scanned_);
    TokenStreamSink sink{ring_.data(), head_, count_, failures_ ? &failed_ : nullptr};
    scanned_ = scan_run(tables_, text_.data(), length, scanned_, to, length, cursor_, sink);
    if (scanned_ >= length) {
        scan_finish(tables_, length, xml_end_of_file, cursor_, sink);
        finished_ = true;
    }
    count_ = sink.count;
    if (failed_from_ < failed_.size()) next_failure_ = failed_[failed_from_].first;
    if (job_) {
        job_->set_progress(int(scanned_ * 100.0 / (length + 1.0)));
        job_->yield_point();
    }
}

const Token& TokenStream::fill_and_peek(int ahead) {
    while (!finished_ && (count_ < kLowWater || count_ <= ahead)) scan_stretch();
    const Token& t = ahead >= count_ ? end_of_file_ : ring_[size_t((head_ + ahead) & (kRingSize - 1))];
    if (ahead == 0 && t.first > next_failure_) report_failures(t.first);
    return t;
}

void TokenStream::report_failures(int32_t before) {
    while (failed_from_ < failed_.size() && failed_[failed_from_].first < before)
        failures_->scan_failure(failed_[failed_from_++]);
    if (failed_from_ == failed_.size()) {
        failed_.clear();
        failed_from_ = 0;
        next_failure_ = INT32_MAX;
    } else {
        next_failure_ = failed_[failed_from_].first;
    }
}

void TokenStream::skip_to(int32_t offset, uint8_t state) {
    const int32_t length = int32_t(text_.size());
    if (offset < 0 || offset > length) throw std::out_of_range("skip beyond the text");
    if (state >= tables_.state_count()) throw std::invalid_argument("no such start state");
    head_ = (head_ + count_) & (kRingSize - 1);
    count_ = 0;
    if (failures_ && scanned_ < offset) {
        // The rest of the text passed over is scanned for its failures only.
        struct FailuresOnly {
            std::vector<Token>* failures;
            void operator()(int32_t first, int32_t last, int16_t kind) {
                if (kind < 0) failures->push_back(Token{first, last, kind});
            }
        } sink{&failed_};
        scan_run(tables_, text_.data(), length, scanned_, offset, length, cursor_, sink);
    }
    // Those from offset on are found again by the scan that starts there.
    while (failed_.size() > failed_from_ && failed_.back().first >= offset) failed_.pop_back();
    next_failure_ = failed_from_ < failed_.size() ? failed_[failed_from_].first : INT32_MAX;
    cursor_ = ScanCursor{state, offset};
    scanned_ = offset;
    finished_ = false;
}

std::string_view TokenStream::text_of(const Token& t) const {
    if (t.last < t.first) return {};
    return text_.substr(size_t(t.first), size_t(t.length()));
}

}  // namespace tessel
