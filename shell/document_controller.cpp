// The document's parse scheduling.
#include "shell/document_controller.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "foundation/number_format.h"
#include "parse/document_tree.h"
#include "parse/language_registry.h"
#include "parse/xml_parser.h"
#include "runtime/app_clock.h"
#include "runtime/thread_identity.h"
#include "runtime/worker_pool.h"

namespace tessel {
namespace {

// The whole text in slices of at most a mebibyte, a yield point before each: the first touch
// of the copy's fresh pages is what costs, about a quarter of a second for 100 MB. A change
// made while the lock was given up (by a load, an undo) makes the copy worthless: nothing is
// returned, and the change has asked for a parse of its own.
std::optional<std::string> copy_text(const TextStore& store, Job* job) {
    constexpr int32_t kSlice = 1 << 20;
    const uint64_t changes = store.changes();
    std::string text;
    text.reserve(static_cast<size_t>(store.length()));
    for (int32_t p = 0; p < store.piece_count(); ++p) {
        for (int32_t at = 0;; at += kSlice) {
            job->yield_point();
            if (store.changes() != changes) return std::nullopt;
            const auto& piece = store.piece(p);
            if (at >= piece.length) break;
            text.append(piece.data + at, static_cast<size_t>(std::min(kSlice, piece.length - at)));
        }
    }
    return text;
}

}  // namespace

DocumentController::DocumentController(WorkerPool& pool, TextDocument& document,
                                       DocumentOwner& owner, PostCommand post)
    : pool_(pool), document_(document), owner_(owner), post_(std::move(post)) {
    document_.set_listener(this);
}

DocumentController::~DocumentController() {
    document_.set_listener(nullptr);
    pool_.stop_worker("parse");
}

HandlerFunction DocumentController::reparse_handler() {
    return [this](std::string_view argument, bool query) {
        if (query) return !parse_blocked_;
        parse(argument);
        return true;
    };
}

void DocumentController::parse(std::string_view argument) {
    Job* job = pool_.current_job();
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("Parsing");
    // A type without a parser (Plain Text) is not parsed; without a registry, Plain Text
    // is known by its name.
    const DocumentType* type = languages_ ? languages_->find(language_) : nullptr;
    if (type ? !type->module : language_ == "Plain Text") return;
    const double started = AppClock::now();
    // The parse reads the text as it stood when it began, while the user goes on typing: a
    // text just loaded where it lies (no edit writes there), any other as a copy. The copy
    // passes yield points, so a large one does not keep the UI thread waiting; an edit
    // meanwhile stops this job before it changes the text.
    ParseResult result;
    result.changes = document_.store().changes();
    // A text just loaded is read where it lies; any other is copied first.
    if (!document_.store().shared_text(&result.text_owner, &result.text)) {
        std::optional<std::string> copy = copy_text(document_.store(), job);
        if (!copy) return;
        auto owned = std::make_shared<const std::string>(std::move(*copy));
        result.text = *owned;
        result.text_owner = std::shared_ptr<const char>(owned, owned->data());
    }
    result.requested = !argument.empty();
    // A JobCancelled from a yield point unwinds through here and drops the partial tree.
    try {
        result.tree = type ? languages_->parse(*type, result.text, job) : parse_xml(result.text, job);
    } catch (const std::length_error& too_large) {
        // The views keep the last tree they had; the user is told why no new one comes.
        const std::string message = too_large.what();
        route_.post([this, message] { owner_.set_status_message(message); });
        return;
    }
    if (!result.tree) return;
    const double parse_ms = AppClock::now() - started;
    if (count_figures_) {
        result.figures = parse_figures(*result.tree, parse_ms, job);
        result.counted = true;
    }
    std::string status;
    if (!result.text.empty())
        status = "Parsed " + counted(static_cast<int64_t>(result.text.size()), "byte") + " in " +
                 format_duration(parse_ms);
    // The text's own counts (characters, lines) come after the tree, which the views wait
    // for; a tree that keeps its own copies of names and texts no longer needs the text.
    const std::shared_ptr<const char> text_owner = result.text_owner;
    const std::string_view text = result.text;
    if (!result.tree->borrows_text()) {
        result.text_owner.reset();
        result.text = {};
    }
    // A text of a few megabytes is counted in a few milliseconds, before the tree goes out,
    // so that the job has ended by the time its "Parsed" message shows.
    constexpr size_t kCountLate = size_t{16} << 20;
    if (count_figures_ && text.size() < kCountLate) {
        const TextCounts counts = count_text(text, job);
        const int generation = generation_;
        route_.post([this, counts, generation] {
            if (generation == generation_) owner_.text_counted(counts);
        });
    }
    deliver(std::move(result), std::move(status));
    if (count_figures_ && text.size() >= kCountLate) {
        const TextCounts counts = count_text(text, job);
        const int generation = generation_;
        route_.post([this, counts, generation] {
            if (generation == generation_) owner_.text_counted(counts);
        });
    }
}

void DocumentController::deliver(ParseResult result, std::string status) {
    // std::function needs a copyable closure: the result travels in a shared box.
    auto box = std::make_shared<ParseResult>(std::move(result));
    const int generation = generation_;
    route_.post([this, box, status = std::move(status), generation] {
        if (generation != generation_) return;  // the document was reset meanwhile
        if (!status.empty()) owner_.set_status_message(status);
        swap_in(std::move(*box));
    });
}

void DocumentController::swap_in(ParseResult result) {
    // Views and sorts of the old tree are of no use any more.
    pool_.stop_worker("view");
    pool_.stop_worker("sort");
    ++parses_completed_;
    const DiagnosticList& diagnostics = result.tree->diagnostics();
    // A parse that failed outright (JSON) leaves a tree without a root: only diagnostics.
    if (diagnostics.error_count() == 0 && result.tree->root()) {
        const bool follow_edit = !result.requested;
        owner_.drop_views();
        owner_.tree_ready(std::move(result));
        // After an edit, bring the tree's selection and the browsers up to date.
        if (follow_edit) post_("apply_cur_location", "4");
    } else {
        if (diagnostics.first_error() >= 0)
            result.error_at = diagnostics.at(diagnostics.first_error())->position();
        owner_.parse_failed(std::move(result));
    }
}

void DocumentController::set_languages(const LanguageRegistry* languages) {
    languages_ = languages;
    colour_lines();
}

void DocumentController::set_language(std::string language) {
    language_ = std::move(language);
    colour_lines();
}

void DocumentController::apply_language(std::string language) {
    set_language(std::move(language));
    post_("reparse", "y");
}

void DocumentController::colour_lines() {
    const DocumentType* type = languages_ ? languages_->find(language_) : nullptr;
    document_.set_automaton(type ? type->automaton : nullptr);
}

void DocumentController::reset() {
    ++generation_;
    for (const char* worker : {"parse", "view", "sort", "undo"}) pool_.stop_worker(worker);
}

void DocumentController::about_to_change() {
    if (is_ui_thread()) pool_.stop_worker("parse");
}

void DocumentController::changed(TextPos) {
    post_("reparse", "");
}

}  // namespace tessel
