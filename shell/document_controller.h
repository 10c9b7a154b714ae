// DocumentController: the editor's document without a window. It listens to the text's
// changes, asks for a parse after each (the request is deferred to the next update tick, so
// a burst of keystrokes gives one parse), runs the "reparse" job on the "parse" worker and
// hands the tree or the diagnostics to its owner. The main window owns one; tests drive it
// with an event loop of their own.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "shell/command_handler.h"
#include "text/text_document.h"

namespace tessel {

class DocumentTree;
class LanguageRegistry;
class WorkerPool;

// One parse's result: the tree (with its diagnostics) and the text it was parsed from, which
// the diagnostics quote.
struct ParseResult {
    std::shared_ptr<const std::string> text;
    std::unique_ptr<DocumentTree> tree;
    // Where the first error is, -1 without errors.
    TextPos error_at = -1;
    // The parse was asked for with a non-empty argument (a load, a language change, the
    // user's "reparse"), not by an edit.
    bool requested = false;
};

// What the controller tells its owner, on the thread holding the application lock.
class DocumentOwner {
public:
    virtual ~DocumentOwner() = default;
    // A parse without errors: the new tree replaces the old one.
    virtual void tree_ready(ParseResult result) = 0;
    // A parse with errors: the diagnostics to show (result.tree holds them).
    virtual void parse_failed(ParseResult result) = 0;
    virtual void set_status_message(std::string_view text) = 0;
};

class DocumentController final : public TextChangeListener {
public:
    // Posts a command by name, as the command registry does ("reparse" is deferred there).
    using PostCommand = std::function<void(std::string_view name, std::string_view argument)>;

    DocumentController(WorkerPool& pool, TextDocument& document, DocumentOwner& owner,
                       PostCommand post);
    ~DocumentController() override;

    // The document's language: "XML" is parsed, "Plain Text" is not. With a registry of
    // document types, the type of that name parses the text; without one, XML.
    void set_languages(const LanguageRegistry* languages) { languages_ = languages; }
    void set_language(std::string language) { language_ = std::move(language); }
    const std::string& language() const { return language_; }
    // "apply_language": the document is parsed again as the type of that name (the owner
    // has cleared the old tree, diagnostics and views).
    void apply_language(std::string language);
    // While set (by the editor) no parse may start.
    void set_parse_blocked(bool blocked) { parse_blocked_ = blocked; }

    // The "reparse" handler, to be registered with the worker "parse".
    HandlerFunction reparse_handler();
    // Before a new or loaded document: stops what works on the old one.
    void reset();

    // TextChangeListener: a change on the UI thread stops a running parse; after it a parse
    // is asked for.
    void about_to_change() override;
    void changed(TextPos first) override;

    // Parses run to completion, for tests and logs.
    int parses_completed() const { return parses_completed_; }

private:
    void parse(std::string_view argument);

    WorkerPool& pool_;
    TextDocument& document_;
    DocumentOwner& owner_;
    PostCommand post_;
    const LanguageRegistry* languages_ = nullptr;
    std::string language_ = "XML";
    bool parse_blocked_ = false;
    int parses_completed_ = 0;
};

}  // namespace tessel
