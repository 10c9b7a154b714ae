// The "indent" command: the whole document text written again from its tree with uniform
// indentation, as one undoable edit, after the questions the user may be asked first. Also
// the indent options as they are kept in the settings under the "XML Indent Options" dialog.
#pragma once

#include <cstdint>
#include <string>

#include "parse/indent_options.h"

namespace tessel {

class DocumentTree;
struct DocumentType;
class Job;
class SettingsStore;
class TextDocument;
class Ui;

// The "XML Indent Options" dialog as the command needs it; the GUI draws it, tests answer it.
class IndentOptionsDialog {
public:
    virtual ~IndentOptionsDialog() = default;
    // Shows the dialog filled with options. OK: true, with the user's values in options;
    // Cancel: false, options as they were.
    virtual bool ask(IndentOptions& options) = 0;
};

// The options kept under the dialog's key below the current key (the application's),
// the built-in values where nothing usable is stored.
IndentOptions read_indent_options(SettingsStore& store);
// Keeps options under the dialog's key; out-of-range numbers are brought into range, in
// options too.
void write_indent_options(SettingsStore& store, IndentOptions& options);

enum class IndentOutcome {
    indented,
    cancelled,  // the user answered Cancel to the question or to the dialog
    refused,    // the indented text could not be made; the user was told, the text is as it was
};

// The question asked before indenting a tree whose parse passed over text it does not hold
// (stray text, a JSON comment, an unfinished declaration, bytes that are not characters):
// indenting writes the tree, so that text would be gone. line counts from 1.
std::string dropped_text_question(int64_t line);

// The job body of "indent" for a document of the given type. A type without a parser (Plain
// Text) has nothing to indent: refused with a message. Without a tree (asked before the first
// parse) the text is parsed here as its type. With no tree, a tree whose diagnostics hold an
// error, or a tree that does not hold all the text, the user is asked whether to go on; when
// options say so, the options dialog is shown (and what the user confirms is kept in
// settings, when given). Then the whole text is replaced by the indented document as one
// undoable edit (a tree without a root is refused and the text stays), and status_message
// (when given) receives "Indented in " and the time it took. Only JobCancelled escapes.
IndentOutcome run_indent(TextDocument& document, const DocumentType& type, DocumentTree* tree,
                         IndentOptions& options, Ui& ui, IndentOptionsDialog& dialog,
                         SettingsStore* settings, Job* job, std::string* status_message);

}  // namespace tessel
