#include "ui/Forms.h"

#include <algorithm>
#include <cstdlib>

#include "base/Strings.h"

namespace zp {

namespace {

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

int CALLBACK FoundTrueType(const LOGFONTW*, const TEXTMETRICW*, DWORD type, LPARAM found) {
  if (type & TRUETYPE_FONTTYPE) *reinterpret_cast<bool*>(found) = true;
  return 1;
}

// Whether `face` is installed as a scalable (TrueType or OpenType) font.
bool IsTrueTypeFace(const std::u16string& face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  face.copy(reinterpret_cast<char16_t*>(query.lfFaceName), LF_FACESIZE - 1);
  bool found = false;
  TScopedGetDC screen(nullptr);
  EnumFontFamiliesExW(screen.Get(), &query, &FoundTrueType, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// Label text is broken at blanks, and inside a word longer than a line.
constexpr UINT kLabelFormat = DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL;

// The size `text` takes in `font` when broken into lines of `width`.
SIZE LabelTextSize(const TFont& font, const std::u16string& text, int width) {
  TScopedGetDC screen(nullptr);
  TScopedFont handle = CreateFontHandle(font);
  TScopedSelect select(screen.Get(), handle.Get());
  RECT box{0, 0, width, 0};
  DrawTextW(screen.Get(), W(text), static_cast<int>(text.size()), &box, kLabelFormat | DT_CALCRECT);
  return {box.right, box.bottom};
}

bool GivesUpHeight(TComponent* control) {
  return dynamic_cast<TMemo*>(control) || dynamic_cast<TRichEdit*>(control) || dynamic_cast<TCheckListBox*>(control);
}

RECT BoundsIn(TComponent& control) { return control.BoundsRect(); }

void MoveTo(TComponent& control, const RECT& bounds) {
  SetWindowPos(control.Handle(), nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int ScreenDpi() {
  TScopedGetDC screen(nullptr);
  const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return dpi > 0 ? dpi : 96;
}

// Sizes scale with the DPI. A raster face (MS Sans Serif on Windows) has
// only its 96-DPI sizes: a scaled size takes its TrueType twin.
TFont TForm::ScaledFont(const TFontDesc& desc) const {
  TFont font;
  font.Name = desc.Name;
  font.Height = Scale(desc.Height);
  font.Style = desc.Style;
  if (dpi_ != 96 && font.Name == u"MS Sans Serif" && !IsTrueTypeFace(font.Name) &&
      IsTrueTypeFace(u"Microsoft Sans Serif"))
    font.Name = u"Microsoft Sans Serif";
  return font;
}

TForm::~TForm() {
  // Children first, while their parents still exist.
  while (!controls_.empty()) controls_.pop_back();
}

void TForm::Build(const TFormDesc& form, const TControlDesc* rows, size_t count, int dpi) {
  dpi_ = dpi > 0 ? dpi : ScreenDpi();
  color_ = form.Color;
  font_ = ScaledFont(form.Font);
  RECT bounds{0, 0, Scale(form.ClientWidth), Scale(form.ClientHeight)};
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
    auto* styled = dynamic_cast<TControl*>(control);
    placed_.push_back({control, &row, control->BoundsRect(), styled ? styled->Font() : TFont()});
    if (row.Options & coDefault) defaultButton_ = dynamic_cast<TButton*>(control);
    if (row.Options & coCancel) cancelButton_ = dynamic_cast<TButton*>(control);
  }
}

void TForm::SetFontFace(const std::u16string& face, int minHeight) {
  const auto restyle = [&](TFont& font) {
    font.Name = face;
    if (std::abs(font.Height) < minHeight) font.Height = -minHeight;
  };
  restyle(font_);
  for (TPlaced& placed : placed_) {
    restyle(placed.Font);
    if (auto* control = dynamic_cast<TControl*>(placed.Control)) {
      TFont font = control->Font();
      restyle(font);
      control->SetFont(font);
    } else if (auto* native = dynamic_cast<TNativeControl*>(placed.Control)) {
      TFont font = native->Font();
      restyle(font);
      native->SetFont(font);
    }
  }
}

void TForm::FitLabels() {
  for (const TPlaced& placed : placed_) {
    if (placed.Row->Kind == TControlKind::ckCustom) continue;  // sizes itself
    MoveTo(*placed.Control, placed.Bounds);
    if (auto* label = dynamic_cast<TLabel*>(placed.Control)) label->SetFont(placed.Font);
  }
  for (const TPlaced& placed : placed_) {
    if (dynamic_cast<TLabel*>(placed.Control))
      FitLabel(placed);
    else if (dynamic_cast<TButton*>(placed.Control) || dynamic_cast<TSpeedButton*>(placed.Control))
      FitButton(placed);
  }
}

// A caption too wide for its button widens the button away from the
// parent's edge it sits nearer to, and moves the controls beside it in that
// direction along.
void TForm::FitButton(const TPlaced& placed) {
  TComponent& button = *placed.Control;
  const HWND window = button.Handle();
  auto* speed = dynamic_cast<TSpeedButton*>(&button);
  const HFONT font =
      speed ? speed->FontHandle() : reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  const std::u16string caption = button.Text();
  TScopedGetDC dc(window);
  TScopedSelect select(dc.Get(), font);
  RECT box{};
  DrawTextW(dc.Get(), W(caption), static_cast<int>(caption.size()), &box, DT_SINGLELINE | DT_CALCRECT);
  const int needed = box.right + Scale(8) + (speed ? speed->GlyphWidth() : 0);
  RECT bounds = BoundsIn(button);
  const int grow = needed - (bounds.right - bounds.left);
  if (grow <= 0) return;
  RECT area{};
  GetClientRect(GetParent(window), &area);
  const bool leftwards = area.right - bounds.right < bounds.left;
  for (const TPlaced& other : placed_) {
    if (other.Control == &button || GetParent(other.Control->Handle()) != GetParent(window)) continue;
    RECT r = BoundsIn(*other.Control);
    const bool sameRow = r.top < bounds.bottom && r.bottom > bounds.top;
    if (!sameRow || (leftwards ? r.right > bounds.left : r.left < bounds.right)) continue;
    OffsetRect(&r, leftwards ? -grow : grow, 0);
    MoveTo(*other.Control, r);
  }
  (leftwards ? bounds.left : bounds.right) += leftwards ? -grow : grow;
  MoveTo(button, bounds);
}

void TForm::FitLabel(const TPlaced& placed) {
  auto& label = static_cast<TLabel&>(*placed.Control);
  const std::u16string text = label.Text();
  const RECT bounds = BoundsIn(label);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  TFont font = placed.Font;
  SIZE size = LabelTextSize(font, text, width);
  if (placed.Row->Options & coShrink) {
    const int smallest = std::abs(font_.Height);
    while (size.cy > height && std::abs(font.Height) > smallest) {
      font.Height += font.Height < 0 ? 1 : -1;
      size = LabelTextSize(font, text, width);
    }
    label.SetFont(font);
  }
  if (size.cy > height) Grow(placed, size.cy);
}

void TForm::Grow(const TPlaced& placed, int height) {
  TComponent& control = *placed.Control;
  const HWND parent = GetParent(control.Handle());
  RECT bounds = BoundsIn(control);
  // The siblings below, top to bottom; the free space reaches to the first.
  std::vector<std::pair<TComponent*, RECT>> below;
  for (const TPlaced& other : placed_) {
    if (other.Control == &control || GetParent(other.Control->Handle()) != parent) continue;
    const RECT r = BoundsIn(*other.Control);
    if (r.top >= bounds.bottom && r.left < bounds.right && r.right > bounds.left) below.push_back({other.Control, r});
  }
  std::sort(below.begin(), below.end(), [](const auto& a, const auto& b) { return a.second.top < b.second.top; });
  RECT parentClient{};
  GetClientRect(parent, &parentClient);
  const int room = (below.empty() ? parentClient.bottom : below.front().second.top) - bounds.bottom;
  const int push = height - (bounds.bottom - bounds.top) - room;
  bounds.bottom = bounds.top + height;
  MoveTo(control, bounds);
  if (push <= 0) return;
  for (auto& [sibling, r] : below) {
    r.top += push;
    if (GivesUpHeight(sibling)) {
      MoveTo(*sibling, r);
      return;
    }
    r.bottom += push;
    MoveTo(*sibling, r);
  }
}

std::unique_ptr<TComponent> TForm::CreateRow(const TControlDesc& row, HWND parent, int id, const TFormDesc& form) {
  std::optional<TFont> font;
  if (row.Font > 0 && static_cast<size_t>(row.Font) <= form.FontCount) font = ScaledFont(form.Fonts[row.Font - 1]);
  std::optional<TColor> color;
  if (row.Color != clParent) color = row.Color;
  const std::u16string text = row.Text ? row.Text : u"";
  const bool visible = !(row.Options & coHidden);

  TNativeArgs native;
  native.Parent = parent;
  native.Id = id;
  native.Left = Scale(row.Left);
  native.Top = Scale(row.Top);
  // Right and bottom edges scale like left and top, so that neighbours
  // that touch at 96 DPI still touch.
  native.Width = Scale(row.Left + row.Width) - native.Left;
  native.Height = Scale(row.Top + row.Height) - native.Top;
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
    case TControlKind::ckSpeedButton: return std::make_unique<TSpeedButton>(args, text, row.Extra, dpi_);
    case TControlKind::ckRadioButton: return std::make_unique<TRadioButton>(native, (row.Options & coGroup) != 0);
    case TControlKind::ckCheckBox: return std::make_unique<TCheckBox>(native);
    case TControlKind::ckComboBox: return std::make_unique<TComboBox>(native, Scale(row.Extra));
    case TControlKind::ckCheckListBox: return std::make_unique<TCheckListBox>(native, Scale(row.Extra));
    case TControlKind::ckMemo: return std::make_unique<TMemo>(native);
    case TControlKind::ckProgressBar: return std::make_unique<TProgressBar>(native);
    case TControlKind::ckRichEdit: return std::make_unique<TRichEdit>(native);
    case TControlKind::ckImage: {
      const TImageFit fit = (row.Options & coCover)    ? TImageFit::Cover
                            : (row.Options & coCenter) ? TImageFit::Center
                                                       : TImageFit::TopLeft;
      auto image = std::make_unique<TImage>(args, fit, (row.Options & coTransparent) != 0, dpi_);
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

std::vector<std::string> TForm::ControlNames() const {
  std::vector<std::string> names;
  for (const TPlaced& placed : placed_) names.push_back(placed.Row->Name);
  return names;
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
