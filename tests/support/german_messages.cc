// The engine's and the settings' tests check their messages in German, the
// language they have always been written in: these test programs run under
// a German locale, with the catalogues of the build (whether or not this
// machine has generated de_DE.UTF-8).
#include <gtest/gtest.h>

#include "core/files/translation_setup.h"
#include "core/text/translation.h"
#include "tests/support/test_platform.h"

namespace quorlix {
namespace {

class GermanMessages : public ::testing::Environment {
 public:
  void SetUp() override {
    test::SetEnv("LC_ALL", "de_DE.UTF-8");
    test::UnsetEnv("LANGUAGE");
    InitTranslations(QUORLIX_BUILD_LOCALE_DIR);
  }
};
[[maybe_unused]] ::testing::Environment* const kGerman =
    ::testing::AddGlobalTestEnvironment(new GermanMessages);

}  // namespace
}  // namespace quorlix
