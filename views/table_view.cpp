// Building a table view: sections and runs of children, the tables of each run with their
// column groups and columns, consolidation, progress and timing.
#include "views/table_view.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/number_format.h"
#include "foundation/string_builder.h"
#include "parse/node_description.h"
#include "views/consolidation.h"

namespace tessel {

namespace {

double now_ms() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> out;
    if (text.empty()) return out;
    size_t at = 0;
    for (;;) {
        size_t next = text.find(separator, at);
        out.push_back(text.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos) break;
        at = next + 1;
    }
    return out;
}

template <typename T, typename... Args>
T* make(Arena& arena, Args&&... args) {
    return new (arena.allocate(sizeof(T), alignof(T))) T(static_cast<Args&&>(args)...);
}

const char* keep(Arena& arena, std::string_view text) {
    return arena.copy_text(text.data(), static_cast<uint32_t>(text.size()));
}

// What building a table needs to know of a node: a describer that keeps only that, because
// a view of a million rows asks millions of nodes and a full description costs several times
// as much.
struct Brief {
    int category = 0;
    const char* type_name = "";
    const char* singular_noun = "";
    int kind_code = -1;
    int column_group = 0;
    std::string_view name;
    TextRange range;
    bool has_value = false;
    uint32_t flags = 0;
    int32_t cell_child_count = 0;
    std::string_view column_name() const { return name.empty() ? std::string_view(type_name) : name; }
};

class BriefDescriber final : public NodeDescriber {
public:
    BriefDescriber(Brief& out, Arena& arena, DocumentTree* document)
        : out_(out), arena_(arena), document_(document) {}
    void set_category(int category) override { out_.category = category; }
    void set_identity(const char* type_name, int kind_code, int column_group, const char*,
                      const char* singular_noun, const char*) override {
        out_.type_name = type_name ? type_name : "";
        out_.kind_code = kind_code;
        out_.column_group = column_group;
        out_.singular_noun = singular_noun ? singular_noun : "";
    }
    void set_name(std::string_view text, TextPos, TextPos, bool copy) override {
        out_.name = copy ? std::string_view(keep(arena_, text), text.size()) : text;
    }
    void set_value(std::string_view, TextPos, TextPos, bool) override { out_.has_value = true; }
    void set_second_value(std::string_view, TextPos, TextPos, bool) override {}
    void set_not_editable_message(const char*) override {}
    void set_value_column(const char*, int) override {}
    void set_range(TextPos first, TextPos last) override { out_.range = {first, last}; }
    void set_extra(std::string_view, TextPos, TextPos) override {}
    void set_flags(uint32_t flags) override { out_.flags = flags; }
    void set_link(const void*) override {}
    void set_child_count(int32_t count, int) override { out_.cell_child_count = count; }
    DocumentTree* document() override { return document_; }
    void set_ranges(std::span<const TextRange>) override {}

private:
    Brief& out_;
    Arena& arena_;
    DocumentTree* document_;
};

// One child of the selected node as the counting pass saw it.
struct ChildBrief {
    const char* type_name;
    int category;
    bool has_value;
    int32_t cell_child_count;
};

class ViewBuilder {
public:
    ViewBuilder(View& view, NodeProvider& provider, Node& selected, uint32_t flags, Job* job)
        : view_(view), provider_(provider), selected_(selected), flags_(flags), job_(job),
          arena_(view.arena()), doc_(provider.document()) {}

    void build() {
        QueryResult heading;
        run_query(selected_, kQueryHeading, scratch_, heading, doc_);
        run_query(selected_, kQueryDisplay, arena_, self_, doc_);
        const NodeDescription& d = self_.description;
        count_ = provider_.child_count(selected_);
        needs_data_line_ = d.child_count == 0 && d.cell_child_count > 0;
        type_name_ = d.type_name;
        // A node without a singular noun (the document) is named by its type in "(This ...
        // has no ...)" lines rather than by nothing.
        singular_ = d.singular_noun[0] ? d.singular_noun : d.type_name;
        title_ = heading.text.empty() ? std::string_view(type_name_) : heading.text;

        if (count_ == 0) {
            QueryResult name, value;
            run_query(selected_, kQueryName, arena_, name, doc_);
            run_query(selected_, kQueryValue2, arena_, value, doc_);
            if (!name.text.empty() && !value.text.empty()) {
                add_title();
                add_text(join({type_name_, " data:"}), -1, false, false);
                ViewItem item{ViewItem::Kind::table};
                item.table = GridTable::name_value(provider_, selected_, arena_);
                view_.add(item);
                return;
            }
            if (d.flags & 2) {
                add_title();
                add_text(keep(arena_, d.value), d.value_range.first, false, true);
                return;
            }
        }
        add_title();
        if (needs_data_line_) add_text(join({type_name_, " data:"}), -1, false, false);

        sections_ = split(d.section_spec, ',');
        if (sections_.empty()) sections_.push_back({});
        accepted_ = split(sections_[0], '-');

        // Counting pass: the work is two units per child plus one per cell.
        // What it learns of each child serves the grouping pass and the tables too.
        int64_t total = 2 * static_cast<int64_t>(count_);
        // Filled as the pass goes rather than zeroed up front: for millions of children the
        // first touch of the pages takes tens of milliseconds, which is then spread over the
        // pass's yield points.
        children_.clear();
        children_.reserve(static_cast<size_t>(count_));
        for (int32_t i = 0; i < count_; ++i) {
            if ((i & 255) == 0 && job_) {
                job_->set_progress(static_cast<int>(20.0 * i / count_));
                job_->yield_point();
            }
            children_.push_back(ChildBrief{nullptr, 0, false, 0});
            Node* child = provider_.peek_child(selected_, i, row_scratch_);
            if (!child) continue;
            ArenaMark mark = scratch_.mark();
            Brief brief;
            BriefDescriber describer(brief, scratch_, doc_);
            child->describe(describer);
            // Type names are borrowed from the nodes, which outlive the build.
            const char* name = brief.type_name[0] ? brief.type_name : brief.singular_noun;
            children_[static_cast<size_t>(i)] = {name, brief.category, brief.has_value, brief.cell_child_count};
            total += brief.cell_child_count;
            scratch_.release(mark);
        }
        view_.total_work = total;
        view_.work_done = 0;

        // Grouping pass.
        for (index_ = 0; index_ < count_; ++index_) {
            if ((index_ & 4095) == 0 && job_) job_->yield_point();
            const char* name = children_[static_cast<size_t>(index_)].type_name;
            if (!name) continue;
            feed(name, false);
        }
        feed({}, true);
        children_.clear();
        children_.shrink_to_fit();

        std::string_view trailing = provider_.trailing_text(selected_);
        if (!trailing.empty()) add_text(keep(arena_, trailing), -1, false, false);
    }

private:
    const char* join(std::initializer_list<std::string_view> parts) {
        std::string s;
        for (std::string_view p : parts) s += p;
        return keep(arena_, s);
    }

    void add_title() {
        ViewItem item{ViewItem::Kind::title_line};
        item.text = keep(arena_, title_);
        item.kind_code = self_.description.kind_code;
        item.flags = flags_;
        view_.add(item);
    }

    void add_text(const char* text, TextPos position, bool header, bool block) {
        ViewItem item{ViewItem::Kind::text_line};
        item.text = text;
        item.position = position;
        item.section_header = header;
        item.text_block = block;
        view_.add(item);
    }

    bool accepts(std::string_view name) const {
        if (accepted_.empty()) return true;
        for (std::string_view a : accepted_)
            if (a == name) return true;
        return false;
    }

    // The grouper: children arrive one by one; runs of accepted names become tables, and a
    // section without children says so.
    void feed(std::string_view name, bool flush) {
        while (flush || !accepts(name)) {
            if (run_length_ > 0) {
                flush_run(index_ - run_length_, index_ - 1);
                run_length_ = 0;
            } else if (!accepted_.empty()) {
                add_text(join({"(This ", singular_, " has no ", plural_noun(accepted_[0]), ")"}), -1, false,
                         false);
            }
            if (section_ + 1 >= sections_.size()) return;  // a child no later section takes
            ++section_;
            accepted_ = split(sections_[section_], '-');
        }
        ++run_length_;
        run_name_ = std::string(name);
    }

    void flush_run(int32_t a, int32_t b) {
        if (a == b) {
            if (Node* child = provider_.child(selected_, a)) {
                QueryResult r;
                run_query(*child, kQueryDisplay, arena_, r, doc_);
                if (r.description.flags & 2) {
                    add_text(join({"1 ", r.description.type_name, " section:"}), -1, true, false);
                    add_text(keep(arena_, r.text), r.description.range.first, false, true);
                    return;
                }
            }
        }
        std::string_view name = run_name_;
        if (self_.description.section_spec[0] == 0 && self_.description.singular_noun[0])
            name = self_.description.singular_noun;
        if (!needs_data_line_)
            add_text(join({counted(b - a + 1, name), ":"}), -1, true, false);
        ViewItem item{ViewItem::Kind::table};
        item.table = build_table(a, b);
        view_.add(item);
    }

    // One unit per cell and two per row, as the counting pass totalled them.
    void progress(int units = 1) {
        const int64_t before = view_.work_done;
        view_.work_done += units;
        if (job_ && (before >> 8) != (view_.work_done >> 8)) {
            job_->set_progress(static_cast<int>(80.0 * view_.work_done / std::max<int64_t>(view_.total_work, 1) + 20));
            job_->yield_point();
        }
    }

    GridTable* build_table(int32_t a, int32_t b) {
        GridTable* table = make<GridTable>(arena_, provider_, selected_, a, b, arena_);
        const ArenaMark building = building_.mark();
        Array<ColumnGroup*>& groups = table->groups();
        for (int32_t i = a; i <= b; ++i) {
            const int32_t row = i - a;
            progress(2);
            Node* child = provider_.peek_child(selected_, i, row_scratch_);
            if (!child) continue;
            const ChildBrief& info = children_[static_cast<size_t>(i)];
            if ((info.category == 2 || info.category == 5) && info.has_value && !table->has_key_column()) {
                ArenaMark mark = scratch_.mark();
                QueryResult key;
                run_query(*child, kQueryValueCell, scratch_, key, doc_);
                table->set_key_column(keep(arena_, key.description.value_column_title),
                                      key.range.first);
                scratch_.release(mark);
            }
            for (int32_t j = 0;; ++j) {
                Node* g = provider_.peek_child(*child, j, cell_scratch_);
                if (!g) break;
                progress();
                ArenaMark gmark = scratch_.mark();
                Brief brief;
                BriefDescriber describer(brief, scratch_, doc_);
                g->describe(describer);
                add_cell(groups, i, j, brief, row, b - a + 1);
                scratch_.release(gmark);
            }
        }

        // The columns' cells settle into the view's arena; what gathered them is given back.
        // A column of millions of rows takes milliseconds: the job yields between columns.
        for (ColumnGroup* group : groups)
            if (group)
                for (Column* c : group->columns) {
                    c->cells.finish(arena_);
                    if (job_) job_->yield_point();
                }
        building_.release(building);

        // Key column first, then each group's columns (a consolidated column first in its group).
        table->add_display_column(GridTable::ColumnKind::row_header, nullptr);
        if (table->has_key_column()) table->add_display_column(GridTable::ColumnKind::key, nullptr);
        for (ColumnGroup* group : groups) {
            if (!group) continue;
            if (job_) job_->yield_point();
            if (Column* consolidated = consolidate_group(*group, arena_))
                table->add_display_column(GridTable::ColumnKind::data, consolidated);
            for (Column* c : group->columns) {
                if (c->merged) continue;
                if (group->index == 0 && table->has_key_column() &&
                    std::strcmp(c->name, table->key_title()) == 0) {
                    table->attach_to_key(c);
                    continue;
                }
                table->add_display_column(GridTable::ColumnKind::data, c);
            }
        }
        return table;
    }

    // Files the cell of child `child`'s grandchild `cell` (described by d) under its column.
    void add_cell(Array<ColumnGroup*>& groups, int32_t child, int32_t cell, const Brief& d,
                  int32_t row, int32_t rows) {
        const int index = d.column_group < 0 ? 0 : d.column_group;
        while (groups.size() <= index) groups.push_back(nullptr);
        ColumnGroup*& group = groups[index];
        if (!group) group = make<ColumnGroup>(arena_, index, keep(arena_, d.type_name), d.kind_code, &arena_);
        std::string_view name = d.column_name();
        const char* key = keep(scratch_, name);
        int32_t column_index;
        Column* column;
        if (group->by_name.find(key, &column_index)) {
            column = group->columns[column_index];
        } else {
            column = make<Column>(arena_, keep(arena_, name), &arena_);
            column->kind_code = d.kind_code;
            column->group = index;
            column->text_block = d.flags & 2;
            insert_growing(group->by_name, column->name, group->columns.size());
            group->columns.push_back(column);
        }
        const int32_t depth = d.cell_child_count > 0 ? 1 : 0;
        column->depth = std::max(column->depth, depth);
        if (column->last_row == row) {
            // The name repeats within the row: the row's cell becomes a group of occurrences.
            RepeatGroup* repeat = nullptr;
            if (!column->repeats.find(row, &repeat)) {
                const char* group_name = column->name;
                if (column->text_block) {
                    // Named after the text of its first occurrence, an earlier cell of this row.
                    NodeScratch row_scratch, cell_scratch;
                    const CellPlace first_place = column->current.place;
                    Node* row_node = provider_.peek_child(selected_, first_place.child, row_scratch);
                    if (Node* first_node = row_node ? provider_.peek_child(*row_node, first_place.index, cell_scratch) : nullptr) {
                        QueryResult first;
                        run_query(*first_node, kQueryCell, scratch_, first, doc_);
                        group_name = keep(arena_, first.text);
                    }
                }
                repeat = make<RepeatGroup>(arena_, group_name, &arena_);
                repeat->ranges.push_back(column->current.range);
                repeat->cells.push_back(column->current.place);
                insert_growing(column->repeats, row, repeat);
            }
            repeat->ranges.push_back(d.range);
            repeat->cells.push_back({child, cell});
            repeat->depth = std::max(repeat->depth, depth);
            return;
        }
        ++column->row_count;
        column->current = CellRef{{child, cell}, d.range};
        column->last_row = row;
        column->cells.add(row, cell, rows, building_);
    }

    View& view_;
    NodeProvider& provider_;
    Node& selected_;
    uint32_t flags_;
    Job* job_;
    Arena& arena_;
    DocumentTree* doc_;
    HugeArena scratch_;
    // The row and the cell being looked at, when they have no node of their own.
    NodeScratch row_scratch_;
    NodeScratch cell_scratch_;
    HugeArena building_;  // the cells of the table being built, before they settle
    QueryResult self_;
    int32_t count_ = 0;
    bool needs_data_line_ = false;
    std::string type_name_, singular_, title_storage_;
    std::string_view title_;
    std::vector<std::string_view> sections_;
    std::vector<std::string_view> accepted_;
    size_t section_ = 0;
    int32_t index_ = 0;
    int32_t run_length_ = 0;
    std::string run_name_;
    std::vector<ChildBrief> children_;
};

}  // namespace

std::unique_ptr<View> build_view(NodeProvider& provider, Node& selected, std::string_view name,
                                 uint32_t browser_flags, Job* job, std::string* status_message) {
    const double started = now_ms();
    auto view = std::make_unique<View>(provider, selected, name);
    try {
        ViewBuilder(*view, provider, selected, browser_flags, job).build();
    } catch (...) {
        provider.drop_prepared();
        throw;
    }
    const double elapsed = now_ms() - started;
    if (elapsed > 100 && status_message) {
        StringBuilder text;
        text.append("Created view in ");
        text.append_duration(elapsed);
        *status_message = std::string(text.view());
    }
    return view;
}

}  // namespace tessel
