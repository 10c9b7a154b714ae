// LineLayout: segments from tokens, pieces from segments, and positions to x and back.
#include "editor/line_layout.h"

#include <algorithm>
#include <cmath>

#include "editor/control_names.h"

namespace tessel {

double TextWidthCache::width(TextShaper& shaper, std::string_view text, int font) {
    if (text.size() > kMaxTextBytes) {
        ++shaped_;
        return shaper.width(text, font);
    }
    key_.assign(1, static_cast<char>(font));
    key_.append(text);
    if (auto it = widths_.find(key_); it != widths_.end()) return it->second;
    if (widths_.size() >= kMaxEntries) widths_.clear();
    ++shaped_;
    const double w = shaper.width(text, font);
    widths_.emplace(key_, w);
    return w;
}

void LineLayout::build(std::string_view line, uint8_t state, LayoutContext& context) {
    text_.assign(line);
    state_ = state;
    segments_.clear();
    pieces_.clear();
    width_ = 0;
    std::vector<LineToken>& tokens = context.tokens;
    context.automaton.tokenize_line(state, line, tokens);
    const int32_t length = static_cast<int32_t>(line.size());
    int32_t at = 0;
    for (const LineToken& token : tokens) {
        // Tokens are taken as given only where they keep the line in order; an automaton's
        // slip must not make the layout skip or repeat bytes.
        const int32_t first = std::max(token.first, at);
        const int32_t last = std::min(token.last, length - 1);
        if (last < first) continue;
        if (first > at) add_segment(at, first - 1, kStylePlainText, context);
        add_segment(first, last, token.style, context);
        at = last + 1;
    }
    if (at < length) add_segment(at, length - 1, kStylePlainText, context);
}

void LineLayout::add_piece(int32_t first, int32_t last, double width, PieceKind kind, int font) {
    pieces_.push_back(LayoutPiece{first, last, width_, width,
                                  static_cast<int32_t>(segments_.size()) - 1, kind,
                                  static_cast<int8_t>(font)});
    width_ += width;
}

void LineLayout::add_segment(int32_t first, int32_t last, int16_t style, LayoutContext& context) {
    segments_.push_back(LayoutSegment{first, last, style, width_, 0});
    const std::string_view bytes = std::string_view(text_).substr(
        static_cast<size_t>(first), static_cast<size_t>(last - first + 1));
    if (style == kStyleControlCharacter) {
        const std::string_view name = control_name(control_code_point(bytes));
        add_piece(first, last, context.widths.width(context.shaper, name, kFirstEditorFont) + kBoxPadding,
                  PieceKind::control, kFirstEditorFont);
    } else if (style == kStyleUndecodableByte) {
        const std::string_view label = hex_label(static_cast<unsigned char>(bytes[0]));
        add_piece(first, last, context.widths.width(context.shaper, label, kFirstEditorFont) + kBoxPadding,
                  PieceKind::byte, kFirstEditorFont);
    } else {
        const int font = context.automaton.style_colour(style) == kSecondFontColour
                             ? kSecondEditorFont
                             : kFirstEditorFont;
        const double tab_width = context.tab_width > 0 ? context.tab_width : 1;
        int32_t run = first;
        for (int32_t i = first; i <= last + 1; ++i) {
            if (i <= last && text_[static_cast<size_t>(i)] != '\t') continue;
            if (i > run) {
                const std::string_view piece = std::string_view(text_).substr(
                    static_cast<size_t>(run), static_cast<size_t>(i - run));
                add_piece(run, i - 1, context.widths.width(context.shaper, piece, font),
                          PieceKind::text, font);
            }
            if (i <= last) {
                const double stop = (std::floor(width_ / tab_width) + 1) * tab_width;
                add_piece(i, i, stop - width_, PieceKind::tab, font);
            }
            run = i + 1;
        }
    }
    segments_.back().width = width_ - segments_.back().x;
}

const LayoutPiece* LineLayout::piece_at_offset(int32_t offset) const {
    auto it = std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                               [](int32_t o, const LayoutPiece& p) { return o < p.first; });
    if (it == pieces_.begin()) return nullptr;
    --it;
    return offset <= it->last ? &*it : nullptr;
}

double LineLayout::x_of(int32_t offset, TextShaper& shaper) const {
    if (offset <= 0) return 0;
    const LayoutPiece* piece = piece_at_offset(offset);
    if (!piece) return width_;
    if (offset == piece->first) return piece->x;
    if (piece->kind != PieceKind::text) return piece->x + piece->width;
    return piece->x + shaper.x_of(piece_text(*piece), piece->font, offset - piece->first);
}

int32_t LineLayout::offset_at(double x, TextShaper& shaper) const {
    if (pieces_.empty() || x <= 0) return 0;
    if (x >= width_) return static_cast<int32_t>(text_.size());
    auto it = std::upper_bound(pieces_.begin(), pieces_.end(), x,
                               [](double v, const LayoutPiece& p) { return v < p.x; });
    const LayoutPiece& piece = *(it - 1);
    if (piece.kind != PieceKind::text)
        return x - piece.x <= piece.x + piece.width - x ? piece.first : piece.last + 1;
    return piece.first + shaper.offset_at(piece_text(piece), piece.font, x - piece.x);
}

}  // namespace tessel
