// WhiteSpacePieces: a document read as the pieces that indenting must keep, with a small
// reader of its own (not the product's parser), so that comparing the pieces of a document
// and of its indented form catches the parser passing over text as well as the writer
// losing it. Used by the indenter's tests and its fuzz target.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::test {

// The texts of a document with white space between markup taken out, one entry per piece:
// character data trimmed, a piece per line; start and end tags, DOCTYPE headers and
// declarations with white space only where two names meet and literals between marks of
// their own (either quote character reads the same); comments (left out when they are
// removed), instructions, CDATA sections and conditional sections as written. JSON: white
// space outside strings removed.
class WhiteSpacePieces {
public:
    enum Mode { xml, dtd, json };
    // "xml", "dtd" or "json".
    static Mode mode_named(std::string_view type) {
        return type == "json" ? json : type == "dtd" ? dtd : xml;
    }
    WhiteSpacePieces(std::string_view text, Mode mode, bool drop_comments)
        : t_(text), drop_comments_(drop_comments) {
        if (mode == json)
            read_json();
        else
            read_markup(mode == dtd);
    }
    const std::vector<std::string>& pieces() const { return pieces_; }

private:
    static bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool name_char(char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '.' ||
               c == '-' || static_cast<unsigned char>(c) >= 0x80;
    }
    bool at(std::string_view s) const { return t_.substr(p_).starts_with(s); }
    // From an opening of `open` bytes up to and with `end` (which may not overlap the
    // opening), or to the end of the text without the blanks there.
    std::string_view until(size_t open, std::string_view end) {
        const size_t found = t_.find(end, std::min(p_ + open, t_.size()));
        const size_t stop = found == std::string_view::npos ? t_.size() : found + end.size();
        std::string_view piece = t_.substr(p_, stop - p_);
        p_ = stop;
        if (found == std::string_view::npos)
            while (!piece.empty() && blank(piece.back())) piece.remove_suffix(1);
        return piece;
    }
    // A tag or declaration up to the ">" outside literals; stops before "[" when asked.
    std::string tag(bool stop_at_bracket) {
        std::string out;
        bool space = false;
        while (p_ < t_.size()) {
            const char c = t_[p_];
            if (blank(c)) {
                space = true;
                ++p_;
                continue;
            }
            if (c == '[' && stop_at_bracket) break;
            if (space && !out.empty() && name_char(out.back()) && name_char(c)) out += ' ';
            space = false;
            ++p_;
            if (c == '"' || c == '\'') {
                const size_t close = t_.find(c, p_);
                const size_t stop = close == std::string_view::npos ? t_.size() : close;
                out += '\x01';
                out += t_.substr(p_, stop - p_);
                out += '\x01';
                p_ = stop == t_.size() ? stop : stop + 1;
                continue;
            }
            out += c;
            if (c == '>') break;
        }
        return out;
    }
    // Character data, a piece per line, each trimmed: the writer puts texts that only a
    // removed comment kept apart on lines of their own.
    void text_run(std::string_view run) {
        while (!run.empty()) {
            const size_t end = std::min(run.find('\n'), run.size());
            std::string_view line = run.substr(0, end);
            run.remove_prefix(std::min(end + 1, run.size()));
            while (!line.empty() && blank(line.front())) line.remove_prefix(1);
            while (!line.empty() && blank(line.back())) line.remove_suffix(1);
            if (!line.empty()) pieces_.push_back("T" + std::string(line));
        }
    }
    // Comments, instructions and CDATA sections; false when none starts here.
    bool verbatim() {
        if (at("<!--")) {
            std::string_view c = until(4, "-->");
            if (!drop_comments_) pieces_.emplace_back(c);
        } else if (at("<?")) {
            pieces_.emplace_back(until(2, "?>"));
        } else if (at("<![CDATA[")) {
            pieces_.emplace_back(until(9, "]]>"));
        } else {
            return false;
        }
        return true;
    }
    // A conditional section, nested ones included, as written: its condition runs to the
    // first "["; comments, instructions and the literals of declarations in its body are
    // passed over whole, so a "]]>" there does not close it.
    void conditional() {
        const size_t start = p_;
        int depth = 0;
        while (p_ < t_.size()) {
            if (at("<![")) {
                ++depth;
                p_ = std::min(t_.find('[', p_ + 3), t_.size());
            } else if (at("]]>")) {
                p_ += 3;
                if (--depth == 0) break;
            } else if (at("<!--")) {
                until(4, "-->");
            } else if (at("<?")) {
                until(2, "?>");
            } else if (at("<!")) {
                tag(false);
            } else {
                ++p_;
            }
        }
        std::string_view piece = t_.substr(start, p_ - start);
        if (depth > 0)
            while (!piece.empty() && blank(piece.back())) piece.remove_suffix(1);
        pieces_.emplace_back(piece);
    }
    // Declarations, comments, instructions, references and text, up to a "]" when in a
    // DOCTYPE's subset.
    void declarations(bool in_subset) {
        while (p_ < t_.size()) {
            if (in_subset && t_[p_] == ']') return;
            if (verbatim()) continue;
            if (at("<![")) {
                conditional();
            } else if (at("<")) {
                pieces_.push_back(tag(false));
            } else if (t_[p_] == '%') {
                pieces_.emplace_back(until(1, ";"));
            } else {
                const size_t start = p_;
                while (p_ < t_.size() && t_[p_] != '<' && t_[p_] != '%' &&
                       !(in_subset && t_[p_] == ']'))
                    ++p_;
                text_run(t_.substr(start, p_ - start));
            }
        }
    }
    void read_markup(bool dtd) {
        if (dtd) return declarations(false);
        while (p_ < t_.size()) {
            if (verbatim()) continue;
            if (at("<!DOCTYPE")) {
                std::string header = tag(true);
                if (p_ < t_.size() && t_[p_] == '[') {
                    ++p_;
                    const size_t before = pieces_.size();
                    declarations(true);
                    // "]" and ">"; an empty subset reads as none.
                    ++p_;
                    std::string rest = tag(false);
                    if (pieces_.size() > before) {
                        pieces_.insert(pieces_.begin() + static_cast<ptrdiff_t>(before),
                                       header + "[");
                        header = "]";
                    }
                    header += rest;
                }
                pieces_.push_back(header);
            } else if (at("<")) {
                pieces_.push_back(tag(false));
            } else {
                const size_t start = p_;
                while (p_ < t_.size() && t_[p_] != '<') ++p_;
                text_run(t_.substr(start, p_ - start));
            }
        }
    }
    void read_json() {
        std::string out;
        for (; p_ < t_.size(); ++p_) {
            const char c = t_[p_];
            if (blank(c)) continue;
            out += c;
            if (c != '"') continue;
            for (++p_; p_ < t_.size() && t_[p_] != '"'; ++p_) {
                out += t_[p_];
                if (t_[p_] == '\\' && p_ + 1 < t_.size()) out += t_[++p_];
            }
            if (p_ < t_.size()) out += '"';
        }
        pieces_.push_back(out);
    }

    std::string_view t_;
    size_t p_ = 0;
    bool drop_comments_;
    std::vector<std::string> pieces_;
};

}  // namespace tessel::test
