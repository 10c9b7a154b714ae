// Throughput of the XML scanner through TokenStream over a large file, beside libxml2's SAX2
// parser with empty handlers and expat on the same bytes in the same run. Not a test.
// Usage: scanner_speed FILE [ROUNDS]
#include <expat.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "parse/token_stream.h"
#include "parse/xml_scanner.h"

namespace {

double now_ms() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Drains the stream as a parser would: peek, look at the kind, advance.
long long scan_tokens(const std::string& text, long long* failures) {
    struct Count : tessel::ScanFailureSink {
        long long n = 0;
        void scan_failure(const tessel::Token&) override { ++n; }
    } count;
    tessel::QuietJob job;
    tessel::TokenStream stream(text, tessel::xml_scanner_tables(), tessel::kXmlContentState,
                               &job, &count);
    long long tokens = 0;
    while (stream.peek().kind != tessel::xml_end_of_file) {
        ++tokens;
        stream.advance();
    }
    *failures = count.n;
    return tokens;
}

bool libxml2_sax(const std::string& text) {
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;  // SAX2, every callback empty
    xmlParserCtxtPtr ctxt = xmlCreateMemoryParserCtxt(text.data(), int(text.size()));
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

bool expat(const std::string& text) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    bool ok = XML_Parse(parser, text.data(), int(text.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}

template <class F>
double best_ms(int rounds, F&& f) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        double t0 = now_ms();
        f();
        best = std::min(best, now_ms() - t0);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scanner_speed FILE [ROUNDS]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "scanner_speed: cannot read %s\n", argv[1]);
        return 2;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const double mb = double(text.size()) / 1e6;

    long long tokens = 0, failures = 0;
    double tessel_ms = best_ms(rounds, [&] { tokens = scan_tokens(text, &failures); });
    bool xml_ok = true, expat_ok = true;
    double libxml_ms = best_ms(rounds, [&] { xml_ok = libxml2_sax(text); });
    double expat_ms = best_ms(rounds, [&] { expat_ok = expat(text); });

    std::printf("%.1f MB, %lld tokens, %lld scan failures\n", mb, tokens, failures);
    std::printf("TokenStream       %8.1f ms  %7.1f MB/s\n", tessel_ms, mb / tessel_ms * 1e3);
    std::printf("libxml2 SAX2      %8.1f ms  %7.1f MB/s  ratio %.2f%s\n", libxml_ms,
                mb / libxml_ms * 1e3, libxml_ms / tessel_ms, xml_ok ? "" : "  (not well-formed)");
    std::printf("expat             %8.1f ms  %7.1f MB/s  ratio %.2f%s\n", expat_ms,
                mb / expat_ms * 1e3, expat_ms / tessel_ms, expat_ok ? "" : "  (not well-formed)");
    return 0;
}
