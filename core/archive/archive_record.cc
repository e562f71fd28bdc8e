#include "core/archive/archive_record.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "core/archive/archive_files.h"
#include "core/line/line_fields.h"
#include "core/text/text_util.h"

namespace quorlix {
namespace {

constexpr std::string_view kFirstLine = "quorlix-archive-resume 1";

uint64_t MixWord(uint64_t hash, uint64_t word) {
  hash = (hash ^ word) * 0xff51afd7ed558ccdULL;
  return hash ^ (hash >> 29);
}

void AppendHex(uint64_t value, std::string& out) {
  char digits[16];
  for (int i = 15; i >= 0; --i, value >>= 4) digits[i] = "0123456789abcdef"[value & 15];
  out.append(digits, 16);
}

// Reads the record's text item by item; any fault makes it no record.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  bool ok() const { return ok_; }
  bool done() const { return text_.empty(); }

  // The rest of the line.
  std::string_view Line() {
    const std::size_t end = text_.find('\n');
    if (end == std::string_view::npos) return Fail();
    const std::string_view line = text_.substr(0, end);
    text_.remove_prefix(end + 1);
    return line;
  }
  // A word ended by a space or the line's end.
  std::string_view Word() {
    const std::size_t end = text_.find_first_of(" \n");
    if (end == std::string_view::npos || end == 0) return Fail();
    const std::string_view word = text_.substr(0, end);
    text_.remove_prefix(text_[end] == ' ' ? end + 1 : end);
    return word;
  }
  void Expect(std::string_view word) {
    if (Word() != word) Fail();
  }
  void LineEnd() {
    if (text_.empty() || text_[0] != '\n') Fail();
    if (!text_.empty()) text_.remove_prefix(1);
  }
  template <typename Int>
  Int Number(int base = 10) {
    const std::string_view word = Word();
    Int value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    if (error != std::errc() || end != word.data() + word.size()) Fail();
    return value;
  }
  uint64_t Hex() { return Number<uint64_t>(16); }

 private:
  std::string_view Fail() {
    ok_ = false;
    text_ = {};
    return {};
  }
  std::string_view text_;
  bool ok_ = true;
};

std::string LowerName(std::string_view name) {
  std::string key(name);
  AsciiLowerInPlace(key);
  return key;
}

// Adds the persons of the input lines before `end` not met before, as the
// persons list spells them: as met first.
void AddPersonsBefore(const ChatState& state, std::size_t end, std::vector<std::string>& names,
                      std::unordered_map<std::string, std::size_t>& known) {
  const std::vector<std::string_view>& input = state.input_lines();
  const LineHeader* const headers = state.input_headers();
  LineFields fields;
  std::string_view channel, person, message;
  for (std::size_t i = 0; i < end && i < input.size(); ++i) {
    if (headers == nullptr || !FieldsFromHeader(input[i], headers[i], channel, person, message)) {
      SplitLineFields(input[i], fields);
      person = fields.person;
    }
    if (person.empty()) continue;
    if (known.emplace(LowerName(person), names.size()).second) names.emplace_back(person);
  }
}

}  // namespace

void StreamFingerprint::AddBlocks(const char* data, std::size_t blocks) {
  for (std::size_t b = 0; b < blocks; ++b, data += kBlock) {
    for (int lane = 0; lane < 4; ++lane) {
      uint64_t word;
      std::memcpy(&word, data + 8 * lane, 8);
      lanes_[lane] = MixWord(lanes_[lane], word);
    }
  }
}

void StreamFingerprint::Add(std::string_view bytes) {
  size_ += bytes.size();
  if (pending_size_ != 0) {
    const std::size_t take = std::min(kBlock - pending_size_, bytes.size());
    std::memcpy(pending_ + pending_size_, bytes.data(), take);
    pending_size_ += take;
    bytes.remove_prefix(take);
    if (pending_size_ < kBlock) return;
    AddBlocks(pending_, 1);
    pending_size_ = 0;
  }
  const std::size_t blocks = bytes.size() / kBlock;
  AddBlocks(bytes.data(), blocks);
  bytes.remove_prefix(blocks * kBlock);
  std::memcpy(pending_, bytes.data(), bytes.size());
  pending_size_ = bytes.size();
}

uint64_t StreamFingerprint::Value() const {
  uint64_t seed = size_ * 0x9e3779b97f4a7c15ULL;
  for (const uint64_t lane : lanes_) seed = MixWord(seed, lane);
  return Fingerprint(std::string_view(pending_, pending_size_), seed);
}

std::string FormatArchiveRecord(const ArchiveRecord& r) {
  std::string text(kFirstLine);
  text.append("\nshape ");
  AppendHex(r.shape, text);
  text.append("\nmanifest ");
  AppendHex(r.manifest, text);
  text.append("\nlog ").append(std::to_string(r.size)).append(" ");
  AppendHex(r.prefix, text);
  text.append(" ").append(std::to_string(r.offset)).append(" ");
  text.append(std::to_string(r.raw_line)).append("\n").append(r.log_file);
  text.append("\nlast ").append(std::to_string(r.first_time)).append(" ").append(r.page);
  text.append("\nnames ").append(std::to_string(r.prior.names.size())).append("\n");
  for (const std::string& name : r.prior.names) text.append(name).append("\n");
  text.append("scenes ").append(std::to_string(r.prior.scenes.size())).append("\n");
  for (std::size_t k = 0; k < r.prior.scenes.size(); ++k) {
    const SceneInfo& scene = r.prior.scenes[k];
    text.append(std::to_string(scene.first_time)).append(" ");
    text.append(std::to_string(scene.last_time)).append(" ");
    text.append(std::to_string(scene.lines)).append(" ");
    text.append(std::to_string(scene.persons_end - scene.persons_begin));
    for (const ScenePerson& person : r.prior.PersonsOf(k)) {
      text.append(" ").append(std::to_string(person.name));
      text.append(" ").append(std::to_string(person.lines));
    }
    text.append("\n");
  }
  const uint64_t sum = Fingerprint(text);
  text.append("check ");
  AppendHex(sum, text);
  text.append("\n");
  return text;
}

std::optional<ArchiveRecord> ParseArchiveRecord(std::string_view text) {
  // The check line covers every byte before it.
  const std::size_t check = text.rfind("check ");
  if (!text.starts_with(kFirstLine) || check == std::string_view::npos) return std::nullopt;
  Reader tail(text.substr(check));
  tail.Expect("check");
  const uint64_t sum = tail.Hex();
  tail.LineEnd();
  if (!tail.ok() || !tail.done() || sum != Fingerprint(text.substr(0, check))) return std::nullopt;

  ArchiveRecord r;
  Reader in(text.substr(0, check));
  in.Line();
  in.Expect("shape");
  r.shape = in.Hex();
  in.LineEnd();
  in.Expect("manifest");
  r.manifest = in.Hex();
  in.LineEnd();
  in.Expect("log");
  r.size = in.Number<uint64_t>();
  r.prefix = in.Hex();
  r.offset = in.Number<uint64_t>();
  r.raw_line = in.Number<int64_t>();
  in.LineEnd();
  r.log_file = in.Line();
  in.Expect("last");
  r.first_time = in.Number<int64_t>();
  r.page = in.Line();
  in.Expect("names");
  const std::size_t names = in.Number<std::size_t>();
  in.LineEnd();
  for (std::size_t i = 0; in.ok() && i < names; ++i) r.prior.names.emplace_back(in.Line());
  in.Expect("scenes");
  const std::size_t scenes = in.Number<std::size_t>();
  in.LineEnd();
  for (std::size_t k = 0; in.ok() && k < scenes; ++k) {
    SceneInfo scene;
    scene.first_time = in.Number<int64_t>();
    scene.last_time = in.Number<int64_t>();
    scene.lines = in.Number<int64_t>();
    const std::size_t persons = in.Number<std::size_t>();
    scene.persons_begin = r.prior.persons.size();
    for (std::size_t p = 0; in.ok() && p < persons; ++p) {
      ScenePerson person;
      person.name = in.Number<std::size_t>();
      person.lines = in.Number<int64_t>();
      if (person.name >= names) return std::nullopt;
      r.prior.persons.push_back(person);
    }
    scene.persons_end = r.prior.persons.size();
    in.LineEnd();
    r.prior.scenes.push_back(scene);
  }
  if (!in.ok() || !in.done() || r.offset > r.size || r.raw_line < 0 || !IsArchivePageName(r.page)) {
    return std::nullopt;
  }
  return r;
}

std::optional<ArchiveRecord> MakeArchiveRecord(const ChatState& state, const SceneList& scenes,
                                               const std::vector<std::string>& pages,
                                               const RecordBase& base) {
  if (scenes.scenes.empty()) return std::nullopt;
  const std::size_t last = scenes.scenes.size() - 1;
  const SceneInfo& resume = scenes.scenes[last];
  const std::vector<std::string_view>& input = state.input_lines();
  const std::string_view bytes = state.raw_lines().bytes();
  if (resume.first_line < 0 || static_cast<std::size_t>(resume.first_line) >= input.size()) {
    return std::nullopt;
  }
  const std::string_view first = input[static_cast<std::size_t>(resume.first_line)];
  if (first.data() < bytes.data() || first.data() > bytes.data() + bytes.size()) {
    return std::nullopt;
  }
  const std::size_t at = static_cast<std::size_t>(first.data() - bytes.data());
  ArchiveRecord r;
  r.offset = base.offset + at;
  StreamFingerprint prefix = base.prefix;
  prefix.Add(bytes.substr(0, at));
  r.prefix = prefix.Value();
  // The raw line: count the line starts before it (the store's own split).
  std::size_t low = 0, high = state.raw_lines().size();
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (state.raw_lines()[mid].data() < first.data()) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  r.raw_line = base.raw_line + static_cast<int64_t>(low);
  r.first_time = resume.first_time;
  r.page = pages[last];

  r.prior.names = base.names;
  std::unordered_map<std::string, std::size_t> known;
  for (std::size_t i = 0; i < r.prior.names.size(); ++i)
    known.emplace(LowerName(r.prior.names[i]), i);
  AddPersonsBefore(state, static_cast<std::size_t>(resume.first_line), r.prior.names, known);
  // Each name of the scenes looked up once: many scenes share a person.
  constexpr std::size_t kUnknown = SIZE_MAX;
  std::vector<std::size_t> number(scenes.names.size(), kUnknown);
  for (std::size_t k = 0; k < last; ++k) {
    SceneInfo scene = scenes.scenes[k];
    scene.first_line = scene.last_line = 0;
    scene.persons_begin = r.prior.persons.size();
    for (const ScenePerson& person : scenes.PersonsOf(k)) {
      std::size_t& n = number[person.name];
      if (n == kUnknown) {
        const auto found = known.find(LowerName(scenes.names[person.name]));
        if (found == known.end()) return std::nullopt;
        n = found->second;
      }
      r.prior.persons.push_back(ScenePerson{n, person.lines});
    }
    scene.persons_end = r.prior.persons.size();
    r.prior.scenes.push_back(scene);
  }
  return r;
}

}  // namespace quorlix
