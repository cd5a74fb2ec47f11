// The sources of [[files]] entries that name a folder or a pattern: "*" and
// "?" match within one name, a "**" segment matches any number of folders.
// Names match without regard to ASCII letter case, as on Windows.
#pragma once

#include <string>
#include <vector>

namespace zp {

struct TMatchedFile {
  std::string Path;      // the file, for reading
  std::string Relative;  // its path below the fixed folder of the pattern, names joined by "\"
};

// True when a source names a pattern rather than one file or folder.
bool HasWildcards(const std::string& source);

// One name against one segment of a pattern ("*" and "?", no "**").
bool MatchName(const std::string& pattern, const std::string& name);

// Every file below `folder` that `segments` (the pattern after the folder,
// split at its separators) match, each once, in no particular order. A
// pattern of just "**" takes the whole tree. Raises EOSError for a folder
// that cannot be listed and EZpError past 64 nested folders (a link loop).
std::vector<TMatchedFile> MatchFiles(const std::string& folder, const std::vector<std::string>& segments);

}  // namespace zp
