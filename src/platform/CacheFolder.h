// The program's own folder for scratch files that have no better place.
#pragma once

#include <optional>
#include <string>

namespace verdo {

// $XDG_CACHE_HOME/verdo (an XDG_CACHE_HOME that isn't an absolute path
// counts as unset; the default is ~/.cache/verdo), made private (0700) when
// it is missing, as the cache folder itself is. Nothing when it can't be
// had: no home folder, a failed mkdir, or anything but a folder of this
// user's own in its place (a link included).
std::optional<std::string> CacheFolder();

// True when the current folder is the root folder, where a program that the
// D-Bus daemon started runs.
bool CurrentFolderIsRoot();

}  // namespace verdo
