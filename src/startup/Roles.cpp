#include "startup/Roles.h"

namespace zp {
namespace {

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

const char kSpawnArgument[] = "spawn";

std::string FirstArgument(const std::string& commandLine) {
  size_t i = 0;
  const auto next = [&]() {
    while (i < commandLine.size() && IsSeparator(commandLine[i])) ++i;
    std::string argument;
    bool quoted = false;
    for (; i < commandLine.size() && (quoted || !IsSeparator(commandLine[i])); ++i) {
      if (commandLine[i] == '"')
        quoted = !quoted;
      else
        argument += commandLine[i];
    }
    return argument;
  };
  next();  // the program's own name
  return next();
}

TStartupChoice ChooseRole(bool vistaOrLater, const std::string& firstArgument,
                          const std::function<bool()>& parentIsRelay) {
  TStartupChoice choice;
  const bool spawned = firstArgument == kSpawnArgument;
  if (vistaOrLater && !spawned) {
    choice.Role = TRole::Relay;
  } else {
    choice.Role = TRole::Wizard;
    choice.UseRelay = vistaOrLater && spawned && parentIsRelay && parentIsRelay();
  }
  return choice;
}

}  // namespace zp
