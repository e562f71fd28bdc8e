// Hash containers keyed by std::string that can be searched with a
// string_view, so that looking a name up allocates nothing.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace quorlix {

struct StringViewHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

using NameSet = std::unordered_set<std::string, StringViewHash, std::equal_to<>>;
template <typename Value>
using NameMap = std::unordered_map<std::string, Value, StringViewHash, std::equal_to<>>;

}  // namespace quorlix
