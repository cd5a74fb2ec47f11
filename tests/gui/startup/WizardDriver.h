// Drives a wizard window of another process as a user would: it clicks where
// the window's layout puts the controls (the wizard's pages lie on top of
// each other, so what a point hits is what the user sees there) and reads
// what the controls show through their window messages. Boxes that the
// wizard shows are read and closed with OK.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace zp {

struct TDriveOptions {
  // Click the first link of the welcome text once.
  bool ClickLink = false;
  // Screenshots (through the shots wrapper) named PREFIX-NN-page.
  std::string ShotPrefix = "wizard";
  // Untick "start the terminal" on the finish page.
  bool NoTerminal = false;
  // Told every page, box and log line as it comes.
  std::function<void(const std::string& line)> Say;
};

struct TDriveResult {
  std::vector<std::string> Pages;     // the title of each page passed ("Welcome", ...)
  std::vector<std::string> Boxes;     // texts of the boxes met
  std::vector<std::string> Log;       // the progress page's lines
  bool Finished = false;              // Finish was pressed
};

// The visible wizard window (client 513 x 368) of any process but this one;
// null when none appeared within `timeoutMs`.
HWND WaitForWizard(DWORD timeoutMs);

// Walks from the page shown to Finish: accepts the licence, keeps the
// terminals as offered, records the log, presses Finish.
TDriveResult DriveWizard(HWND form, const TDriveOptions& options);

}  // namespace zp
