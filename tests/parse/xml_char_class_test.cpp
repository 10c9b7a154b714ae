// The XML character classes against a reference written differently: the class table as a
// flat list of (first, last, class) rows searched linearly, checked at both sides of every
// boundary, over all of ASCII, and at hand-picked characters.
#include <gtest/gtest.h>

#include <vector>

#include "parse/xml_char_class.h"

namespace tessel {
namespace {

struct Row {
    char32_t first, last;
    int cls;
};

// The table row by row as a reader of the class table would write it down, ASCII included.
const std::vector<Row> kReference = {
    {0x00, 0x00, 0},      {0x01, 0x08, 2},      {0x09, 0x0A, 3},      {0x0B, 0x0C, 2},
    {0x0D, 0x0D, 3},      {0x0E, 0x1F, 2},      {' ', ' ', 3},        {'!', '!', 4},
    {'"', '"', 5},        {'#', '#', 29},       {'$', '$', 2},        {'%', '%', 21},
    {'&', '&', 2},        {'\'', '\'', 6},      {'(', '(', 22},       {')', ')', 23},
    {'*', '*', 28},       {'+', '+', 27},       {',', ',', 26},       {'-', '-', 7},
    {'.', '.', 8},        {'/', '/', 9},        {'0', '9', 8},        {':', ':', 10},
    {';', ';', 25},       {'<', '<', 1},        {'=', '=', 19},       {'>', '>', 11},
    {'?', '?', 12},       {'@', '@', 2},        {'A', 'A', 13},       {'B', 'B', 14},
    {'C', 'C', 15},       {'D', 'D', 16},       {'E', 'S', 14},       {'T', 'T', 17},
    {'U', 'Z', 14},       {'[', '[', 18},       {'\\', '\\', 2},      {']', ']', 20},
    {'^', '^', 2},        {'_', '_', 10},       {'`', '`', 2},        {'a', 'z', 10},
    {'{', '{', 2},        {'|', '|', 24},       {0x7D, 0xB6, 2},      {0xB7, 0xB7, 8},
    {0xB8, 0xBF, 2},      {0xC0, 0xD6, 10},     {0xD7, 0xD7, 2},      {0xD8, 0xF6, 10},
    {0xF7, 0xF7, 2},      {0xF8, 0x2FF, 10},    {0x300, 0x36F, 8},    {0x370, 0x37D, 10},
    {0x37E, 0x37E, 2},    {0x37F, 0x1FFF, 10},  {0x2000, 0x200B, 2},  {0x200C, 0x200D, 10},
    {0x200E, 0x203E, 2},  {0x203F, 0x2040, 8},  {0x2041, 0x206F, 2},  {0x2070, 0x218F, 10},
    {0x2190, 0x2BFF, 2},  {0x2C00, 0x2FEF, 10}, {0x2FF0, 0x3000, 2},  {0x3001, 0xD7FF, 10},
    {0xD800, 0xF8FF, 2},  {0xF900, 0xFDCF, 10}, {0xFDD0, 0xFDEF, 2},  {0xFDF0, 0xFFFD, 10},
    {0xFFFE, 0xFFFF, 2},  {0x10000, 0xEFFFF, 10}, {0xF0000, 0x10FFFF, 2},
};

int reference_class(char32_t cp) {
    for (const Row& r : kReference)
        if (cp >= r.first && cp <= r.last) return r.cls;
    return 2;  // beyond U+10FFFF (reachable through four-byte sequences up to U+1FFFFF)
}

TEST(XmlCharClass, TheReferenceCoversTheCodeSpaceOnce) {
    // Guards the reference itself: rows in order, without gaps, from 0 to U+10FFFF.
    char32_t next = 0;
    for (const Row& r : kReference) {
        EXPECT_EQ(r.first, next) << std::hex << uint32_t(r.first);
        next = r.last + 1;
    }
    EXPECT_EQ(next, char32_t(0x110000));
}

TEST(XmlCharClass, EveryBoundaryOfEveryRange) {
    for (const Row& r : kReference) {
        const uint32_t around[] = {r.first - 1, r.first, r.first + 1, r.last - 1, r.last, r.last + 1};
        for (uint32_t cp : around) {
            if (cp > 0x1FFFFF) continue;  // r.first - 1 below zero
            EXPECT_EQ(xml_char_class(cp), reference_class(cp)) << "U+" << std::hex << cp;
        }
    }
}

TEST(XmlCharClass, AllOfAsciiAndASweepAboveIt) {
    for (uint32_t cp = 0; cp < 0x3100; ++cp)
        ASSERT_EQ(xml_char_class(cp), reference_class(cp)) << "U+" << std::hex << cp;
    for (uint32_t cp = 0x3100; cp <= 0x1FFFFF; cp += 97)
        ASSERT_EQ(xml_char_class(cp), reference_class(cp)) << "U+" << std::hex << cp;
}

TEST(XmlCharClass, HandPickedCharacters) {
    EXPECT_EQ(xml_char_class(U'<'), xcc_lt);
    EXPECT_EQ(xml_char_class(U'T'), xcc_letter_t);
    EXPECT_EQ(xml_char_class(U'}'), xcc_other);
    EXPECT_EQ(xml_char_class(U'~'), xcc_other);
    EXPECT_EQ(xml_char_class(0x7F), xcc_other);
    EXPECT_EQ(xml_char_class(U'é'), xcc_name_start);
    EXPECT_EQ(xml_char_class(U'×'), xcc_other);
    EXPECT_EQ(xml_char_class(U'·'), xcc_name_char);
    EXPECT_EQ(xml_char_class(U'€'), xcc_name_start);   // U+20AC
    EXPECT_EQ(xml_char_class(U'→'), xcc_other);        // U+2192
    EXPECT_EQ(xml_char_class(U'中'), xcc_name_start);
    EXPECT_EQ(xml_char_class(U'\u3000'), xcc_other);   // ideographic space
    EXPECT_EQ(xml_char_class(U'😀'), xcc_name_start);  // U+1F600
    EXPECT_EQ(xml_char_class(0xF0000), xcc_other);     // private use plane
    EXPECT_EQ(xml_char_class(0x110000), xcc_other);
    EXPECT_EQ(xml_char_class(0x1FFFFF), xcc_other);
    EXPECT_EQ(xml_char_classes().class_count(), xcc_count);
}

TEST(CharClassTable, RejectsUnsortedOrOverlappingRanges) {
    std::array<uint8_t, 128> ascii{};
    EXPECT_THROW(CharClassTable(ascii, {{0x100, 0x200, 1}, {0x150, 0x300, 2}}, 0),
                 std::invalid_argument);
    EXPECT_THROW(CharClassTable(ascii, {{0x300, 0x400, 1}, {0x100, 0x200, 2}}, 0),
                 std::invalid_argument);
    EXPECT_THROW(CharClassTable(ascii, {{0x40, 0x200, 1}}, 0), std::invalid_argument);
    EXPECT_THROW(CharClassTable(ascii, {}, 40), std::invalid_argument);
    CharClassTable gaps(ascii, {{0x100, 0x1FF, 1}, {0x300, 0x300, 2}}, 3);
    EXPECT_EQ(gaps.class_of(0xFF), 3);
    EXPECT_EQ(gaps.class_of(0x100), 1);
    EXPECT_EQ(gaps.class_of(0x1FF), 1);
    EXPECT_EQ(gaps.class_of(0x200), 3);
    EXPECT_EQ(gaps.class_of(0x300), 2);
    EXPECT_EQ(gaps.class_of(0x301), 3);
    EXPECT_EQ(gaps.class_count(), 4);
}

}  // namespace
}  // namespace tessel
