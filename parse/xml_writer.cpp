// Writing XML documents and elements as indented XML.
#include "parse/xml_writer.h"

#include <cassert>
#include <cstring>

#include "foundation/job.h"
#include "foundation/string_builder.h"

namespace tessel {

namespace {

// Steps of the walk between two yield points: often enough for a responsive cancel, rarely
// enough to cost nothing.
constexpr uint32_t kStepsPerYield = 4096;

}  // namespace

XmlWriter::XmlWriter(DocumentTree& tree, StringBuilder& out, const IndentOptions& options, Job* job)
    : tree_(tree), out_(out), options_(options), job_(job) {}

RecordNode* XmlWriter::look(uint32_t handle) {
    // Handles past the record stream name adopted nodes, which are always made.
    assert(handle < DocumentTree::kFirstAdoptedHandle || tree_.made_node(handle));
    // One scratch a kind: the walk holds an element while it looks at its attributes and
    // content.
    const uint8_t kind = handle < DocumentTree::kFirstAdoptedHandle ? tree_.record_kind(handle) : 0;
    NodeScratch& scratch = kind == kRecordElement     ? scratch_element_
                           : kind == kRecordAttribute ? scratch_attribute_
                                                      : scratch_text_;
    return static_cast<RecordNode*>(tree_.peek_node(handle, scratch));
}

int XmlWriter::kind_of(uint32_t handle) {
    if (handle >= DocumentTree::kFirstAdoptedHandle) return look(handle)->kind();
    return tree_.record_kind(handle);
}

uint32_t XmlWriter::preceding_of(uint32_t handle) {
    return static_cast<TextNode*>(look(handle))->preceding();
}

void XmlWriter::blanks(int count) {
    static constexpr char kBlanks[] =
        "                                                                ";
    constexpr int kChunk = static_cast<int>(sizeof kBlanks) - 1;
    while (count > 0 && !out_.dropped()) {
        int n = count < kChunk ? count : kChunk;
        out_.append(std::string_view(kBlanks, static_cast<size_t>(n)));
        count -= n;
    }
}

bool XmlWriter::stopped() const { return out_.dropped(); }

bool XmlWriter::step() {
    if (out_.dropped()) return false;
    if (job_ && ++steps_ % kStepsPerYield == 0) job_->yield_point();
    return true;
}

bool XmlWriter::writes_any_misc(HandleList misc) {
    if (misc.empty()) return false;
    if (!options_.remove_comments) return true;
    // Without comments, the instructions alone decide.
    for (int32_t i = 0; i < misc.size(); ++i)
        if (kind_of(misc[i]) == kRecordInstruction) return true;
    return false;
}

void XmlWriter::write_pending(Frame& f, int32_t upto) {
    const int indent = options_.deeper(f.indent);
    while (f.next_misc < f.misc.size() && !out_.dropped()) {
        const uint32_t handle = f.misc[f.next_misc];
        if (upto >= 0 && preceding_of(handle) > static_cast<uint32_t>(upto)) break;
        look(handle)->write(out_, options_, indent);
        ++f.next_misc;
    }
}

bool XmlWriter::open(const ElementNode& element, int indent) {
    // element may be a scratch node that the looks below overwrite: take what is needed first.
    const std::string_view name = element.name();
    const HandleList attributes = element.attributes();
    const HandleList content = element.content();
    const HandleList misc = element.misc();
    const bool empty_tag = element.empty_tag();

    blanks(indent);
    out_.append('<');
    out_.append(name);
    const bool break_attributes = attributes.size() > options_.max_attributes;
    for (int32_t i = 0; i < attributes.size() && !out_.dropped(); ++i) {
        if (break_attributes) {
            out_.append('\n');
            blanks(options_.indent_size + indent - 1);
        }
        look(attributes[i])->write(out_, options_, indent);
    }
    if (empty_tag) {
        out_.append("/>");
        return false;
    }
    // Instructions are kept even when comments are dropped, so an element with one takes the
    // multi-line form below, which writes them.
    const bool misc_written = writes_any_misc(misc);
    if (content.size() == 1 && !misc_written &&
        look(content[0])->write_inline(out_, options_, indent, name))
        return false;
    if (!break_attributes && content.empty() && !misc_written) {
        out_.append("></");
        out_.append(name);
        out_.append('>');
        return false;
    }
    out_.append(">\n");
    stack_.push_back({name, content, misc, indent});
    return true;
}

void XmlWriter::write_element(const ElementNode& element, int indent) {
    const size_t base = stack_.size();
    if (!open(element, indent)) return;
    while (stack_.size() > base) {
        if (!step()) {
            stack_.resize(base);
            return;
        }
        Frame& f = stack_.back();
        if (f.next < f.content.size()) {
            const int32_t i = f.next++;
            const int inner = options_.deeper(f.indent);
            write_pending(f, i);
            RecordNode* item = look(f.content[i]);
            if (item->kind() == kRecordElement) {
                // Its line ends when its frame is done.
                if (open(static_cast<const ElementNode&>(*item), inner)) continue;
            } else {
                item->write(out_, options_, inner);
            }
            out_.append('\n');
        } else {
            write_pending(f, -1);
            blanks(f.indent);
            out_.append("</");
            out_.append(f.name);
            out_.append('>');
            stack_.pop_back();
            if (stack_.size() > base) out_.append('\n');
        }
    }
}

void XmlWriter::write_document(XmlDocumentNode& document) {
    const Array<uint32_t>& items = document.items();
    const Array<uint32_t>& misc = document.misc();
    int32_t next_misc = 0;
    // The comments and instructions counted before item `upto` (all when -1).
    auto write_pending = [&](int32_t upto) {
        for (; next_misc < misc.size() && !out_.dropped(); ++next_misc) {
            auto* node = static_cast<TextNode*>(look(misc[next_misc]));
            if (upto >= 0 && node->preceding() > static_cast<uint32_t>(upto)) return;
            node->write(out_, options_, 0);
        }
    };

    // The DOCTYPE is the first of the counted items; its own form ends its line.
    int32_t counted = 0;
    if (Node* doctype = document.doctype()) {
        write_pending(0);
        doctype->write(out_, options_, 0);
        if (!out_.view().ends_with('\n')) out_.append('\n');
        counted = 1;
    }
    for (int32_t i = 0; i < items.size(); ++i, ++counted) {
        if (!step()) return;
        write_pending(counted);
        RecordNode* item = look(items[i]);
        if (item->kind() == kRecordElement)
            write_element(static_cast<const ElementNode&>(*item), 0);
        else
            item->write(out_, options_, 0);
        if (stopped()) return;
        out_.append('\n');
    }
    write_pending(-1);
}

}  // namespace tessel
