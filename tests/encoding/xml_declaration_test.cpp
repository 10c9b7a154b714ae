// Reading and rewriting the XML declaration, and choosing a file's encoding from its first
// bytes.
#include <gtest/gtest.h>

#include "encoding/encoding_detection.h"
#include "encoding/xml_declaration.h"

namespace tessel {
namespace {

TEST(XmlDeclaration, ReadsVersionEncodingAndStandaloneAndStopsWhereItBreaksOff) {
    XmlDeclaration d = read_declaration("<?xml version='1.0' encoding='ISO-8859-1'?>\n<a/>");
    EXPECT_EQ(d.version, 0);
    EXPECT_EQ(d.encoding, 0);
    EXPECT_EQ(d.standalone, 2);
    EXPECT_EQ(d.length, 44u);  // the line feed after "?>" is white space and belongs to it

    d = read_declaration("<?xml version=\"1.1\"\tstandalone = \"no\" ?><a/>");
    EXPECT_EQ(d.version, 1);
    EXPECT_EQ(d.encoding, -1);
    EXPECT_EQ(d.standalone, 1);

    // A declaration written without a blank before standalone is still read.
    d = read_declaration("<?xml version=\"1.0\" encoding=\"utf-8\"standalone=\"yes\"?>");
    EXPECT_EQ(d.encoding, 1);
    EXPECT_EQ(d.standalone, 0);

    EXPECT_EQ(read_declaration("<a/>").length, 0u);
    EXPECT_EQ(read_declaration("<?xml-stylesheet href='x'?>").length, 5u);
    // Carriage returns are white space, inside the declaration and after it.
    EXPECT_EQ(read_declaration("<?xml version=\"1.0\"?>\r\n<a/>").length, 23u);
    d = read_declaration("<?xml version=\"1.0\"\r\n  encoding=\"iso-8859-1\"?>");
    EXPECT_EQ(d.encoding, 0);
    EXPECT_TRUE(d.complete);
    // Unknown names are treated as absent.
    EXPECT_EQ(read_declaration("<?xml version=\"1.0\" encoding=\"ebcdic\"?>").encoding, -1);
}

TEST(XmlDeclaration, RewritingKeepsVersionAndStandaloneWithABlankBeforeStandalone) {
    size_t old_length = 99;
    std::string text = "<?xml version=\"1.1\" standalone=\"no\"?>\n<a/>";
    std::string d = write_declaration(text, 7, &old_length);
    EXPECT_EQ(d, "<?xml version=\"1.1\" encoding=\"windows-1252\" standalone=\"no\"?>");
    EXPECT_EQ(text.replace(0, old_length, d),
              "<?xml version=\"1.1\" encoding=\"windows-1252\" standalone=\"no\"?>\n<a/>");

    EXPECT_EQ(write_declaration("<a/>", 7, &old_length),
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n");
    EXPECT_EQ(old_length, 0u);

    // A declaration with CR LF line ends is replaced whole, and the CR LF after it stays.
    text = "<?xml version=\"1.0\"\r\n encoding=\"utf-8\"?>\r\n<a/>";
    d = write_declaration(text, 4, &old_length);
    EXPECT_EQ(text.replace(0, old_length, d),
              "<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<a/>");

    // Only the declaration changes: the line end and blank lines after it, or the element
    // right after its "?>", stay as they were.
    for (std::string rest : {"\r\n<a/>", "\n\n\n<a/>", "<a/>", "\r\n\r\n  <a/>\r\n", ""}) {
        text = "<?xml version=\"1.0\"?>" + rest;
        d = write_declaration(text, 26, &old_length);
        EXPECT_EQ(text.replace(0, old_length, d),
                  "<?xml version=\"1.0\" encoding=\"iso-8859-3\"?>" + rest);
    }
    // A declaration put in front of a text takes the line end of its first line.
    EXPECT_EQ(write_declaration("<a>\r\n</a>\r\n", 1, &old_length),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n");
    EXPECT_EQ(write_declaration("<a>\n</a>\r\n", 1, &old_length),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n");

    // Anything but a whole declaration is kept behind the new one, never cut.
    for (std::string kept : {"<?xml-stylesheet href='s.xsl'?><a/>", "<?xml version=\"1.0\" <a/>"}) {
        d = write_declaration(kept, 7, &old_length);
        EXPECT_EQ(old_length, 0u) << kept;
    }
}

TEST(EncodingDetection, MarksZeroBytesDeclarationAndDefault) {
    auto detect = [](std::string_view bytes) {
        return detect_encoding_why(bytes.data(), bytes.size());
    };
    EXPECT_EQ(detect("\xFF\xFE<\0").id, 4);
    EXPECT_EQ(detect("\xFE\xFF\0<").id, 6);
    EXPECT_EQ(detect("\xEF\xBB\xBF<a/>").id, 2);
    EXPECT_EQ(detect(std::string_view("<\0a\0", 4)).id, 3);
    EXPECT_EQ(detect(std::string_view("\0<\0a", 4)).id, 5);
    EXPECT_EQ(detect(std::string_view("\0<\0a", 4)).reason, DetectionReason::zero_bytes);
    EXPECT_EQ(detect("<?xml version='1.0' encoding='ISO-8859-1'?><a/>").id, 0);
    EXPECT_EQ(detect("<?xml version='1.0' encoding='ISO-8859-1'?><a/>").reason,
              DetectionReason::declaration);
    EXPECT_EQ(detect("<a/>").id, 1);
    EXPECT_EQ(detect("<a/>").reason, DetectionReason::fallback);
    EXPECT_EQ(detect("\xFF").id, 1);  // one byte decides nothing
}

TEST(EncodingDetection, AMarkInTheFileWinsOverTheRequestAndARequestedMarkNeedsOne) {
    EXPECT_EQ(resolve_encoding(-1, 17), 17);
    EXPECT_EQ(resolve_encoding(7, 4), 4);
    EXPECT_EQ(resolve_encoding(3, 6), 6);
    // Requesting UTF-8 with a mark for a file that has none (it declares windows-1252).
    EXPECT_EQ(resolve_encoding(2, 7), 1);
    EXPECT_EQ(resolve_encoding(4, 1), 3);
    // Declared iso-8859-1 or nothing: a requested mark is not taken from the text either.
    EXPECT_EQ(resolve_encoding(6, 0), 5);
    EXPECT_EQ(resolve_encoding(18, 0), 18);
    EXPECT_EQ(mark_length(2), 3u);
    EXPECT_EQ(mark_length(6), 2u);
    EXPECT_EQ(mark_length(5), 0u);
}

}  // namespace
}  // namespace tessel
