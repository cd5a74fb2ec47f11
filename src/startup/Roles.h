// The choice of role at start-up, apart from the system calls that feed it,
// so that it is the same everywhere it is tested. Portable.
#pragma once

#include <functional>
#include <string>

namespace zp {

// The only command-line argument the program knows: the relay starts the
// elevated copy with it.
extern const char kSpawnArgument[];

// The first argument of a command line (program name first), split the way
// the program's run-time library does: arguments are separated by blanks and
// control characters, double quotes group and are dropped, and there is no
// escape character. Empty when there is none.
std::string FirstArgument(const std::string& commandLine);

enum class TRole { Relay, Wizard };

struct TStartupChoice {
  TRole Role = TRole::Wizard;
  // For the wizard: hand the targets it opens to the relay (true only for
  // the elevated copy of a relay that is still waiting for it).
  bool UseRelay = false;
};

// On Windows Vista or later every start whose first argument is not exactly
// "spawn" (compared byte for byte) is the relay; everything else shows the
// wizard. The wizard uses the relay when it has the argument on Vista or
// later and `parentIsRelay` says its parent process is a running copy of the
// same executable; `parentIsRelay` is asked only then.
TStartupChoice ChooseRole(bool vistaOrLater, const std::string& firstArgument,
                          const std::function<bool()>& parentIsRelay);

}  // namespace zp
