// DiagnosticsRoot: the top of the small tree the warnings pane shows after a parse; its
// children are the parse's Diagnostic nodes, whose children are their detail lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "parse/diagnostics.h"
#include "parse/node.h"

namespace tessel {

class DiagnosticsRoot final : public Node {
public:
    // Icon indexes of the root: errors present, only warnings, a clean parse.
    static constexpr int kKindErrors = 12;
    static constexpr int kKindWarnings = 13;
    static constexpr int kKindClean = 11;

    // The root shown before any parse: "0 warning(s), 0 error(s)" and no diagnostics.
    DiagnosticsRoot();
    // Takes the summary and the diagnostics of a parse. The diagnostics are borrowed: they
    // live in the list's arena, so the tree that owns the list must outlive this root.
    DiagnosticsRoot(const DiagnosticList& list, std::string document_name);

    void describe(NodeDescriber& describer) override;
    Node* child(int32_t index) override;
    std::string dump() override;
    // Warning data is never edited: always DiagnosticList::kNotEditable.
    const char* validate_edit(std::string_view new_text, int query_kind) override;

    // Also the title of the warnings pane.
    const std::string& summary() const { return summary_; }
    const std::string& document_name() const { return document_name_; }
    int kind_code() const { return kind_code_; }
    int32_t count() const { return static_cast<int32_t>(diagnostics_.size()); }

private:
    std::string summary_;
    std::string document_name_;
    int kind_code_ = kKindClean;
    std::vector<Diagnostic*> diagnostics_;
};

}  // namespace tessel
