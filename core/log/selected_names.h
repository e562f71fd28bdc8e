// The selected entries of a persons or channels list, matched ignoring
// letter case, as the list itself merges names that differ only so.
// Answers are kept per spelling met, so most lines need one lookup.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/log/chat_state.h"
#include "core/text/name_lookup.h"
#include "core/text/text_util.h"

namespace quorlix {

class SelectedNames {
 public:
  explicit SelectedNames(const std::vector<ListEntry>& entries) {
    for (const ListEntry& entry : entries) {
      if (!entry.selected) continue;
      key_ = entry.name;
      AsciiLowerInPlace(key_);
      names_.Insert(key_, true);
    }
  }
  bool Contains(std::string_view name) {
    if (names_.size() == 0) return false;
    if (const bool* known = answers_.Find(name)) return *known;
    key_.assign(name);
    AsciiLowerInPlace(key_);
    const bool selected = names_.Find(key_) != nullptr;
    answers_.Insert(name, selected);
    return selected;
  }

 private:
  NameTable<bool> names_;  // lower-cased
  NameTable<bool> answers_;
  std::string key_;
};

}  // namespace quorlix
