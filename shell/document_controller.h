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

#include "runtime/job_runner.h"
#include "seams/ui_poster.h"
#include "text/text_document.h"
#include "window/stat_pane_text.h"

namespace tessel {

class DocumentTree;
class LanguageRegistry;
class WorkerPool;

// One parse's result: the tree (with its diagnostics) and the text it was parsed from, which
// the diagnostics quote.
struct ParseResult {
    // The text the tree was parsed from and what keeps it alive, while the tree borrows from
    // it (else empty), and the document's change count when it was read.
    std::shared_ptr<const char> text_owner;
    std::string_view text;
    uint64_t changes = 0;
    std::unique_ptr<DocumentTree> tree;
    // Where the first error is, -1 without errors.
    TextPos error_at = -1;
    // The parse was asked for with a non-empty argument (a load, a language change, the
    // user's "reparse"), not by an edit.
    bool requested = false;
    // The tree's figures, counted on the worker after the parse when the controller is asked
    // to (they cost a pass over the records, which the UI thread must not pay for).
    bool counted = false;
    ParseFigures figures;
};

// What the controller tells its owner, always on the UI thread holding the application lock
// (a parse's results are posted there from the "parse" worker).
class DocumentOwner {
public:
    virtual ~DocumentOwner() = default;
    // Before a new tree comes in: drops every view built on the old tree (the "view" and
    // "sort" jobs that read it have been stopped).
    virtual void drop_views() = 0;
    // A parse without errors: the new tree replaces the old one.
    virtual void tree_ready(ParseResult result) = 0;
    // A parse with errors: the diagnostics to show (result.tree holds them).
    virtual void parse_failed(ParseResult result) = 0;
    virtual void set_status_message(std::string_view text) = 0;
    // The counts of the text a delivered result was parsed from, when the controller is
    // asked to count (they follow the tree, which the views wait for).
    virtual void text_counted(const TextCounts& counts) { static_cast<void>(counts); }
};

class DocumentController final : public TextChangeListener {
public:
    // Posts a command by name, as the command registry does ("reparse" is deferred there).
    using PostCommand = std::function<void(std::string_view name, std::string_view argument)>;

    DocumentController(WorkerPool& pool, TextDocument& document, DocumentOwner& owner,
                       PostCommand post);
    ~DocumentController() override;

    // The document's language: "XML" is parsed, "Plain Text" is not. With a registry of
    // document types, the type of that name parses the text and colours its lines; without
    // one, XML is parsed and the lines are plain.
    void set_languages(const LanguageRegistry* languages);
    void set_language(std::string language);
    const std::string& language() const { return language_; }
    // "apply_language": the document is parsed again as the type of that name (the owner
    // has cleared the old tree, diagnostics and views).
    void apply_language(std::string language);
    // The way to the UI thread; without one (batch tools) the owner is told on the worker.
    void set_poster(UiPoster* poster) { route_.set_poster(poster); }
    // While set (by the editor) no parse may start.
    void set_parse_blocked(bool blocked) { parse_blocked_ = blocked; }
    // Whether each parse also counts the figures of the "Stat" pane.
    void set_count_figures(bool on) { count_figures_ = on; }

    // The "reparse" handler, to be registered with the worker "parse".
    HandlerFunction reparse_handler();
    // Before a new or loaded document: stops what works on the old one; a result of the old
    // document still on its way to the UI thread is dropped.
    void reset();
    // On the UI thread holding the lock, in one step: stops the "view" and "sort" jobs of the
    // old tree, has the owner drop the views built on it and hands the result over. A
    // result with errors stops the same jobs and goes to the warnings pane; the old tree
    // and its views stay.
    void swap_in(ParseResult result);

    // TextChangeListener: a change on the UI thread stops a running parse; after it a parse
    // is asked for.
    void about_to_change() override;
    void changed(TextPos first) override;

    // Parses run to completion, for tests and logs.
    int parses_completed() const { return parses_completed_; }

private:
    void parse(std::string_view argument);
    // Hands the document the line automaton of its language.
    void colour_lines();
    void deliver(ParseResult result, std::string status);

    WorkerPool& pool_;
    TextDocument& document_;
    DocumentOwner& owner_;
    PostCommand post_;
    const LanguageRegistry* languages_ = nullptr;
    std::string language_ = "XML";
    bool parse_blocked_ = false;
    bool count_figures_ = false;
    // Parses completed and handed over; read and written on the UI thread.
    int parses_completed_ = 0;
    // Counts resets; a posted result of an earlier generation is dropped. Written on the
    // UI thread holding the lock, read by the parse under the lock.
    int generation_ = 0;
    UiRoute route_;
};

}  // namespace tessel
