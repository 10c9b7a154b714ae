// The general entities that a DOCTYPE's internal subset declares, and the checks of every
// entity and character reference of the document against them: a character reference names a
// character; an entity is declared, parsed, internal where an attribute value uses it, refers
// to itself through no chain of references, and has a replacement text that is well-formed
// where it is used.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "text/text_pos.h"

namespace tessel {

class ParseMessages;

struct EntityDeclaration {
    std::string_view name;
    std::string_view literal;    // an internal entity's value without its quotes
    TextPos literal_first = -1;  // where that value begins in the text
    bool external = false;       // SYSTEM or PUBLIC
    bool unparsed = false;       // external with NDATA
};

class EntityReferences {
public:
    EntityReferences(std::string_view text, ParseMessages& messages)
        : text_(text), messages_(messages) {}

    // The first declaration of a name binds it; later ones are ignored.
    void declare(const EntityDeclaration& d) { entities_.try_emplace(d.name, Entity{d, {}}); }
    // Declarations may lie out of sight (an external subset, parameter-entity references):
    // then a reference to an undeclared entity is no well-formedness error, unless the
    // document says it is standalone.
    void set_declarations_out_of_sight() { out_of_sight_ = true; }
    void set_standalone() { standalone_ = true; }

    // The length of the reference that begins with the "&" at text[at] and ends before `end`
    // ("&name;", "&#n;", "&#xh;"), or 0 when that "&" begins none.
    size_t reference_length(size_t at, size_t end) const;
    // Checks the reference of `length` bytes at `at`, used in content or in an attribute
    // value; a problem is an error at `at` whose "Location" is the text from `from` to it.
    void check(size_t at, size_t length, bool in_attribute, TextPos from);

    // Nesting of entity references beyond this depth is an error, as it is for other XML
    // processors; it also bounds the checker's recursion.
    static constexpr int kMaxDepth = 40;

private:
    // What is wrong with an entity where it is used, and the span of the text at fault.
    struct Problem {
        const char* what = nullptr;
        TextPos first = 0, last = -1;
    };
    enum Mark : uint8_t { unchecked, checking, checked };
    struct Verdict {
        Mark mark = unchecked;
        Problem problem;
    };
    struct Entity {
        EntityDeclaration declaration;
        Verdict verdict[2];  // used in content, in an attribute value
    };

    bool strict() const { return standalone_ || !out_of_sight_; }
    // A problem of the reference to `name` (spanning first..last) from inside an entity.
    Problem reference_problem(std::string_view name, TextPos first, TextPos last, bool in_attribute,
                              int depth);
    Problem entity_problem(Entity& e, bool in_attribute, int depth);
    Problem replacement_problem(const Entity& e, bool in_attribute, int depth);

    std::string_view text_;
    ParseMessages& messages_;
    std::unordered_map<std::string_view, Entity> entities_;
    bool out_of_sight_ = false;
    bool standalone_ = false;
};

}  // namespace tessel
