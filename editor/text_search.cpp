// The candidate test and scan of literal search, and the Find, Replace and Replace All jobs.
#include "editor/text_search.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "editor/find_state.h"
#include "foundation/array.h"
#include "foundation/job.h"
#include "foundation/number_format.h"
#include "seams/ui.h"
#include "text/text_document.h"
#include "text/text_store.h"

namespace tessel {

namespace {

// Progress is reported, and the job may be cancelled, once per this many candidates.
constexpr int32_t kProgressStep = 256;

inline unsigned char fold(unsigned char c) {
    return static_cast<unsigned char>(c - 'A') < 26 ? static_cast<unsigned char>(c | 0x20) : c;
}

void warn_not_found(Ui* ui, std::string_view pattern, std::string_view caption) {
    if (!ui) return;
    std::string text = "Could not find string '";
    text.append(pattern);
    text += '\'';
    ui->message_box(text, caption, UiButtons::ok, UiIcon::warning);
}

// A replacement that would make the text larger than a document may be is refused whole.
bool refuse_growth(TextDocument& document, int64_t growth, Ui* ui) {
    if (document.store().can_grow(growth)) return false;
    if (ui)
        ui->message_box("Replacing would make the text longer than " +
                            with_commas(document.store().max_length()) +
                            " bytes, the most a document holds. Nothing was replaced.",
                        "Replace", UiButtons::ok, UiIcon::warning);
    return true;
}

void report(Job& job, int64_t counter, int64_t count) {
    job.set_progress(static_cast<int>(counter * 100 / count));
    job.yield_point();
}

}  // namespace

TextSearcher::TextSearcher(TextStore& store, std::string_view pattern, bool match_case,
                           bool whole_word)
    : store_(store), pattern_(pattern), match_case_(match_case), whole_word_(whole_word) {
    if (!match_case_)
        for (char& c : pattern_) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
    // Without match_case a letter probe ORs 0x20 into the text byte: only the two cases of
    // that letter give the lower-case value, so the probe stays exact.
    auto probe = [&](char c, unsigned char& value, unsigned char& or_mask) {
        value = static_cast<unsigned char>(c);
        or_mask = (!match_case_ && value >= 'a' && value <= 'z') ? 0x20 : 0;
    };
    const char first = pattern_.empty() ? 0 : pattern_.front();
    const char last = pattern_.empty() ? 0 : pattern_.back();
    probe(first, first_value_, first_or_);
    probe(last, last_value_, last_or_);
}

bool TextSearcher::equal_bytes(const char* text) const {
    const size_t n = pattern_.size();
    if (match_case_) return std::memcmp(text, pattern_.data(), n) == 0;
    for (size_t i = 0; i < n; ++i)
        if (fold(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(pattern_[i]))
            return false;
    return true;
}

bool TextSearcher::word_bounds_ok(unsigned char before, bool has_before, unsigned char after,
                                  bool has_after) const {
    return !(has_before && is_word_byte(before)) && !(has_after && is_word_byte(after));
}

int32_t TextSearcher::piece_of(TextPos pos) {
    const int32_t count = store_.piece_count();
    for (int32_t i = piece_; i < count && i <= piece_ + 1; ++i) {
        const Piece& p = store_.piece(i);
        if (pos >= p.start && pos < p.start + p.length) return piece_ = i;
    }
    if (piece_ > 0 && piece_ <= count) {
        const Piece& p = store_.piece(piece_ - 1);
        if (pos >= p.start && pos < p.start + p.length) return --piece_;
    }
    return piece_ = store_.find_piece(pos);
}

bool TextSearcher::test_in_piece(const char* p, int32_t size, int32_t g, TextPos base) {
    if (!equal_bytes(p + g)) return false;
    if (!whole_word_) return true;
    const int32_t n = pattern_length();
    const TextPos at = base + g;
    unsigned char before = 0, after = 0;
    const bool has_before = at > 0;
    const bool has_after = at + n < store_.length();
    if (has_before) before = static_cast<unsigned char>(g > 0 ? p[g - 1] : store_.byte_at(at - 1));
    if (has_after)
        after = static_cast<unsigned char>(g + n < size ? p[g + n] : store_.byte_at(at + n));
    return word_bounds_ok(before, has_before, after, has_after);
}

bool TextSearcher::test_across(TextPos g) {
    const int32_t n = pattern_length();
    const int32_t length = store_.length();
    if (g < 0 || n == 0 || g > length - n) return false;
    across_.resize(static_cast<size_t>(n));
    int32_t copied = 0;
    for (int32_t i = piece_of(g); copied < n; ++i) {
        const Piece& p = store_.piece(i);
        const int32_t from = g + copied - p.start;
        const int32_t take = std::min(n - copied, p.length - from);
        std::memcpy(across_.data() + copied, p.data + from, static_cast<size_t>(take));
        copied += take;
    }
    if (!equal_bytes(across_.data())) return false;
    if (!whole_word_) return true;
    const bool has_before = g > 0;
    const bool has_after = g + n < length;
    const auto before = static_cast<unsigned char>(has_before ? store_.byte_at(g - 1) : 0);
    const auto after = static_cast<unsigned char>(has_after ? store_.byte_at(g + n) : 0);
    return word_bounds_ok(before, has_before, after, has_after);
}

bool TextSearcher::test(TextPos g) {
    const int32_t n = pattern_length();
    if (g < 0 || n == 0 || g > store_.length() - n) return false;
    const Piece& p = store_.piece(piece_of(g));
    if (g + n <= p.start + p.length) return test_in_piece(p.data, p.length, g - p.start, p.start);
    return test_across(g);
}

// The scans look at the first and the last pattern byte of 16 candidates at once and run the
// full test only where both agree; an absent pattern thus costs a few instructions per 16
// bytes of text instead of a call per byte.
int32_t TextSearcher::scan_forward(const char* p, int32_t size, int32_t a, int32_t b,
                                   TextPos base) {
    const int32_t shift = pattern_length() - 1;
    int32_t g = a;
#if defined(__SSE2__)
    const __m128i fv = _mm_set1_epi8(static_cast<char>(first_value_));
    const __m128i fo = _mm_set1_epi8(static_cast<char>(first_or_));
    const __m128i lv = _mm_set1_epi8(static_cast<char>(last_value_));
    const __m128i lo = _mm_set1_epi8(static_cast<char>(last_or_));
    for (; g + 15 <= b; g += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + g));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + g + shift));
        const __m128i hit = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(x, fo), fv),
                                          _mm_cmpeq_epi8(_mm_or_si128(y, lo), lv));
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit));
        while (bits) {
            const int32_t k = __builtin_ctz(bits);
            if (test_in_piece(p, size, g + k, base)) return g + k;
            bits &= bits - 1;
        }
    }
#endif
    for (; g <= b; ++g) {
        if ((static_cast<unsigned char>(p[g]) | first_or_) != first_value_) continue;
        if ((static_cast<unsigned char>(p[g + shift]) | last_or_) != last_value_) continue;
        if (test_in_piece(p, size, g, base)) return g;
    }
    return -1;
}

int32_t TextSearcher::scan_backward(const char* p, int32_t size, int32_t a, int32_t b,
                                    TextPos base) {
    const int32_t shift = pattern_length() - 1;
    int32_t g = b + 1;  // candidates a..g-1 are left
#if defined(__SSE2__)
    const __m128i fv = _mm_set1_epi8(static_cast<char>(first_value_));
    const __m128i fo = _mm_set1_epi8(static_cast<char>(first_or_));
    const __m128i lv = _mm_set1_epi8(static_cast<char>(last_value_));
    const __m128i lo = _mm_set1_epi8(static_cast<char>(last_or_));
    while (g - 16 >= a) {
        g -= 16;
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + g));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + g + shift));
        const __m128i hit = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(x, fo), fv),
                                          _mm_cmpeq_epi8(_mm_or_si128(y, lo), lv));
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit));
        while (bits) {
            const int32_t k = 31 - __builtin_clz(bits);
            if (test_in_piece(p, size, g + k, base)) return g + k;
            bits &= ~(1u << k);
        }
    }
#endif
    for (--g; g >= a; --g) {
        if ((static_cast<unsigned char>(p[g]) | first_or_) != first_value_) continue;
        if ((static_cast<unsigned char>(p[g + shift]) | last_or_) != last_value_) continue;
        if (test_in_piece(p, size, g, base)) return g;
    }
    return -1;
}

TextPos TextSearcher::find_forward(TextPos lo, TextPos hi) {
    const int32_t n = pattern_length();
    if (n == 0) return -1;
    // A candidate closer than n bytes to the end cannot match.
    lo = std::max(lo, 0);
    hi = std::min(hi, store_.length() - n);
    while (lo <= hi) {
        const Piece& p = store_.piece(piece_of(lo));
        const TextPos inside_end = std::min(hi, p.start + p.length - n);
        if (lo <= inside_end) {
            const int32_t r =
                scan_forward(p.data, p.length, lo - p.start, inside_end - p.start, p.start);
            if (r >= 0) return p.start + r;
            lo = inside_end + 1;
        }
        // Candidates whose bytes run into the next piece.
        for (const TextPos end = std::min(hi, p.start + p.length - 1); lo <= end; ++lo)
            if (test_across(lo)) return lo;
    }
    return -1;
}

TextPos TextSearcher::find_backward(TextPos lo, TextPos hi) {
    const int32_t n = pattern_length();
    if (n == 0) return -1;
    lo = std::max(lo, 0);
    hi = std::min(hi, store_.length() - n);
    while (hi >= lo) {
        const Piece& p = store_.piece(piece_of(hi));
        const TextPos inside_end = p.start + p.length - n;
        for (; hi >= lo && hi > inside_end; --hi)
            if (test_across(hi)) return hi;
        if (hi < lo || hi < p.start) continue;
        const TextPos from = std::max(lo, p.start);
        const int32_t r = scan_backward(p.data, p.length, from - p.start, hi - p.start, p.start);
        if (r >= 0) return p.start + r;
        hi = from - 1;
    }
    return -1;
}

TextPos walk_search(TextSearcher& searcher, SearchCursor& cursor, Job& job) {
    const int64_t count = cursor.candidate_count();
    const TextPos length = cursor.length;
    for (int64_t i = 0; i < count; i += kProgressStep) {
        cursor.counter = static_cast<int32_t>(i);
        report(job, i, count);
        // This block's candidates: one stretch of the text, or two when it wraps around.
        const auto span = static_cast<int32_t>(std::min<int64_t>(kProgressStep, count - i) - 1);
        const TextPos p0 = cursor.candidate(static_cast<int32_t>(i));
        TextPos r;
        if (cursor.forward) {
            if (p0 + span < length) {
                r = searcher.find_forward(p0, p0 + span);
            } else {
                r = searcher.find_forward(p0, length - 1);
                if (r < 0) r = searcher.find_forward(0, p0 + span - length);
            }
        } else {
            if (p0 - span >= 0) {
                r = searcher.find_backward(p0 - span, p0);
            } else {
                r = searcher.find_backward(0, p0);
                if (r < 0) r = searcher.find_backward(p0 - span + length, length - 1);
            }
        }
        if (r >= 0) {
            cursor.counter = cursor.index_of(r);
            return r;
        }
    }
    cursor.counter = static_cast<int32_t>(count);
    return -1;
}

FindResult run_find(TextDocument& document, const FindState& state, bool forward, Job* job,
                    Ui* ui) {
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("Searching");
    const std::string_view pattern = state.find_text.view();
    FindResult result;
    if (!pattern.empty()) {
        TextSearcher searcher(document.store(), pattern, state.match_case, state.whole_word);
        SearchCursor cursor = make_search_cursor(
            document.selection_anchor(), std::max(document.caret(), 0), forward, document.length());
        const TextPos g = walk_search(searcher, cursor, *job);
        if (g >= 0) {
            document.set_selection(g, g + searcher.pattern_length());
            result.found = true;
            result.at = g;
            return result;
        }
    }
    warn_not_found(ui, pattern, "Find");
    return result;
}

FindResult run_replace(TextDocument& document, const FindState& state, Job* job, Ui* ui) {
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("Replacing");
    const std::string_view pattern = state.find_text.view();
    FindResult result;
    if (pattern.empty()) {
        warn_not_found(ui, pattern, "Replace");
        return result;
    }
    TextSearcher searcher(document.store(), pattern, state.match_case, state.whole_word);
    const int32_t n = searcher.pattern_length();
    TextPos g = -1;
    // The match the user sees selected (after Find Next) is the one to replace.
    const TextPos first = std::min(document.selection_anchor(), document.caret());
    const TextPos end = std::max(document.selection_anchor(), document.caret());
    if (end - first == n && searcher.test(first)) g = first;
    if (g < 0) {
        SearchCursor cursor = make_search_cursor(
            document.selection_anchor(), std::max(document.caret(), 0), true, document.length());
        g = walk_search(searcher, cursor, *job);
    }
    if (g < 0) {
        warn_not_found(ui, pattern, "Replace");
        return result;
    }
    const std::string_view replacement = state.replace_text.view();
    if (refuse_growth(document, static_cast<int64_t>(replacement.size()) - n, ui)) return result;
    if (!document.replace(replacement, g, n)) return result;
    document.set_selection(g, g + static_cast<TextPos>(replacement.size()));
    result.found = true;
    result.at = g;
    result.count = 1;
    return result;
}

FindResult run_replace_all(TextDocument& document, const FindState& state, Job* job, Ui* ui,
                           std::string* status_message) {
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("Searching");
    const std::string_view pattern = state.find_text.view();
    FindResult result;
    const int32_t length = document.length();
    TextPos first = 0, end = length;
    const bool in_selection = state.scope != FindState::kWholeFile;
    if (in_selection) {
        first = std::clamp(std::min(document.selection_anchor(), document.caret()), 0, length);
        end = std::clamp(std::max(document.selection_anchor(), document.caret()), 0, length);
    }
    TextSearcher searcher(document.store(), pattern, state.match_case, state.whole_word);
    const int32_t n = searcher.pattern_length();

    // The positions follow any edit made while the job yields, so they still name the same
    // bytes when the replacement is applied.
    Array<TextPos> found;
    document.add_anchor_list(&found);
    struct Unregister {
        TextDocument& document;
        Array<TextPos>* list;
        ~Unregister() { document.remove_anchor_list(list); }
    } unregister{document, &found};

    SearchCursor cursor = make_linear_cursor(first, end - 1, length);
    const int64_t count = n ? cursor.candidate_count() : 0;
    const TextPos last_start = end - n;  // a match lies wholly inside the scope
    TextPos next = first;                // candidates inside the previous match are skipped
    for (int64_t i = 0; i < count; i += kProgressStep) {
        cursor.counter = static_cast<int32_t>(i);
        report(*job, i, count);
        const TextPos block_end = std::min<TextPos>(
            cursor.start + static_cast<TextPos>(i) + kProgressStep - 1, last_start);
        TextPos g = std::max(cursor.start + static_cast<TextPos>(i), next);
        for (TextPos r; g <= block_end && (r = searcher.find_forward(g, block_end)) >= 0;
             g = next) {
            found.push_back(r);
            next = r + n;
        }
    }
    cursor.counter = static_cast<int32_t>(count);
    document.remove_anchor_list(&found);

    // An edit during a yield may have changed matched bytes or pushed matches together: keep
    // only positions that still match and do not overlap.
    int32_t kept = 0;
    for (int32_t i = 0; i < found.size(); ++i) {
        const TextPos g = found[i];
        if (kept && g < found[kept - 1] + n) continue;
        if (!searcher.test(g)) continue;
        found[kept++] = g;
    }
    found.resize(kept);

    if (found.empty()) {
        warn_not_found(ui, pattern, "Replace");
        return result;
    }
    const std::string_view replacement = state.replace_text.view();
    if (refuse_growth(document, (static_cast<int64_t>(replacement.size()) - n) * found.size(), ui))
        return result;
    if (!document.replace_multi(found.span(), n, replacement)) return result;
    result.found = true;
    result.at = found[0];
    result.count = found.size();
    if (in_selection) {
        // The selection keeps covering the text it held, now replaced.
        const int32_t growth = (static_cast<int32_t>(replacement.size()) - n) * found.size();
        document.set_selection(first, end + growth);
    }
    if (status_message) *status_message = "Replaced " + counted(result.count, "occurrence");
    return result;
}

}  // namespace tessel
