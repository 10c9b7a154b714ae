// Fuzz target: the input is an edit script (initial text, then edits, typing, groups, undo,
// redo, loading by append, saving) run on a TextDocument with its EditHistory and on the
// plain reference model; after every step both must hold the same bytes, line starts and
// anchors, and the piece list must be well formed.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tests/text/text_model.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

// Bounds that keep one input within a fraction of a second to a few seconds.
constexpr int32_t kMaxTextBytes = 3'000'000;
constexpr int kMaxOps = 3000;
// Bytes of text the checks may walk over per input; a big text leaves room for fewer steps.
constexpr int64_t kWorkBudget = 40'000'000;
// Texts up to this size are kept whole for the undo comparison, larger ones by hash.
constexpr size_t kKeepWhole = 1 << 16;
// The load selector that asks for a text of 1.6 MB and more.
constexpr uint8_t kBigText = 0xB1;

[[noreturn]] void fail(const char* what, int step, long long a = 0, long long b = 0) {
    std::fprintf(stderr, "text_edits: %s at step %d (%lld, %lld)\n", what, step, a, b);
    std::fflush(stderr);
    std::abort();
}

// Reads the script; past its end every read gives zero, so any input is a whole script.
class Script {
public:
    Script(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t u16() { return byte() | uint32_t{byte()} << 8; }
    uint32_t u24() { return u16() | uint32_t{byte()} << 16; }
    // A number below n (0 when n <= 0); big enough for every position of a 3 MB text.
    int32_t below(int32_t n) { return n <= 0 ? 0 : static_cast<int32_t>(u24() % static_cast<uint32_t>(n)); }
    std::string_view take(size_t n) {
        n = std::min(n, size_ - at_);
        std::string_view out(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// One piece of generated text: line endings of every kind, multi-byte characters, raw
// bytes from the script, and lines longer than the 2 000-byte cut with and without ASCII,
// of NUL bytes and of stray bytes.
std::string chunk(Script& in) {
    switch (in.byte() % 12) {
        case 0: return "\n";
        case 1: return "\r\n";
        case 2: return "\r";
        case 3: return "\xC3\xA9";
        case 4: return "\xE2\x82\xAC";
        case 5: return "\xF0\x9F\x98\x80";
        case 6: return std::string(in.take(1 + in.byte() % 24));  // anything, NUL included
        case 7: {
            std::string word;
            for (int i = 0, n = 1 + in.byte() % 8; i < n; ++i) word += static_cast<char>('a' + i * 7 % 26);
            return word;
        }
        case 8: return std::string(static_cast<size_t>(1990 + in.byte() * 24), 'x');
        case 9: {  // no ASCII byte at all: cuts fall between the characters
            std::string euros;
            for (int i = 0, n = 660 + in.byte() * 8; i < n; ++i) euros += "\xE2\x82\xAC";
            return euros;
        }
        case 10: {  // long, mixed; or NUL bytes, CRs, lone lead or continuation bytes
            const uint8_t kind = in.byte();
            if (kind % 2 == 0) {
                std::string mixed;
                for (int i = 0, n = 500 + in.byte() * 4; i < n; ++i) mixed += "ab\xC3\xA9";
                return mixed;
            }
            static const char kFill[] = {'\0', '\r', '\xC3', '\x80', '\xF0'};
            return std::string(static_cast<size_t>(1990 + in.byte() * 24), kFill[kind / 2 % 5]);
        }
        default: {
            static const char* const kBits[] = {"<a>", "</a>", " ", "\t", "  ", "<b x=\"1\"/>"};
            return kBits[in.byte() % 6];
        }
    }
}

std::string text(Script& in, int32_t room) {
    std::string out;
    for (int i = 0, n = 1 + in.byte() % 4; i < n; ++i) out += chunk(in);
    if (static_cast<int32_t>(out.size()) > room) out.resize(static_cast<size_t>(std::max(room, 0)));
    return out;
}

// A text of 1.6 to 2.6 MB (bounded by room) made of one chunk repeated, so that pieces
// are cut, split and merged.
std::string repeated(Script& in, int32_t room) {
    std::string unit = text(in, 4096);
    if (unit.empty()) unit = "z";
    const int32_t target = std::min(1'600'000 + static_cast<int32_t>(in.byte()) * 4096, room);
    std::string out;
    out.reserve(static_cast<size_t>(std::max(target, 0)));
    while (static_cast<int32_t>(out.size() + unit.size()) <= target) out += unit;
    return out;
}

// Eight bytes per step, so that hashing a 3 MB text stays cheap next to the edit itself.
uint64_t hash_bytes(const char* p, size_t n, uint64_t h) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
        h ^= h >> 29;
    }
    for (; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 0x100000001b3ULL;
    return h;
}

// The text at one undo-list size: whole when small, else its length and hash.
struct Snapshot {
    std::string whole;
    size_t length = 0;
    uint64_t hash = 0;
    bool kept_whole = false;

    static Snapshot of(const std::string& s) {
        Snapshot out;
        out.length = s.size();
        if (s.size() <= kKeepWhole) {
            out.whole = s;
            out.kept_whole = true;
        } else {
            out.hash = hash_bytes(s.data(), s.size(), 0xcbf29ce484222325ULL);
        }
        return out;
    }
    bool same_as(const TextStore& store) const {
        if (static_cast<size_t>(store.length()) != length) return false;
        if (kept_whole) return store.text() == whole;
        const std::string t = store.text();
        return hash_bytes(t.data(), t.size(), 0xcbf29ce484222325ULL) == hash;
    }
};

class Session {
public:
    explicit Session(Script& in) : in_(in) {
        doc_.set_history(&history_);
        doc_.add_anchor_list(&anchors_);
    }

    void run() {
        load(in_.byte() & 1);
        for (int i = 0, n = in_.byte() % 8; i < n; ++i) add_anchor();
        check_all("start");
        while (!in_.done() && step_ < kMaxOps && work_ < kWorkBudget) {
            ++step_;
            work_ += doc_.length() + 64;
            const uint8_t op = in_.byte();
            // Set TESSEL_FUZZ_TRACE to follow a reproduction step by step.
            if (trace_)
                std::fprintf(stderr, "step %d: op %d%s, length %d, lines %d, undo %d, redo %d\n", step_,
                             op % 16, op & 0x80 ? "+" : "", doc_.length(), doc_.index().line_count(),
                             history_.undo_list().size(), history_.redo_list().size());
            operation(op);
        }
        // Everything undone must give back the text after the last load, everything
        // redone the newest one.
        while (history_.can_undo()) travel(true);
        while (history_.can_redo()) travel(false);
    }

private:
    void operation(uint8_t op) {
        // For edits the top bit asks for a request the document must refuse; elsewhere it
        // picks the rarer variant (a new load, a big repeated insertion).
        const bool invalid = op & 0x80;
        switch (op % 16) {
            case 0: case 1: edit_one(invalid, true, false); break;     // insert
            case 2: edit_one(invalid, false, true); break;             // delete
            case 3: case 4: edit_one(invalid, true, true); break;      // replace
            case 5: case 6: edit_multi(invalid); break;
            case 7: case 8: type_run(); break;
            case 9: group(); break;
            case 10: case 11: travel(true); break;
            case 12: travel(false); break;
            case 13:
                if (invalid) load(in_.byte() & 1); else append_bytes();
                break;
            case 14:
                if (invalid) repeat_insert(); else mark_saved();
                break;
            default: add_anchor(); break;
        }
    }

    int32_t room() const { return kMaxTextBytes - doc_.length(); }

    // A fresh text, as opening a file makes it: loaded block by block through append, or
    // set whole; the history starts empty.
    void load(bool by_blocks) {
        // One selector value of 256 asks for a text above one piece; a script that has run
        // out reads zeros and gets a small one.
        std::string t = in_.byte() == kBigText ? repeated(in_, kMaxTextBytes) : text(in_, kMaxTextBytes);
        history_.clear();
        if (by_blocks) {
            static const int32_t kBlocks[] = {1'000'000, 699'999, 700'000, 1'599'999,
                                              1'600'000, 65'536, 7, 1};
            uint8_t b = in_.byte();
            int32_t block = b & 0x80 ? 1 + (b & 0x7F) : kBlocks[b % 8];
            // Appending to a last piece below kTakeWhole copies it, so tiny blocks cost
            // time quadratic in the text; at most 512 appends keep one load bounded.
            block = std::max(block, static_cast<int32_t>(t.size() / 512) + 1);
            doc_.set_text("");
            model_.set_text("");
            for (size_t at = 0; at < t.size(); at += static_cast<size_t>(block)) {
                std::string_view part = std::string_view(t).substr(at, static_cast<size_t>(block));
                doc_.append(part);
                model_.append(part);
            }
        } else {
            doc_.set_text(t);
            model_.set_text(t);
        }
        // set_text does not move anchors; like a reopened file, they start over.
        anchors_.clear();
        model_.anchors.clear();
        restart_history();
        check_all("load");
    }

    // Appending as loading does, then forgetting the history as a finished load does.
    void append_bytes() {
        std::string t = text(in_, room());
        doc_.append(t);
        model_.append(t);
        history_.clear();
        restart_history();
        check_all("append");
    }

    void restart_history() {
        saved_size_ = 0;
        text_at_.clear();
        text_at_.push_back(Snapshot::of(model_.text));
    }

    void add_anchor() {
        if (anchors_.size() >= 16) return;
        TextPos a = in_.below(doc_.length() + 1);
        anchors_.push_back(a);
        model_.anchors.push_back(a);
    }

    void mark_saved() {
        history_.mark_saved();
        saved_size_ = history_.undo_list().size();
        if (history_.modified()) fail("modified right after mark_saved", step_);
    }

    void edit_one(bool invalid, bool inserts, bool deletes) {
        const int32_t length = doc_.length();
        if (invalid) {
            refused_single();
            return;
        }
        TextPos at = in_.below(length + 1);
        int32_t del = deletes ? in_.below(std::min(length - at, in_.byte() < 16 ? 5000 : 40) + 1) : 0;
        std::string t = inserts ? text(in_, room() + del) : std::string();
        apply({at}, del, t, in_.byte() < 48 ? kMergeTyping : 0);
    }

    // One position or delete count out of the text: the document refuses and stays as it was.
    void refused_single() {
        const int32_t length = doc_.length();
        TextPos at;
        int32_t del;
        switch (in_.byte() % 4) {
            case 0: at = length + 1 + in_.below(1000); del = 0; break;
            case 1: at = -1 - in_.below(1000); del = 0; break;
            case 2: at = in_.below(length + 1); del = length - at + 1 + in_.below(100); break;
            default: at = in_.below(length + 1); del = -1 - in_.below(100); break;
        }
        std::string t = text(in_, 64);
        refused({at}, del, t);
    }

    void edit_multi(bool invalid) {
        const int32_t length = doc_.length();
        int32_t del = in_.byte() % 4;
        std::string t = in_.byte() % 3 == 0 ? std::string() : text(in_, 256);
        std::vector<int32_t> positions;
        int32_t at = in_.below(length / 4 + 1);
        for (int k = 0, n = 2 + in_.byte() % 6; k < n && at + del <= length; ++k) {
            positions.push_back(at);
            at += del + in_.below(std::max(1, length / 6));
        }
        if (positions.empty()) positions = {0}, del = 0;
        const int64_t grows = (static_cast<int64_t>(t.size()) - del) * static_cast<int64_t>(positions.size());
        if (grows > room()) t.clear();
        if (invalid) {
            // Break the order: overlap two neighbours, swap them, or push the last past the end.
            size_t k = positions.size() > 1 ? 1 + static_cast<size_t>(in_.below(static_cast<int32_t>(positions.size()) - 1)) : 0;
            switch (in_.byte() % 3) {
                case 0:
                    if (k > 0) {
                        if (del == 0) del = 1;
                        positions[k] = positions[k - 1] + in_.below(del);
                        break;
                    }
                    [[fallthrough]];
                case 1:
                    if (k > 0 && positions[k] != positions[k - 1]) {
                        std::swap(positions[k], positions[k - 1]);
                        break;
                    }
                    [[fallthrough]];
                default: positions.back() = length - del + 1 + in_.below(50); break;
            }
            refused(positions, del, t);
            return;
        }
        apply(positions, del, t, 0);
    }

    // A word or blanks typed at one place, byte after byte, as the keyboard sends them.
    void type_run() {
        TextPos at = in_.below(doc_.length() + 1);
        const uint8_t kind = in_.byte();
        for (int i = 0, n = 1 + (kind & 0x0F) % 12; i < n && room() > 0; ++i) {
            char c = kind & 0x10 ? ' ' : kind & 0x20 ? '\t' : static_cast<char>('a' + in_.byte() % 26);
            if (kind & 0x40 && i == n - 1) c = '.';  // a byte that ends a typing run
            apply({at}, 0, std::string(1, c), kMergeTyping);
            ++at;
        }
    }

    // Several edits undone as one step, as a command that makes two insertions does.
    void group() {
        history_.begin_group();
        for (int i = 0, n = 1 + in_.byte() % 4; i < n; ++i) {
            switch (in_.byte() % 4) {
                case 0: edit_one(false, true, false); break;
                case 1: edit_one(false, true, true); break;
                case 2: edit_multi(false); break;
                default: type_run(); break;
            }
        }
        history_.end_group();
    }

    // One big insertion through the history, so the text crosses the piece limits.
    void repeat_insert() {
        std::string t = repeated(in_, room());
        apply({in_.below(doc_.length() + 1)}, 0, t, 0);
    }

    void apply(const std::vector<int32_t>& positions, int32_t del, const std::string& t, int flags) {
        const int32_t before = history_.undo_list().size();
        if (!doc_.replace_multi(positions, del, t, flags)) fail("valid edit refused", step_, positions.front(), del);
        model_.replace(positions, del, {t});
        const int32_t after = history_.undo_list().size();
        if (after != before && after != before + 1) fail("undo list grew by more than one", step_, before, after);
        if (history_.can_redo()) fail("redo list kept after an edit", step_);
        text_at_.resize(static_cast<size_t>(after) + 1);
        text_at_[static_cast<size_t>(after)] = Snapshot::of(model_.text);
        if (doc_.caret() != positions.front() + static_cast<int32_t>(t.size()))
            fail("caret after edit", step_, doc_.caret(), positions.front());
        check_all("edit");
    }

    void refused(const std::vector<int32_t>& positions, int32_t del, const std::string& t) {
        const int32_t undo_size = history_.undo_list().size();
        const int32_t redo_size = history_.redo_list().size();
        const TextPos caret = doc_.caret();
        if (doc_.replace_multi(positions, del, t, in_.byte() & 1 ? kMergeTyping : 0))
            fail("invalid edit accepted", step_, positions.front(), del);
        if (history_.undo_list().size() != undo_size || history_.redo_list().size() != redo_size)
            fail("refused edit changed the history", step_);
        if (doc_.caret() != caret) fail("refused edit moved the caret", step_);
        check_all("refused edit");
    }

    // Undo or redo one step: the text must be the one recorded at the new undo-list size.
    // The model then takes the document's line starts and anchors, once they are valid.
    void travel(bool back) {
        const bool possible = back ? history_.can_undo() : history_.can_redo();
        const bool done = back ? history_.undo() : history_.redo();
        if (done != possible) fail(back ? "undo result" : "redo result", step_, done, possible);
        const size_t size = static_cast<size_t>(history_.undo_list().size());
        if (size >= text_at_.size() || !text_at_[size].same_as(doc_.store()))
            fail(back ? "text after undo" : "text after redo", step_, static_cast<long long>(size));
        model_.text = doc_.text();
        model_.starts.assign(doc_.index().starts().begin(), doc_.index().starts().end());
        check_line_starts_valid();
        for (TextPos a : anchors_)
            if (a < 0 || a > doc_.length()) fail("anchor left the text", step_, a);
        model_.anchors.assign(anchors_.begin(), anchors_.end());
        check_all(back ? "undo" : "redo");
    }

    void check_all(const char* what) {
        check_pieces(what);
        check_lines(what);
        if (static_cast<size_t>(anchors_.size()) != model_.anchors.size()) fail("anchor count", step_);
        for (int32_t i = 0; i < anchors_.size(); ++i)
            if (anchors_[i] != model_.anchors[static_cast<size_t>(i)])
                fail("anchor differs from the model", step_, anchors_[i], model_.anchors[static_cast<size_t>(i)]);
        const int32_t undo_size = history_.undo_list().size();
        if (text_at_.size() != static_cast<size_t>(undo_size + history_.redo_list().size() + 1))
            fail("history size", step_);
        if (history_.save_distance() != saved_size_ - undo_size)
            fail("save distance", step_, history_.save_distance(), saved_size_ - undo_size);
        (void)what;
    }

    // The pieces cover the text in order, none empty, each zero-terminated, with the
    // model's bytes.
    void check_pieces(const char* what) {
        const TextStore& store = doc_.store();
        if (store.length() != static_cast<int32_t>(model_.text.size()))
            fail(what, step_, store.length(), static_cast<long long>(model_.text.size()));
        int32_t at = 0;
        for (int32_t i = 0; i < store.piece_count(); ++i) {
            const Piece& p = store.piece(i);
            if (p.start != at) fail("piece start", step_, i, p.start);
            if (p.length <= 0) fail("empty piece", step_, i);
            if (!store.borrowed(p) && p.data[p.length] != 0) fail("piece not zero-terminated", step_, i);
            if (std::memcmp(p.data, model_.text.data() + at, static_cast<size_t>(p.length)) != 0)
                fail("bytes differ from the model", step_, i, at);
            at += p.length;
        }
        if (at != store.length()) fail("pieces do not cover the text", step_, at);
    }

    int32_t model_line_length(size_t i) const {
        const int32_t start = model_.starts[i];
        if (i + 1 >= model_.starts.size()) return static_cast<int32_t>(model_.text.size()) - start;
        const int32_t next = model_.starts[i + 1];
        int32_t term = 0;
        if (model_.text[static_cast<size_t>(next) - 1] == '\n')
            term = next - 2 >= start && model_.text[static_cast<size_t>(next) - 2] == '\r' ? 2 : 1;
        return next - start - term;
    }

    void check_lines(const char* what) {
        // line_start sees the index as the edits left it; starts() would first make every
        // stored start exact and hide a wrong pending shift.
        const LineIndex& index = doc_.index();
        if (index.line_count() != static_cast<int32_t>(model_.starts.size()))
            fail("line count differs from the model", step_, index.line_count(), static_cast<long long>(model_.starts.size()));
        for (int32_t i = 0; i < index.line_count(); ++i)
            if (index.line_start(i) != model_.starts[static_cast<size_t>(i)])
                fail("line start differs from the model", step_, i, index.line_start(i));
        std::array<int32_t, 32> histogram{};
        for (size_t i = 0; i < model_.starts.size(); ++i)
            ++histogram[std::bit_width(static_cast<uint32_t>(model_line_length(i)))];
        if (histogram != doc_.index().length_histogram()) fail("length histogram", step_);
        // A few conversions, which the editor uses all the time.
        if (!model_.text.empty()) {
            const TextPos pos = static_cast<TextPos>(static_cast<uint32_t>(step_) * 2654435761u % model_.text.size());
            const int32_t line = doc_.index().line_of(pos);
            if (line != model_.line_of(pos)) fail("line_of", step_, pos, line);
            const LinePos lp = doc_.index().to_line_pos(pos);
            if (doc_.index().to_offset(lp) != pos) fail("to_offset(to_line_pos)", step_, pos);
        }
        (void)what;
    }

    // Every start follows a line feed or a permitted cut, every line feed ends a line, and
    // no line runs past 2 000 bytes where a cut was possible.
    void check_line_starts_valid() {
        const std::vector<int32_t>& s = model_.starts;
        const std::string& t = model_.text;
        if (s.empty() || s[0] != 0) fail("line 0 does not start at 0", step_);
        for (size_t i = 0; i < s.size(); ++i) {
            const int32_t start = s[i];
            const int32_t end = i + 1 < s.size() ? s[i + 1] : static_cast<int32_t>(t.size());
            if (end <= start && i + 1 < s.size()) fail("empty index line", step_, static_cast<long long>(i));
            if (end > static_cast<int32_t>(t.size())) fail("line start past the end", step_, end);
            if (i > 0 && t[static_cast<size_t>(start) - 1] != '\n' && !model::cut_allowed(t, start))
                fail("line starts where no cut is allowed", step_, start);
            for (int32_t q = start + 1; q < end; ++q)
                if (model::ends_index_line(t, start, q))
                    fail("index line should have ended", step_, static_cast<long long>(i), q);
        }
    }

    Script& in_;
    EditHistory history_;
    TextDocument doc_;
    Array<TextPos> anchors_;
    model::TextModel model_;
    std::vector<Snapshot> text_at_;
    int32_t saved_size_ = 0;
    int step_ = 0;
    int64_t work_ = 0;
    const bool trace_ = std::getenv("TESSEL_FUZZ_TRACE") != nullptr;
};

}  // namespace
}  // namespace tessel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tessel::Script script(data, size);
    tessel::Session session(script);
    session.run();
    return 0;
}
