// Document types by file name, the extension groups kept in the settings, the file dialogs'
// filter, and the rules of the "Select Language" dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "parse/default_languages.h"
#include "parse/language_registry.h"
#include "tests/file_contents.h"
#include "tests/parse/map_extension_store.h"

namespace tessel {
namespace {

using test::MapStore;

LanguageRegistry registry() {
    LanguageRegistry r;
    r.add_type({"xml", "XML", 0, nullptr, true});
    r.add_type({"dtd", "DTD", 1, nullptr, true});
    r.add_type({"json", "JSON", 0, nullptr, false});
    r.add_type({"", "Plain Text", 0, nullptr, false});
    return r;
}

TEST(LanguageRegistry, FileNamesMapToTypesByTheirExtensionGroups) {
    LanguageRegistry r = registry();
    MapStore store;
    store.values = {
        {"xml", "xsd, xsl,\r\nreadme,"}, {"dtd", "xml, json ,foo"}, {"json", "XSD,geojson,"}};
    r.read_groups(store);
    EXPECT_EQ(r.type_of("a.XML").display_name, "XML");
    EXPECT_EQ(r.type_of("/home/u/schema.xsd").display_name, "XML");
    // Listed in two groups: the first group that lists it wins.
    EXPECT_EQ(r.type_of("schema.Xsd").display_name, "XML");
    EXPECT_EQ(r.type_of("map.geojson").display_name, "JSON");
    EXPECT_EQ(r.type_of("a.foo").display_name, "DTD");  // "xml" and "json" were dropped there
    ASSERT_GE(r.groups().size(), 2u);
    EXPECT_EQ(r.groups()[1].extensions, (std::vector<std::string>{"dtd", "foo"}));
    // No extension: the whole name is looked up.
    EXPECT_EQ(r.type_of("readme").display_name, "XML");
    EXPECT_EQ(r.type_of("notes").display_name, "Plain Text");
    EXPECT_EQ(r.type_of("archive.").display_name, "Plain Text");
    EXPECT_EQ(r.type_of("dir.xml/notes").display_name, "Plain Text");

    MapStore written;
    r.write_groups(written);
    EXPECT_EQ(written.values["xml"], "xsd,xsl,readme,");
    EXPECT_EQ(written.values["dtd"], "foo,");
}

TEST(LanguageRegistry, TheFileFilterListsEachGroupsPatterns) {
    LanguageRegistry r = registry();
    MapStore store;
    store.values = {{"xml", "xsd,"}};
    r.read_groups(store);
    EXPECT_EQ(r.file_filter(),
              "All files (*.*)#*.*#xml files(*.xml;*.xsd)#*.xml;*.xsd#dtd files(*.dtd)#*.dtd#"
              "json files(*.json)#*.json##");
}

TEST(SelectLanguage, TheCheckBoxFollowsTheExtensionAndRemapsOnOk) {
    LanguageRegistry r = registry();
    // A canonical extension cannot be remapped.
    SelectLanguage xml(r, "a.xml", r.types()[0]);
    EXPECT_TRUE(xml.same_for_extension());
    EXPECT_FALSE(xml.check_box_enabled());
    xml.select(2);
    EXPECT_FALSE(xml.same_for_extension());
    xml.set_same_for_extension(true);
    EXPECT_FALSE(xml.same_for_extension());
    EXPECT_EQ(xml.confirm().display_name, "JSON");
    EXPECT_EQ(r.type_of("b.xml").display_name, "XML");

    // An attached extension moves to the chosen type's group.
    SelectLanguage xsd(r, "s.xsd", r.type_of("s.xsd"));
    EXPECT_EQ(xsd.selected(), 3u);  // Plain Text so far
    EXPECT_TRUE(xsd.check_box_enabled());
    xsd.select(0);
    EXPECT_FALSE(xsd.same_for_extension());
    xsd.set_same_for_extension(true);
    EXPECT_EQ(xsd.confirm().display_name, "XML");
    EXPECT_EQ(r.type_of("other.XSD").display_name, "XML");
    SelectLanguage again(r, "s.xsd", r.type_of("s.xsd"));
    EXPECT_TRUE(again.same_for_extension());
    again.select(2);
    again.set_same_for_extension(true);
    again.confirm();
    EXPECT_EQ(r.type_of("s.xsd").display_name, "JSON");
    ASSERT_FALSE(r.groups().empty());
    EXPECT_EQ(r.groups()[0].extensions, std::vector<std::string>{"xml"});
}

TEST(ContentKind, TheFirstMarkAfterTheByteOrderMarkAndBlanksDecides) {
    EXPECT_EQ(content_kind("<r/>"), ContentKind::xml);
    EXPECT_EQ(content_kind("\xEF\xBB\xBF \r\n\t<?xml version='1.0'?><r/>"), ContentKind::xml);
    EXPECT_EQ(content_kind("\n<!-- licence -->\n<svg/>"), ContentKind::xml);
    EXPECT_EQ(content_kind("  {\"a\": 1}"), ContentKind::json);
    EXPECT_EQ(content_kind("\xEF\xBB\xBF[1, 2]"), ContentKind::json);
    EXPECT_EQ(content_kind("hello <b>"), ContentKind::unknown);
    EXPECT_EQ(content_kind(" \r\n "), ContentKind::unknown);
    EXPECT_EQ(content_kind(""), ContentKind::unknown);
    EXPECT_EQ(content_kind("\xEF\xBB"), ContentKind::unknown);  // a cut mark is no mark
}

// Real documents nobody here wrote: the common XML extensions are XML by name, and under an
// extension no type claims each file is what its text shows. A "txt" file stays Plain Text.
TEST(ContentKind, RealFilesGetTheirTypeByExtensionOrByContent) {
    const LanguageRegistry& r = default_languages();
    struct Case {
        const char* path;
        const char* type;
    };
    const Case cases[] = {
        {"/usr/share/doc/postgresql-common/dependencies.svg", "XML"},
        {"/usr/share/sgml/X11/xorg-xhtml.xsl", "XML"},
        {"/usr/share/mime/packages/freedesktop.org.xml", "XML"},
        {"/usr/share/doc/nodejs/api/synopsis.json", "JSON"},
        {"/usr/share/xml/iso-codes/iso_15924.xml", "XML"},
    };
    int found = 0;
    for (const Case& c : cases) {
        if (!std::filesystem::exists(c.path)) continue;
        ++found;
        SCOPED_TRACE(c.path);
        const std::string head = test::file_contents(c.path).substr(0, 4096);
        EXPECT_EQ(r.type_of(c.path).display_name, c.type);
        EXPECT_EQ(r.type_of(c.path, head).display_name, c.type);
        EXPECT_EQ(r.type_of("copy.unclaimed", head).display_name, c.type);
        EXPECT_EQ(r.type_of("copy", head).display_name, c.type);
        EXPECT_EQ(r.type_of("copy.txt", head).display_name, "Plain Text");
    }
    if (found == 0) GTEST_SKIP() << "none of the documents is installed";
    for (const char* name : {"a.svg", "b.XSL", "c.xsd", "d.xhtml", "e.rss", "f.ui", "g.kml"})
        EXPECT_EQ(r.type_of(name).display_name, "XML") << name;
    EXPECT_EQ(r.type_of("notes.unclaimed", "Dear reader,").display_name, "Plain Text");
}

TEST(LanguageRegistry, BuiltInExtensionsStayUntilAStoredGroupReplacesThem) {
    LanguageRegistry r = registry();
    r.attach_extensions("XML", {"svg", "json", "kml"});  // a canonical extension is not taken
    EXPECT_EQ(r.groups()[0].extensions, (std::vector<std::string>{"xml", "svg", "kml"}));
    MapStore none;
    r.read_groups(none);
    EXPECT_EQ(r.type_of("a.svg").display_name, "XML");
    MapStore stored;
    stored.values = {{"xml", "kml,"}, {"json", "svg,"}};
    r.read_groups(stored);
    EXPECT_EQ(r.type_of("a.svg").display_name, "JSON");
    EXPECT_EQ(r.type_of("a.kml").display_name, "XML");
}

}  // namespace
}  // namespace tessel
