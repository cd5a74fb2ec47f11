#include "WizardFixture.h"

#include "base/Strings.h"
#include "package/Streams.h"
#include "shots/Shots.h"
#include "zpbuild/ProjectReader.h"

namespace zp {

namespace {

const char* const kPanels[] = {"PanelSplash", "PanelStart",    "PanelInfo", "PanelLicense",
                               "PanelFolder", "PanelReady", "PanelProgress", "PanelNews"};

std::vector<uint8_t> DemoPicture(const char* name) {
  return ReadFileBytes(HostPath(std::string(ZP_SOURCE_DIR) + "/examples/demo/" + name));
}

}  // namespace

TProject FullProject() {
  TProject project;
  project.VersionMajor = 2;
  project.VersionMinor = 4;
  project.Build = 17;
  project.License = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs16 {\\b Licence.} Use it well.\\par}";
  project.Readme = "Read me first.\r\nSecond line.";
  project.WhatsNew = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs16 New in 2.4: faster.\\par}";
  project.Banner = DemoPicture("banner.jpg");
  project.Splash = DemoPicture("splash.jpg");
  project.Files = {FileRecord("{experts}\\Wizard.ex4", "expert"), FileRecord("{app}\\Read.txt", "read")};
  return project;
}

TWizardTest::TWizardTest() {
  roots_.ProgramFiles = Scratch("ProgramFiles");
  roots_.DriveRoot = Scratch("Drive");
  roots_.AppData = Scratch("AppData");
  CreateDirectoryA(roots_.ProgramFiles.c_str(), nullptr);
  CreateDirectoryA(roots_.DriveRoot.c_str(), nullptr);
}

TWizardTest::~TWizardTest() { Destroy(); }

TFormInstaller& TWizardTest::Open(const std::string& exe, int dpi) {
  TWizardServices services;
  services.Dpi = dpi;
  services.ExePath = exe;
  services.ShowMessage = [this](const std::u16string& text, TMessageKind kind) {
    messages_.push_back({kind, WideToUtf8(text)});
  };
  services.ShellOpen = [this](const std::string& target) { opened_.push_back(target); };
  services.BrowseFolder = [this](const std::u16string&, const std::u16string&, std::u16string& folder) {
    if (browse_.empty()) return false;
    folder = browse_.front();
    browse_.erase(browse_.begin());
    return true;
  };
  services.TerminalRoots = [this] { return roots_; };
  services.LoadPackage = loadPackage_;
  form_ = std::make_unique<TFormInstaller>(*app_, services);
  app_->SetMainForm(*form_);
  form_->UseRelay = false;
  if (form_->PackageLoaded()) {
    form_->Show();
    app_->ProcessMessages();
  }
  return *form_;
}

void TWizardTest::Destroy() {
  form_.reset();
  app_->ProcessMessages();  // takes the quit message of a terminated application
}

void TWizardTest::NewApplication() {
  Destroy();
  app_ = std::make_unique<TApplication>();
}

TComponent* TWizardTest::Component(const std::string& control) const {
  if (control.empty()) return form_.get();
  TComponent* component = form_->FindComponent(control);
  EXPECT_NE(component, nullptr) << control;
  return component;
}

HWND TWizardTest::Handle(const std::string& control) const {
  TComponent* component = Component(control);
  return component ? component->Handle() : nullptr;
}

void TWizardTest::Click(const std::string& control) {
  SendMessageW(Handle(control), BM_CLICK, 0, 0);
  app_->ProcessMessages();
}

void TWizardTest::CloseBox() {
  SendMessageW(form_->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  app_->ProcessMessages();
}

std::string TWizardTest::Text(const std::string& control) const {
  TComponent* component = Component(control);
  return component ? WideToUtf8(component->Text()) : std::string();
}

bool TWizardTest::Enabled(const std::string& control) const { return IsWindowEnabled(Handle(control)) != FALSE; }
bool TWizardTest::Visible(const std::string& control) const { return IsWindowVisible(Handle(control)) != FALSE; }

std::vector<std::string> TWizardTest::Lines(const std::string& memo) const {
  std::vector<std::string> lines;
  if (auto* log = dynamic_cast<TLogView*>(Component(memo))) {
    for (int i = 0; i < log->Count(); ++i) lines.push_back(WideToUtf8(log->Line(i)));
    return lines;
  }
  for (const std::u16string& line : form_->Find<TMemo>(memo).Lines()) lines.push_back(WideToUtf8(line));
  return lines;
}

std::string TWizardTest::PageShown() const {
  for (const char* panel : kPanels)
    if (IsWindowVisible(Handle(panel))) return panel;
  return "";
}

std::vector<std::string> TWizardTest::NextUntil(const std::string& panel, int limit) {
  std::vector<std::string> passed{PageShown()};
  while (passed.back() != panel && limit-- > 0) {
    Click("BtnNext");
    passed.push_back(PageShown());
  }
  return passed;
}

void TWizardTest::Shot(const std::string& name) {
  if (form_) SaveShot(form_->Handle(), name, [this] { app_->ProcessMessages(); });
}

std::vector<TTranslation> TWizardTest::Shipped(const std::string& name) {
  const std::string project = Scratch("lang.toml");
  const std::string text = "[product]\nname = \"x\"\n[translations]\ninclude = \"zpinstall:" + name + "\"\n";
  WriteFileBytes(project, std::vector<uint8_t>(text.begin(), text.end()));
  TLoadOptions options;
  options.TranslationFolders = {HostPath(std::string(ZP_SOURCE_DIR) + "/tools/zpbuild/lang")};
  return LoadProject(project, options).Project.Translations;
}

}  // namespace zp
