#include "wizard/UnitInstall.h"

#include <shellapi.h>
#include <shlobj.h>

#include "base/Errors.h"
#include "base/Strings.h"
#include "engine/RunFiles.h"
#include "engine/RunUtils.h"
#include "engine/SysFolders.h"
#include "linklabel/UniLinkLabel.h"
#include "strings/TextIds.h"
#include "wizard/RelayLink.h"
#include "wizard/res/WizardRes.h"

namespace zp {

namespace {

using K = TControlKind;

// How often the running wizard draws its log and bar and handles its
// messages: often enough to look fluid, seldom enough to cost the run little.
constexpr std::chrono::milliseconds kFrameInterval{50};


// Font 1: page titles; font 2: the welcome and finish titles.
const TFontDesc kFonts[] = {
    {u"Arial", -16, fsBold},
    {u"Arial", -21, 0},
};

// Rows in creation order; pages are 513 x 320 above the 48-pixel button bar.
// The header of an inner page: a white band with title, subtitle, picture
// and a separator line at its bottom edge.
#define ZP_HEADER(page, title, subtitle, image, picture)                              \
  {K::ckPanel, page "Header", page, 0, 0, 513, 68, nullptr, 0, clWhite},             \
      {K::ckLabel, title, page "Header", 24, 18, 409, 19, nullptr, coShrink, clParent, 1}, \
      {K::ckLabel, subtitle, page "Header", 24, 38, 417, 13},                        \
      {K::ckImage, image, page "Header", 456, 9, 48, 48, nullptr, coTransparent, clParent, 0, picture}, \
      {K::ckBevel, page "Line", page "Header", 0, 66, 513, 2}

const TControlDesc kInstallerControls[] = {
    // kind             name               parent          x    y    w    h   text, options, colour, font, extra
    {K::ckPanel,        "Panel1",          "",              0, 320, 513,  48},
    {K::ckBevel,        "Bevel1",          "Panel1",        0,   0, 513,   2},
    {K::ckButton,       "BtnPrev",         "Panel1",      255,  13,  75,  25, u"<< Prev"},
    {K::ckButton,       "BtnNext",         "Panel1",      335,  13,  75,  25, u"Next >>", coDefault},
    {K::ckButton,       "BtnCancel",       "Panel1",      423,  13,  75,  25, u"&Cancel", coCancel},

    {K::ckPanel,        "PanelSplash",     "",              0,   0, 513, 320},
    {K::ckPanel,        "PanelSplashImg",  "PanelSplash",   7,   8, 499, 304, nullptr, coBorder, clWhite},
    {K::ckImage,        "ImgSplash",       "PanelSplashImg", 0,  0, 497, 302},

    {K::ckPanel,        "PanelStart",      "",              0,   0, 513, 320, nullptr, 0, clWhite},
    {K::ckPanel,        "Panel5",          "PanelStart",    0,   0, 160, 320, nullptr, 0, clBlack},
    {K::ckImage,        "ImgBanner",       "Panel5",        0,   0, 160, 320, nullptr, coCover, clParent, 2},
    {K::ckPanel,        "PanelInstall",    "PanelStart",  161,   8, 343, 305},
    {K::ckLabel,        "LabelStart1",     "PanelInstall", 16,  24, 321,  73, nullptr, coWrap | coShrink, clParent, 2},
    {K::ckCustom,       "LabelStart2",     "PanelInstall", 16, 104, 313, 169},
    {K::ckPanel,        "PanelFinish",     "PanelStart",  161,   8, 343, 305},
    {K::ckLabel,        "LabelFinish1",    "PanelFinish",  16,  24, 321,  33, nullptr, coWrap | coShrink, clParent, 2},
    {K::ckLabel,        "LabelFinish2",    "PanelFinish",  16,  64, 313,  65, nullptr, coWrap},
    {K::ckCheckBox,     "CheckRun",        "PanelFinish",  16, 136, 305,  17},
    {K::ckComboBox,     "ComboRun",        "PanelFinish",  32, 168, 273,  23, nullptr, 0, clParent, 0, 17},

    {K::ckPanel,        "PanelInfo",       "",              0,   0, 513, 320},
    ZP_HEADER("PanelInfo", "Label7", "Label8", "ImgInfo", IDB_HEADER_INFO),
    {K::ckLabel,        "Label6",          "PanelInfo",    40,  80, 433,  17},
    {K::ckRichEdit,     "RichInfo",        "PanelInfo",    40, 100, 433, 202},

    {K::ckPanel,        "PanelLicense",    "",              0,   0, 513, 320},
    ZP_HEADER("PanelLicense", "Label3", "Label4", "ImgLicense", IDB_HEADER_LICENSE),
    {K::ckLabel,        "Label5",          "PanelLicense", 40,  80, 433,  28, nullptr, coWrap},
    {K::ckRichEdit,     "RichLicense",     "PanelLicense", 40, 116, 433, 149},
    {K::ckRadioButton,  "RadioAccept",     "PanelLicense", 40, 274, 433,  17, nullptr, coGroup},
    {K::ckRadioButton,  "RadioNotAccept",  "PanelLicense", 40, 292, 433,  17},

    {K::ckPanel,        "PanelFolder",     "",              0,   0, 513, 320},
    ZP_HEADER("PanelFolder", "Label10", "Label11", "ImgFolder", IDB_HEADER_FOLDER),
    {K::ckLabel,        "Label9",          "PanelFolder",  40,  80, 433,  41, nullptr, coWrap},
    {K::ckCheckListBox, "ListMetaTrader",  "PanelFolder",  40, 128, 433, 145, nullptr, 0, clParent, 0, 17},
    {K::ckSpeedButton,  "BtnAddMetaTrader", "PanelFolder", 40, 280, 177,  28, nullptr, 0, clParent, 0, IDB_ADD_FOLDER},

    {K::ckPanel,        "PanelReady",      "",              0,   0, 513, 320},
    ZP_HEADER("PanelReady", "Label13", "Label14", "ImgReady", IDB_HEADER_READY),
    {K::ckLabel,        "Label12",         "PanelReady",   40,  80, 433,  33, nullptr, coWrap},
    {K::ckMemo,         "MemoReady",       "PanelReady",   40, 116, 433, 187, nullptr, 0, clBtnFace},

    {K::ckPanel,        "PanelProgress",   "",              0,   0, 513, 320},
    ZP_HEADER("PanelProgress", "LabelProgress1", "LabelProgress2", "ImgProgress", IDB_HEADER_PROGRESS),
    {K::ckLabel,        "LabelProgress3",  "PanelProgress", 40,  80, 433,  17},
    {K::ckProgressBar,  "ProgressBar1",    "PanelProgress", 40, 104, 433,  17},
    {K::ckLog,          "MemoProgress",    "PanelProgress", 40, 136, 433, 167},

    {K::ckPanel,        "PanelNews",       "",              0,   0, 513, 320},
    ZP_HEADER("PanelNews", "Label2", "Label22", "ImgNews", IDB_HEADER_NEWS),
    {K::ckLabel,        "Label1",          "PanelNews",    40,  80, 433,  17},
    {K::ckRichEdit,     "RichNews",        "PanelNews",    40, 100, 433, 202},
};

#undef ZP_HEADER

// The band of a package without a banner: night blue to a lighter blue.
constexpr TColor kBannerTop = 0x004A2B0A;
constexpr TColor kBannerBottom = 0x00BE7F2F;

const TFormDesc kInstallerForm = {
    u"Install", 513, 368, {u"MS Sans Serif", -11, 0}, clBtnFace, kFonts, sizeof(kFonts) / sizeof(kFonts[0]),
};

const char* const kPagePanels[] = {"PanelSplash", "PanelStart", "PanelInfo", "PanelLicense",
                                   "PanelFolder", "PanelReady", "PanelProgress", "PanelNews"};

// The texts TranslateForm sets, in its order.
const struct {
  const char* Control;
  int32_t Id;
} kCaptions[] = {
    {"Label6", idInfoBody},           {"Label7", idInfoTitle},           {"Label8", idInfoSubtitle},
    {"Label5", idLicenseBody},        {"Label3", idLicenseTitle},        {"Label4", idLicenseSubtitle},
    {"RadioAccept", idAccept},        {"RadioNotAccept", idNotAccept},   {"Label9", idFolderBody},
    {"Label10", idFolderTitle},       {"Label11", idFolderSubtitle},     {"Label12", idReadyBody},
    {"Label13", idReadyTitle},        {"Label14", idReadySubtitle},      {"LabelProgress3", idProgressBody},
    {"LabelProgress1", idProgressTitle}, {"LabelProgress2", idProgressSubtitle}, {"Label1", idNewsBody},
    {"Label2", idNewsTitle},          {"Label22", idNewsSubtitle},       {"LabelFinish1", idFinishTitle},
    {"CheckRun", idRunTerminal},
};

// The name of the temporary copy: the local time as yyyymmddhhnnsszzz.
std::string TimeStampName() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return TimeStampText({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds}) +
         ".dat";
}

std::string NameVersion(const TZpData& data) {
  return data.ProgramName + " v" + std::to_string(data.VersionMajor) + "." + std::to_string(data.VersionMinor);
}

// Selects the start folder once the browser is up.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

bool BrowseForFolder(HWND owner, const std::u16string& title, const std::u16string& start, std::u16string& folder) {
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = W(title);
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = &BrowseCallback;
  info.lParam = PathExists(WideToUtf8(start)) ? reinterpret_cast<LPARAM>(W(start)) : 0;
  // A drive without a disk must not raise the system's own error box.
  const UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
  SetErrorMode(errorMode);
  if (!list) return false;
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(list, path) && path[0];
  CoTaskMemFree(list);
  if (ok) folder = FromW(path);
  return ok;
}

}  // namespace

// ---- Creation and destruction ----

TFormInstaller::TFormInstaller(TApplication& application, TWizardServices services)
    : TForm(application), services_(std::move(services)) {
  if (!services_.ShowMessage)
    services_.ShowMessage = [this](const std::u16string& text, TMessageKind kind) {
      MessageDlg(Handle(), text, kind == TMessageKind::Error ? TMsgDlgType::mtError : TMsgDlgType::mtWarning);
    };
  if (!services_.ShellOpen)
    services_.ShellOpen = [](const std::string& target) {
      ShellExecuteW(nullptr, L"open", WStr(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
  if (!services_.BrowseFolder)
    services_.BrowseFolder = [this](const std::u16string& title, const std::u16string& start, std::u16string& folder) {
      return BrowseForFolder(Handle(), title, start, folder);
    };
  if (!services_.TerminalRoots) services_.TerminalRoots = [] { return TTerminalRoots::System(); };
  if (!services_.LoadPackage)
    services_.LoadPackage = [](TZpData& data, const std::string& path) { data.LoadFromFile(path); };

  Build(kInstallerForm, kInstallerControls, sizeof(kInstallerControls) / sizeof(kInstallerControls[0]), services_.Dpi);
  On("BtnNext", &TFormInstaller::BtnNextClick);
  On("BtnPrev", &TFormInstaller::BtnPrevClick);
  On("BtnCancel", &TFormInstaller::BtnCancelClick);
  On("RadioAccept", &TFormInstaller::RadioAcceptClick);
  On("RadioNotAccept", &TFormInstaller::RadioAcceptClick);
  On("BtnAddMetaTrader", &TFormInstaller::BtnAddMetaTraderClick);
  FormCreate();
}

TFormInstaller::~TFormInstaller() { FormDestroy(); }

std::unique_ptr<TComponent> TFormInstaller::CreateCustom(const TControlDesc&, const TControlCreateArgs& args) {
  TLinkLabelCreateArgs label;
  static_cast<TControlCreateArgs&>(label) = args;
  label.LinkColor = 0x00FF0000;         // blue
  label.LinkColorClicked = 0x000000FF;  // red
  label.LinkColorHot = 0x00800080;      // purple
  label.LinkStyle = fsUnderline;
  label.HotLinks = false;
  label.AutoHeight = true;
  label.MarginWidth = 0;
  label.MarginHeight = 0;
  label.Transparent = false;
  label.OnLinkClick = [this](TUniCustomLinkLabel& sender, int32_t number, const std::u16string& text) {
    LabelStart2LinkClick(sender, number, text);
  };
  return std::make_unique<TUniLinkLabel>(label);
}

void TFormInstaller::FormCreate() {
  UseRelay = true;
  exePath_ = services_.ExePath.empty() ? OwnExecutablePath() : services_.ExePath;
  uninstallMode_ = SameTextAscii(ExtractFileName(exePath_), "Uninstall.exe");
  Find<TRadioButton>("RadioNotAccept").SetChecked(true);
  packageLoaded_ = uninstallMode_ ? SetupUninstall(exePath_) : SetupInstall(exePath_);
  if (!packageLoaded_) return;  // the program is already ending
  FitLabels();
  pageIndex_ = -1;
  BtnNextClick(*this);
}

void TFormInstaller::FormDestroy() {
  if (installData_ && packageLoaded_) {
    try {
      installData_->RunStage(esWizardClose);
    } catch (const std::exception& e) {
      Message(Utf8ToWide(e.what()), TMessageKind::Error);
      Application().Terminate(1);  // the program ends on this box
    }
  }
}

bool TFormInstaller::LoadData(TZpData& data, const std::string& exe, const std::u16string& failure) {
  try {
    try {
      services_.LoadPackage(data, exe);
    } catch (const EOSError&) {
      // The file cannot be opened (a network share, say): read a local copy,
      // made new in a folder that nothing of lower rights can change.
      ownCopy_ = std::make_unique<TPrivateFolder>();
      const std::string copy = ownCopy_->Path() + "\\" + TimeStampName();
      if (!CopyFileW(W(WidePath(exe)), W(WidePath(copy)), TRUE)) RaiseLastOSError(exe);
      services_.LoadPackage(data, copy);
    }
    // No product name: the file carries no data set of ours (the loader
    // reads a missing one as empty), or a damaged one.
    if (data.ProgramName.empty()) throw EZpError("No package");
    return true;
  } catch (const std::exception&) {
    // Unreadable, or damaged past what the loader tolerates.
    return Fail(failure);
  }
}

bool TFormInstaller::SetupInstall(const std::string& exe) {
  installData_ = std::make_unique<TZpInstall>();
  TZpInstall& data = *installData_;
  if (!LoadData(data, exe, data.GetText(idCannotReadInstaller))) return false;
  try {
    SetupTexts(data, idInstallCaption, idWelcomeTitle, idWelcomeText);
    Find<TLabel>("LabelFinish2").SetText(data.GetText(idFinishText, data.ProgramName));
    if (!data.Splash.Empty()) Find<TImage>("ImgSplash").LoadPixels(data.Splash.Pixels());
    if (!data.Readme.empty()) LoadRichText("RichInfo", data.Readme);
    LoadRichText("RichLicense", data.License);
    if (!data.WhatsNew.empty()) LoadRichText("RichNews", data.WhatsNew);
  } catch (const std::exception&) {
    // A picture that does not decode, a text the controls refuse: damaged.
    return Fail(data.GetText(idCannotReadInstaller));
  }
  pages_ = InstallPages(!data.Splash.Empty(), !data.Readme.empty(), !data.WhatsNew.empty());
  try {
    data.RunStage(esWizardStart);
  } catch (const std::exception& e) {
    Message(Utf8ToWide(e.what()), TMessageKind::Error);
  }
  return true;
}

bool TFormInstaller::SetupUninstall(const std::string& exe) {
  uninstallData_ = std::make_unique<TZpUninstall>();
  TZpUninstall& data = *uninstallData_;
  if (!LoadData(data, exe, data.GetText(idCannotReadUninstaller, ExtractFilePath(exe)))) return false;
  try {
    SetupTexts(data, idUninstallCaption, idUninstallWelcomeTitle, idUninstallWelcomeText);
    Find<TLabel>("LabelFinish1").SetText(Text(idUninstallFinishTitle));
    Find<TLabel>("LabelFinish2").SetText(data.GetText(idUninstallFinishText, data.ProgramName));
    Find<TCheckBox>("CheckRun").SetVisible(false);
    Find<TComboBox>("ComboRun").SetVisible(false);
    Find<TLabel>("LabelProgress1").SetText(Text(idUninstallProgressTitle));
    Find<TLabel>("LabelProgress2").SetText(Text(idUninstallProgressSubtitle));
    Find<TLabel>("LabelProgress3").SetText(Text(idUninstallProgressBody));
  } catch (const std::exception&) {
    return Fail(data.GetText(idCannotReadUninstaller, ExtractFilePath(exe)));
  }
  pages_ = UninstallPages();
  return true;
}

// What both modes show alike: the translated captions, the window caption
// (also the taskbar text), the welcome texts and the banner.
void TFormInstaller::SetupTexts(const TZpData& data, int32_t caption, int32_t welcomeTitle, int32_t welcomeText) {
  // Texts in an East Asian script get a face that has their glyphs, at 9
  // points at least, the size their strokes need.
  const std::u16string face = EastAsianFace(data.GetText(welcomeTitle, "") + data.GetText(idNext));
  if (!face.empty()) SetFontFace(face, Scale(12));
  TranslateForm(data);
  SetCaption(Utf8ToWide(data.ProgramName + " - ") + Text(caption));
  Find<TLabel>("LabelStart1").SetText(data.GetText(welcomeTitle, NameVersion(data)));
  Find<TUniLinkLabel>("LabelStart2").SetCaption(data.GetText(welcomeText, NameVersion(data)));
  TImage& banner = Find<TImage>("ImgBanner");
  if (!data.Banner.Empty())
    banner.LoadPixels(data.Banner.Pixels());
  else
    banner.SetGradient(kBannerTop, kBannerBottom, Utf8ToWide(data.ProgramName));
}

bool TFormInstaller::Fail(const std::u16string& message) {
  Message(message, TMessageKind::Error);
  Application().Terminate(1);
  return false;
}

void TFormInstaller::TranslateForm(const TZpData& data) {
  Find<TButton>("BtnNext").SetText(data.GetText(idNext) + u" >>");
  Find<TButton>("BtnPrev").SetText(u"<< " + data.GetText(idPrev));
  Find<TButton>("BtnCancel").SetText(data.GetText(idCancel));
  for (const auto& caption : kCaptions) FindComponent(caption.Control)->SetText(data.GetText(caption.Id));
  Find<TSpeedButton>("BtnAddMetaTrader").SetText(u" " + data.GetText(idAddFolder));
}

void TFormInstaller::LoadRichText(const std::string& viewer, const std::string& text) {
  Find<TRichEdit>(viewer).LoadText(text);
}

// ---- Navigation ----

void TFormInstaller::BtnNextClick(TComponent&) {
  if (!CanLeavePage() || pageIndex_ + 1 >= static_cast<int>(pages_.size())) return;
  ++pageIndex_;
  ShowPage(pages_[static_cast<size_t>(pageIndex_)]);
}

void TFormInstaller::BtnPrevClick(TComponent&) {
  if (pageIndex_ <= 0) return;
  --pageIndex_;
  ShowPage(pages_[static_cast<size_t>(pageIndex_)]);
}

bool TFormInstaller::CanLeavePage() {
  if (pageIndex_ == 0 && IsTerminalRunning()) Message(Text(idTerminalRunning), TMessageKind::Error);
  return true;
}

void TFormInstaller::ShowPage(TPage page) {
  const bool accepted = Find<TRadioButton>("RadioAccept").Checked();
  ApplyPageRules(buttons_, pages_, pageIndex_, accepted, runDone_);
  TButton& cancel = Find<TButton>("BtnCancel");
  if (pageIndex_ == 0 || pageIndex_ == static_cast<int>(pages_.size()) - 1) {
    cancel.SetText(Text(buttons_.FinishMode ? idFinish : idCancel));
    cancel.Tag = buttons_.FinishMode ? 1 : 0;
    Find<TPanel>(buttons_.FinishInFront ? "PanelFinish" : "PanelInstall").SetVisible(true);
    Find<TPanel>(buttons_.FinishInFront ? "PanelInstall" : "PanelFinish").SetVisible(false);
  }
  if (page == TPage::Folder && !terminalsListed_) FillTerminals();
  if (page == TPage::Ready) FillReadySummary();
  Find<TButton>("BtnPrev").SetEnabled(buttons_.PrevEnabled);
  Find<TButton>("BtnNext").SetEnabled(buttons_.NextEnabled);
  cancel.SetEnabled(buttons_.CancelEnabled);
  ShowPanel(page);
  if (page == TPage::Progress) {
    Repaint();
    if (!runDone_) {
      if (uninstallMode_)
        RunUninstall();
      else
        RunInstall();
    }
  }
  // Keep the keyboard on a button that can take it.
  HWND focus = GetFocus();
  if (!focus || !IsWindowEnabled(focus) || !IsWindowVisible(focus)) {
    for (const char* name : {"BtnNext", "BtnCancel", "BtnPrev"}) {
      TButton& button = Find<TButton>(name);
      if (button.Enabled()) {
        SetFocus(button.Handle());
        break;
      }
    }
  }
}

// Only the page in front is visible, so that Tab never reaches the controls
// of the pages behind it.
void TFormInstaller::ShowPanel(TPage page) {
  TComponent& front = PagePanel(page);
  front.SetVisible(true);
  front.BringToFront();
  for (const char* name : kPagePanels) {
    TComponent* panel = FindComponent(name);
    if (panel != &front) panel->SetVisible(false);
  }
}

TComponent& TFormInstaller::PagePanel(TPage page) const {
  return *FindComponent(kPagePanels[static_cast<int>(page)]);
}

void TFormInstaller::RadioAcceptClick(TComponent&) {
  Find<TButton>("BtnNext").SetEnabled(Find<TRadioButton>("RadioAccept").Checked());
}

// ---- The terminal page ----

namespace {

class TCheckListTerminals : public ITerminalList {
public:
  explicit TCheckListTerminals(TCheckListBox& list) : list_(list) {}
  void Clear() override { list_.Clear(); }
  void AddTerminal(const std::string& folder, bool checked) override { list_.AddChecked(Utf8ToWide(folder), checked); }

private:
  TCheckListBox& list_;
};

}  // namespace

void TFormInstaller::FillTerminals() {
  TCheckListTerminals list(Find<TCheckListBox>("ListMetaTrader"));
  FindTerminals(list, installData_->Translations, services_.ShowMessage, services_.TerminalRoots());
  terminalsListed_ = true;
}

void TFormInstaller::BtnAddMetaTraderClick(TComponent&) {
  const std::u16string start = Utf8ToWide(GetSpecialFolder(TSpecialFolder::ProgramFiles));
  std::u16string folder;
  bool chosen = false;
  {
    // The form takes no input while the browser is up, however it ends.
    struct TEnableAgain {
      HWND Window;
      ~TEnableAgain() { EnableWindow(Window, TRUE); }
    } enableAgain{Handle()};
    EnableWindow(Handle(), FALSE);
    chosen = services_.BrowseFolder(Text(idSelectFolder), start, folder) && !folder.empty();
  }
  if (chosen) Find<TCheckListBox>("ListMetaTrader").AddChecked(folder, true);
}

// ---- The ready page ----

void TFormInstaller::FillReadySummary() {
  const TZpInstall& data = *installData_;
  const std::u16string indent = u"        ";
  std::vector<std::u16string> lines;
  lines.push_back(Text(idSummaryProgram));
  std::u16string product = indent + Utf8ToWide(NameVersion(data));
  if (data.Build > 0) product += u" " + Text(idSummaryBuild) + u" " + Utf8ToWide(std::to_string(data.Build));
  if (data.Release > 0) product += u" " + Text(idSummaryRelease) + u" " + Utf8ToWide(std::to_string(data.Release));
  lines.push_back(product);
  lines.push_back(u"");
  lines.push_back(Text(idSummaryTargets));
  TCheckListBox& list = Find<TCheckListBox>("ListMetaTrader");
  for (int i = 0; i < list.Count(); ++i) {
    if (!list.Checked(i)) continue;
    lines.push_back(indent + list.Item(i));
    lines.push_back(indent + Text(idSummaryDataFolder) + u" " + Utf8ToWide(GetDataFolder(WideToUtf8(list.Item(i)))));
  }
  lines.push_back(u"");
  lines.push_back(Text(idSummaryProgramFolder));
  lines.push_back(indent + Utf8ToWide(GetSpecialFolder(TSpecialFolder::ProgramFiles, true) + data.ProgramName));
  lines.push_back(u"");
  lines.push_back(Text(idSummaryStartMenu));
  lines.push_back(indent + Utf8ToWide(data.ProgramName));
  Find<TMemo>("MemoReady").SetLines(lines);
}

// ---- The run ----

void TFormInstaller::RunInstall() {
  TZpInstall& data = *installData_;
  TComboBox& combo = Find<TComboBox>("ComboRun");
  combo.Clear();
  TCheckListBox& list = Find<TCheckListBox>("ListMetaTrader");
  data.Targets.clear();
  for (int i = 0; i < list.Count(); ++i) {
    if (!list.Checked(i)) continue;
    // Exactly the folder the list shows, whatever its characters.
    data.Targets.push_back(WideToUtf8(list.Item(i)));
    if (PathExists(data.Targets.back() + "\\terminal.exe")) combo.Add(list.Item(i));
  }
  data.OnWaiting = [this] { NextFrame(); };
  RunGuarded(data);
  if (!runDone_) return;
  TCheckBox& check = Find<TCheckBox>("CheckRun");
  if (combo.Count() == 0) {
    check.SetChecked(false);
    check.SetVisible(false);
    combo.SetVisible(false);
  } else {
    check.SetChecked(true);
    combo.SetItemIndex(0);
  }
}

void TFormInstaller::RunUninstall() { RunGuarded(*uninstallData_); }

// Runs the engine. A failure that leaves the run is shown in a box and as
// the log's last line; Cancel stays as the way out, the run is not retried.
void TFormInstaller::RunGuarded(TZpData& data) {
  data.OnProgress = [this](TZpData& sender, const std::u16string& text, int percent) {
    ProgressEvent(sender, text, percent);
  };
  running_ = true;
  try {
    data.Run();
  } catch (const std::exception& e) {
    running_ = false;
    FlushLog();
    const std::u16string message = Utf8ToWide(e.what());
    Find<TLogView>("MemoProgress").Add(message);
    Find<TButton>("BtnCancel").SetEnabled(true);
    Message(message, TMessageKind::Error);
    return;
  }
  running_ = false;
  FlushLog();
  Find<TProgressBar>("ProgressBar1").SetPosition(100);
  runDone_ = true;
  Find<TButton>("BtnNext").SetEnabled(true);
  SetFocus(Find<TButton>("BtnNext").Handle());
}

// A run reports thousands of lines a second: drawing each of them would
// cost more than the run itself. The lines are collected and drawn with the
// bar once per frame, in the order and with the text they came in.
void TFormInstaller::ProgressEvent(TZpData&, const std::u16string& text, int percent) {
  if (logPending_) pendingLog_ += u"\r\n";
  pendingLog_ += text;
  logPending_ = true;
  percent_ = percent;
  // Outside the run (the programs of the closing window) a line goes in at
  // once, and no messages are handled for it.
  if (!running_)
    FlushLog();
  else if (std::chrono::steady_clock::now() - lastFrame_ >= kFrameInterval)
    NextFrame();
}

void TFormInstaller::FlushLog() {
  if (logPending_) Find<TLogView>("MemoProgress").Add(pendingLog_);
  pendingLog_.clear();
  logPending_ = false;
  Find<TProgressBar>("ProgressBar1").SetPosition(percent_);
}

void TFormInstaller::NextFrame() {
  FlushLog();
  Application().ProcessMessages();
  lastFrame_ = std::chrono::steady_clock::now();
}

// The close box does nothing while the run is in progress: the run owns the
// engine and the form until it returns.
bool TFormInstaller::CloseQuery() { return !running_; }

// ---- Finishing and targets ----

void TFormInstaller::BtnCancelClick(TComponent&) {
  if (Find<TButton>("BtnCancel").Tag == 1) {
    if (uninstallMode_) {
      StartSelfRemoval(exePath_, true);
    } else {
      TCheckBox& check = Find<TCheckBox>("CheckRun");
      const std::u16string terminal = Find<TComboBox>("ComboRun").Text();
      if (check.Checked() && !terminal.empty()) OpenTarget(WideToUtf8(terminal + u"\\terminal.exe"));
    }
  }
  Close();
}

void TFormInstaller::LabelStart2LinkClick(TUniCustomLinkLabel&, int32_t, const std::u16string& linkText) {
  const std::string target = WideToUtf8(linkText);
  OpenTarget(target.find('@') != std::string::npos ? "mailto:" + target : target);
}

void TFormInstaller::OpenTarget(const std::string& target) {
  // Without a relay to take it (it was ended from outside), the target is
  // still opened, here.
  if (UseRelay && SendToRelay(Handle(), Utf8ToWide(target))) return;
  services_.ShellOpen(target);
}

void TFormInstaller::Message(const std::u16string& text, TMessageKind kind) { services_.ShowMessage(text, kind); }

std::u16string TFormInstaller::Text(int32_t id) const { return Data().GetText(id); }

TZpData& TFormInstaller::Data() const {
  if (installData_) return *installData_;
  return *uninstallData_;
}

}  // namespace zp
