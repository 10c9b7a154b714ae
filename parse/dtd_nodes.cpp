// The DOCTYPE and DTD nodes: how they describe themselves, their children, and how they are
// written back by the indenter.
#include "parse/dtd_nodes.h"

#include <string>

#include "foundation/string_builder.h"
#include "parse/indent_options.h"
#include "parse/node_description.h"

namespace tessel {

namespace {

void append_blanks(StringBuilder& out, int count) {
    for (int i = 0; i < count && !out.dropped(); ++i) out.append(' ');
}

// A literal between quotation marks, or between apostrophes when it holds a quotation mark
// (a literal can hold one kind of quote but never both).
void append_literal(StringBuilder& out, std::string_view literal) {
    const char quote = literal.find('"') == std::string_view::npos ? '"' : '\'';
    out.append(quote);
    out.append(literal);
    out.append(quote);
}

std::string span_text(TextPos a, TextPos b) {
    return "[" + std::to_string(a) + "," + std::to_string(b) + "]";
}

}  // namespace

// ---- DoctypeNode ----

void DoctypeNode::describe(NodeDescriber& d) {
    const char* label = label_ ? label_ : "";
    d.set_category(kCategoryContainer);
    d.set_identity(label, 9, 1, "", "DTD element", "");
    d.set_name(label, first_, last_, false);
    d.set_range(first_, last_);
    d.set_child_count(details_.size() + declarations_.size(), 1);
    d.set_link(this);
}

Node* DoctypeNode::child(int32_t index) {
    if (index < 0) return nullptr;
    if (index < details_.size()) return details_[index];
    index -= details_.size();
    if (index < declarations_.size()) return declarations_[index];
    return nullptr;
}

void DoctypeNode::write_declarations(StringBuilder& out, const IndentOptions& options,
                                     int indent) const {
    int32_t next = 0;
    // Every comment or instruction not yet written whose count is at most `before`.
    auto write_misc = [&](int64_t before) {
        for (; next < misc_.size() && static_cast<int64_t>(misc_[next]->preceding()) <= before &&
               !out.dropped();
             ++next) {
            const TextNode* m = misc_[next];
            if (m->kind() == kRecordComment && options.remove_comments) continue;
            append_blanks(out, indent);
            out.append(m->text());
            out.append('\n');
        }
    };
    // The loop stops once the output could not take more (its limit, or no memory).
    for (int32_t i = 0; i < declarations_.size() && !out.dropped(); ++i) {
        write_misc(i);
        declarations_[i]->write(out, options, indent);
        out.append('\n');
    }
    write_misc(INT64_MAX);
}

bool DoctypeNode::write(StringBuilder& out, const IndentOptions& options, int indent) {
    if (!label_ || std::string_view(label_) != kDoctypeLabel) {
        write_declarations(out, options, indent);
        return true;
    }
    append_blanks(out, indent);
    out.append("<!DOCTYPE ");
    if (root_name_) out.append(root_name_->text());
    if (public_id_) {
        out.append(" PUBLIC ");
        append_literal(out, public_id_->text());
        if (system_id_) {
            out.append(' ');
            append_literal(out, system_id_->text());
        }
    } else if (system_id_) {
        out.append(" SYSTEM ");
        append_literal(out, system_id_->text());
    }
    // A subset that holds only comments or instructions is written too: dropping it would
    // lose them.
    bool subset = !declarations_.empty();
    for (const TextNode* m : misc_)
        subset = subset || m->kind() != kRecordComment || !options.remove_comments;
    if (subset) {
        out.append("[\n");
        write_declarations(out, options, indent + options.indent_size);
        out.append(']');
    }
    out.append(">\n");
    return true;
}

std::string DoctypeNode::dump() {
    return std::string(label_ ? label_ : "declarations") + " " + span_text(first_, last_);
}

// ---- DtdElementNode ----

DtdElementNode::DtdElementNode(Arena& arena, std::string_view keyword, std::string_view text,
                               TextPos first, std::string_view name, TextPos name_first,
                               std::string_view value, TextPos value_first)
    : keyword_(keyword),
      text_(text),
      first_(first),
      name_(name),
      value_(value),
      name_detail_("name", name, name_first, name_first + static_cast<TextPos>(name.size()) - 1),
      value_detail_("value", value, value_first,
                    value_first + static_cast<TextPos>(value.size()) - 1),
      details_(&arena) {}

void DtdElementNode::describe(NodeDescriber& d) {
    d.set_category(kCategoryContainer);
    d.set_identity(keyword_.data(), 15, 1, "", "DTD element", "");
    const TextRange name = name_span(), value = value_span();
    d.set_name(name_, name.first, name.last, false);
    d.set_value(value_, value.first, value.last, false);
    d.set_second_value(text_, first_, last(), false);
    d.set_range(first_, last());
    d.set_child_count(2 + details_.size(), 1);
    d.set_link(this);
}

bool DtdElementNode::write(StringBuilder& out, const IndentOptions&, int indent) {
    append_blanks(out, indent);
    out.append(text_);
    return true;
}

Node* DtdElementNode::child(int32_t index) {
    if (index == 0) return &name_detail_;
    if (index == 1) return &value_detail_;
    index -= 2;
    if (index < 0 || index >= details_.size()) return nullptr;
    return details_[index];
}

std::string DtdElementNode::dump() {
    return std::string(keyword_) + " " + std::string(name_) + " " + span_text(first_, last()) +
           " \"" + std::string(value_) + "\"";
}

// ---- ConditionalBlockNode ----

std::string_view ConditionalBlockNode::text() const {
    if (!source_->text) return {};
    return {source_->text + (first_ - source_->first), static_cast<size_t>(last_ - first_ + 1)};
}

void ConditionalBlockNode::describe(NodeDescriber& d) {
    d.set_category(kCategoryContainer);
    d.set_identity("Conditional block", 14, 1, "", "DTD element", "");
    d.set_name("Conditional block", first_, last_, false);
    d.set_extra(condition_, condition_span_.first, condition_span_.last);
    d.set_range(first_, last_);
    d.set_child_count(body_->declarations().size(), 1);
    d.set_link(this);
}

bool ConditionalBlockNode::write(StringBuilder& out, const IndentOptions&, int indent) {
    append_blanks(out, indent);
    out.append(text());
    return true;
}

Node* ConditionalBlockNode::child(int32_t index) {
    if (index < 0 || index >= body_->declarations().size()) return nullptr;
    return body_->declarations()[index];
}

std::string ConditionalBlockNode::dump() {
    return "Conditional block " + span_text(first_, last_) + " \"" + std::string(condition_) + "\"";
}

}  // namespace tessel
