#include "core/text/translation.h"

#include <gtest/gtest.h>

#include <string>

namespace quorlix {
namespace {

// Under the German locale of tests/support/german_messages.cc.
TEST(Translation, GermanCatalogueInUse) {
  EXPECT_EQ(CurrentLanguage(), "de");
  EXPECT_STREQ(Tr("Cannot write to %s"), "In %s kann nicht geschrieben werden");
  EXPECT_STREQ(Tr("no such text"), "no such text");
}

TEST(Translation, FormatTextFillsInOrderOrByPosition) {
  const struct {
    const char* pattern;
    std::string expected;
  } cases[] = {
      {"%s and %s", "a and b%"},
      {"%2$s before %1$s", "b% before a"},
      {"100%% of %s", "100% of a"},
      {"%s %s %s", "a b% "},  // a missing text is empty
      {"%d stays, so does a trailing %", "%d stays, so does a trailing %"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatText(c.pattern, {"a", "b%"}), c.expected) << c.pattern;
  }
}

}  // namespace
}  // namespace quorlix
