#include "tests/support/commonmark_text.h"

#include <cmark.h>

namespace quorlix::test {
namespace {

// Adds what `node`'s children show to `shown`.
void Describe(cmark_node* node, ShownMarkdown& shown) {
  for (cmark_node* child = cmark_node_first_child(node); child != nullptr;
       child = cmark_node_next(child)) {
    const cmark_node_type type = cmark_node_get_type(child);
    const std::size_t from = shown.text.size();
    switch (type) {
      case CMARK_NODE_PARAGRAPH:
        if (child != cmark_node_first_child(node)) shown.markup += "paragraph ";
        Describe(child, shown);
        break;
      case CMARK_NODE_TEXT: shown.text += cmark_node_get_literal(child); break;
      case CMARK_NODE_SOFTBREAK: shown.text += '\n'; break;
      case CMARK_NODE_STRONG:
      case CMARK_NODE_EMPH:
      case CMARK_NODE_LINK: {
        const std::size_t at = shown.markup.size();
        Describe(child, shown);
        shown.markup.insert(at, std::string(cmark_node_get_type_string(child)) + "(" +
                                    shown.text.substr(from) + ") ");
        break;
      }
      default:
        shown.markup += std::string(cmark_node_get_type_string(child)) + " ";
        if (const char* literal = cmark_node_get_literal(child)) shown.text += literal;
        Describe(child, shown);
    }
  }
}

}  // namespace

ShownMarkdown ShowMarkdown(std::string_view markdown) {
  cmark_node* document = cmark_parse_document(markdown.data(), markdown.size(), CMARK_OPT_DEFAULT);
  ShownMarkdown shown;
  Describe(document, shown);
  cmark_node_free(document);
  if (!shown.markup.empty()) shown.markup.pop_back();
  return shown;
}

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

}  // namespace quorlix::test
