// The application object of a GUI process: COM for the GUI thread, the main
// form and the message loop with dialog navigation (Tab, Enter on the default
// button, Esc, Alt+accelerators). The main form is a top-level window of its
// own, so its caption is the process's taskbar text.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

namespace zp {

class TForm;

class TApplication {
public:
  // Initialises COM for this thread (the destructor releases it) and the
  // common controls.
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Off: Run never shows the main form (a hidden relay window).
  bool ShowMainForm = true;

  TForm* MainForm() const { return mainForm_; }
  // The form whose closing ends Run.
  void SetMainForm(TForm& form) { mainForm_ = &form; }

  // Shows the main form (unless ShowMainForm is off) and dispatches messages
  // until the main form is closed or Terminate is called; returns the exit code.
  int Run();
  // Ends Run after the current message with `exitCode`. Once ended, a
  // non-zero code still replaces the exit code (a failure while closing).
  void Terminate(int exitCode = 0);
  bool Terminated() const { return terminated_; }
  int ExitCode() const { return exitCode_; }

  // Dispatches every pending message, then returns (also used while the
  // engine waits for a program it started).
  void ProcessMessages();

  // The main form told us it was closed.
  void MainFormClosed();

private:
  void ProcessMessage(MSG& message);

  TForm* mainForm_ = nullptr;
  bool comInitialized_ = false;
  bool terminated_ = false;
  int exitCode_ = 0;
};

// A timer that ticks on the GUI thread while the message loop runs. The
// handler runs with the timer still enabled unless it disables it.
class TTimer {
public:
  TTimer();
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  UINT Interval() const { return interval_; }
  void SetInterval(UINT milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  std::function<void(TTimer& sender)> OnTimer;

private:
  class TTimerWindow;
  void Update();

  UINT interval_ = 1000;
  bool enabled_ = false;
  std::unique_ptr<TTimerWindow> window_;
};

}  // namespace zp
