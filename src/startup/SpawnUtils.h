// The relay's side of the hand-over between the elevated wizard and the
// user's own process: opening a target with the shell, and the test whether
// the wizard's parent is a relay. Windows only; paths are UTF-8.
#pragma once

#include <string>

namespace zp {

// Asks the shell to "open" `target` with the window shown; failures are
// ignored.
void OpenWithShell(const std::string& target);

// True when the parent of this process is still running, was started before
// it, and runs the same executable file: a relay waiting for this copy. Also
// true when the parent runs as another account, which this process may not
// look into (an administrator's elevated copy of a standard user's relay):
// the hand-over itself then finds out.
bool IsStartedByRelay();

}  // namespace zp
