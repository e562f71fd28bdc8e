// quorlix-cli's input and output: the places it writes to, the inputs it
// reads or refuses, signals, a log cut short, the progress bar.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/cli/cli_test_support.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

// Reads a FIFO or socket target to its end on a thread. Take() waits at
// most kReaderTime: should the program never write the target (not open
// it, or replace it), the test fails with a message instead of hanging,
// and `unblock` frees the thread still waiting in `open`. `slowly`: a few
// megabytes a second at most.
constexpr auto kReaderTime = std::chrono::seconds(10);
class Reader {
 public:
  Reader(std::function<int()> open, std::function<void()> unblock, bool slowly = false)
      : unblock_(std::move(unblock)), thread_([this, open, slowly] {
          const int fd = open();
          char buffer[4096];
          for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            bytes_.append(buffer, static_cast<std::size_t>(n));
            if (slowly) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          if (fd >= 0) ::close(fd);
          const std::lock_guard<std::mutex> lock(mutex_);
          done_ = true;
          done_changed_.notify_all();
        }) {}
  std::string Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!done_changed_.wait_for(lock, kReaderTime, [this] { return done_; })) {
      ADD_FAILURE() << "the target was not written to its end within " << kReaderTime.count()
                    << " s";
      lock.unlock();
      unblock_();
    } else {
      lock.unlock();
    }
    thread_.join();
    return bytes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
  std::string bytes_;
  std::function<void()> unblock_;
  std::thread thread_;
};

// A FIFO reader: opened for reading at once, freed by a writer that
// opens and closes.
std::unique_ptr<Reader> FifoReader(const fs::path& fifo) {
  return std::make_unique<Reader>([fifo] { return ::open(fifo.c_str(), O_RDONLY); },
                                  [fifo] { ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)); });
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode;
}

TEST_F(CliTest, OutputTargets) {
  const std::string expected = RunSample({}).out;
  const std::string expected_parts = RunSample({"--post-limit", "500"}).out;
  const fs::path log = dir_ / "x.log";
  fs::copy_file(QUORLIX_SAMPLE_LOG, log);
  const std::string log_bytes = test::ReadFileBytes(log);
  std::unique_ptr<Reader> reader;
  struct Case {
    std::string name;
    std::function<void(const fs::path&)> make;  // sets up the target
    int status;
    std::string message;                         // part of standard error
    std::function<void(const fs::path&)> check;  // what the target must be after
    std::vector<std::string> options = {};
  } cases[] = {
      {"the log itself", [&](const fs::path&) {}, 2, "ist die Eingabedatei", nullptr},
      {"the log on standard input", [&](const fs::path&) {}, 2, "ist die Eingabedatei", nullptr},
      {"a link to the log", [&](const fs::path& t) { fs::create_symlink(log, t); }, 2,
       "ist die Eingabedatei", [&](const fs::path& t) { EXPECT_TRUE(fs::is_symlink(t)); }},
      {"a FIFO",
       [&](const fs::path& t) {
         ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0);
         reader = FifoReader(t);
       },
       0, "",
       [&](const fs::path& t) {
         EXPECT_EQ(reader->Take(), expected);
         EXPECT_TRUE(S_ISFIFO(ModeOf(t)));
       }},
      {"a socket",
       [&](const fs::path& t) {
         const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::strcpy(address.sun_path, t.c_str());
         ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
         ASSERT_EQ(::listen(listener, 1), 0);
         reader = std::make_unique<Reader>(
             [listener] {
               const int fd = ::accept(listener, nullptr, nullptr);
               ::close(listener);
               return fd;
             },
             [address] {
               const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
               ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
               ::close(fd);
             });
       },
       0, "",
       [&](const fs::path& t) {
         EXPECT_EQ(reader->Take(), expected);
         EXPECT_TRUE(S_ISSOCK(ModeOf(t)));
       }},
      {"a character device",
       [&](const fs::path& t) {
         if (::mknod(t.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP();
       },
       0, "", [&](const fs::path& t) { EXPECT_TRUE(S_ISCHR(ModeOf(t))); }},
      {"a link to a file",
       [&](const fs::path& t) {
         test::WriteFileBytes(dir_ / "real.txt", "old");
         fs::create_symlink("real.txt", t);
       },
       0, "",
       [&](const fs::path& t) {
         EXPECT_TRUE(fs::is_symlink(t));
         EXPECT_EQ(test::ReadFileBytes(dir_ / "real.txt"), expected);
       }},
      {"a setuid file",
       [&](const fs::path& t) {
         test::WriteFileBytes(t, "old");
         ::chmod(t.c_str(), 06755);
       },
       0, "", [&](const fs::path& t) { EXPECT_EQ(ModeOf(t) & 07777, 0755u); }},
      {"a write-protected file",
       [&](const fs::path& t) {
         test::WriteFileBytes(t, "old");
         ::chmod(t.c_str(), 0444);
       },
       1, "schreibgesch\xc3\xbctzt",
       [&](const fs::path& t) { EXPECT_EQ(test::ReadFileBytes(t), "old"); }},
      {"a directory", [&](const fs::path& t) { fs::create_directory(t); }, 1, "ist ein Verzeichnis",
       nullptr},
      {"a loop of links", [&](const fs::path& t) { fs::create_symlink("target", t); }, 1,
       "target kann nicht geschrieben werden",
       [&](const fs::path& t) { EXPECT_TRUE(fs::is_symlink(t)); }},
      {"a file with a second hard link",
       [&](const fs::path& t) {
         test::WriteFileBytes(t, "old");
         fs::create_hard_link(t, dir_ / "real.txt");
       },
       1, "weitere harte Links",
       [&](const fs::path&) { EXPECT_EQ(test::ReadFileBytes(dir_ / "real.txt"), "old"); }},
      {"another user's file, replaced by root",
       [&](const fs::path& t) {
         test::WriteFileBytes(t, "old");
         if (::geteuid() != 0 || ::chown(t.c_str(), 12345, 23456) != 0) GTEST_SKIP();
       },
       0, "",
       [&](const fs::path& t) {
         struct stat st {};
         ::stat(t.c_str(), &st);
         EXPECT_EQ(st.st_uid, 12345u);
         EXPECT_EQ(st.st_gid, 23456u);
       }},
      {"another user's link in a sticky, world-writable folder",
       [&](const fs::path& t) {
         test::WriteFileBytes(dir_ / "real.txt", "old");
         fs::create_symlink("real.txt", t);
         if (::lchown(t.c_str(), 12345, 12345) != 0 || ::chmod(dir_.c_str(), 01777) != 0) {
           GTEST_SKIP();
         }
       },
       1, "einem anderen Benutzer geh\xc3\xb6rt",
       [&](const fs::path&) {
         ::chmod(dir_.c_str(), 0700);
         EXPECT_EQ(test::ReadFileBytes(dir_ / "real.txt"), "old");
       }},
      {"a part that is a link to the log",
       [&](const fs::path& t) { fs::create_symlink(log, t.string() + "-1"); },
       2,
       "ist die Eingabedatei",
       [&](const fs::path& t) { EXPECT_TRUE(fs::is_symlink(t.string() + "-1")); },
       {"--post-limit", "0"}},
      {"a part that is a hard link to the log",
       [&](const fs::path& t) { fs::create_hard_link(log, t.string() + "-1"); },
       2,
       "ist die Eingabedatei",
       nullptr,
       {"--post-limit", "0"}},
      {"two parts that are one file",
       [&](const fs::path& t) {
         test::WriteFileBytes(t.string() + "-1", "old");
         fs::create_symlink("target-1", t.string() + "-2");
       },
       2,
       "dieselbe Datei",
       [&](const fs::path& t) { EXPECT_EQ(test::ReadFileBytes(t.string() + "-1"), "old"); },
       {"--post-limit", "500"}},
      {"parts into a FIFO",
       [&](const fs::path& t) {
         ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0);
         reader = FifoReader(t);
       },
       0,
       "",
       [&](const fs::path& t) {
         EXPECT_EQ(reader->Take(), expected_parts);
         EXPECT_FALSE(fs::exists(t.string() + "-1"));
       },
       {"--post-limit", "500"}},
      {"parts into a character device",
       [&](const fs::path& t) {
         if (::mknod(t.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP();
       },
       0,
       "",
       [&](const fs::path& t) { EXPECT_FALSE(fs::exists(t.string() + "-1")); },
       {"--post-limit", "500"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool piped = c.name == "the log on standard input";
    const fs::path target = c.name == "the log itself" || piped ? log : dir_ / "target";
    c.make(target);
    if (::testing::Test::IsSkipped()) continue;
    std::vector<std::string> args = {"--config", config_, "-o", target.string(),
                                     piped ? std::string("-") : log.string()};
    args.insert(args.begin(), c.options.begin(), c.options.end());
    const Result result = Run(args, piped ? log.string() : "/dev/null");
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    if (c.check) c.check(target);
    EXPECT_EQ(test::ReadFileBytes(log), log_bytes);
    for (const std::string& name : FilesInDir()) {
      if (name.starts_with("target") || name == "real.txt") fs::remove(dir_ / name);
    }
  }
  EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"empty.cfg", "x.log"}));
  // Standard output that is the log's own file is refused as -o is.
  for (const char* redirect : {" 1<>\"$2\"", " >>\"$2\""}) {
    const Result same =
        Run({"/bin/sh", "-c", std::string("exec \"$0\" --config \"$1\" \"$2\"") + redirect,
             QUORLIX_CLI_PATH, config_, log.string()});
    EXPECT_EQ(same.status, 2) << redirect;
    EXPECT_NE(same.err.find("Die Standardausgabe ist die Eingabedatei"), std::string::npos)
        << same.err;
    EXPECT_EQ(test::ReadFileBytes(log), log_bytes);
  }
  // A path that ends in "/" names a directory, existing or not.
  const Result result = Run({"--config", config_, "-o", (dir_ / "out/").string(), log.string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("out/ ist ein Verzeichnis"), std::string::npos) << result.err;
}

// A name of one of the program's own descriptors is that descriptor: the
// output goes in as the shell set it up (appending where it appends), the
// file behind it never replaced, and parts go in as on standard output. A
// part name that is a folder, or in /dev or /proc, is a usage error.
TEST_F(CliTest, DescriptorNamesAreWrittenIntoAndPartNamesAreFiles) {
  const std::string whole = RunSample({}).out, parts = RunSample({"--post-limit", "500"}).out;
  const std::string keep = (dir_ / "keep.txt").string();
  struct Case {
    std::string command;  // after "quorlix-cli --config C"; $2 the log, $3 keep.txt,
                          // descriptor 3 a file deleted before the run
    int status;
    std::string kept;  // keep.txt after, "earlier" before
  } cases[] = {
      {"-o /dev/stdout \"$2\" >>\"$3\"", 0, "earlier" + whole},
      {"-o /dev/stdout \"$2\" 1<>\"$3\"", 0, whole},
      {"-o /proc/self/fd/3 \"$2\" 3>>\"$3\"", 0, "earlier" + whole},
      {"--post-limit 500 -o /dev/stdout \"$2\" >>\"$3\"", 0, "earlier" + parts},
      {"--post-limit 500 -o /dev/fd/4 \"$2\" 4>\"$3\"", 0, parts},
      {"-o /dev/fd/3 \"$2\"", 0, "earlier"},  // 3: a file deleted meanwhile
      {"-o /dev/fd/9 \"$2\"", 1, "earlier"},
      {"-o /dev/stdout \"$3\" >>\"$3\"", 2, "earlier"},  // the log itself
      {"--post-limit 500 -o / \"$2\"", 2, "earlier"},
      {"--post-limit 500 -o .. \"$2\"", 2, "earlier"},
      {"--post-limit 500 -o \"$1/\" \"$2\"", 2, "earlier"},
      {"--post-limit 500 -o . \"$2\"", 2, "earlier"},
      {"--post-limit 500 -o /dev/quorlix-test \"$2\"", 2, "earlier"},
      {"--post-limit 500 -o /proc/self/quorlix-test \"$2\"", 2, "earlier"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    test::WriteFileBytes(keep, "earlier");
    const Result result = Run(
        {"/bin/sh", "-c", "exec 3>\"$3.gone\"; rm \"$3.gone\"; \"$0\" --config \"$1\" " + c.command,
         QUORLIX_CLI_PATH, config_, QUORLIX_SAMPLE_LOG, keep});
    EXPECT_EQ(result.status, c.status) << result.err;
    if (fs::exists(keep)) {
      EXPECT_EQ(test::ReadFileBytes(keep), c.kept);
    }
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"empty.cfg", "keep.txt"}));
  }
  EXPECT_FALSE(fs::exists("/dev/stdout-1"));
  EXPECT_FALSE(fs::exists("/dev/quorlix-test-1"));
  // Blanks around a number count alike for every numeric option.
  EXPECT_EQ(RunSample({"--scene", " 2 "}).out, RunSample({"--scene", "2"}).out);
}

TEST_F(CliTest, EndlessOversizedAndOtherInputs) {
  const std::string expected = RunSample({}).out;
  const fs::path fifo = dir_ / "fifo", big = dir_ / "big.log";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A copy of quorlix-cli alone in a folder, with its catalogues, so that
  // it looks for the user's config.cfg; one such file of every unreadable
  // kind. Copies, for nobody may not read the build folder.
  fs::create_directories(dir_ / "alone");
  fs::copy_file(QUORLIX_CLI_PATH, dir_ / "alone/quorlix-cli");
  fs::copy_file(QUORLIX_SAMPLE_LOG, dir_ / "alone/sample.log");  // readable by nobody too
  fs::copy(fs::path(QUORLIX_CLI_PATH).parent_path() / "../share", dir_ / "share",
           fs::copy_options::recursive);
  for (const char* kind : {"dir", "fifo", "device", "mode000"}) {
    fs::create_directories(dir_ / ("user-" + std::string(kind)) / "quorlix");
  }
  fs::create_directory(dir_ / "user-dir/quorlix/config.cfg");
  ASSERT_EQ(::mkfifo((dir_ / "user-fifo/quorlix/config.cfg").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir_ / "user-device/quorlix/config.cfg");
  test::WriteFileBytes(dir_ / "user-mode000/quorlix/config.cfg", "[config]\n");
  fs::permissions(dir_ / "user-mode000/quorlix/config.cfg", fs::perms::none);
  fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  const auto user_config = [&](const char* kind) {
    // root reads a file of mode 000: the run then drops to nobody.
    const std::string as = ::geteuid() == 0 && std::string_view(kind) == "mode000"
                               ? "setpriv --reuid=65534 --regid=65534 --clear-groups "
                               : "";
    return "XDG_CONFIG_HOME=" + (dir_ / ("user-" + std::string(kind))).string() + " exec " + as +
           (dir_ / "alone/quorlix-cli").string() + " " + (dir_ / "alone/sample.log").string();
  };
  // A time stamp of 50 MB that would also clear the terminal.
  test::WriteFileBytes(big,
                       "[\"1\",\"OOC\",\"Ann\",1109628000]ok\n[\"1\",\"OOC\",\"Ann\",1\x1b[2J" +
                           std::string(50'000'000, '7') + "]x\n");
  struct Case {
    std::vector<std::string> args;
    std::string input;  // standard input
    int status;
    std::string out;      // all of standard output
    std::string message;  // part of standard error
  } cases[] = {
    {{"/dev/zero"}, "/dev/null", 1, "", "/dev/zero ist weder eine regul\xc3\xa4re Datei"},
    {{"-"}, QUORLIX_SAMPLE_LOG, 0, expected, ""},
    {{fifo.string()}, "/dev/null", 0, expected, ""},
    {{big.string()},
     "/dev/null",
     1,
     "",
     "big.log:2: '1?[2J" + std::string(75, '7') +
         "\xe2\x80\xa6' ist kein g\xc3\xbcltiger Integerwert\n"},
    {{"--config", (dir_ / "nosuch.cfg").string(), QUORLIX_SAMPLE_LOG},
     "/dev/null",
     0,
     expected,
     "Warnung: Einstellungsdatei " + (dir_ / "nosuch.cfg").string()},
    {{"--config", dir_.string(), QUORLIX_SAMPLE_LOG}, "/dev/null", 1, "", "ist ein Verzeichnis"},
    {{"--config", fifo.string(), QUORLIX_SAMPLE_LOG},
     "/dev/null",
     1,
     "",
     "ist keine regul\xc3\xa4re Datei"},
    // The user's own config.cfg (no --config, none beside the program)
    // that cannot be read: a warning, and the defaults.
    {{"/bin/sh", "-c", user_config("dir")}, "/dev/null", 0, expected, "ist ein Verzeichnis"},
    {{"/bin/sh", "-c", user_config("fifo")}, "/dev/null", 0, expected, "keine regul\xc3\xa4re"},
    {{"/bin/sh", "-c", user_config("device")}, "/dev/null", 0, expected, "keine regul\xc3\xa4re"},
    {{"/bin/sh", "-c", user_config("mode000")},
     "/dev/null",
     0,
     expected,
     "Warnung: Einstellungsdatei " + (dir_ / "user-mode000/quorlix/config.cfg").string() +
         " kann nicht gelesen werden"},
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer needs more address space than the limit
    {{"/bin/sh", "-c", "ulimit -v 300000; cat /dev/zero | " QUORLIX_CLI_PATH " -"},
     "/dev/null",
     1,
     "",
     "Nicht gen\xc3\xbcgend Arbeitsspeicher f\xc3\xbcr -"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    std::vector<std::string> args = c.args;
    if (args[0] != "--config" && args[0] != "/bin/sh")
      args.insert(args.begin(), {"--config", config_});
    std::unique_ptr<std::thread> writer;
    if (args.back() == fifo.string()) {
      writer = std::make_unique<std::thread>([&] {
        std::ofstream(fifo, std::ios::binary) << test::ReadFileBytes(QUORLIX_SAMPLE_LOG);
      });
    }
    const Result result = Run(args, c.input);
    if (writer) writer->join();
    EXPECT_EQ(result.status, c.status) << result.err.substr(0, 300);
    EXPECT_EQ(result.out, c.out);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err.substr(0, 300);
    EXPECT_LT(result.err.size(), 300u);
  }
}

TEST_F(CliTest, CatchableSignalsRemoveTheTemporaryFile) {
  const fs::path fifo = dir_ / "fifo", target = dir_ / "out.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // One output file, and the first of the parts of --post-limit.
  for (const char* limit : {"", "100"}) {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ, SIGKILL}) {
      SCOPED_TRACE(std::to_string(signal_number) + " " + limit);
      test::WriteFileBytes(target, "old");
      std::vector<std::string> args = {"--config", config_, "-o", target.string(), fifo.string()};
      if (*limit != '\0') args.insert(args.begin(), {"--post-limit", limit});
      const pid_t pid = Start(args);
      // Once the program reads the log, its temporary file exists.
      const int fd = ::open(fifo.c_str(), O_WRONLY);
      ASSERT_GE(fd, 0);
      const std::vector<std::string> names = FilesInDir();
      EXPECT_EQ(std::count_if(names.begin(), names.end(),
                              [](const std::string& name) {
                                return name.find(".quorlix-") != std::string::npos;
                              }),
                1);
      ::kill(pid, signal_number);
      EXPECT_EQ(Finish(pid).status, 128 + signal_number);
      ::close(fd);
      EXPECT_EQ(test::ReadFileBytes(target), "old");
      if (signal_number == SIGKILL) {
        // What a kill leaves, the next run to the same name removes (the
        // parts' record stays).
        args.back() = QUORLIX_SAMPLE_LOG;
        ASSERT_EQ(Run(args).status, 0);
        for (const std::string& name : FilesInDir()) {
          EXPECT_TRUE(name.find(".quorlix-") == std::string::npos ||
                      name == ".out.txt.quorlix-parts")
              << name;
          if (name != "empty.cfg" && name != "fifo") fs::remove(dir_ / name);
        }
        continue;
      }
      EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"empty.cfg", "fifo", "out.txt"}));
    }
  }
  // A signal the program was started to ignore (as by nohup) stays ignored.
  struct sigaction ignore {
  }, before{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGHUP, &ignore, &before);
  const pid_t pid = Start({"--config", config_, "-o", target.string(), fifo.string()});
  ::sigaction(SIGHUP, &before, nullptr);
  {
    std::ofstream log(fifo, std::ios::binary);
    ::kill(pid, SIGHUP);
    log << test::ReadFileBytes(QUORLIX_SAMPLE_LOG);
  }
  EXPECT_EQ(Finish(pid).status, 0);
  EXPECT_EQ(test::ReadFileBytes(target), RunSample({}).out);
  fs::remove(target);
  // A real file-size limit (512 bytes, below the sample's output and first
  // part): the kernel's SIGXFSZ ends the run as above.
  for (const char* limit : {"", "--post-limit 1000 "}) {
    SCOPED_TRACE(limit);
    test::WriteFileBytes(target, "old");
    const Result result = Run({"/bin/sh", "-c",
                               "ulimit -f 1; exec " QUORLIX_CLI_PATH " --config " + config_ + " " +
                                   limit + "-o " + target.string() + " " QUORLIX_SAMPLE_LOG});
    EXPECT_EQ(result.status, 128 + SIGXFSZ) << result.err;
    EXPECT_EQ(test::ReadFileBytes(target), "old");
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"empty.cfg", "fifo", "out.txt"}));
  }
}

// The log is mapped: shortened by another program during the run, it ends
// the run with a message, not a crash. The output is a FIFO held full, so
// that the run is surely under way when the log is cut.
TEST_F(CliTest, ALogShortenedWhileReadEndsTheRunWithAMessage) {
  const fs::path log = dir_ / "generated.log", fifo = dir_ / "stdout";
  test::WriteFileBytes(log, GeneratedLog(9, 400000));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Open for reading first, so that the program's open for writing does not wait.
  const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  // Two threads: only a few chunks are formatted ahead of the blocked writer.
  const pid_t pid = Start({"--config", config_, "--threads", "2", "--time", log.string()});
  ::fcntl(fd, F_SETFL, 0);
  char block[4096];
  ASSERT_GT(::read(fd, block, sizeof block), 0);
  ASSERT_EQ(::truncate(log.c_str(), 0), 0);
  while (::read(fd, block, sizeof block) > 0) {
  }
  ::close(fd);
  fs::remove(fifo);
  const Result result = Finish(pid);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "quorlix-cli: Datei " + log.string() + " wurde beim Lesen gek\xc3\xbcrzt\n");
}

// Standard output and error on one terminal: the bar would land between
// the output lines, so it stays away; with the output elsewhere it shows.
// The output is read slowly, so that either run lasts long enough to draw.
TEST_F(CliTest, ProgressBarOnlyWhenTheOutputIsNotOnItsTerminal) {
  const fs::path log = dir_ / "long.log";
  const std::string sample = test::ReadFileBytes(QUORLIX_SAMPLE_LOG);
  {
    std::ofstream out(log, std::ios::binary);
    for (int i = 0; i < 2000; ++i) out << sample;
  }
  // "[" 40 cells of # or - "]", as the bar draws itself.
  const auto has_bar = [](const std::string& screen) {
    for (std::size_t at = screen.find(" ["); at != std::string::npos;
         at = screen.find(" [", at + 1)) {
      const std::string cells = screen.substr(at + 2, 41);
      if (cells.size() == 41 && cells.back() == ']' &&
          cells.find_first_not_of("#-") == cells.size() - 1) {
        return true;
      }
    }
    return false;
  };
  for (const bool output_on_terminal : {false, true}) {
    SCOPED_TRACE(output_on_terminal);
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const std::string name = ::ptsname(terminal);
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    Reader screen([terminal] { return ::dup(terminal); }, [] {}, output_on_terminal);
    Reader output([&pipe_ends] { return pipe_ends[0]; }, [] {}, !output_on_terminal);
    std::vector<std::string> args = {QUORLIX_CLI_PATH, "--config", config_, log.string()};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output_on_terminal) {
      posix_spawn_file_actions_addopen(&actions, 1, name.c_str(), O_WRONLY, 0);
    } else {
      posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
    }
    posix_spawn_file_actions_addopen(&actions, 2, name.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_ends[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(terminal);  // the reader's copy ends when the program's side is gone
    const std::string on_screen = screen.Take();
    EXPECT_EQ(status, 0);
    EXPECT_GT(output.Take().size() + on_screen.size(), 2'000'000u);
    EXPECT_EQ(has_bar(on_screen), !output_on_terminal);
  }
}

}  // namespace
}  // namespace quorlix
