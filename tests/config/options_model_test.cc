#include "config/options_model.h"

#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "config/config_file.h"
#include "core/files/atomic_write.h"
#include "core/text/error.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

MATCHER_P2(Row, name, color, "") { return arg.name == name && arg.color == color; }

class OptionsModelTest : public ::testing::Test {
 protected:
  void TearDown() override { CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults(); }
  void Put(std::string_view content) { test::WriteFileBytes(config_.path(), content); }
  std::string Read(std::string_view section, std::string_view key) const {
    return config_.ReadConfigValue(section, key, "<absent>");
  }
  std::vector<std::string> Colors() const { return config_.ReadConfigSection("colordef"); }

  test::ScratchDir scratch_;
  const std::string dir_ = scratch_.path();
  ConfigFile config_{scratch_.Path("config.cfg")};
  OptionsModel model_;
};

TEST_F(OptionsModelTest, WithoutAFileOpensWithDefaultsAndCloseWritesThem) {
  model_.Open(config_);
  EXPECT_EQ(model_.time_pattern(), "Y:M:D");
  EXPECT_EQ(model_.depth(), "Day");
  EXPECT_TRUE(model_.suppress_bot_lines());
  EXPECT_THAT(model_.rows(), IsEmpty());
  model_.Close(config_);
  EXPECT_EQ(Read("config", "time_config"), "Y:M:D");
  EXPECT_EQ(Read("config", "timedisplay_depth"), "Day");
  EXPECT_EQ(Read("config", "disable_polbot"), "true");
  EXPECT_THAT(config_.ReadConfigSection("colordef"), IsEmpty());
}

TEST_F(OptionsModelTest, CarriesSettingsThroughAsTheRulesSay) {
  const struct {
    const char* line;
    const char* bot_written;
  } bots[] = {
      {"disable_polbot=true\n", "true"},  {"disable_polbot=false\n", "false"},
      {"disable_polbot=True\n", "false"}, {"disable_polbot=1\n", "false"},
      {"disable_polbot=\n", "false"},     {"", "true"},
  };
  for (const auto& c : bots) {
    Put(std::string("[config]\ntimedisplay_depth=minute\ntime_config=\n") + c.line);
    model_.Open(config_);
    model_.Close(config_);
    EXPECT_EQ(Read("config", "disable_polbot"), c.bot_written) << c.line;
    EXPECT_EQ(Read("config", "timedisplay_depth"), "minute");
    EXPECT_EQ(Read("config", "time_config"), "");
  }
}

TEST_F(OptionsModelTest, RenamingOrClearingARowReplacesItsOldKey) {
  Put("[colordef]\nClan=ff0000\nOOC=00ff00\nTrade=0000ff\n");
  model_.Open(config_);
  ASSERT_TRUE(model_.SetRowName(0, "Guild"));
  ASSERT_TRUE(model_.SetRowName(1, ""));
  model_.SetRowColor(2, "#ABC");  // typed colours are kept as typed
  model_.Close(config_);
  EXPECT_THAT(Colors(), ElementsAre("Guild=ff0000", "Trade=#ABC"));
}

TEST_F(OptionsModelTest, RepeatedNamesShareTheFirstRowsColour) {
  model_.Open(config_);
  model_.InsertEmptyRow(0);
  model_.InsertEmptyRow(1);
  model_.InsertEmptyRow(2);
  model_.SetRowName(0, "Clan");
  model_.SetRowColor(0, "111111");
  model_.SetRowName(1, "CLAN");
  model_.SetRowColor(1, "222222");
  model_.SetRowName(2, "OOC");
  EXPECT_EQ(model_.ColorOf("clan"), "111111");
  model_.SetColorOf("cLaN", "333333");
  EXPECT_THAT(model_.rows(),
              ElementsAre(Row("Clan", "333333"), Row("CLAN", "222222"), Row("OOC", "")));
  model_.SetColorOf("Trade", "444444");  // a new name appends a row
  EXPECT_THAT(model_.rows().back(), Row("Trade", "444444"));
  model_.Close(config_);
  EXPECT_THAT(Colors(), ElementsAre("Clan=333333", "OOC=", "Trade=444444"));
}

TEST_F(OptionsModelTest, RestoreDefaultRemovesOnlyTheDefaultKeys) {
  Put("[colordef]\nClan=ff0000\nOwn=123456\n[color_default]\nclan=aaaaaa\n"
      "OOC=bbbbbb\n");
  model_.Open(config_);
  model_.RestoreDefault(config_);
  EXPECT_THAT(model_.rows(), ElementsAre(Row("clan", "aaaaaa"), Row("OOC", "bbbbbb")));
  EXPECT_THAT(model_.remembered_lines(), ElementsAre("clan=aaaaaa", "OOC=bbbbbb"));
  model_.Close(config_);
  EXPECT_THAT(Colors(), ElementsAre("Own=123456", "clan=aaaaaa", "OOC=bbbbbb"));
  model_.Open(config_);
  EXPECT_EQ(model_.rows().size(), 3u);
}

TEST_F(OptionsModelTest, RestoreDefaultWithoutDefaultsKeepsEveryColour) {
  Put("[colordef]\nClan=ff0000\nOOC=00ff00\n");
  model_.Open(config_);
  model_.RestoreDefault(config_);
  EXPECT_THAT(model_.rows(), IsEmpty());
  EXPECT_THAT(model_.remembered_lines(), IsEmpty());
  model_.Close(config_);
  EXPECT_THAT(Colors(), ElementsAre("Clan=ff0000", "OOC=00ff00"));
}

TEST_F(OptionsModelTest, PickerSeedsAndStoresLowerCaseDigits) {
  Put("[colordef]\nClan=red\nOOC=\nTrade=#00FF00\nJunk=zz\n");
  model_.Open(config_);
  const struct {
    std::ptrdiff_t row;
    uint32_t seed;
  } seeds[] = {
      {0, 0x0000FF},           // a name, through the name lookup
      {1, 0xFFFFFF},           // empty colour: white
      {2, 0x00FF00},  {3, 0},  // unreadable: black
      {-1, 0xFFFFFF},          // no current row: the empty name has no colour
  };
  for (const auto& c : seeds) {
    EXPECT_EQ(model_.PickerSeedFor(c.row), c.seed) << c.row;
  }
  model_.AcceptPickedColor(2, 0x00CCBBAA);
  EXPECT_EQ(model_.rows()[2].color, "aabbcc");
}

TEST_F(OptionsModelTest, PickOnAnEmptyGridAddsAnUnnamedRowThatIsNotWritten) {
  model_.Open(config_);
  EXPECT_EQ(model_.RowName(-1), "");
  EXPECT_EQ(model_.PickerSeedFor(-1), 0xFFFFFFu);
  model_.AcceptPickedColor(-1, 0x000080FF);
  EXPECT_THAT(model_.rows(), ElementsAre(Row("", "ff8000")));
  model_.Close(config_);
  EXPECT_THAT(Colors(), IsEmpty());
  model_.SetRowName(0, "Clan");  // once named, the row is written
  model_.Close(config_);
  EXPECT_THAT(Colors(), ElementsAre("Clan=ff8000"));
}

TEST_F(OptionsModelTest, RefusesNamesTheFileCannotHold) {
  for (const char* bad : {"a=b", "=", "a\nb", ";x", " #x", "[config]"}) {
    EXPECT_FALSE(ChannelNameProblem(bad).empty()) << bad;
  }
  EXPECT_EQ(ChannelNameProblem("a=b"), "Ein Kanalname darf kein \"=\" enthalten.");
  for (const char* good : {"", "Clan", "a;b", "x#", "Org, Inc", "\xe4"}) {
    EXPECT_EQ(ChannelNameProblem(good), "") << good;
  }
  model_.InsertEmptyRow(0);
  model_.SetRowName(0, "Clan");
  EXPECT_FALSE(model_.SetRowName(0, "Cl=an"));
  EXPECT_EQ(model_.RowName(0), "Clan");
}

TEST_F(OptionsModelTest, CloseIsOneRewriteThatLandsWholeOrNotAtAll) {
  const std::string before =
      "[config]\ntime_config=old\ntimedisplay_depth=Day\ndisable_polbot=false\n"
      "[colordef]\nClan=ff0000\nOrg=00ff00\n";
  Put(before);
  model_.Open(config_);
  model_.set_time_pattern("new");
  model_.SetRowName(0, "Guild");  // a rename: delete Clan, write Guild
  model_.SetRowName(1, "");       // a removal
  model_.InsertEmptyRow(2);
  model_.SetRowName(2, "Team");
  model_.SetRowColor(2, "0000ff");
  static int renames;
  static bool fail;
  renames = 0;
  fail = true;
  CurrentAtomicWriteCalls().rename = [](const char* from, const char* to) {
    ++renames;
    if (fail) return errno = EROFS, -1;
    return AtomicWriteCalls::Defaults().rename(from, to);
  };
  try {
    model_.Close(config_);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "In " + config_.path() + " kann nicht geschrieben werden");
  }
  {
    // Closed before the next try: Windows replaces no file that is open.
    std::ifstream in(config_.path(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before);
  }
  EXPECT_EQ(model_.time_pattern(), "new");  // edits stay for another try

  fail = false;
  renames = 0;
  model_.Close(config_);
  EXPECT_EQ(renames, 1);
  CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults();
  EXPECT_EQ(Read("config", "time_config"), "new");
  EXPECT_EQ(Read("config", "disable_polbot"), "false");
  EXPECT_THAT(Colors(), ElementsAre("Guild=ff0000", "Team=0000ff"));
}

}  // namespace
}  // namespace quorlix
