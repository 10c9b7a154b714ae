// TextDocument: the road of one edit through the store, the line index, the scanner, the
// anchors, the caret and the listeners.
#include "text/text_document.h"

#include <algorithm>
#include <chrono>

#include "text/edit_history.h"
#include "text/text_edit_record.h"

namespace tessel {

namespace {

// Used when the owner gave no timer: slices run only when asked for.
class ManualSliceTimer final : public SliceTimer {
public:
    double now_ms() override {
        using namespace std::chrono;
        return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
    }
    void request_slice(int) override {}
};

ManualSliceTimer manual_timer;

}  // namespace

TextPos move_anchor(TextPos anchor, std::span<const TextPos> positions, int32_t delete_count,
                    int32_t insert_length) {
    // Applied one position after the other, only the last position before the anchor can
    // leave it anywhere but shifted by the net change: earlier ones move it by f each, and
    // later ones start at or after it.
    auto after = std::lower_bound(positions.begin(), positions.end(), anchor);
    int32_t k = static_cast<int32_t>(after - positions.begin()) - 1;
    if (k < 0) return anchor;
    const int32_t f = insert_length - delete_count;
    if (f >= 0) return anchor + (k + 1) * f;
    return std::max(positions[k] + k * f, anchor + (k + 1) * f);
}

TextDocument::TextDocument() : index_(store_) {}

TextDocument::~TextDocument() = default;

void TextDocument::set_automaton(LexicalAutomaton* automaton) {
    if (!automaton) automaton = &plain_;
    if (automaton == automaton_) return;
    automaton_ = automaton;
    restart_scanner(0);
    // Every line is drawn in the new colours, whatever state the scan stores for it.
    notify_view(false);
}

void TextDocument::set_selection(TextPos anchor, TextPos caret) {
    anchor_ = std::clamp(anchor, 0, length());
    caret_ = std::clamp(caret, 0, length());
}

void TextDocument::show_selection(TextPos anchor, TextPos caret) {
    set_selection(anchor, caret);
    notify_view(true);
}

void TextDocument::add_anchor_list(Array<TextPos>* list) { anchor_lists_.push_back(list); }

void TextDocument::remove_anchor_list(Array<TextPos>* list) {
    std::erase(anchor_lists_, list);
}

void TextDocument::restart_scanner(int32_t line) {
    // Lines the running scanner has not reached yet still need it: a restart never skips
    // them (appends while loading come faster than the scanner's slices).
    if (scanner_ && !scanner_->finished()) line = std::min(line, scanner_->next_line());
    SliceTimer& timer = timer_ ? *timer_ : manual_timer;
    scanner_ = std::make_unique<LineScanner>(store_, index_, *automaton_, timer, line);
    if (timer_) timer_->request_slice(0);
}

void TextDocument::run_scan_slice() {
    if (scanner_ && !scanner_->finished()) scanner_->run_slice();
}

bool TextDocument::apply(std::span<const TextPos> positions, int32_t delete_count,
                         std::span<const std::string_view> texts, int flags) {
    if (positions.empty() || !store_.can_replace(positions, delete_count, texts)) return false;
    const int32_t insert_length = static_cast<int32_t>(texts[0].size());
    const TextPos first = positions.front();
    const bool whole_text = positions.size() == 1 && first == 0 && delete_count == length();

    if (listener_ && !(flags & kQuiet)) listener_->about_to_change();
    LineIndex::PendingEdit edit = index_.begin_edit(first, positions.back() + delete_count);
    // Before the store changes: a text may point into the store's own bytes.
    if (observer_) observer_->applied(positions, delete_count, texts);
    store_.replace_at(positions, delete_count, texts);
    const int32_t delta = (insert_length - delete_count) * static_cast<int32_t>(positions.size());
    restart_scanner(index_.finish_edit(edit, delta));

    for (Array<TextPos>* list : anchor_lists_)
        for (TextPos& a : *list) a = move_anchor(a, positions, delete_count, insert_length);

    caret_ = (flags & kCaretAtStart) ? first : first + insert_length;
    anchor_ = caret_;

    if (listener_ && !(flags & kQuiet)) listener_->changed(first);
    notify_view(!whole_text);
    return true;
}

bool TextDocument::replace(std::string_view text, TextPos position, int32_t delete_count,
                           int flags) {
    return replace_multi({&position, 1}, delete_count, text, flags);
}

bool TextDocument::replace_multi(std::span<const TextPos> positions, int32_t delete_count,
                                 std::string_view text, int flags) {
    if ((flags & kApplyDirectly) || !history_) return apply(positions, delete_count, {&text, 1}, flags);
    if (positions.empty() || !store_.can_replace(positions, delete_count, {&text, 1})) return false;
    auto record = std::make_unique<TextEditRecord>(*this, store_, positions, delete_count, text,
                                                   flags & (kQuiet | kCaretAtStart));
    record->cost();
    if (!record->redo()) return false;
    history_->push(std::move(record), flags & kMergeTyping);
    return true;
}

bool TextDocument::replace_selection(std::string_view text, int flags) {
    TextPos lo = std::clamp(std::min(anchor_, caret_), 0, length());
    TextPos hi = std::clamp(std::max(anchor_, caret_), 0, length());
    return replace(text, lo, hi - lo, flags);
}

bool TextDocument::insert_line_break() {
    if (index_.line_ending() == LineEnding::unknown) index_.set_line_ending(LineEnding::lf);
    return replace_selection(index_.line_ending() == LineEnding::crlf ? "\r\n" : "\n", 0);
}

bool TextDocument::insert_tab(bool keep_tabs, int32_t tab_size) {
    if (keep_tabs || tab_size < 1) return replace_selection("\t", kMergeTyping);
    TextPos at = std::clamp(std::min(anchor_, caret_), 0, length());
    int32_t column = char_column_of(at);
    int32_t blanks = tab_size * (column / tab_size + 1) - column;
    return replace_selection(std::string(static_cast<size_t>(blanks), ' '), kMergeTyping);
}

bool TextDocument::set_text(std::string_view text) {
    if (!store_.set_text(text)) return false;
    index_.rebuild();
    caret_ = anchor_ = 0;
    resets_.fetch_add(1, std::memory_order_relaxed);
    scanner_.reset();
    restart_scanner(0);
    notify_view(false);
    return true;
}

void TextDocument::expect_load(int64_t bytes) {
    store_.expect(bytes);
    // Data-like documents have lines of thirty to sixty bytes; pages of the room no line
    // reaches are never touched. Small loads grow the index as they go.
    constexpr int64_t kLargeLoad = 4 << 20;
    if (bytes >= kLargeLoad && index_.line_count() <= 1)
        index_.expect_lines(static_cast<int32_t>(std::min<int64_t>(bytes / 24, INT32_MAX / 2)));
}

bool TextDocument::append(std::string_view bytes) {
    if (bytes.empty()) return true;
    if (!store_.can_grow(static_cast<int64_t>(bytes.size()))) return false;
    const int32_t before = store_.length();
    index_.before_append();
    store_.append(bytes);
    restart_scanner(index_.appended());
    // A load appends block by block on its worker. The view shows the first block at once and
    // then catches up every few mebibytes (and as the line scan moves on): a repaint for
    // every block would take the lock from the load a hundred times for 100 MB.
    constexpr int32_t kNotifyStep = 8 << 20;
    if (before == 0 || before / kNotifyStep != store_.length() / kNotifyStep) notify_view(false);
    return true;
}

int32_t TextDocument::logical_line_of(TextPos pos) const {
    return index_.scan(index_.line_of(pos)).logical_line;
}

int32_t TextDocument::char_column_of(TextPos pos) {
    pos = std::clamp(pos, 0, length());
    int32_t line = index_.line_of(pos);
    int32_t chars = 0;
    for (TextPos p = index_.line_start(line); p < pos; ++p)
        chars += (static_cast<unsigned char>(store_.byte_at(p)) & 0xC0) != 0x80;
    return chars;
}

int32_t TextDocument::char_offset_of(TextPos pos) {
    pos = std::clamp(pos, 0, length());
    return index_.scan(index_.line_of(pos)).chars_before + char_column_of(pos);
}

void TextDocument::notify_view(bool scroll_to_caret) {
    if (!view_) return;
    // The view is asked for when the closure runs: a view detached meanwhile is not told.
    route_.run([this, scroll_to_caret] {
        if (view_) view_->text_changed(scroll_to_caret);
    });
}

}  // namespace tessel
