// Document types and file extensions.
#include "parse/language_registry.h"

#include <algorithm>

#include "foundation/ascii.h"
#include "parse/document_tree.h"

namespace tessel {

void LanguageRegistry::add_type(DocumentType type) {
    if (!type.extension.empty()) groups_.push_back({{type.extension}});
    types_.push_back(std::move(type));
}

const DocumentType* LanguageRegistry::find(std::string_view display_name) const {
    for (const DocumentType& t : types_)
        if (t.display_name == display_name) return &t;
    return nullptr;
}

const DocumentType& LanguageRegistry::default_type() const {
    for (const DocumentType& t : types_)
        if (t.display_name == "Plain Text") return t;
    return types_.back();
}

std::string LanguageRegistry::extension_of(std::string_view file_name) {
    // Only the file's own name: a dot in a folder name is no extension.
    const size_t slash = file_name.find_last_of("/\\");
    if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
    const size_t dot = file_name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == file_name.size()) return std::string(file_name);
    return std::string(file_name.substr(dot + 1));
}

ContentKind content_kind(std::string_view head) {
    if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
    const size_t first = head.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return ContentKind::unknown;
    switch (head[first]) {
    case '<': return ContentKind::xml;
    case '{':
    case '[': return ContentKind::json;
    default: return ContentKind::unknown;
    }
}

const DocumentType& LanguageRegistry::type_of(std::string_view file_name) const {
    const std::string extension = extension_of(file_name);
    std::string canonical = "txt";
    for (const ExtensionGroup& g : groups_) {
        if (std::any_of(g.extensions.begin(), g.extensions.end(),
                        [&](const std::string& e) { return equal_ignoring_ascii_case(e, extension); })) {
            canonical = g.extensions.front();
            break;
        }
    }
    for (const DocumentType& t : types_)
        if (!t.extension.empty() && equal_ignoring_ascii_case(t.extension, canonical)) return t;
    return default_type();
}

const DocumentType& LanguageRegistry::type_of(std::string_view file_name,
                                              std::string_view head) const {
    const DocumentType& by_name = type_of(file_name);
    if (&by_name != &default_type()) return by_name;
    if (equal_ignoring_ascii_case(extension_of(file_name), "txt")) return by_name;
    const DocumentType* by_content = nullptr;
    switch (content_kind(head)) {
    case ContentKind::xml: by_content = find("XML"); break;
    case ContentKind::json: by_content = find("JSON"); break;
    case ContentKind::unknown: break;
    }
    return by_content ? *by_content : by_name;
}

void LanguageRegistry::attach_extensions(std::string_view display_name,
                                         std::initializer_list<std::string_view> extensions) {
    const DocumentType* type = find(display_name);
    ExtensionGroup* group = type ? group_of(*type) : nullptr;
    if (!group) return;
    for (std::string_view e : extensions)
        if (!is_canonical(e)) group->extensions.emplace_back(e);
}

std::string LanguageRegistry::file_filter() const {
    std::string filter = "All files (*.*)#*.*#";
    for (const ExtensionGroup& g : groups_) {
        std::string patterns;
        for (const std::string& e : g.extensions) {
            if (!patterns.empty()) patterns += ';';
            patterns += "*." + e;
        }
        filter += g.extensions.front() + " files(" + patterns + ")#" + patterns + "#";
    }
    return filter + "#";
}

bool LanguageRegistry::is_canonical(std::string_view extension) const {
    return std::any_of(types_.begin(), types_.end(), [&](const DocumentType& t) {
        return !t.extension.empty() && equal_ignoring_ascii_case(t.extension, extension);
    });
}

ExtensionGroup* LanguageRegistry::group_of(const DocumentType& type) {
    for (ExtensionGroup& g : groups_)
        if (!type.extension.empty() && g.extensions.front() == type.extension) return &g;
    return nullptr;
}

void LanguageRegistry::read_groups(ExtensionStore& store) {
    for (size_t i = 0; i < groups_.size(); ++i) {
        // Without a stored group the built-in extensions stay.
        std::optional<std::string> value = store.read(groups_[i].extensions.front());
        if (value) set_group_text(i, *value);
    }
}

std::string LanguageRegistry::group_text(size_t group) const {
    const std::vector<std::string>& extensions = groups_[group].extensions;
    std::string text;
    for (size_t i = 1; i < extensions.size(); ++i) {
        if (i > 1) text += ", ";
        text += extensions[i];
    }
    return text;
}

void LanguageRegistry::set_group_text(size_t group, std::string_view value) {
    ExtensionGroup& g = groups_[group];
    g.extensions.resize(1);
    std::string text;
    for (char c : value)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') text += c;
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        if (comma == std::string::npos) comma = text.size();
        std::string item = text.substr(at, comma - at);
        if (!item.empty() && !is_canonical(item)) g.extensions.push_back(item);
        at = comma + 1;
    }
}

void LanguageRegistry::write_groups(ExtensionStore& store) const {
    for (const ExtensionGroup& g : groups_) {
        std::string value;
        for (size_t i = 1; i < g.extensions.size(); ++i) value += g.extensions[i] + ",";
        store.write(g.extensions.front(), value);
    }
}

void LanguageRegistry::remap(std::string_view extension, const DocumentType& type) {
    for (ExtensionGroup& g : groups_) {
        // The canonical extension (first) stays; attached ones equal to extension go.
        for (size_t i = g.extensions.size(); i-- > 1;)
            if (equal_ignoring_ascii_case(g.extensions[i], extension))
                g.extensions.erase(g.extensions.begin() + i);
    }
    if (ExtensionGroup* g = group_of(type)) g->extensions.push_back(std::string(extension));
}

std::unique_ptr<DocumentTree> LanguageRegistry::parse(const DocumentType& type,
                                                      std::string_view text, Job* job,
                                                      bool diagnostics_only) const {
    if (!type.module) return nullptr;
    return type.module->parse(text, type.parse_flag | (diagnostics_only ? kParseDiagnosticsOnly : 0), job);
}

SelectLanguage::SelectLanguage(LanguageRegistry& registry, std::string file_name,
                               const DocumentType& current)
    : registry_(registry), file_name_(std::move(file_name)) {
    const auto& types = registry_.types();
    for (size_t i = 0; i < types.size(); ++i)
        if (&types[i] == &current) selected_ = i;
    select(selected_);
}

void SelectLanguage::select(size_t type_index) {
    if (type_index >= registry_.types().size()) return;
    selected_ = type_index;
    const std::string extension = LanguageRegistry::extension_of(file_name_);
    const DocumentType& chosen = registry_.types()[selected_];
    checked_ = &registry_.type_of(file_name_) == &chosen;
    enabled_ = !std::any_of(registry_.types().begin(), registry_.types().end(),
                            [&](const DocumentType& t) {
                                return !t.extension.empty() && equal_ignoring_ascii_case(t.extension, extension);
                            });
}

const DocumentType& SelectLanguage::confirm() {
    const DocumentType& chosen = registry_.types()[selected_];
    if (checked_ && enabled_) registry_.remap(LanguageRegistry::extension_of(file_name_), chosen);
    return chosen;
}

}  // namespace tessel
