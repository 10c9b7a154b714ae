// tessel-cli set: changes values in a document as a cell edit does, writing exactly the bytes
// of each value and leaving every other byte as it was.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "file/file_writer.h"
#include "parse/cell_write.h"
#include "parse/path_expression.h"
#include "parse/xml_nodes.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli set FILE [-o OUT] [--type xml|dtd|json] EDIT...\n"
    "Changes values in FILE as editing a cell in the window does: each value is written\n"
    "between the bytes it replaces and every other byte of the file stays as it was. An EDIT\n"
    "is PATH@NAME=VALUE (the value of attribute NAME of the element at PATH) or PATH=VALUE\n"
    "(the text of the element at PATH, or the JSON value there). PATH names a node as for\n"
    "grid --path. The edits are made in order; the file is written, in its own encoding, only\n"
    "when every one succeeded: safely in place, or to OUT with -o. Values go in as typed,\n"
    "except that an \"&\" that begins no reference is written \"&amp;\", a \"<\" in an attribute\n"
    "value \"&lt;\", and in a JSON string a backslash that begins no escape \"\\\\\" and a\n"
    "control character its escape. A value the node refuses (quotes in an attribute value,\n"
    "\"<\" in element text, \"]]>\" in CDATA, a JSON number that is not one) is reported with\n"
    "exit status 1, as is a path that names nothing; the file is then not touched.\n"
    "Examples:\n"
    "  tessel-cli set catalog.xml 'catalog/item(2)@price=9.50'\n"
    "  tessel-cli set catalog.xml -o new.xml 'catalog/item(2)/title=Kettle & Sons'\n"
    "  tessel-cli set config.json '[1]/port=8080' '[1]/name=main'\n";

struct Edit {
    std::string_view path;
    std::string_view attribute;  // empty: the node's own value
    std::string_view value;
    bool has_attribute = false;
};

bool split_edit(std::string_view text, Edit& edit) {
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return false;
    std::string_view left = text.substr(0, equals);
    edit.value = text.substr(equals + 1);
    if (const size_t at = left.rfind('@'); at != std::string_view::npos) {
        edit.attribute = left.substr(at + 1);
        edit.has_attribute = true;
        left = left.substr(0, at);
        if (edit.attribute.empty()) return false;
    }
    edit.path = left;
    return true;
}

// The attribute of element node named name, or null.
Node* attribute_named(Node& node, std::string_view name) {
    for (int32_t i = 0;; ++i) {
        Node* child = node.child(i);
        if (!child) return nullptr;
        if (auto* attribute = dynamic_cast<AttributeNode*>(child); attribute && attribute->name() == name)
            return attribute;
    }
}

}  // namespace

int run_set(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {"-o", "--type"}, {});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (a.error.empty() && a.operands.size() < 2) a.error = "give a file and at least one edit";
    std::vector<Edit> edits;
    for (size_t i = 1; a.error.empty() && i < a.operands.size(); ++i) {
        Edit edit;
        if (!split_edit(a.operands[i], edit))
            a.error = "an edit is PATH@NAME=VALUE or PATH=VALUE: " + std::string(a.operands[i]);
        edits.push_back(edit);
    }
    if (!a.error.empty()) {
        std::fprintf(stderr, "tessel-cli set: %s\n", a.error.c_str());
        return 2;
    }
    const std::string path(a.operands[0]);
    std::string text, error;
    EncodingId encoding = kEncodingUtf8;
    if (!read_file(path, text, error, &encoding)) {
        std::fprintf(stderr, "tessel-cli set: cannot read %s: %s\n", path.c_str(), error.c_str());
        return 2;
    }
    auto tree = parse_file("set", path, text, option(a, "--type"));
    if (!tree) return 2;
    if (!has_document("set", path, text, *tree)) return 1;
    // As in the window: the offsets of a tree with errors cannot be trusted.
    if (tree->diagnostics().error_count() > 0) {
        const Diagnostic* first = tree->diagnostics().at(tree->diagnostics().first_error());
        const auto [line, column] = LineColumns(text).at(first->position());
        std::fprintf(stderr, "tessel-cli set: %s:%d:%d: error: %s; nothing written\n", path.c_str(),
                     line, column, one_line(std::string(first->message())).c_str());
        return 1;
    }

    // The tree reads its values from `text` (a JSON tree borrows it): the edits go to a copy.
    std::string changed = text;
    StringSplicer splicer(changed);
    for (const Edit& edit : edits) {
        const std::string where(edit.path);
        PathResult found = resolve_path(edit.path, *tree->root());
        if (!found.ok) {
            std::fprintf(stderr, "tessel-cli set: %s: %s; nothing written\n", where.c_str(), found.error);
            return 1;
        }
        Node* node = found.node;
        if (edit.has_attribute) {
            node = attribute_named(*found.node, edit.attribute);
            if (!node) {
                std::fprintf(stderr, "tessel-cli set: %s: no attribute %.*s; nothing written\n",
                             where.c_str(), static_cast<int>(edit.attribute.size()), edit.attribute.data());
                return 1;
            }
        }
        const CellWrite result = write_cell(*tree, *node, edit.value, kQueryValue4, splicer);
        if (result.refusal) {
            std::fprintf(stderr, "tessel-cli set: %s: %s; nothing written\n", where.c_str(),
                         one_line(result.refusal).c_str());
            return 1;
        }
        if (result.failed || result.replacements == 0) {
            std::fprintf(stderr, "tessel-cli set: %s: this node has no value to set; nothing written\n",
                         where.c_str());
            return 1;
        }
    }

    remove_temporary_files_on_signals();
    const std::string out_path = option(a, "-o") ? std::string(*option(a, "-o")) : path;
    if (!write_file(out_path, encoding, changed, error)) {
        std::fprintf(stderr, "tessel-cli set: %s\n", one_line_message(error).c_str());
        return 2;
    }
    return 0;
}

}  // namespace tessel::cli
