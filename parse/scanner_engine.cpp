// The scanner engine's tables, their builder with its consistency checks, and the line end
// state on top of the scanning loop of scanner_engine.h.
#include "parse/scanner_engine.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tessel {

// --- CharClassTable ---------------------------------------------------------------------

CharClassTable::CharClassTable(const std::array<uint8_t, 128>& ascii,
                               std::vector<CharClassRange> wide, uint8_t other)
    : ascii_(ascii), wide_(std::move(wide)), other_(other) {
    int highest = other_;
    for (uint8_t c : ascii_) highest = std::max<int>(highest, c);
    for (size_t i = 0; i < wide_.size(); ++i) {
        const CharClassRange& r = wide_[i];
        if (r.first < 128 || r.last < r.first || (i > 0 && r.first <= wide_[i - 1].last))
            throw std::invalid_argument("character class ranges must be sorted and disjoint");
        highest = std::max<int>(highest, r.char_class);
    }
    if (highest >= kMaxClasses) throw std::invalid_argument("too many character classes");
    class_count_ = highest + 1;
}

int CharClassTable::wide_class_of(char32_t cp) const {
    // The last range whose first code point is at or below cp, if it reaches cp.
    auto it = std::upper_bound(wide_.begin(), wide_.end(), cp,
                               [](char32_t c, const CharClassRange& r) { return c < r.first; });
    if (it == wide_.begin()) return other_;
    --it;
    return cp <= it->last ? it->char_class : other_;
}

// --- ScanEntry, ScannerTables -----------------------------------------------------------

ScanEntry ScanEntry::end_then(int kind, ScanEntry fresh) {
    switch (fresh.operation()) {
        case scan_continue: return emit_before(kind, fresh.next);
        case scan_skip: return {fresh.next, scan_emit_before_skip, uint8_t(kind), 0};
        case scan_emit_at: return {fresh.next, scan_emit_before_then_at, uint8_t(kind), fresh.kind};
        default: throw std::logic_error("end_then needs the entry of a state without a token");
    }
}

ScannerTables::ScannerTables(CharClassTable classes, std::vector<ScanStateRow> rows,
                             std::vector<ScanStateInfo> info)
    : classes_(std::move(classes)), rows_(std::move(rows)), info_(std::move(info)) {
    // The classes any code point from U+0080 on can have.
    std::array<bool, CharClassTable::kMaxClasses> wide{};
    wide[classes_.other_class()] = true;
    for (const CharClassRange& r : classes_.wide_ranges()) wide[r.char_class] = true;
    for (size_t s = 0; s < rows_.size(); ++s) {
        ScanStateRow& row = rows_[s];
        row.stays.fill(0);
        for (int b = 0; b < 128; ++b) {
            const ScanEntry e = row.ascii[size_t(b)];
            row.stays[size_t(b)] = e.op == scan_continue && e.next == s;
        }
        bool skips_blanks = true;
        for (int b : {'\t', '\n', '\r', ' '}) {
            const ScanEntry e = row.ascii[size_t(b)];
            skips_blanks = skips_blanks && e.op == scan_skip && e.next == s;
        }
        if (skips_blanks)
            for (int b : {'\t', '\n', '\r', ' '}) row.stays[size_t(b)] = ScanStateRow::kSkipsBlanks;
        row.wide_stays = true;
        for (int c = 0; c < CharClassTable::kMaxClasses; ++c) {
            const ScanEntry e = row.by_class[size_t(c)];
            if (wide[size_t(c)] && !(e.op == scan_continue && e.next == s)) row.wide_stays = false;
        }
    }
}

// --- ScannerTablesBuilder ---------------------------------------------------------------

ScannerTablesBuilder::ScannerTablesBuilder(const CharClassTable& classes) : classes_(classes) {}

uint8_t ScannerTablesBuilder::add_state(const ScanStateInfo& info) {
    if (rows_.size() >= 256) throw std::logic_error("an automaton has at most 256 states");
    rows_.emplace_back();
    info_.push_back(info);
    byte_overrides_.emplace_back();
    byte_overrides_.back().fill(false);
    return uint8_t(rows_.size() - 1);
}

uint8_t ScannerTablesBuilder::add_fresh_state() {
    ScanStateInfo info;
    info.failure = ScanEntry::go(uint8_t(rows_.size()));  // skip the bad character, stay
    return add_state(info);
}

uint8_t ScannerTablesBuilder::add_token_state(int running_kind, int eof_kind) {
    ScanStateInfo info;
    info.in_token = true;
    info.running_kind = int16_t(running_kind);
    info.eof_kind = int16_t(eof_kind);
    info.failure = ScanEntry::go(uint8_t(rows_.size()));  // keep the token across it
    return add_state(info);
}

void ScannerTablesBuilder::set(uint8_t state, int char_class, ScanEntry entry) {
    if (char_class < 0 || char_class >= classes_.class_count())
        throw std::logic_error("no such character class");
    rows_.at(state).by_class[char_class] = entry;
}

void ScannerTablesBuilder::set(uint8_t state, std::initializer_list<int> classes,
                               ScanEntry entry) {
    for (int c : classes) set(state, c, entry);
}

void ScannerTablesBuilder::set_others(uint8_t state, ScanEntry entry) {
    for (int c = 0; c < classes_.class_count(); ++c)
        if (rows_.at(state).by_class[c].operation() == scan_unset) set(state, c, entry);
}

void ScannerTablesBuilder::set_byte(uint8_t state, unsigned char byte, ScanEntry entry) {
    if (byte >= 128) throw std::logic_error("byte entries are for ASCII only");
    rows_.at(state).ascii[byte] = entry;
    byte_overrides_.at(state)[byte] = true;
}

void ScannerTablesBuilder::set_failure(uint8_t state, ScanEntry entry) {
    if (entry.operation() != scan_continue && entry.operation() != scan_emit_before)
        throw std::logic_error("a failure entry continues or ends the token");
    info_.at(state).failure = entry;
}

ScanEntry ScannerTablesBuilder::entry(uint8_t state, int char_class) const {
    ScanEntry e = rows_.at(state).by_class.at(size_t(char_class));
    if (e.operation() == scan_unset) throw std::logic_error("entry not set yet");
    return e;
}

bool ScannerTablesBuilder::has_entry(uint8_t state, int char_class) const {
    return rows_.at(state).by_class.at(size_t(char_class)).operation() != scan_unset;
}

namespace {

// After an entry the engine's start is either the current character (the token goes on or
// begins here) or the next one. In the first case the next state must be one that holds a
// token, or the characters would be lost.
bool leaves_token_open(ScanOp op) {
    return op == scan_continue || op == scan_emit_before || op == scan_mark;
}

// `what` and `index` name the entry for the message ("class", 3); the text is made only
// when a check fails, since a build checks thousands of entries.
void check_entry(const std::vector<ScanStateInfo>& info, size_t state, ScanEntry e,
                 const char* what, int index) {
    auto fail = [&](const char* problem) {
        throw std::logic_error(std::string(problem) + " at state " + std::to_string(state) + " " +
                               what + " " + std::to_string(index));
    };
    ScanOp op = e.operation();
    if (op == scan_unset) fail("unset entry");
    if (op > scan_emit_split && op != scan_mark) fail("bad operation");
    if (e.next >= info.size()) fail("no such next state");
    if (leaves_token_open(op) && !info[e.next].in_token) fail("token left open in a fresh state");
    if (op == scan_skip && info[state].in_token) fail("skip would drop the token in progress");
}

}  // namespace

ScannerTables ScannerTablesBuilder::build() const {
    std::vector<ScanStateRow> rows = rows_;
    const int classes = classes_.class_count();
    for (size_t s = 0; s < rows.size(); ++s) {
        for (int c = 0; c < classes; ++c) check_entry(info_, s, rows[s].by_class[c], "class", c);
        for (int c = classes; c < CharClassTable::kMaxClasses; ++c) rows[s].by_class[c] = {};
        for (int b = 0; b < 128; ++b) {
            if (byte_overrides_[s][b]) {
                check_entry(info_, s, rows[s].ascii[b], "byte", b);
            } else {
                rows[s].ascii[b] = rows[s].by_class[classes_.class_of(char32_t(b))];
            }
            // The engine's own checks come first whatever the automaton says.
            if (b == 0) rows[s].ascii[b] = {0, scan_nul, 0, 0};
            if (is_forbidden_control(char32_t(b))) rows[s].ascii[b] = {0, scan_control, 0, 0};
        }
        ScanEntry f = info_[s].failure;
        if (f.next >= rows.size())
            throw std::logic_error("no such failure state at state " + std::to_string(s));
        if (f.operation() == scan_continue && info_[s].in_token && !info_[f.next].in_token)
            throw std::logic_error("failure drops the token in progress at state " +
                                   std::to_string(s));
    }
    return ScannerTables(classes_, std::move(rows), info_);
}

// --- Line colouring ---------------------------------------------------------------------

uint8_t line_end_state(const ScannerTables& tables, uint8_t start_state, std::string_view line,
                       bool ends_text) {
    auto ignore = [](int32_t, int32_t, int16_t) {};
    ScanCursor cursor{start_state, 0};
    const int32_t n = int32_t(line.size());
    scan_run(tables, line.data(), n, 0, n, ends_text ? n : -1, cursor, ignore);
    return cursor.state;
}

}  // namespace tessel
