#include "core/formatter.h"

#include <charconv>
#include <climits>
#include <cstring>

#include "core/byte_scan.h"
#include "core/text_util.h"
#include "core/utc_time.h"

namespace quorlix {
namespace {

struct Replacement {
  std::string_view from;  // lower case: matched ignoring letter case
  std::string_view to;
};

// Applied in this order, each to the result of the one before.
constexpr Replacement kUbbReplacements[] = {
    {"<font color=", "[color="}, {"</font>", "[/color]"}, {"</a>", ""}, {"<br>", ""},
    {"'#", "#"},                 {"'>", "]"},             {">", "]"},   {"<", "["},
};
constexpr Replacement kHtmlReplacements[] = {
    {"</a>", ""}, {"<br>", ""}, {"'#", "#"}, {"'>", "]"}, {"]", ">"}, {"[", "<"},
};

// Bytes that start a markup replacement, by dialect ("<" among them); a
// message without any of them passes the tag and replacement stages as is.
constexpr std::string_view kUbbTriggers = "<>'";
constexpr std::string_view kHtmlTriggers = "<'[]";

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// First position >= `from` where `pattern` (lower case) occurs in `text`
// ignoring letter case; npos when none. The first byte is found with
// memchr when it is not a letter, which holds for every markup pattern.
std::size_t FindIgnoreCase(std::string_view text, std::string_view pattern, std::size_t from) {
  const char first = pattern[0];
  const std::size_t rest = pattern.size() - 1;
  if (text.size() < pattern.size()) return std::string_view::npos;
  const std::size_t stop = text.size() - rest;  // last start + 1
  const char* const data = text.data();
  std::size_t pos = from;
  while (pos < stop) {
    if (IsAsciiLetter(first)) {
      while (pos < stop && AsciiLower(data[pos]) != first) ++pos;
      if (pos == stop) break;
    } else {
      const void* hit = std::memchr(data + pos, first, stop - pos);
      if (hit == nullptr) break;
      pos = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    }
    std::size_t j = 1;
    while (j <= rest && AsciiLower(data[pos + j]) == pattern[j]) ++j;
    if (j > rest) return pos;
    ++pos;
  }
  return std::string_view::npos;
}

// Replaces every occurrence of `r.from`, left to right without overlap.
// Shrinking or equal-size replacements work in place; growing ones build
// into `scratch`, which then changes places with `text`.
void ReplaceAllIgnoreCase(std::string& text, const Replacement& r, std::string& scratch) {
  std::size_t match = FindIgnoreCase(text, r.from, 0);
  if (match == std::string::npos) return;
  if (r.from.size() == 1 && r.to.size() == 1 && !IsAsciiLetter(r.from[0])) {
    char* const end = text.data() + text.size();
    for (char* p = text.data() + match; p != nullptr;) {
      *p = r.to[0];
      p = static_cast<char*>(std::memchr(p + 1, r.from[0], static_cast<std::size_t>(end - p - 1)));
    }
    return;
  }
  if (r.to.size() <= r.from.size()) {
    // The write position never passes the read position, so the text
    // still to be searched is never overwritten.
    char* const data = text.data();
    std::size_t write = match, read = match;
    while (match != std::string::npos) {
      std::memmove(data + write, data + read, match - read);
      write += match - read;
      std::memcpy(data + write, r.to.data(), r.to.size());
      write += r.to.size();
      read = match + r.from.size();
      match = FindIgnoreCase(text, r.from, read);
    }
    std::memmove(data + write, data + read, text.size() - read);
    text.resize(write + text.size() - read);
    return;
  }
  scratch.clear();
  std::size_t read = 0;
  while (match != std::string::npos) {
    scratch.append(text, read, match - read);
    scratch.append(r.to);
    read = match + r.from.size();
    match = FindIgnoreCase(text, r.from, read);
  }
  scratch.append(text, read, std::string::npos);
  text.swap(scratch);
}

void AppendNumber(int64_t value, std::string& out) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// 0 to 59 without leading zero.
void AppendSmallNumber(unsigned value, std::string& out) {
  if (value >= 10) out.push_back(static_cast<char>('0' + value / 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

LineFormatter::LineFormatter(const ConvertOptions& options,
                             const std::vector<std::string>& color_definitions,
                             std::string time_pattern)
    : options_(options),
      color_definitions_(color_definitions),
      time_pattern_(std::move(time_pattern)),
      html_(options.dialect == kDialectHtml) {
  lowered_definitions_ = color_definitions_;
  for (std::string& line : lowered_definitions_) AsciiLowerInPlace(line);
}

// The first definition line in which the lower-cased channel name occurs
// exactly once (key or value part alike) gives the text after its "=".
std::string_view LineFormatter::ChannelColor(std::string_view channel) {
  auto cached = color_cache_.find(channel);
  if (cached == color_cache_.end()) {
    key_.assign(channel);
    AsciiLowerInPlace(key_);
    int found = -1;
    for (std::size_t i = 0; i < lowered_definitions_.size() && found < 0; ++i) {
      if (CountOccurrences(key_, lowered_definitions_[i]) == 1) found = static_cast<int>(i);
    }
    cached = color_cache_.emplace(channel, found).first;
  }
  if (cached->second < 0) return {};
  return SplitAtChar(color_definitions_[static_cast<std::size_t>(cached->second)], '=', 2);
}

void LineFormatter::AppendLinePrefix(std::string_view channel, std::string_view timestamp,
                                     std::string_view person, std::string& out) {
  if (options_.show_channel) {
    const std::string_view color =
        options_.channel_colors ? ChannelColor(channel) : std::string_view();
    if (color.empty()) {
      out.append(html_ ? "<b>[" : "[b][").append(channel).append(html_ ? "]</b> " : "][/b] ");
    } else if (html_) {
      out.append("<font color=\"#").append(color).append("\"><b>[").append(channel).append(
          "]</b></font> ");
    } else {
      out.append("[color=#").append(color).append("][b][").append(channel).append(
          "][/b][/color] ");
    }
  }
  if (options_.show_time) AppendTime(timestamp, out);
  out.append(person);
  if (options_.show_channel || !person.empty() || options_.show_time) out.append(": ");
}

// The pattern's letters Y M D h m s become the UTC fields of the time
// stamp; the date texts are kept while the lines stay on one day.
void LineFormatter::AppendTime(std::string_view timestamp, std::string& out) {
  const int64_t t = ReadTimestamp(timestamp);
  const int64_t midnight = UtcMidnight(t);
  const int64_t day = midnight / kSecondsPerDay;
  if (day != cached_day_) {
    const UtcTime u = ToUtc(t);
    year_text_.clear();
    AppendNumber(u.year, year_text_);
    month_text_.clear();
    AppendSmallNumber(u.month, month_text_);
    day_text_.clear();
    AppendSmallNumber(u.day, day_text_);
    cached_day_ = day;
  }
  const auto second_of_day = static_cast<unsigned>(t - midnight);
  for (char c : time_pattern_) {
    switch (c) {
      case 'Y': out.append(year_text_); break;
      case 'M': out.append(month_text_); break;
      case 'D': out.append(day_text_); break;
      case 'h': AppendSmallNumber(second_of_day / 3600, out); break;
      case 'm': AppendSmallNumber(second_of_day / 60 % 60, out); break;
      case 's': AppendSmallNumber(second_of_day % 60, out); break;
      default: out.push_back(c);
    }
  }
  out.push_back(' ');
}

std::string LineFormatter::FormatLinePrefix(std::string_view channel,
                                            std::string_view timestamp,
                                            std::string_view person) {
  std::string prefix;
  AppendLinePrefix(channel, timestamp, person, prefix);
  return prefix;
}

// Drops each link's opening tag, from "<a href" up to its first ">"; the
// link text and "</a>" stay. The marker stands once, before everything.
void LineFormatter::RemoveLinks(std::string_view message) {
  Explode("<a href", message, 0, pieces_);
  body_.clear();
  if (options_.mark_links) body_.append(kLinkMarker);
  body_.append(pieces_[0]);
  for (std::size_t i = 1; i < pieces_.size(); ++i) body_.append(SplitAtChar(pieces_[i], '>', 2));
}

void LineFormatter::HandleTags() {
  if (options_.delete_tags) {
    // Every "<" goes with the text up to and including the next ">".
    Explode("<", body_, 0, pieces_);
    if (pieces_.size() <= 1) return;
    scratch_.assign(pieces_[0]);
    for (std::size_t i = 1; i < pieces_.size(); ++i) {
      scratch_.append(SplitAtChar(pieces_[i], '>', 2));
    }
  } else {
    // Every font tag is closed before the next one or the message's end.
    Explode("<font", body_, 0, pieces_);
    if (pieces_.size() <= 1) return;
    scratch_.assign(pieces_[0]);
    for (std::size_t i = 1; i < pieces_.size(); ++i) {
      scratch_.append("<font").append(pieces_[i]);
      if (pieces_[i].find("</font>") == std::string_view::npos) scratch_.append("</font>");
    }
  }
  body_.swap(scratch_);
}

void LineFormatter::ApplyReplacements() {
  if (html_) {
    for (const Replacement& r : kHtmlReplacements) ReplaceAllIgnoreCase(body_, r, scratch_);
  } else {
    for (const Replacement& r : kUbbReplacements) ReplaceAllIgnoreCase(body_, r, scratch_);
  }
}

bool LineFormatter::ConvertFields(std::string_view channel, std::string_view timestamp,
                                  std::string_view person, std::string_view message,
                                  std::string& out) {
  if (options_.dialect != kDialectUbb && options_.dialect != kDialectHtml) return false;
  out.clear();
  AppendLinePrefix(channel, timestamp, person, out);
  if (!ContainsAnyOf(message, html_ ? kHtmlTriggers : kUbbTriggers)) {
    out.append(message);  // plain text: no stage changes it
  } else {
    // Both tests look at the message as split, before any change.
    const bool has_tags = message.find('<') != std::string_view::npos;
    if (has_tags && message.find("<a href") != std::string_view::npos) {
      RemoveLinks(message);
    } else {
      body_.assign(message);
    }
    if (has_tags) HandleTags();
    ApplyReplacements();
    out.append(body_);
  }
  if (html_) out.append("<br>");
  return true;
}

bool LineFormatter::ConvertRecord(const LogRecord& record, std::string& out) {
  return ConvertFields(record.channel_name, record.timestamp_text, record.person, record.message,
                       out);
}

bool LineFormatter::ConvertLine(std::string_view input_line, std::string& out) {
  if (options_.dialect != kDialectUbb && options_.dialect != kDialectHtml) return false;
  SplitLineFields(input_line, fields_);
  return ConvertFields(fields_.channel_name, fields_.timestamp_text, fields_.person,
                       fields_.message, out);
}

}  // namespace quorlix
