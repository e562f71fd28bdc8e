// The Options window's logic on plain values, without any window toolkit:
// the time display pattern, the time tree depth and the bot-line flag that
// it carries through, the grid of channel names and colours, and the
// remembered colour lines whose keys "Close" removes before writing the
// grid. The dialog only shows these values and passes the user's edits in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

class ConfigFile;

struct ColorRow {
  std::string name;
  std::string color;  // as typed, or six lower-case digits from the picker
};

// Why `name` cannot be a channel name in the grid, as a message for the
// user; empty when it can. An "=" would end the key in config.cfg; a line
// break, or a leading ";", "#" or "[", would turn the line into something
// else when the file is read again.
std::string ChannelNameProblem(std::string_view name);

class OptionsModel {
 public:
  // Loads everything from the file, as the window does when it opens.
  void Open(const ConfigFile& config);
  // "Restore default": the grid and the remembered lines from the
  // color_default section (both empty without it). Nothing is written.
  void RestoreDefault(const ConfigFile& config);
  // "Close": writes the pattern, the depth and the bot-line flag, removes
  // the remembered keys from colordef and writes every named row, in this
  // order, as one rewrite of the file. Throws quorlix::Error when it fails,
  // leaving the file as it was.
  void Close(ConfigFile& config) const;

  const std::string& time_pattern() const { return time_pattern_; }
  void set_time_pattern(std::string pattern) { time_pattern_ = std::move(pattern); }
  // Shown in a disabled box: carried from Open to Close unchanged.
  const std::string& depth() const { return depth_; }
  // Hidden: true exactly when disable_polbot read "true" (or was absent).
  bool suppress_bot_lines() const { return suppress_bot_lines_; }

  const std::vector<ColorRow>& rows() const { return rows_; }
  const std::vector<std::string>& remembered_lines() const { return remembered_lines_; }

  // Grid edits. The user can add empty rows but not delete them.
  void InsertEmptyRow(std::size_t at);  // at == rows().size() appends
  // False, leaving the row as it was, when ChannelNameProblem refuses it.
  bool SetRowName(std::size_t row, std::string name);
  void SetRowColor(std::size_t row, std::string color);

  // The name in `row`; "" when there is no such row, as for the current
  // row of an empty grid (the dialog passes -1 then).
  std::string RowName(std::ptrdiff_t row) const;
  // The colour of the first row whose name equals `name` ignoring letter
  // case; "" when no row has it.
  std::string ColorOf(std::string_view name) const;
  // Sets that first row's colour, or appends a row when no row has the name.
  void SetColorOf(std::string_view name, std::string color);

  // Double-click on the grid: the colour value to open the picker with for
  // the current row (its colour text read by HtmlToColor, or white for an
  // empty colour), and what an accepted pick stores (six lower-case digits).
  uint32_t PickerSeedFor(std::ptrdiff_t current_row) const;
  void AcceptPickedColor(std::ptrdiff_t current_row, uint32_t color);

 private:
  void LoadColors(const ConfigFile& config, std::string_view section);

  std::string time_pattern_;
  std::string depth_;
  bool suppress_bot_lines_ = true;
  std::vector<ColorRow> rows_;
  std::vector<std::string> remembered_lines_;
};

}  // namespace quorlix
