// decide_in_place_edit: the node's description decides, by category and flags.
#include "views/cell_edit.h"

#include "parse/node_description.h"

namespace tessel {

EditDecision decide_in_place_edit(Node* node, int shown_query, const char* edit_check, Arena& scratch) {
    EditDecision decision;
    if (!node) {
        decision.action = EditDecision::Action::show_message;
        decision.message = kEmptyCellMessage;
        return decision;
    }
    QueryResult shown;
    run_query(*node, shown_query, scratch, shown);
    const NodeDescription& d = shown.description;
    const bool shows_value = d.has_value && shown.range.first == d.value_range.first &&
                             shown.range.last == d.value_range.last && shown.text == d.value;
    const bool shows_name = !shows_value && shown.range.first == d.name_range.first &&
                            shown.range.last == d.name_range.last && shown.text == d.name;
    const bool plain = d.category == kCategoryText || d.category == kCategoryLeaf ||
                       d.category == kCategoryValue;
    // A value element's name is its start and end tags' name: the element renames both.
    decision.write_query = shows_value ? kQueryValue4
                           : shows_name ? (d.category == kCategoryValue ? kQueryCell : kQueryName)
                                        : -1;
    const bool editable = decision.write_query >= 0 &&
                          ((d.flags & kFlagEditable) || (plain && (d.flags & kFlagEditableNameValue)));
    const char* message = editable ? edit_check : d.not_editable_message;
    if (!plain && shows_name) {
        // A tag name in a table: never edited here.
        if (editable) message = kTagNameMessage;
    } else if (editable && !message) {
        decision.action = EditDecision::Action::open_editor;
        decision.text = std::string(shown.text);
        return decision;
    }
    if (message) {
        decision.action = EditDecision::Action::show_message;
        decision.message = message;
    }
    return decision;
}

}  // namespace tessel
