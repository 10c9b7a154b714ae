// Unique consolidation: deciding per column group, merging columns, and the consolidated
// cell's node.
#include "views/consolidation.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>

#include "foundation/number_format.h"
#include "parse/diagnostics.h"
#include "parse/node_description.h"

namespace tessel {

namespace {

std::atomic<int> threshold{kDefaultConsolidationThreshold};

char* concat(Arena& arena, std::initializer_list<std::string_view> parts) {
    size_t n = 0;
    for (std::string_view p : parts) n += p.size();
    char* out = static_cast<char*>(arena.allocate(static_cast<uint32_t>(n + 1)));
    size_t at = 0;
    for (std::string_view p : parts) {
        std::memcpy(out + at, p.data(), p.size());
        at += p.size();
    }
    out[n] = 0;
    return out;
}

template <typename T, typename... Args>
T* make(Arena& arena, Args&&... args) {
    return new (arena.allocate(sizeof(T), alignof(T))) T(static_cast<Args&&>(args)...);
}

}  // namespace

int unique_consolidation_threshold() { return threshold.load(); }

void set_unique_consolidation_threshold(int value) {
    threshold.store(std::clamp(value, 1, 9));
}

Column* consolidate_group(ColumnGroup& group, Arena& arena) {
    if (std::strcmp(group.name, kWarningDetail) == 0 || std::strcmp(group.name, kErrorDetail) == 0)
        return nullptr;
    int32_t unique = 0;
    int32_t first_row = -1;
    bool one_row = true;
    for (Column* c : group.columns) {
        if (c->row_count != 1 || c->consolidated) continue;
        ++unique;
        if (first_row < 0)
            first_row = c->last_row;
        else if (c->last_row != first_row)
            one_row = false;
    }
    if (unique <= unique_consolidation_threshold() || one_row) return nullptr;

    Column* target = make<Column>(arena, concat(arena, {"Unique ", group.name, "s"}), &arena);
    target->kind_code = group.kind_code;
    target->group = group.index;
    target->consolidated = true;
    for (Column* c : group.columns) {
        if (c->row_count != 1 || c->consolidated) continue;
        const int32_t row = c->last_row;
        RepeatGroup* source = nullptr;
        if (!c->repeats.find(row, &source)) {
            source = make<RepeatGroup>(arena, c->name, &arena);
            source->ranges.push_back(c->current.range);
            source->cells.push_back(c->current.place);
            source->depth = c->depth;
        }
        RepeatGroup* into = nullptr;
        if (!target->repeats.find(row, &into)) {
            into = make<RepeatGroup>(arena, c->name, &arena);
            insert_growing(target->repeats, row, into);
            ++target->row_count;
            target->last_row = std::max(target->last_row, row);
        }
        into->depth = std::max(into->depth, source->depth);
        into->ranges.append_all(source->ranges);
        into->cells.append_all(source->cells);
        into->nested.push_back(source);
        target->depth = std::max(target->depth, into->depth);
        c->merged = true;
    }
    return target;
}

std::string ConsolidatedElement::text() const {
    const int32_t a = group_.cells.size();
    const int32_t b = group_.nested.size();
    // Counts are grouped as every count the window shows is ("1,578,496 occurrences").
    const std::string occurrences = " (" + with_commas(a) + " occurrences)";
    if (b > 1 && b == a) return with_commas(b) + " " + label_;
    if (b > 1) return with_commas(b) + " " + label_ + occurrences;
    return group_.name + occurrences;
}

void ConsolidatedElement::describe(NodeDescriber& d) {
    if (Node* one = single()) {
        one->describe(d);
        return;
    }
    const int32_t a = group_.cells.size();
    const int32_t b = group_.nested.size();
    d.set_category(4);
    d.set_identity("Element", -1, 1, "", "", "");
    d.set_name(text(), -1, -1, true);  // copied: the text is a temporary
    if (!group_.ranges.empty()) d.set_range(group_.ranges[0].first, group_.ranges[0].last);
    d.set_ranges(group_.ranges.span());
    if (!nested_) d.set_child_count(b > 1 ? b : a, 1);
    d.set_not_editable_message(kNotEditable);
    d.set_link(this);
}

Node* ConsolidatedElement::child(int32_t index) {
    if (Node* one = single()) return one->child(index);
    if (index < 0) return nullptr;
    if (group_.nested.size() < 2)
        return index < group_.cells.size() ? node_of(group_.cells[index]) : nullptr;
    if (index >= group_.nested.size()) return nullptr;
    RepeatGroup* nested = group_.nested[index];
    // A nested group of one occurrence is that occurrence.
    if (nested->cells.size() == 1) return node_of(nested->cells[0]);
    return make<ConsolidatedElement>(arena_, *nested, nested->name, true, arena_, provider_, selected_);
}

Node* ConsolidatedElement::node_of(CellPlace place) const {
    Node* row = provider_.child(selected_, place.child);
    return row ? provider_.child(*row, place.index) : nullptr;
}

std::string ConsolidatedElement::dump() {
    return std::string(label_) + " (" + with_commas(group_.cells.size()) + " occurrences)";
}

NodeSpans ConsolidatedElement::spans() {
    if (Node* one = single()) return one->spans();
    if (group_.ranges.empty()) return {label_, -1, -1};
    return {label_, group_.ranges[0].first, group_.ranges[0].last};
}

const char* ConsolidatedElement::validate_edit(std::string_view new_text, int query_kind) {
    if (Node* one = single()) return one->validate_edit(new_text, query_kind);
    return kNotEditable;
}

void ConsolidatedElement::apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                                     TextEditSink& sink) {
    if (Node* one = single()) one->apply_edit(tree, new_text, query_kind, sink);
}

}  // namespace tessel
