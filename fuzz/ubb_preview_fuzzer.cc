// Fuzz target: the post preview's UBB to Html. Whatever the text, the Html
// holds only the markup the preview makes, with every element closed in
// order, no more than two deeper than the tags' nesting cap (the whole
// text's <div>, and a quotation's heading or a <div> after a block inside
// it), and every attribute value free of
// quotes and angle brackets; every "&" starts one of the four escapes; and
// a text without "[" comes out as itself, escaped.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/preview/ubb_preview.h"
#include "fuzz/check.h"

namespace {

using quorlix::UbbToHtml;

bool IsValueByte(char c) { return c != '"' && c != '<' && c != '>'; }

// The length of the element starting at html[at] (a '<'), checked against
// the forms the preview writes; its name goes to `name` ("/b" for "</b>").
std::size_t CheckedElement(std::string_view html, std::size_t at, std::string& name) {
  const std::size_t end = html.find('>', at);
  QUORLIX_CHECK(end != std::string_view::npos);
  const std::string_view element = html.substr(at + 1, end - at - 1);
  const std::size_t space = element.find(' ');
  name = std::string(element.substr(0, space));
  static const std::string_view kBare[] = {
      "b",     "/b", "i",          "/i",          "u",   "/u",   "s",   "/s",  "/font",
      "/span", "/a", "blockquote", "/blockquote", "pre", "/pre", "div", "/div"};
  static const std::string_view kWithValue[] = {"div style=\"", "font color=\"", "font size=\"",
                                                "span style=\"font-size:", "a href=\""};
  bool known = false;
  for (std::string_view bare : kBare) known = known || element == bare;
  for (std::string_view prefix : kWithValue) {
    if (element.starts_with(prefix) && element.size() > prefix.size() && element.back() == '"') {
      const std::string_view value =
          element.substr(prefix.size(), element.size() - prefix.size() - 1);
      bool clean = true;
      for (char c : value) clean = clean && IsValueByte(c);
      known = known || clean;
    }
  }
  QUORLIX_CHECK(known);
  return end - at + 1;
}

void CheckMarkup(std::string_view html) {
  std::vector<std::string> open;
  std::string name;
  for (std::size_t i = 0; i < html.size();) {
    if (html[i] == '&') {
      const std::string_view rest = html.substr(i);
      QUORLIX_CHECK(rest.starts_with("&amp;") || rest.starts_with("&lt;") ||
                    rest.starts_with("&gt;") || rest.starts_with("&quot;"));
    }
    QUORLIX_CHECK(html[i] != '>' && html[i] != '"');  // outside elements: escaped
    if (html[i] != '<') {
      ++i;
      continue;
    }
    i += CheckedElement(html, i, name);
    if (name[0] != '/') {
      open.push_back(name);
      QUORLIX_CHECK(open.size() <= quorlix::kMaxTagDepth + 2);
    } else {
      QUORLIX_CHECK(!open.empty() && open.back() == name.substr(1));
      open.pop_back();
    }
  }
  QUORLIX_CHECK(open.empty());
}

std::string Escaped(std::string_view text) {
  std::string out(quorlix::kUbbHtmlStart);
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r': break;
      default: out += c;
    }
  }
  return out += quorlix::kUbbHtmlEnd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view ubb(reinterpret_cast<const char*>(data), size);
  const std::string html = UbbToHtml(ubb);
  CheckMarkup(html);
  QUORLIX_CHECK(html.starts_with(quorlix::kUbbHtmlStart) && html.ends_with(quorlix::kUbbHtmlEnd));
  if (ubb.find('[') == std::string_view::npos) QUORLIX_CHECK(html == Escaped(ubb));
  return 0;
}
