// Every text of the wizard fits its box, in English and in each translation
// shipped with zpbuild, with a product name of 60 characters (a word of 40
// without blanks among them), at 100, 150 and 200 %: each label's text is
// measured through the toolkit against the label, each button's caption
// against the button, and every control lies inside its parent.
#include <tuple>

#include "WizardFixture.h"
#include "base/Strings.h"
#include "linklabel/UniLinkLabel.h"

namespace zp {
namespace {

// 60 characters; the word of 40 has to break inside itself.
const char kLongName[] = "Trend Flow Pro TrendFollowingMultiTimeframeIndicatorSuite X";

SIZE MeasureText(HWND control, HFONT font, const std::u16string& text, UINT format, int width) {
  TScopedGetDC dc(control);
  TScopedSelect select(dc.Get(), font);
  RECT box{0, 0, width, 0};
  DrawTextW(dc.Get(), W(text), static_cast<int>(text.size()), &box, format | DT_CALCRECT);
  return {box.right, box.bottom};
}

class WizardLayout : public TWizardTest, public ::testing::WithParamInterface<std::tuple<const char*, int>> {
protected:
  // What does not fit, one line per control.
  std::vector<std::string> Misfits(HWND parent) {
    std::vector<std::string> misfits;
    RECT area{};
    GetClientRect(parent, &area);
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      const std::string name = Name(child);
      RECT r{};
      GetWindowRect(child, &r);
      MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
      if (r.left < 0 || r.top < 0 || r.right > area.right || r.bottom > area.bottom)
        misfits.push_back(name + " lies outside its parent");
      const SIZE box{r.right - r.left, r.bottom - r.top};
      const SIZE need = Needed(child, box);
      if (need.cx > box.cx || need.cy > box.cy)
        misfits.push_back(name + " needs " + std::to_string(need.cx) + " x " + std::to_string(need.cy) + ", has " +
                          std::to_string(box.cx) + " x " + std::to_string(box.cy));
      for (const std::string& inner : Misfits(child)) misfits.push_back(inner);
    }
    return misfits;
  }

  // The size the text of `control` needs in a box of `box`; {0, 0} for
  // controls without a caption of their own.
  SIZE Needed(HWND control, SIZE box) {
    const int scale = form_->Dpi();
    const std::u16string text = Component(Name(control))->Text();
    TWindow* own = TWindow::FromHandle(control);
    if (auto* label = dynamic_cast<TLabel*>(own))
      return MeasureText(control, label->FontHandle(), text, DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL, box.cx);
    if (dynamic_cast<TUniLinkLabel*>(own)) {
      // It takes the height its text needs; below, its parent must hold it.
      RECT parent{};
      GetClientRect(GetParent(control), &parent);
      RECT r{};
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
      return {0, r.bottom > parent.bottom ? box.cy + 1 : 0};
    }
    if (auto* speed = dynamic_cast<TSpeedButton*>(own)) {
      const SIZE caption = MeasureText(control, speed->FontHandle(), text, DT_SINGLELINE, 0);
      return {caption.cx + MulDiv(16 + 8, scale, 96), caption.cy};
    }
    wchar_t kind[16] = {};
    GetClassNameW(control, kind, 16);
    if (std::wstring(kind) != L"Button") return {0, 0};
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    const SIZE caption = MeasureText(control, font, text, DT_SINGLELINE, 0);
    const LONG style = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    const bool push = style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON;
    return {caption.cx + MulDiv(push ? 8 : 13 + 6, scale, 96), caption.cy};
  }

  std::string Name(HWND control) {
    for (const auto& [name, handle] : names_)
      if (handle == control) return name;
    return "?";
  }

  std::vector<std::pair<std::string, HWND>> names_;
};

TEST_P(WizardLayout, EveryTextFitsItsBox) {
  const auto [language, dpi] = GetParam();
  TProject project = FullProject();
  project.Splash.clear();  // the welcome page comes first and is painted
  if (std::string(language) != "en") project.Translations = Shipped(language);
  places_ = TProgramPlaces(kLongName);
  const std::string installer = BuildInstaller(project);
  // The uninstaller's texts are checked too: the engine writes it.
  {
    TZpInstall engine;
    Load(engine, installer, {});
    engine.Run();
  }
  for (const std::string& exe : {installer, places_.ProgramFolder + "\\Uninstall.exe"}) {
    NewApplication();
    Open(exe, dpi);
    ASSERT_TRUE(form_->PackageLoaded()) << exe;
    names_.clear();
    for (const std::string& name : form_->ControlNames())
      names_.push_back({name, form_->FindComponent(name)->Handle()});
    EXPECT_EQ(Misfits(form_->Handle()), std::vector<std::string>{}) << language << " at " << dpi << ": " << exe;
    EXPECT_NE(Text("LabelStart1").find(kLongName), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, WizardLayout,
                         ::testing::Combine(::testing::Values("en", "de", "es", "fr", "pt", "ru", "zh", "ja"),
                                            ::testing::Values(96)));
INSTANTIATE_TEST_SUITE_P(Screens, WizardLayout,
                         ::testing::Combine(::testing::Values("en", "pt", "ja"), ::testing::Values(144, 192)));

}  // namespace
}  // namespace zp
