// The pages in a folder, all the way down, in name order, with nothing
// skipped in silence: a folder that can't be read is told, and so is every
// wanted name that can't be looked up, and a folder moved while it was
// read (the walk then goes on from the folder above it). The walk holds two
// folders open, the top and the current one, whatever the depth, and its
// memory grows with the length of the path, not with its square: a folder's
// entries are dropped while the walk is deeper down (past a few MiB of
// them), to be read again on the way back.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/FileAccess.h"

namespace verdo {

struct FolderWalkEvents {
  // Whether a name that isn't a folder's is a page's.
  std::function<bool(std::string_view name)> Wanted;
  // Each page, looked up in the folder held (the lookup's failures included:
  // a link loop, a link to another owner's file, a name no longer there).
  std::function<void(OpenedPage& page)> Found;
  // A folder that couldn't be read or was moved while it was read, with the
  // reason.
  std::function<void(const std::string& folder, const std::string& reason)> Failed;
  // Entries of the folders above the current one kept at most, in bytes:
  // past this, the ones highest up are dropped and read again on the way back.
  std::size_t KeptBytes = std::size_t{4} << 20;
};

// `path` itself when it isn't a folder (links followed as OpenedPage
// follows them); else its pages, sorted by their whole paths, byte by byte.
// Links inside the folder are followed to files, never to folders (one may
// lead back up). False when a folder failed (told to Failed).
bool WalkPages(const std::string& path, const FolderWalkEvents& events);

}  // namespace verdo
