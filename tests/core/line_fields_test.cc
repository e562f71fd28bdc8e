#include "core/line_fields.h"

#include <gtest/gtest.h>

#include <random>

#include "core/byte_scan.h"
#include "core/log_line.h"

namespace quorlix {
namespace {

// The fast split must agree with the definition in log_line.h everywhere.
void ExpectSameAsLogLine(const std::string& line, LineFields& f) {
  SplitLineFields(line, f);
  const LogRecord r = ParseLogLine(line);
  EXPECT_EQ(f.channel_name, r.channel_name) << line;
  EXPECT_EQ(f.person, r.person) << line;
  EXPECT_EQ(f.timestamp_text, r.timestamp_text) << line;
  EXPECT_EQ(f.message, r.message) << line;
  EXPECT_EQ(Accepted(f, true), AcceptLogLine(line, true)) << line;
  EXPECT_EQ(Accepted(f, false), AcceptLogLine(line, false)) << line;
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
#ifdef QUORLIX_SIMD_SCAN
    if (line.size() >= 16) {
      EXPECT_EQ((scan_detail::WhichBytesOccurSse2<'[', ']', ',', 'P'>(line)), expected) << line;
    }
#endif
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace quorlix
