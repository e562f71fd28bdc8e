#include "reference/formatter.h"

#include <time.h>

#include "core/dialects/formatter.h"
#include "core/log/chat_state.h"
#include "core/text/text_util.h"
#include "reference/log_line.h"

namespace quorlix::reference {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  AsciiLowerInPlace(out);
  return out;
}

std::string WithoutQuotes(std::string_view field) {
  std::string out;
  for (char c : field) {
    if (c != '"') out.push_back(c);
  }
  return out;
}

// Every occurrence of `from`, ignoring letter case, left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  const std::string lower_text = Lower(text), lower_from = Lower(from);
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = lower_text.find(lower_from, pos);
    if (hit == std::string::npos) break;
    out.append(text.substr(pos, hit - pos)).append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

// The text after the first ">" of `piece`.
std::string_view Tail(std::string_view piece) { return SplitAtChar(piece, '>', 2); }

// The time part: the pattern's letters replaced, and a space.
std::string TimeText(std::string_view time_pattern, std::string_view timestamp) {
  const time_t t = ReadTimestamp(timestamp);
  struct tm utc;
  gmtime_r(&t, &utc);
  std::string text;
  for (char c : time_pattern) {
    switch (c) {
      case 'Y': text += std::to_string(utc.tm_year + 1900); break;
      case 'M': text += std::to_string(utc.tm_mon + 1); break;
      case 'D': text += std::to_string(utc.tm_mday); break;
      case 'h': text += std::to_string(utc.tm_hour); break;
      case 'm': text += std::to_string(utc.tm_min); break;
      case 's': text += std::to_string(utc.tm_sec); break;
      default: text += c;
    }
  }
  return text + ' ';
}

// A Markdown line as pieces of text (to escape) and markup (as it is).
struct MarkdownPiece {
  std::string text;
  bool markup = false;
};

// Each character of the line with where it came from.
struct LineChar {
  char c;
  bool markup;
  std::size_t piece;
};

bool IsText(const std::vector<LineChar>& line, std::size_t i, std::string_view set) {
  return !line[i].markup && set.find(line[i].c) != std::string_view::npos;
}

constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kAlnum =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Whether only blanks of text stand between the line's start (or a text
// CR or LF) and position `end`.
bool AtLineStart(const std::vector<LineChar>& line, std::size_t end) {
  // Blanks: every control character but CR and LF, the space, DEL, the
  // bytes Windows-1252 leaves undefined, the no-break space and the soft
  // hyphen.
  static const std::string blanks = [] {
    std::string set;
    for (int c = 0; c <= 0x20; ++c) {
      if (c != '\r' && c != '\n') set += static_cast<char>(c);
    }
    for (int c : {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D, 0xA0, 0xAD}) set += static_cast<char>(c);
    return set;
  }();
  std::size_t i = end;
  while (i > 0 && IsText(line, i - 1, blanks)) --i;
  return i == 0 || IsText(line, i - 1, "\r\n");
}

// How many characters of `set`, all text, stand right before `end`.
std::size_t RunBefore(const std::vector<LineChar>& line, std::size_t end, std::string_view set) {
  std::size_t n = 0;
  while (n < end && IsText(line, end - n - 1, set)) ++n;
  return n;
}

bool NeedsEscape(const std::vector<LineChar>& line, std::size_t i) {
  const char c = line[i].c;
  const bool after_text = i > 0 && !line[i - 1].markup;
  const char before = after_text ? line[i - 1].c : '\0';
  if (std::string_view("\\*_`<@#").find(c) != std::string_view::npos) return true;
  if (c == '~' || c == '|') return before == c;
  if (c == '(') return before == ']';
  if (c == '/') return before == ':';
  if (c == ';') {
    const std::size_t n = RunBefore(line, i, kAlnum);
    return n >= 1 && n <= 32 && n < i && IsText(line, i - n - 1, "&");
  }
  if (c == ':') {
    const std::string name_chars = std::string(kAlnum) + "_+-";
    const std::size_t n = RunBefore(line, i, name_chars);
    if (n == 0 || n >= i || !IsText(line, i - n - 1, ":")) return false;
    std::string name;
    for (std::size_t k = i - n; k < i; ++k) name += line[k].c;
    return name.find_first_not_of(kDigits) != std::string::npos || name == "100" || name == "1234";
  }
  if (std::string_view(">-+=[").find(c) != std::string_view::npos) return AtLineStart(line, i);
  if (c == '.' || c == ')') {
    const std::size_t n = RunBefore(line, i, kDigits);
    const bool piece_ends = i + 1 == line.size() || line[i + 1].piece != line[i].piece;
    return n >= 1 && n <= 9 && AtLineStart(line, i - n) &&
           (piece_ends || line[i + 1].c == ' ' || line[i + 1].c == '\t');
  }
  return false;
}

std::string MarkdownLineText(const std::vector<MarkdownPiece>& pieces) {
  std::vector<LineChar> line;
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    for (char c : pieces[p].text) line.push_back({c, pieces[p].markup, p});
  }
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (!line[i].markup && NeedsEscape(line, i)) out += '\\';
    out += line[i].c;
  }
  return out;
}

std::vector<MarkdownPiece> MarkdownPrefixPieces(const ConvertOptions& options,
                                                std::string_view time_pattern,
                                                std::string_view channel,
                                                std::string_view timestamp,
                                                std::string_view person) {
  std::vector<MarkdownPiece> pieces;
  if (options.show_channel) {
    std::string name = "[";
    name.append(channel).append("]");
    pieces = {{"**", true}, {name}, {"**", true}, {" "}};
  }
  if (options.show_time) pieces.push_back({TimeText(time_pattern, timestamp)});
  pieces.push_back({std::string(person)});
  if (options.show_channel || !person.empty() || options.show_time) pieces.push_back({": "});
  return pieces;
}

}  // namespace

ReferenceFields ReferenceSplit(std::string_view line) {
  const std::vector<std::string_view> fields = Explode(",", SplitAtChar(line, ']', 1));
  auto field = [&](std::size_t i) {
    return WithoutQuotes(i < fields.size() ? fields[i] : std::string_view());
  };
  return ReferenceFields{field(1), field(2), field(3), SplitAtChar(line, ']', 2)};
}

std::string ReferencePrefix(const ConvertOptions& options,
                            const std::vector<std::string>& color_definitions,
                            std::string_view time_pattern, std::string_view channel,
                            std::string_view timestamp, std::string_view person) {
  if (options.dialect == Dialect::kMarkdown) {
    return MarkdownLineText(
        MarkdownPrefixPieces(options, time_pattern, channel, timestamp, person));
  }
  const bool html = options.dialect == Dialect::kHtml;
  std::string prefix;
  if (options.show_channel) {
    std::string_view color;
    if (options.channel_colors) {
      for (const std::string& definition : color_definitions) {
        if (CountOccurrences(Lower(channel), Lower(definition)) == 1) {
          color = SplitAtChar(definition, '=', 2);
          break;
        }
      }
    }
    const std::string name(channel), hue(color);
    if (!color.empty()) {
      prefix = html ? "<font color=\"#" + hue + "\"><b>[" + name + "]</b></font> "
                    : "[color=#" + hue + "][b][" + name + "][/b][/color] ";
    } else {
      prefix = html ? "<b>[" + name + "]</b> " : "[b][" + name + "][/b] ";
    }
  }
  if (options.show_time) prefix += TimeText(time_pattern, timestamp);
  prefix.append(person);
  if (options.show_channel || !person.empty() || options.show_time) prefix += ": ";
  return prefix;
}

std::string ReferenceMarkdownLine(const ConvertOptions& options, std::string_view time_pattern,
                                  std::string_view line) {
  const ReferenceFields record = ReferenceSplit(line);
  std::vector<MarkdownPiece> pieces = MarkdownPrefixPieces(
      options, time_pattern, record.channel_name, record.timestamp_text, record.person);
  // The marker in italics when the message holds a link; then every tag
  // deleted, a tag being a "<" followed by a letter, "!", or "/" and a
  // letter, up to the first ">" after it. Every other "<" is text.
  const std::string_view message = record.message;
  if (options.mark_links && CountOccurrences("<a href", message) > 0) {
    pieces.push_back({" - "});
    pieces.push_back({"*link removed*", true});
    pieces.push_back({" - "});
  }
  auto letter = [&](std::size_t i) {
    if (i >= message.size()) return false;
    const char c = message[i];
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  };

  std::string body;
  for (std::size_t i = 0; i < message.size(); ++i) {
    const bool opens =
        message[i] == '<' && (letter(i + 1) || (i + 1 < message.size() && message[i + 1] == '!') ||
                              (i + 1 < message.size() && message[i + 1] == '/' && letter(i + 2)));
    const std::size_t close = opens ? message.find('>', i + 1) : std::string_view::npos;
    if (close != std::string_view::npos) {
      i = close;
    } else {
      body += message[i];
    }
  }
  pieces.push_back({body});
  return MarkdownLineText(pieces);
}

std::optional<std::string> ReferenceConvertLine(const ConvertOptions& options,
                                                const std::vector<std::string>& color_definitions,
                                                std::string_view time_pattern,
                                                std::string_view line) {
  if (options.dialect == Dialect::kMarkdown)
    return ReferenceMarkdownLine(options, time_pattern, line);
  if (options.dialect != Dialect::kUbb && options.dialect != Dialect::kHtml) return std::nullopt;
  const ReferenceFields record = ReferenceSplit(line);
  const std::string_view message = record.message;
  const std::size_t less_than_count = CountOccurrences("<", message);
  const std::size_t link_count = CountOccurrences("<a href", message);
  const std::string marker = options.mark_links ? std::string(kLinkMarker) : "";

  std::string body(message);
  if (link_count > 0) {
    const std::vector<std::string_view> pieces = Explode("<a href", body);
    std::string joined = marker + std::string(pieces[0]);
    for (std::size_t i = 1; i < pieces.size(); ++i) joined.append(Tail(pieces[i]));
    body = joined;
  }

  const std::string prefix =
      ReferencePrefix(options, color_definitions, time_pattern, record.channel_name,
                      record.timestamp_text, record.person);

  if (less_than_count > 0) {
    if (options.delete_tags) {
      const std::vector<std::string_view> pieces = Explode("<", body);
      if (pieces.size() > 1) {
        std::string joined(pieces[0]);
        for (std::size_t i = 1; i < pieces.size(); ++i) joined.append(Tail(pieces[i]));
        body = joined;
      }
    } else {
      const std::vector<std::string_view> pieces = Explode("<font", body);
      if (pieces.size() > 1) {
        std::string joined(pieces[0]);
        for (std::size_t i = 1; i < pieces.size(); ++i) {
          joined.append("<font").append(pieces[i]);
          if (pieces[i].find("</font>") == std::string_view::npos) joined.append("</font>");
        }
        body = joined;
      }
    }
  }

  static const std::pair<const char*, const char*> kUbb[] = {{"<font color=", "[color="},
                                                             {"</font>", "[/color]"},
                                                             {"</a>", ""},
                                                             {"<br>", ""},
                                                             {"'#", "#"},
                                                             {"'>", "]"},
                                                             {">", "]"},
                                                             {"<", "["}};
  static const std::pair<const char*, const char*> kHtml[] = {
      {"</a>", ""}, {"<br>", ""}, {"'#", "#"}, {"'>", "]"}, {"]", ">"}, {"[", "<"}};
  if (options.dialect == Dialect::kUbb) {
    for (const auto& [from, to] : kUbb) body = ReplaceAll(body, from, to);
    return prefix + body;
  }
  for (const auto& [from, to] : kHtml) body = ReplaceAll(body, from, to);
  return prefix + body + "<br>";
}

}  // namespace quorlix::reference
