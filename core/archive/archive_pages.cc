#include "core/archive/archive_pages.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string_view>

#include "core/archive/archive_files.h"
#include "core/convert/converter.h"
#include "core/dialects/page_text.h"
#include "core/dialects/page_writer.h"
#include "core/text/text_util.h"
#include "core/text/translation.h"
#include "core/text/utc_time.h"

namespace quorlix {
namespace {

// The indexes' tables and links, on the page's own style.
constexpr std::string_view kLight[] = {
    "nav{margin:.6em 0;font-size:.9em}",
    "nav a,main a{color:#1a5fb4;font-size:1em}",
    "table{border-collapse:collapse;width:100%;margin:.2em 0 1em;table-layout:fixed}",
    // The same columns in every month's table.
    "table.s th:nth-child(1){width:6.5em}",
    "table.s th:nth-child(2){width:12.5em}",
    "table.s th:nth-child(3){width:6em}",
    "table.s th:nth-child(4){width:3.5em}",
    "table.p th:nth-child(n+2){width:6.5em}",
    "th,td{text-align:left;vertical-align:top;padding:.25em .9em .25em 0;"
    "border-bottom:1px solid #e4e6ea;font-variant-numeric:tabular-nums}",
    "th{font-size:.85em;font-weight:600;color:#5f636a}",
    "td.n{text-align:right}",
    ".w{white-space:nowrap}",
    "ul.scenes{margin:.3em 0 1em;padding-left:1.2em}",
    "section p{margin:.2em 0;color:#5f636a}",
};
constexpr std::string_view kDark[] = {
    "nav a,main a{color:#8ab4ff}",
    "th,td{border-bottom-color:#3a3d44}",
    "th,section p{color:#a4a9b0}",
};
constexpr std::string_view kPrint[] = {
    "nav{display:none}",
    "nav a,main a{color:#000}",
    "th,td{border-bottom-color:#999}",
};
constexpr PageStyleLines kStyle{kLight, kDark, kPrint};

void AppendEscaped(std::string_view utf8, std::string& out) { AppendPageTextOfName(utf8, out); }

// "12 min", "2 h 05 min", "40 s".
void AppendDuration(int64_t seconds, std::string& out) {
  if (seconds < 60) {
    AppendNumber(std::max<int64_t>(seconds, 0), out);
    out.append(" s");
    return;
  }
  const int64_t minutes = seconds / 60;
  if (minutes >= 60) {
    AppendNumber(minutes / 60, out);
    out.append(" h ");
    if (minutes % 60 < 10) out.push_back('0');
  }
  AppendNumber(minutes % 60, out);
  out.append(" min");
}

// "YYYY-MM" of the UTC month.
std::string MonthOf(int64_t time) {
  std::string date;
  AppendPageDate(time, date);
  return date.substr(0, date.size() - 3);
}

// The count with the singular or plural words (each "%s" for the number).
std::string Counted(int64_t count, const char* one, const char* many) {
  return FormatText(count == 1 ? one : many, {std::to_string(count)});
}

// The persons sorted by name ignoring letter case, and each name's place
// in that list (for the anchors "pN" of persons.html, from 1).
struct PersonOrder {
  std::vector<std::size_t> sorted;  // indices into SceneList::names
  std::vector<std::size_t> place;   // by index into SceneList::names
};

PersonOrder SortPersons(const SceneList& scenes) {
  PersonOrder order;
  order.sorted.resize(scenes.names.size());
  std::iota(order.sorted.begin(), order.sorted.end(), std::size_t{0});
  std::stable_sort(order.sorted.begin(), order.sorted.end(), [&](std::size_t a, std::size_t b) {
    return CompareIgnoreAsciiCase(scenes.names[a], scenes.names[b]) < 0;
  });
  order.place.resize(scenes.names.size());
  for (std::size_t k = 0; k < order.sorted.size(); ++k) order.place[order.sorted[k]] = k + 1;
  return order;
}

class IndexWriter {
 public:
  IndexWriter(const ArchiveContents& archive, OutputSink& out) : archive_(archive), out_(out) {}

  // The page's start with its <h1> and the line under it.
  void Start(const std::string& heading, const std::string& summary, std::string_view other_href,
             const std::string& other_words) {
    text_.clear();
    AppendEscaped(heading, text_);
    text_.append(": ");
    AppendEscaped(archive_.log_names, text_);
    WritePageStart(text_, {}, kStyle, out_);
    text_.clear();
    Emit("<header>");
    text_.append("<h1>");
    AppendEscaped(heading, text_);
    text_.append(": ");
    AppendEscaped(archive_.log_names, text_);
    text_.append("</h1>");
    Emit();
    text_.append("<p class=\"span\">");
    AppendEscaped(summary, text_);
    text_.append("</p>");
    Emit();
    text_.append("<nav><a href=\"").append(other_href).append("\">");
    AppendEscaped(other_words, text_);
    text_.append("</a></nav>");
    Emit();
    Emit("</header>");
    Emit("<main>");
  }

  void End() {
    Emit("</main>");
    Emit("<footer>");
    text_.append("<p>");
    AppendEscaped(Tr("Created using"), text_);
    text_.append(" <a href=\"").append(kHomePageUrl).append("\">The Quorlix</a></p>");
    Emit();
    Emit("</footer>");
    Emit("</body>");
    Emit("</html>");
  }

  // "<tr><th>…</th>…</tr>" of `words`.
  void HeadRow(std::string_view table_class, std::initializer_list<std::string> words) {
    text_.append("<table class=\"").append(table_class).append("\">");
    Emit();
    text_.append("<thead><tr>");
    for (const std::string& word : words) {
      text_.append("<th>");
      AppendEscaped(word, text_);
      text_.append("</th>");
    }
    text_.append("</tr></thead>");
    Emit();
    Emit("<tbody>");
  }

  void Emit() {
    out_.AppendLine(text_);
    text_.clear();
  }
  void Emit(std::string_view line) { out_.AppendLine(line); }
  std::string& text() { return text_; }
  const ArchiveContents& archive() const { return archive_; }

 private:
  const ArchiveContents& archive_;
  OutputSink& out_;
  std::string text_;
};

// "2005-03-05 19:03:12 to 2006-01-01 21:00:00 UTC, " for the scenes, or "".
std::string SpanOfScenes(const ArchiveContents& archive) {
  if (archive.order.empty()) return "";
  int64_t first = INT64_MAX, last = INT64_MIN;
  for (const SceneInfo& scene : archive.scenes.scenes) {
    first = std::min(first, scene.first_time);
    last = std::max(last, scene.last_time);
  }
  std::string from, to;
  AppendPageDateTime(first, from);
  AppendPageDateTime(last, to);
  return FormatText(Tr("%s to %s UTC"), {from, to}) + ", ";
}

// Each person's link in the index's rows, "<a href=…>name</a> ", made
// once: a person is named in many rows.
std::vector<std::string> PersonLinks(const SceneList& scenes, const PersonOrder& persons) {
  std::vector<std::string> links(scenes.names.size());
  for (std::size_t name = 0; name < links.size(); ++name) {
    std::string& link = links[name];
    link.append("<a href=\"persons.html#p");
    AppendNumber(static_cast<int64_t>(persons.place[name]), link);
    link.append("\">");
    AppendPageText(scenes.names[name], link);
    link.append("</a> ");
  }
  return links;
}

// One scene's row of the index.
void AppendSceneRow(const ArchiveContents& archive, const std::vector<std::string>& person_links,
                    std::size_t k, std::string& text) {
  const SceneInfo& scene = archive.scenes.scenes[k];
  text.append("<tr><td class=\"w\"><a href=\"").append(archive.pages[k]).append("\">");
  AppendPageDate(scene.first_time, text);
  text.append("</a></td><td>");
  AppendPageClock(scene.first_time, text);
  text.append(" \u2013 <span class=\"w\">");
  if (UtcMidnight(scene.last_time) != UtcMidnight(scene.first_time)) {
    AppendPageDate(scene.last_time, text);
    text.push_back(' ');
  }
  AppendPageClock(scene.last_time, text);
  text.append("</span></td><td class=\"w\">");
  AppendDuration(scene.last_time - scene.first_time, text);
  text.append("</td><td class=\"n\">");
  AppendNumber(scene.lines, text);
  text.append("</td><td>");
  const char* separator = "";
  for (const ScenePerson& person : archive.scenes.PersonsOf(k)) {
    text.append(separator).append(person_links[person.name]);
    AppendNumber(person.lines, text);
    separator = ", ";
  }
  text.append("</td></tr>");
}

}  // namespace

std::vector<std::size_t> ScenesOldestFirst(const SceneList& scenes) {
  std::vector<std::size_t> order(scenes.scenes.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return scenes.scenes[a].first_time < scenes.scenes[b].first_time;
  });
  return order;
}

std::string ArchiveIndexWord() { return Tr("Index of scenes"); }
std::string PreviousSceneWords() { return Tr("\u2190 Previous scene"); }
std::string NextSceneWords() { return Tr("Next scene \u2192"); }

void WriteArchiveIndex(const ArchiveContents& archive, OutputSink& out) {
  IndexWriter page(archive, out);
  int64_t lines = 0;
  for (const SceneInfo& scene : archive.scenes.scenes) lines += scene.lines;
  const int64_t count = static_cast<int64_t>(archive.order.size());
  page.Start(Tr("Scenes"),
             SpanOfScenes(archive) + Counted(count, Tr("1 scene"), Tr("%s scenes")) + ", " +
                 Counted(lines, Tr("1 line"), Tr("%s lines")),
             kArchivePersonsName, Tr("Persons"));
  if (archive.order.empty()) {
    page.text().append("<p>");
    AppendEscaped(Tr("No scenes."), page.text());
    page.text().append("</p>");
    page.Emit();
  }
  const std::vector<std::string> person_links =
      PersonLinks(archive.scenes, SortPersons(archive.scenes));
  std::string month;
  for (auto k = archive.order.rbegin(); k != archive.order.rend(); ++k) {
    const std::string this_month = MonthOf(archive.scenes.scenes[*k].first_time);
    if (this_month != month) {
      if (!month.empty()) page.Emit("</tbody></table>");
      month = this_month;
      page.text().append("<h2 id=\"m").append(month).append("\">").append(month).append("</h2>");
      page.Emit();
      page.HeadRow("s", {Tr("Day"), Tr("Time (UTC)"), Tr("Duration"), Tr("Lines"), Tr("Persons")});
    }
    AppendSceneRow(archive, person_links, *k, page.text());
    page.Emit();
  }
  if (!month.empty()) page.Emit("</tbody></table>");
  page.End();
}

void WriteArchivePersons(const ArchiveContents& archive, OutputSink& out) {
  const SceneList& scenes = archive.scenes;
  // Each person's scenes, newest first.
  std::vector<std::vector<std::size_t>> of(scenes.names.size());
  for (auto k = archive.order.rbegin(); k != archive.order.rend(); ++k) {
    for (const ScenePerson& person : scenes.PersonsOf(*k)) of[person.name].push_back(*k);
  }
  const PersonOrder persons = SortPersons(scenes);
  // Each scene's item in the lists, made once: a scene is listed under
  // each of its persons.
  std::vector<std::string> items(scenes.scenes.size());
  const char* const one_line = Tr("1 line");
  const char* const lines = Tr("%s lines");
  for (std::size_t k = 0; k < items.size(); ++k) {
    const SceneInfo& scene = scenes.scenes[k];
    std::string& item = items[k];
    item.append("<li><a href=\"").append(archive.pages[k]).append("\">");
    AppendPageDateTime(scene.first_time, item);
    item.append("</a> ");
    AppendEscaped(Counted(scene.lines, one_line, lines), item);
    item.append("</li>");
  }
  IndexWriter page(archive, out);
  const int64_t count = static_cast<int64_t>(persons.sorted.size());
  page.Start(Tr("Persons"), Counted(count, Tr("1 person"), Tr("%s persons")), kArchiveIndexName,
             ArchiveIndexWord());
  std::string& text = page.text();
  if (count > 0) page.HeadRow("p", {Tr("Person"), Tr("Scenes"), Tr("First"), Tr("Last")});
  for (const std::size_t name : persons.sorted) {
    const std::vector<std::size_t>& mine = of[name];
    if (mine.empty()) continue;
    text.append("<tr><td><a href=\"#p");
    AppendNumber(static_cast<int64_t>(persons.place[name]), text);
    text.append("\">");
    AppendPageText(scenes.names[name], text);
    text.append("</a></td><td class=\"n\">");
    AppendNumber(static_cast<int64_t>(mine.size()), text);
    text.append("</td><td class=\"w\">");
    AppendPageDate(scenes.scenes[mine.back()].first_time, text);
    text.append("</td><td class=\"w\">");
    AppendPageDate(scenes.scenes[mine.front()].last_time, text);
    text.append("</td></tr>");
    page.Emit();
  }
  if (count > 0) page.Emit("</tbody></table>");
  for (const std::size_t name : persons.sorted) {
    const std::vector<std::size_t>& mine = of[name];
    if (mine.empty()) continue;
    text.append("<section id=\"p");
    AppendNumber(static_cast<int64_t>(persons.place[name]), text);
    text.append("\"><h2>");
    AppendPageText(scenes.names[name], text);
    text.append("</h2>");
    page.Emit();
    std::string first, last;
    AppendPageDateTime(scenes.scenes[mine.back()].first_time, first);
    AppendPageDateTime(scenes.scenes[mine.front()].last_time, last);
    text.append("<p>");
    AppendEscaped(Counted(static_cast<int64_t>(mine.size()), Tr("1 scene"), Tr("%s scenes")) +
                      ", " + FormatText(Tr("%s to %s UTC"), {first, last}),
                  text);
    text.append("</p>");
    page.Emit();
    page.Emit("<ul class=\"scenes\">");
    for (const std::size_t k : mine) page.Emit(items[k]);
    page.Emit("</ul>");
    page.Emit("</section>");
  }
  page.End();
}

}  // namespace quorlix
