#include "core/files/editable_lines.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "core/text/cp1252.h"
#include "core/text/error.h"
#include "tests/support/scratch_dir.h"

namespace quorlix {
namespace {

using Strings = std::vector<std::string>;

std::shared_ptr<OutputStore> Store(const Strings& lines) {
  auto store = std::make_shared<OutputStore>(testing::TempDir() + "quorlix-output");
  // Every other line comes in a block, as a conversion hands them on.
  LineBlock block;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i % 2 == 0) {
      store->AppendLine(lines[i]);
    } else {
      block.Clear();
      block.text() += lines[i];
      block.EndLine();
      store->AppendBlock(block);
    }
  }
  return store;
}

std::string Saved(const EditableLines& text) {
  std::string bytes;
  text.WriteBytes([&bytes](std::string_view piece) { bytes += piece; });
  return bytes;
}

std::u16string AllChars(const EditableLines& text, TextPos from, TextPos to) {
  std::u16string chars;
  text.ForEachChars(from, to, [&chars](std::u16string_view piece) { chars += piece; });
  return chars;
}

// One step of a sequence: an edit ("replace"), "type" (an edit that may
// join the typing before it), "undo", "redo" or "save".
struct Step {
  std::string kind;
  TextPos from, to;
  std::u16string text;
};

struct Sequence {
  const char* name;
  Strings base;
  std::vector<Step> steps;
  Strings lines;  // bytes of each line afterwards
  bool modified;
};

const Strings kBase = {"ab", "cd", "ef"};

const Sequence kSequences[] = {
    {"typed character", kBase, {{"type", {0, 1}, {0, 1}, u"X"}}, {"aXb", "cd", "ef"}, true},
    {"enter splits a line",
     kBase,
     {{"replace", {0, 1}, {0, 1}, u"\n"}},
     {"a", "b", "cd", "ef"},
     true},
    {"deletion joins lines", kBase, {{"replace", {0, 1}, {2, 1}, u""}}, {"af"}, true},
    {"pasted lines",
     kBase,
     {{"replace", {1, 0}, {1, 0}, u"x\ny\n"}},
     {"ab", "x", "y", "cd", "ef"},
     true},
    {"undo restores the lines",
     kBase,
     {{"replace", {0, 1}, {2, 1}, u"zz"}, {"undo", {}, {}, u""}},
     kBase,
     false},
    {"redo repeats",
     kBase,
     {{"replace", {0, 1}, {2, 1}, u"zz"}, {"undo", {}, {}, u""}, {"redo", {}, {}, u""}},
     {"azzf"},
     true},
    {"typing is one undo step",
     kBase,
     {{"type", {1, 2}, {1, 2}, u"x"},
      {"type", {1, 3}, {1, 3}, u"y"},
      {"type", {1, 4}, {1, 4}, u"z"},
      {"undo", {}, {}, u""}},
     kBase,
     false},
    {"typing elsewhere is a new step",
     kBase,
     {{"type", {1, 2}, {1, 2}, u"x"}, {"type", {0, 0}, {0, 0}, u"y"}, {"undo", {}, {}, u""}},
     {"ab", "cdx", "ef"},
     true},
    {"a new edit drops the redo steps",
     kBase,
     {{"replace", {0, 0}, {0, 0}, u"1"},
      {"undo", {}, {}, u""},
      {"replace", {2, 0}, {2, 0}, u"2"},
      {"redo", {}, {}, u""}},
     {"ab", "cd", "2ef"},
     true},
    {"many edits undone and redone",
     kBase,
     {{"replace", {0, 0}, {0, 0}, u"1\n"},
      {"replace", {3, 2}, {3, 2}, u"\n3"},
      {"replace", {1, 1}, {2, 1}, u""},
      {"replace", {0, 0}, {3, 1}, u"all"},
      {"undo", {}, {}, u""},
      {"undo", {}, {}, u""},
      {"undo", {}, {}, u""},
      {"undo", {}, {}, u""},
      {"redo", {}, {}, u""},
      {"redo", {}, {}, u""},
      {"redo", {}, {}, u""},
      {"redo", {}, {}, u""}},
     {"all"},
     true},
    {"everything deleted", kBase, {{"replace", {0, 0}, {2, 2}, u""}}, {""}, true},
    {"everything deleted and undone",
     kBase,
     {{"replace", {0, 0}, {2, 2}, u""}, {"undo", {}, {}, u""}},
     kBase,
     false},
    {"undo back to the saved text",
     kBase,
     {{"type", {0, 0}, {0, 0}, u"a"},
      {"save", {}, {}, u""},
      {"type", {0, 1}, {0, 1}, u"b"},
      {"undo", {}, {}, u""}},
     {"aab", "cd", "ef"},
     false},
    {"undo past the saved text",
     kBase,
     {{"type", {0, 0}, {0, 0}, u"a"}, {"save", {}, {}, u""}, {"undo", {}, {}, u""}},
     kBase,
     true},
    {"no converted lines is one empty line", {}, {{"type", {0, 0}, {0, 0}, u"x"}}, {"x"}, true},
    {"positions are clamped",
     kBase,
     {{"replace", {9, 9}, {9, 9}, u"!"}},
     {"ab", "cd", "ef!"},
     true},
    {"Windows-1252 characters keep their bytes",
     {"\x80\xe9"},
     {{"type", {0, 2}, {0, 2}, u"\u2026\u00e9\u0081"}},
     {"\x80\xe9\x85\xe9\x81"},
     true},
};

TEST(EditableLinesTest, SequencesOfEditsGiveTheExpectedLines) {
  for (const Sequence& sequence : kSequences) {
    SCOPED_TRACE(sequence.name);
    EditableLines text(Store(sequence.base));
    for (const Step& step : sequence.steps) {
      if (step.kind == "undo") {
        text.Undo();
      } else if (step.kind == "redo") {
        text.Redo();
      } else if (step.kind == "save") {
        text.MarkSaved();
      } else {
        text.Replace(step.from, step.to, step.text, step.kind == "type");
      }
    }
    Strings lines(text.size());
    std::string saved;
    for (size_t i = 0; i < text.size(); ++i) {
      EXPECT_TRUE(text.LineBytes(i, lines[i]));
      saved += lines[i] + "\r\n";
    }
    EXPECT_EQ(lines, sequence.lines);
    EXPECT_EQ(text.modified(), sequence.modified);
    EXPECT_EQ(Saved(text), saved == "\r\n" ? "" : saved);  // an empty text saves no line
  }
}

TEST(EditableLinesTest, ChangesAreReported) {
  EditableLines text(Store(kBase));
  std::vector<std::array<size_t, 3>> changes;
  text.on_change = [&](size_t first, size_t removed, size_t inserted) {
    changes.push_back({first, removed, inserted});
  };
  text.Replace({0, 1}, {1, 1}, u"x\ny\nz");
  text.Undo();
  EXPECT_EQ(changes, (std::vector<std::array<size_t, 3>>{{0, 2, 3}, {0, 3, 2}}));
}

TEST(EditableLinesTest, CharacterWithoutAByteIsFoundBeforeSaving) {
  EditableLines text(Store(kBase));
  text.Replace({2, 1}, {2, 1}, u"\u20ac ok \U0001F642");
  EXPECT_EQ(text.FirstCharWithoutByte(), (TextPos{2, 6}));
  std::string bytes;
  EXPECT_FALSE(text.LineBytes(2, bytes));
  EXPECT_THROW(Saved(text), Error);
  text.Undo();
  EXPECT_EQ(text.FirstCharWithoutByte(), std::nullopt);
}

// Many converted lines are read in chunks whose ends fall anywhere, also
// between CR and LF: the characters and their count still match the lines.
TEST(EditableLinesTest, LongRangesReadAsTheirLines) {
  Strings base;
  std::u16string expected;
  for (int i = 0; i < 120000; ++i) {
    base.push_back("line \x93" + std::to_string(i) + (i % 7 == 0 ? "\r" : ""));
    AppendBytesAsChars(base.back(), expected);
    expected += u'\n';
  }
  EditableLines text(Store(base));
  text.Replace({5, 0}, {5, 0}, u"edited ");
  expected.insert(expected.find(u"line \u201c5\n"), u"edited ");
  expected.pop_back();
  EXPECT_EQ(AllChars(text, {}, text.End()), expected);
  EXPECT_EQ(text.CharCount({}, text.End()), expected.size());
  EXPECT_EQ(AllChars(text, {1, 2}, {3, 4}), expected.substr(expected.find(u"ne \u201c1"), 18));

  // Lines of 15 bytes: the run read after line 0 has the CR of its line
  // 61681 as the last byte of its first 1 MiB read (17 * 61681 = 2^20 + 1).
  Strings even(61690, std::string(15, 'x'));
  EditableLines even_text(Store(even));
  std::u16string even_chars = AllChars(even_text, {}, even_text.End());
  EXPECT_EQ(even_chars.size(), 61690u * 16 - 1);
  EXPECT_EQ(even_chars.find(u'\r'), std::u16string::npos);
}

// The store's file has no name from the start: nothing is left behind,
// whatever ends the process.
TEST(OutputStoreTest, LeavesNoNameInItsFolder) {
#ifdef _WIN32
  GTEST_SKIP()
      << "Windows keeps a scratch file's name while it is open; the system removes it "
         "when the store closes it or the program dies (platform_windows_test checks that)";
#endif
  const test::ScratchDir scratch;
  const std::string dir = scratch.Path("output");
  OutputStore store(dir);
  store.AppendLine("line");
  store.Finish();
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(Cp1252Test, EveryByteRoundTripsThroughOneCharacter) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::u16string chars;
  AppendBytesAsChars(all, chars);
  ASSERT_EQ(chars.size(), 256u);
  EXPECT_EQ(chars[0x80], u'\u20ac');
  EXPECT_EQ(chars[0x85], u'\u2026');
  EXPECT_EQ(chars[0x9f], u'\u0178');
  for (int undefined : {0x81, 0x8d, 0x8f, 0x90, 0x9d}) EXPECT_EQ(chars[undefined], undefined);
  for (int b = 0; b < 256; ++b) {
    if (b < 0x80 || b >= 0xa0) {
      EXPECT_EQ(chars[b], b);
    }
  }
  std::string back;
  EXPECT_EQ(AppendCharsAsBytes(chars, back), std::u16string::npos);
  EXPECT_EQ(back, all);
  // Characters no byte shows as: a C1 control that 0x80 replaced, and others.
  for (char16_t none : {u'\u0080', u'\u009f', u'\u0100', u'\u20ad', char16_t{0xd83d}}) {
    EXPECT_EQ(CharToByte(none), -1) << int(none);
  }
}

}  // namespace
}  // namespace quorlix
