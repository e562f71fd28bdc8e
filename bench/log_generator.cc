#include "bench/log_generator.h"

#include <charconv>
#include <cstdio>

namespace quorlix::bench {
namespace {

struct Channel {
  const char* id;
  const char* name;
  unsigned weight;
};

// Busy public channels dominate, as in real logs.
constexpr Channel kChannels[] = {
    {"3", "Clan", 22},        {"7", "OOC", 20},    {"9", "Vicinity", 14},
    {"5", "Org", 12},         {"11", "Trade", 10}, {"12", "Shopping 11-50", 6},
    {"14", "Newbie Help", 5}, {"2", "Team", 5},    {"20", "PvP", 4},
    {"4", "Tell", 2},
};

constexpr const char* kSyllables[] = {
    "an",  "bel", "cor", "dra", "el",   "fin", "gor", "hal", "is", "jar", "kel", "lum",
    "mir", "nor", "ost", "pel", "quin", "ras", "sil", "tor", "ul", "vek", "wyn", "zar",
};

constexpr const char* kWords[] = {
    "the",    "a",       "to",       "and",     "you",     "is",      "for",    "anyone",
    "need",   "help",    "with",     "mission", "team",    "looking", "LFT",    "heal",
    "buff",   "nano",    "armor",    "weapon",  "implant", "credits", "sell",   "buy",
    "WTS",    "WTB",     "cheap",    "price",   "level",   "raid",    "boss",   "loot",
    "roll",   "tonight", "tomorrow", "later",   "now",     "lol",     "thanks", "np",
    "ok",     "sure",    "where",    "what",    "why",     "how",     "bank",   "grid",
    "whompa", "city",    "outpost",  "tower",   "field",   "dungeon", "camp",   "meet",
    "at",     "in",      "on",       "my",      "your",    "our",     "gg",     "afk",
    "brb",    "back",    "hi",       "hello",   "all",     "please",  "tell",   "me",
    "pm",     "quality", "QL200",    "QL150",   "x10",
};

constexpr const char* kNamedColours[] = {"red", "green", "yellow", "white", "orange"};

constexpr const char* kHosts[] = {
    "www.example.org",
    "forum.example.net",
    "items.example.com",
    "maps.example.org",
};

}  // namespace

LogGenerator::LogGenerator(uint64_t seed, int64_t start_time, double mean_gap_seconds)
    : state_(seed), time_(static_cast<double>(start_time)), mean_gap_(mean_gap_seconds) {
  // 400 persons from two or three syllables, capitalised.
  persons_.reserve(400);
  for (int i = 0; i < 400; ++i) {
    std::string name;
    const int syllables = 2 + static_cast<int>(Below(2));
    for (int s = 0; s < syllables; ++s) name += kSyllables[Below(std::size(kSyllables))];
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
    persons_.push_back(std::move(name));
  }
}

uint64_t LogGenerator::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

const std::string& LogGenerator::Word() {
  static const std::vector<std::string> words(std::begin(kWords), std::end(kWords));
  return words[Below(words.size())];
}

void LogGenerator::AppendWords(std::string& out, int count) {
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += ' ';
    out += Word();
  }
}

void LogGenerator::AppendColour(std::string& out) {
  const uint64_t kind = Below(4);
  if (kind == 0) {
    out += kNamedColours[Below(std::size(kNamedColours))];
    return;
  }
  char hex[8];
  std::snprintf(hex, sizeof hex, "%06x", static_cast<unsigned>(Below(0x1000000)));
  if (kind == 1) out += '\'';
  out += '#';
  out += hex;
  if (kind == 1) out += '\'';
}

void LogGenerator::AppendMessage(std::string& out) {
  AppendWords(out, 2 + static_cast<int>(Below(10)));
  if (Chance(18)) {  // a coloured span, sometimes left open
    out += " <font color=";
    AppendColour(out);
    out += '>';
    AppendWords(out, 1 + static_cast<int>(Below(4)));
    if (!Chance(10)) out += "</font>";
  }
  if (Chance(6)) {  // a link, in upper case now and then
    const bool upper = Chance(5);
    out += upper ? " <A HREF='http://" : " <a href='http://";
    out += kHosts[Below(std::size(kHosts))];
    out += "/item";
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, Below(100000)).ptr);
    out += ".htm'>";
    AppendWords(out, 1 + static_cast<int>(Below(3)));
    out += upper ? "</A>" : "</a>";
  }
  if (Chance(7)) {  // square brackets of the players' own
    out += " [";
    out += Word();
    out += ']';
  }
  if (Chance(3)) {
    out += "<br>";
    AppendWords(out, 1 + static_cast<int>(Below(5)));
  }
  if (Chance(40)) {
    out += ' ';
    AppendWords(out, 1 + static_cast<int>(Below(6)));
  }
}

void LogGenerator::NextLine(std::string& line) {
  line.clear();
  unsigned pick = static_cast<unsigned>(Below(100));
  const Channel* channel = &kChannels[0];
  for (const Channel& c : kChannels) {
    if (pick < c.weight) {
      channel = &c;
      break;
    }
    pick -= c.weight;
  }
  std::string_view person = persons_[Below(persons_.size()) * Below(persons_.size()) /
                                     persons_.size()];  // a few talk a lot
  std::string lower;
  const uint64_t kind = Below(100);
  if (kind < 1) {
    person = "Polbot";
  } else if (kind < 4 && std::string_view(channel->name) == "Vicinity") {
    person = "";  // a system line
  } else if (kind < 6) {
    lower.assign(person);  // the same person in lower case
    lower[0] = static_cast<char>(lower[0] - 'A' + 'a');
    person = lower;
  }

  line += "[\"";
  line += channel->id;
  line += "\",\"";
  line += channel->name;
  line += "\",\"";
  line += person;
  line += "\",";
  char digits[24];
  line.append(digits, std::to_chars(digits, digits + sizeof digits, current_time()).ptr);
  line += ']';
  AppendMessage(line);

  // Uniform gaps in [0, 2 * mean): the mean holds, stamps never fall.
  time_ += mean_gap_ * 2.0 * static_cast<double>(Below(1u << 20)) / (1u << 20);
}

double AverageLineLength(uint64_t seed) {
  LogGenerator generator(seed, kDefaultStartTime, 1.0);
  std::string line;
  constexpr int kSample = 20000;
  double total = 0;
  for (int i = 0; i < kSample; ++i) {
    generator.NextLine(line);
    total += static_cast<double>(line.size());
  }
  return total / kSample;
}

}  // namespace quorlix::bench
