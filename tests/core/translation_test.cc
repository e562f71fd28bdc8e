#include "core/translation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace quorlix {
namespace {

// The engine's tests check its messages in German, the language they have
// always been written in: every test of this program runs under a German
// locale, with the catalogues of the build (whether or not this machine has
// generated de_DE.UTF-8).
class GermanMessages : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    ::unsetenv("LANGUAGE");
    InitTranslations(QUORLIX_BUILD_LOCALE_DIR);
  }
};
[[maybe_unused]] ::testing::Environment* const kGerman =
    ::testing::AddGlobalTestEnvironment(new GermanMessages);

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
