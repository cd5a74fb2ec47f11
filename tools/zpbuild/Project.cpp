#include "Project.h"

#include <cctype>

#include "base/Strings.h"

namespace zp {

const char* const kPlaceholders[15] = {
    "{app}", "{bootdir}", "{windir}", "{winsysdir}", "{mydocuments}", "{desktop}", "{temp}",
    "{virtualstore}", "{virtualstoreapp}",
    // Set per terminal during the run.
    "{experts}", "{indicators}", "{scripts}", "{templates}", "{metatrader}", "{vsmetatrader}",
};

namespace {

bool IsPlaceholder(const std::string& name) {
  for (const char* known : kPlaceholders)
    if (SameTextAscii(name, known)) return true;
  return false;
}

bool IsDrivePath(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         path[2] == '\\';
}

}  // namespace

std::string CheckTargetPath(const std::string& path) {
  if (path.empty()) return "is empty";
  for (size_t open = path.find('{'); open != std::string::npos; open = path.find('{', open + 1)) {
    const size_t close = path.find('}', open);
    if (close == std::string::npos) return "has a \"{\" without its \"}\"";
    const std::string name = path.substr(open, close - open + 1);
    if (!IsPlaceholder(name)) return "uses the unknown placeholder " + name;
  }
  if (path[0] != '{' && !IsDrivePath(path) && path.compare(0, 2, "\\\\") != 0)
    return "must begin with a placeholder such as {experts}, a drive (C:\\) or a network path (\\\\server)";
  const char last = path.back();
  if (last == '\\' || last == '}') return "names a folder, not a file";
  for (char c : path)
    if (static_cast<unsigned char>(c) < 32) return "holds a control character";
  return {};
}

std::string CheckTerminalSettings(const std::string& settings) {
  if (settings.size() > 8) return "has more than 8 options";
  for (char c : settings)
    if (c != '0' && c != '1' && c != ' ') return "may hold only \"0\", \"1\" and blanks";
  return {};
}

}  // namespace zp
