// Unique consolidation: columns that have a value in one row only are merged into one
// "Unique <group>s" column whose cell lists that row's lonely values, so that documents whose
// siblings each carry differently named children do not give a grid of empty columns.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/arena.h"
#include "parse/node.h"
#include "views/grid_columns.h"
#include "views/node_provider.h"

namespace tessel {

// Consolidate when a group has more unique columns than this (1 to 9).
int unique_consolidation_threshold();
void set_unique_consolidation_threshold(int value);
constexpr int kDefaultConsolidationThreshold = 2;

// Merges the unique columns of a group into a new consolidated column when that pays off;
// returns it (not yet among the group's columns) or null.
Column* consolidate_group(ColumnGroup& group, Arena& arena);

// The node a consolidated or repeated cell shows: the occurrences of its RepeatGroup.
class ConsolidatedElement final : public Node {
public:
    static constexpr const char* kNotEditable = "Cannot edit in this context yet";

    // The group's cells are children of selected's children, as provider gives them.
    ConsolidatedElement(RepeatGroup& group, const char* label, bool nested, Arena& arena,
                        NodeProvider& provider, Node& selected)
        : group_(group), label_(label), nested_(nested), arena_(arena), provider_(provider),
          selected_(selected) {}

    void describe(NodeDescriber& describer) override;
    Node* child(int32_t index) override;
    std::string dump() override;
    NodeSpans spans() override;
    const char* validate_edit(std::string_view new_text, int query_kind) override;
    void apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                    TextEditSink& sink) override;

    RepeatGroup& group() const { return group_; }

private:
    // The one occurrence this element stands for, when it has exactly one.
    Node* single() const { return group_.cells.size() == 1 ? node_of(group_.cells[0]) : nullptr; }
    Node* node_of(CellPlace place) const;
    // "3 Unique Subtags", "item (3 occurrences)", whole however long the label or the
    // group's name (a text block's own text) is.
    std::string text() const;

    RepeatGroup& group_;
    const char* label_;
    bool nested_;
    Arena& arena_;
    NodeProvider& provider_;
    Node& selected_;
};

}  // namespace tessel
