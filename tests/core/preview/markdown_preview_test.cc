#include "core/preview/markdown_preview.h"

#include <gtest/gtest.h>

#include <string>

#include "core/dialects/formatter.h"

namespace quorlix {
namespace {

TEST(MarkdownPreview, FormTable) {
  struct Case {
    std::string_view markdown;
    std::string_view html;
  } cases[] = {
      {"plain", "plain"},
      {"**[Clan]** Bob:  - *link removed* - hi", "<b>[Clan]</b> Bob:  - <i>link removed</i> - hi"},
      {"Created using [The Quorlix](https://q.example/?a=1&b=2)",
       "Created using <a href=\"https://q.example/?a=1&amp;b=2\">The Quorlix</a>"},
      {R"(\*\*x\*\* \_ \\ \a 1\. \[t]\(u))", R"(**x** _ \ \a 1. [t](u))"},
      {"a <b>&\"c\"</b>", "a &lt;b&gt;&amp;&quot;c&quot;&lt;/b&gt;"},
      // Without a partner on its line, or not a web address: text.
      {"**open\nclose**", "**open<br>\nclose**"},
      {"*a **b", "*a **b"},
      {"[x](javascript:alert(1)) [y](http://a b)", "[x](javascript:alert(1)) [y](http://a b)"},
      {"[[[[x](http://u)", "[[[<a href=\"http://u\">x</a>"},
      {"a\r\nb", "a<br>\nb"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MarkdownToHtml(c.markdown), c.html) << c.markdown;
}

// What the converter writes for a message full of markup characters shows
// as those characters: escaped Html, and no tag but the bold channel.
TEST(MarkdownPreview, ConvertedMessagesShowTheirCharacters) {
  ConvertOptions options;
  options.dialect = Dialect::kMarkdown;
  options.show_channel = true;
  LineFormatter formatter(options, {}, "");
  const std::string messages[] = {
      "**bold** *it* __u__ ~~s~~ ||sp|| `c` [t](http://x) \\*",
      "# h > q - l 1. n @everyone :smile:",
      "a < b",
  };
  for (const std::string& message : messages) {
    std::string line;
    ASSERT_TRUE(formatter.AppendFields("Chan", "0", "Bob", message, line));
    const std::string text = "[Chan] Bob: " + message;
    std::string html;
    for (char c : text) {
      html += c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    html.replace(0, 6, "<b>[Chan]</b>");
    EXPECT_EQ(MarkdownToHtml(line), html) << line;
  }
}

TEST(MarkdownPreview, ManyUnpairedMarksTakeLinearTime) {
  const std::string stars = "**" + std::string(200000, '*');
  EXPECT_EQ(MarkdownToHtml(stars).substr(0, 10), "<b></b><b>");
  std::string brackets(200000, '[');
  brackets += "](" + std::string(100000, 'a') + ")";
  EXPECT_EQ(MarkdownToHtml(brackets), brackets);
}

}  // namespace
}  // namespace quorlix
