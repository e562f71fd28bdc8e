#include "core/convert/converter.h"

#include <gtest/gtest.h>

#include "core/log/loader.h"
#include "core/text/error.h"
#include "tests/core/work/fake_working_window.h"
#include "tests/support/output_lines.h"

namespace quorlix {
namespace {

using Strings = std::vector<std::string>;
using test::OutputLines;

const Strings kUbbFooter = {
    "", "Created using [url=\"https://quorlix.example.org/\"]The Quorlix[/url]"};
const Strings kHtmlFooter = {
    "<br>", "Created using <a href=\"https://quorlix.example.org/\">The Quorlix</a><br>"};
const Strings kMarkdownFooter = {"", "Created using [The Quorlix](https://quorlix.example.org/)"};

// 2005-01-02, 2005-01-03 (two lines), 2006-01-05. Tree ids in order of
// creation: 2005 = 1, January = 2, day 2 = 3, day 3 = 4, 2006 = 5,
// January = 6, day 5 = 7.
constexpr const char* kLog =
    "[1,\"OOC\",\"Alice\",1104624000]a\n"
    "[1,\"Clan\",\"Bob\",1104710400]b\n"
    "[1,\"OOC\",\"bob\",1104710500]c\n"
    "[1,\"Clan\",\"Alice\",1136462400]d\n";
constexpr int kYear2005 = 1, kDay2 = 3, kDay3 = 4, kDay5 = 7;

Strings Concat(std::initializer_list<Strings> parts) {
  Strings all;
  for (const Strings& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

class ConvertTest : public testing::Test {
 protected:
  void LoadLog(std::string bytes, std::string depth = "Day") {
    state_.ReplaceRawLines(LineStore::FromBytes(std::move(bytes)));
    SilentWorkingWindowFactory silent;
    RunLoadPass(state_, LoadSettings{.suppress_bot_lines = true, .depth = depth}, silent);
  }
  Strings Run(ConvertSettings settings = {}) {
    windows_.events.clear();
    output_.clear();
    OutputLines out(output_);
    ConvertIntoSink(state_, options_, settings, out, windows_);
    return output_;
  }
  void Select(std::vector<ListEntry>& list, const std::string& name) {
    for (ListEntry& e : list) e.selected |= e.name == name;
  }
  ChatState state_;
  ConvertOptions options_;
  Strings output_;  // what the last conversion gave
  RecordingWindows windows_;
};

TEST_F(ConvertTest, WithoutFiltersEveryLineThenTheFooter) {
  LoadLog(kLog);
  EXPECT_EQ(Run(), Concat({{"Alice: a", "Bob: b", "bob: c", "Alice: d"}, kUbbFooter}));
  options_.dialect = Dialect::kHtml;
  EXPECT_EQ(Run(),
            Concat({{"Alice: a<br>", "Bob: b<br>", "bob: c<br>", "Alice: d<br>"}, kHtmlFooter}));
  // Converting again starts from empty output.
  EXPECT_EQ(Run().size(), 6u);
  options_.dialect = Dialect::kMarkdown;
  EXPECT_EQ(Run(), Concat({{"Alice: a", "Bob: b", "bob: c", "Alice: d"}, kMarkdownFooter}));
  options_.dialect = static_cast<Dialect>(4);
  EXPECT_EQ(Run(), Strings());
}

TEST_F(ConvertTest, PersonAndChannelFilters) {
  LoadLog(kLog);
  ASSERT_EQ(state_.persons.size(), 2u);  // Alice, Bob ("bob" merged into it)
  struct Case {
    bool persons, channels;
    const char* person;
    const char* channel;
    Strings lines;
  };
  const Case cases[] = {
      {true, false, "Bob", "", {"Bob: b", "bob: c"}},  // 'bob' matches 'Bob'
      {false, true, "", "OOC", {"Alice: a", "bob: c"}},
      {true, true, "Bob", "", {}},
      {true, true, "", "OOC", {}},
      {true, true, "Bob", "OOC", {"bob: c"}},
      {true, false, "", "OOC", {}},  // nothing selected in the filter's list
  };
  for (const Case& c : cases) {
    for (ListEntry& e : state_.persons) e.selected = false;
    for (ListEntry& e : state_.channels) e.selected = false;
    Select(state_.persons, c.person);
    Select(state_.channels, c.channel);
    state_.filters = FilterFlags{.persons = c.persons, .channels = c.channels};
    EXPECT_EQ(Run(), Concat({c.lines, kUbbFooter})) << c.person << "/" << c.channel;
  }
}

TEST_F(ConvertTest, TimeSelectionsDaysFirstEachWithItsFooter) {
  LoadLog(kLog);
  state_.filters.time = true;
  state_.time_tree.node(kYear2005).selected = true;
  state_.time_tree.node(kDay3).selected = true;
  EXPECT_EQ(TimeSelectionEntries(state_), Strings({"d;1104710400;1;2", "y;1104624000;0;2"}));
  EXPECT_EQ(
      Run(),
      Concat({{"Bob: b", "bob: c"}, kUbbFooter, {"Alice: a", "Bob: b", "bob: c"}, kUbbFooter}));

  state_.time_tree.node(kYear2005).selected = false;
  state_.time_tree.node(kDay3).selected = false;
  state_.time_tree.node(kDay5).selected = true;
  state_.time_tree.node(kDay2).selected = true;
  EXPECT_EQ(Run(), Concat({{"Alice: a"}, kUbbFooter, {"Alice: d"}, kUbbFooter}));
  EXPECT_EQ(std::count(windows_.events.begin(), windows_.events.end(), "create"), 2);
}

TEST_F(ConvertTest, RootHourAndNoSelectionGiveEmptyOutput) {
  LoadLog(kLog, "Hour");
  state_.filters.time = true;
  EXPECT_EQ(Run(), Strings());
  state_.time_tree.node(TimeTree::kRoot).selected = true;
  for (int id = 0; id < state_.time_tree.size(); ++id) {
    if (state_.time_tree.node(id).level == 4) state_.time_tree.node(id).selected = true;
  }
  EXPECT_EQ(Run(), Strings());
  EXPECT_TRUE(windows_.events.empty());
}

TEST_F(ConvertTest, NodeWithoutARunIsSkipped) {
  LoadLog(kLog);
  state_.filters.time = true;
  state_.day_runs.pop_back();  // day 5 loses its run
  state_.time_tree.node(kDay5).selected = true;
  state_.time_tree.node(kDay2).selected = true;
  EXPECT_EQ(Run(), Concat({{"Alice: a"}, kUbbFooter}));
}

TEST_F(ConvertTest, ProgressOfARangeOfHundredLines) {
  std::string log;
  for (int i = 0; i < 100; ++i) log += "[1,C,P," + std::to_string(1104624000 + i) + "]x\n";
  LoadLog(log);
  EXPECT_EQ(Run().size(), 102u);
  Strings expected = {"create", "show", "is_active"};
  for (int k = 1; k <= 99; ++k) {
    expected.push_back("caption " + Caption(std::to_string(k) + " / 99"));
  }
  expected.push_back("close");
  EXPECT_EQ(windows_.events, expected);
}

TEST_F(ConvertTest, RangeOfOneLineAndEmptyRange) {
  LoadLog("[1,C,P,5]x\n");
  EXPECT_EQ(Run(), Concat({{"P: x"}, kUbbFooter}));
  EXPECT_EQ(windows_.events,
            Strings({"create", "show", "is_active", "caption " + Caption("1 / 0"), "close"}));

  LoadLog("no chat here\n");
  EXPECT_EQ(Run(), kUbbFooter);
  EXPECT_EQ(windows_.events, Strings({"create", "show", "is_active", "close"}));

  windows_.active = false;
  LoadLog("[1,C,P,5]x\n");
  EXPECT_EQ(Run(), kUbbFooter);
}

TEST_F(ConvertTest, EmptyLineOrEndOfInputEndsTheRange) {
  const std::string text = "[1,C,A,5]x\n\n[1,C,B,6]y\n";
  state_.ReplaceRawLines(LineStore::FromBytes(text));
  state_.SetInputLines({state_.raw_lines()[0], state_.raw_lines()[1], state_.raw_lines()[2]});
  EXPECT_EQ(Run(), Concat({{"A: x"}, kUbbFooter}));
  EXPECT_EQ(windows_.Captions(), Strings({Caption("1 / 2")}));
  EXPECT_EQ(windows_.events.back(), "close");

  state_.SetInputLines({state_.raw_lines()[0], state_.raw_lines()[2]});
  state_.time_tree.Reset();
  state_.time_tree.node(state_.time_tree.AddChild(0, "1970")).selected = true;
  state_.year_runs = {"5;1;7"};
  state_.filters.time = true;
  EXPECT_EQ(Run(), Concat({{"B: y"}, kUbbFooter}));
}

TEST_F(ConvertTest, BadTimeStampEndsTheConversionWithoutFooter) {
  const std::string text = "[1,C,A,5]x\n[1,C,B,zz]y\n[1,C,C,6]z\n";
  state_.ReplaceRawLines(LineStore::FromBytes(text));
  state_.SetInputLines({state_.raw_lines()[0], state_.raw_lines()[1], state_.raw_lines()[2]});
  options_.show_time = true;
  try {
    Run(ConvertSettings{.color_definitions = {"C=123456"}, .time_pattern = "s"});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "'zz' ist kein g\xc3\xbcltiger Integerwert");
  }
  EXPECT_EQ(output_, Strings({"5 A: x"}));
  EXPECT_EQ(state_.color_definitions, Strings({"C=123456"}));
  EXPECT_EQ(windows_.events.back(), "close");
}

// A scene converts as a log holding only its lines would, with the options
// and the person filter, and without the time filter (set here, selecting
// nothing, it would convert no line at all).
TEST_F(ConvertTest, SceneConvertsLikeALogCutToItsLines) {
  const Strings log_lines = {"[1,\"OOC\",\"Alice\",1104624000]a",
                             "[1,\"Clan\",\"Bob\",1104710400]b", "[1,\"OOC\",\"bob\",1104710500]c",
                             "[1,\"Clan\",\"Alice\",1104700000]back in time",
                             "[1,\"Clan\",\"Alice\",1136462400]d"};
  constexpr int64_t kAll = INT64_MAX;
  const std::optional<int64_t> none;
  struct Case {
    int64_t first, last;
    std::optional<int64_t> from, to;
    std::vector<int> lines;  // the log cut to these
  };
  const Case cases[] = {
      {1, 2, none, none, {1, 2}},
      {3, 3, none, none, {3}},
      {2, 99, none, none, {2, 3, 4}},
      {3, 2, none, none, {}},
      {0, kAll, 1104710400, none, {1, 2, 4}},
      {0, kAll, none, 1104710400, {0, 3}},
      {0, kAll, 1104700000, 1104710500, {1, 3}},
      {0, kAll, 1136462401, none, {}},
      {1, 3, none, 1104710401, {1, 3}},
  };
  ConvertSettings settings;
  settings.time_pattern = "h:m";
  std::string whole;
  for (const std::string& line : log_lines) whole += line + "\n";
  // Without kept headers (an edited Input page) the lines are read anew.
  for (const auto& [person_filter, kept_headers] :
       {std::pair{false, true}, std::pair{true, true}, std::pair{true, false}}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.first << ".." << c.last << " person filter "
                                      << person_filter << " kept headers " << kept_headers);
      std::string cut;
      for (int i : c.lines) cut += log_lines[static_cast<std::size_t>(i)] + "\n";
      const auto prepare = [&](const std::string& bytes) {
        LoadLog(bytes);
        options_.dialect = Dialect::kHtml;
        options_.show_time = true;
        state_.filters.persons = person_filter;
        state_.filters.time = true;
        // The cut log may spell the person "bob": it was met first there.
        for (ListEntry& e : state_.persons) e.selected = e.name == "Bob" || e.name == "bob";
      };
      prepare(cut);
      state_.filters.time = false;
      const Strings expected = Run(settings);
      prepare(whole);
      if (!kept_headers) state_.SetInputLines(state_.input_lines());
      output_.clear();
      OutputLines out(output_);
      Scene scene;
      scene.first = c.first;
      scene.last = c.last;
      scene.span.from = c.from;
      scene.span.to = c.to;
      const int64_t converted =
          ConvertSceneIntoSink(state_, scene, options_, settings, out, windows_);
      EXPECT_EQ(output_, expected);
      EXPECT_EQ(converted, static_cast<int64_t>(expected.size()) - 2);
    }
  }
}

// Whatever the threads and chunks, a conversion gives what one pass gives:
// the same lines, window events and failure.
TEST_F(ConvertTest, ThreadsAndChunksChangeNothing) {
  std::string log;
  for (int i = 0; i < 60; ++i) {
    log += "[1,C" + std::to_string(i % 3) + ",P" + std::to_string(i % 4) + "," +
           std::to_string(1104624000 + i * 30000) + "]<font color=red>" + std::to_string(i) +
           (i % 9 ? "" : "<a href='u'>link</a>") + "\n";
  }
  LoadLog(log);
  options_.show_time = true;
  options_.mark_links = true;
  auto outcome = [this](const PassThreads& threads) {
    windows_.events.clear();
    Strings lines;
    OutputLines out(lines);
    std::string error;
    try {
      ConvertIntoSink(state_, options_, {}, out, windows_, threads);
    } catch (const Error& e) {
      error = e.what();
    }
    Strings all = Concat({windows_.events, lines});
    all.push_back(error);
    return all;
  };
  auto same_for_all = [&](const char* what) {
    const Strings one_pass = outcome({.count = 1, .lines_per_chunk = 1000});
    EXPECT_GT(one_pass.size(), 10u) << what;
    for (unsigned count : {1u, 2u, 4u}) {
      for (std::size_t lines : {1u, 2u, 7u}) {
        EXPECT_EQ(outcome({.count = count, .lines_per_chunk = lines}), one_pass)
            << what << ": " << count << " threads, " << lines << " lines a chunk";
      }
    }
  };
  same_for_all("all lines");
  state_.filters.persons = true;
  Select(state_.persons, "P1");
  Select(state_.persons, "P2");
  state_.filters.time = true;
  for (int id : {2, 5, 9, 17, 30}) state_.time_tree.node(id).selected = true;
  same_for_all("persons and days");
  // An empty line ends its range; a bad time stamp ends the conversion.
  const std::string bad = "[1,C1,P1,bad]x";
  std::vector<std::string_view> lines = state_.input_lines();
  lines[20] = "";
  lines[41] = bad;
  lines[45] = bad;
  state_.SetInputLines(std::move(lines));  // lines the load never read
  same_for_all("empty line and bad time stamps");
  state_.filters = {};
  same_for_all("bad time stamps");
}

// Converting the whole log from its raw lines, keeping none, gives the
// windows, lines and errors of a full load and conversion.
TEST_F(ConvertTest, WholeLogFromRawLinesAsLoadAndConvert) {
  std::string log;
  for (int i = 0; i < 40; ++i) {
    log += i % 7 == 3    ? "no header\r\n"
           : i % 11 == 5 ? "[1,\"C\",\"Polbot\",1104624000]bot\n"
           : i % 13 == 8
               ? "\n"
               : "[1,\"C" + std::to_string(i % 3) + "\",\"P\"," +
                     std::to_string(1104624000 + i * 40000) + "]<b>" + std::to_string(i) + "</b>\n";
  }
  options_.show_time = options_.show_channel = options_.delete_tags = true;
  options_.channel_colors = true;
  const ConvertSettings colors{.color_definitions = {"C1=ff0000", "c2=00ff00", "C=0000ff"}};
  // Whole: 0 no, 1 without the channels list, 2 with it.
  auto outcome = [&](const std::string& bytes, int whole, const PassThreads& threads) {
    ChatState state;
    state.ReplaceRawLines(LineStore::FromBytes(bytes));
    const LoadSettings load{.suppress_bot_lines = true};
    windows_.events.clear();
    Strings lines;
    OutputLines out(lines);
    std::string error;
    try {
      if (whole > 0) {
        const WholeLog log =
            LoadWholeLog(state.TakeRawLines(), load, windows_, threads, whole == 2);
        ConvertWholeLogIntoSink(log, options_, colors, out, windows_, threads);
      } else {
        RunLoadPass(state, load, windows_, threads);
        ConvertIntoSink(state, options_, colors, out, windows_, threads);
      }
    } catch (const Error& e) {
      error = e.what() + std::string(" ") + std::to_string(e.line());
    }
    return Concat({windows_.events, lines, {error}});
  };
  const std::string bad = log + "[1,\"C\",\"P\",x1]y\n" + log;
  for (const std::string* bytes : {static_cast<const std::string*>(&log), &bad}) {
    const Strings full = outcome(*bytes, 0, {.count = 1});
    EXPECT_GT(full.size(), 30u);
    for (unsigned count : {1u, 3u}) {
      for (int whole : {1, 2}) {
        EXPECT_EQ(outcome(*bytes, whole, {.count = count, .lines_per_chunk = 4}), full)
            << count << " threads, whole " << whole;
      }
    }
  }
}

TEST(ConvertHelpersTest, FilterModeCodesAndFooters) {
  EXPECT_EQ(static_cast<int>(ChooseFilterMode(false, false)), 0);
  EXPECT_EQ(static_cast<int>(ChooseFilterMode(true, false)), 1);
  EXPECT_EQ(static_cast<int>(ChooseFilterMode(false, true)), 3);
  EXPECT_EQ(static_cast<int>(ChooseFilterMode(true, true)), 4);
  Strings lines;
  OutputLines out(lines);
  AppendFooter(Dialect::kUbb, out);
  AppendFooter(Dialect::kHtml, out);
  AppendFooter(Dialect::kMarkdown, out);
  AppendFooter(static_cast<Dialect>(5), out);
  EXPECT_EQ(lines, Concat({kUbbFooter, kHtmlFooter, kMarkdownFooter}));
}

}  // namespace
}  // namespace quorlix
