#include "cli/part_sink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/signal_cleanup.h"
#include "core/error.h"
#include "core/translation.h"

namespace quorlix::cli {

void PartStreamSink::AppendLine(std::string_view line) {
  if (cutter_.Add(line.size())) out_.AppendLine(kPartSeparator);
  out_.AppendLine(line);
}

std::string PartFileName(const std::string& path, std::size_t number) {
  const std::size_t slash = path.rfind('/');
  const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= name_start) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(number) + path.substr(dot);
}

PartFileSink::PartFileSink(std::string path, std::uint64_t limit)
    : path_(std::move(path)), cutter_(limit) {
  StartPart();
}

PartFileSink::~PartFileSink() {
  const SignalHold hold;
  parts_.clear();  // uncommitted writers remove their temporary files
  DisarmSignalCleanup();
}

void PartFileSink::StartPart() {
  if (!parts_.empty()) parts_.back()->Finish();
  // Named for the clean-up before any signal can come between.
  const SignalHold hold;
  parts_.push_back(std::make_unique<AtomicFileWriter>(PartFileName(path_, parts_.size() + 1)));
  ArmSignalCleanup(parts_.back()->temp_path());
}

void PartFileSink::AppendLine(std::string_view line) {
  if (cutter_.Add(line.size())) StartPart();
  AtomicFileWriter& part = *parts_.back();
  part.Write(line);
  part.Write("\r\n");
}

void PartFileSink::Commit() {
  for (auto& part : parts_) part->Finish();
  // A directory in a part's place would stop the renames half way: refuse
  // before any file appears.
  for (auto& part : parts_) {
    struct stat info;
    if (::stat(part->target().c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      throw Error(
          FormatText(Tr("Cannot write file %s. %s"), {part->target(), std::strerror(EISDIR)}));
    }
  }
  const SignalHold hold;
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    try {
      parts_[i]->Commit(/*sync_directory=*/false);
    } catch (const Error&) {
      RemoveCommittedParts(i);
      throw;
    }
  }
  DisarmSignalCleanup();
  SyncDirectoryOf(path_);  // once for all the renames
}

void PartFileSink::RemoveCommittedParts(std::size_t count) noexcept {
  for (std::size_t i = 0; i < count; ++i) ::unlink(parts_[i]->target().c_str());
}

}  // namespace quorlix::cli
