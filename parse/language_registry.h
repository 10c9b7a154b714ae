// The document types a file can be parsed as (XML, DTD, JSON, Plain Text), the extensions
// that lead to each, the file dialogs' filter, and the parse of a text by its type.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class DocumentTree;
class Job;
class LexicalAutomaton;

// Parses a text snapshot of one type; null when the type has no tree.
using ParseFunction =
    std::function<std::unique_ptr<DocumentTree>(std::string_view text, int flag, Job* job)>;

// A language registers its document types and parses them.
class LanguageModule {
public:
    virtual ~LanguageModule() = default;
    virtual const char* name() const = 0;
    virtual std::unique_ptr<DocumentTree> parse(std::string_view text, int flag, Job* job) = 0;
};

// Added to a type's parse flag: the caller reads the diagnostics and nothing else of the
// tree, which then need not hold the document's records.
constexpr int kParseDiagnosticsOnly = 0x100;

struct DocumentType {
    std::string extension;             // canonical, "" for Plain Text
    std::string display_name;          // "XML", "DTD", "JSON", "Plain Text"
    int parse_flag = 0;                // passed to the module's parse (1: a DTD document)
    LanguageModule* module = nullptr;  // null: no parse, no tree
    bool xml_commands = false;         // the XML editing commands apply
    // Colours the editor's lines; shared by every document of the type, and stateless. Null:
    // none but the control characters and bad bytes.
    LexicalAutomaton* automaton = nullptr;
};

// The canonical extension of a type, then the further extensions the user attached to it.
struct ExtensionGroup {
    std::vector<std::string> extensions;
};

// Where the groups are kept: under the settings key "File Extensions", one text value per
// type named by its canonical extension.
class ExtensionStore {
public:
    virtual ~ExtensionStore() = default;
    virtual std::optional<std::string> read(std::string_view name) = 0;
    virtual void write(std::string_view name, std::string_view value) = 0;
};

// What a text's first bytes show it to be, for a file whose extension no type claims: after
// an optional UTF-8 byte-order mark and blanks (space, tab, CR, LF), "<" is XML (its
// declaration, a comment, a DOCTYPE or the root element), "{" or "[" is JSON; anything else,
// or nothing, is neither.
enum class ContentKind { unknown, xml, json };
ContentKind content_kind(std::string_view head);

class LanguageRegistry {
public:
    static constexpr const char* kSettingsKey = "File Extensions";

    // Types in registration order; "Plain Text" is the default and is registered last.
    void add_type(DocumentType type);
    const std::vector<DocumentType>& types() const { return types_; }
    const std::vector<ExtensionGroup>& groups() const { return groups_; }
    // The type by display name, or null.
    const DocumentType* find(std::string_view display_name) const;
    const DocumentType& default_type() const;

    // The type of a file name: its extension (the text after the last ".", or the whole
    // name), the first group that lists it, that group's type; "Plain Text" otherwise.
    const DocumentType& type_of(std::string_view file_name) const;
    // The same, and when no group lists the extension (and it is not "txt", which is Plain
    // Text's), the type the text's first bytes show (content_kind): XML, JSON, else Plain
    // Text. head is the start of the text, a few kilobytes are plenty.
    const DocumentType& type_of(std::string_view file_name, std::string_view head) const;
    // Attaches further extensions to the group of the type with this display name, as if the
    // user had; a stored group read later replaces them.
    void attach_extensions(std::string_view display_name,
                           std::initializer_list<std::string_view> extensions);
    static std::string extension_of(std::string_view file_name);

    // "All files (*.*)#*.*#" then "xml files(*.xml;*.xsd)#*.xml;*.xsd#" per group, then "#".
    std::string file_filter() const;

    // Reads the further extensions of each group ("xsd,xsl,"; blanks dropped, canonical
    // extensions of any type ignored) and writes them back.
    void read_groups(ExtensionStore& store);
    void write_groups(ExtensionStore& store) const;
    // A group's further extensions as the user edits them ("xsd, xsl"), and setting them from
    // such a text by the same rules as read_groups.
    std::string group_text(size_t group) const;
    void set_group_text(size_t group, std::string_view text);
    // Moves an extension into the group of a type (out of every other group).
    void remap(std::string_view extension, const DocumentType& type);

    // The tree of a text parsed as type; null for a type without a parser. With
    // diagnostics_only, the tree need hold no more than the diagnostics (a check).
    std::unique_ptr<DocumentTree> parse(const DocumentType& type, std::string_view text,
                                        Job* job, bool diagnostics_only = false) const;

private:
    ExtensionGroup* group_of(const DocumentType& type);
    bool is_canonical(std::string_view extension) const;

    std::vector<DocumentType> types_;
    std::vector<ExtensionGroup> groups_;  // one per type with a canonical extension, in order
};

// The "Select Language" dialog's rules: which type is chosen, and the check box "Do the same
// for all files of same extension" — checked when the file's extension already maps to the
// chosen type, enabled only when the extension is not itself a canonical one.
class SelectLanguage {
public:
    SelectLanguage(LanguageRegistry& registry, std::string file_name, const DocumentType& current);
    void select(size_t type_index);
    size_t selected() const { return selected_; }
    bool same_for_extension() const { return checked_; }
    bool check_box_enabled() const { return enabled_; }
    void set_same_for_extension(bool on) {
        if (enabled_) checked_ = on;
    }
    // "Ok": remaps the extension when asked (the caller writes the groups back and issues
    // "apply_language") and returns the type the document now has.
    const DocumentType& confirm();

private:
    LanguageRegistry& registry_;
    std::string file_name_;
    size_t selected_ = 0;
    bool checked_ = false;
    bool enabled_ = false;
};

}  // namespace tessel
