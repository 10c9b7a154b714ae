// The columns of a grid table as the table gathers them: the column groups (attributes,
// sub-elements, texts), each column with the rows it fills, and the groups of a name repeated
// within one row. Kept apart from GridTable so that consolidation, which merges columns, and
// the table, which shows consolidated cells, both build on them without including each other.
#pragma once

#include <cstdint>

#include "foundation/arena.h"
#include "foundation/array.h"
#include "foundation/int_map.h"
#include "foundation/str_map.h"
#include "parse/node.h"
#include "text/text_pos.h"
#include "views/cell_index.h"

namespace tessel {

// The occurrences of one name within one row (three <item> children of one row), or the
// lonely values of a row gathered by unique consolidation.
// A cell by place rather than by node, so that building a table makes no node objects: the
// index of the selected node's child (the row) and of that child's child (the cell).
struct CellPlace {
    int32_t child = -1;
    int32_t index = -1;
};

struct RepeatGroup {
    const char* name;
    int32_t depth = 0;
    Array<TextRange> ranges;
    Array<CellPlace> cells;
    Array<RepeatGroup*> nested;
    explicit RepeatGroup(const char* n, Arena* arena) : name(n), ranges(arena), cells(arena), nested(arena) {}
};

struct CellRef {
    CellPlace place;
    TextRange range;
};

struct Column {
    const char* name;
    int kind_code = -1;
    int group = 0;
    int32_t row_count = 0;
    int32_t last_row = -1;
    CellRef current;          // the cell of the last row it occurred in
    bool text_block = false;  // its cells are text blocks
    int32_t depth = 0;
    bool consolidated = false;      // the "Unique ...s" column
    bool merged = false;            // merged into its group's consolidated column
    IntMap<RepeatGroup*> repeats;   // row -> group, for rows where the name repeats
    // For the rows it occurs in, the index of the grandchild that fills the cell, so that
    // drawing, copying and sorting find a cell without searching the row's children by name.
    CellIndex cells;
    // Most columns never repeat a name within a row, and a sparse table has one column per
    // cell: the map starts at the smallest size and grows as it fills (insert_growing).
    Column(const char* n, Arena* arena) : name(n), repeats(2, arena) {}
};

struct ColumnGroup {
    int index;
    const char* name;  // the type name of its cells ("Attribute", "Subtag", "Text")
    int kind_code;
    StrMap<int32_t> by_name;
    Array<Column*> columns;  // in order of first appearance
    ColumnGroup(int i, const char* n, int kind, Arena* arena)
        : index(i), name(n), kind_code(kind), by_name(128, arena), columns(arena) {}
};

// Keeps a map's chains short as it grows past its initial buckets: a column group of a
// DOCTYPE with a million declarations has a million columns.
template <typename Map, typename K, typename V>
void insert_growing(Map& map, K key, V value) {
    map.insert_or_assign(key, value);
    if (map.count() > 2 * map.bucket_count()) map.rehash(map.bucket_count() * 4);
}

}  // namespace tessel
