// DocumentTree: what one parse makes of the text. The parser writes a compact record stream
// (one variable-length record per element, attribute, text, CDATA section, comment and
// instruction); node objects are made from records only when a view asks for them, and are
// cached by record handle, which is the node's identity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/arena.h"
#include "foundation/array.h"
#include "foundation/int_map.h"
#include "parse/diagnostics.h"
#include "parse/edit_shifts.h"
#include "parse/node.h"

namespace tessel {

class XmlDocumentNode;

// Record kinds: the low four bits of a record's tag byte.
enum RecordKind : uint8_t {
    kRecordText = 1,         // character data between markup, trimmed
    kRecordCdata = 2,        // CDATA content, without its markers
    kRecordComment = 3,      // the whole comment as written
    kRecordInstruction = 4,  // the whole processing instruction as written
    kRecordElement = 5,
    kRecordAttribute = 6,
    kRecordInsertedText = 8,  // text a cell edit put into an empty element; no span yet
    kRecordJsonValue = 9,      // a JSON string, number, true, false or null
    kRecordJsonContainer = 10,  // a JSON object or array
};

// Element record flags: the high bits of its tag byte.
enum ElementFlags : uint8_t {
    kElementEmptyTag = 0x80,      // written as "<name/>"
    kElementNoAttributes = 0x40,
    kElementNoContent = 0x20,     // no texts, CDATA sections or child elements
    kElementNoMisc = 0x10,        // no comments or processing instructions
};

// JSON record flags: the high bits of its tag byte.
enum JsonFlags : uint8_t {
    kJsonMember = 0x80,          // the value of an object member: its name comes first
    kJsonStringOrObject = 0x40,  // a value that is a string; a container that is an object
    kJsonRoot = 0x20,            // the top-level container
};

// The name of a JSON member as a record holds it: a kept name and where its token begins.
struct JsonMemberPlace {
    uint32_t name_id = 0;
    TextPos first = -1;
};

// A list of 4-byte record handles as stored in a record (unaligned).
class HandleList {
public:
    HandleList() = default;
    HandleList(const uint8_t* raw, int32_t count) : raw_(raw), count_(count) {}
    int32_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    uint32_t operator[](int32_t i) const;

private:
    const uint8_t* raw_ = nullptr;
    int32_t count_ = 0;
};

// Room for one node decoded from its record for a moment (see Node::peek_child).
class NodeScratch {
public:
    NodeScratch() = default;
    ~NodeScratch() { clear(); }
    NodeScratch(const NodeScratch&) = delete;
    NodeScratch& operator=(const NodeScratch&) = delete;

    template <typename T>
    T* make(DocumentTree& tree) {
        static_assert(sizeof(T) <= kBytes && alignof(T) <= alignof(std::max_align_t));
        clear();
        T* node = new (bytes_) T(tree);
        node_ = node;
        return node;
    }
    void clear() {
        if (node_) node_->~RecordNode();
        node_ = nullptr;
    }

private:
    static constexpr size_t kBytes = 128;
    alignas(std::max_align_t) unsigned char bytes_[kBytes];
    RecordNode* node_ = nullptr;
};

// What a parse keeps of the document: everything, or its diagnostics only (the records are
// written and dropped, and no node can be made from them).
enum class TreeKeeps : uint8_t { everything, diagnostics };

class DocumentTree {
public:
    // Handles from here on name nodes made after the parse (see adopt), not records.
    static constexpr uint32_t kFirstAdoptedHandle = 0x80000000u;

    // Why a parse ends without a tree when its records would pass what handles address.
    static constexpr const char* kTooLargeForTree =
        "This document is too large to be shown as a tree; its text can still be edited and saved";

    // Elements with more children (attributes, content, comments and instructions) than this
    // are listed for the views.
    static constexpr int32_t kLargeElement = 1000;

    DocumentTree();
    ~DocumentTree();
    DocumentTree(const DocumentTree&) = delete;
    DocumentTree& operator=(const DocumentTree&) = delete;

    // Makes room for about `bytes` of records before a parse, so that the stream is not
    // copied as it grows (the parser passes a guess from the text's length).
    void reserve_records(size_t bytes);
    // Every record written from here on is dropped once the next one is written (see
    // TreeKeeps::diagnostics).
    void discard_records() { discard_ = true; }

    // Element and attribute names are kept once each and named in records by number, as a
    // large document uses few names many times over.
    uint32_t intern_name(std::string_view name);
    // A kept name, zero-terminated.
    std::string_view name(uint32_t id) const { return names_[id]; }
    size_t name_count() const { return names_.size(); }

    // Writing, by the parsers. Each returns the new record's handle.
    // A JSON value; for a string, first and length are those of the characters between the
    // quotes. Member names are kept names (intern_name).
    uint32_t write_json_value(const JsonMemberPlace* member, bool is_string, TextPos first,
                              uint32_t length);
    // A JSON container from its opening bracket at first to its closing one at last. Copying
    // the handles of millions of children into fresh pages takes tens of milliseconds, so
    // `pause` (a job's yield point) is called after every slice of them.
    uint32_t write_json_container(const JsonMemberPlace* member, bool is_object, bool root,
                                  TextPos first, TextPos last, int32_t value_count,
                                  std::span<const uint32_t> children,
                                  const std::function<void()>& pause = {});
    uint32_t write_text(RecordKind kind, std::string_view text, TextPos start, uint32_t preceding = 0);
    uint32_t write_attribute(std::string_view name, TextPos name_start, TextPos quote,
                             std::string_view value);
    // s: the "<" of the start tag; e: the last ">" of the element; g: the ">" closing the start
    // tag (-1 for an empty-element tag); p: the "/" of the end tag's "</" (ignored for an
    // empty-element tag).
    uint32_t write_element(std::string_view name, bool empty_tag, TextPos s, TextPos e, TextPos g,
                           TextPos p, std::span<const uint32_t> attributes,
                           std::span<const uint32_t> content, std::span<const uint32_t> misc);

    // The node of a record, made on first request and the same object afterwards.
    Node* node_at(uint32_t handle);
    // The node of a record if it has been made (or adopted), else null; makes nothing.
    Node* made_node(uint32_t handle) const;
    // The node of a record if it has been made, else the record decoded into scratch.
    Node* peek_node(uint32_t handle, NodeScratch& scratch);
    const uint8_t* record(uint32_t handle) const { return records_ + handle; }
    uint8_t record_kind(uint32_t handle) const { return records_[handle] & 0x0F; }
    size_t record_bytes() const { return records_size_; }
    // Heap bytes of the node objects made so far and everything else the tree's arena holds
    // (kept names, diagnostics are apart).
    uint64_t arena_bytes() const { return arena_.held_bytes(); }
    int32_t cached_nodes() const { return record_nodes_ + nodes_.count(); }
    // Places for nodes: the slots of the record table and the buckets of the adopted map.
    int32_t node_map_buckets() const {
        return static_cast<int32_t>(slot_count_) + nodes_.bucket_count();
    }

    XmlDocumentNode* document_node() const { return document_; }
    // Sets the top-level node (the parser of each document type makes its own).
    void set_root(Node* root) { root_ = root; }
    Node* root() const { return root_; }

    DiagnosticList& diagnostics() { return diagnostics_; }

    // Text the parse passed over without keeping it in the tree (stray text, bytes that are
    // not characters, a declaration the text ended inside, a comment in JSON). Writing the
    // tree back would lose it, so the indenter asks before it runs. The parsers call
    // drop_text at every such place; the first offset is kept for the message.
    void drop_text(TextPos at) {
        if (first_dropped_ < 0 || at < first_dropped_) first_dropped_ = at;
    }
    bool holds_all_text() const { return first_dropped_ < 0; }
    // Whether nodes point into the text the tree was parsed from (JSON's values do), which
    // must then outlive the tree; XML and DTD records and nodes hold copies.
    bool borrows_text() const { return borrows_text_; }
    void set_borrowed_text(std::string_view text) {
        borrowed_text_ = text;
        borrows_text_ = true;
    }
    std::string_view borrowed_text() const { return borrowed_text_; }
    TextPos first_dropped_text() const { return first_dropped_; }
    const Array<uint32_t>& large_elements() const { return large_; }
    Arena& arena() { return arena_; }

    // How the cell edits made since the parse moved the tree's offsets in the text.
    EditShifts& edit_shifts() { return shifts_; }
    const EditShifts& edit_shifts() const { return shifts_; }

    // Registers a node made outside the record stream under a fresh handle (a text a cell
    // edit inserted); returns the handle.
    uint32_t adopt(RecordNode* node);

    // The outline of the tree, one node a line, for tests and logs.
    std::string dump();

    // Allocates a node object in the tree's arena.
    template <typename T, typename... Args>
    T* make(Args&&... args) {
        void* at = arena_.allocate(sizeof(T), alignof(T));
        return new (at) T(static_cast<Args&&>(args)...);
    }

private:
    uint8_t* reserve(size_t n) {
        if (records_size_ + n > records_capacity_) [[unlikely]]
            grow(records_size_ + n);
        return records_ + records_size_;
    }
    void grow(size_t needed);
    void set_capacity(size_t capacity);
    uint32_t commit(uint8_t* start, uint8_t* end, size_t reserved);
    // A node of the record's kind from make.template operator()<NodeType>(), filled from
    // the record; null for a handle that names no record.
    template <typename Make>
    RecordNode* decode_record(uint32_t handle, Make&& make);
    // The slot of a record's node in slots_, growing the table to cover the stream.
    RecordNode** slot_of(uint32_t handle);

    uint8_t* records_ = nullptr;
    size_t records_size_ = 0;
    size_t records_capacity_ = 0;
    LargeArena arena_;
    // The nodes of records, by handle >> kSlotShift: one slot per eight bytes of records.
    // Most records are longer than that (an element or attribute record holds its name's
    // place, its position and more), so a lookup is one load, and the nodes of neighbouring
    // records, which a view asks for together, share cache lines; the later of two short
    // records in one slot lives in nodes_. Eight bytes a slot rather than four halves the
    // table, the largest part of a big view's memory, at no cost in speed even on a document
    // of nothing but empty elements (with sixteen, such a document took half as long again).
    // Allocated zeroed on the first request, so that pages of the table no view reaches cost
    // nothing.
    static constexpr uint32_t kSlotShift = 3;
    RecordNode** slots_ = nullptr;
    size_t slot_count_ = 0;
    int32_t record_nodes_ = 0;
    // Adopted nodes, and in case a record ever shared a slot, the later one.
    IntMap<Node*> nodes_{2, nullptr};
    XmlDocumentNode* document_ = nullptr;
    Node* root_ = nullptr;
    Array<uint32_t> large_;
    // The kept names by number, and an open-addressed table of their numbers plus one (zero:
    // a free slot) by hash.
    std::vector<std::string_view> names_;
    std::vector<uint32_t> name_slots_;
    DiagnosticList diagnostics_;
    EditShifts shifts_;
    uint32_t next_adopted_ = kFirstAdoptedHandle;
    TextPos first_dropped_ = -1;
    std::string_view borrowed_text_;
    bool borrows_text_ = false;
    bool discard_ = false;
};

}  // namespace tessel
