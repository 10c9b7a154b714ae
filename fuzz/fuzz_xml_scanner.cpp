// Fuzz target: arbitrary bytes scanned from every start state of the XML/DTD automaton,
// through the token stream (peeking at varying distances). Tokens must be ordered, inside
// the text, non-overlapping, end with one end of file; pseudo-tokens must be exactly the
// bytes an independent UTF-8 check finds bad. (fuzz_line_colouring colours lines on the same
// tables.)
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "parse/token_stream.h"
#include "parse/xml_scanner.h"

namespace tessel {
namespace {

constexpr size_t kMaxBytes = 1 << 16;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_xml_scanner: %s\n", what);
        __builtin_trap();
    }
}

// The failures the text must produce, found by a decoder written apart from the engine.
std::vector<Token> expected_failures(std::string_view text) {
    std::vector<Token> out;
    const int32_t n = int32_t(text.size());
    for (int32_t p = 0; p < n;) {
        const unsigned b = static_cast<unsigned char>(text[size_t(p)]);
        int len = 0;
        uint32_t cp = 0;
        if (b < 0x80) {
            len = 1;
            cp = b;
        } else {
            int extra = (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
            bool ok = extra > 0 && p + extra < n;
            cp = extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
            for (int i = 1; ok && i <= extra; ++i) {
                const unsigned c = static_cast<unsigned char>(text[size_t(p + i)]);
                ok = (c >> 6) == 0x2;
                cp = (cp << 6) | (c & 0x3F);
            }
            // Only the shortest form of a code point up to U+10FFFF that is no surrogate is
            // a character; the lead of anything else is a bad byte of its own.
            static constexpr uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
            ok = ok && cp >= kLeast[extra] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
            if (!ok) {
                out.push_back({p, p, kInvalidUtf8Kind});
                ++p;
                continue;
            }
            len = extra + 1;
        }
        const bool control = (cp < 0x20 && cp != 0x09 && cp != 0x0A && cp != 0x0D && cp != 0) ||
                             (cp == 0 && p + len != n);
        // U+FFFE and U+FFFF are no XML characters.
        const bool non_character = len > 1 && (cp == 0xFFFE || cp == 0xFFFF);
        if (control) out.push_back({p, p + len - 1, kControlCharKind});
        if (non_character) out.push_back({p, p + len - 1, kNotCharacterKind});
        p += len;
    }
    return out;
}

class Failures : public ScanFailureSink {
public:
    void scan_failure(const Token& t) override { seen.push_back(t); }
    std::vector<Token> seen;
};

bool same(const Token& a, const Token& b) {
    return a.first == b.first && a.last == b.last && a.kind == b.kind;
}

void check_state(std::string_view text, uint8_t state, uint8_t pattern) {
    const int32_t n = int32_t(text.size());
    const ScannerTables& tables = xml_scanner_tables();

    // The whole text through the stream.
    Failures failures;
    TokenStream stream(text, tables, state, nullptr, &failures);
    std::vector<Token> tokens;
    for (;;) {
        const Token t = stream.peek();
        tokens.push_back(t);
        if (t.kind == xml_end_of_file) break;
        stream.advance();
        check(stream.previous() && same(*stream.previous(), t), "previous is not the consumed token");
    }
    check(stream.peek(7).kind == xml_end_of_file, "peeking past the end");
    const Token& end = tokens.back();
    check(end.first == n && end.last == n - 1, "end of file not at the text's end");
    int32_t free_from = 0;
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        const Token& t = tokens[i];
        check(t.first >= free_from, "tokens overlap or go backwards");
        check(t.first <= t.last && t.last < n, "token empty or outside the text");
        check(t.kind >= 0 && t.kind < xml_kind_count && t.kind != xml_end_of_file &&
                  t.kind != xml_gap,
              "token of a kind the automaton does not produce");
        free_from = t.last + 1;
    }

    // Failures: exactly the bad bytes, in order.
    const std::vector<Token> expected = expected_failures(text);
    check(failures.seen.size() == expected.size(), "failure count differs from the decoder");
    for (size_t i = 0; i < expected.size(); ++i)
        check(same(failures.seen[i], expected[i]), "failure differs from the decoder");

    // A second stream, peeking at distances the input chooses, sees the same tokens.
    TokenStream peeker(text, tables, state, nullptr, nullptr);
    for (size_t i = 0; i < tokens.size(); ++i) {
        int ahead = int((pattern + i * 5) % TokenStream::kMaxAhead);
        size_t j = std::min(i + size_t(ahead), tokens.size() - 1);
        check(same(peeker.peek(ahead), tokens[j]), "peek ahead differs");
        peeker.advance();
    }
}

}  // namespace
}  // namespace tessel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > tessel::kMaxBytes) return 0;
    // The first byte chooses how to peek; the rest is the text.
    const uint8_t pattern = data[0];
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (uint8_t state : {tessel::kXmlContentState, tessel::kXmlDtdState, tessel::kXmlSubsetState})
        tessel::check_state(text, state, pattern);
    return 0;
}
