// The two indexes of an archive, as pages of the web page dialect's look
// (core/page_writer.h): "index.html" lists every scene, newest first and
// grouped by month, with its day, start and end (UTC), duration, lines
// and persons, each scene a link to its page; "persons.html" lists every
// person with their scene count and first and last appearance, then each
// person's scenes as links. The fixed words are in the user's language;
// everything from the log is escaped as on the scene pages.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/log/scene_finder.h"
#include "core/work/output_sink.h"

namespace quorlix {

struct ArchiveContents {
  const SceneList& scenes;
  // The scenes oldest first (indices into scenes.scenes): the order of the
  // previous and next links.
  std::vector<std::size_t> order;
  std::vector<std::string> pages;  // the page of each scene, by index into scenes.scenes
  std::string log_names;           // shown at the top: file names, UTF-8 or Windows-1252
};

// The scenes of `scenes` oldest first: by the time of their first line,
// file order among scenes of the same second.
std::vector<std::size_t> ScenesOldestFirst(const SceneList& scenes);

void WriteArchiveIndex(const ArchiveContents& archive, OutputSink& out);
void WriteArchivePersons(const ArchiveContents& archive, OutputSink& out);

// The words of the link back to the index on each scene page, and of the
// links to the scenes before and after it.
std::string ArchiveIndexWord();
std::string PreviousSceneWords();
std::string NextSceneWords();

}  // namespace quorlix
