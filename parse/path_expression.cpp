// Resolving path expressions step by step over a node's children, and writing the path of
// a node.
#include "parse/path_expression.h"

#include <limits>

#include "foundation/arena.h"
#include "parse/node_description.h"
#include "parse/path_scanner.h"

namespace tessel {

namespace {

// "->" becomes "/", then blanks and tabs go (the scanner would skip them between tokens,
// but removed here they also join what they split: "mime type" names "mimetype").
std::string prepare(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-' && i + 1 < text.size() && text[i + 1] == '>') {
            out += '/';
            ++i;
        } else {
            out += text[i];
        }
    }
    std::erase_if(out, [](char c) { return c == ' ' || c == '\t'; });
    return out;
}

// The name a node is found by; it lives in the arena until the caller releases it.
std::string_view node_name(Node& node, Arena& arena) {
    QueryResult result;
    run_query(node, kQueryName, arena, result);
    if (!result.text.empty()) return result.text;
    run_query(node, kQueryDisplay, arena, result);
    return result.text;
}

// A decimal number with an optional leading minus, which is ignored. Sets too_large when
// the digits exceed int32_t (the number then names no child). False when text is no number.
bool read_number(std::string_view text, int32_t& value, bool& too_large) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty()) return false;
    int64_t n = 0;
    too_large = false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        if (!too_large) {
            n = n * 10 + (c - '0');
            too_large = n > std::numeric_limits<int32_t>::max();
        }
    }
    value = too_large ? 0 : int32_t(n);
    return true;
}

class PathEvaluator {
public:
    PathEvaluator(std::string_view text, Node& root)
        : text_(text), tokens_(scan_path(text)), current_(&root) {}

    PathResult run() {
        PathResult r;
        bool any_step = false;
        while (kind() != path_end) {
            const char* error = nullptr;
            if (kind() == path_slash) {
                ++at_;
                continue;
            } else if (kind() == path_name) {
                error = name_step(r.positions);
            } else if (kind() == path_open_bracket) {
                error = index_step(r.positions);
            } else {
                error = kPathInvalid;
            }
            if (error) return fail(error);
            any_step = true;
        }
        if (!any_step) return fail(kPathNotFound);
        r.ok = true;
        r.node = current_;
        return r;
    }

private:
    int kind() const { return tokens_[at_].kind; }
    std::string_view token_text() const {
        const Token& t = tokens_[at_];
        return text_.substr(size_t(t.first), size_t(t.length()));
    }
    static PathResult fail(const char* error) {
        PathResult r;
        r.error = error;
        return r;
    }

    // After an opening bracket: a number and the closing bracket `close`.
    const char* bracketed_number(int close, int32_t& n, bool& too_large) {
        ++at_;
        if (kind() != path_name || !read_number(token_text(), n, too_large)) return kPathInvalid;
        ++at_;
        if (kind() != close) return kPathInvalid;
        ++at_;
        return nullptr;
    }

    const char* name_step(std::vector<int32_t>& positions) {
        std::string_view name = token_text();
        ++at_;
        int32_t n = 0;
        bool too_large = false;
        if (kind() == path_open_paren) {
            if (const char* error = bracketed_number(path_close_paren, n, too_large)) return error;
        }
        if (too_large) return kPathNotFound;
        const int32_t wanted = n == 0 ? 1 : n;
        int32_t seen = 0;
        for (int32_t i = 0;; ++i) {
            Node* c = current_->child(i);
            if (!c) return kPathNotFound;
            ArenaMark mark = arena_.mark();
            bool match = node_name(*c, arena_) == name;
            arena_.release(mark);
            if (match && ++seen == wanted) {
                positions.push_back(i);
                current_ = c;
                return nullptr;
            }
        }
    }

    const char* index_step(std::vector<int32_t>& positions) {
        int32_t n = 0;
        bool too_large = false;
        if (const char* error = bracketed_number(path_close_bracket, n, too_large)) return error;
        if (too_large) return kPathNotFound;
        if (n == 0) return nullptr;
        Node* c = current_->child(n - 1);
        if (!c) return kPathNotFound;
        positions.push_back(n - 1);
        current_ = c;
        return nullptr;
    }

    std::string_view text_;
    std::vector<Token> tokens_;
    size_t at_ = 0;
    Node* current_;
    SmallArena arena_;
};

// Whether resolve_path reads name back as one name token: the scanner's name characters
// and the minus, nothing else (so no blank, which preparation would remove, and no ">",
// so no "->" either).
bool writable_name(std::string_view name) {
    if (name.empty()) return false;
    const CharClassTable& classes = path_char_classes();
    for (char ch : name) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 128) return false;
        int cls = classes.class_of(c);
        if (cls != pcc_name && cls != pcc_minus) return false;
    }
    return true;
}

}  // namespace

PathResult resolve_path(std::string_view text, Node& root) {
    std::string prepared = prepare(text);
    if (prepared.size() >= size_t(std::numeric_limits<int32_t>::max())) {
        PathResult r;
        r.error = kPathInvalid;
        return r;
    }
    return PathEvaluator(prepared, root).run();
}

std::string format_path(Node& root, std::span<const int32_t> positions) {
    if (positions.empty()) return "[0]";
    std::string out;
    SmallArena arena;
    Node* current = &root;
    for (int32_t position : positions) {
        Node* target = position >= 0 ? current->child(position) : nullptr;
        if (!target) return {};
        if (!out.empty()) out += '/';
        ArenaMark mark = arena.mark();
        std::string name(node_name(*target, arena));
        arena.release(mark);
        if (writable_name(name)) {
            // Which of the children of this name the target is.
            int32_t ordinal = 1;
            for (int32_t i = 0; i < position; ++i) {
                Node* c = current->child(i);
                if (!c) return {};
                if (node_name(*c, arena) == name) ++ordinal;
                arena.release(mark);
            }
            out += name;
            if (ordinal > 1) out += "(" + std::to_string(ordinal) + ")";
        } else {
            out += "[" + std::to_string(position + 1) + "]";
        }
        current = target;
    }
    return out;
}

}  // namespace tessel
