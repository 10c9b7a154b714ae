// The registered document types and their parsers.
#include "parse/default_languages.h"

#include "parse/doctype_parser.h"
#include "parse/document_tree.h"
#include "parse/json_line_automaton.h"
#include "parse/json_parser.h"
#include "parse/xml_line_automaton.h"
#include "parse/xml_parser.h"
#include "parse/xml_scanner.h"
#include "text/line_scanner.h"

namespace tessel {

namespace {

// XML documents (flag 0) and DTD documents (flag 1).
class XmlLanguage final : public LanguageModule {
public:
    const char* name() const override { return "XML"; }
    std::unique_ptr<DocumentTree> parse(std::string_view text, int flag, Job* job) override {
        if ((flag & ~kParseDiagnosticsOnly) == 1) return parse_dtd(text, job);
        return parse_xml(text, job, flag & kParseDiagnosticsOnly ? TreeKeeps::diagnostics : TreeKeeps::everything);
    }
};

class JsonLanguage final : public LanguageModule {
public:
    const char* name() const override { return "JSON"; }
    std::unique_ptr<DocumentTree> parse(std::string_view text, int flag, Job* job) override {
        return parse_json(text, job, flag & kParseDiagnosticsOnly ? TreeKeeps::diagnostics : TreeKeeps::everything);
    }
};

}  // namespace

LanguageRegistry& default_languages() {
    static XmlLanguage xml;
    static JsonLanguage json;
    static XmlLineAutomaton xml_lines(kXmlContentState);
    static XmlLineAutomaton dtd_lines(kXmlDtdState);
    static JsonLineAutomaton json_lines;
    static PlainAutomaton plain_lines;
    static LanguageRegistry registry = [] {
        LanguageRegistry r;
        r.add_type({"xml", "XML", 0, &xml, true, &xml_lines});
        r.add_type({"dtd", "DTD", 1, &xml, true, &dtd_lines});
        r.add_type({"json", "JSON", 0, &json, false, &json_lines});
        r.add_type({"", "Plain Text", 0, nullptr, false, &plain_lines});
        // Common kinds of XML document under their own extensions.
        r.attach_extensions("XML", {"xsd", "xsl", "xslt", "svg", "xhtml", "rss", "atom", "ui",
                                    "kml", "gpx", "wsdl", "rdf", "xul", "xbel", "glade", "qrc",
                                    "fo", "mml", "opml", "dbk", "xaml", "resx",
                                    "csproj", "vcxproj", "nuspec", "xliff", "xlf",
                                    "policy"});
        return r;
    }();
    return registry;
}

}  // namespace tessel
