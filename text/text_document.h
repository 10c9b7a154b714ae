// TextDocument: the editor's document. It joins the text store, its line index and line
// scanner, the caret and selection, the position lists that must follow edits (bookmarks
// and the like), the change listener and the edit history, and offers the edit entry
// `replace` through which every change of the text passes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "foundation/array.h"
#include "seams/ui_poster.h"
#include "text/line_index.h"
#include "text/line_scanner.h"
#include "text/text_edit_record.h"
#include "text/text_pos.h"
#include "text/text_store.h"

namespace tessel {

class EditHistory;

// Told before the text changes and after; the owner connects it to the parse scheduling.
class TextChangeListener {
public:
    virtual ~TextChangeListener() = default;
    virtual void about_to_change() = 0;
    virtual void changed(TextPos first) = 0;
};

// Told of every change of the text as it is made, with the arguments of the change (the
// recovery journal keeps them); not told of the whole-text resets and the appends of a load.
class EditObserver {
public:
    virtual ~EditObserver() = default;
    virtual void applied(std::span<const TextPos> positions, int32_t delete_count,
                         std::span<const std::string_view> texts) = 0;
};

// The view drawing the document: told to repaint after a change, always on the UI thread (a
// change made on a worker, by a load or an undo, is posted there).
class TextDocumentView {
public:
    virtual ~TextDocumentView() = default;
    virtual void text_changed(bool scroll_to_caret) = 0;
};

// Where an anchor at `anchor` ends after replacing delete_count bytes by insert_length bytes
// at each of the ascending positions, one after the other.
TextPos move_anchor(TextPos anchor, std::span<const TextPos> positions, int32_t delete_count,
                    int32_t insert_length);

class TextDocument final : public EditTarget {
public:
    TextDocument();
    ~TextDocument();
    TextDocument(const TextDocument&) = delete;
    TextDocument& operator=(const TextDocument&) = delete;

    TextStore& store() { return store_; }
    const TextStore& store() const { return store_; }
    LineIndex& index() { return index_; }
    const LineIndex& index() const { return index_; }
    int32_t length() const { return store_.length(); }

    void set_history(EditHistory* history) { history_ = history; }
    EditHistory* history() const { return history_; }
    void set_listener(TextChangeListener* listener) { listener_ = listener; }
    void set_view(TextDocumentView* view) { view_ = view; }
    void set_edit_observer(EditObserver* observer) { observer_ = observer; }
    void set_poster(UiPoster* poster) { route_.set_poster(poster); }
    // The automaton and timer of the line scanner; without a timer slices run only when
    // run_scan_slice is called. A different automaton (null: plain text) restarts the scan
    // from line 0, since every stored state belongs to the old one until the scan passes it,
    // and tells the view.
    void set_automaton(LexicalAutomaton* automaton);
    LexicalAutomaton& automaton() { return *automaton_; }
    void set_slice_timer(SliceTimer* timer) { timer_ = timer; }

    // Caret and selection: the selection runs between anchor and caret, in either order.
    TextPos caret() const { return caret_; }
    TextPos selection_anchor() const { return anchor_; }
    void set_selection(TextPos anchor, TextPos caret);
    void set_caret(TextPos caret) { set_selection(caret, caret); }
    // The same for moves made from outside the view (Goto, Find, bookmarks, the tree): the view
    // is told, so it repaints and scrolls the caret into view.
    void show_selection(TextPos anchor, TextPos caret);
    bool has_selection() const { return anchor_ != caret_; }

    // Position lists that follow edits (bookmarks and the like); the list must outlive its
    // registration.
    void add_anchor_list(Array<TextPos>* list);
    void remove_anchor_list(Array<TextPos>* list);

    // The edit entry: replaces bytes [position, position + delete_count) by text. Without
    // kApplyDirectly the change becomes an undo step of the history.
    bool replace(std::string_view text, TextPos position, int32_t delete_count, int flags = 0);
    // The same at several ascending positions (Replace All): one undo step.
    bool replace_multi(std::span<const TextPos> positions, int32_t delete_count,
                       std::string_view text, int flags = 0);
    // Applies a change now. texts holds one text for all positions or one per position.
    bool apply(std::span<const TextPos> positions, int32_t delete_count,
               std::span<const std::string_view> texts, int flags) override;
    // Replaces the selection, or inserts at the caret.
    bool replace_selection(std::string_view text, int flags = 0);
    // The Enter key: a line break in the document's line ending (LF when it has none yet).
    bool insert_line_break();
    // The Tab key: a tab, or blanks up to the next tab stop.
    bool insert_tab(bool keep_tabs, int32_t tab_size);

    // Whole-text operations that are not undo steps: a new or reset document, and the
    // block-by-block append of loading. Both refuse (false, nothing changed) a text that
    // would pass TextStore::kMaxLength.
    bool set_text(std::string_view text);
    bool append(std::string_view bytes);
    // Before a load of about `bytes`: the text goes into one block of that size (see
    // TextStore::expect), and the line index makes room for the lines such a text has.
    void expect_load(int64_t bytes);
    // Counts the set_text calls: a view that sees it change shows a new text, from its top.
    int64_t text_resets() const { return resets_.load(std::memory_order_relaxed); }
    std::string text() const { return store_.text(); }

    // Background line scanning.
    LexicalAutomaton& automaton() const { return *automaton_; }
    void run_scan_slice();
    bool scan_finished() const { return !scanner_ || scanner_->finished(); }
    int32_t scan_next_line() const { return scanner_ ? scanner_->next_line() : 0; }
    // Valid once the scanner has passed pos's line.
    int32_t logical_line_of(TextPos pos) const;
    int32_t char_offset_of(TextPos pos);
    int32_t char_column_of(TextPos pos);

private:
    void restart_scanner(int32_t line);
    void notify_view(bool scroll_to_caret);

    TextStore store_;
    LineIndex index_;
    EditHistory* history_ = nullptr;
    TextChangeListener* listener_ = nullptr;
    TextDocumentView* view_ = nullptr;
    EditObserver* observer_ = nullptr;
    PlainAutomaton plain_;
    LexicalAutomaton* automaton_ = &plain_;
    SliceTimer* timer_ = nullptr;
    std::unique_ptr<LineScanner> scanner_;
    TextPos caret_ = 0;
    // Written by a load on its worker, read by the view on the UI thread.
    std::atomic<int64_t> resets_{0};
    TextPos anchor_ = 0;
    std::vector<Array<TextPos>*> anchor_lists_;
    UiRoute route_;
};

}  // namespace tessel
