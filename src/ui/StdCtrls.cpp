#include "ui/StdCtrls.h"

#include <richedit.h>

#include <algorithm>

#include "base/Errors.h"
#include "base/Strings.h"
#include "base/SystemLibrary.h"

namespace zp {

// ---- TNativeControl ----

TNativeControl::~TNativeControl() {
  if (handle_ && IsWindow(handle_)) {
    DetachReflected(handle_);
    DestroyWindow(handle_);
  }
}

void TNativeControl::CreateNative(const TNativeArgs& args, const wchar_t* className, DWORD style,
                                  DWORD exStyle, TColor defaultColor) {
  font_ = args.Font ? *args.Font : ParentFont(args.Parent);
  color_ = args.Color ? *args.Color : defaultColor;
  handle_ = CreateWindowExW(exStyle | args.ExStyle, className, W(args.Text),
                            WS_CHILD | WS_CLIPSIBLINGS | style | args.Style | (args.Visible ? WS_VISIBLE : 0),
                            args.Left, args.Top, args.Width, args.Height, args.Parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.Id)), GetModuleHandleW(nullptr),
                            nullptr);
  if (!handle_) RaiseLastOSError("CreateWindowExW");
  AttachReflected(handle_, this);
  fontHandle_ = CreateFontHandle(font_);
  Send(WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle_.Get()), FALSE);
}

void TNativeControl::SetFont(const TFont& font) {
  if (font == font_) return;
  TScopedFont handle = CreateFontHandle(font);
  font_ = font;
  Send(WM_SETFONT, reinterpret_cast<WPARAM>(handle.Get()), TRUE);
  fontHandle_ = std::move(handle);
}

void TNativeControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  brush_.Reset();
  InvalidateRect(handle_, nullptr, TRUE);
}

bool TNativeControl::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      Command(HIWORD(wParam));
      result = 0;
      return true;
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (!brush_) brush_.Reset(CreateSolidBrush(ColorToRGB(color_)));
      SetBkColor(dc, ColorToRGB(color_));
      SetTextColor(dc, ColorToRGB(font_.Color));
      result = reinterpret_cast<LRESULT>(brush_.Get());
      return true;
    }
    default:
      return false;
  }
}

// ---- Buttons ----

void TButtonControl::Command(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick(*this);
}

TButton::TButton(const TNativeArgs& args, bool isDefault) : isDefault_(isDefault) {
  CreateNative(args, L"BUTTON", WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
               ParentColor(args.Parent));
}

TRadioButton::TRadioButton(const TNativeArgs& args, bool firstOfGroup) {
  CreateNative(args, L"BUTTON", BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP | WS_TABSTOP : 0), 0,
               ParentColor(args.Parent));
}

TCheckBox::TCheckBox(const TNativeArgs& args) {
  CreateNative(args, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, ParentColor(args.Parent));
}

// ---- Owner-drawn lists ----

int TOwnerDrawList::Count() const { return static_cast<int>(Send(combo_ ? CB_GETCOUNT : LB_GETCOUNT)); }

std::u16string TOwnerDrawList::Item(int index) const {
  const LRESULT length = Send(combo_ ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (length < 0) return {};
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  Send(combo_ ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

int TOwnerDrawList::Add(const std::u16string& text) {
  const LRESULT index = Send(combo_ ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(text)));
  if (index < 0) throw EZpError("The list cannot take another item");
  return static_cast<int>(index);
}

void TOwnerDrawList::Clear() { Send(combo_ ? CB_RESETCONTENT : LB_RESETCONTENT); }

int TOwnerDrawList::ItemIndex() const { return static_cast<int>(Send(combo_ ? CB_GETCURSEL : LB_GETCURSEL)); }

void TOwnerDrawList::SetItemIndex(int index) { Send(combo_ ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index)); }

void TOwnerDrawList::SetItemHeight(int height) {
  if (combo_) Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
  Send(combo_ ? CB_SETITEMHEIGHT : LB_SETITEMHEIGHT, 0, height);
}

void TOwnerDrawList::DrawItemText(const DRAWITEMSTRUCT& item, int textLeft, const std::u16string& text) {
  const bool selected = (item.itemState & ODS_SELECTED) && !(item.itemState & ODS_DISABLED);
  const bool enabled = IsWindowEnabled(Handle());
  RECT back = item.rcItem;
  TScopedBrush window(CreateSolidBrush(ColorToRGB(Color())));
  FillRect(item.hDC, &back, window.Get());
  back.left = textLeft;
  if (selected) FillRect(item.hDC, &back, GetSysColorBrush(COLOR_HIGHLIGHT));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  TScopedSelect font(item.hDC, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
  RECT textRect = back;
  textRect.left += 2;
  DrawTextW(item.hDC, W(text), static_cast<int>(text.size()), &textRect,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(item.hDC, &back);
}

TComboBox::TComboBox(const TNativeArgs& args, int itemHeight) : TOwnerDrawList(true) {
  CreateNative(args, L"COMBOBOX", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
               0, clWindow);
  SetItemHeight(itemHeight);
}

std::u16string TComboBox::Text() const {
  const int index = ItemIndex();
  return index < 0 ? std::u16string() : Item(index);
}

void TComboBox::DrawItem(const DRAWITEMSTRUCT& item) {
  const int index = static_cast<int>(item.itemID);
  DrawItemText(item, item.rcItem.left, index < 0 ? std::u16string() : Item(index));
}

// The tick box and its gap grow with the items: 13 and 18 pixels for 17.
TCheckListBox::TCheckListBox(const TNativeArgs& args, int itemHeight)
    : TOwnerDrawList(false), tickBox_(itemHeight * 13 / 17), tickSpace_(itemHeight * 18 / 17) {
  CreateNative(args, L"LISTBOX",
               LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
               WS_EX_CLIENTEDGE, clWindow);
  SetItemHeight(itemHeight);
  SetWindowSubclass(Handle(), &TCheckListBox::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

bool TCheckListBox::Checked(int index) const {
  const LRESULT data = Send(LB_GETITEMDATA, static_cast<WPARAM>(index));
  return data != LB_ERR && data != 0;
}

void TCheckListBox::SetChecked(int index, bool checked) {
  Send(LB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0);
  RECT item{};
  if (Send(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR)
    InvalidateRect(Handle(), &item, FALSE);
}

int TCheckListBox::AddChecked(const std::u16string& text, bool checked) {
  const int index = Add(text);
  SetChecked(index, checked);
  return index;
}

void TCheckListBox::Toggle(int index) {
  if (index >= 0 && index < Count()) SetChecked(index, !Checked(index));
}

void TCheckListBox::DrawItem(const DRAWITEMSTRUCT& item) {
  const int index = static_cast<int>(item.itemID);
  if (index < 0) return;
  DrawItemText(item, item.rcItem.left + tickSpace_, Item(index));
  RECT box = item.rcItem;
  box.left += 2;
  box.top += (box.bottom - box.top - tickBox_) / 2;
  box.right = box.left + tickBox_;
  box.bottom = box.top + tickBox_;
  UINT state = DFCS_BUTTONCHECK | (Checked(index) ? DFCS_CHECKED : 0);
  if (!IsWindowEnabled(Handle())) state |= DFCS_INACTIVE;
  DrawFrameControl(item.hDC, &box, DFC_BUTTON, state);
}

LRESULT CALLBACK TCheckListBox::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR /*id*/, DWORD_PTR data) {
  auto* self = reinterpret_cast<TCheckListBox*>(data);
  try {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
      const LRESULT hit = SendMessageW(window, LB_ITEMFROMPOINT, 0, lParam);
      const int x = static_cast<short>(LOWORD(lParam));
      if (HIWORD(hit) == 0 && x < self->tickSpace_) self->Toggle(LOWORD(hit));
    } else if (message == WM_KEYDOWN && wParam == VK_SPACE) {
      self->Toggle(self->ItemIndex());
      return 0;
    } else if (message == WM_CHAR && wParam == u' ') {
      return 0;  // the space toggled the tick; it does not search
    } else if (message == WM_NCDESTROY) {
      RemoveWindowSubclass(window, &TCheckListBox::SubclassProc, 1);
    }
  } catch (...) {
    HandleException(window);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

// ---- TMemo ----

TMemo::TMemo(const TNativeArgs& args) {
  CreateNative(args, L"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
               WS_EX_CLIENTEDGE, clWindow);
  // The control's own limit (some 30,000 characters) would silently drop
  // whatever a long log appends past it.
  Send(EM_SETLIMITTEXT, 0x7FFFFFFE);
}

std::vector<std::u16string> TMemo::Lines() const {
  std::vector<std::u16string> lines;
  const std::u16string text = TComponent::Text();
  if (text.empty()) return lines;
  for (size_t start = 0;;) {
    const size_t end = text.find(u"\r\n", start);
    lines.push_back(text.substr(start, end - start));  // npos: the rest
    if (end == std::u16string::npos) return lines;
    start = end + 2;
  }
}

void TMemo::SetLines(const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? u"\r\n" : u"") + lines[i];
  SetText(text);
}

void TMemo::Append(const std::u16string& line) {
  AppendText(GetWindowTextLengthW(Handle()) > 0 ? u"\r\n" + line : line);
}

void TMemo::AppendText(const std::u16string& text) {
  const int length = GetWindowTextLengthW(Handle());
  Send(EM_SETSEL, static_cast<WPARAM>(length), length);
  Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(W(text)));
  // The caret at the start of the last line: the view follows it down but
  // stays at the left edge, however long the line is.
  const LRESULT start = Send(EM_LINEINDEX, static_cast<WPARAM>(Send(EM_GETLINECOUNT) - 1));
  Send(EM_SETSEL, static_cast<WPARAM>(start), start);
  Send(EM_SCROLLCARET);
}

// ---- TProgressBar ----

TProgressBar::TProgressBar(const TNativeArgs& args) {
  CreateNative(args, PROGRESS_CLASSW, 0, 0, ParentColor(args.Parent));
  Send(PBM_SETRANGE32, 0, 100);
}

void TProgressBar::SetPosition(int position) { Send(PBM_SETPOS, static_cast<WPARAM>(std::clamp(position, 0, 100))); }

// ---- TRichEdit ----

namespace {

struct TStreamSource {
  const std::string* Text;
  size_t Position;
};

DWORD CALLBACK ReadStreamSource(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
  auto* source = reinterpret_cast<TStreamSource*>(cookie);
  const size_t n = std::min(static_cast<size_t>(count), source->Text->size() - source->Position);
  std::copy_n(source->Text->data() + source->Position, n, buffer);
  source->Position += n;
  *done = static_cast<LONG>(n);
  return 0;
}

bool IsRtf(const std::string& text) { return text.compare(0, 5, "{\\rtf") == 0; }

}  // namespace

TRichEdit::TRichEdit(const TNativeArgs& args) {
  if (!LoadSystemLibrary(L"riched20.dll")) RaiseLastOSError("LoadLibrary riched20.dll");
  CreateNative(args, RICHEDIT_CLASSW, ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL | WS_TABSTOP,
               WS_EX_CLIENTEDGE, clWindow);
  Send(EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
}

void TRichEdit::LoadText(const std::string& text) {
  TStreamSource source{&text, 0};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadStreamSource};
  Send(EM_STREAMIN, IsRtf(text) ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  if (stream.dwError != 0 && IsRtf(text)) {
    // Damaged RTF still shows: as what it is, plain text.
    source.Position = 0;
    stream.dwError = 0;
    Send(EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  }
  Send(EM_SETSEL, 0, 0);
  Send(EM_SCROLLCARET);
}

}  // namespace zp
