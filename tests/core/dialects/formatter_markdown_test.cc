// The Markdown dialect held against a CommonMark renderer (not built for
// Windows: no CommonMark library there).
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/dialects/formatter.h"
#include "core/line/line_fields.h"
#include "tests/support/commonmark_text.h"

namespace quorlix {
namespace {

// A whole log line as the Markdown dialect writes it, no option set.
std::string ConvertToMarkdown(std::string_view line) {
  ConvertOptions options;
  options.dialect = Dialect::kMarkdown;
  LineFormatter formatter(options, {}, "Y:M:D");
  LineFields fields;
  SplitLineFields(line, fields);
  std::string out;
  EXPECT_TRUE(formatter.AppendFields(fields.channel_name, fields.timestamp_text, fields.person,
                                     fields.message, out));
  return out;
}

// Messages that a chat app's Markdown would turn into markup: the exact
// Markdown line written, and what a CommonMark renderer then shows (which
// the chat app shows too), with no markup at all.
TEST(LineFormatterTest, MarkdownShowsEveryMessageAsItsCharacters) {
  struct MarkdownCase {
    std::string person;  // empty: the message starts the line
    std::string message;
    std::string markdown;
    std::string shown;  // blanks at either end aside
  };
  const std::string stars(100000, '*');
  std::string escaped_stars;
  for (char c : stars) escaped_stars.append("\\").push_back(c);
  const MarkdownCase cases[] = {
      {"", "***", R"(\*\*\*)", "***"},
      {"", R"(\\\\)", R"(\\\\\\\\)", R"(\\\\)"},
      {"", "||||", R"(|\|\|\|)", "||||"},
      {"", "```", R"(\`\`\`)", "```"},
      {"", "~~~", R"(~\~\~)", "~~~"},
      {"", stars, escaped_stars, stars},
      {"", "# heading", R"(\# heading)", "# heading"},
      {"", "> quote", R"(\> quote)", "> quote"},
      {"", ">>> quote", R"(\>>> quote)", ">>> quote"},
      {"", "- item", R"(\- item)", "- item"},
      {"", "-# subtext", R"(\-\# subtext)", "-# subtext"},
      {"", "  + item", R"(  \+ item)", "+ item"},
      {"", "1. first", R"(1\. first)", "1. first"},
      {"", "2) second", R"(2\) second)", "2) second"},
      {"", "1.", R"(1\.)", "1."},
      {"", "===", R"(\===)", "==="},
      {"", "[ref]: /url", R"(\[ref]: /url)", "[ref]: /url"},
      // Only where a line starts do these need an escape.
      {"Bob", "# - > 1. [x]", R"(Bob: \# - > 1. [x])", "Bob: # - > 1. [x]"},
      {"", "2.1.2005 ~ 5 | 6", "2.1.2005 ~ 5 | 6", "2.1.2005 ~ 5 | 6"},
      {"", "@everyone @Here @EVERYONE @here", R"(\@everyone \@Here \@EVERYONE \@here)",
       "@everyone @Here @EVERYONE @here"},
      // Mention shapes are tags, deleted like every other; a "<" that ends
      // the message stays.
      {"Bob", "hi <@123> <#456> <:name:789> there", "Bob: hi    there", "Bob: hi    there"},
      {"Bob", "1 <", R"(Bob: 1 \<)", "Bob: 1 <"},
      {"", ":smile: :+1: 12:30:45 :100:", R"(:smile\: :+1\: 12:30:45 :100\:)",
       ":smile: :+1: 12:30:45 :100:"},
      {"", "[text](http://x)", R"(\[text]\(http:\//x))", "[text](http://x)"},
      {"Bob", "[text](http://x)", R"(Bob: [text]\(http:\//x))", "Bob: [text](http://x)"},
      {"Bob", "see http://x.org/a_b_c.htm", R"(Bob: see http:\//x.org/a\_b\_c.htm)",
       "Bob: see http://x.org/a_b_c.htm"},
      {"Bob", "__init__ *waves* ~~no~~ ||secret||",
       R"(Bob: \_\_init\_\_ \*waves\* ~\~no~\~ |\|secret|\|)",
       "Bob: __init__ *waves* ~~no~~ ||secret||"},
      {"Bob", "AT&amp;T &#169;", R"(Bob: AT&amp\;T &\#169;)", "Bob: AT&amp;T &#169;"},
      {"Bob", "`x` <b>bold</b> <font color=red>red</font>", R"(Bob: \`x\` bold red)",
       "Bob: `x` bold red"},
      // The person is text too; an emoji shape may end in the separator.
      {"_A*", "hi", R"(\_A\*: hi)", "_A*: hi"},
      {"x:b", "hi", R"(x:b\: hi)", "x:b: hi"},
      {"Bob", "", "Bob: ", "Bob:"},
  };
  for (const MarkdownCase& c : cases) {
    const std::string line = R"(["1","Chan",")" + c.person + R"(",0])" + c.message;
    const std::string markdown = ConvertToMarkdown(line);
    EXPECT_EQ(markdown, c.markdown) << c.message.substr(0, 40);
    const test::ShownMarkdown shown = test::ShowMarkdown(markdown);
    EXPECT_EQ(test::Trimmed(shown.text), test::Trimmed(c.shown)) << c.message.substr(0, 40);
    EXPECT_EQ(shown.markup, "") << c.message.substr(0, 40);
  }
}

}  // namespace
}  // namespace quorlix
