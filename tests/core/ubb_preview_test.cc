#include "core/ubb_preview.h"

#include <gtest/gtest.h>

namespace quorlix {
namespace {

TEST(UbbPreview, TagTable) {
  struct Case {
    std::string_view ubb;
    std::string_view html;
  } cases[] = {
      {"plain", "plain"},
      {"[b]b[/b] [I]i[/i] [u]u[/U] [s]s[/s]", "<b>b</b> <i>i</i> <u>u</u> <s>s</s>"},
      {"[color=#ff0000]red[/color]", "<font color=\"#ff0000\">red</font>"},
      {"[color=#0f0]g[/color][color=Blue]b[/color]",
       "<font color=\"#0f0\">g</font><font color=\"Blue\">b</font>"},
      {"[size=5]x[/size][size=14]y[/size]",
       "<font size=\"5\">x</font><span style=\"font-size:14pt\">y</span>"},
      {"[size=7]x[/size][size=8]y[/size]",
       "<font size=\"7\">x</font><span style=\"font-size:8pt\">y</span>"},
      {"[url]http://a.example/?q=1&r=2[/url]",
       "<a href=\"http://a.example/?q=1&amp;r=2\">http://a.example/?q=1&amp;r=2</a>"},
      // The converter's own footer quotes the address.
      {"[url=\"https://q.example/\"]The Quorlix[/url]",
       "<a href=\"https://q.example/\">The Quorlix</a>"},
      {"[quote]q[/quote][quote=Ann]a[/quote]",
       "<blockquote>q</blockquote><blockquote><b>Ann wrote:</b><br>a</blockquote>"},
      {"[quote=<i>&\"x]a[/quote]",
       "<blockquote><b>&lt;i&gt;&amp;&quot;x wrote:</b><br>a</blockquote>"},
      {"[code]a [b]<x>[/b]\r\nb[/code]", "<pre>a [b]&lt;x&gt;[/b]\nb</pre>"},
      {"[img]http://p.example/a.png[/img]",
       "[image: <a href=\"http://p.example/a.png\">http://p.example/a.png</a>]"},
      {"a\r\nb\nc", "a<br>\nb<br>\nc"},
      {"<script>&\"", "&lt;script&gt;&amp;&quot;"},
      {"[b][i]both[/i][/b]", "<b><i>both</i></b>"},
      // Unknown, unbalanced or malformed tags stay as text.
      {"[blink]x[/blink]", "[blink]x[/blink]"},
      {"[b]open", "[b]open"},
      {"close[/b]", "close[/b]"},
      {"[b][i]x[/b][/i]", "<b>[i]x</b>[/i]"},
      {"[color=red]x", "[color=red]x"},
      {"[color=red;x]x[/color]", "[color=red;x]x[/color]"},
      {"[color=#12345]x[/color]", "[color=#12345]x[/color]"},
      {"[color]x[/color]", "[color]x[/color]"},
      {"[size=0]x[/size][size=73]y[/size]", "[size=0]x[/size][size=73]y[/size]"},
      {"[b=1]x[/b]", "[b=1]x[/b]"},
      {"[/b=1]", "[/b=1]"},
      {"[code]never closed", "[code]never closed"},
      {"[img]a.png", "[img]a.png"},
      {"[[b]x[/b]]", "[<b>x</b>]"},
      {"[url=\"\"]x[/url]", "[url=&quot;&quot;]x[/url]"},
      {"[url=javascript:\"x\"]y[/url]", "<a href=\"javascript:&quot;x&quot;\">y</a>"},
  };
  for (const Case& c : cases) EXPECT_EQ(UbbToHtml(c.ubb), c.html) << c.ubb;
}

}  // namespace
}  // namespace quorlix
