// Prints what a log holds for --list.
#pragma once

#include "core/log/chat_state.h"
#include "core/work/output_sink.h"

namespace quorlix::cli {

// Persons, channels and the time tree indented by level, one per line.
void WriteListing(const ChatState& state, OutputSink& out);

}  // namespace quorlix::cli
