#include "core/dialects/page_writer.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>
#include <vector>

#include "core/dialects/formatter.h"
#include "core/dialects/page_text.h"
#include "core/text/name_lookup.h"
#include "core/text/text_util.h"
#include "core/text/utc_time.h"
#include "core/work/caption_counter.h"

namespace quorlix {
namespace {

// A person's colour on a light and on a dark page; each has a contrast of
// at least 4.5:1 with its page's background (#ffffff and #16181c), and
// neighbours in the list differ in hue.
struct PersonColor {
  std::string_view light, dark;
};
constexpr PersonColor kPersonColors[kPagePersonColors] = {
    {"#b3261e", "#ff8a80"}, {"#1a5fb4", "#8ab4ff"}, {"#26802f", "#7bd88f"}, {"#8a4baf", "#d0a2f7"},
    {"#a85400", "#ffb74d"}, {"#00777a", "#4dd0c8"}, {"#a3246e", "#f48fc7"}, {"#5e6b00", "#c5d96a"},
    {"#4a55c9", "#a5adff"}, {"#8c5a2b", "#d7a77a"}, {"#c0185a", "#ff80ab"}, {"#3a6e8f", "#8fd0e6"},
};

// The page's style, before the person colours.
constexpr std::string_view kStyleLines[] = {
    "html{color-scheme:light dark}",
    "body{margin:0 auto;max-width:60em;padding:.5em 1em 2em;background:#fff;color:#1b1b1b;"
    "font:1rem/1.45 system-ui,-apple-system,\"Segoe UI\",Roboto,sans-serif;"
    "overflow-wrap:anywhere;word-break:normal;-webkit-text-size-adjust:100%}",
    "h1{font-size:1.4em;margin:.6em 0 .2em}",
    "header p{margin:.2em 0;color:#5f636a}",
    "ul.persons{list-style:none;margin:.4em 0 1em;padding:0}",
    "ul.persons li{display:inline-block;margin:0 1em .2em 0}",
    "h2{font-size:1em;margin:1.2em 0 .4em;padding-bottom:.15em;border-bottom:1px solid #d6d8dc;"
    "color:#5f636a}",
    "main p{margin:0;padding:.12em 0 .12em 4.9em;text-indent:-4.9em}",
    "main a{color:#6b6f76;text-decoration:none;font-variant-numeric:tabular-nums;"
    "font-size:.85em}",
    "main a:hover,main a:focus{text-decoration:underline}",
    "p:target{background:#fff3bf}",
    ".lr{color:#6b6f76}",
    "footer{margin-top:2em;font-size:.85em;color:#6b6f76}",
    "footer a{color:inherit}",
};
constexpr std::string_view kDarkStyleLines[] = {
    "body{background:#16181c;color:#e6e6e6}",
    "header p,h2{color:#a4a9b0}",
    "h2{border-bottom-color:#3a3d44}",
    "main a,.lr,footer{color:#9aa0a6}",
    "p:target{background:#3d3514}",
    // The game's colours as lightened for the dark page (core/dialects/page_text.h).
    "main span[style]{color:var(--d)!important}",
};
constexpr std::string_view kPrintStyleLines[] = {
    "body{max-width:none;padding:0;background:#fff;color:#000;font-size:10pt}",
    "main a,.lr,footer,header p,h2{color:#555}",
    "p:target{background:none}",
    "main p{break-inside:avoid}",
    "h2{break-after:avoid}",
};

// The page's meta lines: should anything in the page ever read as markup,
// it still can run nothing and load nothing.
constexpr std::string_view kMetaLines[] = {
    "<!DOCTYPE html>",
    "<html>",
    "<head>",
    "<meta charset=\"utf-8\">",
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
    "'none'; style-src 'unsafe-inline'; base-uri 'none'; form-action "
    "'none'\">",
    "<meta name=\"referrer\" content=\"no-referrer\">",
    "<meta name=\"color-scheme\" content=\"light dark\">",
    "<meta name=\"generator\" content=\"Quorlix\">",
};

// The links of a page of a set, and their colours.
constexpr std::string_view kNavigationLight[] = {
    "nav{margin:.6em 0;font-size:.9em}",
    "nav a{color:#1a5fb4;margin-right:1.2em}",
};
constexpr std::string_view kNavigationDark[] = {"nav a{color:#8ab4ff}"};
constexpr std::string_view kNavigationPrint[] = {"nav{display:none}"};
constexpr PageStyleLines kNavigationStyle{kNavigationLight, kNavigationDark, kNavigationPrint};

// The style's ".pK{color:…}" of every person colour, for the light or
// the dark page.
void EmitPersonClasses(bool dark, std::string& text, OutputSink& out) {
  for (int k = 0; k < kPagePersonColors; ++k) {
    text.append(".p").append(std::to_string(k)).append("{color:");
    text.append(dark ? kPersonColors[k].dark : kPersonColors[k].light).append("}");
    out.AppendLine(text);
    text.clear();
  }
}

void AppendTwoDigits(unsigned value, std::string& out) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

// A line's anchor: "lN" for line N of the log, "lK-N" for line N of the
// K-th of several merged logs, so that anchors stay unique and a merge
// leaves a single log's anchors as they were.
void AppendAnchor(const PageLine& line, std::string& out) {
  out.push_back('l');
  if (line.log > 0) {
    AppendNumber(line.log, out);
    out.push_back('-');
  }
  AppendNumber(line.number, out);
}

// YYYY-MM-DD of the UTC day.
void AppendDate(const UtcTime& u, std::string& out) {
  AppendNumber(u.year, out);
  out.push_back('-');
  AppendTwoDigits(u.month, out);
  out.push_back('-');
  AppendTwoDigits(u.day, out);
}

// HH:MM:SS in UTC.
void AppendClock(const UtcTime& u, std::string& out) {
  AppendTwoDigits(u.hour, out);
  out.push_back(':');
  AppendTwoDigits(u.minute, out);
  out.push_back(':');
  AppendTwoDigits(u.second, out);
}

void AppendDateTime(int64_t t, std::string& out) {
  const UtcTime u = ToUtc(t);
  AppendDate(u, out);
  out.push_back(' ');
  AppendClock(u, out);
}

// The persons of a page in the order they first appear (letter case
// ignored, as the persons list merges them; the spelling met first is
// shown), with their line counts.
class PagePersons {
 public:
  struct Person {
    std::string name;
    int64_t lines = 0;
  };

  // The index of `person`, added when new; -1 for a line naming nobody.
  int64_t Find(std::string_view person) {
    if (person.empty()) return -1;
    if (const std::size_t* known = spellings_.Find(person)) return static_cast<int64_t>(*known);
    key_.assign(person);
    AsciiLowerInPlace(key_);
    const std::size_t index = *keys_.Insert(key_, persons_.size()).first;
    if (index == persons_.size()) persons_.push_back(Person{std::string(person), 0});
    spellings_.Insert(person, index);
    return static_cast<int64_t>(index);
  }
  void Count(std::string_view person) {
    const int64_t index = Find(person);
    if (index >= 0) ++persons_[static_cast<std::size_t>(index)].lines;
  }
  const std::vector<Person>& persons() const { return persons_; }

 private:
  NameTable<std::size_t> spellings_, keys_;
  std::vector<Person> persons_;
  std::string key_;
};

struct PageFigures {
  int64_t lines = 0;
  int64_t first_time = INT64_MAX, last_time = INT64_MIN;  // the earliest and the latest
};

class PageWriter {
 public:
  PageWriter(const ConvertOptions& options, const ConvertSettings& settings, OutputSink& out,
             const PageNavigation* navigation)
      : options_(options),
        settings_(settings),
        out_(out),
        navigation_(navigation),
        colors_(options, settings.color_definitions, settings.time_pattern) {}

  void Count(const PageLine& line) {
    ++figures_.lines;
    figures_.first_time = std::min(figures_.first_time, line.time);
    figures_.last_time = std::max(figures_.last_time, line.time);
    persons_.Count(line.person);
    if (options_.show_channel && options_.channel_colors) ChannelClass(line.channel);
  }
  int64_t lines() const { return figures_.lines; }

  void WriteHead();
  void WriteLine(const PageLine& line);
  void WriteEnd();

 private:
  void Emit() {
    out_.AppendLine(text_);
    text_.clear();
  }
  void Emit(std::string_view line) { out_.AppendLine(line); }
  void AppendName();
  void AppendTitle();
  void WriteNavigation();
  int64_t ChannelClass(std::string_view channel);
  std::string_view ChannelPart(std::string_view channel);
  std::string_view PersonPart(std::string_view person);

  const ConvertOptions& options_;
  const ConvertSettings& settings_;
  OutputSink& out_;
  const PageNavigation* navigation_;
  LineFormatter colors_;  // only its channel colours
  PageFigures figures_;
  PagePersons persons_;
  std::string text_;
  int64_t day_ = INT64_MIN;  // the UTC midnight of the last line written
  NameTable<std::string> channel_parts_, person_parts_;
  // The channel colours met, each a class "cK" of the style; by spelling,
  // the class of each channel (-1: no colour).
  std::vector<uint32_t> channel_colors_;
  NameTable<int64_t> channel_classes_;
};

// The log's name, or words that stand for it when it has none.
void PageWriter::AppendName() {
  if (settings_.log_name.empty()) {
    text_.append("Chat log");
  } else {
    AppendPageTextOfName(settings_.log_name, text_);
  }
}

void PageWriter::AppendTitle() {
  AppendName();
  if (figures_.lines == 0) return;
  text_.append(", ");
  AppendDateTime(figures_.first_time, text_);
  text_.append(" to ");
  AppendDateTime(figures_.last_time, text_);
  text_.append(" UTC");
}

void PageWriter::WriteHead() {
  text_.clear();
  AppendTitle();
  const std::string title = std::move(text_);
  text_.clear();
  WritePageStart(title, channel_colors_, navigation_ ? kNavigationStyle : PageStyleLines{}, out_);
  if (navigation_) WriteNavigation();
  Emit("<header>");
  text_.append("<h1>");
  AppendName();
  text_.append("</h1>");
  Emit();
  text_.append("<p class=\"span\">");
  if (figures_.lines > 0) {
    AppendDateTime(figures_.first_time, text_);
    text_.append(" to ");
    AppendDateTime(figures_.last_time, text_);
    text_.append(" UTC, ");
  }
  AppendNumber(figures_.lines, text_);
  text_.append(figures_.lines == 1 ? " line</p>" : " lines</p>");
  Emit();
  // Most lines first; ties in the order they first appear.
  std::vector<std::size_t> order(persons_.persons().size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return persons_.persons()[a].lines > persons_.persons()[b].lines;
  });
  if (!order.empty()) {
    Emit("<ul class=\"persons\">");
    for (std::size_t k : order) {
      const PagePersons::Person& person = persons_.persons()[k];
      text_.append("<li><b class=\"p").append(std::to_string(k % kPagePersonColors)).append("\">");
      AppendPageText(person.name, text_);
      text_.append("</b> ");
      AppendNumber(person.lines, text_);
      text_.append("</li>");
      Emit();
    }
    Emit("</ul>");
  }
  Emit("</header>");
  Emit("<main>");
  if (figures_.lines == 0) Emit("<p>No lines.</p>");
}

// The class of the channel's colour, when config.cfg gives it one that
// is a colour; -1 otherwise.
int64_t PageWriter::ChannelClass(std::string_view channel) {
  if (const int64_t* known = channel_classes_.Find(channel)) return *known;
  int64_t index = -1;
  if (const std::optional<uint32_t> rgb = ParseChannelColor(colors_.ChannelColor(channel))) {
    const auto at = std::find(channel_colors_.begin(), channel_colors_.end(), *rgb);
    index = at - channel_colors_.begin();
    if (at == channel_colors_.end()) channel_colors_.push_back(*rgb);
  }
  channel_classes_.Insert(channel, index);
  return index;
}

// "<b class="cK">[Channel]</b> ", the class only for a channel in colour;
// kept per spelling.
std::string_view PageWriter::ChannelPart(std::string_view channel) {
  if (const std::string* cached = channel_parts_.Find(channel)) return *cached;
  std::string part = "<b";
  const int64_t index = options_.channel_colors ? ChannelClass(channel) : -1;
  if (index >= 0) part.append(" class=\"c").append(std::to_string(index)).append("\"");
  part.append(">[");
  AppendPageText(channel, part);
  part.append("]</b> ");
  return *channel_parts_.Insert(channel, std::move(part)).first;
}

// "<b class="pK">Person</b>: ", or nothing for a line naming nobody.
std::string_view PageWriter::PersonPart(std::string_view person) {
  if (person.empty()) return {};
  if (const std::string* cached = person_parts_.Find(person)) return *cached;
  const int64_t index = persons_.Find(person);
  std::string part = "<b class=\"p";
  part.append(std::to_string(index % kPagePersonColors)).append("\">");
  AppendPageText(person, part);
  part.append("</b>: ");
  return *person_parts_.Insert(person, std::move(part)).first;
}

void PageWriter::WriteLine(const PageLine& line) {
  const UtcTime u = ToUtc(line.time);
  const int64_t midnight = UtcMidnight(line.time);
  if (midnight != day_) {
    day_ = midnight;
    text_.append("<h2>");
    AppendDate(u, text_);
    text_.append("</h2>");
    Emit();
  }
  text_.append("<p id=\"");
  AppendAnchor(line, text_);
  text_.append("\"><a href=\"#");
  AppendAnchor(line, text_);
  text_.append("\">");
  AppendClock(u, text_);
  text_.append("</a> ");
  if (options_.show_channel) text_.append(ChannelPart(line.channel));
  text_.append(PersonPart(line.person));
  AppendPageMessage(
      line.message,
      PageMessageOptions{.mark_links = options_.mark_links, .delete_tags = options_.delete_tags},
      text_);
  text_.append("</p>");
  Emit();
}

// "<nav>" with the links there are.
void PageWriter::WriteNavigation() {
  text_.append("<nav>");
  const std::pair<const std::string&, const std::string&> links[] = {
      {navigation_->index_href, navigation_->index_text},
      {navigation_->previous_href, navigation_->previous_text},
      {navigation_->next_href, navigation_->next_text},
  };
  for (const auto& [href, words] : links) {
    if (href.empty()) continue;
    text_.append("<a href=\"").append(href).append("\">");
    AppendPageTextOfName(words, text_);
    text_.append("</a>");
  }
  text_.append("</nav>");
  Emit();
}

void PageWriter::WriteEnd() {
  Emit("</main>");
  if (navigation_) WriteNavigation();
  Emit("<footer>");
  text_.append("<p>Created using <a href=\"").append(kHomePageUrl).append("\">The Quorlix</a></p>");
  Emit();
  Emit("</footer>");
  Emit("</body>");
  Emit("</html>");
}

}  // namespace

void WritePageStart(std::string_view title_html, std::span<const uint32_t> channel_colors,
                    const PageStyleLines& extra, OutputSink& out) {
  for (std::string_view line : kMetaLines) out.AppendLine(line);
  std::string text = "<title>";
  text.append(title_html).append("</title>");
  out.AppendLine(text);
  text.clear();
  out.AppendLine("<style>");
  for (std::string_view line : kStyleLines) out.AppendLine(line);
  EmitPersonClasses(/*dark=*/false, text, out);
  for (std::size_t k = 0; k < channel_colors.size(); ++k) {
    text.append(".c").append(std::to_string(k)).append("{color:");
    AppendHexColor(channel_colors[k], text);
    text.append("}");
    out.AppendLine(text);
    text.clear();
  }
  for (std::string_view line : extra.light) out.AppendLine(line);
  out.AppendLine("@media (prefers-color-scheme:dark){");
  for (std::string_view line : kDarkStyleLines) out.AppendLine(line);
  EmitPersonClasses(/*dark=*/true, text, out);
  for (std::string_view line : extra.dark) out.AppendLine(line);
  out.AppendLine("}");
  // Paper is light whatever the screen was.
  out.AppendLine("@media print{");
  for (std::string_view line : kPrintStyleLines) out.AppendLine(line);
  EmitPersonClasses(/*dark=*/false, text, out);
  for (std::string_view line : extra.print) out.AppendLine(line);
  out.AppendLine("}");
  out.AppendLine("</style>");
  out.AppendLine("</head>");
  out.AppendLine("<body>");
}

void AppendPageDate(int64_t unix_seconds, std::string& out) {
  AppendDate(ToUtc(unix_seconds), out);
}
void AppendPageClock(int64_t unix_seconds, std::string& out) {
  AppendClock(ToUtc(unix_seconds), out);
}
void AppendPageDateTime(int64_t unix_seconds, std::string& out) {
  AppendDateTime(unix_seconds, out);
}

int64_t WritePage(const PageLines& lines, const ConvertOptions& options,
                  const ConvertSettings& settings, OutputSink& out, WorkingWindowFactory& windows,
                  const PageNavigation* navigation) {
  const std::unique_ptr<WorkingWindow> window = windows.Create();
  window->Show();
  WorkingWindowCloser closer(*window);
  PageWriter writer(options, settings, out, navigation);
  lines([&](const PageLine& line) { writer.Count(line); });
  writer.WriteHead();
  const bool captions = window->ShowsCaption();
  CaptionCounter caption;
  int64_t written = 0;
  lines([&](const PageLine& line) {
    writer.WriteLine(line);
    if (!captions) return;
    if (++written == 1) {
      caption.Start(1, writer.lines());
    } else {
      caption.Increment();
    }
    window->SetCaption(caption.text());
  });
  closer.Close();
  writer.WriteEnd();
  return writer.lines();
}

}  // namespace quorlix
