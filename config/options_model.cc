#include "config/options_model.h"

#include <algorithm>

#include "config/colors.h"
#include "config/config_file.h"
#include "core/text/text_util.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

constexpr std::string_view kConfigSection = "config";
constexpr std::string_view kColorSection = "colordef";
constexpr std::string_view kDefaultColorSection = "color_default";
constexpr uint32_t kWhite = 0xFFFFFF;

}  // namespace

std::string ChannelNameProblem(std::string_view name) {
  if (name.find('=') != std::string_view::npos) {
    return Tr("A channel name may not contain \"=\".");
  }
  if (name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
    return Tr("A channel name may not contain a line break.");
  }
  const std::size_t first = name.find_first_not_of(" \t");
  if (first != std::string_view::npos &&
      (name[first] == ';' || name[first] == '#' || name[first] == '[')) {
    return Tr("A channel name may not begin with \";\", \"#\" or \"[\".");
  }
  return "";
}

void OptionsModel::Open(const ConfigFile& config) {
  time_pattern_ = config.ReadConfigValue(kConfigSection, "time_config", "Y:M:D");
  depth_ = config.ReadConfigValue(kConfigSection, "timedisplay_depth", "Day");
  suppress_bot_lines_ = config.ReadConfigValue(kConfigSection, "disable_polbot", "true") == "true";
  LoadColors(config, kColorSection);
}

void OptionsModel::RestoreDefault(const ConfigFile& config) {
  LoadColors(config, kDefaultColorSection);
}

// The grid and the remembered lines come from the same section, so that
// "Close" removes exactly the keys the grid was loaded from.
void OptionsModel::LoadColors(const ConfigFile& config, std::string_view section) {
  remembered_lines_ = config.ReadConfigSection(section);
  rows_.clear();
  rows_.reserve(remembered_lines_.size());
  for (const std::string& line : remembered_lines_) {
    rows_.push_back(
        ColorRow{std::string(SplitAtChar(line, '=', 1)), std::string(SplitAtChar(line, '=', 2))});
  }
}

void OptionsModel::Close(ConfigFile& config) const {
  std::vector<ConfigChange> changes;
  changes.reserve(3 + remembered_lines_.size() + rows_.size());
  changes.push_back({std::string(kConfigSection), "time_config", time_pattern_});
  changes.push_back({std::string(kConfigSection), "timedisplay_depth", depth_});
  changes.push_back(
      {std::string(kConfigSection), "disable_polbot", suppress_bot_lines_ ? "true" : "false"});
  for (const std::string& line : remembered_lines_) {
    const std::string_view key = SplitAtChar(line, '=', 1);
    if (!key.empty()) {
      changes.push_back({std::string(kColorSection), std::string(key), "", /*remove=*/true});
    }
  }
  for (const ColorRow& row : rows_) {
    // A repeated name writes the colour of its first row each time.
    if (!row.name.empty())
      changes.push_back({std::string(kColorSection), row.name, ColorOf(row.name)});
  }
  config.ApplyChanges(changes);
}

void OptionsModel::InsertEmptyRow(std::size_t at) {
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(std::min(at, rows_.size())), ColorRow{});
}

bool OptionsModel::SetRowName(std::size_t row, std::string name) {
  if (row >= rows_.size() || !ChannelNameProblem(name).empty()) return false;
  rows_[row].name = std::move(name);
  return true;
}

void OptionsModel::SetRowColor(std::size_t row, std::string color) {
  if (row < rows_.size()) rows_[row].color = std::move(color);
}

std::string OptionsModel::RowName(std::ptrdiff_t row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return "";
  return rows_[static_cast<std::size_t>(row)].name;
}

std::string OptionsModel::ColorOf(std::string_view name) const {
  for (const ColorRow& row : rows_) {
    if (EqualsIgnoreAsciiCase(row.name, name)) return row.color;
  }
  return "";
}

void OptionsModel::SetColorOf(std::string_view name, std::string color) {
  for (ColorRow& row : rows_) {
    if (EqualsIgnoreAsciiCase(row.name, name)) {
      row.color = std::move(color);
      return;
    }
  }
  rows_.push_back(ColorRow{std::string(name), std::move(color)});
}

uint32_t OptionsModel::PickerSeedFor(std::ptrdiff_t current_row) const {
  const std::string color = ColorOf(RowName(current_row));
  return color.empty() ? kWhite : HtmlToColor(color);
}

void OptionsModel::AcceptPickedColor(std::ptrdiff_t current_row, uint32_t color) {
  std::string text = ColorToHtml(color);
  AsciiLowerInPlace(text);
  SetColorOf(RowName(current_row), std::move(text));
}

}  // namespace quorlix
