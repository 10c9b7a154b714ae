// LineLayout: one index line laid out for painting and for turning positions into x and back:
// the line's coloured segments with their x and width, built from the lexical automaton's
// tokens and measured through the TextShaper. TextWidthCache keeps the widths of short texts,
// so repeated words are shaped once.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "seams/text_shaper.h"
#include "text/line_scanner.h"

namespace tessel {

// Plain text: the style of the stretches between tokens.
inline constexpr int16_t kStylePlainText = 3;
// A style of this colour is drawn in the second editor font.
inline constexpr uint32_t kSecondFontColour = 0x02643232;

// One stretch of the line in one style. first and last are byte offsets within the line
// (inclusive); a layout is tied to the line's bytes, not to where the line stands in the text,
// so an edit above the line leaves it valid.
struct LayoutSegment {
    int32_t first;
    int32_t last;
    int16_t style;  // an index into the automaton's colours, or one of the two special styles
    double x;
    double width;
};

// What a piece of the line is drawn as.
enum class PieceKind : uint8_t {
    text,     // a run without tabs, shaped and drawn as one
    tab,      // one tab, reaching to the next tab stop
    control,  // a control character, drawn as its name in a box
    byte,     // an undecodable byte, drawn as two hexadecimal digits in a box
};

// The line cut where measuring changes: each text run, each tab, each box. Pieces cover the
// line without gaps, in order.
struct LayoutPiece {
    int32_t first;
    int32_t last;
    double x;
    double width;
    int32_t segment;  // index of the segment it belongs to
    PieceKind kind;
    int8_t font;
};

// Widths of short tab-free texts by text and font. Bounded, because every word ever shown
// would otherwise stay: it is emptied when full, which costs one shaping per word again.
class TextWidthCache {
public:
    static constexpr size_t kMaxTextBytes = 64;  // longer texts are rarely repeated
    static constexpr size_t kMaxEntries = 4096;

    double width(TextShaper& shaper, std::string_view text, int font);
    void clear() { widths_.clear(); }
    size_t size() const { return widths_.size(); }
    int64_t shaped() const { return shaped_; }  // widths asked of the shaper, for tests

private:
    std::unordered_map<std::string, double> widths_;
    std::string key_;
    int64_t shaped_ = 0;
};

// What laying out a line needs besides the line.
struct LayoutContext {
    TextShaper& shaper;
    TextWidthCache& widths;
    LexicalAutomaton& automaton;
    double tab_width;                // tab stops lie at multiples of this from the line's start
    std::vector<LineToken>& tokens;  // scratch for the automaton's tokens
};

class LineLayout {
public:
    // Lays out line (an index line with its terminator) from the automaton's start state.
    void build(std::string_view line, uint8_t state, LayoutContext& context);

    // The line's bytes and start state as built; a layout stays valid while both match.
    const std::string& text() const { return text_; }
    uint8_t state() const { return state_; }
    bool matches(std::string_view line, uint8_t state) const {
        return state == state_ && line == text_;
    }

    const std::vector<LayoutSegment>& segments() const { return segments_; }
    const std::vector<LayoutPiece>& pieces() const { return pieces_; }
    double width() const { return width_; }
    std::string_view piece_text(const LayoutPiece& piece) const {
        return std::string_view(text_).substr(static_cast<size_t>(piece.first),
                                              static_cast<size_t>(piece.last - piece.first + 1));
    }

    // The x of a character boundary of the line (0 to its length); a box or a tab is one
    // character.
    double x_of(int32_t offset, TextShaper& shaper) const;
    // The character boundary nearest x, the earlier one on a tie; 0 left of the line, its
    // length right of it.
    int32_t offset_at(double x, TextShaper& shaper) const;

private:
    void add_segment(int32_t first, int32_t last, int16_t style, LayoutContext& context);
    void add_piece(int32_t first, int32_t last, double width, PieceKind kind, int font);
    const LayoutPiece* piece_at_offset(int32_t offset) const;

    std::string text_;
    uint8_t state_ = 0;
    std::vector<LayoutSegment> segments_;
    std::vector<LayoutPiece> pieces_;
    double width_ = 0;
};

// The box labels' width: the label plus one pixel on either side.
inline constexpr double kBoxPadding = 2;

}  // namespace tessel
