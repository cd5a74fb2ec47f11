#include "engine/Placeholders.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "base/Strings.h"
#include "engine/RunFiles.h"

namespace zp {

namespace {

// Upper-casing touches ASCII letters only, so positions in the upper-cased
// copy are positions in the text.
std::string ReplaceIgnoringCase(const std::string& text, const std::string& name, const std::string& value) {
  // An empty name would match everywhere and never advance.
  if (name.empty()) return text;
  const std::string upperText = UpperAscii(text);
  const std::string upperName = UpperAscii(name);
  std::string result;
  size_t done = 0;
  for (size_t hit; (hit = upperText.find(upperName, done)) != std::string::npos;) {
    result.append(text, done, hit - done).append(value);
    done = hit + name.size();
  }
  return result.append(text, done, std::string::npos);
}

bool IsDrivePath(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         path[2] == '\\';
}

// The problem of one part of a target path after its root.
std::string PartProblem(const std::string& part) {
  const size_t open = part.find('{');
  if (open != std::string::npos) {
    const size_t close = part.find('}', open);
    if (close == std::string::npos) return "has a \"{\" without its \"}\"";
    const std::string name = part.substr(open, close - open + 1);
    if (!IsKnownPlaceholder(name)) return "uses the unknown placeholder " + name;
    return "has the placeholder " + name + " after its start, where it would not name a folder of its own";
  }
  const std::string problem = FileNameProblem(part);
  if (problem.empty()) return {};
  return "has the part \"" + part + "\", which cannot be a file or folder name: " + problem;
}

}  // namespace

const char* const kBasePlaceholders[kBasePlaceholderCount] = {
    "{app}",     "{bootdir}", "{windir}", "{winsysdir}", "{mydocuments}", "{desktop}",
    "{temp}",    "{virtualstore}", "{virtualstoreapp}"};
const char* const kTerminalPlaceholders[kTerminalPlaceholderCount] = {
    "{experts}", "{indicators}", "{scripts}", "{templates}", "{metatrader}", "{vsmetatrader}",
    "{include}", "{libraries}",  "{files}",   "{presets}",   "{images}"};

bool IsKnownPlaceholder(const std::string& name) {
  const auto same = [&](const char* known) { return SameTextAscii(name, known); };
  return std::any_of(std::begin(kBasePlaceholders), std::end(kBasePlaceholders), same) ||
         std::any_of(std::begin(kTerminalPlaceholders), std::end(kTerminalPlaceholders), same);
}

bool IsTerminalPath(const std::string& path) {
  const std::string lower = LowerAscii(path);
  return std::any_of(std::begin(kTerminalPlaceholders), std::end(kTerminalPlaceholders),
                     [&](const char* name) { return lower.find(name) != std::string::npos; });
}

std::string TargetPathProblem(const std::string& path) {
  if (path.empty()) return "is empty";
  size_t rest = 0;    // where the parts after the root begin
  size_t shared = 0;  // leading parts that name a server and its share
  if (path[0] == '{') {
    const size_t close = path.find('}');
    if (close == std::string::npos) return "has a \"{\" without its \"}\"";
    const std::string name = path.substr(0, close + 1);
    if (!IsKnownPlaceholder(name)) return "uses the unknown placeholder " + name;
    rest = close + 1;
  } else if (IsDrivePath(path)) {
    rest = 2;
  } else if (path.compare(0, 2, "\\\\") == 0) {
    rest = 2;
    shared = 2;
  } else {
    return "must begin with a placeholder such as {experts}, a drive (C:\\) or a network path (\\\\server\\share)";
  }
  std::vector<std::string> parts;
  for (size_t start = rest;;) {
    const size_t end = std::min(path.find('\\', start), path.size());
    parts.push_back(path.substr(start, end - start));
    if (end == path.size()) break;
    start = end + 1;
  }
  if (parts.size() <= shared) return "names a network share, not a file";
  // An empty part (a doubled backslash, as after {temp}) is harmless where a
  // folder name may be; the server, the share and the file need a name.
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].empty() && i >= shared) continue;
    const std::string problem = PartProblem(parts[i]);
    if (!problem.empty()) return problem;
  }
  if (parts.back().empty()) return "names a folder, not a file";
  return {};
}

int TPlaceholderList::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (SameTextAscii(entries_[i].Name, name)) return static_cast<int>(i);
  return -1;
}

std::string TPlaceholderList::Value(const std::string& name) const {
  const int index = IndexOf(name);
  return index < 0 ? std::string() : entries_[static_cast<size_t>(index)].Value;
}

void TPlaceholderList::Set(const std::string& name, const std::string& value) {
  const int index = IndexOf(name);
  if (index < 0)
    entries_.push_back({name, value});
  else
    entries_[static_cast<size_t>(index)] = {name, value};
}

std::string ExpandPlaceholders(const std::string& text, const TPlaceholderList& list) {
  std::string result = text;
  for (const TPlaceholder& entry : list.Entries()) result = ReplaceIgnoringCase(result, entry.Name, entry.Value);
  return result;
}

std::string VirtualStorePath(const std::string& path, const TFolderSource& folders) {
  const std::string store = folders(TSpecialFolder::LocalAppData) + "\\VirtualStore";
  if (path.size() >= 2 && path[1] == ':') return store + path.substr(2);
  return store + path;
}

void BuildPlaceholders(TPlaceholderList& list, const std::string& programName, const TFolderSource& folders) {
  const std::string app = folders(TSpecialFolder::ProgramFiles) + "\\" + programName;
  list.Clear();
  list.Set("{app}", app);
  list.Set("{bootdir}", folders(TSpecialFolder::BootDrive));
  list.Set("{windir}", folders(TSpecialFolder::Windows));
  list.Set("{winsysdir}", folders(TSpecialFolder::System));
  list.Set("{mydocuments}", folders(TSpecialFolder::Personal));
  list.Set("{desktop}", folders(TSpecialFolder::Desktop));
  list.Set("{temp}", folders(TSpecialFolder::Temp));
  list.Set("{virtualstore}", VirtualStorePath(std::string(), folders));
  list.Set("{virtualstoreapp}", VirtualStorePath(app, folders));
}

void SetTerminalPlaceholders(TPlaceholderList& list, const std::string& terminal, const std::string& dataFolder,
                             bool newLayout, const TFolderSource& folders) {
  // An old-layout terminal's suffixes go onto the folder as listed, so one
  // given with a trailing backslash gets a doubled one; Windows accepts it.
  if (newLayout) {
    list.Set("{experts}", dataFolder + "\\MQL4\\Experts");
    list.Set("{indicators}", dataFolder + "\\MQL4\\Indicators");
    list.Set("{scripts}", dataFolder + "\\MQL4\\Scripts");
    list.Set("{templates}", dataFolder + "\\templates");
    list.Set("{metatrader}", dataFolder);
  } else {
    list.Set("{experts}", terminal + "\\experts");
    list.Set("{indicators}", terminal + "\\experts\\indicators");
    list.Set("{scripts}", terminal + "\\scripts");
    list.Set("{templates}", terminal + "\\templates");
    list.Set("{metatrader}", terminal);
  }
  list.Set("{vsmetatrader}", VirtualStorePath(terminal, folders));
  // The folders of libraries, data files, presets and pictures, where a
  // terminal of each layout looks for them.
  const std::string mql = newLayout ? dataFolder + "\\MQL4" : terminal + "\\experts";
  list.Set("{include}", mql + (newLayout ? "\\Include" : "\\include"));
  list.Set("{libraries}", mql + (newLayout ? "\\Libraries" : "\\libraries"));
  list.Set("{files}", mql + (newLayout ? "\\Files" : "\\files"));
  list.Set("{presets}", mql + (newLayout ? "\\Presets" : "\\presets"));
  list.Set("{images}", mql + (newLayout ? "\\Images" : "\\images"));
}

}  // namespace zp
