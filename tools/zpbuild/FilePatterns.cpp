#include "FilePatterns.h"

#include <set>

#include "BuilderOS.h"
#include "base/Errors.h"

namespace zp {
namespace {

constexpr int kDeepest = 64;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

class TMatcher {
public:
  explicit TMatcher(const std::vector<std::string>& segments) : segments_(segments) {}

  void Walk(const std::string& folder, const std::string& relative, size_t segment, int depth) {
    if (depth > kDeepest) throw EZpError(folder + ": more than 64 nested folders (a folder link loop?)");
    Match(ListFolder(folder), folder, relative, segment, depth);
  }

  std::vector<TMatchedFile> Matches() { return std::move(matches_); }

private:
  // Matches one folder's entries against a segment. A "**" that stands for
  // no folder hands the same entries on to the next segment: the folder is
  // not listed again.
  void Match(const std::vector<TFolderEntry>& entries, const std::string& folder, const std::string& relative,
             size_t segment, int depth) {
    const std::string& pattern = segments_[segment];
    const bool last = segment + 1 == segments_.size();
    if (pattern == "**" && !last) Match(entries, folder, relative, segment + 1, depth);  // no folder at all
    for (const TFolderEntry& entry : entries) {
      const std::string path = folder + kPathSeparator + entry.Name;
      const std::string below = relative.empty() ? entry.Name : relative + "\\" + entry.Name;
      if (pattern == "**") {
        if (entry.Folder) Walk(path, below, segment, depth + 1);  // one folder more
        else if (last) Add(path, below);
      } else if (MatchName(pattern, entry.Name)) {
        if (last && !entry.Folder) Add(path, below);
        else if (!last && entry.Folder) Walk(path, below, segment + 1, depth + 1);
      }
    }
  }

  void Add(const std::string& path, const std::string& relative) {
    if (seen_.insert(relative).second) matches_.push_back({path, relative});
  }

  const std::vector<std::string>& segments_;
  std::set<std::string> seen_;  // "a/**/**/b" reaches a file on several paths
  std::vector<TMatchedFile> matches_;
};

}  // namespace

bool HasWildcards(const std::string& source) { return source.find_first_of("*?") != std::string::npos; }

bool MatchName(const std::string& pattern, const std::string& name) {
  // Greedy matching with one backtrack point: the last "*" seen.
  size_t p = 0, n = 0, star = std::string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++, resume = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++p, ++n;
    } else if (star != std::string::npos) {
      p = star + 1, n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<TMatchedFile> MatchFiles(const std::string& folder, const std::vector<std::string>& segments) {
  if (segments.empty()) return {};
  TMatcher matcher(segments);
  matcher.Walk(folder, "", 0, 0);
  return matcher.Matches();
}

}  // namespace zp
