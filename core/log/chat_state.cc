#include "core/log/chat_state.h"

#include <cassert>

#include "core/files/byte_buffer.h"

namespace quorlix {

FilterMode ChooseFilterMode(bool persons, bool channels) {
  if (persons && channels) return FilterMode::kPersonsAndChannels;
  if (persons) return FilterMode::kPersons;
  return channels ? FilterMode::kChannels : FilterMode::kNone;
}

void ChatState::ReplaceRawLines(LineStore lines) {
  ClearInputLines();
  raw_lines_ = std::move(lines);
}

LineStore ChatState::TakeRawLines() {
  ClearInputLines();
  return std::move(raw_lines_);
}

void ChatState::ClearInputLines(std::size_t capacity) {
  input_lines_.clear();
  input_headers_.clear();
  if (capacity == 0) return;
  input_lines_.reserve(capacity);
  input_headers_.reserve(capacity);
  AdviseHugePagesFor(input_lines_);
  AdviseHugePagesFor(input_headers_);
}

void ChatState::AppendInputLines(std::span<const std::string_view> lines,
                                 std::span<const LineHeader> headers) {
  assert(lines.size() == headers.size());
  input_lines_.insert(input_lines_.end(), lines.begin(), lines.end());
  input_headers_.insert(input_headers_.end(), headers.begin(), headers.end());
}

void ChatState::SetInputLines(std::vector<std::string_view> lines) {
  input_headers_.clear();
  input_lines_ = std::move(lines);
}

}  // namespace quorlix
