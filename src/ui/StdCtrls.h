// The system's own controls, wrapped: push, radio and check buttons, a
// drop-down list and a check list drawn by us (so that any wide text shows),
// read-only memos, a progress bar and a rich-text viewer. Each wrapper owns
// its window and answers the notifications its parent passes on.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace zp {

using TClickEvent = std::function<void(TComponent& sender)>;

// What every wrapped control is created with: the common arguments and the
// window text. A wrapped control without a colour of its own takes its
// parent's (buttons) or the window colour (lists, memos, viewers).
struct TNativeArgs : TControlCreateArgs {
  std::u16string Text;
};

class TNativeControl : public TComponent, public IReflected {
public:
  ~TNativeControl() override;
  TNativeControl(const TNativeControl&) = delete;
  TNativeControl& operator=(const TNativeControl&) = delete;

  HWND Handle() const override { return handle_; }
  int Id() const { return GetDlgCtrlID(handle_); }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font);
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
  TNativeControl() = default;
  // Creates the system control `className` with WS_CHILD and `style`.
  void CreateNative(const TNativeArgs& args, const wchar_t* className, DWORD style, DWORD exStyle,
                    TColor defaultColor);
  // A WM_COMMAND notification code about this control.
  virtual void Command(WORD /*code*/) {}
  virtual void DrawItem(const DRAWITEMSTRUCT& /*item*/) {}
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(handle_, message, wParam, lParam);
  }

private:
  HWND handle_ = nullptr;
  TFont font_;
  TScopedFont fontHandle_;
  TColor color_ = clWindow;
  TScopedBrush brush_;
};

// A button that reports clicks: push buttons, radio buttons, check boxes.
class TButtonControl : public TNativeControl {
public:
  TClickEvent OnClick;
  // Presses the button as a click does (BM_CLICK).
  void Click() { Send(BM_CLICK); }

protected:
  void Command(WORD code) override;
};

class TButton : public TButtonControl {
public:
  // `isDefault`: the button that Enter presses.
  TButton(const TNativeArgs& args, bool isDefault);
  bool IsDefault() const { return isDefault_; }
  // A free value for the owner (the wizard keeps the Cancel button's mode here).
  int Tag = 0;

private:
  bool isDefault_;
};

class TCheckButton : public TButtonControl {
public:
  bool Checked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
  void SetChecked(bool checked) { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }
};

class TRadioButton : public TCheckButton {
public:
  // `firstOfGroup`: starts a new group of radio buttons.
  TRadioButton(const TNativeArgs& args, bool firstOfGroup);
};

class TCheckBox : public TCheckButton {
public:
  explicit TCheckBox(const TNativeArgs& args);
};

// A list whose items we draw: fixed item height, wide text.
class TOwnerDrawList : public TNativeControl {
public:
  int Count() const;
  std::u16string Item(int index) const;
  int Add(const std::u16string& text);
  void Clear();
  // -1 when none is selected.
  int ItemIndex() const;
  void SetItemIndex(int index);

protected:
  TOwnerDrawList(bool combo) : combo_(combo) {}
  void SetItemHeight(int height);
  // Fills the item's rectangle and draws its text from `textLeft` on.
  void DrawItemText(const DRAWITEMSTRUCT& item, int textLeft, const std::u16string& text);

private:
  bool combo_;
};

// A drop-down list (no typing).
class TComboBox : public TOwnerDrawList {
public:
  TComboBox(const TNativeArgs& args, int itemHeight);
  // The selected item's text; empty when none.
  std::u16string Text() const;

protected:
  void DrawItem(const DRAWITEMSTRUCT& item) override;
};

// A list with a tick box before every item; a click on the box or the space
// bar toggles the tick.
class TCheckListBox : public TOwnerDrawList {
public:
  TCheckListBox(const TNativeArgs& args, int itemHeight);
  bool Checked(int index) const;
  void SetChecked(int index, bool checked);
  // Adds an item with its tick; returns its index.
  int AddChecked(const std::u16string& text, bool checked);

protected:
  void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
  void Toggle(int index);

  int tickBox_;    // the tick box's side
  int tickSpace_;  // box and gap before the text
};

// A read-only multi-line text with a vertical scroll bar and no word wrap.
class TMemo : public TNativeControl {
public:
  explicit TMemo(const TNativeArgs& args);
  std::vector<std::u16string> Lines() const;
  void SetLines(const std::vector<std::u16string>& lines);
  // Adds a last line and keeps it in view.
  void Append(const std::u16string& line);
  // Adds `text` at the very end in one step (lines separated by CR LF) and
  // keeps the start of the last line in view.
  void AppendText(const std::u16string& text);
  void Clear() { SetText(u""); }
};

class TProgressBar : public TNativeControl {
public:
  explicit TProgressBar(const TNativeArgs& args);
  // 0 to 100; values outside are clamped.
  int Position() const { return static_cast<int>(Send(PBM_GETPOS)); }
  void SetPosition(int position);
};

// A read-only rich-text viewer (RichEdit 2.0) with a vertical scroll bar.
class TRichEdit : public TNativeControl {
public:
  explicit TRichEdit(const TNativeArgs& args);
  // Reads 8-bit text as RTF when it is RTF, as plain text otherwise. Text()
  // is then what the viewer shows, without formatting.
  void LoadText(const std::string& text);
};

}  // namespace zp
