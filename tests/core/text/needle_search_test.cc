#include "core/text/needle_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/text/text_util.h"

namespace quorlix {
namespace {

// The one-pass search must answer as CountOccurrences asked per text does,
// nested and overlapping needles included: a small alphabet makes many.
TEST(NeedleSearchTest, AgreesWithCountOccurrencesTextByText) {
  std::mt19937 random(7);
  auto word = [&random](std::size_t max_length) {
    std::string text(std::uniform_int_distribution<std::size_t>(0, max_length)(random), 'a');
    for (char& c : text) c = "abc="[std::uniform_int_distribution<int>(0, 3)(random)];
    return text;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> texts(20), keys;
    for (std::string& text : texts) text = word(12);
    for (int i = 0; i < 8; ++i) {
      std::string key = word(4);
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    }
    const std::vector<std::string_view> needles(keys.begin(), keys.end());
    const std::vector<std::ptrdiff_t> first = FirstTextsWithOneOccurrence(needles, texts);
    for (std::size_t k = 0; k < keys.size(); ++k) {
      std::ptrdiff_t expected = -1;
      for (std::size_t t = 0; t < texts.size() && expected < 0; ++t) {
        if (CountOccurrences(keys[k], texts[t]) == 1) expected = static_cast<std::ptrdiff_t>(t);
      }
      ASSERT_EQ(first[k], expected) << "needle '" << keys[k] << "', round " << round;
    }
  }
}

}  // namespace
}  // namespace quorlix
