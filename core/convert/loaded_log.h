// A log loaded for one conversion without the window (quorlix-cli): the
// caller names what to convert, by person, channel, period, time span or
// input-line range (a scene's), and the engine picks the load. With
// nothing selected and neither the lists nor the scenes wanted, the whole
// log is converted from its raw lines and no input line is kept;
// otherwise the full load fills the lists and the time tree, the names
// are selected in them and the filters apply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/convert/converter.h"
#include "core/log/chat_state.h"
#include "core/log/line_store.h"
#include "core/log/loader.h"
#include "core/log/time_span.h"
#include "core/work/output_sink.h"
#include "core/work/progress.h"

namespace quorlix {

// A calendar period: a year, or a month or a day of it. Month and day are
// 0 when left out.
struct Period {
  std::string text;  // as the user wrote it
  int year = 0;
  unsigned month = 0;
  unsigned day = 0;

  bool operator==(const Period&) const = default;
};

// What to convert of a log. Only a selection equal to Selection{} takes
// the whole log: whatever is added here counts as a filter at once.
struct Selection {
  std::vector<std::string> persons;   // letter case ignored
  std::vector<std::string> channels;  // letter case ignored
  std::vector<Period> periods;        // the time-tree nodes of each
  // The lines in this span, in file order, as one range with one footer;
  // never together with periods.
  TimeSpan span;
  // The input lines first to last (inclusive, from 0), converted as
  // `span` is; a scene's lines. Together with `span`, lines in both.
  int64_t first_line = 0;
  int64_t last_line = INT64_MAX;

  bool lines_limited() const { return first_line != 0 || last_line != INT64_MAX; }
  bool operator==(const Selection&) const = default;
};

struct ConversionRequest {
  Selection selection;
  ConvertOptions options;
  ConvertSettings settings;
  bool list_only = false;  // the lists and the time tree are wanted, no conversion
  // The scenes are wanted (FindScenes over state()), and may then narrow
  // the selection to one of them: the full load, as for a selection.
  bool scenes = false;
};

// The names and periods (as written) of a selection that the log lacks.
struct UnknownSelection {
  std::vector<std::string> persons, channels, periods;

  bool empty() const { return persons.empty() && channels.empty() && periods.empty(); }
};

class LoadedLog {
 public:
  // Runs the load pass that `request` needs over `raw_lines`, then selects
  // the request's names and periods. Throws as RunLoadPass does.
  static LoadedLog Load(LineStore raw_lines, ConversionRequest request,
                        const LoadSettings& settings, WorkingWindowFactory& windows,
                        const PassThreads& threads = {});

  // What the selection names that the log does not hold.
  const UnknownSelection& unknown() const { return unknown_; }
  // The persons, channels and time tree of a full load (else empty).
  const ChatState& state() const { return state_; }

  // Narrows the selection to the input lines first..last (a scene found
  // in state()). Only after the full load: throws std::logic_error when
  // the request wanted neither a selection nor the scenes.
  void SelectLines(int64_t first, int64_t last);

  // Converts the selection into `out` as ConvertIntoSink does (with a time
  // span or an input-line range, as ConvertSceneIntoSink does); errors as there. Returns the
  // number of lines converted.
  int64_t Convert(OutputSink& out, WorkingWindowFactory& windows, const PassThreads& threads = {});

 private:
  explicit LoadedLog(ConversionRequest request) : request_(std::move(request)) {}
  void Select();

  ConversionRequest request_;
  ChatState state_;
  std::optional<WholeLog> whole_;  // set when the whole log is converted
  UnknownSelection unknown_;
};

}  // namespace quorlix
