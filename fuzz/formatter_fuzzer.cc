// Fuzz target: converting lines under every combination of dialect (UBB,
// Html, Markdown, an index out of range) and options, with colour definitions and a
// time pattern, all taken from the input's first bytes. Each output must
// equal the literal model's; several lines through one formatter check
// that its caches and buffers carry nothing from line to line.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/dialects/formatter.h"
#include "core/dialects/page_text.h"
#include "core/line/line_fields.h"
#include "core/text/error.h"
#include "fuzz/check.h"
#include "reference/formatter.h"

namespace {

using quorlix::ConvertOptions;
using quorlix::Dialect;
using quorlix::Error;

// A whole line, split as the converter splits it; `out` replaced, or
// untouched when the dialect has no output.
bool ConvertLine(quorlix::LineFormatter& formatter, const std::string& line, std::string& out) {
  quorlix::LineFields fields;
  quorlix::SplitLineFields(line, fields);
  std::string converted;
  if (!formatter.AppendFields(fields.channel_name, fields.timestamp_text, fields.person,
                              fields.message, converted)) {
    return false;
  }
  out = std::move(converted);
  return true;
}

ConvertOptions TakeOptions(FuzzedDataProvider& input) {
  ConvertOptions options;
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: options.dialect = quorlix::Dialect::kUbb; break;
    case 1: options.dialect = quorlix::Dialect::kHtml; break;
    case 2: options.dialect = quorlix::Dialect::kMarkdown; break;
    default: {
      const int other = input.ConsumeIntegral<int8_t>();
      options.dialect = static_cast<quorlix::Dialect>(other >= 0 && other <= 2 ? 3 : other);
    }
  }
  options.show_channel = input.ConsumeBool();
  options.channel_colors = input.ConsumeBool();
  options.show_time = input.ConsumeBool();
  options.mark_links = input.ConsumeBool();
  options.delete_tags = input.ConsumeBool();
  return options;
}

// "rrggbb;--d:#rrggbb\">": a span's two colours (core/dialects/page_text.h).
constexpr std::string_view kColorStyle = "rrggbb;--d:#rrggbb\">";
bool IsColorStyle(std::string_view text) {
  if (text.size() < kColorStyle.size()) return false;
  for (std::size_t i = 0; i < kColorStyle.size(); ++i) {
    const bool hex = kColorStyle[i] == 'r' || kColorStyle[i] == 'g' || kColorStyle[i] == 'b';
    if (hex ? std::string_view("0123456789abcdef").find(text[i]) == std::string_view::npos
            : text[i] != kColorStyle[i]) {
      return false;
    }
  }
  return true;
}

// The web page's text of a message holds no markup but the page's own:
// flat colour spans "#rrggbb", the link marker, escaped text without
// control bytes (a tab aside).
bool OnlyOwnPageMarkup(std::string_view html) {
  constexpr std::string_view kOpen = "<span style=\"color:#", kClose = "</span>",
                             kMarker = "<i class=\"lr\">link removed</i> ";
  bool open = false;
  for (std::size_t i = 0; i < html.size();) {
    const std::string_view rest = html.substr(i);
    const auto c = static_cast<unsigned char>(html[i]);
    if (rest.starts_with(kOpen) && !open && IsColorStyle(rest.substr(kOpen.size()))) {
      open = true;
      i += kOpen.size() + kColorStyle.size();
    } else if (rest.starts_with(kClose) && open) {
      open = false;
      i += kClose.size();
    } else if (rest.starts_with(kMarker) && i == 0) {
      i += kMarker.size();
    } else if (c == '<' || c == '>' || (c < 0x20 && c != '\t') || c == 0x7f) {
      return false;
    } else {
      ++i;
    }
  }
  return !open;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const ConvertOptions options = TakeOptions(input);
  const std::string pattern = input.ConsumeRandomLengthString(24);
  std::vector<std::string> colors(input.ConsumeIntegralInRange(0, 3));
  for (std::string& definition : colors) definition = input.ConsumeRandomLengthString(40);
  std::vector<std::string> lines(input.ConsumeIntegralInRange(1, 3));
  for (std::string& line : lines) line = input.ConsumeRandomLengthString(400);
  lines.push_back(lines.front());  // the first again, after the others

  quorlix::LineFormatter formatter(options, colors, pattern);
  std::string out = "untouched";
  for (const std::string& line : lines) {
    std::optional<std::string> want;
    bool want_error = false;
    try {
      want = quorlix::reference::ReferenceConvertLine(options, colors, pattern, line);
    } catch (const Error&) {
      want_error = true;
    }
    const std::string before = out;
    try {
      const bool converted = ConvertLine(formatter, line, out);
      QUORLIX_CHECK(!want_error);
      QUORLIX_CHECK(converted == want.has_value());
      QUORLIX_CHECK(converted ? out == *want : out == before);
    } catch (const Error&) {
      QUORLIX_CHECK(want_error);
    }

    std::string page;
    quorlix::AppendPageMessage(
        line, {.mark_links = options.mark_links, .delete_tags = options.delete_tags}, page);
    QUORLIX_CHECK(OnlyOwnPageMarkup(page));

    // The prefix on its own: the line of an empty message.
    if (options.dialect != Dialect::kUbb && options.dialect != Dialect::kHtml) continue;
    const quorlix::reference::ReferenceFields f = quorlix::reference::ReferenceSplit(line);
    std::string prefix;
    try {
      const std::string want_prefix = quorlix::reference::ReferencePrefix(
          options, colors, pattern, f.channel_name, f.timestamp_text, f.person);
      formatter.AppendFields(f.channel_name, f.timestamp_text, f.person, "", prefix);
      QUORLIX_CHECK(prefix == want_prefix + (options.dialect == Dialect::kHtml ? "<br>" : ""));
    } catch (const Error&) {
      bool threw = false;
      try {
        formatter.AppendFields(f.channel_name, f.timestamp_text, f.person, "", prefix);
      } catch (const Error&) {
        threw = true;
      }
      QUORLIX_CHECK(threw);
    }
  }
  return 0;
}
