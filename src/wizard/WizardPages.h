// The wizard's page list and button rules, apart from any window: which
// pages a package needs, and what Prev, Next and Cancel allow on each.
#pragma once

#include <vector>

namespace zp {

// The page panels. The welcome and finish pages are one panel (Start) with
// two sub-panels, so Start appears twice in a page list.
enum class TPage { Splash, Start, Info, License, Folder, Ready, Progress, News };

// [splash], welcome, [information], licence, terminals, ready, progress,
// [What's New], finish.
std::vector<TPage> InstallPages(bool splash, bool readme, bool whatsNew);
// welcome, progress, finish.
std::vector<TPage> UninstallPages();

// The state of the three buttons. Cancel's caption follows FinishMode.
struct TButtonStates {
  bool PrevEnabled = false;
  bool NextEnabled = false;
  bool CancelEnabled = true;
  bool FinishMode = false;      // Cancel reads "Finish" and finishes
  bool FinishInFront = false;   // the finish sub-panel is shown on Start
};

// Applies the rules of showing pages[index]: Prev from the second page on,
// Next up to the last but one; the first page puts Cancel back to normal,
// the last switches it to finish mode; the licence page needs the accept
// choice; the progress page holds every button until the run is done.
// What a page does not change (Cancel between progress and finish) is kept.
void ApplyPageRules(TButtonStates& states, const std::vector<TPage>& pages, int index, bool licenseAccepted,
                    bool runDone);

}  // namespace zp
