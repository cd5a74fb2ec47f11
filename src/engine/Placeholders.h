// Path placeholders: the ordered name=value list that a run expands every
// package path with ("{app}", "{experts}", ...), the entries it is filled
// with, and the per-user VirtualStore mapping of a path.
//
// The text operations are portable. Where a value comes from a special
// folder, the folder source is a parameter whose default (SystemFolder) asks
// Windows; tests hand in folders of their own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/SysFolders.h"

namespace zp {

struct TPlaceholder {
  std::string Name;  // braces included, e.g. "{app}"
  std::string Value;
};

// An unsorted list of placeholders in the order they are applied. Names are
// unique and compared ignoring the case of ASCII letters.
class TPlaceholderList {
public:
  void Clear() { entries_.clear(); }
  int Count() const { return static_cast<int>(entries_.size()); }
  const TPlaceholder& operator[](int index) const { return entries_.at(static_cast<size_t>(index)); }
  const std::vector<TPlaceholder>& Entries() const { return entries_; }

  // Index of the entry named `name`, or -1.
  int IndexOf(const std::string& name) const;
  // Value of the entry named `name`; empty when there is none.
  std::string Value(const std::string& name) const;
  // Replaces the entry named `name` in place (its name now written as given),
  // or appends a new entry at the end.
  void Set(const std::string& name, const std::string& value);

private:
  std::vector<TPlaceholder> entries_;
};

// The text with, for each entry from first to last, every occurrence of its
// name (any letter case) replaced by its value, scanning left to right
// without rescanning inserted text. Unknown placeholders stay as written.
std::string ExpandPlaceholders(const std::string& text, const TPlaceholderList& list);

using TFolderSource = std::function<std::string(TSpecialFolder kind)>;

// Local application data + "\VirtualStore" + the path without its drive
// ("C:"); a path that is not a drive path is appended whole.
std::string VirtualStorePath(const std::string& path, const TFolderSource& folders = SystemFolder);

// Empties the list and fills the nine base entries: {app} (program files +
// "\" + programName), {bootdir}, {windir}, {winsysdir}, {mydocuments},
// {desktop}, {temp}, {virtualstore}, {virtualstoreapp}.
void BuildPlaceholders(TPlaceholderList& list, const std::string& programName,
                       const TFolderSource& folders = SystemFolder);

// The placeholders a package path may use: the nine base entries, then the
// eleven that every terminal sets, in the order they are set.
constexpr int kBasePlaceholderCount = 9;
constexpr int kTerminalPlaceholderCount = 11;
extern const char* const kBasePlaceholders[kBasePlaceholderCount];
extern const char* const kTerminalPlaceholders[kTerminalPlaceholderCount];

// True when `name` (braces included, any letter case) is one of them.
bool IsKnownPlaceholder(const std::string& name);
// True when the path uses a terminal placeholder: its file goes into every
// chosen terminal, while any other file is installed once.
bool IsTerminalPath(const std::string& path);

// Why a package path cannot be a target, or "" when it can. A target begins
// with a known placeholder, a drive ("C:\") or a network share
// ("\\server\share\"); each part after that is a file or folder name
// (FileNameProblem: no "." or "..", no ":" or other reserved character, no
// control character, no trailing dot or blank, no device name); a placeholder
// stands only at the start; and the last part names a file.
std::string TargetPathProblem(const std::string& path);

// Sets the terminal entries for the terminal folder `terminal` as the target
// list holds it: {experts}, {indicators}, {scripts}, {templates},
// {metatrader}, {vsmetatrader}, then {include}, {libraries}, {files},
// {presets} and {images}. A new-layout terminal's add-on folders lie below
// `dataFolder` (its GetDataFolder); an old-layout terminal's directly in
// `terminal`, and `dataFolder` is not used.
void SetTerminalPlaceholders(TPlaceholderList& list, const std::string& terminal,
                             const std::string& dataFolder, bool newLayout,
                             const TFolderSource& folders = SystemFolder);

}  // namespace zp
