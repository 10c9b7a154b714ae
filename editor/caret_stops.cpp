// Caret stops and words over the text store, one byte read at a time through its piece cache.
#include "editor/caret_stops.h"

#include <algorithm>

#include "text/utf8_boundary.h"
#include "text/utf8_reader.h"

namespace tessel {

namespace {

auto byte_reader(TextStore& store) {
    return [&store](int32_t i) { return store.byte_at(i); };
}

// Code points outside ASCII that are punctuation, symbols or spaces rather than letters:
// Latin-1's symbols, the general punctuation, symbol and arrow blocks, CJK punctuation and
// the full-width forms' punctuation. A coarse rule, but it keeps "€", "—" and "。" out of
// words without a Unicode property table.
bool is_non_ascii_letter(uint32_t c) {
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
    if (c >= 0x2000 && c <= 0x2BFF) return false;
    if (c >= 0x3000 && c <= 0x303F) return false;
    if (c >= 0xFF00 && c <= 0xFF0F) return false;
    return true;
}

}  // namespace

TextPos next_caret_stop(TextStore& store, TextPos pos) {
    if (store.byte_at(pos) == '\r' && pos + 1 < store.length() && store.byte_at(pos + 1) == '\n')
        return pos + 2;
    return next_char_boundary(byte_reader(store), store.length(), pos);
}

TextPos previous_caret_stop(TextStore& store, TextPos pos) {
    if (pos >= 2 && store.byte_at(pos - 1) == '\n' && store.byte_at(pos - 2) == '\r') return pos - 2;
    return previous_char_boundary(byte_reader(store), pos);
}

CharClass char_class_at(TextStore& store, TextPos pos) {
    const auto b = static_cast<unsigned char>(store.byte_at(pos));
    if (b < 0x80) {
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_')
            return CharClass::word;
        if (b == ' ' || b == '\t') return CharClass::blank;
        if (b == '\n' || b == '\r') return CharClass::line_end;
        return CharClass::other;
    }
    uint8_t bytes[4];
    const int32_t n = std::min(4, store.length() - pos);
    for (int32_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(store.byte_at(pos + i));
    const Utf8Step step = read_utf8(bytes, static_cast<size_t>(n));
    return step.kind == Utf8Step::kChar && is_non_ascii_letter(step.code) ? CharClass::word
                                                                           : CharClass::other;
}

TextPos next_word_end(TextStore& store, TextPos pos) {
    const TextPos length = store.length();
    while (pos < length && char_class_at(store, pos) != CharClass::word) pos = next_caret_stop(store, pos);
    while (pos < length && char_class_at(store, pos) == CharClass::word) pos = next_caret_stop(store, pos);
    return pos;
}

TextPos previous_word_start(TextStore& store, TextPos pos) {
    auto before_is_word = [&](TextPos p) {
        return char_class_at(store, previous_caret_stop(store, p)) == CharClass::word;
    };
    while (pos > 0 && !before_is_word(pos)) pos = previous_caret_stop(store, pos);
    while (pos > 0 && before_is_word(pos)) pos = previous_caret_stop(store, pos);
    return pos;
}

TextSpan word_span_at(TextStore& store, TextPos pos) {
    const TextPos length = store.length();
    CharClass at = pos < length ? char_class_at(store, pos) : CharClass::line_end;
    if (at != CharClass::word && pos > 0 &&
        char_class_at(store, previous_caret_stop(store, pos)) == CharClass::word) {
        pos = previous_caret_stop(store, pos);
        at = CharClass::word;
    }
    if (at == CharClass::line_end) return {pos, pos};
    if (at == CharClass::other) return {pos, next_caret_stop(store, pos)};
    TextSpan span{pos, pos};
    while (span.end < length && char_class_at(store, span.end) == at)
        span.end = next_caret_stop(store, span.end);
    while (span.first > 0) {
        const TextPos before = previous_caret_stop(store, span.first);
        if (char_class_at(store, before) != at) break;
        span.first = before;
    }
    return span;
}

}  // namespace tessel
