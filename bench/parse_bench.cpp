// parse_bench: XML parse throughput of parse_xml (record stream and diagnostics, no nodes)
// beside libxml2 SAX2, expat and pugixml in-situ on the same bytes in the same run, warm
// (repeated in one process) and cold (the first parse of a fresh process). Not a test.
// Usage: parse_bench [--size MB] [--seed N] [--rounds N] [--no-cold] [FILE...]
#include <expat.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "bench/make_document.h"
#include "bench/parser_comparison.h"
#include "parse/xml_parser.h"

namespace {

// Keeps results alive so the optimiser cannot drop the work that made them.
volatile int64_t g_sink;

// Record stream bytes of the last parse_xml, for the size report.
size_t g_record_bytes = 0;

bool parse_ours(std::string_view text, std::vector<char>&) {
    auto tree = tessel::parse_xml(text);
    g_record_bytes = tree->record_bytes();
    bool ok = tree->diagnostics().error_count() == 0;
    g_sink = static_cast<int64_t>(tree->record_bytes());
    // The tree is freed on return, inside the timing, as the peers free their contexts.
    return ok;
}

bool parse_libxml2(std::string_view text, std::vector<char>&) {
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;  // SAX2, every callback empty
    xmlParserCtxtPtr ctxt = xmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size()));
    if (!ctxt) return false;
    xmlSAXHandlerPtr old = ctxt->sax;
    ctxt->sax = &handler;
    ctxt->userData = nullptr;
    xmlCtxtUseOptions(ctxt, XML_PARSE_HUGE | XML_PARSE_NONET);
    xmlParseDocument(ctxt);
    bool ok = ctxt->wellFormed;
    ctxt->sax = old;
    xmlFreeParserCtxt(ctxt);
    return ok;
}

bool parse_expat(std::string_view text, std::vector<char>&) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    bool ok = XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}

bool parse_pugi(std::vector<char>& copy, unsigned options) {
    pugi::xml_document doc;
    pugi::xml_parse_result r = doc.load_buffer_inplace(copy.data(), copy.size(), options);
    g_sink = static_cast<int64_t>(r.offset);
    return static_cast<bool>(r);
}

bool parse_pugi_minimal(std::string_view, std::vector<char>& copy) {
    return parse_pugi(copy, pugi::parse_minimal);
}

bool parse_pugi_full(std::string_view, std::vector<char>& copy) {
    return parse_pugi(copy, pugi::parse_full);
}

constexpr tessel::bench::Contender kContenders[] = {
    {"tessel parse_xml", parse_ours},
    {"libxml2 SAX2", parse_libxml2},
    {"expat", parse_expat},
    {"pugixml minimal", parse_pugi_minimal, true},
    {"pugixml full", parse_pugi_full, true},
};

std::string record_stream_note(size_t text_bytes) {
    char note[80];
    std::snprintf(note, sizeof note, ", record stream %.3f bytes per input byte",
                  static_cast<double>(g_record_bytes) / static_cast<double>(text_bytes));
    return note;
}

std::string generate(int64_t bytes, uint64_t seed) {
    return tessel::bench::make_document(bytes, seed);
}

}  // namespace

int main(int argc, char** argv) {
    xmlInitParser();
    tessel::bench::ComparisonSetup setup{"parse_bench", kContenders, generate};
    setup.heading_note = record_stream_note;
    setup.ours_rejected = "errors reported";
    setup.peer_rejected = "not well-formed";
    return tessel::bench::run_parser_comparison(argc, argv, setup);
}
