// Document types by file name, the extension groups kept in the settings, the file dialogs'
// filter, and the rules of the "Select Language" dialog.
#include <gtest/gtest.h>

#include <map>

#include "parse/language_registry.h"
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

}  // namespace
}  // namespace tessel
