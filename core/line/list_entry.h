// One name of the persons or channels list (a person or a channel the log's
// lines name) and whether the user selected it.
#pragma once

#include <string>

namespace quorlix {

struct ListEntry {
  std::string name;
  bool selected = false;
};

}  // namespace quorlix
