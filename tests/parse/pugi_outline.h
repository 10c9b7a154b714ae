// A document's outline as pugixml reads it, the independent reference that parser and
// indenter tests compare with.
#pragma once

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>
#include <vector>

namespace tessel::test {

namespace pugi_outline_detail {
inline void walk(const pugi::xml_node& node, std::vector<std::string>& out) {
    for (pugi::xml_node c : node.children()) {
        switch (c.type()) {
            case pugi::node_element:
                out.push_back(std::string("<") + c.name());
                for (pugi::xml_attribute a : c.attributes())
                    out.push_back(std::string("@") + a.name() + "=" + a.value());
                walk(c, out);
                out.push_back(">");
                break;
            case pugi::node_pcdata:
                out.push_back(std::string("T ") + c.value());
                break;
            case pugi::node_cdata:
                out.push_back(std::string("C ") + c.value());
                break;
            case pugi::node_comment:
                out.push_back(std::string("!") + c.value());
                break;
            case pugi::node_pi:
            case pugi::node_declaration:
                out.push_back(std::string("?") + c.name() + " " + c.value());
                break;
            default:
                break;
        }
    }
}
}  // namespace pugi_outline_detail

// One line per element ("<name"), attribute ("@name=value"), text ("T text"), CDATA section
// ("C text"), instruction or declaration ("?target value"), comment ("!text") and element
// end (">"). Values and texts are raw (no entity or end-of-line conversion), texts trimmed
// and blank ones left out; instructions, declarations and comments appear only when
// `extra` holds pugixml's flags for them. The text must be well-formed.
inline std::vector<std::string> pugi_outline(const std::string& text, unsigned extra = 0) {
    pugi::xml_document doc;
    const unsigned flags = pugi::parse_cdata | pugi::parse_trim_pcdata | extra;
    const pugi::xml_parse_result r =
        doc.load_buffer(text.data(), text.size(), flags, pugi::encoding_utf8);
    EXPECT_TRUE(r) << r.description() << " at " << r.offset;
    std::vector<std::string> out;
    pugi_outline_detail::walk(doc, out);
    return out;
}

}  // namespace tessel::test
