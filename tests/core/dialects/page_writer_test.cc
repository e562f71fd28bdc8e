#include "core/dialects/page_writer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/convert/converter.h"
#include "core/convert/loaded_log.h"
#include "core/log/loader.h"
#include "core/log/log_merge.h"
#include "tests/core/work/fake_working_window.h"
#include "tests/support/output_lines.h"

namespace quorlix {
namespace {

using Strings = std::vector<std::string>;

// Lines 2 (no header) and 3 (the bot) are not taken in: the anchors count
// the file's lines all the same.
constexpr const char* kLog =
    "[1,\"Clan\",\"Bob\",1104624000]Hi <font color=red>all</font>\n"
    "garbage\n"
    "[1,\"OOC\",\"Polbot\",1104624060]bot line\n"
    "[1,\"OOC\",\"bob\",1104710400]<b>x</b> & y\n"
    "[1,\"Vicinity\",\"\",1104710401]You gain 5 XP.\n"
    "[1,\"Clan\",\"Ann\",1136462400]z\n";

const Strings kBody = {
    "<h2>2005-01-02</h2>",
    "<p id=\"l1\"><a href=\"#l1\">00:00:00</a> <b class=\"p0\">Bob</b>: Hi <span "
    "style=\"color:#ff0000;--d:#ff0000\">all</span></p>",
    "<h2>2005-01-03</h2>",
    "<p id=\"l4\"><a href=\"#l4\">00:00:00</a> <b class=\"p0\">bob</b>: x &amp; y</p>",
    "<p id=\"l5\"><a href=\"#l5\">00:00:01</a> You gain 5 XP.</p>",
    "<h2>2006-01-05</h2>",
    "<p id=\"l6\"><a href=\"#l6\">12:00:00</a> <b class=\"p1\">Ann</b>: z</p>",
};

// The lines between <main> and </main>.
Strings Body(const Strings& page) {
  const auto begin = std::find(page.begin(), page.end(), "<main>");
  const auto end = std::find(page.begin(), page.end(), "</main>");
  if (begin == page.end() || end == page.end()) return {"no main"};
  return Strings(begin + 1, end);
}

bool Holds(const Strings& page, const std::string& line) {
  return std::find(page.begin(), page.end(), line) != page.end();
}

class PageTest : public testing::Test {
 protected:
  PageTest() { settings_.log_name = "t.log"; }

  Strings Convert(ConversionRequest request) {
    request.options.dialect = Dialect::kPage;
    request.settings = settings_;
    LoadedLog log = LoadedLog::Load(LineStore::FromBytes(kLog), request, LoadSettings{}, windows_);
    Strings page;
    test::OutputLines out(page);
    windows_.events.clear();
    log.Convert(out, windows_);
    return page;
  }

  ConvertSettings settings_;
  RecordingWindows windows_;
};

TEST_F(PageTest, HeadFiguresAndOneParagraphPerLineAnchoredByItsLineInTheFile) {
  const Strings page = Convert({});  // the whole-log load
  EXPECT_EQ(page.front(), "<!DOCTYPE html>");
  EXPECT_EQ(page.back(), "</html>");
  EXPECT_TRUE(Holds(page, "<title>t.log, 2005-01-02 00:00:00 to 2006-01-05 12:00:00 UTC</title>"));
  EXPECT_TRUE(
      Holds(page, "<p class=\"span\">2005-01-02 00:00:00 to 2006-01-05 12:00:00 UTC, 4 lines</p>"));
  // Most lines first; letter case merges Bob and bob, shown as first met.
  const auto persons = std::find(page.begin(), page.end(), "<ul class=\"persons\">");
  ASSERT_NE(persons, page.end());
  EXPECT_EQ(Strings(persons + 1, persons + 4),
            (Strings{"<li><b class=\"p0\">Bob</b> 2</li>", "<li><b class=\"p1\">Ann</b> 1</li>",
                     "</ul>"}));
  EXPECT_EQ(Body(page), kBody);
  EXPECT_TRUE(
      Holds(page, "<p>Created using <a href=\"https://quorlix.example.org/\">The Quorlix</a></p>"));
  // One Working window for the page, its caption after each line.
  EXPECT_EQ(windows_.Captions(),
            (Strings{Caption("1 / 4"), Caption("2 / 4"), Caption("3 / 4"), Caption("4 / 4")}));
  EXPECT_EQ(std::count(windows_.events.begin(), windows_.events.end(), "close"), 1);

  // The full load (a filter that selects everything) gives the same bytes.
  ConversionRequest all;
  all.selection.channels = {"clan", "ooc", "vicinity"};
  all.selection.first_line = 0;
  EXPECT_EQ(Convert(all), page);
  ConversionRequest scene;
  scene.scenes = true;
  EXPECT_EQ(Convert(scene), page);
}

// Merged logs: each anchor names the log (its place in the list) and the
// line's number in it, in the whole-log load and the full load alike.
TEST_F(PageTest, AnchorsOfMergedLogsNameTheLogAndItsLine) {
  for (const bool full : {false, true}) {
    std::vector<LogToMerge> logs;
    logs.push_back({"a", LineStore::FromBytes("garbage\n[1,\"Clan\",\"Bob\",1104624000]a\n")});
    logs.push_back({"b", LineStore::FromBytes("[1,\"Clan\",\"Bob\",1104624000]a\r\n"
                                              "[1,\"Clan\",\"Ann\",1104624001]b\n")});
    ConversionRequest request;
    request.options.dialect = Dialect::kPage;
    request.scenes = full;
    LoadedLog log = LoadedLog::Load(MergeLogs(std::move(logs), LoadSettings{}).lines, request,
                                    LoadSettings{}, windows_);
    Strings page;
    test::OutputLines out(page);
    log.Convert(out, windows_);
    EXPECT_EQ(
        Body(page),
        (Strings{"<h2>2005-01-02</h2>",
                 "<p id=\"l1-2\"><a href=\"#l1-2\">00:00:00</a> <b class=\"p0\">Bob</b>: a</p>",
                 "<p id=\"l2-2\"><a href=\"#l2-2\">00:00:01</a> <b class=\"p1\">Ann</b>: b</p>"}))
        << full;
  }
}

TEST_F(PageTest, SelectionsNarrowTheLinesAndTheFigures) {
  struct Case {
    std::string name;
    ConversionRequest request;
    Strings body;
    std::string span;
  };
  ConversionRequest ann;
  ann.selection.persons = {"ANN"};
  ConversionRequest year_and_day;  // overlapping periods: each line once, in file order
  year_and_day.selection.periods = {Period{"2005", 2005, 0, 0}, Period{"2005-01-03", 2005, 1, 3}};
  ConversionRequest span;
  span.selection.span = TimeSpan{.from = 1104710400, .to = 1104710401};
  ConversionRequest nothing;
  nothing.selection.channels = {"Clan"};
  nothing.selection.persons = {"bob"};
  nothing.selection.first_line = 3;
  nothing.selection.last_line = 3;
  const Case cases[] = {
      {"person",
       ann,
       {"<h2>2006-01-05</h2>",
        "<p id=\"l6\"><a href=\"#l6\">12:00:00</a> <b class=\"p0\">Ann</b>: z</p>"},
       "<p class=\"span\">2006-01-05 12:00:00 to 2006-01-05 12:00:00 UTC, 1 line</p>"},
      {"periods",
       year_and_day,
       {kBody.begin(), kBody.begin() + 5},
       "<p class=\"span\">2005-01-02 00:00:00 to 2005-01-03 00:00:01 UTC, 3 lines</p>"},
      {"span",
       span,
       {"<h2>2005-01-03</h2>", kBody[3]},
       "<p class=\"span\">2005-01-03 00:00:00 to 2005-01-03 00:00:00 UTC, 1 line</p>"},
      {"nothing", nothing, {"<p>No lines.</p>"}, "<p class=\"span\">0 lines</p>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Strings page = Convert(c.request);
    EXPECT_EQ(Body(page), c.body);
    EXPECT_TRUE(Holds(page, c.span));
  }
  const Strings empty = Convert(nothing);
  EXPECT_TRUE(Holds(empty, "<title>t.log</title>"));
  EXPECT_FALSE(Holds(empty, "<ul class=\"persons\">"));
}

TEST_F(PageTest, ChannelsInTheirColourWhenItIsOneAndNamesEscaped) {
  settings_.color_definitions = {"Clan=ff8000", "OOC=ff80;x", "Vicinity=#00ff00"};
  settings_.log_name = "<b>&.log";
  ConversionRequest request;
  request.options.show_channel = true;
  request.options.channel_colors = true;
  const Strings page = Convert(request);
  EXPECT_TRUE(Holds(page,
                    "<title>&lt;b&gt;&amp;.log, 2005-01-02 00:00:00 to 2006-01-05 12:00:00 "
                    "UTC</title>"));
  // One class per colour, in the order met; OOC's value is no colour.
  EXPECT_TRUE(Holds(page, ".c0{color:#ff8000}"));
  EXPECT_TRUE(Holds(page, ".c1{color:#00ff00}"));
  EXPECT_FALSE(Holds(page, ".c2{color:#ff8000}"));
  const Strings body = Body(page);
  ASSERT_EQ(body.size(), kBody.size());
  EXPECT_EQ(body[1],
            "<p id=\"l1\"><a href=\"#l1\">00:00:00</a> <b class=\"c0\">[Clan]</b> <b "
            "class=\"p0\">Bob</b>: Hi <span style=\"color:#ff0000;--d:#ff0000\">all</span></p>");
  EXPECT_NE(body[3].find("</a> <b>[OOC]</b> <b class=\"p0\">bob</b>"), std::string::npos)
      << body[3];
  EXPECT_NE(body[4].find("</a> <b class=\"c1\">[Vicinity]</b> You"), std::string::npos) << body[4];
}

TEST_F(PageTest, PersonsBeyondThePaletteStartItAgain) {
  std::string log;
  for (int k = 0; k < kPagePersonColors + 1; ++k) {
    log += "[1,\"C\",\"P" + std::to_string(k) + "\"," + std::to_string(1104624000 + k) + "]m\n";
  }
  ChatState state;
  state.ReplaceRawLines(LineStore::FromBytes(log));
  RunLoadPass(state, LoadSettings{}, windows_);
  Strings page;
  test::OutputLines out(page);
  ConvertIntoSink(state, {.dialect = Dialect::kPage}, ConvertSettings{}, out,
                  windows_);  // no log name
  EXPECT_TRUE(Holds(page, "<h1>Chat log</h1>"));
  const Strings body = Body(page);
  ASSERT_EQ(body.size(), kPagePersonColors + 2u);
  EXPECT_NE(body[1].find("<b class=\"p0\">P0</b>"), std::string::npos);
  EXPECT_NE(body[12].find("<b class=\"p11\">P11</b>"), std::string::npos);
  EXPECT_NE(body[13].find("<b class=\"p0\">P12</b>"), std::string::npos);
}

}  // namespace
}  // namespace quorlix
