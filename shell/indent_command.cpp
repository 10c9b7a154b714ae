// The "indent" command's body and the indent options in the settings.
#include "shell/indent_command.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "foundation/job.h"
#include "foundation/number_format.h"
#include "parse/language_registry.h"
#include "parse/xml_indenter.h"
#include "parse/xml_nodes.h"
#include "runtime/app_clock.h"
#include "seams/ui.h"
#include "settings/dialog_binding.h"
#include "text/text_document.h"

namespace tessel {

namespace {

// The fields of kXmlIndentOptions, in its order.
enum IndentField { kIndentSize, kMaxAttributes, kRemoveComments, kShowDialogFirst };

std::vector<int32_t> as_values(const IndentOptions& options) {
    return {options.indent_size, options.max_attributes, options.remove_comments ? 1 : 0,
            options.show_dialog_first ? 1 : 0};
}

IndentOptions from_values(const std::vector<int32_t>& values) {
    IndentOptions options;
    options.indent_size = values[kIndentSize];
    options.max_attributes = values[kMaxAttributes];
    options.remove_comments = values[kRemoveComments] != 0;
    options.show_dialog_first = values[kShowDialogFirst] != 0;
    return options;
}

// The line (from 1) of offset at: line breaks are LF, CR LF or a lone CR.
int64_t line_of(std::string_view text, TextPos at) {
    int64_t line = 1;
    const size_t end = std::min(text.size(), static_cast<size_t>(std::max<TextPos>(at, 0)));
    for (size_t i = 0; i < end; ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
            ++line;
    return line;
}

}  // namespace

IndentOptions read_indent_options(SettingsStore& store) {
    std::vector<int32_t> values = initial_values(kXmlIndentOptions);
    read_bound_fields(store, kXmlIndentOptions, values);
    return from_values(values);
}

void write_indent_options(SettingsStore& store, IndentOptions& options) {
    std::vector<int32_t> values = as_values(options);
    write_bound_fields(store, kXmlIndentOptions, values);
    options = from_values(values);
}

std::string dropped_text_question(int64_t line) {
    return "Line " + std::to_string(line) +
           " holds text that the parsed document does not keep (text outside the markup, a "
           "comment in JSON, an unfinished declaration or bytes that are not characters). "
           "Indenting would delete it. Indent anyway?";
}

IndentOutcome run_indent(TextDocument& document, const DocumentType& type, DocumentTree* tree,
                         IndentOptions& options, Ui& ui, IndentOptionsDialog& dialog,
                         SettingsStore* settings, Job* job, std::string* status_message) {
    if (job) job->set_status_text("Indenting");
    if (!type.module) {
        ui.message_box("A " + type.display_name +
                           " document has no markup to indent. The text was left as it was.",
                       "Indent", UiButtons::ok, UiIcon::information);
        return IndentOutcome::refused;
    }
    // Without a tree (the text has not been parsed yet) the text is parsed here, as its type:
    // writing from no tree at all would empty the document.
    // The text outlives the tree: JSON nodes read their texts from it.
    const bool had_tree = tree != nullptr;
    std::string source;
    std::unique_ptr<DocumentTree> parsed;
    if (!tree) {
        source = document.text();
        parsed = type.module->parse(source, type.parse_flag, job);
        tree = parsed.get();
    }
    const IndentRisk risk = indent_risk(tree);
    std::string question;
    if (risk == IndentRisk::no_document || risk == IndentRisk::errors || !had_tree)
        question = "This document contains a syntax error or is empty, indent anyway?";
    // A tree that passed over text names the first place, which an error would not tell.
    if (risk == IndentRisk::dropped_text)
        question = dropped_text_question(line_of(document.text(), tree->first_dropped_text()));
    if (!question.empty() &&
        ui.message_box(question, "Indent", UiButtons::ok_cancel, UiIcon::question) != UiAnswer::ok)
        return IndentOutcome::cancelled;
    if (options.show_dialog_first) {
        IndentOptions asked = options;
        if (!dialog.ask(asked)) return IndentOutcome::cancelled;
        options = asked;
        if (settings) write_indent_options(*settings, options);
    }
    // The dialog keeps its numbers in range; options that came from elsewhere are kept there.
    options.indent_size = std::clamp(options.indent_size, 1, 9);
    options.max_attributes = std::clamp(options.max_attributes, 0, 100);

    const double started = AppClock::now();
    // A parse that failed outright (a JSON document can) leaves no root: writing it would
    // replace the text with nothing.
    if (!tree || !tree->root()) {
        ui.message_box(
            "The document could not be read, so there is nothing to indent. The text "
            "was left as it was.",
            "Indent", UiButtons::ok, UiIcon::error);
        return IndentOutcome::refused;
    }
    IndentedText out;
    // A document whose lines end CR LF keeps them: the indented lines end so too.
    const IndentStatus status =
        write_indented(*tree, options, out, job, document.index().line_ending());
    if (status != IndentStatus::done) {
        ui.message_box(status == IndentStatus::too_large
                           ? "The indented document would be larger than 2 GB, which is more "
                             "than a document can hold. The text was left as it was."
                           : "There was not enough memory to indent the document. The text was "
                             "left as it was.",
                       "Indent", UiButtons::ok, UiIcon::error);
        return IndentOutcome::refused;
    }
    if (!document.replace(out.view(), 0, document.length())) {
        ui.message_box(
            "The indented text could not be put in place of the document's text. "
            "The text was left as it was.",
            "Indent", UiButtons::ok, UiIcon::error);
        return IndentOutcome::refused;
    }
    if (status_message)
        *status_message = "Indented in " + format_duration(AppClock::now() - started);
    return IndentOutcome::indented;
}

}  // namespace tessel
