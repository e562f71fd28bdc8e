#include "config/config_file.h"
#include "config/post_limit.h"
#include "config/scene_gap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/files/atomic_write.h"
#include "core/files/platform.h"
#include "core/text/error.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_platform.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;

template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

using ::testing::ElementsAre;
using ::testing::IsEmpty;

#ifdef _WIN32
constexpr bool kLockFileStays = false;  // the writers' lock is a mutex
#else
constexpr bool kLockFileStays = true;
#endif

class ConfigFileTest : public ::testing::Test {
 protected:
  void TearDown() override { CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults(); }

  void Put(std::string_view content) { test::WriteFileBytes(path_, content); }
  std::string Get() const { return test::ReadFileBytes(path_); }
  // The file's lines without the blank ones: what a rewrite must keep.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(Get());
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  std::string Read(std::string_view section, std::string_view key) const {
    return config_.ReadConfigValue(section, key, "<default>");
  }
  std::vector<std::string> Section(std::string_view section) const {
    return config_.ReadConfigSection(section);
  }
  void ExpectWriteError(const std::function<void()>& write) {
    try {
      write();
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "In " + path_ + " kann nicht geschrieben werden");
    }
  }

  test::ScratchDir scratch_;
  const std::string dir_ = scratch_.path();
  const std::string path_ = scratch_.Path("config.cfg");
  ConfigFile config_{path_};
};

TEST_F(ConfigFileTest, MissingFileReadsDefaultsAndDeleteCreatesNothing) {
  EXPECT_EQ(Read("config", "time_config"), "<default>");
  EXPECT_THAT(Section("colordef"), IsEmpty());
  config_.DeleteConfigKey("colordef", "Clan");
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(ConfigFileTest, NamesIgnoreCaseValuesAreExact) {
  Put("[CONFIG]\nTime_Config = h:m:s \nDisable_Polbot=True\nempty=\n"
      "[ColorDef]\nClan=FF0000\n");
  const struct {
    const char* section;
    const char* key;
    const char* want;
  } cases[] = {
      {"config", "time_config", "h:m:s"},   {"Config", "TIME_CONFIG", "h:m:s"},
      {"config", "disable_polbot", "True"}, {"config", "empty", ""},
      {"config", "absent", "<default>"},    {"absent", "time_config", "<default>"},
      {"colordef", "clan", "FF0000"},       {"colordef", "time_config", "<default>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.section, c.key), c.want) << c.section << "/" << c.key;
  }
}

TEST_F(ConfigFileTest, SectionListsEveryKeyInFileOrderWithWholeValues) {
  const std::string long_value(5000, 'v');
  std::string content = "[colordef]\nzeta=1\nAlpha=\nmid=" + long_value + "\n";
  for (int i = 0; i < 2000; ++i) {
    content += "channel_with_a_longish_name_" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  }
  Put(content + "[other]\nx=1\n");
  const std::vector<std::string> lines = Section("COLORDEF");
  ASSERT_EQ(lines.size(), 2003u);
  EXPECT_EQ(lines[0], "zeta=1");
  EXPECT_EQ(lines[1], "Alpha=");
  EXPECT_EQ(lines[2], "mid=" + long_value);
  EXPECT_EQ(lines[2002], "channel_with_a_longish_name_1999=1999");
  EXPECT_EQ(Read("colordef", "mid"), long_value);
}

TEST_F(ConfigFileTest, RewriteKeepsCommentsOtherSectionsAndOrder) {
  Put("; Quorlix settings\n\ntop=kept\n[config]\n; how times look\n"
      "Time_Config=Y:M:D\ndisable_polbot=true\n\n[colordef]\nClan=ff0000\n"
      "OOC=00ff00\n; trailing note\n");
  config_.WriteConfigValue("CONFIG", "time_config", "h:m");
  EXPECT_THAT(Lines(), ElementsAre("; Quorlix settings", "top=kept", "[config]", "; how times look",
                                   "Time_Config=h:m", "disable_polbot=true", "[colordef]",
                                   "Clan=ff0000", "OOC=00ff00", "; trailing note"));
  const std::string once = Get();
  config_.WriteConfigValue("config", "time_config", "h:m");
  EXPECT_EQ(Get(), once);  // a rewrite settles: no growing blank lines

  config_.WriteConfigValue("colordef", "New", "0000ff");
  config_.WriteConfigValue("fresh", "k", "v");
  EXPECT_THAT(Section("colordef"), ElementsAre("Clan=ff0000", "OOC=00ff00", "New=0000ff"));
  EXPECT_EQ(Lines().back(), "; trailing note");
  EXPECT_EQ(Read("fresh", "k"), "v");
}

TEST_F(ConfigFileTest, FirstWriteCreatesTheFile) {
  config_.WriteConfigValue("config", "time_config", "Y:M:D");
  EXPECT_THAT(Lines(), ElementsAre("[config]", "time_config=Y:M:D"));
}

TEST_F(ConfigFileTest, WrittenValuesReadBackExactly) {
  const std::string values[] = {
      "",        " lead", "trail ",    "\tboth\t", "\"quoted\"", "\"",  "\"\"",
      " \"q\" ", "a=b=c", "x ; y # z", "#",        "   ",        "[s]", "\xe4\xff\x80",
  };
  for (const std::string& value : values) {
    config_.WriteConfigValue("s", "k", value);
    EXPECT_EQ(Read("s", "k"), value) << "[" << value << "]";
  }
}

// A CR LF file stays so; one with LF, and a new one, get CR LF where the
// system's editors expect them.
TEST_F(ConfigFileTest, EitherLineEndReadsAndCrLfStaysOrComesWhereExpected) {
  const bool system_crlf = platform::TextFilesEndLinesWithCrLf();
  const struct {
    const char* content;  // null: no file yet
    bool crlf;
  } cases[] = {
      {"[config]\r\ntime_config=Y:M:D\r\n[colordef]\r\nClan=ff0000\r\n", true},
      {"[config]\ntime_config=Y:M:D\n[colordef]\nClan=ff0000\n", system_crlf},
      {nullptr, system_crlf},
  };
  for (const auto& c : cases) {
    fs::remove(path_);
    if (c.content) {
      Put(c.content);
      EXPECT_EQ(Read("config", "time_config"), "Y:M:D");
      EXPECT_THAT(Section("colordef"), ElementsAre("Clan=ff0000"));
    }
    config_.WriteConfigValue("colordef", "OOC", "00ff00");
    const std::string text = Get();
    for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
      ASSERT_EQ(i > 0 && text[i - 1] == '\r', c.crlf) << text;
    }
  }
}

TEST_F(ConfigFileTest, RepeatedKeyReadsTheFirstAndCollapsesWhenWritten) {
  Put("[colordef]\nClan=111111\nOOC=222222\nCLAN=333333\n");
  EXPECT_EQ(Read("colordef", "clan"), "111111");
  EXPECT_THAT(Section("colordef"), ElementsAre("Clan=111111", "OOC=222222"));
  config_.WriteConfigValue("colordef", "OOC", "444444");
  EXPECT_THAT(Lines(), ElementsAre("[colordef]", "Clan=111111", "Clan=333333", "OOC=444444"));
  config_.WriteConfigValue("colordef", "clan", "555555");
  EXPECT_THAT(Lines(), ElementsAre("[colordef]", "Clan=555555", "OOC=444444"));
}

TEST_F(ConfigFileTest, MalformedFilesReadAsDefaultsAndStayUntouched) {
  const struct {
    std::string content;
    const char* time_config;
  } cases[] = {
      {"time_config=top level\n", "<default>"},
      {"just some words\nno equals here\n", "<default>"},
      {"[config\ntime_config=unterminated\n", "<default>"},
      {"[config]\n=no key\ntime_config\ntime_config=X\n", "X"},
      {Bytes("[config]\ntime\0_config=A\ntime_config=B\0C\n"), "B C"},
      {Bytes("\0\0\0[config]\ntime_config=after nul\n"), "after nul"},
      {"\xef\xbb\xbf[config]\ntime_config=bom\n", "bom"},
      {"\x89PNG\r\n\x1a\n\xff\xfe[]===\n[config]]junk\rtime_config=old mac\r", "old mac"},
  };
  for (const auto& c : cases) {
    Put(c.content);
    EXPECT_EQ(Read("config", "time_config"), c.time_config);
    Section("config");
    Section("");
    EXPECT_EQ(Get(), c.content);
  }
}

TEST_F(ConfigFileTest, DirectoryInPlaceReadsDefaultsAndFailsToWrite) {
  ASSERT_TRUE(fs::create_directory(path_));
  EXPECT_EQ(Read("config", "time_config"), "<default>");
  EXPECT_THAT(Section("colordef"), IsEmpty());
  ExpectWriteError([&] { config_.WriteConfigValue("config", "k", "v"); });
  ExpectWriteError([&] { config_.DeleteConfigKey("config", "k"); });
  EXPECT_TRUE(fs::is_directory(path_));
}

TEST_F(ConfigFileTest, FailedWriteRaisesTheMessageAndKeepsTheFile) {
  const std::string before = "[config]\ntime_config=Y:M:D\n[colordef]\nClan=1\n";
  Put(before);
  CurrentAtomicWriteCalls().rename = [](const char*, const char*) {
    errno = EROFS;
    return -1;
  };
  ExpectWriteError([&] { config_.WriteConfigValue("config", "time_config", "x"); });
  ExpectWriteError([&] { config_.DeleteConfigKey("colordef", "clan"); });
  // Nothing to remove: no rewrite, so no error.
  config_.DeleteConfigKey("colordef", "absent");
  config_.DeleteConfigKey("absent", "clan");
  EXPECT_EQ(Get(), before);
  // Beside the file at most the writers' lock file (Linux keeps it; Windows
  // has none): no temporary file is left.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), kLockFileStays ? 2 : 1);
  EXPECT_EQ(fs::exists(path_ + ".lock"), kLockFileStays);
}

TEST_F(ConfigFileTest, RefusesEntriesThatWouldNotReadBack) {
  Put("[colordef]\nClan=1\n");
  ExpectWriteError([&] { config_.WriteConfigValue("colordef", "a=b", "1"); });
  ExpectWriteError([&] { config_.WriteConfigValue("colordef", "", "1"); });
  ExpectWriteError([&] { config_.WriteConfigValue("colordef", ";x", "1"); });
  ExpectWriteError([&] { config_.WriteConfigValue("colordef", " [config]", "1"); });
  ExpectWriteError([&] { config_.WriteConfigValue("colordef", "k", "a\nb=c"); });
  ExpectWriteError([&] { config_.WriteConfigValue("a]b", "k", "1"); });
  EXPECT_EQ(Get(), "[colordef]\nClan=1\n");
}

TEST_F(ConfigFileTest, DeleteRemovesEveryLineOfTheKeyOnly) {
  Put("[colordef]\nClan=1\nOOC=2\nclan=3\n[other]\nClan=4\n");
  config_.DeleteConfigKey("COLORDEF", "CLAN");
  EXPECT_THAT(Lines(), ElementsAre("[colordef]", "OOC=2", "[other]", "Clan=4"));
  EXPECT_EQ(Read("colordef", "clan"), "<default>");
}

// Forum posts have no limit unless one is set; chat-app messages have
// theirs, in a key of their own. The scene gap reads 30 unless the value
// is a whole number from 0 up.
TEST_F(ConfigFileTest, PostLimitPerDialectAndSceneGapReadTheirDefaultUnlessAWholeNumber) {
  EXPECT_EQ(ReadPostLimit(config_, Dialect::kUbb), 0u);  // no file
  EXPECT_EQ(ReadPostLimit(config_, Dialect::kMarkdown), 2000u);
  EXPECT_EQ(ReadSceneGap(config_), 30);
  const struct {
    const char* value;
    std::uint64_t limit;  // forum posts; Markdown reads 2000 for 0 here
    int64_t gap;
  } cases[] = {
      {"10000", 10000, 10000},
      {"0", 0, 0},
      {"", 0, 30},
      {"-5", 0, 30},
      {"ten", 0, 30},
      {"abc", 0, 30},
      {"1e4", 0, 30},
      {" 45 ", 0, 45},
      {"9223372036854775808", std::uint64_t{1} << 63, 525600},
  };
  for (const auto& c : cases) {
    config_.WriteConfigValue("config", "post_limit", c.value);
    config_.WriteConfigValue("config", "post_limit_markdown", c.value);
    EXPECT_EQ(ReadPostLimit(config_, Dialect::kUbb), c.limit) << c.value;
    EXPECT_EQ(ReadPostLimit(config_, Dialect::kHtml), c.limit) << c.value;
    const bool number = c.limit != 0 || std::string_view(c.value) == "0";
    EXPECT_EQ(ReadPostLimit(config_, Dialect::kMarkdown), number ? c.limit : 2000u) << c.value;
    config_.WriteConfigValue("config", "scene_gap", c.value);
    EXPECT_EQ(ReadSceneGap(config_), c.gap) << c.value;
  }
  WritePostLimit(config_, Dialect::kHtml, 60000);
  WritePostLimit(config_, Dialect::kMarkdown, 4000);
  EXPECT_EQ(Read("config", "post_limit"), "60000");
  EXPECT_EQ(Read("config", "post_limit_markdown"), "4000");
  WriteSceneGap(config_, 45);
  EXPECT_EQ(Read("config", "scene_gap"), "45");
}

TEST_F(ConfigFileTest, WritersWaitForTheLockAndWorkOnTheResultBefore) {
  Put("[colordef]\nClan=1\n");
  using Write = std::function<void()>;
  const Write write_value([&] { config_.WriteConfigValue("colordef", "OOC", "2"); });
  const Write delete_key([&] { config_.DeleteConfigKey("colordef", "Clan"); });
  // Another program's lock, held until the file is closed; a shared one
  // keeps a writer waiting as well. Windows has no lock file: another
  // program holds the writers' mutex.
  using Lock = int (*)(int fd);
  for (const auto& [held, write] : {std::pair<Lock, Write>{platform::LockExclusive, write_value},
                                    std::pair<Lock, Write>{platform::LockExclusive, delete_key},
                                    std::pair<Lock, Write>{test::LockShared, write_value}}) {
    SCOPED_TRACE(held == test::LockShared ? "shared" : "exclusive");
#ifdef _WIN32
    if (held == test::LockShared) continue;
    auto other = std::make_unique<platform::WritersLock>(scratch_.Path("CONFIG.CFG"));
    const auto release = [&] { other.reset(); };
#else
    const int lock = platform::OpenLockFile(path_ + ".lock");
    ASSERT_GE(lock, 0);
    ASSERT_EQ(held(lock), 0);
    const auto release = [&] { platform::Close(lock); };
#endif
    const std::string before = Get();
    std::future<void> done = std::async(std::launch::async, write);
    EXPECT_EQ(done.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_EQ(Get(), before);
    release();
    done.get();
  }
  EXPECT_THAT(Lines(), ElementsAre("[colordef]", "OOC=2"));
  // A snapshot keeps what it read.
  const ConfigFile snapshot = config_.Snapshot();
  config_.WriteConfigValue("colordef", "OOC", "3");
  EXPECT_EQ(snapshot.ReadConfigValue("colordef", "ooc", ""), "2");
}

TEST(ConfigLocation, BesideTheProgramElseTheUsersOwnWithTheShippedDefaults) {
#ifdef _WIN32
  // Windows keeps share/ beside the program; a full name has a drive.
  const std::string shipped = "/opt/q/bin/share/quorlix/config.cfg";
  const std::string x = "C:/x";
#else
  const std::string shipped = "/opt/q/share/quorlix/config.cfg";
  const std::string x = "/x";
#endif
  const struct {
    ConfigSearch search;
    ConfigLocation expected;
  } cases[] = {
      {{"/opt/q/bin", true, "/x", "/home/ann", ""}, {"/opt/q/bin/config.cfg", ""}},
      {{"/opt/q/bin", false, x + "/", "/home/ann", ""}, {x + "/quorlix/config.cfg", shipped}},
      {{"/opt/q/bin", false, "", "/home/ann", ""},
       {"/home/ann/.config/quorlix/config.cfg", shipped}},
      // Relative values of XDG_CONFIG_HOME are to be ignored.
      {{"/opt/q/bin", false, "rel/cfg", "/home/ann/", ""},
       {"/home/ann/.config/quorlix/config.cfg", shipped}},
      // Where the system has a folder for programs' settings (Windows), that
      // one; a portable copy beside the program still wins.
      {{"/opt/q/bin", false, "/x", "/home/ann", "/home/ann/AppData/Roaming"},
       {"/home/ann/AppData/Roaming/Quorlix/config.cfg", shipped}},
      {{"/opt/q/bin", true, "/x", "/home/ann", "/home/ann/AppData/Roaming"},
       {"/opt/q/bin/config.cfg", ""}},
  };
  for (const auto& c : cases) {
    const ConfigLocation location = ChooseConfigLocation(c.search);
    // Separators as the system writes them: "\\" on Windows.
    EXPECT_EQ(fs::path(location.path).generic_string(), c.expected.path)
        << c.search.xdg_config_home;
    EXPECT_EQ(fs::path(location.defaults).generic_string(), c.expected.defaults)
        << c.search.xdg_config_home;
  }
}

TEST(ConfigLocation, ThisProcessLooksBesideItselfThenInXdgConfigHome) {
  const std::string beside =
      (fs::path(platform::ProgramPath()).parent_path() / "config.cfg").string();
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  test::SetEnv("XDG_CONFIG_HOME", "/tmp/quorlix-xdg");
  // On Windows the system's folder for settings, whatever XDG_CONFIG_HOME says.
  const std::string app_data = platform::AppDataFolder();
  const std::string users =
      app_data.empty()
          ? "/tmp/quorlix-xdg/quorlix/config.cfg"
          : (fs::path(app_data) / "Quorlix" / "config.cfg").lexically_normal().string();
  EXPECT_EQ(ConfigFilePath(), fs::exists(beside) ? beside : users);
  EXPECT_EQ(ConfigFile().path(), ConfigFilePath());
  old ? test::SetEnv("XDG_CONFIG_HOME", saved.c_str()) : test::UnsetEnv("XDG_CONFIG_HOME");
}

TEST_F(ConfigFileTest, UsersFileStartsAsTheShippedDefaultsAtTheFirstWrite) {
  Put("[config]\ntime_config=h:m\n[colordef]\nClan=111111\nOOC=222222\n");
  const std::string user = dir_ + "/home/.config/quorlix/config.cfg";
  ConfigFile config(ConfigLocation{user, path_});
  EXPECT_EQ(config.ReadConfigValue("config", "time_config", ""), "h:m");
  config.DeleteConfigKey("colordef", "Trade");  // not there: no file yet
  EXPECT_FALSE(fs::exists(dir_ + "/home"));

  config.DeleteConfigKey("colordef", "Clan");
  config.WriteConfigValue("config", "time_config", "D");
  EXPECT_THAT(config.ReadConfigSection("colordef"), ElementsAre("OOC=222222"));
  EXPECT_EQ(config.ReadConfigValue("config", "time_config", ""), "D");
  if (platform::AppDataFolder().empty()) {  // Windows has no such bits: access rules instead
    EXPECT_EQ(fs::status(dir_ + "/home/.config").permissions(), fs::perms::owner_all);
  }
  EXPECT_EQ(Read("config", "time_config"), "h:m");  // the shipped file stays

  // A settings folder that cannot be made (here a file is in the way, as
  // unwritable for root as for anyone): the usual failure, reads go on.
  std::ofstream(dir_ + "/other") << "";
  const std::string unwritable = dir_ + "/other/quorlix/config.cfg";
  ConfigFile blocked(ConfigLocation{unwritable, path_});
  try {
    blocked.WriteConfigValue("config", "time_config", "Y");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "In " + unwritable + " kann nicht geschrieben werden");
  }
  EXPECT_EQ(blocked.ReadConfigValue("config", "time_config", ""), "h:m");
}

}  // namespace
}  // namespace quorlix
