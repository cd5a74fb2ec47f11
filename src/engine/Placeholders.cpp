#include "engine/Placeholders.h"

#include "base/Strings.h"

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

}  // namespace

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
}

}  // namespace zp
