// config.cfg rewrites where the file system fails them or a kill cuts them
// short: the file is always whole, old or new.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "config/config_file.h"
#include "tests/support/write_target_test.h"

namespace quorlix {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;
using test::Writer;

using ConfigFileWriteTest = test::WriteTargetTest;

const Writer kConfigWrite = {
    "config.cfg",
    [](const std::string& path) {
      ConfigFile(path).WriteConfigValue("config", "time_config", "h:m");
    },
    [](const std::string& path) { return "In " + path + " kann nicht geschrieben werden"; }};

TEST_F(ConfigFileWriteTest, ReadOnlyDirectoryFailsAndLeavesTheTarget) {
  if (!MakeReadOnlyFolder()) GTEST_SKIP() << "cannot make a read-only folder";
  ExpectFailureKeepsTheTarget(kConfigWrite, {});
}

TEST_F(ConfigFileWriteTest, FullDiskFailsAndLeavesTheTarget) {
  if (!MakeFullDisk()) GTEST_SKIP() << "needs root to mount a tmpfs";
  ExpectFailureKeepsTheTarget(kConfigWrite, {"filler"});
  // Once there is room again, the write goes through.
  ::unlink(filler_.c_str());
  kConfigWrite.write(target_);
  EXPECT_EQ(ConfigFile(target_).ReadConfigValue("config", "time_config", ""), "h:m");
}

// Kills a process at random moments while it rewrites config.cfg over and
// over: config.cfg is always whole, old or new, and whatever a killed write
// left behind is gone after the next write.
TEST_F(ConfigFileWriteTest, KilledWritersLeaveOldOrNewConfigAndTheNextWriteCleansUp) {
  constexpr int kKills = 1000;
  // Some bulk, so that a kill can fall inside the write itself.
  std::string bulk = "[config]\ntime_config=Y:M:D\n[colordef]\n";
  for (int i = 0; i < 300; ++i) bulk += "channel" + std::to_string(i) + "=ff8000\n";
  WriteFileBytes(target_, bulk);
  ConfigFile config(target_);
  const std::string values[] = {"Y:M:D h:m:s", "D.M.Y"};
  std::string contents[2];
  for (int i : {0, 1}) {
    config.WriteConfigValue("config", "time_config", values[i]);
    contents[i] = ReadFileBytes(target_);
  }
  // How long one write takes, to spread the kills over a few writes.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) config.WriteConfigValue("config", "time_config", values[i % 2]);
  const auto one_write = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::steady_clock::now() - start) /
                         20;

  std::mt19937 random(12345);
  std::uniform_int_distribution<long> delay(0, 3 * one_write.count() + 100);
  int left_a_temp_file = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0; i < 1000000; ++i) {
        try {
          config.WriteConfigValue("config", "time_config", values[i % 2]);
        } catch (...) {
          ::_exit(1);
        }
      }
      ::_exit(0);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed or ended on its own";
    const std::string now = ReadFileBytes(target_);
    ASSERT_TRUE(now == contents[0] || now == contents[1]) << "kill " << kill;
    const std::vector<std::string> strays = Strays();
    // Each write clears what the last killed one left: never more than one.
    ASSERT_LE(strays.size(), 1u) << "kill " << kill;
    if (!strays.empty()) {
      ASSERT_THAT(strays[0], ::testing::StartsWith(".out.txt.quorlix-tmp-"));
      ++left_a_temp_file;
    }
  }
  config.WriteConfigValue("config", "time_config", values[0]);
  EXPECT_EQ(ReadFileBytes(target_), contents[0]);
  EXPECT_THAT(Strays(), ::testing::IsEmpty());
  // The kills must have hit writes in progress, not only the gaps.
  EXPECT_GT(left_a_temp_file, kKills / 20);
  RecordProperty("kills_that_left_a_temporary_file", left_a_temp_file);
}

}  // namespace
}  // namespace quorlix
