#include "ProjectReader.h"

#include <toml.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <initializer_list>
#include <map>
#include <sstream>

#include "BuilderOS.h"
#include "FilePatterns.h"
#include "PackageWriter.h"
#include "base/Strings.h"
#include "engine/RunFiles.h"
#include "package/Content.h"
#include "package/Streams.h"
#include "picture/JpegImage.h"
#include "strings/ZpTrans.h"

namespace zp {
namespace {

using TValue = toml::value;

bool IsSeparator(char c) { return c == '/' || c == kPathSeparator; }
// The characters IsSeparator takes, for the find functions of std::string.
const char* Separators() { return kPathSeparator == '/' ? "/" : "\\/"; }

// A shortcut name may hold subfolders of the start menu ("Tools\\Chart"):
// every part must be a file name, the last one with ".lnk" after it.
std::string ShortcutNameProblem(const std::string& name) {
  for (size_t start = 0;;) {
    const size_t end = name.find('\\', start);
    const bool last = end == std::string::npos;
    const std::string part = name.substr(start, last ? std::string::npos : end - start);
    const std::string problem = FileNameProblem(last && !part.empty() ? part + ".lnk" : part);
    if (!problem.empty()) return "the part \"" + part + "\" cannot be a file name: " + problem;
    if (last) return {};
    start = end + 1;
  }
}

std::string FolderOf(const std::string& path) {
  size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  if (cut == 0) return ".";
  return cut == 1 ? path.substr(0, 1) : path.substr(0, cut - 1);
}

std::string StemOf(const std::string& path) {
  size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  std::string name = path.substr(cut);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool IsAbsolute(const std::string& path) {
  if (path.empty()) return false;
  if (IsSeparator(path[0])) return true;
  return kPathSeparator == '\\' && path.size() >= 2 && path[1] == ':';
}

std::string JoinPath(const std::string& folder, const std::string& relative) {
  if (IsAbsolute(relative) || folder == ".") return relative;
  return IsSeparator(folder.back()) ? folder + relative : folder + kPathSeparator + relative;
}

// toml11 reports a syntax error over several lines; we want one.
std::string OneLineSyntaxError(const std::string& file, const std::string& what) {
  std::istringstream lines(what);
  std::string first, line, lineNumber, hint;
  std::getline(lines, first);
  while (std::getline(lines, line)) {
    size_t i = line.find_first_not_of(' ');
    if (lineNumber.empty() && i != std::string::npos && std::isdigit(static_cast<unsigned char>(line[i]))) {
      const size_t bar = line.find(" |", i);
      if (bar != std::string::npos) lineNumber = line.substr(i, bar - i);
    }
    const size_t caret = line.find("^---");
    if (hint.empty() && caret != std::string::npos) hint = line.substr(caret + 4);
  }
  if (first.rfind("[error] ", 0) == 0) first.erase(0, 8);
  if (first.rfind("toml::", 0) == 0 && first.find(": ") != std::string::npos) first.erase(0, first.find(": ") + 2);
  std::string message = file + (lineNumber.empty() ? "" : ":" + lineNumber) + ": " + first;
  while (!hint.empty() && hint[0] == ' ') hint.erase(0, 1);
  if (!hint.empty() && hint != "here") message += " (" + hint + ")";
  return message;
}

TValue ParseToml(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  std::istringstream text(std::string(bytes.begin(), bytes.end()));
  try {
    return toml::parse(text, path);
  } catch (const toml::exception& e) {
    throw EProjectError(OneLineSyntaxError(path, e.what()));
  }
}

bool ParseHexKey(const std::string& text, TContentKey& key) {
  if (text.size() != 32) return false;
  for (size_t i = 0; i < 16; ++i) {
    unsigned value = 0;
    const auto result = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, value, 16);
    if (result.ec != std::errc() || result.ptr != text.data() + 2 * i + 2) return false;
    key[i] = static_cast<uint8_t>(value);
  }
  return true;
}

// A whole text of decimal digits (a leading "-" for signed types) that fits.
template <typename TNumber>
bool ParseNumber(const std::string& text, TNumber& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

// "MAJOR.MINOR", "MAJOR.MINOR.BUILD" or "MAJOR.MINOR.BUILD.RELEASE": the
// number of parts read into `numbers`, or 0 when the text is none of these.
int ParseVersion(const std::string& text, int32_t numbers[4]) {
  int parts = 0;
  for (size_t start = 0;; ++parts) {
    const size_t dot = text.find('.', start);
    const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (parts == 4 || part.find_first_not_of("0123456789") != std::string::npos || !ParseNumber(part, numbers[parts]))
      return 0;
    if (dot == std::string::npos) return parts + 1 >= 2 ? parts + 1 : 0;
    start = dot + 1;
  }
}

// The plain size of a content; 0 when its file cannot be read (which its
// entry has said already).
int64_t FileSizeOf(const TContent& content) {
  if (!content.FromFile()) return static_cast<int64_t>(content.Bytes.size());
  try {
    return TFileStream(content.SourcePath, TFileMode::OpenRead).Size();
  } catch (const EZpError&) {
    return 0;
  }
}

bool IsRtf(const std::string& text) { return text.rfind("{\\rtf", 0) == 0; }

bool HasHighBytes(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

std::string FileNamePart(const std::string& windowsPath) {
  const size_t cut = windowsPath.find_last_of("\\}");
  return cut == std::string::npos ? windowsPath : windowsPath.substr(cut + 1);
}

// libjpeg decodes a cut-off file with only a warning (the missing rows come
// out grey), so the builder checks that the marker structure runs to the end
// of image marker.
bool JpegIsComplete(const std::vector<uint8_t>& bytes) {
  const size_t n = bytes.size();
  if (n < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
  size_t i = 2;
  while (i + 1 < n) {
    if (bytes[i] != 0xFF) return false;
    const uint8_t marker = bytes[i + 1];
    if (marker == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    if (marker == 0xD9) return true;  // end of image
    if (i + 3 >= n) return false;
    const size_t length = size_t(bytes[i + 2]) << 8 | bytes[i + 3];
    i += 2 + length;
    if (marker != 0xDA) continue;  // not a scan: the segment is all there is
    // Entropy-coded data runs to the next marker that is neither a stuffed
    // zero nor a restart marker.
    while (i + 1 < n && !(bytes[i] == 0xFF && bytes[i + 1] != 0 && (bytes[i + 1] < 0xD0 || bytes[i + 1] > 0xD7))) ++i;
  }
  return false;
}

constexpr char kShippedPrefix[] = "zpinstall:";

bool IsShippedName(const std::string& name) {
  return !name.empty() && name.size() <= 16 &&
         name.find_first_not_of("abcdefghijklmnopqrstuvwxyz-") == std::string::npos;
}

// Who installs a target: the entry, where it stands and the source file.
struct TClaim {
  std::string Entry;   // "files[2] (line 7)"
  std::string Source;  // the file it carries
};

// The known name closest to `name`, when it is close enough to be a slip
// ("nmae" for "name"); "" otherwise.
std::string ClosestName(const std::string& name, std::initializer_list<const char*> known) {
  size_t best = 3;  // at most two edits
  std::string closest;
  for (const char* candidate : known) {
    const std::string b = candidate;
    // Edit distance with transpositions, over two rows of the table.
    std::vector<size_t> before(b.size() + 1), row(b.size() + 1), older(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= name.size(); ++i) {
      older = before, before = row;
      row[0] = i;
      for (size_t j = 1; j <= b.size(); ++j) {
        const bool same = std::tolower(static_cast<unsigned char>(name[i - 1])) == b[j - 1];
        row[j] = std::min({before[j] + 1, row[j - 1] + 1, before[j - 1] + (same ? 0 : 1)});
        if (i > 1 && j > 1 && name[i - 1] == b[j - 2] && name[i - 2] == b[j - 1])
          row[j] = std::min(row[j], older[j - 2] + 1);
      }
    }
    if (row[b.size()] < best && row[b.size()] < b.size()) best = row[b.size()], closest = b;
  }
  return closest;
}

// CheckTargetPath, with the placeholder meant when a name is a slip.
std::string TargetProblem(const std::string& path) {
  std::string problem = CheckTargetPath(path);
  const std::string unknown = "uses the unknown placeholder {";
  if (problem.rfind(unknown, 0) != 0 || problem.back() != '}') return problem;
  const std::string name = problem.substr(unknown.size(), problem.size() - unknown.size() - 1);
  const std::string closest =
      ClosestName(LowerAscii(name), {"app", "bootdir", "windir", "winsysdir", "mydocuments", "desktop", "temp",
                                     "virtualstore", "virtualstoreapp", "experts", "indicators", "scripts",
                                     "templates", "metatrader", "vsmetatrader", "include", "libraries", "files",
                                     "presets", "images"});
  return closest.empty() ? problem : problem + "; did you mean {" + closest + "}?";
}

class TProjectReader {
public:
  TProjectReader(std::string path, const TLoadOptions& options)
      : path_(std::move(path)), folder_(FolderOf(path_)), options_(options) {}

  TLoadedProject Read();

private:
  // A problem ends the reading of its field (Fail) or is only noted (Error);
  // reading goes on with the next field, entry or section, so that one run
  // names every problem of a project, up to kMaxErrors.
  struct TSkip {};  // the field at hand cannot be read further
  struct TStop {};  // too many problems to go on
  static constexpr size_t kMaxErrors = 50;

  // "FILE:LINE" of a value, or "--set SETTING" for one that a setting put there.
  std::string Where(const TValue& at) const {
    const auto set = origins_.find(&at);
    if (set != origins_.end()) return "--set " + set->second;
    return file_ + ":" + std::to_string(at.location().line());
  }
  void Note(const std::string& message) const {
    errors_.push_back(message);
    if (errors_.size() >= kMaxErrors) throw TStop{};
  }
  void Error(const TValue& at, const std::string& field, const std::string& what) const {
    Note(Where(at) + ": " + field + ": " + what);
  }
  [[noreturn]] void Fail(const TValue& at, const std::string& field, const std::string& what) const {
    Error(at, field, what);
    throw TSkip{};
  }
  // Runs one reading step; a problem in it is noted and the caller goes on.
  // True when the step went through.
  template <typename TStep>
  bool Guard(TStep&& step) const {
    try {
      step();
      return true;
    } catch (const TSkip&) {
    } catch (const EProjectError& e) {
      Note(e.Message());
    }
    return false;
  }
  void Warn(const TValue& at, const std::string& field, const std::string& what) {
    result_.Warnings.push_back(Where(at) + ": " + field + ": " + what);
  }

  const TValue& Table(const TValue& parent, const char* key, const std::string& field) const;
  void CheckKeys(const TValue& table, const std::string& prefix, std::initializer_list<const char*> known) const;
  const TValue* Find(const TValue& table, const char* key) const;
  const TValue* Typed(const TValue* value) const;
  void ApplyOverride(TValue& root, const std::string& setting);

  std::string Utf8(const TValue& table, const char* key, const std::string& prefix, bool required = false) const;
  int32_t Integer(const TValue& table, const char* key, const std::string& prefix, int32_t fallback,
                  int64_t low, int64_t high) const;
  bool Boolean(const TValue& table, const char* key, const std::string& prefix) const;
  std::optional<uint64_t> Time(const TValue& table, const char* key, const std::string& prefix) const;
  std::string SourcePath(const TValue& table, const char* key, const std::string& prefix) const;
  std::string TargetPath(const TValue& table, const char* key, const std::string& prefix) const;

  void ReadProduct(const TValue& root);
  void ReadFileTimes(const TValue& root);
  void ReadTexts(const TValue& root);
  void ReadPictures(const TValue& root);
  void ReadTerminal(const TValue& root);
  void ReadTranslations(const TValue& root);
  void ReadTranslationTable(const TValue& table, const std::string& prefix, bool allowInclude);
  void ReadFiles(const TValue& root);
  void ReadFileEntry(const TValue& t, int index, std::map<std::string, TClaim>& targets);
  void ReadExecs(const TValue& root);
  void ReadExec(const TValue& t, const std::string& prefix);
  std::vector<uint8_t> ReadPicture(const TValue& table, const char* key, const std::string& prefix) const;
  std::string IncludePath(const TValue& table) const;
  std::vector<TMatchedFile> SourceFiles(const TValue& table, const std::string& prefix, bool& many) const;

  std::string path_;    // the project file
  std::string folder_;  // its folder: project paths are relative to it
  std::string file_;    // the TOML file being read (the project or an included one)
  const TLoadOptions& options_;
  // Values that --set put in the tree (their setting names them in errors),
  // and the typed readings of those that are not strings.
  mutable std::map<const TValue*, std::string> origins_;
  mutable std::map<const TValue*, TValue> typed_;
  TLoadedProject result_;
  mutable std::vector<std::string> errors_;
};

const TValue* TProjectReader::Find(const TValue& table, const char* key) const {
  const auto& entries = table.as_table();
  const auto it = entries.find(key);
  return it == entries.end() ? nullptr : &it->second;
}

// A value from --set is a string as written; where a key needs another type
// (an integer, true or false, a date) its text is read as a TOML value.
const TValue* TProjectReader::Typed(const TValue* value) const {
  const auto set = value ? origins_.find(value) : origins_.end();
  if (set == origins_.end() || !value->is_string()) return value;
  if (const auto known = typed_.find(value); known != typed_.end()) return &known->second;
  std::istringstream text("v = " + value->as_string().str);
  try {
    const TValue parsed = toml::parse(text, "--set");
    const TValue& reading = parsed.as_table().at("v");
    if (reading.is_string()) return value;
    const TValue* stored = &typed_.emplace(value, reading).first->second;
    origins_[stored] = set->second;
    return stored;
  } catch (const std::exception&) {
    return value;  // not a TOML value: the caller names the type it needs
  }
}

// KEY=VALUE: walks KEY's dotted path from the root, creating missing tables,
// and puts VALUE there as a string.
void TProjectReader::ApplyOverride(TValue& root, const std::string& setting) {
  const size_t equals = setting.find('=');
  const std::string key = setting.substr(0, equals);
  auto fail = [&](const std::string& field, const std::string& what) {
    throw EProjectError("--set " + setting + ": " + field + ": " + what);
  };
  if (equals == std::string::npos || key.empty()) fail(key, "must be KEY=VALUE, such as product.build=12");
  TValue* table = &root;
  std::string field;
  for (size_t start = 0;;) {
    const size_t dot = key.find('.', start);
    std::string name = key.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    field += (field.empty() ? "" : ".") + name;
    size_t index = 0;
    if (const size_t open = name.find('['); open != std::string::npos) {
      if (name.back() != ']' || !ParseNumber(name.substr(open + 1, name.size() - open - 2), index) || index == 0)
        fail(field, "an index is written [1], [2], ...");
      name.erase(open);
    }
    if (name.empty()) fail(field, "a part of the key is empty");
    auto& entries = table->as_table();
    if (index > 0) {
      const auto it = entries.find(name);
      if (it == entries.end() || !it->second.is_array())
        fail(field, "the project has no [[" + name + "]] tables");
      auto& items = it->second.as_array();
      if (index > items.size())
        fail(field, "the project has " + std::to_string(items.size()) + " [[" + name + "]] tables");
      if (dot == std::string::npos) fail(field, "names a whole table; set one of its keys");
      table = &items[index - 1];
      if (!table->is_table()) fail(field, "is not a table");
    } else if (dot == std::string::npos) {
      TValue& value = entries[name];
      value = TValue(setting.substr(equals + 1));
      origins_[&value] = setting;
      return;
    } else {
      auto it = entries.find(name);
      if (it == entries.end()) {
        it = entries.emplace(name, toml::table()).first;
        origins_[&it->second] = setting;
      }
      if (!it->second.is_table()) fail(field, "is not a table");
      table = &it->second;
    }
    start = dot + 1;
  }
}

const TValue& TProjectReader::Table(const TValue& parent, const char* key, const std::string& field) const {
  const TValue* value = Find(parent, key);
  if (!value->is_table()) Fail(*value, field, "must be a table ([" + field + "])");
  return *value;
}

void TProjectReader::CheckKeys(const TValue& table, const std::string& prefix,
                               std::initializer_list<const char*> known) const {
  for (const auto& [key, value] : table.as_table()) {
    bool found = false;
    for (const char* name : known) found = found || key == name;
    if (found) continue;
    const std::string closest = ClosestName(key, known);
    Error(value, prefix + key, closest.empty() ? "unknown key" : "unknown key; did you mean \"" + closest + "\"?");
  }
}

std::string TProjectReader::Utf8(const TValue& table, const char* key, const std::string& prefix,
                                  bool required) const {
  const TValue* value = Find(table, key);
  if (!value) {
    if (required) Fail(table, prefix + key, "is missing");
    return {};
  }
  if (!value->is_string()) Fail(*value, prefix + key, "must be a string");
  std::string text = value->as_string().str;
  if (required && text.empty()) Fail(*value, prefix + key, "is empty");
  return text;
}

int32_t TProjectReader::Integer(const TValue& table, const char* key, const std::string& prefix, int32_t fallback,
                                int64_t low, int64_t high) const {
  const TValue* value = Typed(Find(table, key));
  if (!value) return fallback;
  if (!value->is_integer()) Fail(*value, prefix + key, "must be an integer");
  const int64_t number = value->as_integer();
  if (number < low || number > high)
    Fail(*value, prefix + key, std::to_string(number) + " is not in " + std::to_string(low) + ".." + std::to_string(high));
  return static_cast<int32_t>(number);
}

bool TProjectReader::Boolean(const TValue& table, const char* key, const std::string& prefix) const {
  const TValue* value = Typed(Find(table, key));
  if (!value) return false;
  if (!value->is_boolean()) Fail(*value, prefix + key, "must be true or false");
  return value->as_boolean();
}

std::optional<uint64_t> TProjectReader::Time(const TValue& table, const char* key, const std::string& prefix) const {
  const TValue* value = Typed(Find(table, key));
  if (!value) return std::nullopt;
  int offsetMinutes = 0;
  std::optional<toml::local_date> date;
  std::optional<toml::local_time> time;
  if (value->is_offset_datetime()) {
    const auto& t = value->as_offset_datetime();
    date = t.date, time = t.time, offsetMinutes = t.offset.hour * 60 + t.offset.minute;
  } else if (value->is_local_datetime()) {
    date = value->as_local_datetime().date, time = value->as_local_datetime().time;
  } else if (value->is_local_date()) {
    date = value->as_local_date(), time = toml::local_time(0, 0, 0);
  } else {
    Fail(*value, prefix + key, "must be a date and time such as 2024-05-01T12:00:00Z");
  }
  uint64_t fileTime = 0;
  const uint32_t ns = time->millisecond * 1000000u + time->microsecond * 1000u + time->nanosecond;
  if (!CivilToFileTime(date->year, date->month + 1, date->day, time->hour, time->minute, time->second, ns, fileTime))
    Fail(*value, prefix + key, "lies before the year 1601");
  // The offset says how far local time runs ahead of UTC.
  const int64_t utc = static_cast<int64_t>(fileTime) - int64_t(offsetMinutes) * 60 * 10000000;
  if (utc < 0) Fail(*value, prefix + key, "lies before the year 1601");
  return static_cast<uint64_t>(utc);
}

std::string TProjectReader::SourcePath(const TValue& table, const char* key, const std::string& prefix) const {
  const std::string relative = Utf8(table, key, prefix, true);
  std::string path;
  try {
    path = JoinPath(folder_, NativePath(relative));
  } catch (const EZpError& e) {
    Fail(*Find(table, key), prefix + key, e.Message());
  }
  if (!FileExists(path)) Fail(*Find(table, key), prefix + key, "the file \"" + path + "\" does not exist");
  try {
    TFileStream probe(path, TFileMode::OpenRead);
  } catch (const EOSError& e) {
    Fail(*Find(table, key), prefix + key, "cannot read " + e.Message());
  }
  return path;
}

std::string TProjectReader::TargetPath(const TValue& table, const char* key, const std::string& prefix) const {
  std::string path = Utf8(table, key, prefix, true);
  for (char& c : path)
    if (c == '/') c = '\\';
  const std::string problem = TargetProblem(path);
  if (!problem.empty()) Fail(*Find(table, key), prefix + key, "\"" + path + "\" " + problem);
  return path;
}

std::vector<uint8_t> TProjectReader::ReadPicture(const TValue& table, const char* key,
                                                 const std::string& prefix) const {
  if (!Find(table, key)) return {};
  const std::string path = SourcePath(table, key, prefix);
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  try {
    TJpegImage image;
    image.LoadFromBytes(bytes);
    if (image.Empty()) throw EJpegError("the file is empty");
    image.Pixels();  // decodes the whole picture
    if (!JpegIsComplete(bytes)) throw EJpegError("the file ends before the end of the image");
  } catch (const EZpError& e) {
    Fail(*Find(table, key), prefix + key, "\"" + path + "\" is not a readable JPEG image: " + e.Message());
  }
  return bytes;
}

// file_times = "files" (the default) stores each file's own time;
// "source_date_epoch" stores SOURCE_DATE_EPOCH when the environment sets it.
void TProjectReader::ReadFileTimes(const TValue& root) {
  const std::string mode = Utf8(root, "file_times", "");
  if (!mode.empty() && mode != "files" && mode != "source_date_epoch")
    Fail(*Find(root, "file_times"), "file_times", "must be \"files\" or \"source_date_epoch\"");
  if (mode != "source_date_epoch" || !options_.SourceDateEpoch) return;
  const std::string& text = *options_.SourceDateEpoch;
  int64_t seconds = 0;
  if (!ParseNumber(text, seconds) || seconds < 0 || seconds > (INT64_MAX - int64_t(kUnixEpochFileTime)) / 10000000)
    throw EProjectError("SOURCE_DATE_EPOCH: \"" + text + "\" is not a number of seconds since 1970-01-01");
  result_.Project.FixedTime = kUnixEpochFileTime + uint64_t(seconds) * 10000000;
}

void TProjectReader::ReadProduct(const TValue& root) {
  if (!Find(root, "product")) Fail(root, "product", "the [product] table is missing");
  const TValue& t = Table(root, "product", "product");
  const std::string p = "product.";
  CheckKeys(t, p, {"name", "version", "build", "release", "publisher", "website", "address", "contact", "email"});
  TProject& project = result_.Project;
  Guard([&] {
    project.ProgramName = Utf8(t, "name", p, true);
    // The name becomes the program folder, the start-menu folder and the
    // registry key of the installation.
    if (const std::string problem = FileNameProblem(project.ProgramName); !problem.empty())
      Fail(*Find(t, "name"), p + "name", "\"" + project.ProgramName + "\" cannot be a folder name: " + problem);
  });
  int parts = 2;  // of the version: a third and fourth give the build and release
  Guard([&] {
    const TValue* version = Find(t, "version");
    if (!version) return;
    if (!version->is_string()) Fail(*version, p + "version", "must be a string such as \"1.2\"");
    const std::string text = version->as_string().str;
    int32_t numbers[4] = {};
    parts = ParseVersion(text, numbers);
    if (parts == 0)
      Fail(*version, p + "version",
           "\"" + text + "\" is not a version such as \"1.2\", \"1.7.3\" or \"1.7.3.4\" (MAJOR.MINOR[.BUILD[.RELEASE]])");
    project.VersionMajor = numbers[0], project.VersionMinor = numbers[1];
    project.Build = numbers[2], project.Release = numbers[3];
  });
  const std::pair<const char*, int32_t*> counters[] = {{"build", &project.Build}, {"release", &project.Release}};
  for (int i = 0; i < 2; ++i) {
    const auto [key, field] = counters[i];
    Guard([&, key = key, field = field] {
      if (Find(t, key) && parts > 2 + i)
        Fail(*Find(t, key), p + key, std::string("the version gives the ") + key + " already");
      *field = Integer(t, key, p, *field, 0, INT32_MAX);
    });
  }
  const std::pair<const char*, std::string*> texts[] = {{"publisher", &project.Publisher},
                                                         {"website", &project.Website},
                                                         {"address", &project.Address},
                                                         {"contact", &project.ContactName},
                                                         {"email", &project.Email}};
  bool textsRead = true;
  for (const auto& [key, field] : texts)
    textsRead = Guard([&, key = key, field = field] { *field = Utf8(t, key, p); }) && textsRead;
  // With a web site, the publisher names the web shortcut: PUBLISHER Website.url.
  if (textsRead && !TrimText(project.Website).empty()) {
    if (const std::string problem = FileNameProblem(project.Publisher + " Website.url"); !problem.empty())
      Error(Find(t, "publisher") ? *Find(t, "publisher") : t, p + "publisher",
            "\"" + project.Publisher + "\" names the web site's shortcut and cannot be part of a file name: " + problem);
  }
}

void TProjectReader::ReadTexts(const TValue& root) {
  if (!Find(root, "texts")) return;
  const TValue& t = Table(root, "texts", "texts");
  CheckKeys(t, "texts.", {"license", "readme", "whats_new"});
  const std::pair<const char*, std::string*> documents[] = {
      {"license", &result_.Project.License},
      {"readme", &result_.Project.Readme},
      {"whats_new", &result_.Project.WhatsNew},
  };
  for (const auto& [key, text] : documents) {
    if (!Find(t, key)) continue;
    Guard([&, key = key, text = text] {
      const std::vector<uint8_t> bytes = ReadFileBytes(SourcePath(t, key, "texts."));
      *text = std::string(bytes.begin(), bytes.end());
      if (!IsRtf(*text) && HasHighBytes(*text) && IsValidUtf8(*text))
        Warn(*Find(t, key), std::string("texts.") + key,
             "plain text in UTF-8 shows its accented letters wrongly; save it in the ANSI code page or as RTF");
    });
  }
}

void TProjectReader::ReadPictures(const TValue& root) {
  if (!Find(root, "pictures")) return;
  const TValue& t = Table(root, "pictures", "pictures");
  CheckKeys(t, "pictures.", {"banner", "splash"});
  Guard([&] { result_.Project.Banner = ReadPicture(t, "banner", "pictures."); });
  Guard([&] { result_.Project.Splash = ReadPicture(t, "splash", "pictures."); });
}

void TProjectReader::ReadTerminal(const TValue& root) {
  if (!Find(root, "terminal")) return;
  const TValue& t = Table(root, "terminal", "terminal");
  CheckKeys(t, "terminal.", {"settings"});
  const std::string settings = Utf8(t, "settings", "terminal.");
  const std::string problem = CheckTerminalSettings(settings);
  if (!problem.empty()) Fail(*Find(t, "settings"), "terminal.settings", "\"" + settings + "\" " + problem);
  result_.Project.TerminalSettings = settings;
}

void TProjectReader::ReadTranslationTable(const TValue& table, const std::string& prefix, bool allowInclude) {
  for (const auto& [key, value] : table.as_table()) {
    if (allowInclude && key == "include") continue;
    Guard([&, &key = key, &value = value] {
      int32_t id = 0;
      if (!ParseNumber(key, id)) Fail(value, prefix + key, "unknown key (translations are text id = \"text\")");
      if (!value.is_string()) Fail(value, prefix + key, "must be a string");
      const std::string text = value.as_string().str;
      if (!IsValidUtf8(text))
        Fail(value, prefix + key, "holds a character beyond U+FFFF, which the installer cannot show");
      if (TZpTrans::DefaultIndex(id) < 0) Warn(value, prefix + key, "the installer has no text " + std::to_string(id));
      // The project's own texts replace those of its included file.
      auto& items = result_.Project.Translations;
      const auto known = std::find_if(items.begin(), items.end(), [&](const TTranslation& t) { return t.Id == id; });
      if (known != items.end()) known->Text = text;
      else items.push_back({id, text});
    });
  }
}

// A project's own file, or "zpinstall:NAME" for a translation shipped with
// zpbuild.
std::string TProjectReader::IncludePath(const TValue& table) const {
  const std::string text = Utf8(table, "include", "translations.", true);
  if (text.rfind(kShippedPrefix, 0) != 0) return SourcePath(table, "include", "translations.");
  const std::string name = text.substr(sizeof kShippedPrefix - 1);
  const std::vector<std::string> folders =
      options_.TranslationFolders.empty() ? ShippedTranslationFolders() : options_.TranslationFolders;
  for (const std::string& folder : folders) {
    const std::string path = folder + kPathSeparator + name + ".toml";
    if (IsShippedName(name) && FileExists(path)) return path;
  }
  std::string known;
  for (const std::string& each : ShippedTranslationNames(folders)) known += (known.empty() ? "" : ", ") + each;
  Fail(*Find(table, "include"), "translations.include",
       "\"" + text + "\" is not a translation shipped with zpbuild (" +
           (known.empty() ? "none found beside zpbuild" : "shipped: " + known) + ")");
}

void TProjectReader::ReadTranslations(const TValue& root) {
  if (!Find(root, "translations")) return;
  const TValue& t = Table(root, "translations", "translations");
  if (Find(t, "include")) {
    Guard([&] {
      const std::string path = IncludePath(t);
      const TValue included = ParseToml(path);
      const std::string outer = file_;
      file_ = path;
      try {
        ReadTranslationTable(included, "", false);
      } catch (...) {
        file_ = outer;
        throw;
      }
      file_ = outer;
    });
  }
  ReadTranslationTable(t, "translations.", true);
  // Tables carry no order of their own; keep the package deterministic.
  auto& items = result_.Project.Translations;
  std::sort(items.begin(), items.end(), [](const TTranslation& a, const TTranslation& b) { return a.Id < b.Id; });
}


// The files an entry's source names: one file, every file below a folder, or
// what a pattern matches, in a stable order (by target, ignoring case).
std::vector<TMatchedFile> TProjectReader::SourceFiles(const TValue& table, const std::string& prefix,
                                                      bool& many) const {
  const std::string text = Utf8(table, "source", prefix, true);
  many = HasWildcards(text);
  std::string native;
  try {
    native = NativePath(text);
  } catch (const EZpError& e) {
    Fail(*Find(table, "source"), prefix + "source", e.Message());
  }
  std::string base = native, pattern = "**";
  if (many) {
    size_t cut = native.find_last_of(Separators(), native.find_first_of("*?"));
    base = cut == std::string::npos ? "." : native.substr(0, cut == 0 || native[cut - 1] == ':' ? cut + 1 : cut);
    pattern = cut == std::string::npos ? native : native.substr(cut + 1);
  } else if (!DirectoryExists(JoinPath(folder_, native))) {
    const std::string name = native.substr(native.find_last_of(Separators()) + 1);
    return {{SourcePath(table, "source", prefix), name}};
  }
  many = true;
  std::vector<std::string> segments;
  for (size_t start = 0; start <= pattern.size();) {
    const size_t end = std::min(pattern.find_first_of(Separators(), start), pattern.size());
    if (end > start) segments.push_back(pattern.substr(start, end - start));
    start = end + 1;
  }
  const std::string folder = base == "." ? folder_ : JoinPath(folder_, base);
  std::vector<TMatchedFile> files;
  try {
    if (DirectoryExists(folder)) files = MatchFiles(folder, segments);
  } catch (const EZpError& e) {
    Fail(*Find(table, "source"), prefix + "source", e.Message());
  }
  if (files.empty()) Fail(*Find(table, "source"), prefix + "source", "\"" + text + "\" matches no file");
  // Names come from the disk: on Windows as UTF-8 always; elsewhere they are
  // bytes, and only UTF-8 names say which characters they mean.
  for (const TMatchedFile& file : files)
    if (!IsUtf8(file.Relative))
      Fail(*Find(table, "source"), prefix + "source",
           "\"" + file.Path + "\" has a name that is not UTF-8; rename it or set the system's locale to UTF-8");
  std::sort(files.begin(), files.end(), [](const TMatchedFile& a, const TMatchedFile& b) {
    const std::string ka = LowerAscii(a.Relative), kb = LowerAscii(b.Relative);
    return ka != kb ? ka < kb : a.Relative < b.Relative;
  });
  return files;
}

void TProjectReader::ReadFiles(const TValue& root) {
  const TValue* files = Find(root, "files");
  if (!files) return;
  if (!files->is_array()) Fail(*files, "files", "must be an array of tables ([[files]])");
  std::map<std::string, TClaim> targets;  // lower-case target -> who installs it
  int index = 0;
  for (const TValue& t : files->as_array()) {
    ++index;
    Guard([&] { ReadFileEntry(t, index, targets); });
  }
}

// The name part of a matched file's relative path ("Sub\\a.mq4" -> "a.mq4").
std::string LastName(const std::string& relative) { return relative.substr(relative.find_last_of('\\') + 1); }

void TProjectReader::ReadFileEntry(const TValue& t, int index, std::map<std::string, TClaim>& targets) {
  const std::string entry = "files[" + std::to_string(index) + "]", p = entry + ".";
  if (!t.is_table()) Fail(t, entry, "must be a table ([[files]])");
  CheckKeys(t, p, {"source", "target", "flatten", "shortcut", "desktop_shortcut", "keep_newer", "keep_on_uninstall",
                   "created", "modified"});
  TProjectFile file;
  bool flatten = false;
  bool sound = Guard([&] {
    file.ShortcutName = Utf8(t, "shortcut", p);
    if (const std::string problem = file.ShortcutName.empty() ? "" : ShortcutNameProblem(file.ShortcutName);
        !problem.empty())
      Fail(*Find(t, "shortcut"), p + "shortcut", problem);
  });
  sound = Guard([&] {
    file.DesktopShortcut = Boolean(t, "desktop_shortcut", p);
    if (file.DesktopShortcut && !Find(t, "shortcut"))
      Fail(*Find(t, "desktop_shortcut"), p + "desktop_shortcut", "needs a shortcut name (shortcut = \"...\")");
  }) && sound;
  sound = Guard([&] { file.KeepNewer = Boolean(t, "keep_newer", p); }) && sound;
  sound = Guard([&] { file.KeepOnUninstall = Boolean(t, "keep_on_uninstall", p); }) && sound;
  sound = Guard([&] { flatten = Boolean(t, "flatten", p); }) && sound;
  sound = Guard([&] { file.CreationTime = Time(t, "created", p); }) && sound;
  sound = Guard([&] { file.LastWriteTime = Time(t, "modified", p); }) && sound;
  bool many = false;
  std::vector<TMatchedFile> sources;
  std::string target;
  const bool found = Guard([&] { sources = SourceFiles(t, p, many); });
  if (!Find(t, "target")) Fail(t, p + "target", "is missing");
  target = Utf8(t, "target", p, true);
  if (!found) return;
  for (char& c : target)
    if (c == '/') c = '\\';
  const bool intoFolder = many || target.back() == '\\';
  if (flatten)  // the records in the order of the names they get
    std::stable_sort(sources.begin(), sources.end(), [](const TMatchedFile& a, const TMatchedFile& b) {
      return LowerAscii(LastName(a.Relative)) < LowerAscii(LastName(b.Relative));
    });
  while (intoFolder && !target.empty() && target.back() == '\\') target.pop_back();
  if (sources.size() > 1 && !file.ShortcutName.empty())
    Fail(*Find(t, "shortcut"), p + "shortcut",
         "a shortcut needs an entry that installs one file; this one installs " + std::to_string(sources.size()));
  const TValue& at = *Find(t, "target");
  const auto set = origins_.find(&at);
  const std::string line =
      set != origins_.end() ? "--set " + set->second : "line " + std::to_string(at.location().line());
  for (const TMatchedFile& source : sources) {
    file.Content = TContent::FromFile(source.Path);
    file.Path = !intoFolder ? target : target + "\\" + (flatten ? LastName(source.Relative) : source.Relative);
    if (const std::string problem = TargetProblem(file.Path); !problem.empty()) {
      Error(at, p + "target", "\"" + file.Path + "\" " + problem);
      continue;
    }
    if (!sound) continue;  // its entry's problems are named; the target was worth checking
    const auto [other, added] = targets.emplace(LowerAscii(file.Path), TClaim{entry + " (" + line + ")", source.Path});
    if (!added) {
      const std::string both = "from \"" + other->second.Source + "\" and \"" + source.Path + "\"";
      Error(at, p + "target",
            "\"" + file.Path + "\" is installed by " +
                (other->second.Entry.rfind(entry + " ", 0) == 0 ? "this entry twice, " : other->second.Entry + " too, ") +
                both);
      continue;
    }
    // Each content must fit the package's 32-bit positions; say which file does not.
    // (A file that cannot be read is named by the build, which reads it.)
    const int64_t size = FileSizeOf(file.Content);
    if (StoredContentSize(size) > kPackageLimit)
      Error(*Find(t, "source"), p + "source",
            "\"" + source.Path + "\" is " + std::to_string(size) +
                " bytes, beyond the 2 GiB limit of a package file");
    result_.Project.Files.push_back(file);
  }
}

void TProjectReader::ReadExecs(const TValue& root) {
  const TValue* execs = Find(root, "execs");
  if (!execs) return;
  if (!execs->is_array()) Fail(*execs, "execs", "must be an array of tables ([[execs]])");
  int index = 0;
  for (const TValue& t : execs->as_array()) {
    const std::string p = "execs[" + std::to_string(++index) + "].";
    Guard([&] { ReadExec(t, p); });
  }
}

void TProjectReader::ReadExec(const TValue& t, const std::string& p) {
  if (!t.is_table()) Fail(t, p.substr(0, p.size() - 1), "must be a table ([[execs]])");
  CheckKeys(t, p, {"source", "path", "title", "parameters", "stage", "external", "created", "modified"});
  TProjectExec exec;
  bool sound = Guard([&] { exec.External = Boolean(t, "external", p); });
  sound = Guard([&] {
    if (exec.External && Find(t, "source"))
      Fail(*Find(t, "source"), p + "source", "an external program has no source: it is already on the machine");
    if (!exec.External) {
      if (!Find(t, "source")) Fail(t, p + "source", "is missing (or set external = true)");
      exec.Content = TContent::FromFile(SourcePath(t, "source", p));
    }
  }) && sound;
  sound = Guard([&] { exec.Path = TargetPath(t, "path", p); }) && sound;
  sound = Guard([&] { exec.Title = Utf8(t, "title", p); }) && sound;
  if (exec.Title.empty()) exec.Title = FileNamePart(exec.Path);
  sound = Guard([&] { exec.Parameters = Utf8(t, "parameters", p); }) && sound;
  sound = Guard([&] {
    if (const TValue* stage = Typed(Find(t, "stage"));
        stage && stage->is_integer() && (stage->as_integer() < 0 || stage->as_integer() > 3))
      Fail(*stage, p + "stage",
           std::to_string(stage->as_integer()) +
               " is not a stage (0 = wizard start, 1 = before the files, 2 = after the files, 3 = wizard close)");
    exec.Stage = Integer(t, "stage", p, stAfterFiles, 0, 3);
  }) && sound;
  sound = Guard([&] { exec.CreationTime = Time(t, "created", p); }) && sound;
  sound = Guard([&] { exec.LastWriteTime = Time(t, "modified", p); }) && sound;
  if (exec.External && (exec.CreationTime || exec.LastWriteTime))
    Fail(*Find(t, exec.CreationTime ? "created" : "modified"), p + (exec.CreationTime ? "created" : "modified"),
         "an external program is not written, so it takes no times");
  if (sound) result_.Project.Execs.push_back(std::move(exec));
}

TLoadedProject TProjectReader::Read() {
  file_ = path_;
  TValue root = ParseToml(path_);
  try {
    for (const std::string& setting : options_.Overrides) Guard([&] { ApplyOverride(root, setting); });
    CheckKeys(root, "", {"output", "key", "file_times", "compression", "product", "texts", "pictures", "terminal",
                         "translations", "files", "execs"});
    Guard([&] {
      const std::string output = Utf8(root, "output", "");
      try {
        result_.OutputPath =
            output.empty() ? JoinPath(folder_, StemOf(path_) + ".exe") : JoinPath(folder_, NativePath(output));
      } catch (const EZpError& e) {
        Fail(*Find(root, "output"), "output", e.Message());
      }
    });
    Guard([&] {
      if (const TValue* key = Find(root, "key")) {
        TContentKey bytes{};
        if (!key->is_string() || !ParseHexKey(key->as_string().str, bytes))
          Fail(*key, "key", "must be 32 hexadecimal digits (16 bytes)");
        result_.Project.Key = bytes;
      }
    });
    Guard([&] {
      if (Find(root, "compression")) result_.Project.Compression = Boolean(root, "compression", "");
    });
    for (void (TProjectReader::*section)(const TValue&) :
         {&TProjectReader::ReadFileTimes, &TProjectReader::ReadProduct, &TProjectReader::ReadTexts,
          &TProjectReader::ReadPictures, &TProjectReader::ReadTerminal, &TProjectReader::ReadTranslations,
          &TProjectReader::ReadFiles, &TProjectReader::ReadExecs})
      Guard([&] { (this->*section)(root); });
    int64_t total = 0;
    for (const TProjectFile& file : result_.Project.Files) total += StoredContentSize(FileSizeOf(file.Content));
    for (const TProjectExec& exec : result_.Project.Execs)
      if (!exec.External) total += StoredContentSize(FileSizeOf(exec.Content));
    if (total > kPackageLimit)
      Note(file_ + ": the contents add up to " + std::to_string(total) +
           " bytes stored, beyond the 2 GiB limit of a package file");
  } catch (const TStop&) {
  }
  if (!errors_.empty()) throw EProjectErrors(errors_, errors_.size() >= kMaxErrors);
  if (result_.Project.Files.empty() && result_.Project.Execs.empty())
    Warn(root, "files", "the package installs no files and starts no programs");
  return std::move(result_);
}


int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  // Howard Hinnant's algorithm: days since 1970-01-01 of a proleptic Gregorian date.
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

}  // namespace

bool CivilToFileTime(int year, int month, int day, int hour, int minute, int second, uint32_t nanosecond,
                     uint64_t& fileTime) {
  const int64_t seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  const int64_t ticks = seconds * 10000000 + nanosecond / 100 + static_cast<int64_t>(kUnixEpochFileTime);
  if (ticks < 0) return false;
  fileTime = static_cast<uint64_t>(ticks);
  return true;
}

TLoadedProject LoadProject(const std::string& path, const TLoadOptions& options) {
  return TProjectReader(path, options).Read();
}

std::vector<std::string> ShippedTranslationFolders() {
  const std::string exe = ExecutableFolder();
  const char s = kPathSeparator;
  return {exe + s + "lang", exe + s + ".." + s + "share" + s + "zpinstall" + s + "lang"};
}

std::vector<std::string> ShippedTranslationNames(const std::vector<std::string>& folders) {
  std::vector<std::string> names;
  for (const std::string& folder : folders) {
    if (!DirectoryExists(folder)) continue;
    for (const TFolderEntry& entry : ListFolder(folder)) {
      const size_t dot = entry.Name.size() > 5 ? entry.Name.size() - 5 : 0;
      const std::string name = entry.Name.substr(0, dot);
      if (!entry.Folder && dot > 0 && entry.Name.substr(dot) == ".toml" && IsShippedName(name) &&
          std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace zp
