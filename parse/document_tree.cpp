// DocumentTree: writing records into the stream, and making nodes from them on demand.
#include "parse/document_tree.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "parse/json_nodes.h"
#include "parse/varint.h"
#include "parse/xml_nodes.h"

namespace tessel {

namespace {

// A string goes in with its length in front, so that texts holding NUL bytes (which the
// scanner reports but keeps) come back whole, and with a zero byte after it for C callers.
uint8_t* put_text(uint8_t* out, std::string_view text) {
    out = write_varint(out, static_cast<uint32_t>(text.size()));
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    out[text.size()] = 0;
    return out + text.size() + 1;
}

uint8_t* put_handles(uint8_t* out, std::span<const uint32_t> handles) {
    out = write_varint(out, static_cast<uint32_t>(handles.size()));
    if (!handles.empty()) std::memcpy(out, handles.data(), handles.size() * 4);
    return out + handles.size() * 4;
}

}  // namespace

uint32_t HandleList::operator[](int32_t i) const {
    uint32_t h;
    std::memcpy(&h, raw_ + 4 * static_cast<size_t>(i), 4);
    return h;
}

DocumentTree::DocumentTree() {
    // Handle 0 is never a record, so that 0 can mean "none".
    reserve(1)[0] = 0;
    records_size_ = 1;
    document_ = make<XmlDocumentNode>(*this, arena_);
    root_ = document_;
}

DocumentTree::~DocumentTree() {
    std::free(records_);
    std::free(slots_);
}

void DocumentTree::grow(size_t needed) {
    // Handles are 32 bits, and those from kFirstAdoptedHandle on name adopted nodes: a stream
    // that would reach them cannot be addressed, and the parse gives up rather than wrap.
    if (needed >= kFirstAdoptedHandle) throw std::length_error(kTooLargeForTree);
    size_t capacity = records_capacity_ ? records_capacity_ : 1 << 16;
    while (capacity < needed) capacity *= 2;
    set_capacity(capacity);
}

void DocumentTree::reserve_records(size_t bytes) {
    if (bytes > records_capacity_) set_capacity(bytes);
}

void DocumentTree::set_capacity(size_t capacity) {
    // Large blocks grow by remapping pages rather than copying them.
    auto* grown = static_cast<uint8_t*>(std::realloc(records_, capacity));
    if (!grown) throw std::bad_alloc();
    records_ = grown;
    records_capacity_ = capacity;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // The stream of a large document is written front to back once: with huge pages the
    // kernel takes one page fault per 2 MiB instead of one per 4 KiB, which is most of the
    // cost of filling fresh memory. Advice only; where it is not honoured nothing changes.
    constexpr uintptr_t kHuge = uintptr_t(1) << 21;
    if (capacity >= 4 * kHuge) {
        uintptr_t from = (reinterpret_cast<uintptr_t>(records_) + kHuge - 1) & ~(kHuge - 1);
        uintptr_t to = (reinterpret_cast<uintptr_t>(records_) + capacity) & ~(kHuge - 1);
        if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
#endif
}

// Keeps the record written between start and end. Debug builds fill the unused rest of its
// reservation with 0xBB so that stray reads of it show; release builds leave it, as the
// fill costs a call per record and the next record overwrites those bytes anyway.
uint32_t DocumentTree::commit(uint8_t* start, uint8_t* end, size_t reserved) {
    size_t used = static_cast<size_t>(end - start);
#ifndef NDEBUG
    std::memset(end, 0xBB, reserved - used);
#else
    (void)reserved;
#endif
    uint32_t handle = static_cast<uint32_t>(records_size_);
    // A record of a tree that keeps diagnostics only is written over by the next one.
    if (!discard_) records_size_ += used;
    return handle;
}

namespace {

// FNV-1a: names are short, and most of a lookup is the comparison that confirms it.
uint32_t name_hash(std::string_view name) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    return hash;
}

}  // namespace

uint32_t DocumentTree::intern_name(std::string_view name) {
    if (name_slots_.size() < 2 * (names_.size() + 1)) {
        // Keep the table at most half full: double it and place every name again.
        name_slots_.assign(name_slots_.empty() ? 64 : 2 * name_slots_.size(), 0);
        const size_t mask = name_slots_.size() - 1;
        for (size_t id = 0; id < names_.size(); ++id) {
            size_t at = name_hash(names_[id]) & mask;
            while (name_slots_[at]) at = (at + 1) & mask;
            name_slots_[at] = static_cast<uint32_t>(id + 1);
        }
    }
    const size_t mask = name_slots_.size() - 1;
    for (size_t at = name_hash(name) & mask;; at = (at + 1) & mask) {
        const uint32_t slot = name_slots_[at];
        if (slot == 0) {
            const char* kept = arena_.copy_text(name.data(), static_cast<uint32_t>(name.size()));
            names_.push_back(std::string_view(kept, name.size()));
            name_slots_[at] = static_cast<uint32_t>(names_.size());
            return static_cast<uint32_t>(names_.size() - 1);
        }
        if (names_[slot - 1] == name) return slot - 1;
    }
}

uint32_t DocumentTree::write_text(RecordKind kind, std::string_view text, TextPos start,
                                  uint32_t preceding) {
    size_t reserved = 1 + 5 + 5 + text.size() + 1 + 5;
    uint8_t* at = reserve(reserved);
    uint8_t* out = at;
    *out++ = kind;
    if (kind == kRecordComment || kind == kRecordInstruction) out = write_varint(out, preceding);
    out = put_text(out, text);
    out = write_varint(out, static_cast<uint32_t>(start));
    return commit(at, out, reserved);
}

uint32_t DocumentTree::write_attribute(std::string_view name, TextPos name_start, TextPos quote,
                                       std::string_view value) {
    const uint32_t name_id = intern_name(name);
    size_t reserved = 1 + 5 + 5 + 5 + 5 + value.size() + 1;
    uint8_t* at = reserve(reserved);
    uint8_t* out = at;
    *out++ = kRecordAttribute;
    out = write_varint(out, static_cast<uint32_t>(name_start));
    out = write_varint(out, static_cast<uint32_t>(quote - name_start));
    out = write_varint(out, name_id);
    out = put_text(out, value);
    return commit(at, out, reserved);
}

uint32_t DocumentTree::write_element(std::string_view name, bool empty_tag, TextPos s, TextPos e,
                                     TextPos g, TextPos p, std::span<const uint32_t> attributes,
                                     std::span<const uint32_t> content,
                                     std::span<const uint32_t> misc) {
    const uint32_t name_id = intern_name(name);
    size_t reserved = 1 + 5 + 3 * 5 + 3 * 5 + 4 * (attributes.size() + content.size() + misc.size()) + 5;
    uint8_t* at = reserve(reserved);
    uint8_t* out = at;
    uint8_t tag = kRecordElement;
    if (empty_tag) tag |= kElementEmptyTag;
    if (attributes.empty()) tag |= kElementNoAttributes;
    if (content.empty()) tag |= kElementNoContent;
    if (misc.empty()) tag |= kElementNoMisc;
    *out++ = tag;
    out = write_varint(out, name_id);
    out = write_varint(out, static_cast<uint32_t>(s));
    out = write_varint(out, static_cast<uint32_t>(e - s));
    out = write_varint(out, static_cast<uint32_t>(empty_tag ? -1 - s : g - s));
    if (!attributes.empty()) out = put_handles(out, attributes);
    if (!content.empty()) out = put_handles(out, content);
    if (!misc.empty()) out = put_handles(out, misc);
    if (!empty_tag) out = write_varint(out, static_cast<uint32_t>(e - p - 1));
    uint32_t handle = commit(at, out, reserved);
    if (attributes.size() + content.size() + misc.size() > static_cast<size_t>(kLargeElement))
        large_.push_back(handle);
    return handle;
}

namespace {

// A JSON record begins with its member name, if any, then the value's first offset: counted
// from the name when there is one, which keeps it to a byte or two.
uint8_t* put_json_front(uint8_t* out, uint8_t tag, const JsonMemberPlace* member, TextPos first) {
    if (member) tag |= kJsonMember;
    *out++ = tag;
    if (!member) return write_varint(out, static_cast<uint32_t>(first));
    out = write_varint(out, member->name_id);
    out = write_varint(out, static_cast<uint32_t>(member->first));
    return write_varint(out, static_cast<uint32_t>(first - member->first));
}

}  // namespace

uint32_t DocumentTree::write_json_value(const JsonMemberPlace* member, bool is_string,
                                        TextPos first, uint32_t length) {
    constexpr size_t reserved = 1 + 4 * 5;
    uint8_t* at = reserve(reserved);
    uint8_t tag = kRecordJsonValue;
    if (is_string) tag |= kJsonStringOrObject;
    uint8_t* out = put_json_front(at, tag, member, first);
    out = write_varint(out, length);
    return commit(at, out, reserved);
}

uint32_t DocumentTree::write_json_container(const JsonMemberPlace* member, bool is_object,
                                            bool root, TextPos first, TextPos last,
                                            int32_t value_count,
                                            std::span<const uint32_t> children,
                                            const std::function<void()>& pause) {
    const size_t reserved = 1 + 6 * 5 + 4 * children.size();
    uint8_t* at = reserve(reserved);
    uint8_t tag = kRecordJsonContainer;
    if (is_object) tag |= kJsonStringOrObject;
    if (root) tag |= kJsonRoot;
    uint8_t* out = put_json_front(at, tag, member, first);
    out = write_varint(out, static_cast<uint32_t>(last - first));
    out = write_varint(out, static_cast<uint32_t>(value_count));
    constexpr size_t kSlice = 1 << 18;
    if (!pause || children.size() <= kSlice) return commit(at, put_handles(out, children), reserved);
    out = write_varint(out, static_cast<uint32_t>(children.size()));
    for (size_t from = 0; from < children.size(); from += kSlice) {
        const size_t n = std::min(kSlice, children.size() - from);
        std::memcpy(out, children.data() + from, 4 * n);
        out += 4 * n;
        pause();
    }
    return commit(at, out, reserved);
}

template <typename Make>
RecordNode* DocumentTree::decode_record(uint32_t handle, Make&& make) {
    const uint8_t tag = records_[handle];
    RecordNode* node;
    switch (tag & 0x0F) {
        case kRecordElement: node = make.template operator()<ElementNode>(); break;
        case kRecordAttribute: node = make.template operator()<AttributeNode>(); break;
        case kRecordText:
        case kRecordCdata:
        case kRecordComment:
        case kRecordInstruction:
        case kRecordInsertedText: node = make.template operator()<TextNode>(); break;
        case kRecordJsonValue: node = make.template operator()<JsonValueNode>(); break;
        case kRecordJsonContainer: node = make.template operator()<JsonContainerNode>(); break;
        default: return nullptr;
    }
    node->set_handle(handle);
    node->decode(*this, records_ + handle + 1, tag);
    return node;
}

RecordNode** DocumentTree::slot_of(uint32_t handle) {
    size_t slot = handle >> kSlotShift;
    if (slot >= slot_count_) [[unlikely]] {
        size_t count = (records_size_ >> kSlotShift) + 1;
        if (count <= slot) count = slot + 1;
        size_t bytes = count * sizeof(RecordNode*);
        // The first table comes zeroed from calloc, which leaves fresh pages untouched, so
        // the parts no view reaches cost no memory; a later growth zeroes its new part.
        auto* grown = static_cast<RecordNode**>(
            slots_ ? std::realloc(slots_, bytes) : std::calloc(count, sizeof(RecordNode*)));
        if (!grown) throw std::bad_alloc();
        if (slots_)
            std::memset(grown + slot_count_, 0, (count - slot_count_) * sizeof(RecordNode*));
        slots_ = grown;
        slot_count_ = count;
    }
    return slots_ + slot;
}

Node* DocumentTree::node_at(uint32_t handle) {
    if (handle == 0) return nullptr;
    // A tree that drops its records can still make a node of the record just written, which
    // the next write overwrites (a DOCTYPE's comments are read back so); it is not cached.
    if (discard_) return decode_record(handle, [this]<typename T>() { return make<T>(*this); });
    RecordNode** slot = nullptr;
    if (handle < records_size_) {
        slot = slot_of(handle);
        if (*slot && (*slot)->handle() == handle) return *slot;
    }
    Node* found = nullptr;
    if (nodes_.find(static_cast<int32_t>(handle), &found)) return found;
    if (handle >= records_size_) return nullptr;
    RecordNode* node = decode_record(handle, [this]<typename T>() { return make<T>(*this); });
    if (!node) return nullptr;
    if (!*slot) {
        *slot = node;
        ++record_nodes_;
        return node;
    }
    nodes_.insert_or_assign(static_cast<int32_t>(handle), node);
    // The map starts small; keep its chains short however many nodes land in it.
    if (nodes_.count() > 2 * nodes_.bucket_count()) nodes_.rehash(nodes_.bucket_count() * 4);
    return node;
}

Node* DocumentTree::peek_node(uint32_t handle, NodeScratch& scratch) {
    if (Node* made = made_node(handle)) return made;
    if (handle == 0 || handle >= records_size_) return nullptr;
    return decode_record(handle, [&]<typename T>() { return scratch.make<T>(*this); });
}

Node* DocumentTree::made_node(uint32_t handle) const {
    if (handle == 0) return nullptr;
    if (handle < records_size_ && (handle >> kSlotShift) < slot_count_) {
        RecordNode* node = slots_[handle >> kSlotShift];
        if (node && node->handle() == handle) return node;
    }
    Node* found = nullptr;
    return nodes_.find(static_cast<int32_t>(handle), &found) ? found : nullptr;
}

uint32_t DocumentTree::adopt(RecordNode* node) {
    uint32_t handle = next_adopted_++;
    node->set_handle(handle);
    nodes_.insert_or_assign(static_cast<int32_t>(handle), node);
    if (nodes_.count() > 2 * nodes_.bucket_count()) nodes_.rehash(nodes_.bucket_count() * 4);
    return handle;
}

namespace {

void dump_node(Node* node, int depth, std::string& out) {
    if (!node) return;
    out.append(static_cast<size_t>(depth) * 2, ' ');
    out += node->dump();
    out += '\n';
    for (int32_t i = 0;; ++i) {
        Node* c = node->child(i);
        if (!c) break;
        dump_node(c, depth + 1, out);
    }
}

}  // namespace

std::string DocumentTree::dump() {
    std::string out;
    dump_node(root_, 0, out);
    return out;
}

}  // namespace tessel
