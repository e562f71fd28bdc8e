#include "core/dialects/formatter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>

#include "core/line/line_fields.h"
#include "core/text/error.h"

namespace quorlix {
namespace {

// The three sample lines, all at 2005-01-02 03:04:05 UTC.
constexpr std::string_view kLineA =
    R"(["1","Clan","Bob",1104635045]Hi <font color='#ff0000'>red</font> and )"
    R"(<a href='page.htm'>here</a> [b]ok[/b])";
constexpr std::string_view kLineB = R"(["2","Vicinity","",1104635045]You gain 5 XP.)";
constexpr std::string_view kLineC =
    R"(["1","Clan","Ann",1104635045]x <font color=#00ff00>green and )"
    R"(<font color=red>red</font> y)";

const std::vector<std::string> kColors = {"Org=00ff00", "Clan=ff8000"};

struct Options {
  bool channel = false, colors = false, time = false, links = false, strip = false;
};

// A whole log line through the formatter, split as the converter splits
// it. False, and `out` untouched, when the dialect has no output.
bool ConvertLine(LineFormatter& formatter, std::string_view line, std::string& out) {
  LineFields fields;
  SplitLineFields(line, fields);
  std::string converted;
  if (!formatter.AppendFields(fields.channel_name, fields.timestamp_text, fields.person,
                              fields.message, converted)) {
    return false;
  }
  out = std::move(converted);
  return true;
}

// The prefix alone: the line of an empty message, without Html's "<br>".
std::string Prefix(LineFormatter& formatter, std::string_view channel, std::string_view timestamp,
                   std::string_view person) {
  std::string line;
  formatter.AppendFields(channel, timestamp, person, "", line);
  if (line.ends_with("<br>")) line.resize(line.size() - 4);
  return line;
}

ConvertOptions Make(Dialect dialect, Options o) {
  ConvertOptions options;
  options.dialect = dialect;
  options.show_channel = o.channel;
  options.channel_colors = o.colors;
  options.show_time = o.time;
  options.mark_links = o.links;
  options.delete_tags = o.strip;
  return options;
}

std::string Convert(std::string_view line, Dialect dialect, Options o,
                    std::vector<std::string> colors = kColors, std::string pattern = "Y:M:D") {
  LineFormatter formatter(Make(dialect, o), colors, std::move(pattern));
  std::string out = "stale";
  EXPECT_TRUE(ConvertLine(formatter, line, out));
  return out;
}

struct Case {
  const char* name;
  std::string_view line;
  Dialect dialect;
  Options options;
  std::string pattern;
  std::string expected;
};

// Names the case in test listings, in place of its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SampleLines : public testing::TestWithParam<Case> {};

TEST_P(SampleLines, GivesTheExpectedLineForTheDialectAndOptions) {
  const Case& c = GetParam();
  EXPECT_EQ(Convert(c.line, c.dialect, c.options, kColors, c.pattern), c.expected);
}

const Options kNone;
const Options kAllUbb{.channel = true, .colors = true, .time = true, .links = true};
const Options kAllButColors{.channel = true, .time = true, .links = true};
const Options kStrip{.channel = true, .strip = true};

INSTANTIATE_TEST_SUITE_P(
    Formatter, SampleLines,
    testing::Values(
        Case{"A_Ubb", kLineA, Dialect::kUbb, kNone, "Y:M:D",
             "Bob: Hi [color=#ff0000]red[/color] and here [b]ok[/b]"},
        Case{"A_Html", kLineA, Dialect::kHtml, kNone, "Y:M:D",
             "Bob: Hi <font color=#ff0000>red</font> and here <b>ok</b><br>"},
        Case{"A_UbbAll", kLineA, Dialect::kUbb, kAllUbb, "Y:M:D",
             "[color=#ff8000][b][Clan][/b][/color] 2005:1:2 Bob:  - [i]link removed[/i] - Hi "
             "[color=#ff0000]red[/color] and here [b]ok[/b]"},
        Case{"A_HtmlAllButColors", kLineA, Dialect::kHtml, kAllButColors, "Y:M:D",
             "<b>[Clan]</b> 2005:1:2 Bob:  - <i>link removed</i> - Hi <font "
             "color=#ff0000>red</font> and here <b>ok</b><br>"},
        Case{"A_HtmlAll", kLineA, Dialect::kHtml, kAllUbb, "Y:M:D",
             "<font color=\"#ff8000\"><b>[Clan]</b></font> 2005:1:2 Bob:  - <i>link removed</i> "
             "- Hi <font color=#ff0000>red</font> and here <b>ok</b><br>"},
        Case{"A_UbbStrip", kLineA, Dialect::kUbb, kStrip, "Y:M:D",
             "[b][Clan][/b] Bob: Hi red and here [b]ok[/b]"},
        Case{"A_HtmlStrip", kLineA, Dialect::kHtml, kStrip, "Y:M:D",
             "<b>[Clan]</b> Bob: Hi red and here <b>ok</b><br>"},
        Case{"B_Ubb", kLineB, Dialect::kUbb, kNone, "Y:M:D", "You gain 5 XP."},
        Case{"B_Html", kLineB, Dialect::kHtml, kNone, "Y:M:D", "You gain 5 XP.<br>"},
        Case{"B_UbbTimePattern", kLineB, Dialect::kUbb, Options{.time = true}, "D.M.Y h:m:s",
             "2.1.2005 3:4:5 : You gain 5 XP."},
        Case{"B_EmptyPattern", kLineB, Dialect::kUbb, Options{.time = true}, "",
             " : You gain 5 XP."},
        Case{"B_CaseSensitiveLetters", kLineB, Dialect::kUbb, Options{.time = true}, "yYdDHhSs",
             "y2005d2H3S5 : You gain 5 XP."},
        // No colours; tags deleted, the game's square brackets kept.
        Case{"A_MarkdownAll", kLineA, Dialect::kMarkdown, kAllUbb, "Y:M:D",
             "**[Clan]** 2005:1:2 Bob:  - *link removed* - Hi red and here [b]ok[/b]"},
        Case{"B_MarkdownListLikePattern", kLineB, Dialect::kMarkdown, Options{.time = true},
             "D. M. Y", "2\\. 1. 2005 : You gain 5 XP."},
        Case{"C_Markdown", kLineC, Dialect::kMarkdown, Options{.strip = false}, "Y:M:D",
             "Ann: x green and red y"},
        Case{"C_Ubb", kLineC, Dialect::kUbb, kNone, "Y:M:D",
             "Ann: x [color=#00ff00]green and [/color][color=red]red[/color] y"},
        Case{"C_Html", kLineC, Dialect::kHtml, kNone, "Y:M:D",
             "Ann: x <font color=#00ff00>green and </font><font color=red>red</font> y<br>"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Message edges, each converted without a prefix (empty person).
struct MessageCase {
  std::string message;
  Dialect dialect;
  Options options;
  std::string expected;
};

TEST(LineFormatterTest, MessageEdges) {
  const MessageCase cases[] = {
      // Upper-case "<A HREF" is no link; "</A>" still goes.
      {"see <A HREF='x'>it</A>", Dialect::kUbb, kNone, "see [A HREF='x]it"},
      // Several links: one marker, at the very start.
      {"a <a href=1>x</a> b <a href=2>y</a>", Dialect::kUbb, Options{.links = true},
       " - [i]link removed[/i] - a x b y"},
      // A message ending in its only "<a href" keeps its text.
      {"look <a href", Dialect::kUbb, kNone, "look "},
      {"look <a href", Dialect::kUbb, Options{.links = true}, " - [i]link removed[/i] - look "},
      {"<a href", Dialect::kHtml, Options{.links = true}, " - <i>link removed</i> - <br>"},
      // A "<" without ">" takes the rest of the text with it.
      {"a < b", Dialect::kUbb, Options{.strip = true}, "a "},
      // A last-character "<" keeps the text in both tag modes.
      {"a <", Dialect::kUbb, Options{.strip = true}, "a ["},
      {"a <", Dialect::kUbb, kNone, "a ["},
      {"a <", Dialect::kHtml, kNone, "a <<br>"},
      // Html turns the message's square brackets into angle brackets, also
      // when tags are deleted.
      {"[b]x[/b] <i>y</i>", Dialect::kHtml, Options{.strip = true}, "<b>x</b> y<br>"},
      // Replacements ignore letter case and run in order.
      {"<FONT COLOR='#AbC'>x</FONT><BR>", Dialect::kUbb, kNone, "[color=#AbC]x[/color]"},
      // Font tags are found case-sensitively: "<Font" is not closed.
      {"<Font color=red>x", Dialect::kHtml, kNone, "<Font color=red>x<br>"},
      // A replacement can create a match for a later one.
      {"<</a>br>", Dialect::kUbb, kNone, ""},
      {"'</a>#", Dialect::kHtml, kNone, "#<br>"},
      // Markup found in the last, partial block of a longer message.
      {"0123456789abcdef>", Dialect::kUbb, kNone, "0123456789abcdef]"},
      {"0123456789abcdef0123456789abcdef012345[", Dialect::kHtml, kNone,
       "0123456789abcdef0123456789abcdef012345<<br>"},
      {"0123456789abcdef0123456789abcdef", Dialect::kUbb, kNone,
       "0123456789abcdef0123456789abcdef"},
      {"", Dialect::kUbb, kNone, ""},
      {"", Dialect::kHtml, kNone, "<br>"},
  };
  for (const MessageCase& c : cases) {
    const std::string line = R"(["1","Chan","",0])" + c.message;
    EXPECT_EQ(Convert(line, c.dialect, c.options), c.expected) << c.message;
  }
}

TEST(LineFormatterTest, ChannelColorMatchesOnceAnywhereInTheDefinition) {
  struct ColorCase {
    std::vector<std::string> definitions;
    std::string channel;
    std::string expected_prefix;
  };
  const ColorCase cases[] = {
      {{"Org=00ff00", "Clan=ff8000"}, "CLAN", "[color=#ff8000][b][CLAN][/b][/color] "},
      // Found in the value part, or inside a longer key.
      {{"x=ab12", "y=00"}, "AB", "[color=#ab12][b][AB][/b][/color] "},
      {{"OrgClan=123456"}, "clan", "[color=#123456][b][clan][/b][/color] "},
      // Twice in one line does not match; the next line may.
      {{"clan=clan", "Clan=0000ff"}, "Clan", "[color=#0000ff][b][Clan][/b][/color] "},
      // A matching line without "=" ends the search with no colour.
      {{"Clan", "Clan=0000ff"}, "Clan", "[b][Clan][/b] "},
      {{}, "Clan", "[b][Clan][/b] "},
      // An empty channel name occurs nowhere.
      {{"=ff0000"}, "", "[b][][/b] "},
  };
  for (const ColorCase& c : cases) {
    LineFormatter formatter(Make(Dialect::kUbb, Options{.channel = true, .colors = true}),
                            c.definitions, "Y:M:D");
    // Twice: the second answer comes from the per-channel cache.
    EXPECT_EQ(Prefix(formatter, c.channel, "0", ""), c.expected_prefix + ": ");
    EXPECT_EQ(Prefix(formatter, c.channel, "0", ""), c.expected_prefix + ": ");
  }
  // Without "Use Colors" the definitions are not consulted.
  LineFormatter plain(Make(Dialect::kHtml, Options{.channel = true}), kColors, "");
  EXPECT_EQ(Prefix(plain, "Clan", "0", "Bob"), "<b>[Clan]</b> Bob: ");
}

TEST(LineFormatterTest, PrefixSeparator) {
  LineFormatter none(Make(Dialect::kUbb, kNone), {}, "Y");
  EXPECT_EQ(Prefix(none, "Clan", "x", ""), "");
  EXPECT_EQ(Prefix(none, "Clan", "x", "Bob"), "Bob: ");
  LineFormatter time(Make(Dialect::kUbb, Options{.time = true}), {}, "Y-M-D h:m:s");
  EXPECT_EQ(Prefix(time, "", "-2147483648", ""), "1901-12-13 20:45:52 : ");
  EXPECT_EQ(Prefix(time, "", " 2147483647", "Al"), "2038-1-19 3:14:7 Al: ");
}

TEST(LineFormatterTest, BadTimeStampThrowsOnlyWhenTimeIsShown) {
  const std::string line = R"(["1","Clan","Bob",x12]hi)";
  LineFormatter with_time(Make(Dialect::kUbb, Options{.time = true}), {}, "Y");
  std::string out;
  EXPECT_THROW(ConvertLine(with_time, line, out), Error);
  EXPECT_EQ(Convert(line, Dialect::kUbb, kNone), "Bob: hi");
}

TEST(LineFormatterTest, OtherDialectsGiveNoLine) {
  LineFormatter formatter(Make(static_cast<Dialect>(3), kNone), {}, "");
  std::string out = "kept";
  EXPECT_FALSE(ConvertLine(formatter, kLineA, out));
  EXPECT_EQ(out, "kept");
}

TEST(LineFormatterTest, BuffersCarryNothingFromLineToLine) {
  LineFormatter formatter(Make(Dialect::kUbb, kAllUbb), kColors, "Y:M:D");
  std::string first, again, out;
  ASSERT_TRUE(ConvertLine(formatter, kLineA, first));
  ASSERT_TRUE(ConvertLine(formatter, kLineC, out));
  ASSERT_TRUE(ConvertLine(formatter, kLineB, out));
  ASSERT_TRUE(ConvertLine(formatter, kLineA, again));
  EXPECT_EQ(first, again);
  EXPECT_EQ(out, "[b][Vicinity][/b] 2005:1:2 : You gain 5 XP.");
}

}  // namespace
}  // namespace quorlix
