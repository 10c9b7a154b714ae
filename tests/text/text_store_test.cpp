// TextStore: the piece rules of set_text, append and replace_at, and the readers.
#include <gtest/gtest.h>

#include <random>

#include "tests/text/document_checks.h"
#include "text/text_store.h"

namespace tessel {
namespace {

std::vector<int32_t> piece_lengths(const TextStore& store) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < store.piece_count(); ++i) out.push_back(store.piece(i).length);
    return out;
}

std::string pattern(size_t n, uint32_t seed = 1) {
    std::mt19937 rng(seed);
    std::string s(n, ' ');
    for (char& c : s) c = static_cast<char>('a' + rng() % 26);
    return s;
}

using Lengths = std::vector<int32_t>;

TEST(TextStore, SetTextCutsIntoPiecesOfAMillionBytes) {
    TextStore store;
    std::string text = pattern(2'500'000);
    store.set_text(text);
    EXPECT_EQ(piece_lengths(store), (Lengths{1'000'000, 1'000'000, 500'000}));
    EXPECT_TRUE(model::same_text(store, text));
    store.set_text("");
    EXPECT_EQ(store.piece_count(), 0);
    EXPECT_EQ(store.length(), 0);
}

TEST(TextStore, AppendFollowsThePieceSizeRules) {
    struct Case {
        int32_t last, appended;
        Lengths pieces;
    };
    const Case cases[] = {
        {800'000, 900'000, {800'000, 900'000}},        // a large last piece: a new piece
        {650'000, 900'000, {1'550'000}},               // a small one grows up to 1 599 999
        {650'000, 949'999, {1'599'999}},
        {650'000, 950'000, {1'000'000, 600'000}},      // beyond that: cut anew
        {800'000, 2'000'000, {1'000'000, 1'000'000, 800'000}},  // more than 1 600 000 appended
        {800'000, 1'600'000, {800'000, 1'600'000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.last << " + " << c.appended);
        TextStore store;
        std::string text = pattern(static_cast<size_t>(c.last));
        store.set_text(text);
        std::string more = pattern(static_cast<size_t>(c.appended), 2);
        store.append(more);
        EXPECT_EQ(piece_lengths(store), c.pieces);
        EXPECT_TRUE(model::same_text(store, text + more));
    }
    TextStore empty;
    empty.append(pattern(1'200'000));
    EXPECT_EQ(piece_lengths(empty), (Lengths{1'000'000, 200'000}));
}

TEST(TextStore, ReplaceMovesUntouchedPiecesWithoutCopying) {
    TextStore store;
    std::string text = pattern(3'500'000);
    store.set_text(text);
    const char* before[4];
    for (int i = 0; i < 4; ++i) before[i] = store.piece(i).data;

    TextPos at = 1'500'000;
    std::string_view x = "XY";
    ASSERT_TRUE(store.replace_at({&at, 1}, 1, {&x, 1}));
    text.replace(1'500'000, 1, "XY");
    EXPECT_TRUE(model::same_text(store, text));
    EXPECT_EQ(piece_lengths(store), (Lengths{1'000'000, 1'000'001, 1'000'000, 500'000}));
    EXPECT_EQ(store.piece(0).data, before[0]);
    EXPECT_NE(store.piece(1).data, before[1]);
    EXPECT_EQ(store.piece(2).data, before[2]);
    EXPECT_EQ(store.piece(3).data, before[3]);

    // An insertion at a piece's first byte: the small buffer is copied in front of it.
    at = 2'000'001;
    std::string_view y = "y";
    ASSERT_TRUE(store.replace_at({&at, 1}, 0, {&y, 1}));
    text.insert(2'000'001, "y");
    EXPECT_TRUE(model::same_text(store, text));
    EXPECT_EQ(piece_lengths(store), (Lengths{1'000'000, 1'000'001, 1'000'001, 500'000}));
    EXPECT_EQ(store.piece(3).data, before[3]);
}

TEST(TextStore, LargeInsertionsAndDeletionsKeepPiecesBounded) {
    TextStore store;
    std::string text = pattern(2'200'000);
    store.set_text(text);
    std::string big = pattern(3'300'000, 3);
    TextPos at = 700'000;
    std::string_view b = big;
    ASSERT_TRUE(store.replace_at({&at, 1}, 0, {&b, 1}));
    text.insert(700'000, big);
    EXPECT_TRUE(model::same_text(store, text));
    for (int32_t len : piece_lengths(store)) EXPECT_LE(len, 2'300'000);

    at = 500'000;  // delete across several pieces
    std::string_view none;
    ASSERT_TRUE(store.replace_at({&at, 1}, 2'600'000, {&none, 1}));
    text.erase(500'000, 2'600'000);
    EXPECT_TRUE(model::same_text(store, text));

    at = 0;  // delete everything
    ASSERT_TRUE(store.replace_at({&at, 1}, store.length(), {&none, 1}));
    EXPECT_EQ(store.length(), 0);
    EXPECT_EQ(store.piece_count(), 0);
}

TEST(TextStore, MultiPositionReplaceWithOneTextEachPosition) {
    TextStore store;
    store.set_text("0123456789abcdefghij");
    std::vector<TextPos> at{2, 10, 15};
    std::vector<std::string_view> texts{"AA", "BB", "CC"};
    ASSERT_TRUE(store.replace_at(at, 3, texts));
    EXPECT_EQ(store.text(), "01AA56789BBdeCCij");
}

TEST(TextStore, RefusesEditsThatDoNotFitAndChangesNothing) {
    TextStore store;
    store.set_text("abcdef");
    std::string_view t = "x";
    std::string_view two[] = {"x", "yy"};
    std::vector<TextPos> overlapping{1, 2}, descending{3, 1}, beyond{5}, negative{-1};
    EXPECT_FALSE(store.replace_at(overlapping, 2, {&t, 1}));
    EXPECT_FALSE(store.replace_at(descending, 0, {&t, 1}));
    EXPECT_FALSE(store.replace_at(beyond, 2, {&t, 1}));
    EXPECT_FALSE(store.replace_at(negative, 0, {&t, 1}));
    EXPECT_FALSE(store.replace_at(std::vector<TextPos>{1, 3}, 0, two));
    EXPECT_EQ(store.text(), "abcdef");
}

TEST(TextStore, ReadersAcrossPieceBoundaries) {
    TextStore store;
    std::string text = pattern(2'000'010);
    store.set_text(text);
    EXPECT_EQ(store.range_ptr(10, 20), store.piece(0).data + 10);
    EXPECT_EQ(store.range_ptr(999'990, 1'000'010), nullptr);  // spans two pieces
    EXPECT_EQ(store.range_ptr(1'000'000, 1'000'005), store.piece(1).data);
    EXPECT_EQ(store.range_ptr(5, 4), nullptr);
    EXPECT_EQ(store.range_ptr(2'000'005, 2'000'010), nullptr);

    SmallArena arena;
    EXPECT_STREQ(store.copy_range(arena, 0, -1), "");
    EXPECT_STREQ(store.copy_range(arena, -1, 5), "");
    EXPECT_STREQ(store.copy_range(arena, store.length(), store.length() + 3), "");
    EXPECT_EQ(std::string(store.copy_range(arena, 999'990, 1'000'009)), text.substr(999'990, 20));
    EXPECT_EQ(std::string(store.copy_range(arena, 2'000'000, 2'000'100)), text.substr(2'000'000));

    std::mt19937 rng(5);
    for (int i = 0; i < 2000; ++i) {
        TextPos p = static_cast<TextPos>(rng() % text.size());
        ASSERT_EQ(store.byte_at(p), text[p]);
    }
    EXPECT_EQ(store.byte_at(-1), 0);
    EXPECT_EQ(store.byte_at(store.length()), 0);
}

// Every reader stops at the last byte of a piece and takes the next byte from the next
// piece: at each piece end, read in both orders (the lookup cache on either side), for the
// pieces set_text makes and for the odd lengths an edit leaves.
TEST(TextStore, ReadersStopExactlyAtAPieceEnd) {
    TextStore store;
    std::string text = pattern(3'000'100, 9);
    store.set_text(text);
    TextPos at = 1'500'000;
    std::string_view x = "XYZ";
    ASSERT_TRUE(store.replace_at({&at, 1}, 1, {&x, 1}));
    text.replace(1'500'000, 1, "XYZ");
    ASSERT_GE(store.piece_count(), 4);
    ASSERT_NE(store.piece(1).length, TextStore::kPieceSize);

    SmallArena arena;
    for (int32_t i = 0; i < store.piece_count(); ++i) {
        const TextPos end = store.piece(i).start + store.piece(i).length;  // first byte after it
        SCOPED_TRACE(testing::Message() << "piece " << i << " ends before " << end);
        const bool last = i + 1 == store.piece_count();
        const char after = last ? 0 : text[static_cast<size_t>(end)];
        EXPECT_EQ(store.byte_at(end - 1), text[static_cast<size_t>(end) - 1]);
        EXPECT_EQ(store.byte_at(end), after);  // with the cache on the piece before
        EXPECT_EQ(store.byte_at(end - 1), text[static_cast<size_t>(end) - 1]);
        EXPECT_EQ(store.find_piece(end - 1), i);
        EXPECT_EQ(store.find_piece(end), last ? -1 : i + 1);

        const char* inside = store.range_ptr(end - 4, end - 1);
        ASSERT_NE(inside, nullptr);
        EXPECT_EQ(std::string(inside, 4), text.substr(static_cast<size_t>(end) - 4, 4));
        EXPECT_EQ(store.range_ptr(end - 4, end), nullptr);  // one byte past the piece
        EXPECT_EQ(store.range_ptr(end - 1, end), nullptr);
        if (!last) {
            EXPECT_EQ(store.range_ptr(end, end + 2), store.piece(i + 1).data);
            EXPECT_EQ(store.range_ptr(end - 1, end), nullptr);  // with the cache after it
        }
        const size_t from = static_cast<size_t>(end) - 2;
        EXPECT_EQ(std::string(store.copy_range(arena, end - 2, end + 1)), text.substr(from, 4));
        EXPECT_EQ(store.substr(end - 2, 4), text.substr(from, 4));
        EXPECT_EQ(std::string(store.copy_range(arena, end - 1, end - 1)), text.substr(from + 1, 1));
        EXPECT_EQ(store.substr(end - 1, 1), text.substr(from + 1, 1));
    }
}

// The limit of the text: every way to grow it refuses (and changes nothing) where the text
// would pass it, with a small limit set on the store and with the real one.
TEST(TextStore, GrowingPastTheLimitIsRefusedWhole) {
    TextStore store;
    store.set_max_length(100);
    EXPECT_FALSE(store.set_text(std::string(101, 'a')));
    EXPECT_EQ(store.length(), 0);
    ASSERT_TRUE(store.set_text(std::string(60, 'a')));
    EXPECT_FALSE(store.append(std::string(41, 'b')));
    EXPECT_EQ(store.text(), std::string(60, 'a'));
    EXPECT_TRUE(store.append(std::string(40, 'b')));
    EXPECT_EQ(store.length(), 100);
    TextPos at = 10;
    std::string_view one = "c";
    EXPECT_FALSE(store.replace_at({&at, 1}, 0, {&one, 1}));
    EXPECT_TRUE(store.replace_at({&at, 1}, 1, {&one, 1}));  // same length: fine
    std::vector<TextPos> three{10, 20, 30};
    std::string_view two = "dd";
    EXPECT_FALSE(store.replace_at(three, 1, {&two, 1}));
    EXPECT_EQ(store.length(), 100);

    // The real limit, by sizes only: an insertion whose size alone passes 2^31 - 1, and three
    // of 1 GiB each, whose sum wraps a 32-bit length. The bytes are never read.
    TextStore real;
    real.set_text("0123456789");
    const char dummy = 0;
    const std::string_view huge(&dummy, static_cast<size_t>(TextStore::kMaxLength) + 1);
    const std::string_view gib(&dummy, size_t{1} << 30);
    TextPos zero = 0;
    EXPECT_FALSE(real.can_replace({&zero, 1}, 0, {&huge, 1}));
    EXPECT_FALSE(real.replace_at({&zero, 1}, 0, {&huge, 1}));
    EXPECT_FALSE(real.replace_at(std::vector<TextPos>{1, 2, 3}, 0, {&gib, 1}));
    EXPECT_FALSE(real.can_grow(int64_t{TextStore::kMaxLength} - 9));
    EXPECT_TRUE(real.can_grow(int64_t{TextStore::kMaxLength} - 10));
    EXPECT_EQ(real.text(), "0123456789");
}

// A load into the block the file's size asked for: the text is shared where it lies until an
// edit moves a stretch of it out; readers keep what they were given whatever the store does
// next, and random edits, appends and undo-like restores keep the bytes of a plain string.
TEST(TextStore, ALoadedTextIsSharedWhereItLiesUntilAnEditMovesIt) {
    std::mt19937 rng(7);
    const std::string loaded = pattern(5'300'000, 3);
    TextStore store;
    store.expect(static_cast<int64_t>(loaded.size()));
    for (size_t at = 0; at < loaded.size(); at += 65'536)
        ASSERT_TRUE(store.append(std::string_view(loaded).substr(at, 65'536)));
    std::shared_ptr<const char> owner;
    std::string_view shared;
    EXPECT_FALSE(store.shared_text(&owner, &shared));  // not while the load goes on
    store.settle();
    ASSERT_TRUE(store.shared_text(&owner, &shared));
    EXPECT_EQ(shared, loaded);
    for (int32_t i = 0; i < store.piece_count(); ++i) {
        EXPECT_TRUE(store.borrowed(store.piece(i)));
        EXPECT_LE(store.piece(i).length, TextStore::kPieceSize);
    }

    std::string model = loaded;
    store.replace_at(std::vector<TextPos>{2'000'123}, 5, std::vector<std::string_view>{"edit"});
    model.replace(2'000'123, 5, "edit");
    std::shared_ptr<const char> after;
    std::string_view none;
    EXPECT_FALSE(store.shared_text(&after, &none));
    EXPECT_EQ(shared, loaded);  // the parse that holds the first view still reads the load
    for (int step = 0; step < 300; ++step) {
        const int32_t at = static_cast<int32_t>(rng() % (model.size() + 1));
        const int32_t cut = static_cast<int32_t>(std::min<size_t>(rng() % 3000, model.size() - static_cast<size_t>(at)));
        const std::string text = pattern(rng() % 40, static_cast<uint32_t>(step));
        if (rng() % 5 == 0) {
            ASSERT_TRUE(store.append(text));
            model += text;
        } else {
            ASSERT_TRUE(store.replace_at(std::vector<TextPos>{at}, cut, std::vector<std::string_view>{text}));
            model.replace(static_cast<size_t>(at), static_cast<size_t>(cut), text);
        }
    }
    EXPECT_TRUE(model::same_text(store, model));
    owner.reset();  // the store alone keeps the block now
    store.set_text("small");
    EXPECT_TRUE(model::same_text(store, "small"));

    // More text than the file's size promised (a code page that decodes into longer UTF-8):
    // the block is given up, and the text is whole in pieces of their own.
    TextStore longer;
    longer.expect(4'200'000);
    const std::string more = pattern(4'500'000, 4);
    for (size_t at = 0; at < more.size(); at += 1'000'000)
        ASSERT_TRUE(longer.append(std::string_view(more).substr(at, 1'000'000)));
    longer.settle();
    EXPECT_FALSE(longer.shared_text(&owner, &shared));
    for (int32_t i = 0; i < longer.piece_count(); ++i) EXPECT_FALSE(longer.borrowed(longer.piece(i)));
    EXPECT_TRUE(model::same_text(longer, more));
}

}  // namespace
}  // namespace tessel
