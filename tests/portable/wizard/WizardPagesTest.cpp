// The page lists and the button rules of every page, as a user walks them.
#include <gtest/gtest.h>

#include <string>

#include "wizard/WizardPages.h"

namespace zp {
namespace {

// Prev, Next, Cancel enabled and Cancel's mode, e.g. "PNC" or "-N- finish".
std::string Describe(const TButtonStates& s) {
  return std::string(s.PrevEnabled ? "P" : "-") + (s.NextEnabled ? "N" : "-") + (s.CancelEnabled ? "C" : "-") +
         (s.FinishMode ? " finish" : "");
}

TEST(WizardPages, ListsThePagesThePackageNeeds) {
  using P = TPage;
  EXPECT_EQ(InstallPages(false, false, false),
            (std::vector<TPage>{P::Start, P::License, P::Folder, P::Ready, P::Progress, P::Start}));
  EXPECT_EQ(InstallPages(true, true, true), (std::vector<TPage>{P::Splash, P::Start, P::Info, P::License, P::Folder,
                                                                P::Ready, P::Progress, P::News, P::Start}));
  EXPECT_EQ(UninstallPages(), (std::vector<TPage>{P::Start, P::Progress, P::Start}));
}

TEST(WizardPages, ButtonRulesOfAWalkForwardAndBack) {
  const std::vector<TPage> pages = InstallPages(true, false, true);
  // index, licence accepted, run done -> buttons after showing the page
  const struct {
    int Index;
    bool Accepted;
    bool RunDone;
    const char* Buttons;
  } walk[] = {
      {0, false, false, "-NC"},        {1, false, false, "PNC"},        {2, false, false, "P-C"},
      {2, true, false, "PNC"},         {3, true, false, "PNC"},         {4, true, false, "PNC"},
      {5, true, false, "---"},         {5, true, true, "-N-"},          {6, true, true, "PN-"},
      {7, true, true, "P-C finish"},   {6, true, true, "PNC finish"},   {5, true, true, "-N- finish"},
      {6, true, true, "PN- finish"},   {7, true, true, "P-C finish"},
  };
  TButtonStates states;
  for (const auto& step : walk) {
    ApplyPageRules(states, pages, step.Index, step.Accepted, step.RunDone);
    EXPECT_EQ(Describe(states), step.Buttons) << "page " << step.Index;
  }
  EXPECT_TRUE(states.FinishInFront);
  ApplyPageRules(states, pages, 0, true, true);  // the first page puts Cancel back
  EXPECT_EQ(Describe(states), "-NC");
  EXPECT_FALSE(states.FinishInFront);
}

}  // namespace
}  // namespace zp
