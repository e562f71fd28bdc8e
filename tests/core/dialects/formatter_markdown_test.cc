// The Markdown dialect held against a CommonMark renderer (not built for
// Windows: no CommonMark library there).
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/dialects/formatter.h"
#include "core/dialects/markdown_cut.h"
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
      // A "<" that starts no tag (as the web page reads tags) is text:
      // mention shapes, hearts, comparisons, one that ends the message.
      {"Bob", "hi <@123> <#456> <:name:789> there",
       R"(Bob: hi \<\@123> \<\#456> \<:name\:789> there)",
       "Bob: hi <@123> <#456> <:name:789> there"},
      {"Bob", "1 <", R"(Bob: 1 \<)", "Bob: 1 <"},
      {"Bob", "I <3 you", R"(Bob: I \<3 you)", "Bob: I <3 you"},
      {"Bob", "if a < b and c > d", R"(Bob: if a \< b and c > d)", "Bob: if a < b and c > d"},
      {"Bob", "see you 1 < 2 > 0 <b <i>x", R"(Bob: see you 1 \< 2 > 0 x)",
       "Bob: see you 1 < 2 > 0 x"},
      {"Bob", "<a href='x'>link</a> <a href no end", R"(Bob: link \<a href no end)",
       "Bob: link <a href no end"},
      // What a parser drops or takes for a blank still leaves a line's start.
      {"", "\f> quote", "\f\\> quote", "\f> quote"},
      {"", "\v- item", "\v\\- item", "\v- item"},
      {"", "123456789. x", R"(123456789\. x)", "123456789. x"},
      {"", "1234567890. x", "1234567890. x", "1234567890. x"},
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

// Lines longer than a chat post, cut into lines that each fit: at a space
// where one fits, never inside an escape, bold or a UTF-8 character; a
// piece that would start markup gets an escape.
TEST(LineFormatterTest, MarkdownLinesOverTheLimitAreCutIntoPiecesThatFit) {
  struct PieceCase {
    std::string line;
    std::uint64_t limit;  // each piece counted with its CR LF
    std::vector<std::string> pieces;
  };
  const PieceCase cases[] = {
      {"Bob: one two three", 0, {"Bob: one two three"}},
      {"abc", 5, {"abc"}},
      {"Bob: one two three", 12, {"Bob: one ", "two three"}},
      {"abcdefgh", 5, {"abc", "def", "gh"}},
      {R"(a\*\*b)", 5, {R"(a\*)", R"(\*b)"}},
      {R"(x **\[C]** y)", 7, {"x ", R"(**\[C]**)", " y"}},
      {"a - b", 5, {"a ", R"(\- )", "b"}},
      {"x 12. y", 7, {"x ", R"(12\. )", "y"}},
      {"a\xc3\xa9\xc3\xa9", 4, {"a", "\xc3\xa9", "\xc3\xa9"}},
  };
  for (const PieceCase& c : cases) {
    SCOPED_TRACE(c.line + " / " + std::to_string(c.limit));
    struct : OutputSink {
      void AppendLine(std::string_view line) override { lines.emplace_back(line); }
      std::vector<std::string> lines;
    } sink;
    AppendMarkdownPieces(c.line, c.limit, sink);
    EXPECT_EQ(sink.lines, c.pieces);
  }
}

}  // namespace
}  // namespace quorlix
