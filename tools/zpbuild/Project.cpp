#include "Project.h"

#include "engine/Placeholders.h"

namespace zp {

std::string CheckTargetPath(const std::string& path) { return TargetPathProblem(path); }

std::string CheckTerminalSettings(const std::string& settings) {
  if (settings.size() > 8) return "has more than 8 options";
  for (char c : settings)
    if (c != '0' && c != '1' && c != ' ') return "may hold only \"0\", \"1\" and blanks";
  return {};
}

}  // namespace zp
