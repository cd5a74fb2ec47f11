// The relay's side of the hand-over between the elevated wizard and the
// user's own process: the work folder, the command file and the test whether
// the wizard's parent is a relay. Windows only; paths are UTF-8.
#pragma once

#include <functional>
#include <string>

#include "engine/SysFolders.h"  // GetWorkFolder, CommandFilePath

namespace zp {

// The longest first line that is taken as a target; a longer one is nothing
// the shell can open and is dropped like a blank line.
constexpr size_t kMaxTargetLength = 32767;

// The bytes of the file's first line (up to its first CR or LF), at most
// kMaxTargetLength + 1 of them. The file is opened for reading with
// read-sharing only, so a file that a writer still holds open is not read.
// Raises EOSError when it cannot be opened or read.
std::string ReadFirstLine(const std::string& path);

using TOpenTarget = std::function<void(const std::string& target)>;

// One look at the command file. When a file (or folder) of that path exists:
// read its first line, trim it, hand it to `open` unless it is empty, then
// delete the file. Every error is swallowed; an error before the deletion
// (the file could not be read, `open` threw) keeps the file for the next look.
void RelayCommandStep(const std::string& commandFile, const TOpenTarget& open) noexcept;

// Asks the shell to "open" `target` with the window shown; failures are
// ignored.
void OpenWithShell(const std::string& target);

// True when the parent of this process is still running, was started before
// it, and runs the same executable file: a relay waiting for this copy.
bool IsStartedByRelay();

}  // namespace zp
