#include "wizard/WizardPages.h"

#include <cstddef>

namespace zp {

std::vector<TPage> InstallPages(bool splash, bool readme, bool whatsNew) {
  std::vector<TPage> pages;
  if (splash) pages.push_back(TPage::Splash);
  pages.push_back(TPage::Start);
  if (readme) pages.push_back(TPage::Info);
  for (TPage page : {TPage::License, TPage::Folder, TPage::Ready, TPage::Progress}) pages.push_back(page);
  if (whatsNew) pages.push_back(TPage::News);
  pages.push_back(TPage::Start);
  return pages;
}

std::vector<TPage> UninstallPages() { return {TPage::Start, TPage::Progress, TPage::Start}; }

void ApplyPageRules(TButtonStates& states, const std::vector<TPage>& pages, int index, bool licenseAccepted,
                    bool runDone) {
  const int last = static_cast<int>(pages.size()) - 1;
  states.PrevEnabled = index > 0;
  states.NextEnabled = index < last;
  if (index == 0) {
    states.FinishInFront = false;
    states.FinishMode = false;
  } else if (index == last) {
    states.FinishInFront = true;
    states.FinishMode = true;
    states.CancelEnabled = true;
  }
  const TPage page = pages[static_cast<std::size_t>(index)];
  if (page == TPage::License && !licenseAccepted) states.NextEnabled = false;
  if (page == TPage::Progress) {
    states.NextEnabled = runDone;
    states.PrevEnabled = false;
    states.CancelEnabled = false;
  }
}

}  // namespace zp
