// Random texts of several pieces, searched and replaced both by the document's search and by
// a plain std::string reference; the results must agree, and undo must restore the text.
// Real documents are checked against GNU grep.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <random>

#include "editor/find_state.h"
#include "editor/text_search.h"
#include "tests/editor/find_support.h"
#include "tests/file_contents.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

using testing_support::RecordingUi;

// The reference candidate test, written from the rules without the searcher's code.
bool reference_match(const std::string& s, size_t g, const std::string& p, bool match_case,
                     bool whole_word) {
    if (p.empty() || g + p.size() > s.size()) return false;
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    for (size_t i = 0; i < p.size(); ++i) {
        unsigned char a = s[g + i], b = p[i];
        if (match_case ? a != b : lower(a) != lower(b)) return false;
    }
    auto word = [](unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; };
    if (whole_word && g > 0 && word(s[g - 1])) return false;
    if (whole_word && g + p.size() < s.size() && word(s[g + p.size()])) return false;
    return true;
}

// Every offset once, from the first candidate around the end of the text.
long reference_find(const std::string& s, long first, bool forward, const std::string& p,
                    bool match_case, bool whole_word) {
    const long n = static_cast<long>(s.size());
    for (long i = 0; i < n; ++i) {
        long g = (((forward ? first + i : first - i) % n) + n) % n;
        if (reference_match(s, static_cast<size_t>(g), p, match_case, whole_word)) return g;
    }
    return -1;
}

std::string reference_replace_all(const std::string& s, const std::string& p, const std::string& r,
                                  bool match_case, bool whole_word, int* count) {
    std::string out;
    *count = 0;
    for (size_t g = 0; g < s.size();) {
        if (reference_match(s, g, p, match_case, whole_word)) {
            out += r;
            g += p.size();
            ++*count;
        } else {
            out += s[g++];
        }
    }
    return out;
}

class RandomFind : public ::testing::TestWithParam<uint32_t> {
protected:
    std::mt19937 rng{GetParam()};
    int below(int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); }
    // Few distinct bytes, so that patterns match often and partly: letters in both cases,
    // blanks, an underscore and the two bytes of é.
    std::string random_text(int n) {
        static const char alphabet[] = "aAbB _\n\xC3\xA9";
        std::string s;
        for (int i = 0; i < n; ++i) s += alphabet[below(sizeof alphabet - 1)];
        return s;
    }
};

TEST_P(RandomFind, AgreesWithTheReferenceAcrossPieces) {
    TextDocument doc;
    EditHistory history;
    doc.set_history(&history);
    // Pieces of 1 000 000 bytes from set_text, a new piece from an append, and edits that
    // rebuild the list; the probes below aim at the seams between pieces.
    doc.set_text(random_text(1'700'000));
    doc.append(random_text(900'000));
    for (int i = 0; i < 6; ++i) {
        std::string insert = random_text(below(40));
        doc.replace(insert, below(doc.length()), below(20));
    }
    ASSERT_GE(doc.store().piece_count(), 3);
    const std::string text = doc.text();
    std::vector<TextPos> seams;
    for (int32_t i = 1; i < doc.store().piece_count(); ++i)
        seams.push_back(doc.store().piece(i).start);

    // Every candidate around every seam, with each option, and the scans over those windows.
    for (int round = 0; round < 400; ++round) {
        // Half the patterns are taken from the text at a seam, so they surely match there.
        const TextPos seam_at = seams[static_cast<size_t>(round) % seams.size()] - below(3);
        const std::string pattern = round % 2 ? random_text(1 + below(4))
                                              : text.substr(static_cast<size_t>(seam_at),
                                                            static_cast<size_t>(1 + below(4)));
        const bool match_case = below(2), whole_word = below(2);
        TextSearcher searcher(doc.store(), pattern, match_case, whole_word);
        for (TextPos seam : seams) {
            long first = -1, last = -1;
            for (TextPos g = seam - 8; g <= seam + 8; ++g) {
                const bool expected =
                    reference_match(text, static_cast<size_t>(g), pattern, match_case, whole_word);
                ASSERT_EQ(searcher.test(g), expected) << "'" << pattern << "' at " << g;
                if (expected && first < 0) first = g;
                if (expected) last = g;
            }
            ASSERT_EQ(searcher.find_forward(seam - 8, seam + 8), first) << "'" << pattern << "'";
            ASSERT_EQ(searcher.find_backward(seam - 8, seam + 8), last) << "'" << pattern << "'";
        }
    }

    FindState state;
    RecordingUi ui;
    for (int round = 0; round < 200; ++round) {
        const std::string pattern = round % 25 == 24 ? "aZ" : random_text(1 + below(4));
        state.find_text.clear();
        state.find_text.append(pattern);
        state.match_case = below(2);
        state.whole_word = below(3) == 0;
        const bool forward = below(2);
        const TextPos near = seams[static_cast<size_t>(below(static_cast<int>(seams.size())))];
        const TextPos caret = std::clamp(near - 8 + below(16), 0, doc.length());
        const bool selection = below(2);
        doc.set_selection(selection ? caret + 3 : caret, caret);
        // The reference walk: from the caret, or one byte past the selection's start.
        const long first =
            selection ? (forward ? caret + 1 : caret - 1) : (forward ? caret : caret - 1);
        const long expected =
            reference_find(text, first, forward, pattern, state.match_case, state.whole_word);
        const FindResult got = run_find(doc, state, forward, nullptr, &ui);
        ASSERT_EQ(got.at, expected)
            << "pattern '" << pattern << "' caret " << caret << (forward ? " forward" : " backward")
            << " case " << state.match_case << " word " << state.whole_word;
        if (got.found) {
            EXPECT_EQ(doc.selection_anchor(), expected);
            EXPECT_EQ(doc.caret(), expected + static_cast<long>(pattern.size()));
        }
    }
}

TEST_P(RandomFind, ReplaceAllAgreesWithTheReferenceAndUndoes) {
    TextDocument doc;
    EditHistory history;
    doc.set_history(&history);
    doc.set_text(random_text(1'200'000 + below(1'000'000)));
    doc.append(random_text(800'000));
    doc.replace(random_text(30), 999'990, 5);
    const std::string original = doc.text();
    FindState state;
    state.scope = FindState::kWholeFile;
    RecordingUi ui;
    for (int round = 0; round < 4; ++round) {
        const std::string pattern = random_text(1 + below(3));
        const std::string replacement = random_text(below(5));
        state.find_text.clear();
        state.find_text.append(pattern);
        state.replace_text.clear();
        state.replace_text.append(replacement);
        state.match_case = below(2);
        state.whole_word = below(2);
        int expected_count = 0;
        const std::string expected = reference_replace_all(
            original, pattern, replacement, state.match_case, state.whole_word, &expected_count);
        std::string status;
        const FindResult got = run_replace_all(doc, state, nullptr, &ui, &status);
        ASSERT_EQ(got.count, expected_count) << "pattern '" << pattern << "'";
        ASSERT_TRUE(doc.text() == expected) << "pattern '" << pattern << "'";
        if (expected_count) {
            ASSERT_TRUE(history.undo());
            ASSERT_TRUE(doc.text() == original);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomFind, ::testing::Values(1u, 2u, 3u));

// Counting by Replace All on a real document beside `grep -o -F | wc -l`, which also
// counts matches that do not overlap, left to right.
TEST(FindOnRealDocuments, CountsAgreeWithGrep) {
    const char* path = "/usr/share/mime/packages/freedesktop.org.xml";
    TESSEL_REQUIRE_INPUT(path);
    const std::string text = test::file_contents(path);
    struct Probe {
        const char* pattern;
        const char* grep_options;
        bool match_case;
        bool whole_word;
    };
    for (const Probe& probe :
         {Probe{"<comment", "-F", true, false}, Probe{"xml", "-F -i", false, false},
          Probe{"image", "-F -w", true, true}, Probe{"\xC3\xA9", "-F", true, false}}) {
        const std::string command = std::string("LC_ALL=C grep -o ") + probe.grep_options + " '" +
                                    probe.pattern + "' " + path + " | wc -l";
        std::FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        long grep_count = -1;
        ASSERT_EQ(std::fscanf(pipe, "%ld", &grep_count), 1);
        pclose(pipe);
        TextDocument doc;
        doc.set_text(text);
        FindState state;
        state.find_text.append(probe.pattern);
        state.match_case = probe.match_case;
        state.whole_word = probe.whole_word;
        state.scope = FindState::kWholeFile;
        RecordingUi ui;
        EXPECT_EQ(run_replace_all(doc, state, nullptr, &ui, nullptr).count, grep_count)
            << probe.pattern;
        EXPECT_GT(grep_count, 0) << probe.pattern;
    }
}

}  // namespace
}  // namespace tessel
