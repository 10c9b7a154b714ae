// Diagnostics: the list, its summary, and how diagnostics describe themselves.
#include "parse/diagnostics.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "parse/node_description.h"

namespace tessel {

std::string_view cut_at_character(std::string_view text, size_t max) {
    if (text.size() <= max) return text;
    size_t n = max;
    // Back off the continuation bytes of a character that would be cut in two.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return text.substr(0, n);
}

std::string_view DiagnosticList::copy(std::string_view text) {
    return {arena_.copy_text(text.data(), static_cast<uint32_t>(text.size())), text.size()};
}

Diagnostic* DiagnosticList::add(TextPos position, std::string_view message, Severity severity,
                                Conformance conformance) {
    if (conformance == Conformance::breaks && breaking_ < INT32_MAX) ++breaking_;
    if (items_.size() >= kMaxDiagnostics) [[unlikely]] {
        if (not_listed_++ == 0) first_not_listed_ = position;
        if (severity == Severity::error) ++not_listed_errors_;
        last_ = nullptr;  // its details go nowhere either
        return nullptr;
    }
    std::string_view kept = copy(message);
    std::string display = severity == Severity::error ? "Error: " : "Warning: ";
    display += message;
    void* at = arena_.allocate(sizeof(Diagnostic), alignof(Diagnostic));
    auto* d = new (at) Diagnostic(severity, position, kept, copy(display), &arena_);
    if (severity == Severity::error && error_count_++ == 0) first_error_ = items_.size();
    items_.push_back(d);
    last_ = d;
    detail("Description", kept, position, position - 1);
    return d;
}

void DiagnosticList::detail(const char* label, std::string_view text, TextPos first, TextPos last) {
    if (!last_) return;
    void* at = arena_.allocate(sizeof(DiagnosticDetail), alignof(DiagnosticDetail));
    last_->add_detail(new (at) DiagnosticDetail(label, copy(text), first, last, last_));
}

void DiagnosticList::detail_from_text(const char* label, TextPos first, TextPos last) {
    std::string_view text;
    if (first >= 0 && first < static_cast<TextPos>(source_.size()) && last >= first) {
        TextPos end = std::min<TextPos>(last, static_cast<TextPos>(source_.size()) - 1);
        text = cut_at_character(
            source_.substr(static_cast<size_t>(first), static_cast<size_t>(end - first + 1)),
            kMaxDetailText);
    }
    detail(label, text, first, last);
}

void DiagnosticList::sort_by_position() {
    if (not_listed_ > 0) {
        // The last listed diagnostic makes room for the summary and is counted with the rest.
        const Diagnostic* dropped = items_[items_.size() - 1];
        items_.pop_back();
        const bool dropped_error = dropped->severity() == Severity::error;
        if (dropped_error) --error_count_;
        first_error_ = -1;  // found again below
        const int32_t n = not_listed_ + 1, errors = not_listed_errors_ + (dropped_error ? 1 : 0);
        const TextPos at = std::min(first_not_listed_, dropped->position());
        not_listed_ = not_listed_errors_ = 0;
        // The summary breaks nothing of itself: the problems it stands for were counted.
        add(at, kNotListed, errors > 0 ? Severity::error : Severity::warning,
            Conformance::advisory);
        detail("Not listed",
               std::to_string(n) + " more: " + std::to_string(n - errors) + " warning(s), " +
                   std::to_string(errors) + " error(s)",
               at, at - 1);
    }
    Diagnostic** begin = items_.data();
    Diagnostic** end = begin + items_.size();
    auto before = [](const Diagnostic* a, const Diagnostic* b) { return a->position() < b->position(); };
    if (!std::is_sorted(begin, end, before) || (first_error_ >= 0) != (error_count_ > 0)) {
        std::stable_sort(begin, end, before);
        first_error_ = -1;
        for (int32_t i = 0; i < items_.size(); ++i)
            if (items_[i]->severity() == Severity::error) {
                first_error_ = i;
                break;
            }
    }
    locate_in(source_);
}

void DiagnosticList::locate_in(std::string_view text) {
    // One pass from the start up to the last diagnostic: line feeds are counted with
    // std::count (a large text has few diagnostics, often none before its end), characters
    // only from the start of each diagnostic's line, and only once on a long line that
    // holds many of them.
    const char* data = text.data();
    size_t at = 0;          // line feeds are counted up to here
    size_t line_start = 0;  // the start of the line holding `at`
    size_t counted = 0;     // characters of that line are counted up to here
    int32_t line = 1;
    int32_t column = 1;
    for (int32_t i = 0; i < items_.size(); ++i) {
        Diagnostic* d = items_[i];
        const size_t target = static_cast<size_t>(std::clamp<TextPos>(d->position(), 0, static_cast<TextPos>(text.size())));
        if (target > at) {
            line += static_cast<int32_t>(std::count(data + at, data + target, '\n'));
            const std::string_view passed(data + at, target - at);
            const size_t last_feed = passed.rfind('\n');
            if (last_feed != std::string_view::npos) {
                line_start = at + last_feed + 1;
                counted = line_start;
                column = 1;
            }
            at = target;
        }
        for (; counted < target; ++counted)
            column += (static_cast<unsigned char>(data[counted]) & 0xC0) != 0x80;
        std::string name = d->severity_name();
        name += " at " + std::to_string(line) + ":" + std::to_string(column);
        d->set_place(line, column, copy(name));
    }
}

std::string DiagnosticList::summary() const {
    return std::to_string(warning_count()) + " warning(s), " + std::to_string(error_count_) +
           " error(s)";
}

int Diagnostic::kind_code() const { return severity_ == Severity::error ? 9 : 10; }

// The extra text of a diagnostic and of its details is the message; its two numbers carry the
// diagnostic's kind_code and offset (not a source range), so a view showing the message can
// pick the diagnostic's icon and place without going back to the Diagnostic.
void Diagnostic::describe(NodeDescriber& d) {
    d.set_category(kCategoryContainer);
    d.set_identity(severity_name(), kind_code(), 1, "", "", "");
    d.set_name(name_.empty() ? std::string_view(severity_name()) : name_, position_, position_ - 1, false);
    d.set_extra(message_, kind_code(), position_);
    d.set_range(position_, position_ - 1);
    d.set_child_count(details_.size(), 2);
    d.set_not_editable_message(DiagnosticList::kNotEditable);
    d.set_link(this);
}

Node* Diagnostic::child(int32_t index) {
    return index >= 0 && index < details_.size() ? details_[index] : nullptr;
}

const char* Diagnostic::validate_edit(std::string_view, int) {
    return DiagnosticList::kNotEditable;
}

std::string Diagnostic::dump() {
    return std::string(display_) + " at " + std::to_string(position_);
}

void DiagnosticDetail::describe(NodeDescriber& d) {
    d.set_category(kCategoryLeaf);
    d.set_identity(owner_->severity() == Severity::error ? kErrorDetail : kWarningDetail, -1, 1, "",
                   "", "");
    d.set_name(label_, first_, last_, true);
    d.set_value(text_, first_, last_, false);
    d.set_extra(owner_->message(), owner_->kind_code(), owner_->position());
    d.set_range(first_, last_);
    d.set_not_editable_message(DiagnosticList::kNotEditable);
    d.set_link(this);
}

const char* DiagnosticDetail::validate_edit(std::string_view, int) {
    return DiagnosticList::kNotEditable;
}

std::string DiagnosticDetail::dump() {
    return std::string(label_) + " = \"" + std::string(text_) + "\" [" + std::to_string(first_) +
           "," + std::to_string(last_) + "]";
}

}  // namespace tessel
