// The document types Tessel registers at start-up, in order: XML (with DTD documents), JSON,
// and Plain Text, the default, each with the automaton that colours its lines.
#pragma once

#include "parse/language_registry.h"

namespace tessel {

// Made once, on first use; the extension groups start with the canonical extensions only
// (read_groups adds the user's).
LanguageRegistry& default_languages();

}  // namespace tessel
