// The markup the XML editing commands put into the text: a tag or an attribute at the caret,
// or the selection wrapped in a comment, a tag or a CDATA section. What is built always means
// what was typed or selected: a value is escaped for its quotes, and a selection that would
// end its comment or CDATA section early is changed just enough to stay inside it.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

// "<name/>" when self_close, else "<name>content</name>". Names are not checked (the next
// parse reports a bad one); the content goes in as typed, markup included.
std::string tag_text(std::string_view name, std::string_view content, bool self_close);

// name + " = '" + value + "'", with "&", "<" and "'" of the value written as references, so
// that the attribute's value is the typed text.
std::string attribute_text(std::string_view name, std::string_view value);

// "<!--" + selection + "-->". A comment may hold no "--" and may not end with "-": each "--"
// becomes "- -" and a final "-" is followed by a blank.
std::string commented_out(std::string_view selection);

// The selection marked with a tag, and with cdata in a CDATA section inside it; an empty name
// with cdata gives the CDATA section alone. A "]]>" in a CDATA section's text would end it:
// the section is split there ("]]" + "]]><![CDATA[" + ">"), so the text reads back whole.
std::string marked_with_tag(std::string_view selection, std::string_view name, bool cdata);

}  // namespace tessel
