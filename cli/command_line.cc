#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

#include "config/scene_gap.h"
#include "core/dialects/post_parts.h"
#include "core/text/text_util.h"
#include "core/text/translation.h"
#include "core/text/version.h"

namespace quorlix::cli {
namespace {

// Reads all of `text` as a decimal number of 1 to `max_digits` digits.
bool ReadNumber(std::string_view text, std::size_t max_digits, int& value) {
  if (text.empty() || text.size() > max_digits) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// Blanks around a number are ignored by every numeric option alike.
std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A numeric option's value in [least, most].
struct NumberRange {
  std::uint64_t least;
  std::uint64_t most;
};
constexpr NumberRange kSceneRange{1, std::numeric_limits<std::int64_t>::max()};
constexpr NumberRange kSceneGapRange{0, std::numeric_limits<std::int64_t>::max()};
constexpr NumberRange kPostLimitRange{0, std::numeric_limits<std::uint64_t>::max()};
constexpr NumberRange kThreadRange{1, 1024};

// Every numeric option is read here: plain decimal digits (no sign, no
// base prefix), blanks around them ignored. Nullopt for anything else and
// for a number out of 64 bits; `value` set otherwise, in range or not.
std::optional<std::uint64_t> ReadWholeNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (end != text.data() + text.size() || error != std::errc()) return std::nullopt;
  return value;
}

// The check of a numeric option: empty when `text` is a number in `range`,
// else the message, which tells the range.
std::string CheckWholeNumber(const std::string& text, NumberRange range) {
  const std::string_view digits = TrimBlanks(text);
  const bool all_digits = !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
  if (!all_digits) return FormatText(Tr("'%s' is no whole number from 0 up"), {text});
  const std::optional<std::uint64_t> value = ReadWholeNumber(text);
  if (value && *value >= range.least && *value <= range.most) return {};
  return FormatText(Tr("%s is out of range: from %s to %s"),
                    {std::string(digits), std::to_string(range.least), std::to_string(range.most)});
}

CLI::Validator WholeNumber(NumberRange range, const std::string& type) {
  return CLI::Validator([range](std::string& text) { return CheckWholeNumber(text, range); }, "",
                        type);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(int year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::string ShowableText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
      shown += '?';
      ++i;
    } else {
      shown += byte < 0x20 || byte == 0x7f ? '?' : text[i];
    }
  }
  return shown;
}

bool ParsePeriod(const std::string& text, Period& period) {
  period = Period{text};
  const std::string_view all(text);
  const std::size_t first_dash = all.find('-');
  if (!ReadNumber(all.substr(0, first_dash), 4, period.year)) return false;
  if (first_dash == std::string_view::npos) return true;

  const std::string_view rest = all.substr(first_dash + 1);
  const std::size_t second_dash = rest.find('-');
  int month = 0;
  if (!ReadNumber(rest.substr(0, second_dash), 2, month) || month < 1 || month > 12) {
    return false;
  }
  period.month = static_cast<unsigned>(month);
  if (second_dash == std::string_view::npos) return true;

  int day = 0;
  if (!ReadNumber(rest.substr(second_dash + 1), 2, day) || day < 1 ||
      static_cast<unsigned>(day) > DaysInMonth(period.year, period.month)) {
    return false;
  }
  period.day = static_cast<unsigned>(day);
  return true;
}

int ParseCommandLine(int argc, char** argv, CommandLine& command_line) {
  CLI::App app(
      Tr("Converts a chat log into UBB forum code, Html, Markdown for chat apps or a web page."),
      "quorlix-cli");
  // Options look the same everywhere: "/name" is a path, never an option.
  app.allow_windows_style_options(false);
  // The help's own words, in the user's language as far as CLI11 lets them
  // be set; its descriptions of parse errors stay English.
  app.get_formatter()->label("Usage", Tr("Usage"));
  app.get_formatter()->label("OPTIONS", Tr("OPTIONS"));
  app.get_formatter()->label("Positionals", Tr("Positionals"));
  app.get_formatter()->label("REQUIRED", Tr("REQUIRED"));
  app.option_defaults()->group(Tr("Options"));
  app.set_help_flag("-h,--help", Tr("Print this help message and exit"));
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return ShowableText(error.what()) + "\n" + Tr("Run with --help for more information.") + "\n";
  });
  app.set_version_flag("--version", "quorlix-cli " + GetExeVersion(),
                       Tr("Print the version and exit"));
  const std::string file = Tr("FILE");
  const std::string name = Tr("NAME");

  app.add_option("LOG", command_line.log_files,
                 Tr("The chat logs to convert: files or pipes, or - for standard input (once). "
                    "Several logs are merged into one in time order, a line that several "
                    "of them hold written once"))
      ->required()
      ->type_name(file);
  app.add_option("-o,--output", command_line.output_file,
                 Tr("Write to FILE instead of standard output; FILE is replaced only "
                    "when the run succeeds"))
      ->option_text(file);
  // Only the names: a transformer would also take the indices.
  std::string format = "ubb";
  app.add_option("-f,--format", format,
                 Tr("Output dialect (default ubb); markdown writes chat-app Markdown that shows "
                    "the messages exactly as the game did; page writes one web page (HTML5, "
                    "UTF-8, its style inside, nothing loaded from anywhere) with a colour per "
                    "person, a heading per day and a link to every line"))
      ->check(CLI::IsMember({"ubb", "html", "markdown", "page"}, CLI::ignore_case))
      ->option_text("ubb|html|markdown|page");
  app.add_flag("--channel-name", command_line.options.show_channel,
               Tr("Show the channel name in bold"));
  app.add_flag("--channel-colors", command_line.options.channel_colors,
               Tr("Colour the channel name as config.cfg defines it"));
  app.add_flag("--time", command_line.options.show_time,
               Tr("Show the time of each message (pattern time_config)"));
  app.add_flag("--mark-links", command_line.options.mark_links,
               Tr("Mark lines whose links were removed"));
  app.add_flag("--strip-tags", command_line.options.delete_tags,
               Tr("Delete all tags in the messages"));
  // One value per occurrence, so that a name never swallows a LOG.
  app.add_option("-p,--person", command_line.selection.persons,
                 Tr("Convert the lines of this person only (letter case ignored; repeatable)"))
      ->allow_extra_args(false)
      ->option_text(name);
  app.add_option("-c,--channel", command_line.selection.channels,
                 Tr("Convert the lines of this channel only (letter case ignored; repeatable)"))
      ->allow_extra_args(false)
      ->option_text(name);
  std::vector<std::string> periods;
  CLI::Option* period_option =
      app.add_option("-t,--period", periods,
                     Tr("Convert this year, month or day only (repeatable)"))
          ->allow_extra_args(false)
          ->option_text("YYYY|YYYY-MM|YYYY-MM-DD")
          ->check(CLI::Validator(
              [](std::string& text) {
                Period period;
                return ParsePeriod(text, period)
                           ? std::string()
                           : FormatText(Tr("'%s' is no period YYYY, YYYY-MM or YYYY-MM-DD"),
                                        {text});
              },
              "", "PERIOD"));
  std::string from, to;
  const std::string span_help =
      Tr("UTC YYYY-MM-DD, YYYY-MM-DDTHH:MM or YYYY-MM-DDTHH:MM:SS; converts the lines in file "
         "order as one range with one footer");
  const std::string time = Tr("TIME");
  app.add_option("--from", from,
                 FormatText(Tr("Convert the lines from this time on (%s)"), {span_help}))
      ->option_text(time)
      ->excludes(period_option);
  app.add_option("--to", to, FormatText(Tr("Convert the lines before this time (%s)"), {span_help}))
      ->option_text(time)
      ->excludes(period_option);
  CLI::Option* from_option = app.get_option("--from");
  CLI::Option* to_option = app.get_option("--to");
  CLI::Option* scenes_option =
      app.add_flag("--scenes", command_line.scenes,
                   Tr("Print the scenes, one per row: number, first and last time (UTC), lines and "
                      "persons; convert nothing. With -p and -c the filters apply"));
  std::string scene;  // plain decimal, as --threads
  CLI::Option* scene_option =
      app.add_option("--scene", scene,
                     Tr("Convert the lines of scene K only (K from 1, as --scenes counts), as one "
                        "range with one footer"))
          ->option_text("K")
          ->check(WholeNumber(kSceneRange, "DECIMAL"))
          ->excludes(period_option)
          ->excludes(from_option)
          ->excludes(to_option);
  std::string scene_gap;
  app.add_option("--scene-gap", scene_gap,
                 Tr("A new scene starts after a silence of more than this many minutes "
                    "(default: scene_gap in config.cfg, or 30); 0: at every new second"))
      ->option_text(Tr("MINUTES"))
      ->check(WholeNumber(kSceneGapRange, "MINUTES"));
  CLI::Option* archive_option =
      app.add_option("--archive", command_line.archive_folder,
                     Tr("Write an archive of every scene into folder DIR: a web page per scene "
                        "(as -f page, with links to the scenes before and after it), index.html "
                        "of every scene, newest first, and persons.html. Run it again after the "
                        "log grew: only the pages whose scenes changed are written again, and "
                        "pages of scenes that are gone are removed. With -p and -c the filters "
                        "apply"))
          ->option_text(Tr("DIR"))
          ->excludes(period_option)
          ->excludes(from_option)
          ->excludes(to_option)
          ->excludes(scene_option);
  CLI::Option* force_option = app.add_flag(
      "--force", command_line.force,
      Tr("With --archive: write into a folder that holds files the archive did not write "
         "(they are kept, or replaced where a page has their name)"));
  app.add_option("--config", command_line.config_file,
                 Tr("Read settings from FILE instead of the settings file in use"))
      ->option_text(file);
  std::string post_limit;
  app.add_option("--post-limit", post_limit,
                 Tr("Cut the output into parts of at most N bytes for forum posts, each "
                    "line counted with its CR LF and kept whole (a longer line is a part "
                    "of its own; with -f markdown it is cut into lines that fit, at a "
                    "space where it can; 0: one part). On standard output a line holding "
                    "a single form feed separates the parts (an output line that is a "
                    "form feed alone gets a space after it); with -o out.txt part k goes "
                    "to out-k.txt and out.txt is not written. The window's post limit "
                    "([config] post_limit in config.cfg) is not read here: only this option "
                    "sets quorlix-cli's"))
      ->option_text("N")
      ->check(WholeNumber(kPostLimitRange, "LIMIT"));
  app.add_flag("--list", command_line.list,
               Tr("Print the persons, the channels and the time tree; convert nothing"));
  // Read as plain decimal here: CLI11 would take 0x10 and 010 as hex and octal.
  std::string threads;
  app.add_option("--threads", threads,
                 Tr("Load and convert on N threads (default and most: one per processor "
                    "thread; 1: a single pass)"))
      ->check(WholeNumber(kThreadRange, "DECIMAL"))
      ->option_text("N");

  try {
    app.parse(argc, argv);
    for (const char* name : {"--output", "--from", "--to"}) {
      const CLI::Option* option = app.get_option(name);
      if (option->count() > 0 && option->as<std::string>().empty()) {
        throw CLI::ValidationError(name, Tr("an empty value names nothing"));
      }
    }
    // Checked here: excludes() on a flag would fill its line of the help.
    if (scenes_option->count() > 0) {
      for (const CLI::Option* other :
           {period_option, from_option, to_option, scene_option, app.get_option("--list")}) {
        if (other->count() > 0) throw CLI::ExcludesError("--scenes", other->get_name());
      }
    }
    if (archive_option->count() > 0) {
      for (const char* other : {"--output", "--format", "--scenes", "--list", "--post-limit"}) {
        if (app.get_option(other)->count() > 0) throw CLI::ExcludesError("--archive", other);
      }
      if (command_line.archive_folder.empty()) {
        throw CLI::ValidationError("--archive", Tr("an empty value names nothing"));
      }
    } else if (force_option->count() > 0) {
      throw CLI::RequiresError("--force", "--archive");
    }
    if (std::count(command_line.log_files.begin(), command_line.log_files.end(), "-") > 1) {
      throw CLI::ValidationError("LOG", Tr("standard input (-) can be read only once"));
    }
    const std::string error = ParseTimeSpan(from, to, command_line.selection.span);
    if (!error.empty()) throw CLI::ValidationError("--from/--to", error);
    if (EqualsIgnoreAsciiCase(format, "page") && !post_limit.empty()) {
      throw CLI::ValidationError("--post-limit", Tr("a web page is one file, not cut into posts"));
    }
  } catch (const CLI::Success& e) {
    app.exit(e);  // help or version, on standard output
    // A full disk or a closed output: the text did not arrive.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
      std::fprintf(
          stderr, "quorlix-cli: %s\n",
          FormatText(Tr("Cannot write to standard output. %s"), {std::strerror(errno)}).c_str());
      return kExitFailure;
    }
    return 0;
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  command_line.options.dialect = EqualsIgnoreAsciiCase(format, "html")       ? Dialect::kHtml
                                 : EqualsIgnoreAsciiCase(format, "markdown") ? Dialect::kMarkdown
                                 : EqualsIgnoreAsciiCase(format, "page")     ? Dialect::kPage
                                                                             : Dialect::kUbb;
  // All checked above: in range.
  if (!post_limit.empty()) command_line.post_limit = ReadWholeNumber(post_limit);
  if (command_line.output_file == "-") command_line.output_file.clear();  // standard output
  if (!threads.empty()) command_line.threads = static_cast<unsigned>(*ReadWholeNumber(threads));
  if (!scene.empty()) command_line.scene = static_cast<int64_t>(*ReadWholeNumber(scene));
  if (!scene_gap.empty()) {
    command_line.scene_gap = ParseSceneGap(std::to_string(*ReadWholeNumber(scene_gap)));
  }
  for (const std::string& text : periods) {
    Period period;
    ParsePeriod(text, period);  // checked above
    command_line.selection.periods.push_back(period);
  }
  return -1;
}

}  // namespace quorlix::cli
