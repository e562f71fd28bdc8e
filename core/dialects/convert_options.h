// What a conversion is asked for: the dialect, the options the user ticks
// and the settings read from config.cfg. The window, quorlix-cli and the
// converter fill these in; the dialects read them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

// The home page the footers and the web page link to.
inline constexpr std::string_view kHomePageUrl = "https://quorlix.example.org/";

// The output dialect, valued as the index of combo_code. Other values stand
// for entries that give no output; the window and quorlix-cli convert from
// and to the index at their edges. kPage is a whole web page
// (core/dialects/page_writer.h) rather than a line per message.
enum class Dialect : int { kUbb = 0, kHtml = 1, kMarkdown = 2, kPage = 3 };

struct ConvertOptions {
  Dialect dialect = Dialect::kUbb;  // combo_code
  bool show_channel = false;        // check_channel
  bool channel_colors = false;      // check_channel_color (only with show_channel)
  bool show_time = false;           // check_showtime
  bool mark_links = false;          // check_marklink
  bool delete_tags = false;         // CheckBox_delete_tags
};

// The settings a conversion reads, once per conversion
// (config/engine_settings.h reads them from config.cfg).
struct ConvertSettings {
  std::vector<std::string> color_definitions;  // section colordef, "key=value"
  std::string time_pattern = "Y:M:D";          // time_config
  std::string log_name = "";                   // the log's file name, which titles a web page
};

}  // namespace quorlix
