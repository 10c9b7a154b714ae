// The collecting describer and the queries that pick one text and range from a description.
#include "parse/node_description.h"

#include <cstring>

#include "parse/node.h"

namespace tessel {

namespace {

std::string_view join(Arena& arena, std::initializer_list<std::string_view> parts) {
    size_t n = 0;
    for (std::string_view p : parts) n += p.size();
    char* out = static_cast<char*>(arena.allocate(static_cast<uint32_t>(n + 1)));
    size_t at = 0;
    for (std::string_view p : parts) {
        if (!p.empty()) std::memcpy(out + at, p.data(), p.size());
        at += p.size();
    }
    out[n] = 0;
    return {out, n};
}

}  // namespace

std::string_view DescriptionCollector::keep(std::string_view text, bool copy) {
    if (!copy) return text;
    return {arena_.copy_text(text.data(), static_cast<uint32_t>(text.size())), text.size()};
}

void DescriptionCollector::set_identity(const char* type_name, int kind_code, int column_group,
                                        const char* section_spec, const char* singular_noun,
                                        const char* first_column_title) {
    out_.type_name = type_name ? type_name : "";
    out_.kind_code = kind_code;
    out_.column_group = column_group;
    out_.section_spec = section_spec ? section_spec : "";
    out_.singular_noun = singular_noun ? singular_noun : "";
    out_.first_column_title = first_column_title ? first_column_title : "";
}

void DescriptionCollector::set_name(std::string_view text, TextPos first, TextPos last, bool copy) {
    out_.name = keep(text, copy);
    out_.name_range = {first, last};
}

void DescriptionCollector::set_value(std::string_view text, TextPos first, TextPos last, bool copy) {
    out_.value = keep(text, copy);
    out_.value_range = {first, last};
    out_.has_value = true;
}

void DescriptionCollector::set_second_value(std::string_view text, TextPos first, TextPos last,
                                            bool copy) {
    out_.second_value = keep(text, copy);
    out_.second_value_range = {first, last};
}

void DescriptionCollector::set_extra(std::string_view text, TextPos first, TextPos last) {
    out_.extra = text;
    out_.extra_range = {first, last};
    out_.has_extra = true;
}

void DescriptionCollector::set_child_count(int32_t count, int which) {
    if (which == 1) out_.child_count = count;
    out_.cell_child_count = count;
}

void DescriptionCollector::set_ranges(std::span<const TextRange> ranges) {
    out_.ranges.clear();
    out_.ranges.append(ranges);
}

void NodeDescription::reset(Arena& arena) {
    category = kCategoryNone;
    type_name = "";
    kind_code = -1;
    column_group = 0;
    section_spec = "";
    singular_noun = "";
    first_column_title = "";
    name = {};
    name_range = {};
    value = {};
    value_range = {};
    has_value = false;
    second_value = {};
    second_value_range = {};
    not_editable_message = kDefaultNotEditable;
    value_column_title = "value";
    value_column_kind = -1;
    range = {};
    extra = {};
    extra_range = {};
    has_extra = false;
    flags = 0;
    link = nullptr;
    child_count = 0;
    cell_child_count = 0;
    marker = 255;
    // The ranges live as long as the query's other texts, in its arena: a query costs no heap
    // allocation.
    ranges = Array<TextRange>(&arena);
}

void run_query(Node& node, int query_kind, Arena& arena, QueryResult& result,
               DocumentTree* document) {
    NodeDescription& d = result.description;
    d.reset(arena);
    DescriptionCollector collector(d, arena, document);
    node.describe(collector);

    std::string_view text;
    TextRange range = d.range;
    switch (query_kind) {
        case kQueryDisplay:
        case kQueryHeading:
            if (d.category == kCategoryLeaf) {
                text = join(arena, {d.name, " = \"", d.value, "\""});
            } else if (d.category == kCategoryContainer) {
                text = d.has_extra && !d.extra.empty() ? join(arena, {d.name, ": ", d.extra})
                                                       : d.name;
            } else if (d.category == kCategoryText) {
                text = d.value;
            } else {
                text = d.name.empty() ? d.value : d.name;
            }
            break;
        case kQueryName:
            if (d.category == kCategoryLeaf || d.category == kCategoryTable ||
                d.category == kCategoryValue || d.category == kCategoryContainer) {
                text = d.name;
                range = d.name_range;
            }
            break;
        case kQueryValue2:
        case kQueryValueCell:
        case kQueryValue4:
            if (d.has_value) {
                text = d.value;
                range = d.value_range;
            }
            break;
        case kQueryCell:
            if (d.category == kCategoryText || d.category == kCategoryLeaf ||
                d.category == kCategoryValue) {
                text = d.value;
                range = d.value_range;
            } else if (d.category == kCategoryContainer && d.has_extra && !d.extra.empty()) {
                text = join(arena, {d.name, ": ", d.extra});
            } else {
                text = d.name;
                range = d.name_range;
            }
            break;
        case kQueryColumnTitle:
            text = d.first_column_title;
            break;
        default:
            text = d.name;
            break;
    }
    result.text = text;
    result.range = range;
    if (d.ranges.empty()) d.ranges.push_back(range);
}

}  // namespace tessel
