// Fuzzes indenting: the first byte chooses the document type (XML, DTD or JSON, by its value
// modulo 3) and whether comments are removed (bit 2); the rest is the text. Whenever the
// indenter would run without asking (a tree with a root, no errors, and every character of
// the text held), the indented text must equal the input once white space between markup
// (and removed comments) is taken out, as an independent reader sees it.
#include <cstdint>
#include <string>
#include <string_view>

#include "parse/doctype_parser.h"
#include "parse/json_parser.h"
#include "parse/xml_indenter.h"
#include "parse/xml_parser.h"
#include "tests/parse/white_space_pieces.h"

namespace {

using namespace tessel;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const char* types[] = {"xml", "dtd", "json"};
    const std::string_view type = types[data[0] % 3];
    const bool remove_comments = (data[0] & 4) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    auto tree = type == "json"  ? parse_json(text)
                : type == "dtd" ? parse_dtd(text)
                                : parse_xml(text);
    if (indent_risk(tree.get()) != IndentRisk::none) return 0;

    IndentOptions options;
    options.remove_comments = remove_comments;
    options.max_attributes = 2;
    IndentedText out;
    check(write_indented(*tree, options, out) == IndentStatus::done);
    const auto mode = test::WhiteSpacePieces::mode_named(type);
    check(test::WhiteSpacePieces(out.view(), mode, remove_comments).pieces() ==
          test::WhiteSpacePieces(text, mode, remove_comments).pieces());
    return 0;
}
