#include "core/preview/ubb_preview.h"

#include <gtest/gtest.h>

#include <string>

namespace quorlix {
namespace {

std::string Repeated(std::string_view text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

TEST(UbbPreview, TagTable) {
  const std::string deepest_bold =
      Repeated("[b]", kMaxTagDepth) + "x" + Repeated("[/b]", kMaxTagDepth);
  const std::string too_deep =
      Repeated("[b]", kMaxTagDepth) + "[i][code]x[/code][/i]" + Repeated("[/b]", kMaxTagDepth);
  const std::string quotes_too_deep =
      Repeated("[quote]", kMaxTagDepth + 1) + "x" + Repeated("[/quote]", kMaxTagDepth + 1);
  struct Case {
    std::string_view ubb;
    std::string html;
  } cases[] = {
      {"plain", "plain"},
      {"[b]b[/b] [I]i[/i] [u]u[/U] [s]s[/s]", "<b>b</b> <i>i</i> <u>u</u> <s>s</s>"},
      {"[color=#ff0000]red[/color]", "<font color=\"#ff0000\">red</font>"},
      // Names as browsers know them, either spelling of grey; nothing else.
      {"[color=#0f0]g[/color][color=Blue]b[/color]",
       "<font color=\"#0f0\">g</font><font color=\"#0000ff\">b</font>"},
      {"[color=Grey]a[/color][color=lightGRAY]b[/color][color=lightgoldenrodyellow]c[/color]",
       "<font color=\"#808080\">a</font><font color=\"#d3d3d3\">b</font>"
       "<font color=\"#fafad2\">c</font>"},
      {"[color=RebeccaPurple]x[/color]", "<font color=\"#663399\">x</font>"},
      {"[color=notacolor]x[/color][color=greyish]y[/color]",
       "[color=notacolor]x[/color][color=greyish]y[/color]"},
      // Balanced quotes around values are dropped, as the converter writes them.
      {"[color=\"#05BC61\"]x[/color][size=\"5\"]y[/size][color='red']z[/color]",
       "<font color=\"#05BC61\">x</font><font size=\"5\">y</font><font color=\"#ff0000\">z</font>"},
      {"[url='http://a.example/']a[/url]", "<a href=\"http://a.example/\">a</a>"},
      {"[quote=\"Ann\"]a[/quote][quote='Bo b']c[/quote][quote=\"\"]d[/quote]",
       "<blockquote><b>Ann wrote:</b>\na</blockquote>"
       "<blockquote><b>Bo b wrote:</b>\nc</blockquote><blockquote>d</blockquote>"},
      {"[quote=\"Ann']a[/quote][color=\"red]x[/color][size='5]y[/size]",
       "<blockquote><b>&quot;Ann' wrote:</b>\na</blockquote>"
       "[color=&quot;red]x[/color][size='5]y[/size]"},
      {"[size=5]x[/size][size=14]y[/size]",
       "<font size=\"5\">x</font><span style=\"font-size:14pt\">y</span>"},
      {"[size=7]x[/size][size=8]y[/size][size=72]z[/size]",
       "<font size=\"7\">x</font><span style=\"font-size:8pt\">y</span>"
       "<span style=\"font-size:72pt\">z</span>"},
      {"[url]http://a.example/?q=1&r=2[/url]",
       "<a href=\"http://a.example/?q=1&amp;r=2\">http://a.example/?q=1&amp;r=2</a>"},
      // The converter's own footer quotes the address.
      {"[url=\"https://q.example/\"]The Quorlix[/url]",
       "<a href=\"https://q.example/\">The Quorlix</a>"},
      {"[quote]q[/quote][quote=Ann]a[/quote]",
       "<blockquote>q</blockquote><blockquote><b>Ann wrote:</b>\na</blockquote>"},
      {"[quote=<i>&\"x]a[/quote]",
       "<blockquote><b>&lt;i&gt;&amp;&quot;x wrote:</b>\na</blockquote>"},
      {"[code]a [b]<x>[/b]\r\nb[/code]", "<pre>a [b]&lt;x&gt;[/b]\nb</pre>"},
      {"[img]http://p.example/a.png[/img]",
       "[image: <a href=\"http://p.example/a.png\">http://p.example/a.png</a>]"},
      {"a\r\nb\n\nc", "a\nb\n\nc"},
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
      // Empty links and pictures stay text.
      {"[url][/url][url=a][/url][img][/img]", "[url][/url][url=a][/url][img][/img]"},
      // Raw tags pair innermost first, and are cut off by outer closers.
      {"Ann: a [url] here\n[url=\"https://q.example/\"]Q[/url]",
       "Ann: a [url] here\n<a href=\"https://q.example/\">Q</a>"},
      {"[b]a[code]x[/b][/code] [i][img]p.png[/i][/img] [quote][url]u[/quote][/url]",
       "<b>a[code]x</b>[/code] <i>[img]p.png</i>[/img] <blockquote>[url]u</blockquote>[/url]"},
      {"[code]a[code]b[/code][url]http://c[b]d[/url]e[/b]",
       "[code]a<pre>b</pre><a href=\"http://c[b]d\">http://c[b]d</a>e[/b]"},
      // Blocks stay inside their quote; formats reopen around blocks.
      {"[quote]a[quote]b[/quote]c[code]d[/code][b]e[/b][/quote]f",
       "<blockquote>a<blockquote>b</blockquote><div>c</div><pre>d</pre><div><b>e</b></div>"
       "</blockquote>f"},
      {"[b][i]a[quote=Q]b[code]c[/code]d[/quote]e[/i][/b]",
       "<b><i>a</i></b><blockquote><b>Q wrote:</b>\n<b><i>b</i></b><pre>c</pre>"
       "<div><b><i>d</i></b></div></blockquote><b><i>e</i></b>"},
      {"[b][quote]x[/quote][/b][i][/i]", "<blockquote><b>x</b></blockquote>"},
      // Nesting is capped: deeper tags stay text.
      {deepest_bold, Repeated("<b>", kMaxTagDepth) + "x" + Repeated("</b>", kMaxTagDepth)},
      {too_deep,
       Repeated("<b>", kMaxTagDepth) + "[i][code]x[/code][/i]" + Repeated("</b>", kMaxTagDepth)},
      {quotes_too_deep, Repeated("<blockquote>", kMaxTagDepth) + "[quote]x[/quote]" +
                            Repeated("</blockquote>", kMaxTagDepth)},
      // Only what forums link is a link or a picture.
      {"[url=javascript:\"x\"]y[/url]", "[url=javascript:&quot;x&quot;]y[/url]"},
      {"[url=javascript:alert(1)]js[/url][img]javascript:x[/img][url]www.example.com[/url]",
       "[url=javascript:alert(1)]js[/url][img]javascript:x[/img][url]www.example.com[/url]"},
      {"[url=ftp://f.example/]f[/url][url]mailto:a@q.example[/url][IMG]HTTPS://p.example/[/IMG]",
       "<a href=\"ftp://f.example/\">f</a><a href=\"mailto:a@q.example\">mailto:a@q.example</a>"
       "[image: <a href=\"HTTPS://p.example/\">HTTPS://p.example/</a>]"},
      {"[url=http://]x[/url]", "[url=http://]x[/url]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UbbToHtml(c.ubb), std::string(kUbbHtmlStart) + c.html + std::string(kUbbHtmlEnd))
        << c.ubb;
  }
}

}  // namespace
}  // namespace quorlix
