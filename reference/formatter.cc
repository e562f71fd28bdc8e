#include "reference/formatter.h"

#include <time.h>

#include "core/chat_state.h"
#include "core/formatter.h"
#include "core/text_util.h"
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
  if (options.show_time) {
    const time_t t = ReadTimestamp(timestamp);
    struct tm utc;
    gmtime_r(&t, &utc);
    for (char c : time_pattern) {
      switch (c) {
        case 'Y': prefix += std::to_string(utc.tm_year + 1900); break;
        case 'M': prefix += std::to_string(utc.tm_mon + 1); break;
        case 'D': prefix += std::to_string(utc.tm_mday); break;
        case 'h': prefix += std::to_string(utc.tm_hour); break;
        case 'm': prefix += std::to_string(utc.tm_min); break;
        case 's': prefix += std::to_string(utc.tm_sec); break;
        default: prefix += c;
      }
    }
    prefix += ' ';
  }
  prefix.append(person);
  if (options.show_channel || !person.empty() || options.show_time) prefix += ": ";
  return prefix;
}

std::optional<std::string> ReferenceConvertLine(const ConvertOptions& options,
                                                const std::vector<std::string>& color_definitions,
                                                std::string_view time_pattern,
                                                std::string_view line) {
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
