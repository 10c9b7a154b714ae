// DiagnosticsRoot: built from a parse's diagnostic list, and how it describes itself.
#include "views/diagnostics_tree.h"

#include <utility>

#include "parse/node_description.h"

namespace tessel {

namespace {

int kind_for(DiagnosticState state) {
    switch (state) {
        case DiagnosticState::errors: return DiagnosticsRoot::kKindErrors;
        case DiagnosticState::warnings: return DiagnosticsRoot::kKindWarnings;
        case DiagnosticState::none: break;
    }
    return DiagnosticsRoot::kKindClean;
}

}  // namespace

DiagnosticsRoot::DiagnosticsRoot() : summary_("0 warning(s), 0 error(s)") {}

DiagnosticsRoot::DiagnosticsRoot(const DiagnosticList& list, std::string document_name)
    : summary_(list.summary()),
      document_name_(std::move(document_name)),
      kind_code_(kind_for(list.state())),
      diagnostics_(list.items().begin(), list.items().end()) {}

void DiagnosticsRoot::describe(NodeDescriber& d) {
    d.set_category(kCategoryTable);
    d.set_identity("Warnings", kind_code_, 1, "", "", "");
    // The summary lives as long as the root, so the description may borrow it.
    d.set_name(summary_, -1, -1, false);
    d.set_child_count(count(), 1);
    d.set_not_editable_message(DiagnosticList::kNotEditable);
    d.set_link(this);
}

Node* DiagnosticsRoot::child(int32_t index) {
    return index >= 0 && index < count() ? diagnostics_[static_cast<size_t>(index)] : nullptr;
}

std::string DiagnosticsRoot::dump() {
    return document_name_.empty() ? summary_ : document_name_ + ": " + summary_;
}

const char* DiagnosticsRoot::validate_edit(std::string_view, int) {
    return DiagnosticList::kNotEditable;
}

}  // namespace tessel
