#include "core/dialects/formatter.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "core/dialects/message_tags.h"
#include "core/line/byte_scan.h"
#include "core/text/needle_search.h"
#include "core/text/text_util.h"
#include "core/text/utc_time.h"

namespace quorlix {
namespace {

struct Replacement {
  std::string_view from;  // lower case: matched ignoring letter case
  std::string_view to;
};

// Applied in this order, each to the result of the one before.
constexpr Replacement kUbbReplacements[] = {
    {"<font color=", "[color="},
    {"</font>", "[/color]"},
    {"</a>", ""},
    {"<br>", ""},
    {"'#", "#"},
    {"'>", "]"},
    {">", "]"},
    {"<", "["},
};
constexpr Replacement kHtmlReplacements[] = {
    {"</a>", ""}, {"<br>", ""}, {"'#", "#"}, {"'>", "]"}, {"]", ">"}, {"[", "<"},
};

// The bytes that start a markup replacement ("<" starts every tag too). A
// message without those its dialect replaces passes every stage as it is:
// < > ' for UBB, < ' [ ] for Html.
constexpr std::string_view kMarkupBytes = "<>'[]";
unsigned MarkupBytesIn(std::string_view text) {
  return WhichBytesOccur<'<', '>', '\'', '[', ']'>(text);
}
constexpr unsigned kLessThanBit = 1u << 0;

unsigned MarkupBit(char c) {
  const std::size_t k = kMarkupBytes.find(c);
  return k == std::string_view::npos ? 0 : 1u << k;
}

unsigned MarkupBits(std::string_view text) {
  unsigned bits = 0;
  for (char c : text) bits |= MarkupBit(c);
  return bits;
}

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
// True when anything was replaced.
bool ReplaceAllIgnoreCase(std::string& text, const Replacement& r, std::string& scratch) {
  std::size_t match = FindIgnoreCase(text, r.from, 0);
  if (match == std::string::npos) return false;
  if (r.from.size() == 1 && r.to.size() == 1 && !IsAsciiLetter(r.from[0])) {
    char* const end = text.data() + text.size();
    for (char* p = text.data() + match; p != nullptr;) {
      *p = r.to[0];
      p = static_cast<char*>(std::memchr(p + 1, r.from[0], static_cast<std::size_t>(end - p - 1)));
    }
    return true;
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
    return true;
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
  return true;
}

// The spare bytes after the text of the day and after a prefix being built.
constexpr std::size_t kCopySlack = 16;

// Copies `n` bytes; a piece of at most kCopySlack bytes as one fixed-size
// copy, for which `from` has kCopySlack bytes to read and `to` to write.
// Returns the end of the piece written.
char* CopyPiece(char* to, const char* from, std::size_t n) {
  if (n <= kCopySlack) {
    std::memcpy(to, from, kCopySlack);
  } else {
    std::memcpy(to, from, n);
  }
  return to + n;
}

// 0 to 59 as written without leading zero: two bytes to copy, of which
// `size` count.
struct SmallNumberText {
  char digits[2];
  unsigned char size;
};
constexpr auto kSmallNumbers = [] {
  std::array<SmallNumberText, 60> texts{};
  for (unsigned v = 0; v < 60; ++v) {
    texts[v] = v < 10 ? SmallNumberText{{static_cast<char>('0' + v), '0'}, 1}
                      : SmallNumberText{
                            {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)}, 2};
  }
  return texts;
}();

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
      time_pattern_(std::move(time_pattern)),
      html_(options.dialect == Dialect::kHtml),
      markdown_(options.dialect == Dialect::kMarkdown) {
  // Only channel colours look at the definitions: without them a large
  // colordef section costs no copies.
  if (!options_.channel_colors) return;
  color_definitions_ = color_definitions;
  lowered_definitions_ = color_definitions_;
  for (std::string& line : lowered_definitions_) AsciiLowerInPlace(line);
}

// The first definition line in which the lower-cased channel name occurs
// exactly once (key or value part alike) gives the text after its "=".
std::string_view LineFormatter::ChannelColor(std::string_view channel) {
  if (const std::string_view* cached = color_cache_.Find(channel)) return *cached;
  key_.assign(channel);
  AsciiLowerInPlace(key_);
  if (const std::string_view* prepared = prepared_colors_.Find(key_)) {
    color_cache_.Insert(channel, *prepared);
    return *prepared;
  }
  std::string_view color;
  for (std::size_t i = 0; i < lowered_definitions_.size(); ++i) {
    if (CountOccurrences(key_, lowered_definitions_[i]) == 1) {
      color = SplitAtChar(color_definitions_[i], '=', 2);
      break;
    }
  }
  color_cache_.Insert(channel, color);
  return color;
}

void LineFormatter::PrepareChannelColors(const std::vector<ListEntry>& channels) {
  std::vector<std::string> keys;
  keys.reserve(channels.size());
  NameTable<bool> seen;
  for (const ListEntry& entry : channels) {
    std::string key = entry.name;
    AsciiLowerInPlace(key);
    if (seen.Insert(key, true).second) keys.push_back(std::move(key));
  }
  const std::vector<std::string_view> needles(keys.begin(), keys.end());
  const std::vector<std::ptrdiff_t> first =
      FirstTextsWithOneOccurrence(needles, lowered_definitions_);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const std::string_view color =
        first[i] < 0 ? std::string_view()
                     : SplitAtChar(color_definitions_[static_cast<std::size_t>(first[i])], '=', 2);
    prepared_colors_.Insert(keys[i], color);
  }
}

// The channel part of the prefix; kept per channel spelling, since it
// depends on nothing else.
std::string_view LineFormatter::ChannelPart(std::string_view channel) {
  if (const std::string* cached = channel_parts_.Find(channel)) return *cached;
  const std::string_view color =
      options_.channel_colors ? ChannelColor(channel) : std::string_view();
  std::string part;
  if (color.empty()) {
    part.append(html_ ? "<b>[" : "[b][").append(channel).append(html_ ? "]</b> " : "][/b] ");
  } else if (html_) {
    part.append("<font color=\"#")
        .append(color)
        .append("\"><b>[")
        .append(channel)
        .append("]</b></font> ");
  } else {
    part.append("[color=#").append(color).append("][b][").append(channel).append("][/b][/color] ");
  }
  return *channel_parts_.Insert(channel, std::move(part)).first;
}

// The prefix is put together in a buffer on the stack (or, when a long
// name or pattern needs more room, in prefix_room_) and appended at once.
void LineFormatter::AppendLinePrefix(std::string_view channel, std::string_view timestamp,
                                     std::string_view person, std::string& out) {
  AppendPrefixAtTime(channel, options_.show_time ? ReadTimestamp(timestamp) : 0, person, out);
}

void LineFormatter::AppendPrefixAtTime(std::string_view channel, int64_t time,
                                       std::string_view person, std::string& out) {
  if (markdown_) {
    MarkdownLine line(out);
    AppendMarkdownPrefix(channel, time, person, line);
    return;
  }
  std::string_view channel_part;
  if (options_.show_channel) channel_part = ChannelPart(channel);
  unsigned second_of_day = 0;
  std::size_t time_room = 0;
  if (options_.show_time) {
    second_of_day = SecondOfDay(time);
    time_room = day_text_.size() + 2 * day_clocks_.size();
  }
  const std::size_t room = channel_part.size() + time_room + person.size() + 2 + kCopySlack;
  char stack_room[256];
  char* const begin =
      room <= sizeof stack_room ? stack_room : (prefix_room_.resize(room), prefix_room_.data());
  char* p = std::copy(channel_part.begin(), channel_part.end(), begin);
  if (options_.show_time) p = WriteClock(second_of_day, p);
  p = std::copy(person.begin(), person.end(), p);
  if (options_.show_channel || !person.empty() || options_.show_time) {
    *p++ = ':';
    *p++ = ' ';
  }
  out.append(begin, static_cast<std::size_t>(p - begin));
}

// The pattern with the date letters Y M D of one day written out: the
// text up to each clock letter h m s, and the rest with the closing space.
void LineFormatter::PrepareDay(int64_t t) {
  const UtcTime u = ToUtc(t);
  day_text_.clear();
  day_clocks_.clear();
  for (char c : time_pattern_) {
    switch (c) {
      case 'Y': AppendNumber(u.year, day_text_); break;
      case 'M': AppendSmallNumber(u.month, day_text_); break;
      case 'D': AppendSmallNumber(u.day, day_text_); break;
      case 'h': day_clocks_.push_back(ClockField{day_text_.size(), 0}); break;
      case 'm': day_clocks_.push_back(ClockField{day_text_.size(), 1}); break;
      case 's': day_clocks_.push_back(ClockField{day_text_.size(), 2}); break;
      default: day_text_.push_back(c);
    }
  }
  day_text_.push_back(' ');
  day_padded_.assign(day_text_).append(kCopySlack, '\0');
  cached_midnight_ = UtcMidnight(t);
}

// The second of its UTC day that `t` is; the day's text is made ready
// when it is another day than the last line's.
unsigned LineFormatter::SecondOfDay(int64_t t) {
  // Unsigned: a time before the cached day wraps to a large value.
  uint64_t second_of_day = static_cast<uint64_t>(t) - static_cast<uint64_t>(cached_midnight_);
  if (second_of_day >= static_cast<uint64_t>(kSecondsPerDay)) {
    PrepareDay(t);
    second_of_day = static_cast<uint64_t>(t - cached_midnight_);
  }
  return static_cast<unsigned>(second_of_day);
}

// The pattern's letters Y M D h m s become the UTC fields of the time
// stamp: the day's text with the clock fields put in, at most two digits
// each, at `p`. Returns the end of what it wrote.
char* LineFormatter::WriteClock(unsigned second_of_day, char* p) const {
  const unsigned clock[3] = {second_of_day / 3600, second_of_day / 60 % 60, second_of_day % 60};
  const char* const text = day_padded_.data();
  std::size_t from = 0;
  for (const ClockField& field : day_clocks_) {
    p = CopyPiece(p, text + from, field.at - from);
    from = field.at;
    const SmallNumberText& number = kSmallNumbers[clock[field.which]];
    std::memcpy(p, number.digits, 2);  // the room has bytes to spare
    p += number.size;
  }
  return CopyPiece(p, text + from, day_text_.size() - from);
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

// `present` holds (at least) the markup bytes that occur in the body; a
// replacement whose first byte is absent is skipped, and one that replaced
// something adds the bytes of its new text.
void LineFormatter::ApplyReplacements(unsigned present) {
  auto apply = [&](const Replacement& r) {
    if ((present & MarkupBit(r.from[0])) == 0) return;
    if (ReplaceAllIgnoreCase(body_, r, scratch_)) present |= MarkupBits(r.to);
  };
  if (html_) {
    for (const Replacement& r : kHtmlReplacements) apply(r);
  } else {
    for (const Replacement& r : kUbbReplacements) apply(r);
  }
}

// Every "<" goes with the text up to and including the next ">" (and a
// "<" without one, up to the next "<"), into `out`. False, with `out` left
// as it was, when there is no tag to delete: no "<", or only one, at the
// very end.
bool LineFormatter::DeleteTags(std::string_view text, std::string& out) {
  const char* const end = text.data() + text.size();
  const char* open = static_cast<const char*>(std::memchr(text.data(), '<', text.size()));
  if (open == nullptr || open == end - 1) return false;
  out.assign(text.data(), open);
  while (open != end) {
    const char* next = static_cast<const char*>(std::memchr(open + 1, '<', end - open - 1));
    if (next == nullptr) next = end;
    const char* close = static_cast<const char*>(std::memchr(open + 1, '>', next - open - 1));
    if (close != nullptr) out.append(close + 1, next);
    open = next;
  }
  return true;
}

// The UBB replacements that a text without "<" meets, in their order, in
// one pass: "'#" -> "#", then "'>" -> "]", then ">" -> "]". None of them
// makes a pattern of a later one that was not there before, so each pair
// and byte can be decided where it stands.
void LineFormatter::AppendUbbQuoteAndClose(std::string_view text, std::string& out) {
  const char* from = text.data();
  const char* const end = from + text.size();
  // The next "'" and the next ">" at or after `from` (end when none).
  auto next = [end](const char* at, char c) {
    const void* hit = std::memchr(at, c, static_cast<std::size_t>(end - at));
    return hit != nullptr ? static_cast<const char*>(hit) : end;
  };
  const char* quote = next(from, '\'');
  const char* close = next(from, '>');
  for (;;) {
    const char* const stop = std::min(quote, close);
    out.append(from, stop);
    if (stop == end) return;
    from = stop + 1;
    if (stop == close) {
      out.push_back(']');
    } else if (from != end && (*from == '#' || *from == '>')) {
      out.push_back(*from == '#' ? '#' : ']');
      ++from;
    } else {
      out.push_back('\'');
    }
    if (from > quote) quote = next(from, '\'');
    if (from > close) close = next(from, '>');
  }
}

bool LineFormatter::HasOutput() const {
  return options_.dialect == Dialect::kUbb || html_ || markdown_;
}

bool LineFormatter::AppendFields(std::string_view channel, std::string_view timestamp,
                                 std::string_view person, std::string_view message,
                                 std::string& out) {
  if (!HasOutput()) return false;
  if (markdown_) {
    AppendMarkdownLine(channel, options_.show_time ? ReadTimestamp(timestamp) : 0, person, message,
                       out);
    return true;
  }
  AppendLinePrefix(channel, timestamp, person, out);
  AppendMessage(message, out);
  return true;
}

bool LineFormatter::AppendFieldsAtTime(std::string_view channel, int32_t time,
                                       std::string_view person, std::string_view message,
                                       std::string& out) {
  if (!HasOutput()) return false;
  if (markdown_) {
    AppendMarkdownLine(channel, time, person, message, out);
    return true;
  }
  AppendPrefixAtTime(channel, time, person, out);
  AppendMessage(message, out);
  return true;
}

void LineFormatter::AppendMessage(std::string_view message, std::string& out) {
  // Most messages are plain text, which no stage changes.
  const bool plain = html_ ? !AnyByteOccurs<'<', '\'', '[', ']'>(message)
                           : !AnyByteOccurs<'<', '>', '\''>(message);
  if (plain) {
    out.append(message);
  } else if (!html_ && std::memchr(message.data(), '<', message.size()) == nullptr) {
    AppendUbbQuoteAndClose(message, out);  // no tag, no link: the replacements only
  } else if (!html_ && options_.delete_tags) {
    // Links go first, as a link's own text stays; then the tags.
    std::string_view text = message;
    if (message.find("<a href") != std::string_view::npos) {
      RemoveLinks(message);
      text = body_;
    }
    if (DeleteTags(text, scratch_)) {
      AppendUbbQuoteAndClose(scratch_, out);
    } else {  // the text's one "<" ends it, and no tag goes: every stage as written
      if (text.data() != body_.data()) body_.assign(text);
      ApplyReplacements(MarkupBytesIn(body_));
      out.append(body_);
    }
  } else {
    const unsigned present = MarkupBytesIn(message);
    if ((present & kLessThanBit) == 0) {
      body_.assign(message);  // no tags, no links: the replacements only
      ApplyReplacements(present);
    } else {
      // Both tests look at the message as split, before any change.
      if (message.find("<a href") != std::string_view::npos) {
        RemoveLinks(message);
      } else {
        body_.assign(message);
      }
      HandleTags();
      ApplyReplacements(MarkupBytesIn(body_));
    }
    out.append(body_);
  }
  if (html_) out.append("<br>");
}

void LineFormatter::AppendMarkdownLine(std::string_view channel, int64_t time,
                                       std::string_view person, std::string_view message,
                                       std::string& out) {
  MarkdownLine line(out);
  AppendMarkdownPrefix(channel, time, person, line);
  AppendMarkdownMessage(message, line);
}

void LineFormatter::AppendMarkdownPrefix(std::string_view channel, int64_t time,
                                         std::string_view person, MarkdownLine& line) {
  if (options_.show_channel) {  // no colours in a chat app
    line.AppendMarkup("**");
    line.AppendText("[");
    line.AppendText(channel);
    line.AppendText("]");
    line.AppendMarkup("**");
    line.AppendText(" ");
  }
  if (options_.show_time) {
    const unsigned second_of_day = SecondOfDay(time);
    prefix_room_.resize(day_text_.size() + 2 * day_clocks_.size() + kCopySlack);
    const char* const begin = prefix_room_.data();
    const char* const end = WriteClock(second_of_day, prefix_room_.data());
    line.AppendText(std::string_view(begin, static_cast<std::size_t>(end - begin)));
  }
  line.AppendText(person);
  if (options_.show_channel || !person.empty() || options_.show_time) line.AppendText(": ");
}

// Every tag goes, links' too (their text stays), by the rule the web page
// reads tags with; what is left is the game's text, shown as it is, a "<"
// that starts no tag included.
void LineFormatter::AppendMarkdownMessage(std::string_view message, MarkdownLine& line) {
  if (options_.mark_links && message.find("<a href") != std::string_view::npos) {
    line.AppendText(" - ");
    line.AppendMarkup("*link removed*");
    line.AppendText(" - ");
  }
  if (message.find('<') == std::string_view::npos) {
    line.AppendText(message);
    return;
  }
  scratch_.clear();
  AppendWithoutTags(message, scratch_);
  line.AppendText(scratch_);
}

}  // namespace quorlix
