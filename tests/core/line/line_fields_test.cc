#include "core/line/line_fields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "core/line/byte_scan.h"
#include "core/text/error.h"
#include "reference/log_line.h"

namespace quorlix {
namespace {

// The one-scan split must agree with the literal reading everywhere.
void ExpectSameAsLogLine(const std::string& line, LineFields& f) {
  SplitLineFields(line, f);
  const LogRecord r = ParseLogLine(line);
  EXPECT_EQ(f.channel_name, r.channel_name) << line;
  EXPECT_EQ(f.person, r.person) << line;
  EXPECT_EQ(f.timestamp_text, r.timestamp_text) << line;
  EXPECT_EQ(f.message, r.message) << line;
  EXPECT_EQ(Accepted(f, true), AcceptLogLine(line, true)) << line;
  EXPECT_EQ(Accepted(f, false), AcceptLogLine(line, false)) << line;
  // What a load keeps of a line it takes gives the same fields back, or nothing.
  if (!Accepted(f, false)) return;
  std::string_view channel, person, message;
  const LineHeader kept = KeepHeader(line, f, 7);
  EXPECT_EQ(kept.time, 7);
  if (FieldsFromHeader(line, kept, channel, person, message)) {
    EXPECT_EQ(channel, r.channel_name) << line;
    EXPECT_EQ(person, r.person) << line;
    EXPECT_EQ(message, r.message) << line;
  } else {
    // Only long lines, and headers other than '..."channel","person"...'.
    EXPECT_TRUE(line.size() > 255 ||
                f.person.data() != f.channel_name.data() + f.channel_name.size() + 3)
        << line;
  }
}

TEST(LineFieldsTest, AgreesWithParseAndAcceptOnChosenLines) {
  const std::string long_name(70, 'n');
  const std::string lines[] = {
      "",
      "]",
      "[",
      "[,,,",
      "[,,,]",
      "[,,,,]x",
      "[a,b,c]x",
      "[a,b,c,]x",
      "[a,b,c,d",
      R"(["1","OOC","Alice",1109628000]Hello] all)",
      R"(["1","OOC","Polbot",1109628000]hi)",
      R"(["1","OOC",Polbot,1109628000]hi)",
      R"(["1","OOC","Al"ice",1109628000]x)",
      R"(["1","OOC","",1109628000]x)",
      R"(["1","OOC",""",1109628000]x)",
      R"(["1","OOC","""",1109628000]x)",
      R"(["1","OOC",","Alice",1109628000]x)",
      R"(["1","Org, Inc","Alice",1109628000]x)",
      "x[1,OOC,Alice,1109628000]y",
      "[1,OOC,\"" + long_name + "\",5]long header",
      "[1,\"" + long_name + "\",P,5]x",
      "[" + long_name + "]",
      "[1,C,P," + long_name,
      "no header at all, but commas, and \"quotes\" and more than sixty-four bytes",
      std::string("[1,C\0,P,5]x\0y", 13),
      "[1,C,\"" + std::string(300, 'p') + "\",5]beyond what a kept header holds",
      "[1,\"C\",P,5]" + std::string(300, 'm'),
  };
  LineFields f;
  for (const std::string& line : lines) ExpectSameAsLogLine(line, f);
}

TEST(LineFieldsTest, AgreesWithParseAndAcceptOnRandomLines) {
  std::mt19937 random(20240611);
  const char alphabet[] = "[],\"\"aP 1";
  LineFields f;
  for (int i = 0; i < 20000; ++i) {
    std::string line;
    const int length = static_cast<int>(random() % 100);
    for (int k = 0; k < length; ++k) line.push_back(alphabet[random() % (sizeof alphabet - 1)]);
    if (i % 3 == 0) line.insert(0, "[\"1\",\"Polbot\"");
    ExpectSameAsLogLine(line, f);
    // Both vector widths mark the same bytes.
    const HeaderMarks wide = ScanHeaderMarks(line);
    const HeaderMarks narrow = scan_detail::ScanHeaderMarksNarrow(line);
    EXPECT_TRUE(wide.close == narrow.close && wide.comma == narrow.comma &&
                wide.quote == narrow.quote && wide.open == narrow.open &&
                wide.scanned == narrow.scanned)
        << line;
    unsigned expected = 0;
    for (unsigned k = 0; k < 4; ++k) {
      if (line.find("[],P"[k]) != std::string::npos) expected |= 1u << k;
    }
    EXPECT_EQ((WhichBytesOccur<'[', ']', ',', 'P'>(line)), expected) << line;
    EXPECT_EQ((AnyByteOccurs<']', 'P'>(line)), (expected & 0b1010) != 0) << line;
#ifdef QUORLIX_SIMD_SCAN
    if (line.size() >= 16) {
      EXPECT_EQ((scan_detail::WhichBytesOccurSse2<'[', ']', ',', 'P'>(line)), expected) << line;
      EXPECT_EQ((scan_detail::AnyByteOccursSse2<']', 'P'>(line)), (expected & 0b1010) != 0) << line;
    }
#endif
    if (HasFailure()) break;
  }
}

TEST(ReadTimestamp, ReadsSignedThirtyTwoBitNumbers) {
  const struct {
    std::string_view text;
    int32_t want;
  } cases[] = {
      {"0", 0},
      {"1109628000", 1109628000},
      {" 1109628000", 1109628000},
      {"    -5", -5},
      {"+5", 5},
      {"-0", 0},
      {"0000000000000000000042", 42},
      {"2147483647", std::numeric_limits<int32_t>::max()},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      {"+2147483647", std::numeric_limits<int32_t>::max()},
      {"12345678", 12345678},  // eight to ten plain digits: read in one go
      {"00000000", 0},
      {"999999999", 999999999},
      {"0987654321", 987654321},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadTimestamp(c.text), c.want) << c.text;
  }
}

TEST(ReadTimestamp, RefusesAnythingElseWithTheGermanMessage) {
  const std::string_view bad[] = {
      "2147483648",
      "-2147483649",
      "99999999999999999999999",
      "",
      " ",
      "+",
      "-",
      "--1",
      "+-1",
      "1 ",
      " 1 ",
      "1x",
      "0x10",
      "1.5",
      "1,5",
      "\t1",
      "1\r",
      "Alice",
      std::string_view("1\0", 2),
      "\xff",
      "1234567:",
      "123456/8",
      "4294967295",
      "12345678a",
      "9999999999",
      "1234 5678",
      "\xb1\xb2\xb3\xb4\xb5\xb6\xb7\xb8",
  };
  for (std::string_view text : bad) {
    EXPECT_THROW(ReadTimestamp(text), Error) << text;
  }
  try {
    ReadTimestamp("Alice");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'Alice' ist kein g\xc3\xbcltiger Integerwert");
  }
  try {
    ReadTimestamp("\xe9t\xe9");  // log bytes are Latin-1; the message is UTF-8
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'\xc3\xa9t\xc3\xa9' ist kein g\xc3\xbcltiger Integerwert");
  }
}

}  // namespace
}  // namespace quorlix
