// Filtering table rows: case folding, the three matchers and the "filter" job body.
#include "views/row_filter.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <vector>

namespace tessel {

namespace {

// The lower-case partner of a code point, for the scripts fold_case covers.
char32_t lower(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        if (c == 0x178) return 0xFF;
        // Capitals stand at even code points up to U+0137 and from U+014A to U+0177, and at
        // odd ones between.
        const bool odd_capitals = (c >= 0x139 && c <= 0x148) || c >= 0x179;
        return (c % 2 == 1) == odd_capitals ? c + 1 : c;
    }
    if (c >= 0x370 && c <= 0x3FF) {
        if (c == 0x370 || c == 0x372 || c == 0x376) return c + 1;
        if (c == 0x37F) return 0x3F3;
        if (c == 0x386) return 0x3AC;
        if (c >= 0x388 && c <= 0x38A) return c + 37;
        if (c == 0x38C) return 0x3CC;
        if (c == 0x38E || c == 0x38F) return c + 63;
        if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
        return c;
    }
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool is_ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

unsigned char ascii_lower(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + 32 : u;
}

// A needle of ASCII characters only: a byte of a multi-byte character never equals one of
// them, so the text is searched as it is, comparing bytes without regard to ASCII case. Cells
// are short: a scan for the first byte in either case, then the rest compared, beats the
// set-up of a skip table.
class AsciiSubstring final : public TextMatcher {
public:
    explicit AsciiSubstring(std::string_view needle) {
        for (char c : needle) needle_ += static_cast<char>(ascii_lower(c));
    }
    bool matches(std::string_view text, bool) override {
        const size_t m = needle_.size();
        if (m == 0) return true;
        if (text.size() < m) return false;
        const auto first = static_cast<unsigned char>(needle_[0]);
        const unsigned char other = first >= 'a' && first <= 'z' ? first - 32 : first;
        const char* data = text.data();
        for (size_t i = 0, last = text.size() - m; i <= last; ++i) {
            const auto c = static_cast<unsigned char>(data[i]);
            if (c != first && c != other) continue;
            size_t k = 1;
            while (k < m && ascii_lower(data[i + k]) == static_cast<unsigned char>(needle_[k])) ++k;
            if (k == m) return true;
        }
        return false;
    }

private:
    std::string needle_;
};

// Any other needle: the text is folded as the needle was, then searched.
class FoldedSubstring final : public TextMatcher {
public:
    explicit FoldedSubstring(std::string_view needle) : written_(needle) { fold_case(needle, needle_); }
    bool matches(std::string_view text, bool) override {
        // As written first: a needle of malformed bytes may fold apart from its own text.
        if (text.find(written_) != std::string_view::npos) return true;
        folded_.clear();
        fold_case(text, folded_);
        return folded_.find(needle_) != std::string::npos;
    }

private:
    std::string written_, needle_, folded_;
};

class Exact final : public TextMatcher {
public:
    explicit Exact(std::string value) : value_(std::move(value)) {}
    bool matches(std::string_view text, bool present) override {
        return present ? text == value_ : value_.empty();
    }

private:
    std::string value_;
};

// Compiled once with the just-in-time compiler where it is available. A match limit keeps
// one pathological expression from hanging the job; a cell it gives up on is not kept.
class Regex final : public TextMatcher {
public:
    static std::unique_ptr<TextMatcher> make(std::string_view pattern, std::string* error) {
        int code = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                             PCRE2_UTF | PCRE2_CASELESS | PCRE2_MATCH_INVALID_UTF, &code,
                                             &offset, nullptr);
        if (!compiled) {
            PCRE2_UCHAR message[256];
            pcre2_get_error_message(code, message, sizeof message);
            if (error)
                *error = "Invalid regular expression at character " + std::to_string(offset + 1) + ": " +
                         reinterpret_cast<const char*>(message);
            return nullptr;
        }
        return std::unique_ptr<TextMatcher>(new Regex(compiled));
    }
    ~Regex() override {
        pcre2_match_data_free(data_);
        pcre2_match_context_free(context_);
        pcre2_code_free(code_);
    }
    bool matches(std::string_view text, bool) override {
        const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0, data_, context_);
        if (rc >= 0) return true;
        if (rc != PCRE2_ERROR_NOMATCH) ++given_up;
        return false;
    }

private:
    explicit Regex(pcre2_code* code) : code_(code) {
        pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);  // falls back to the interpreter
        data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
        context_ = pcre2_match_context_create(nullptr);
        pcre2_set_match_limit(context_, 1'000'000);
        pcre2_set_depth_limit(context_, 10'000);
        pcre2_set_heap_limit(context_, 64 * 1024);  // KiB
    }
    pcre2_code* code_;
    pcre2_match_data* data_ = nullptr;
    pcre2_match_context* context_ = nullptr;
};

}  // namespace

void fold_case(std::string_view text, std::string& out) {
    out.reserve(out.size() + text.size());
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += static_cast<char>(ascii_lower(text[i]));
            ++i;
            continue;
        }
        // Two- and three-byte characters are decoded; anything else is copied byte by byte.
        const auto next = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
        if (b >= 0xC2 && b <= 0xDF && i + 1 < text.size() && (next(1) & 0xC0) == 0x80) {
            append_utf8(out, lower(static_cast<char32_t>(((b & 0x1F) << 6) | (next(1) & 0x3F))));
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF && i + 2 < text.size() && (next(1) & 0xC0) == 0x80 &&
                   (next(2) & 0xC0) == 0x80) {
            const char32_t c = ((b & 0x0F) << 12) | ((next(1) & 0x3F) << 6) | (next(2) & 0x3F);
            // An overlong or surrogate form is not a character: left as it is.
            if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) out.append(text.substr(i, 3));
            else append_utf8(out, lower(c));
            i += 3;
        } else {
            out += text[i];
            ++i;
        }
    }
}

std::unique_ptr<TextMatcher> TextMatcher::make(const RowFilter& filter, std::string* error) {
    switch (filter.match) {
        case RowFilter::Match::exact: return std::make_unique<Exact>(filter.text);
        case RowFilter::Match::regex: return Regex::make(filter.text, error);
        case RowFilter::Match::substring: break;
    }
    if (is_ascii(filter.text)) return std::make_unique<AsciiSubstring>(filter.text);
    return std::make_unique<FoldedSubstring>(filter.text);
}

namespace {

// One column's texts, matched as they come: a row is kept by the first cell that matches.
class Matching final : public CellTexts {
public:
    Matching(TextMatcher& matcher, FilterResult& result, bool empty_matches)
        : matcher_(matcher), result_(result), empty_matches_(empty_matches) {}
    void begin(int32_t rows, Job*) override {
        if (empty_matches_) has_text_.assign(static_cast<size_t>(rows), 0);
    }
    void set(int32_t row, std::string_view text) override {
        if (empty_matches_) has_text_[static_cast<size_t>(row - 1)] = 1;
        uint8_t& kept = result_.keep[static_cast<size_t>(row - 1)];
        if (!kept && matcher_.matches(text, true)) keep(kept);
    }
    // After a column: when an empty cell matches, the rows it gave no text for.
    void keep_rows_without_text() {
        if (!empty_matches_) return;
        for (size_t i = 0; i < has_text_.size(); ++i)
            if (!has_text_[i] && !result_.keep[i]) keep(result_.keep[i]);
    }

private:
    void keep(uint8_t& kept) {
        kept = 1;
        ++result_.kept;
    }
    TextMatcher& matcher_;
    FilterResult& result_;
    const bool empty_matches_;
    std::vector<uint8_t> has_text_;
};

}  // namespace

bool run_filter(SortableTable& table, int32_t column_count, const RowFilter& filter, Job* job,
                FilterResult* result, std::string* error) {
    QuietJob quiet;
    if (!job) job = &quiet;
    if (filter.column >= column_count || filter.column < -1) {
        if (error) *error = "There is no column " + std::to_string(filter.column) + " to filter";
        return false;
    }
    std::unique_ptr<TextMatcher> matcher = TextMatcher::make(filter, error);
    if (!matcher) return false;
    const int32_t rows = std::max<int32_t>(table.row_count(), 0);
    result->keep.assign(static_cast<size_t>(rows), 0);
    result->kept = 0;
    const int32_t first = filter.column < 0 ? 0 : filter.column;
    const int32_t last = filter.column < 0 ? column_count - 1 : filter.column;
    const int32_t columns = std::max(last - first + 1, 1);
    // Each cell is matched as it is read, and nothing is kept of it. When an empty cell
    // matches (an exact ""), the rows a column gives no text for count too.
    Matching matching(*matcher, *result, matcher->matches({}, false));
    for (int32_t column = first; column <= last; ++column) {
        const int share = 95 / columns, from = 95 * (column - first) / columns;
        collect_keys(table, column, matching, job, share, from);
        matching.keep_rows_without_text();
    }
    result->given_up = matcher->given_up;
    job->set_progress(100);
    return true;
}

std::optional<RowFilter> parse_filter(std::string_view text, std::string* column_name) {
    const size_t at = text.find_first_of("~=");
    if (at == std::string_view::npos) return std::nullopt;
    RowFilter filter;
    std::string_view column = text.substr(0, at), rest = text.substr(at + 1);
    if (text[at] == '=') {
        filter.match = RowFilter::Match::exact;
    } else if (rest.starts_with('~')) {
        filter.match = RowFilter::Match::regex;
        rest.remove_prefix(1);
    }
    filter.text = std::string(rest);
    if (column_name) column_name->clear();
    if (!column.empty()) {
        int64_t number = 0;
        const bool digits = column.size() <= 9 && std::all_of(column.begin(), column.end(), [](char c) {
            return c >= '0' && c <= '9';
        });
        if (digits) {
            for (char c : column) number = number * 10 + (c - '0');
            filter.column = static_cast<int32_t>(number);
        } else if (column_name) {
            *column_name = std::string(column);
        }
    }
    return filter;
}

}  // namespace tessel
