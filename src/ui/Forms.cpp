#include "ui/Forms.h"

#include "base/Strings.h"

namespace zp {

namespace {

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

TFont MakeFont(const TFontDesc& desc) {
  TFont font;
  font.Name = desc.Name;
  font.Height = desc.Height;
  font.Style = desc.Style;
  return font;
}

}  // namespace

TForm::~TForm() {
  // Children first, while their parents still exist.
  while (!controls_.empty()) controls_.pop_back();
}

void TForm::Build(const TFormDesc& form, const TControlDesc* rows, size_t count) {
  color_ = form.Color;
  font_ = MakeFont(form.Font);
  RECT bounds{0, 0, form.ClientWidth, form.ClientHeight};
  AdjustWindowRectEx(&bounds, kFormStyle, FALSE, WS_EX_CONTROLPARENT);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);

  TWindowClass windowClass;
  windowClass.Name = u"ZpForm";
  TWindowArgs args;
  args.Style = kFormStyle;
  args.ExStyle = WS_EX_CONTROLPARENT;
  args.Title = form.Caption ? form.Caption : u"";
  args.Left = work.left + (work.right - work.left - width) / 2;
  args.Top = work.top + (work.bottom - work.top - height) / 2;
  args.Width = width;
  args.Height = height;
  CreateHandle(windowClass, args);

  for (size_t i = 0; i < count; ++i) {
    const TControlDesc& row = rows[i];
    if (byName_.count(row.Name)) throw EZpError(std::string("TForm.Build: Duplicate control \"") + row.Name + "\"");
    HWND parent = Handle();
    if (row.Parent[0]) {
      TComponent* owner = FindComponent(row.Parent);
      if (!owner) throw EZpError(std::string("TForm.Build: Unknown parent \"") + row.Parent + "\" of " + row.Name);
      parent = owner->Handle();
    }
    controls_.push_back(CreateRow(row, parent, kFirstControlId + static_cast<int>(i), form));
    TComponent* control = controls_.back().get();
    byName_[row.Name] = control;
    if (row.Options & coDefault) defaultButton_ = dynamic_cast<TButton*>(control);
    if (row.Options & coCancel) cancelButton_ = dynamic_cast<TButton*>(control);
  }
}

std::unique_ptr<TComponent> TForm::CreateRow(const TControlDesc& row, HWND parent, int id, const TFormDesc& form) {
  std::optional<TFont> font;
  if (row.Font > 0 && static_cast<size_t>(row.Font) <= form.FontCount) font = MakeFont(form.Fonts[row.Font - 1]);
  std::optional<TColor> color;
  if (row.Color != clParent) color = row.Color;
  const std::u16string text = row.Text ? row.Text : u"";
  const bool visible = !(row.Options & coHidden);

  TNativeArgs native;
  native.Parent = parent;
  native.Id = id;
  native.Left = row.Left;
  native.Top = row.Top;
  native.Width = row.Width;
  native.Height = row.Height;
  native.Font = font;
  native.Color = color;
  native.Visible = visible;
  native.Text = text;
  const TControlCreateArgs& args = native;

  switch (row.Kind) {
    case TControlKind::ckPanel: return std::make_unique<TPanel>(args, (row.Options & coBorder) != 0);
    case TControlKind::ckLabel:
      return std::make_unique<TLabel>(args, text, (row.Options & coWrap) != 0, (row.Options & coTransparent) != 0);
    case TControlKind::ckBevel: return std::make_unique<TBevel>(args);
    case TControlKind::ckButton: return std::make_unique<TButton>(native, (row.Options & coDefault) != 0);
    case TControlKind::ckSpeedButton: return std::make_unique<TSpeedButton>(args, text, row.Extra);
    case TControlKind::ckRadioButton: return std::make_unique<TRadioButton>(native, (row.Options & coGroup) != 0);
    case TControlKind::ckCheckBox: return std::make_unique<TCheckBox>(native);
    case TControlKind::ckComboBox: return std::make_unique<TComboBox>(native, row.Extra);
    case TControlKind::ckCheckListBox: return std::make_unique<TCheckListBox>(native, row.Extra);
    case TControlKind::ckMemo: return std::make_unique<TMemo>(native);
    case TControlKind::ckLog: return std::make_unique<TLogView>(args);
    case TControlKind::ckProgressBar: return std::make_unique<TProgressBar>(native);
    case TControlKind::ckRichEdit: return std::make_unique<TRichEdit>(native);
    case TControlKind::ckImage: {
      auto image = std::make_unique<TImage>(args, (row.Options & coCenter) != 0, (row.Options & coTransparent) != 0);
      if (row.Extra) image->LoadResource(row.Extra);
      return image;
    }
    case TControlKind::ckCustom: return CreateCustom(row, args);
  }
  throw EZpError("TForm.Build: Unknown control kind");
}

std::unique_ptr<TComponent> TForm::CreateCustom(const TControlDesc& row, const TControlCreateArgs&) {
  throw EZpError(std::string("TForm.CreateCustom: No maker for \"") + row.Name + "\"");
}

TComponent* TForm::FindComponent(const std::string& name) const {
  auto found = byName_.find(name);
  return found == byName_.end() ? nullptr : found->second;
}

void TForm::OnClick(const std::string& name, TClickEvent handler) {
  TComponent* control = FindComponent(name);
  if (auto* button = dynamic_cast<TButtonControl*>(control)) {
    button->OnClick = std::move(handler);
  } else if (auto* speed = dynamic_cast<TSpeedButton*>(control)) {
    speed->OnClick = std::move(handler);
  } else {
    throw EZpError("TForm.OnClick: No button \"" + name + "\"");
  }
}

void TForm::Show() {
  ShowWindow(Handle(), SW_SHOWNORMAL);
  UpdateWindow(Handle());
  if (defaultButton_ && defaultButton_->Enabled()) SetFocus(defaultButton_->Handle());
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT reflected = 0;
  if (ReflectToChild(message, wParam, lParam, reflected)) return reflected;
  switch (message) {
    case DM_GETDEFID:
      if (defaultButton_ && defaultButton_->Enabled() && defaultButton_->Visible())
        return MAKELRESULT(defaultButton_->Id(), DC_HASDEFID);
      return 0;
    case WM_COMMAND:
      // Esc in the dialog navigation; a disabled Cancel button ignores it.
      if (LOWORD(wParam) == IDCANCEL && lParam == 0) {
        if (cancelButton_ && cancelButton_->Enabled() && cancelButton_->Visible()) cancelButton_->Click();
        return 0;
      }
      break;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(Handle(), &client);
      TScopedBrush brush(CreateSolidBrush(ColorToRGB(color_)));
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush.Get());
      return 1;
    }
    case WM_CLOSE:
      if (CloseQuery()) {
        ShowWindow(Handle(), SW_HIDE);
        if (application_.MainForm() == this) application_.MainFormClosed();
      }
      return 0;
    default:
      break;
  }
  return TWindow::WndProc(message, wParam, lParam);
}

void MessageDlg(HWND owner, const std::u16string& text, TMsgDlgType type) {
  if (type == TMsgDlgType::mtError)
    ShowErrorBox(owner, text);
  else
    MessageBoxW(owner, W(text), L"Warning", MB_OK | MB_ICONWARNING);
}

}  // namespace zp
