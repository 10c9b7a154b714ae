// The texts of the XML editing commands.
#include "parse/xml_edit_texts.h"

namespace tessel {

std::string tag_text(std::string_view name, std::string_view content, bool self_close) {
    std::string out = "<";
    out += name;
    if (self_close) return out + "/>";
    out += '>';
    out += content;
    out += "</";
    out += name;
    out += '>';
    return out;
}

std::string attribute_text(std::string_view name, std::string_view value) {
    std::string out(name);
    out += " = '";
    for (char c : value) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '\'': out += "&apos;"; break;
            default: out += c;
        }
    }
    out += '\'';
    return out;
}

std::string commented_out(std::string_view selection) {
    std::string out = "<!--";
    for (char c : selection) {
        if (c == '-' && out.back() == '-' && out.size() > 4) out += ' ';
        out += c;
    }
    if (out.size() > 4 && out.back() == '-') out += ' ';
    return out + "-->";
}

std::string marked_with_tag(std::string_view selection, std::string_view name, bool cdata) {
    std::string inner;
    if (cdata) {
        inner = "<![CDATA[";
        for (size_t at = 0;;) {
            const size_t end = selection.find("]]>", at);
            if (end == std::string_view::npos) {
                inner += selection.substr(at);
                break;
            }
            inner += selection.substr(at, end + 2 - at);
            inner += "]]><![CDATA[>";
            at = end + 3;
        }
        inner += "]]>";
    } else {
        inner = selection;
    }
    if (name.empty() && cdata) return inner;
    std::string out = "<";
    out += name;
    out += '>';
    out += inner;
    out += "</";
    out += name;
    out += '>';
    return out;
}

}  // namespace tessel
