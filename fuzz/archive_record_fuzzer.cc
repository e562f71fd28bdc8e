// Fuzz target: the record an archive keeps for a rerun, read from any
// bytes (a damaged or foreign file in the folder). Reading never crashes;
// what it accepts names only persons it lists and a plain page name, and
// written again it reads back as the same record.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/archive/archive_files.h"
#include "core/archive/archive_record.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorlix;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<ArchiveRecord> record = ParseArchiveRecord(text);
  if (!record) return 0;
  QUORLIX_CHECK(IsArchivePageName(record->page));
  for (const ScenePerson& person : record->prior.persons) {
    QUORLIX_CHECK(person.name < record->prior.names.size());
  }
  const std::optional<ArchiveRecord> again = ParseArchiveRecord(FormatArchiveRecord(*record));
  QUORLIX_CHECK(again.has_value());
  QUORLIX_CHECK(FormatArchiveRecord(*again) == FormatArchiveRecord(*record));
  return 0;
}
