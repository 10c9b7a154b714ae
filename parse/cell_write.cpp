// write_cell: the node's replacements, carried through the tree's shifts to the text.
#include "parse/cell_write.h"

namespace tessel {

namespace {

class ShiftingSink final : public TextEditSink {
public:
    ShiftingSink(EditShifts& shifts, TextSplicer& out, CellWrite& result)
        : shifts_(shifts), out_(out), result_(result) {}

    void replace(std::string_view text, TextPos first, TextPos last) override {
        const auto length = static_cast<int32_t>(last - first + 1);
        if (!out_.splice(shifts_.current(first), length, text)) {
            result_.failed = true;
            return;
        }
        // The node's range now holds text: what follows it moved by the difference.
        shifts_.record(first, length, static_cast<int64_t>(text.size()));
        ++result_.replacements;
    }

private:
    EditShifts& shifts_;
    TextSplicer& out_;
    CellWrite& result_;
};

}  // namespace

bool StringSplicer::splice(TextPos first, int32_t remove, std::string_view text) {
    if (first < 0 || remove < 0 || static_cast<size_t>(first) + static_cast<size_t>(remove) > text_.size())
        return false;
    text_.replace(static_cast<size_t>(first), static_cast<size_t>(remove), text);
    return true;
}

CellWrite write_cell(DocumentTree& tree, Node& node, std::string_view typed, int query_kind,
                     TextSplicer& out) {
    CellWrite result;
    result.written = node.prepare_edit(typed, query_kind);
    result.refusal = node.validate_edit(result.written, query_kind);
    if (result.refusal) return result;
    ShiftingSink sink(tree.edit_shifts(), out, result);
    node.apply_edit(tree, result.written, query_kind, sink);
    return result;
}

}  // namespace tessel
