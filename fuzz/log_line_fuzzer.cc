// Fuzz target: accepting, splitting and reading the time stamp of one line.
// The fast one-scan split (SplitLineFields) must agree with ParseLogLine and
// AcceptLogLine, both must agree with the split read literally (header
// before the first "]", fields as Explode at ","), and ReadTimestamp with
// the time stamp rule read literally.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line/line_fields.h"
#include "core/text/error.h"
#include "core/text/text_util.h"
#include "core/text/translation.h"
#include "fuzz/check.h"
#include "reference/log_line.h"

namespace {

using quorlix::Error;

std::string WithoutQuotes(std::string_view field) {
  std::string out;
  for (char c : field) {
    if (c != '"') out.push_back(c);
  }
  return out;
}

// Leading spaces, one optional sign, decimal digits, nothing after, within
// the signed 32-bit range.
std::optional<int32_t> ReferenceTimestamp(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos++] == '-';
  }
  std::string_view digits = text.substr(pos);
  if (digits.empty()) return std::nullopt;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  if (digits.size() > 10) return std::nullopt;
  int64_t value = std::stoll(std::string(digits));
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

void CheckTimestamp(std::string_view text) {
  const std::optional<int32_t> want = ReferenceTimestamp(text);
  try {
    const int32_t got = quorlix::ReadTimestamp(text);
    QUORLIX_CHECK(want.has_value() && *want == got);
  } catch (const Error& e) {
    QUORLIX_CHECK(!want.has_value());
    // what() is a C string: a NUL byte of the text ends it early.
    if (text.find('\0') == std::string_view::npos) {
      // The message's words after the quoted text, in the language in use.
      const std::string_view pattern = quorlix::Tr("'%s' is not a valid integer value");
      const std::string_view words = pattern.substr(pattern.find("%s") + 2);
      QUORLIX_CHECK(std::string_view(e.what()).find(words) != std::string_view::npos);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);

  // The split, read literally.
  const std::string_view header = quorlix::SplitAtChar(line, ']', 1);
  const std::string_view message = quorlix::SplitAtChar(line, ']', 2);
  const std::vector<std::string_view> fields = quorlix::Explode(",", header);
  auto field = [&](std::size_t i) { return i < fields.size() ? fields[i] : std::string_view(); };

  const quorlix::LogRecord record = quorlix::ParseLogLine(line);
  QUORLIX_CHECK(record.channel_id == WithoutQuotes(field(0)));
  QUORLIX_CHECK(record.channel_name == WithoutQuotes(field(1)));
  QUORLIX_CHECK(record.person == WithoutQuotes(field(2)));
  QUORLIX_CHECK(record.timestamp_text == WithoutQuotes(field(3)));
  QUORLIX_CHECK(record.message == message);
  // The message is a view into the line itself.
  QUORLIX_CHECK(record.message.empty() ||
                (record.message.data() >= line.data() &&
                 record.message.data() + record.message.size() == line.data() + line.size()));

  quorlix::LineFields fast;
  quorlix::SplitLineFields(line, fast);
  QUORLIX_CHECK(fast.channel_name == record.channel_name);
  QUORLIX_CHECK(fast.person == record.person);
  QUORLIX_CHECK(fast.timestamp_text == record.timestamp_text);
  QUORLIX_CHECK(fast.message == record.message);
  QUORLIX_CHECK(fast.raw_person == field(2));

  for (const bool suppress : {false, true}) {
    const bool want = header.find('[') != std::string_view::npos && fields.size() >= 4 &&
                      !(suppress && field(2) == quorlix::kBotPersonField);
    QUORLIX_CHECK(quorlix::AcceptLogLine(line, suppress) == want);
    QUORLIX_CHECK(quorlix::Accepted(fast, suppress) == want);
  }

  CheckTimestamp(record.timestamp_text);
  CheckTimestamp(line);
  return 0;
}
