#include "config/colors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "core/text/text_util.h"

namespace quorlix {
namespace {

// Colour values are 0x00BBGGRR.
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

uint32_t TableValue(std::string_view name) {
  for (const NamedColor& entry : NamedColorTable) {
    if (entry.name == name) return entry.rgb;
  }
  ADD_FAILURE() << "no entry " << name;
  return 0;
}

TEST(NamedColorTable, HoldsTheCssNamesInOrderWithOneSpellingPerGrey) {
  for (std::size_t i = 1; i < NamedColorTable.size(); ++i) {
    EXPECT_LT(NamedColorTable[i - 1].name, NamedColorTable[i].name);
  }
  for (const NamedColor& entry : NamedColorTable) {
    EXPECT_TRUE(std::all_of(entry.name.begin(), entry.name.end(), [](char c) {
      return c >= 'a' && c <= 'z';
    })) << entry.name;
    EXPECT_EQ(entry.rgb >> 24, 0u) << entry.name;
  }
  EXPECT_EQ(NamedColorTable.front().name, "aliceblue");
  EXPECT_EQ(NamedColorTable.front().rgb, 0xF0F8FFu);
  EXPECT_EQ(NamedColorTable.back().name, "yellowgreen");
  EXPECT_EQ(NamedColorTable.back().rgb, 0x9ACD32u);
  EXPECT_EQ(TableValue("aqua"), TableValue("cyan"));
  EXPECT_EQ(TableValue("fuchsia"), TableValue("magenta"));
  EXPECT_EQ(TableValue("lightgrey"), 0xD3D3D3u);
  EXPECT_EQ(TableValue("darkslategray"), 0x2F4F4Fu);
  EXPECT_EQ(TableValue("green"), 0x008000u);
  for (const char* absent : {"grey", "darkgrey", "darkslategrey", "dimgrey", "lightslategrey",
                             "slategrey", "lightgray"}) {
    EXPECT_EQ(HtmlNameToColor(absent), 0u) << absent;
  }
}

TEST(HtmlToColor, ReadsDigitPairsOrFallsBackToTheName) {
  const struct {
    std::string_view text;
    uint32_t want;
  } cases[] = {
      {"#FF8000", Rgb(255, 128, 0)},
      {"#ff8000", Rgb(255, 128, 0)},
      {"ff8000", Rgb(255, 128, 0)},
      {"#12345", Rgb(0x12, 0x34, 0x05)},
      {"#1234567", Rgb(0x12, 0x34, 0x56)},
      {"000000zz", 0},
      {"#FFF", 0},              // blue pair empty; "#fff" is no name
      {"Red", Rgb(255, 0, 0)},  // "Re" is no hex pair; "red" is a name
      {"RED", Rgb(255, 0, 0)},
      {"#red", 0},
      {"beige", Rgb(0xF5, 0xF5, 0xDC)},  // "be" is hex, "ig" is not
      {"gray", Rgb(128, 128, 128)},
      {"grey", 0},
      {"", 0},
      {"#", 0},
      {" ff8000", 0},
      {"+f8000", 0},
      {"ff 000", 0},
      {std::string_view("\0\0\0\0\0\0", 6), 0},
      {"\xff\xfe", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HtmlToColor(c.text), c.want) << "'" << c.text << "'";
  }
}

TEST(HtmlNameToColor, MatchesExactNamesAndSwapsRedAndBlue) {
  EXPECT_EQ(HtmlNameToColor("red"), 0x0000FFu);
  EXPECT_EQ(HtmlNameToColor("blue"), 0xFF0000u);
  EXPECT_EQ(HtmlNameToColor("aliceblue"), Rgb(0xF0, 0xF8, 0xFF));
  EXPECT_EQ(HtmlNameToColor("Red"), 0u);
  EXPECT_EQ(HtmlNameToColor("red "), 0u);
  EXPECT_EQ(HtmlNameToColor(""), 0u);
}

TEST(ColorToHtml, WritesSixUpperCaseDigitsRedFirst) {
  EXPECT_EQ(ColorToHtml(Rgb(255, 128, 0)), "FF8000");
  EXPECT_EQ(ColorToHtml(Rgb(1, 2, 0xAB)), "0102AB");
  EXPECT_EQ(ColorToHtml(0), "000000");
  EXPECT_EQ(ColorToHtml(0x12345678), "785634");  // top byte ignored
  EXPECT_EQ(ColorToHtml(0xFFFFFFFF), "FFFFFF");
}

TEST(ColorConversions, RoundTripOverManyValues) {
  for (uint32_t value = 0; value <= 0xFFFFFF; value += 251) {
    const std::string text = ColorToHtml(value);
    ASSERT_EQ(HtmlToColor(text), value) << text;
    std::string lowered = "#" + text;
    AsciiLowerInPlace(lowered);
    ASSERT_EQ(HtmlToColor(lowered), value) << lowered;
  }
  EXPECT_EQ(HtmlToColor(ColorToHtml(0xFFFFFF)), 0xFFFFFFu);
  for (const NamedColor& entry : NamedColorTable) {
    const uint32_t value = HtmlNameToColor(entry.name);
    EXPECT_EQ(HtmlToColor(ColorToHtml(value)), value) << entry.name;
  }
}

}  // namespace
}  // namespace quorlix
