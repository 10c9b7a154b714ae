// A document's first element shown in a browser's layout, measured with the fixed-advance
// shaper (8 pixels a character): what the layout tests lay out and look at.
#pragma once

#include <memory>
#include <string>

#include "parse/xml_parser.h"
#include "tests/seams/fixed_advance_shaper.h"
#include "views/browser_controller.h"

namespace tessel::test {

inline constexpr int kLineHeight = 16, kRowHeight = 18;

struct ShownInBrowser {
    std::unique_ptr<DocumentTree> tree;
    std::unique_ptr<TreeNodeProvider> provider;
    BrowserController browser{1};
    FixedAdvanceShaper shaper;

    // Shows the document's child at index child (the first element of most test documents).
    explicit ShownInBrowser(const std::string& xml, int32_t child = 0) {
        tree = parse_xml(xml);
        provider = std::make_unique<TreeNodeProvider>(tree.get());
        browser.take(browser.build(*provider, *tree->root()->child(child), nullptr, nullptr));
        browser.layout().lay_out(browser.view(), shaper, kLineHeight, kRowHeight);
    }
    BrowserLayout& layout() { return browser.layout(); }
    // Lays the same view out again, as after a sort.
    void refresh() { layout().lay_out(browser.view(), shaper, kLineHeight, kRowHeight, true); }
};

}  // namespace tessel::test
