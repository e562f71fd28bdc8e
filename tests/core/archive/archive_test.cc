#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string_view>
#include <system_error>

#include "core/archive/archive_files.h"
#include "core/archive/archive_record.h"
#include "core/archive/archive_resume.h"
#include "core/archive/archive_writer.h"
#include "core/files/atomic_write.h"
#include "core/log/loader.h"
#include "core/work/progress.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

constexpr int64_t kBase = 1104624000;  // 2005-01-02 00:00:00 UTC

TEST(ScenePageNames, FromTheFirstLinesSecondAndApartWithinOne) {
  const struct {
    const char* what;
    std::vector<int64_t> times;
    std::vector<std::string> names;
  } cases[] = {
      {"plain", {kBase + 3723}, {"2005-01-02_01-02-03.html"}},
      {"the same second again, also after another",
       {kBase, kBase + 1, kBase, kBase},
       {"2005-01-02_00-00-00.html", "2005-01-02_00-00-01.html", "2005-01-02_00-00-00-2.html",
        "2005-01-02_00-00-00-3.html"}},
      {"before 1970 and past year 9999",
       {-1, 253402300800},
       {"1969-12-31_23-59-59.html", "10000-01-01_00-00-00.html"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ScenePageNames(c.times), c.names);
    for (const std::string& name : c.names) EXPECT_TRUE(IsArchivePageName(name));
  }
}

TEST(ArchiveManifest, ReadsOnlyPlainNamesOfItsOwnForm) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"quorlix-archive 1\n", true},
      {"quorlix-archive 1\n0123456789abcdef index.html\n- 2005-01-02_00-00-00.html\n", true},
      {"quorlix-archive 2\n", false},
      {"quorlix-archive 1\n- index.html", false},       // cut short
      {"quorlix-archive 1\n- ../index.html\n", false},  // outside the folder
      {"quorlix-archive 1\n- /etc/passwd.html\n", false},
      {"quorlix-archive 1\n- .bashrc.html\n", false},
      {"quorlix-archive 1\n- notes.txt\n", false},
      {"quorlix-archive 1\n- a.html\n- a.html\n", false},       // twice
      {"quorlix-archive 1\n0123456789ABCDEF a.html\n", false},  // not its own digits
      {"quorlix-archive 1\n123 a.html\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto entries = ParseManifest(c.text);
    EXPECT_EQ(entries.has_value(), c.valid);
    if (entries) {
      EXPECT_EQ(FormatManifest(*entries), c.text);
    }
  }
}

TEST(ArchiveManifest, ForeignFilesAreAllButItsOwnAndTheirTemporaryFiles) {
  const std::vector<ManifestEntry> manifest = {{"index.html", 1}, {"a.html", std::nullopt}};
  const std::vector<std::string> listing = {
      ".quorlix-archive",
      "index.html",
      "a.html",
      ".a.html.quorlix-tmp-Ab12Cd",
      ".b.html.quorlix-tmp-Ab12Cd",  // of a file the manifest does not name
      ".a.html.quorlix-tmp-Ab12",    // not the writer's pattern
      "b.html",
      "Thumbs.db",
      "notes"};
  EXPECT_EQ(ForeignFiles(listing, manifest),
            (std::vector<std::string>{".b.html.quorlix-tmp-Ab12Cd", ".a.html.quorlix-tmp-Ab12",
                                      "b.html", "notes"}));
}

TEST(StreamFingerprint, TheBytesCountNotThePieces) {
  std::string bytes;
  for (int i = 0; i < 100; ++i) bytes += static_cast<char>('a' + i % 26);
  StreamFingerprint whole;
  whole.Add(bytes);
  for (const std::size_t cut : {0, 1, 7, 31, 32, 33, 64, 99, 100}) {
    StreamFingerprint pieces;
    pieces.Add(std::string_view(bytes).substr(0, cut));
    pieces.Add(std::string_view(bytes).substr(cut, 3));
    pieces.Add(std::string_view(bytes).substr(std::min<std::size_t>(cut + 3, 100)));
    EXPECT_EQ(pieces.Value(), whole.Value()) << cut;
  }
  StreamFingerprint shorter;
  shorter.Add(std::string_view(bytes).substr(0, 99));
  EXPECT_NE(shorter.Value(), whole.Value());
}

// A loaded log of `lines` "seconds person" pairs, its scenes and a request;
// a "person" starting with '#' stands for a line of its words that the
// load passes over. With `log_file`, the log is that file, and a rerun
// reads only what it gained when it can.
struct Archive {
  ChatState state;
  SceneList scenes;
  ArchiveRequest request;

  Archive(const std::string& folder, const std::vector<std::pair<int64_t, const char*>>& lines,
          int64_t gap = 30, const std::string& log_file = "") {
    std::string log;
    for (const auto& [seconds, person] : lines) {
      if (*person == '#') {
        log += std::string(person + 1) + "\n";
        continue;
      }
      log += std::string("[\"1\",\"C\",\"") + person + "\"," + std::to_string(kBase + seconds) +
             "]hello <b>&amp;</b>\n";
    }
    if (!log_file.empty()) WriteFileBytes(log_file, log);
    state.ReplaceRawLines(LineStore::FromBytes(log));
    SilentWorkingWindowFactory silent;
    RunLoadPass(state, LoadSettings{}, silent);
    scenes = FindScenes(state, gap);
    request.folder = folder;
    request.log_names = "t.log";
    request.threads = 2;
    request.log_file = log_file;
    request.gap_minutes = gap;
  }
  ArchiveResult Write(const ArchiveProgress& progress = {}) {
    ConversionRequest conversion;
    conversion.scenes = true;
    if (std::optional<ArchiveResult> resumed = ResumeArchive(request, conversion, progress)) {
      return *resumed;
    }
    return WriteArchive(state, scenes, request, progress);
  }
};

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Syncs of the file system, and of files in the run's work folder (as
// the system names them); Windows has neither call.
int g_file_system_syncs = 0, g_work_file_syncs = 0;
void CountSyncs() {
#ifndef _WIN32
  CurrentAtomicWriteCalls().syncfs = [](int fd) { return ++g_file_system_syncs, ::syncfs(fd); };
  CurrentAtomicWriteCalls().fsync = [](int fd) {
    std::error_code ignored;
    const fs::path path = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ignored);
    g_work_file_syncs += path.string().find("/.quorlix-archive-work-") != std::string::npos;
    return ::fsync(fd);
  };
#endif
}

// Three scenes an hour apart.
const std::vector<std::pair<int64_t, const char*>> kThree = {
    {0, "Al"}, {60, "Bo"}, {3600, "Al"}, {7200, "Cy"}};

TEST(WriteArchive, RefusesFoldersItMayNotWriteIntoAndWritesNothingThere) {
  const struct {
    const char* what;
    std::function<void(const ScratchDir&)> prepare;
    bool force;
    // What the message names (in the user's language); "" when the archive
    // is written.
    const char* error;
  } cases[] = {
      {"a new folder", [](const ScratchDir&) {}, false, ""},
      {"a foreign file", [](const ScratchDir& d) { WriteFileBytes(d.Path("out/my.txt"), "x"); },
       false, "(my.txt)"},
      {"a foreign file, forced",
       [](const ScratchDir& d) { WriteFileBytes(d.Path("out/my.txt"), "x"); }, true, ""},
      {"a manifest of another kind",
       [](const ScratchDir& d) { WriteFileBytes(d.Path("out/.quorlix-archive"), "x\n"); }, false,
       "/out/.quorlix-archive "},
      {"a file, not a folder",
       [](const ScratchDir& d) {
         fs::remove(d.Path("out"));
         WriteFileBytes(d.Path("out"), "x");
       },
       true, "/out "},
      {"a link where a page goes, forced",
       [](const ScratchDir& d) {
         WriteFileBytes(d.Path("outside.html"), "x");
         std::error_code ignored;  // no links under Wine: the row is left out there
         fs::create_symlink(d.Path("outside.html"), d.Path("out/index.html"), ignored);
       },
       true, "/out/index.html "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ScratchDir dir;
    fs::create_directory(dir.Path("out"));
    c.prepare(dir);
    if (std::string_view(c.what).starts_with("a link") &&
        !fs::is_symlink(dir.Path("out/index.html"))) {
      continue;
    }
    const std::set<std::string> before = FilesIn(dir.path());
    const std::set<std::string> inside =
        fs::is_directory(dir.Path("out")) ? FilesIn(dir.Path("out")) : std::set<std::string>{};
    Archive archive(dir.Path("out"), kThree);
    archive.request.force = c.force;
    std::string error;
    try {
      archive.Write();
    } catch (const Error& e) {
      error = e.what();
    }
    EXPECT_EQ(FilesIn(dir.path()), before);  // nothing beside the folder
    if (*c.error == '\0') {
      EXPECT_EQ(error, "");
      std::set<std::string> want = inside;
      want.insert({".quorlix-archive", "index.html", "persons.html", "2005-01-02_00-00-00.html",
                   "2005-01-02_01-00-00.html", "2005-01-02_02-00-00.html"});
      EXPECT_EQ(FilesIn(dir.Path("out")), want);
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      if (fs::is_directory(dir.Path("out"))) {
        EXPECT_EQ(FilesIn(dir.Path("out")), inside);
      }
    }
    if (fs::exists(dir.Path("outside.html"))) {
      EXPECT_EQ(ReadFileBytes(dir.Path("outside.html")), "x");
    }
  }
}

TEST(WriteArchive, RerunsWriteWhatChangedAndFinishWhatAStoppedRunLeft) {
  const ScratchDir dir;
  const std::string out = dir.Path("out");
  {
    Archive first(out, kThree, 30, dir.Path("t.log"));
    const ArchiveResult result = first.Write();
    EXPECT_EQ(result.written, 5);
    WriteFileBytes(dir.Path("out/my.txt"), "x");
    first.request.force = true;  // kept, never removed
    EXPECT_EQ(first.Write().written, 0);
  }
  using Lines = std::vector<std::pair<int64_t, const char*>>;
  const Lines grown = {{0, "Al"},    {60, "Bo"},   {3600, "Al"},
                       {7200, "Cy"}, {7260, "Al"}, {10000, "Bo"}};
  auto with = [](Lines lines, int64_t seconds, const char* person) {
    lines.push_back({seconds, person});
    return lines;
  };
  const Lines five = with(grown, 14000, "Cy");
  Lines changed = five;
  changed[0].second = "Ed";
  const struct {
    const char* what;
    Lines lines;
    int64_t gap;
    int64_t stop_after;  // files; 0: not stopped
    int64_t written, unchanged, removed;
    bool resumed;  // only what the log gained was read
    const char* log = "t.log";
    bool damage = false;  // a byte of the record is changed first
  } runs[] = {
      // The last scene grows: its page and both indexes.
      {"a line appended", {grown.begin(), grown.end() - 1}, 30, 0, 3, 2, 0, true},
      // The new scene, the link of the one before it, the indexes.
      {"a scene appended, stopped after two files", grown, 30, 2, 2, 2, 0, true},
      // The two pages the stopped run put in place stay; the indexes follow.
      {"the same again finishes the job", grown, 30, 0, 2, 4, 0, false},
      {"a scene appended", five, 30, 0, 4, 3, 0, true},
      {"a damaged record", five, 30, 0, 0, 5, 0, false, "t.log", true},
      {"the log shrank", grown, 30, 0, 3, 3, 1, false},
      {"a scene appended again", five, 30, 0, 4, 3, 0, true},
      // Between the scenes of 3600 and 7200 s: both their links change.
      {"an earlier byte changed", changed, 30, 0, 3, 4, 0, false},
      {"a line older than the last scene", with(changed, 5000, "Dee"), 30, 0, 5, 3, 0, false},
      {"another log", five, 30, 0, 5, 2, 1, false, "u.log"},
      {"a line appended to it", with(five, 14060, "Al"), 30, 0, 3, 4, 0, true, "u.log"},
      // Several logs merged: no record is kept.
      {"several logs", with(five, 14060, "Al"), 30, 0, 0, 5, 0, false, nullptr},
      {"one log again", with(five, 14120, "Al"), 30, 0, 3, 4, 0, false, "u.log"},
      // One scene of all: its name is the first's; three pages go.
      {"a larger gap", grown, 120, 0, 3, 0, 4, false},
      // The same lines, each with another number: the page's anchors. The
      // one scene starts at the log's first byte: all of it is read again.
      {"a line passed over before them all",
       {{0, "#note"},
        {0, "Al"},
        {60, "Bo"},
        {3600, "Al"},
        {7200, "Cy"},
        {7260, "Al"},
        {10000, "Bo"}},
       120,
       0,
       1,
       0,
       0,
       true},
      // The last scene in the log is not the latest one; then a scene comes
      // between the first two, and the last one keeps its place in the list.
      {"the last scene sorts before the one above it",
       {{0, "Al"}, {3600, "Bo"}, {9000, "Cy"}, {5000, "Al"}},
       30,
       0,
       6,
       0,
       0,
       false},
      {"a scene older than all but the first",
       {{0, "Al"}, {3600, "Bo"}, {9000, "Cy"}, {5000, "Al"}, {1000, "Dee"}},
       30,
       0,
       5,
       2,
       0,
       false},
  };
  CountSyncs();
  for (const auto& r : runs) {
    SCOPED_TRACE(r.what);
    g_file_system_syncs = g_work_file_syncs = 0;
    if (r.damage) {
      std::string record = ReadFileBytes(out + "/.quorlix-archive-resume");
      record[record.size() / 2] ^= 1;
      WriteFileBytes(out + "/.quorlix-archive-resume", record);
    }
    const std::string log = r.log != nullptr ? dir.Path(r.log) : "";
    Archive archive(out, r.lines, r.gap, log);
    archive.request.force = true;
    const ArchiveResult result = archive.Write(
        [&](int64_t done, int64_t) { return r.stop_after == 0 || done < r.stop_after; });
    EXPECT_EQ(result.written, r.written);
    EXPECT_EQ(result.unchanged, r.unchanged);
    EXPECT_EQ(result.removed, r.removed);
    EXPECT_EQ(result.stopped, r.stop_after != 0);
    EXPECT_EQ(result.resumed, r.resumed);
#ifndef _WIN32
    EXPECT_TRUE(g_file_system_syncs > 0 || g_work_file_syncs >= r.written);
#endif
    if (result.stopped) continue;
    // Each file as an archive made afresh has it, the record too.
    const std::string fresh = dir.Path("fresh");
    fs::remove_all(fresh);
    Archive(fresh, r.lines, r.gap, log).Write();
    std::set<std::string> names = FilesIn(fresh);
    names.insert("my.txt");
    EXPECT_EQ(FilesIn(out), names);
    for (const std::string& name : FilesIn(fresh)) {
      EXPECT_EQ(ReadFileBytes(out + "/" + name), ReadFileBytes(fresh + "/" + name)) << name;
    }
  }
  CurrentAtomicWriteCalls() = AtomicWriteCalls::Defaults();
  EXPECT_EQ(FilesIn(out).size(), 10u);  // five pages, two indexes, two records, my.txt
  EXPECT_EQ(ReadFileBytes(dir.Path("out/my.txt")), "x");
}

}  // namespace
}  // namespace quorlix
