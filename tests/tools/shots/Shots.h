// Screenshots for GUI tests run by run-with-shots.sh: the test asks for a
// window's picture, the wrapper takes it with ImageMagick's import.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace zp {

// Saves the picture of the window's client area (the frame is the window
// manager's, and Xvfb has none) as NAME.png in the folder ZP_SHOTS_DIR names,
// calling `pump` while it waits, so the window keeps painting. Does nothing
// when the test runs without the wrapper. False when no picture came.
bool SaveShot(HWND window, const std::string& name, const std::function<void()>& pump);

}  // namespace zp
