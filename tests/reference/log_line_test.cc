#include "reference/log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace quorlix {
namespace {

template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

struct LineCase {
  std::string line;
  bool accepted;  // with bot-line suppression on
  bool accepted_without_suppression;
  std::string id, channel, person, stamp, message;
};

// Accepted lines, with the split of each, and rejected lines (whose split
// is still defined: missing fields stay empty).
const LineCase kLines[] = {
    {"[\"1\",\"OOC\",\"Alice\",1109628000]Hello] all", true, true, "[1", "OOC", "Alice",
     "1109628000", "Hello] all"},
    {"[\"1\",\"OOC\",\"Polbot\",1109628000]hi", false, true, "[1", "OOC", "Polbot", "1109628000",
     "hi"},
    {"[\"1\",\"OOC\",Polbot,1109628000]hi", true, true, "[1", "OOC", "Polbot", "1109628000", "hi"},
    {"[\"1\",\"OOC\",\"polbot\",1]hi", true, true, "[1", "OOC", "polbot", "1", "hi"},
    {"[\"1\",\"OOC\", \"Polbot\",1]hi", true, true, "[1", "OOC", " Polbot", "1", "hi"},
    {"", false, false, "", "", "", "", ""},
    {"Alice: hi", false, false, "Alice: hi", "", "", "", ""},
    {"][\"1\",\"OOC\",\"Alice\",1109628000]", false, false, "", "", "", "",
     "[\"1\",\"OOC\",\"Alice\",1109628000]"},
    {"x[1,OOC,Alice,1109628000]y", true, true, "x[1", "OOC", "Alice", "1109628000", "y"},
    {"[\"1\",\"OOC\",\"Alice\",1109628000", true, true, "[1", "OOC", "Alice", "1109628000", ""},
    {"[\"1\",\"OOC\",\"Alice\",1109628000]", true, true, "[1", "OOC", "Alice", "1109628000", ""},
    {"[\"1\",\"OOC\",\"Al\"ice\",1109628000]x", true, true, "[1", "OOC", "Alice", "1109628000",
     "x"},
    {"[\"1\",\"OOC\",\"\",1109628000]x", true, true, "[1", "OOC", "", "1109628000", "x"},
    {"[\"1\",\"OOC\",\"Alice\", 1109628000]x", true, true, "[1", "OOC", "Alice", " 1109628000",
     "x"},
    {"[\"1\",\"Org, Inc\",\"Alice\",1109628000]x", true, true, "[1", "Org", " Inc", "Alice", "x"},
    {"[\"1\",\"Org, Inc\",\"Polbot\",1]x", true, true, "[1", "Org", " Inc", "Polbot", "x"},
    {"[1,2,3,4,5,6]m", true, true, "[1", "2", "3", "4", "m"},
    // Fewer than four fields: a name holding "]", a truncated header.
    {"[\"1\",\"O]C\",\"Alice\",1]x", false, false, "[1", "O", "", "", "C\",\"Alice\",1]x"},
    {"[\"1\",\"OOC\",\"Alice\"]x", false, false, "[1", "OOC", "Alice", "", "x"},
    {"[a,b,c,]x", false, false, "[a", "b", "c", "", "x"},
    {"[,,,]x", false, false, "[", "", "", "", "x"},
    {"[", false, false, "[", "", "", "", ""},
    // Any bytes: NUL, high bytes and a lone CR are plain characters.
    {Bytes("[\"1\",\"O\0C\",\"\xe9t\xe9\",1]m\0\xff\r"), true, true, "[1", Bytes("O\0C"),
     "\xe9t\xe9", "1", Bytes("m\0\xff\r")},
    {"[1,\r,\x80,\xff]\r", true, true, "[1", "\r", "\x80", "\xff", "\r"},
};

TEST(AcceptLogLine, TakesLinesWithABracketAndFourFieldsButNotTheBot) {
  for (const LineCase& c : kLines) {
    EXPECT_EQ(AcceptLogLine(c.line, true), c.accepted) << c.line;
    EXPECT_EQ(AcceptLogLine(c.line, false), c.accepted_without_suppression) << c.line;
  }
}

TEST(ParseLogLine, SplitsHeaderFieldsWithoutQuotesAndKeepsTheMessage) {
  LogRecord reused;
  for (const LineCase& c : kLines) {
    const LogRecord record = ParseLogLine(c.line);
    EXPECT_EQ(record.channel_id, c.id) << c.line;
    EXPECT_EQ(record.channel_name, c.channel) << c.line;
    EXPECT_EQ(record.person, c.person) << c.line;
    EXPECT_EQ(record.timestamp_text, c.stamp) << c.line;
    EXPECT_EQ(record.message, c.message) << c.line;
    // A reused record holds nothing of the line before.
    ParseLogLine(c.line, reused);
    EXPECT_EQ(reused.channel_id, c.id) << c.line;
    EXPECT_EQ(reused.person, c.person) << c.line;
    EXPECT_EQ(reused.timestamp_text, c.stamp) << c.line;
  }
}

TEST(LogLine, HandlesLinesOfMegabytes) {
  const std::string message(8 << 20, 'm');
  const std::string line = "[\"1\",\"OOC\",\"Alice\",1109628000]" + message;
  EXPECT_TRUE(AcceptLogLine(line, true));
  EXPECT_EQ(ParseLogLine(line).message.size(), message.size());

  const std::string commas = "[" + std::string(4 << 20, ',') + "]x";
  EXPECT_TRUE(AcceptLogLine(commas, true));  // empty fields, but enough of them
  const std::string fields = "[" + std::string(4 << 20, 'a') + ",b,c,d]x";
  EXPECT_TRUE(AcceptLogLine(fields, true));
  EXPECT_EQ(ParseLogLine(fields).channel_id.size(), (4u << 20) + 1);

  const std::string no_header(8 << 20, '\xff');
  EXPECT_FALSE(AcceptLogLine(no_header, true));
}

}  // namespace
}  // namespace quorlix
