// The JSON parser. It is iterative, with an explicit stack of open containers, so that deeply
// nested documents cannot exhaust the thread's stack. Each value becomes a record of the
// tree's stream as it is read, and each container one when it closes: the handles of the
// children of every open container collect on one shared stack until then.
#include "parse/json_parser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <functional>
#include <vector>

#include "parse/json_nodes.h"
#include "parse/json_scanner.h"
#include "parse/parse_messages.h"
#include "parse/token_stream.h"

namespace tessel {

namespace {

constexpr const char* kValueExpected = "{,[,string,true,false or null";

bool starts_value(int16_t kind) {
    return kind == json_open_brace || kind == json_open_bracket ||
           (kind >= json_string && kind <= json_null);
}

bool opens_container(int16_t kind) {
    return kind == json_open_brace || kind == json_open_bracket;
}

// Member names repeat: every record of a data file has the same ones. The names met
// lately are kept by hash in front of the tree's table of kept names, which is slower to ask.
class NameTable {
public:
    explicit NameTable(DocumentTree& tree) : tree_(tree) {}

    uint32_t intern(std::string_view name) {
        const auto n = static_cast<uint32_t>(name.size());
        const Key key = key_of(name);
        const uint64_t h = (key.head * 0x9E3779B97F4A7C15ull) ^ (key.tail * 0xC2B2AE3D27D4EB4Full) ^ n;
        Slot& slot = slots_[(h ^ (h >> 29)) & (kSlots - 1)];
        // Up to 16 bytes the key holds every byte of the name, so equal keys are equal names.
        if (slot.text && slot.length == n && slot.key.head == key.head &&
            slot.key.tail == key.tail &&
            (n <= 16 || std::memcmp(slot.text, name.data(), n) == 0))
            return slot.id;
        const uint32_t id = tree_.intern_name(name);
        slot = {tree_.name(id).data(), n, id, key};
        return id;
    }

private:
    static constexpr size_t kSlots = 512;
    struct Key {
        uint64_t head = 0;
        uint64_t tail = 0;
    };
    struct Slot {
        const char* text = nullptr;
        uint32_t length = 0;
        uint32_t id = 0;
        Key key;
    };
    // The first and last eight bytes (overlapping when shorter); every byte up to 16.
    static Key key_of(std::string_view name) {
        const char* p = name.data();
        const size_t n = name.size();
        Key k;
        if (n >= 8) {
            std::memcpy(&k.head, p, 8);
            std::memcpy(&k.tail, p + n - 8, 8);
        } else if (n >= 4) {
            uint32_t first = 0;
            uint32_t last = 0;
            std::memcpy(&first, p, 4);
            std::memcpy(&last, p + n - 4, 4);
            k.head = first | uint64_t{last} << 32;
        } else if (n > 0) {
            const auto byte = [&](size_t i) { return uint64_t{static_cast<unsigned char>(p[i])}; };
            k.head = byte(0) | byte(n / 2) << 8 | byte(n - 1) << 16;
        }
        return k;
    }

    DocumentTree& tree_;
    std::array<Slot, kSlots> slots_{};
};

// A member name as read: whether there is one, and its place.
struct Member {
    bool present = false;
    JsonMemberPlace place;
    const JsonMemberPlace* get() const { return present ? &place : nullptr; }
};

// One open object or array.
struct Open {
    Member member;
    TextPos first;
    int32_t children_from;  // where its children begin on the shared stack
    int32_t value_count;
    bool is_object;
};

class JsonParser final : public ScanFailureSink {
public:
    // With keep_nodes false only the diagnostics are wanted: only the root is written.
    JsonParser(std::string_view text, DocumentTree& tree, Job* job, bool keep_nodes = true)
        : text_(text),
          tree_(tree),
          names_(tree),
          messages_(text, tree),
          tokens_(text, json_scanner_tables(), kJsonStartState, job, this),
          keep_nodes_(keep_nodes) {
        if (job) pause_ = [job] { job->yield_point(); };
    }

    // The scanner's failures, and its marks: each escape and raw line end or tab inside a
    // string. A string keeps its text as written, so what is wrong there is a warning.
    void scan_failure(const Token& t) override {
        if (t.kind == kMarkKind)
            check_mark(static_cast<size_t>(t.first));
        else
            messages_.scan_failure(t);
    }

    // The root (a container, or a lone value), or null when the text holds no token or the
    // parse failed.
    Node* parse() {
        try {
            skip_byte_order_mark();
            const Token t = next();
            if (t.kind == json_end_of_file) {
                // A JSON text is one value at least: a blank one (or one of comments) is not
                // yet a JSON text, a warning. An empty one gets none: a new document starts
                // so (`check` reports an empty file itself).
                if (!text_.empty())
                    messages_.warning_at(
                        bom_ ? "a JSON value after the byte-order mark" : "a JSON value", 0,
                        t.first, t.first);
                return nullptr;
            }
            if (!starts_value(t.kind)) expect("a JSON value", t, true);
            if (opens_container(t.kind)) {
                open(t, Member{});
                containers();
            } else {
                // Any value is a JSON text: a lone string, number or literal too.
                scalar(t, Member{});
            }
            // The root is the last record written, so that it can be made even by a tree
            // that drops its records.
            Node* root = tree_.node_at(root_);
            // Anything after the top-level value would be silently ignored otherwise; it is
            // not in the tree.
            const Token rest = next();
            if (rest.kind != json_end_of_file) {
                expect("End of file", rest, false);
                messages_.drop(rest.first);
            }
            return root;
        } catch (const ParseEnded&) {
            return nullptr;
        }
    }

private:
    // The next token, past any comments, each of which is reported once (the tree does not
    // keep them).
    // A byte-order mark that the text still holds (one the loader did not take as the file's
    // encoding mark) is passed over, as JSON parsers may; with nothing after it, it is reported.
    void skip_byte_order_mark() {
        if (text_.substr(0, 3) != "\xEF\xBB\xBF") return;
        bom_ = true;
        messages_.drop(0);  // the tree does not keep it, nor does writing it back
        while (tokens_.peek().kind == json_stray && tokens_.peek().first == 0 &&
               tokens_.peek().last == 2)
            tokens_.advance();
    }

    // A marked character of a string: the character after a backslash that makes no simple
    // escape ("u" included), or a raw line feed, carriage return or tab. Marks come in text
    // order.
    void check_mark(size_t at) {
        const TextPos from = mark_location(at);
        // After an odd run of backslashes the character is escaped.
        size_t run = at;
        while (run > 0 && text_[run - 1] == '\\') --run;
        if ((at - run) % 2 == 0) {
            messages_.warning_at(
                "an escape (\\t, \\n or \\r) for a control character in a string", from,
                static_cast<TextPos>(at), static_cast<TextPos>(at));
            return;
        }
        const size_t backslash = at - 1;
        if (at == paired_low_) return;  // the second half of a pair, checked with the first
        const int unit = text_[at] == 'u' ? hex4(at + 1) : -1;
        if (unit < 0) {
            size_t found_last = at;  // the backslash, the letter and the hex digits after it
            while (text_[at] == 'u' && found_last < at + 4 && found_last + 1 < text_.size() &&
                   std::isxdigit(static_cast<unsigned char>(text_[found_last + 1])))
                ++found_last;
            messages_.warning_at(kEscapes, from, static_cast<TextPos>(backslash),
                                 static_cast<TextPos>(found_last));
            return;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const size_t low_u = at + 6;
            const int low = low_u < text_.size() && text_[low_u - 1] == '\\' && text_[low_u] == 'u'
                                ? hex4(low_u + 1)
                                : -1;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                paired_low_ = low_u;
                return;
            }
        } else if (unit < 0xDC00 || unit > 0xDFFF) {
            return;
        }
        // The grammar takes any four hex digits: a lone surrogate is legal JSON that many
        // readers turn into U+FFFD or refuse, so it is pointed out without failing the text.
        messages_.warning_at(kSurrogates, from, static_cast<TextPos>(backslash),
                             static_cast<TextPos>(at + 4), Conformance::advisory);
    }

    // Where the "Location" of a mark begins: the string it is in has been read when its marks
    // are reported, so that is the token before; else the mark itself.
    TextPos mark_location(size_t at) const {
        const Token* previous = tokens_.previous();
        return previous && previous->first <= static_cast<TextPos>(at) ? previous->first
                                                                      : static_cast<TextPos>(at);
    }

    static constexpr const char* kEscapes =
        "an escape (\\\" \\\\ \\/ \\b \\f \\n \\r \\t or \\u and four hex digits)";
    static constexpr const char* kSurrogates =
        "a surrogate pair (\\uD800-\\uDBFF followed by \\uDC00-\\uDFFF)";
    // The four hex digits at text[at], or -1.
    int hex4(size_t at) const {
        if (at + 4 > text_.size()) return -1;
        int v = 0;
        for (size_t k = at; k < at + 4; ++k) {
            const char c = text_[k];
            const int d = c >= '0' && c <= '9'                     ? c - '0'
                          : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                   : -1;
            if (d < 0) return -1;
            v = v * 16 + d;
        }
        return v;
    }

    Token next() {
        Token t = tokens_.peek();
        while (t.kind == json_comment) [[unlikely]] {
            messages_.list().add_warning(t.first, "Json spec does not have comments");
            messages_.drop(t.first);
            tokens_.advance();
            t = tokens_.peek();
        }
        return t;
    }

    void expect(const char* what, const Token& found, bool fatal) {
        messages_.expectation(what, found, tokens_.previous(), fatal);
    }

    std::string_view text_of(TextPos first, TextPos last) const {
        return text_.substr(static_cast<size_t>(first), static_cast<size_t>(last - first + 1));
    }

    // Opens an object or array at its bracket token.
    void open(const Token& t, const Member& member) {
        tokens_.advance();
        open_.push_back({member, t.first, static_cast<int32_t>(children_.size()), 0,
                         t.kind == json_open_brace});
    }

    // A record written for a child of the innermost open container, or for the root.
    void add(uint32_t handle) {
        if (open_.empty())
            root_ = handle;
        else if (keep_nodes_)
            children_.push_back(handle);
    }

    // Closes the innermost container at its bracket token; false when it was the root.
    bool close(const Token& t) {
        tokens_.advance();
        const Open top = open_.back();
        open_.pop_back();
        const bool root = open_.empty();
        const auto from = static_cast<size_t>(top.children_from);
        uint32_t handle = 0;
        if (keep_nodes_ || root) {
            const std::span<const uint32_t> children(children_.data() + from, children_.size() - from);
            handle = tree_.write_json_container(top.member.get(), top.is_object, root, top.first,
                                                t.last, top.value_count, children, pause_);
        }
        children_.resize(from);
        if (handle) add(handle);
        return !root;
    }

    Member member_name(const Token& t) {
        tokens_.advance();
        Member m;
        m.present = true;
        m.place.first = t.first;
        // Strings always arrive with both quotes: an unterminated one is a stray token.
        if (keep_nodes_) m.place.name_id = names_.intern(text_of(t.first + 1, t.last - 1));
        return m;
    }

    // Reads a value that is not a container.
    void scalar(const Token& t, const Member& member) {
        tokens_.advance();
        const bool is_string = t.kind == json_string;
        const TextPos first = is_string ? t.first + 1 : t.first;
        const TextPos last = is_string ? t.last - 1 : t.last;
        // A lone value is the root, which is kept however little else is.
        if (keep_nodes_ || open_.empty())
            add(tree_.write_json_value(member.get(), is_string, first,
                                       static_cast<uint32_t>(last - first + 1)));
        if (!open_.empty()) ++open_.back().value_count;
    }

    // Reads a value; true when it opened a container, whose contents come next.
    bool value(const Token& t, const Member& member) {
        if (opens_container(t.kind)) {
            open(t, member);
            return true;
        }
        scalar(t, member);
        return false;
    }

    // A member from its name token on; true when its value opened a container.
    bool member(const Token& name) {
        const Member m = member_name(name);
        const Token colon = next();
        if (colon.kind != json_colon) expect(":", colon, true);
        tokens_.advance();
        const Token v = next();
        if (!starts_value(v.kind)) expect(kValueExpected, v, true);
        return value(v, m);
    }

    // Reads until the root container closes. `fresh` says the innermost container has just
    // been opened; otherwise a value of it has just been read.
    void containers() {
        bool fresh = true;
        for (;;) {
            const Token t = next();
            if (open_.back().is_object) {
                if (fresh && t.kind == json_string) {
                    fresh = member(t);
                    continue;
                }
                if (!fresh && t.kind == json_comma) {
                    tokens_.advance();
                    const Token name = next();
                    if (name.kind != json_string) expect("string", name, true);
                    fresh = member(name);
                    continue;
                }
                if (t.kind != json_close_brace) expect("}", t, true);
            } else if (fresh) {
                if (starts_value(t.kind)) {
                    fresh = value(t, Member{});
                    continue;
                }
                if (t.kind != json_close_bracket) expect("]", t, true);
            } else if (t.kind == json_comma) {
                tokens_.advance();
                const Token v = next();
                if (v.kind == json_close_bracket) {
                    expect("value", v, false);
                    messages_.drop(t.first);  // the comma is not kept
                } else {
                    if (!starts_value(v.kind)) expect(kValueExpected, v, true);
                    fresh = value(v, Member{});
                    continue;
                }
            } else if (t.kind != json_close_bracket) {
                expect(" , or ]", t, true);
            }
            // Here the token after the contents is the closing bracket.
            if (!close(next())) return;
            fresh = false;
        }
    }

    std::string_view text_;
    DocumentTree& tree_;
    NameTable names_;
    ParseMessages messages_;
    TokenStream tokens_;
    bool keep_nodes_;
    std::vector<Open> open_;
    std::vector<uint32_t> children_;
    std::function<void()> pause_;
    uint32_t root_ = 0;
    bool bom_ = false;
    size_t paired_low_ = std::string_view::npos;  // where the low half of the last pair is
};

}  // namespace

std::unique_ptr<DocumentTree> parse_json(std::string_view text, Job* job, TreeKeeps keeps) {
    auto tree = std::make_unique<DocumentTree>();
    tree->set_borrowed_text(text);
    if (keeps == TreeKeeps::diagnostics)
        tree->discard_records();
    else
        // Records take half a byte to three quarters of a byte per byte of text (more the
        // denser the text). A byte per byte is reserved up front: pages never written cost
        // nothing, and growing the stream of a large document holds the lock for a quarter of
        // a second.
        tree->reserve_records(std::min<size_t>(text.size() + (1 << 16), DocumentTree::kFirstAdoptedHandle));
    tree->diagnostics().set_source(text);
    tree->set_root(nullptr);
    JsonParser parser(text, *tree, job, keeps == TreeKeeps::everything);
    tree->set_root(parser.parse());
    tree->diagnostics().sort_by_position();
    return tree;
}

JsonContainerNode* json_root(const DocumentTree& tree) {
    return dynamic_cast<JsonContainerNode*>(tree.root());
}

}  // namespace tessel
