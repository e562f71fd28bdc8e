#include "core/dialects/page_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <utility>

namespace quorlix {
namespace {

std::string Message(std::string_view message, bool mark_links = false, bool delete_tags = false) {
  std::string out;
  AppendPageMessage(message,
                    PageMessageOptions{.mark_links = mark_links, .delete_tags = delete_tags}, out);
  return out;
}

std::string Repeat(std::string_view piece, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all.append(piece);
  return all;
}

// The length of the element the page builds itself that starts at `at`
// (a colour span, its end, the removed-link marker), else 0.
std::size_t OwnElementAt(std::string_view html, std::size_t at) {
  const auto hex6 = [&](std::size_t from) {
    if (from + 6 > html.size()) return false;
    for (std::size_t i = from; i < from + 6; ++i) {
      if (!std::isxdigit(static_cast<unsigned char>(html[i])) || std::isupper(html[i]))
        return false;
    }
    return true;
  };
  const std::string_view rest = html.substr(at);
  for (std::string_view fixed : {"</span>", "<i class=\"lr\">link removed</i> "}) {
    if (rest.substr(0, fixed.size()) == fixed) return fixed.size();
  }
  // <span style="color:#rrggbb;--d:#rrggbb">
  constexpr std::string_view kOpen = "<span style=\"color:#", kDark = ";--d:#", kClose = "\">";
  const std::size_t dark = kOpen.size() + 6, close = dark + kDark.size() + 6;
  if (rest.substr(0, kOpen.size()) == kOpen && hex6(at + kOpen.size()) &&
      rest.substr(dark, kDark.size()) == kDark && hex6(at + dark + kDark.size()) &&
      rest.substr(close, kClose.size()) == kClose) {
    return close + kClose.size();
  }
  return 0;
}

// Every "<" of the page's message text opens one of the elements the page
// builds itself; nothing else reads as markup.
void ExpectOnlyOwnMarkup(const std::string& html) {
  std::string rest;
  for (std::size_t i = 0; i < html.size();) {
    const std::size_t own = html[i] == '<' ? OwnElementAt(html, i) : 0;
    if (own == 0) rest += html[i];
    i += own == 0 ? 1 : own;
  }
  EXPECT_EQ(rest.find('<'), std::string::npos) << html.substr(0, 200);
  EXPECT_EQ(rest.find('>'), std::string::npos) << html.substr(0, 200);
}

struct Hostile {
  std::string name;
  std::string message;
  bool mark_links, delete_tags;
  std::string expected;
};

TEST(PageText, HostileMessagesShowTheirTextAndNoMarkupOfTheirOwn) {
  const std::string nested = Repeat("<font color=red>", 10000) + "x" + Repeat("</font>", 10000);
  const std::string long_line = Repeat("a<&>", 2'500'000);  // 10 MB
  const Hostile cases[] = {
      {"script", "a</script><script>alert(1)</script>b", false, false, "aalert(1)b"},
      {"img_onerror", "<img src=x onerror=alert(1)>hi", false, false, "hi"},
      {"javascript_link", "<a href=\"javascript:alert(1)\">click</a> me", false, false, "click me"},
      {"javascript_link_marked", "<a href='javascript:alert(1)'>click</a>", true, false,
       "<i class=\"lr\">link removed</i> click"},
      {"font_onmouseover", "<font color=\"red\" onmouseover=\"alert(1)\">x</font>", false, false,
       "<span style=\"color:#ff0000;--d:#ff0000\">x</span>"},
      {"onmouseover_before_color", "<font onmouseover=alert(1) color=blue>x", false, false,
       "<span style=\"color:#0000ff;--d:#4c4cff\">x</span>"},
      {"color_expression", "<font color=expression(alert(1))>x</font>", false, false, "x"},
      {"color_with_style", "<font color=\"#ff0000;background:url(//e.x/)\">x</font>", false, false,
       "x"},
      {"color_quote_breakout", "<font color='red\" onclick=\"alert(1)'>x</font>", false, false,
       "x"},
      {"color_url", "<font color=url(http://e.x/)>x</font>", false, false, "x"},
      {"style_element", "<style>body{display:none}</style>after", false, false,
       "body{display:none}after"},
      {"unclosed_font", "hi <font color=red oops", false, false, "hi &lt;font color=red oops"},
      {"nested_fonts", nested, false, false, "<span style=\"color:#ff0000;--d:#ff0000\">x</span>"},
      {"nul_and_controls", std::string("a\0b\x01\x1b[31m\r\x7f\td", 13), false, false,
       "a\u2400b\u2401\u241b[31m\u240d\u2421\td"},
      {"lone_angles", "1 < 2 > 0 <3 <<b>x", false, false, "1 &lt; 2 &gt; 0 &lt;3 &lt;x"},
      {"tag_with_a_lone_angle_inside", "a<b c<d>e <b", false, false, "ae &lt;b"},
      {"entities_shown_as_written", "&amp; &lt;b&gt; &#60;", false, false,
       "&amp;amp; &amp;lt;b&amp;gt; &amp;#60;"},
      {"comment", "<!-- x --><!DOCTYPE y>z", false, false, "z"},
      {"windows_1252", "\x80 \xe4\xf6\xfc \x93q\x94 \x81\x8d\x8f\x90\x9d", false, false,
       "\u20ac \u00e4\u00f6\u00fc \u201cq\u201d \ufffd\ufffd\ufffd\ufffd\ufffd"},
      {"colours_flat_and_closed", "x <font color=#00ff00>green <font color=red>red</font> y", false,
       false,
       "x <span style=\"color:#00a600;--d:#00ff00\">green </span><span "
       "style=\"color:#ff0000;--d:#ff0000\">red</span> y"},
      {"short_hex_and_case", "<FONT COLOR='#F0a'>a</FONT><font color=\" Grey \">b", false, false,
       "<span style=\"color:#ff00aa;--d:#ff00aa\">a</span><span "
       "style=\"color:#808080;--d:#808080\">b</span>"},
      {"font_without_colour_ends_colour", "<font color=red>a<font face=x>b", false, false,
       "<span style=\"color:#ff0000;--d:#ff0000\">a</span>b"},
      {"no_empty_span", "<font color=red></font>x<font color=blue>", false, false, "x"},
      {"delete_tags_drops_colours", "<font color=red>a</font> <b>b</b>", false, true, "a b"},
      {"readable_on_both_pages",
       "<font color=yellow>a<font color=navy>b<font color=black>c<font color=white>d", false, false,
       "<span style=\"color:#999900;--d:#ffff00\">a</span><span "
       "style=\"color:#000080;--d:#6666b2\">b</span><span "
       "style=\"color:#000000;--d:#666666\">c</span><span "
       "style=\"color:#8d8d8d;--d:#ffffff\">d</span>"},
      {"bad_hex", "<font color=#ggg>a<font color=#12345>b<font color=#>c", false, false, "abc"},
  };
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string html = Message(c.message, c.mark_links, c.delete_tags);
    EXPECT_EQ(html, c.expected);
    ExpectOnlyOwnMarkup(html);
  }
  // 10 MB in one line: every byte shown, nothing dropped.
  const std::string html = Message(long_line);
  EXPECT_EQ(html.size(), 2'500'000u * std::string_view("a&lt;&amp;&gt;").size());
  EXPECT_EQ(html.substr(0, 28), "a&lt;&amp;&gt;a&lt;&amp;&gt;");
  EXPECT_EQ(html.find_first_of("<>"), std::string::npos);
}

TEST(PageText, ColourValues) {
  struct Case {
    std::string value;
    std::optional<uint32_t> font, channel;
  };
  const Case cases[] = {
      {"#ff8000", 0xff8000, 0xff8000},
      {"ff8000", std::nullopt, 0xff8000},
      {"#abc", 0xaabbcc, std::nullopt},
      {"red", 0xff0000, std::nullopt},
      {"LightGoldenrodYellow", 0xfafad2, std::nullopt},
      {"", std::nullopt, std::nullopt},
      {"#ff80001", std::nullopt, std::nullopt},
      {"ff800g", std::nullopt, std::nullopt},
      {"expression(alert(1))", std::nullopt, std::nullopt},
      {"red;x", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParsePageColor(c.value), c.font) << c.value;
    EXPECT_EQ(ParseChannelColor(c.value), c.channel) << c.value;
  }
}

TEST(PageText, NamesAreUtf8WhenTheyAreElseWindows1252) {
  const std::pair<std::string, std::string> cases[] = {
      {"Sz\xc3\xa9ne <1>.log", "Sz\u00e9ne &lt;1&gt;.log"},
      {"Sz\xe9ne\x01.log", "Sz\u00e9ne\u2401.log"},
      // Not UTF-8: an encoded surrogate, an overlong "/", a cut-off
      // character, a value above U+10FFFF.
      {"a\xed\xa0\x80", "a\u00ed\u00a0\u20ac"},
      {"a\xc0\xaf", "a\u00c0\u00af"},
      {"a\xe2\x82", "a\u00e2\u201a"},
      {"a\xf4\x90\x80\x80", "a\u00f4\ufffd\u20ac\u20ac"},
      // C1 controls, noncharacters and bidi overrides would break or
      // reorder the page around the name.
      {"a\u0085b\uFDD0c\U0010FFFFd\u202Ee\u2067f\u00a0\U0001F600.log",
       "a\uFFFDb\uFFFDc\uFFFDd\uFFFDe\uFFFDf\u00a0\U0001F600.log"},
  };
  for (const auto& [name, shown] : cases) {
    std::string out;
    AppendPageTextOfName(name, out);
    EXPECT_EQ(out, shown) << name;
  }
}

}  // namespace
}  // namespace quorlix
