// pugixml_dom_load FILE: loads the whole document into a pugixml DOM (a copy of the bytes
// parsed in place, as its load_file does) and prints the number of elements. The memory
// bench's peer for a program that holds a whole document.
#include <pugixml.hpp>

#include <cstdio>

namespace {

size_t count_elements(const pugi::xml_node& node) {
    size_t count = 0;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element) count += 1 + count_elements(child);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pugixml_dom_load FILE\n");
        return 2;
    }
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_file(argv[1]);
    if (!result) {
        std::fprintf(stderr, "pugixml_dom_load: %s\n", result.description());
        return 1;
    }
    std::printf("%zu elements\n", count_elements(document));
    return 0;
}
