// A Surface for tests that records what is painted, in order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "seams/surface.h"

namespace tessel::test {

struct PaintOp {
    enum class Kind { fill, frame, text, image, clip, unclip };
    Kind kind;
    Rect rect;          // fill, frame, image, clip; for text x and baseline in x and y
    Colour colour;
    std::string run;    // text
    int font = 0;       // text
    FrameStyle style = FrameStyle::solid;  // frame
    int picture = 0;    // image
};

class RecordingSurface final : public Surface {
public:
    void fill_rect(const Rect& rect, Colour colour) override {
        ops.push_back({PaintOp::Kind::fill, rect, colour, {}, 0, FrameStyle::solid, 0});
    }
    void frame_rect(const Rect& rect, Colour colour, FrameStyle style) override {
        ops.push_back({PaintOp::Kind::frame, rect, colour, {}, 0, style, 0});
    }
    void draw_text(double x, double baseline, std::string_view run, int font, Colour colour) override {
        ops.push_back({PaintOp::Kind::text, Rect{x, baseline, 0, 0}, colour, std::string(run), font,
                       FrameStyle::solid, 0});
    }
    void draw_image(int image, const Rect& rect) override {
        ops.push_back({PaintOp::Kind::image, rect, {}, {}, 0, FrameStyle::solid, image});
    }
    void set_clip(const Rect& rect) override {
        ops.push_back({PaintOp::Kind::clip, rect, {}, {}, 0, FrameStyle::solid, 0});
    }
    void clear_clip() override { ops.push_back({PaintOp::Kind::unclip, {}, {}, {}, 0, FrameStyle::solid, 0}); }

    std::vector<PaintOp> of_kind(PaintOp::Kind kind) const {
        std::vector<PaintOp> out;
        for (const PaintOp& op : ops)
            if (op.kind == kind) out.push_back(op);
        return out;
    }
    // The texts drawn, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const PaintOp& op : ops)
            if (op.kind == PaintOp::Kind::text) out.push_back(op.run);
        return out;
    }
    const PaintOp* find_text(std::string_view text) const {
        for (const PaintOp& op : ops)
            if (op.kind == PaintOp::Kind::text && op.run == text) return &op;
        return nullptr;
    }

    std::vector<PaintOp> ops;
};

}  // namespace tessel::test
