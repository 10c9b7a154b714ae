// Natural comparison: the rule-by-rule reading of two texts, and the prepared keys whose
// summaries settle most comparisons of a sort before the texts are read.
#include "views/natural_compare.h"

#include <algorithm>
#include <cstring>

namespace tessel {

namespace {

inline unsigned fold(unsigned char c) {
    return unsigned{c} - 'A' < 26u ? c + 32u : c;
}
inline bool is_digit(unsigned char c) {
    return unsigned{c} - '0' < 10u;
}

using Bytes = const unsigned char*;

// Byte-wise comparison with A-Z folded; a text that is a prefix of the other sorts first.
int compare_folded(Bytes a, size_t na, Bytes b, size_t nb) {
    size_t n = std::min(na, nb);
    for (size_t i = 0; i < n; ++i) {
        unsigned ca = fold(a[i]), cb = fold(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

size_t find_digit(Bytes s, size_t from, size_t n) {
    while (from < n && !is_digit(s[from])) ++from;
    return from;
}

size_t skip_digits(Bytes s, size_t from, size_t n) {
    while (from < n && is_digit(s[from])) ++from;
    return from;
}

// Digit strings as integers of any length, so that numbers beyond 64 bits neither overflow
// nor wrap: after the leading zeros the longer string is the larger number, and strings of
// the same length compare digit by digit.
int compare_integers(Bytes a, size_t na, Bytes b, size_t nb) {
    while (na && *a == '0') ++a, --na;
    while (nb && *b == '0') ++b, --nb;
    if (na != nb) return na < nb ? -1 : 1;
    int c = na ? std::memcmp(a, b, na) : 0;
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The digits after a decimal point, digit by digit, the shorter string padded with zeros
// (so 0.5 equals 0.50 and 0.10 sorts before 0.9).
int compare_fraction_digits(Bytes a, size_t na, Bytes b, size_t nb) {
    size_t n = std::max(na, nb);
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = i < na ? a[i] : '0', cb = i < nb ? b[i] : '0';
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return 0;
}

int compare_texts(Bytes a, size_t na, Bytes b, size_t nb) {
    size_t i = 0, j = 0;
    for (;;) {
        // Steps 1 and 2: the parts before the next digit.
        size_t da = find_digit(a, i, na), db = find_digit(b, j, nb);
        if (da - i != db - j) return compare_folded(a + i, na - i, b + j, nb - j);
        if (int c = compare_folded(a + i, da - i, b + j, db - j)) return c;
        // Step 3: a number on one side only.
        bool number_a = da < na, number_b = db < nb;
        if (number_a != number_b) return number_a ? -1 : 1;
        if (!number_a) return compare_folded(a + da, na - da, b + db, nb - db);
        // Step 4: integers, or decimal fractions when a's number is followed by "." and
        // b's number by anything.
        size_t ea = skip_digits(a, da, na), eb = skip_digits(b, db, nb);
        size_t next_a = ea, next_b = eb;
        int c = 0;
        bool settled = false;
        if (ea < na && a[ea] == '.' && eb < nb) {
            size_t fa = skip_digits(a, ea + 1, na);
            // b's fraction has digits only when its number is followed by "." as well.
            size_t fb = b[eb] == '.' ? skip_digits(b, eb + 1, nb) : eb;
            bool version = (fa < na && a[fa] == '.') || (fb < nb && b[fb] == '.');
            if (!version) {
                c = compare_integers(a + da, ea - da, b + db, eb - db);
                if (!c) {
                    size_t fraction_b = fb > eb ? fb - eb - 1 : 0;
                    c = compare_fraction_digits(a + ea + 1, fa - ea - 1, b + eb + 1, fraction_b);
                }
                next_a = fa;
                next_b = fb;
                settled = true;
            }
        }
        if (!settled) c = compare_integers(a + da, ea - da, b + db, eb - db);
        if (c) return c;
        // Step 5: equal numbers; go on after them.
        i = next_a;
        j = next_b;
    }
}

}  // namespace

int natural_compare(std::string_view a, std::string_view b) {
    return compare_texts(reinterpret_cast<Bytes>(a.data()), a.size(),
                         reinterpret_cast<Bytes>(b.data()), b.size());
}

NaturalKey prepare_natural_key(std::string_view text) {
    NaturalKey key;
    auto s = reinterpret_cast<Bytes>(text.data());
    size_t n = text.size();
    key.flags = NaturalKey::kPresent;
    key.length = static_cast<uint32_t>(n);
    for (size_t i = 0; i < 8; ++i) key.head = key.head << 8 | (i < n ? fold(s[i]) : 0u);
    size_t d = find_digit(s, 0, n);
    key.digit_at = static_cast<uint16_t>(std::min<size_t>(d, 0xFFFF));
    if (d == n) return key;

    size_t e = skip_digits(s, d, n);
    size_t significant = d;
    while (significant < e && s[significant] == '0') ++significant;
    if (e - significant <= 19) {
        key.flags |= NaturalKey::kNumberFits;
        for (size_t i = significant; i < e; ++i) key.number = key.number * 10 + (s[i] - '0');
    }
    if (e == n) {
        key.flags |= NaturalKey::kFollowedByEnd | NaturalKey::kFractionFits;
        return key;
    }
    if (s[e] != '.') {
        key.flags |= NaturalKey::kFractionFits;
        return key;
    }
    key.flags |= NaturalKey::kFollowedByDot;
    size_t f = skip_digits(s, e + 1, n);
    if (f < n && s[f] == '.') key.flags |= NaturalKey::kVersion;
    if (f == n) key.flags |= NaturalKey::kFractionAtEnd;
    if (f - e - 1 <= 9) {
        key.flags |= NaturalKey::kFractionFits;
        uint32_t scale = 100'000'000;
        for (size_t i = e + 1; i < f; ++i, scale /= 10) key.fraction += (s[i] - '0') * scale;
    }
    return key;
}

}  // namespace tessel
