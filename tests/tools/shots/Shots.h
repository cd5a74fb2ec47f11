// Screenshots for GUI tests under wine: ImageMagick's import, started on the
// host by the test itself (wine starts Linux programs too).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace zp {

// The bytes of a host file named by its Unix path ("" when it cannot be read).
std::string ReadHostFile(const std::string& unixPath);

// Runs a shell script as a process of the host and waits for it, calling
// `pump` meanwhile so the windows keep painting. Wine starts such a program
// without a handle to wait on, so the script's last act is to write its exit
// status beside itself. Raises std::runtime_error when it fails or hangs.
void RunHostScript(const std::string& unixPath, const std::string& script, const std::function<void()>& pump);

// Saves the picture of the window's client area (the frame is the window
// manager's, and Xvfb has none) as NAME.png in the folder that ZP_SHOTS_DIR
// names. Does nothing when it is unset; false when no picture came.
bool SaveShot(HWND window, const std::string& name, const std::function<void()>& pump);

}  // namespace zp
