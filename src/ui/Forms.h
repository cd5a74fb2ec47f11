// Forms built from a description: one table per form, one row per control in
// creation order (parents before children), every position in pixels of a
// 96-DPI screen. Build lays the form out at the screen's DPI: positions,
// sizes, fonts and list items scaled by DPI / 96, pictures in the drawing
// made for the nearest size. Any control is then found by its name, and
// click handlers are bound by name.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

namespace zp {

enum class TControlKind : uint8_t {
  ckPanel,
  ckLabel,
  ckBevel,         // an etched separator line
  ckButton,
  ckSpeedButton,
  ckRadioButton,
  ckCheckBox,
  ckComboBox,      // drop-down list, drawn by us
  ckCheckListBox,
  ckMemo,          // read-only
  ckProgressBar,
  ckRichEdit,      // read-only
  ckImage,
  ckCustom,        // made by the form's CreateCustom
};

// Options of a row, or-ed together.
enum TControlOption : uint32_t {
  coDefault = 1u << 0,      // button: Enter presses it
  coCancel = 1u << 1,       // button: Esc presses it
  coWrap = 1u << 2,         // label: wrapped to its width
  coTransparent = 1u << 3,  // label, image: lets the parent show through
  coBorder = 1u << 4,       // panel: a single border
  coCenter = 1u << 5,       // image: the picture centred
  coGroup = 1u << 6,        // radio button: starts a group
  coHidden = 1u << 7,
  coShrink = 1u << 8,       // label: a text too long for it gets a smaller font, step by step
  coCover = 1u << 9,        // image: the picture covers the box, cropped evenly on both sides
};

// Pixels per logical inch of the screen (96 at 100 %).
int ScreenDpi();

// The colour of a row that takes its parent's colour.
constexpr TColor clParent = 0x20000000;

// A font of a form's font table; row font 0 means the parent's font.
struct TFontDesc {
  const char16_t* Name;
  int32_t Height;  // negative: character height in pixels
  TFontStyles Style;
};

struct TControlDesc {
  TControlKind Kind;
  const char* Name;
  const char* Parent;  // "" for the form itself
  int Left;
  int Top;
  int Width;
  int Height;
  const char16_t* Text = nullptr;
  uint32_t Options = 0;
  TColor Color = clParent;
  int Font = 0;   // 1-based index into the form's font table; 0: the parent's
  int Extra = 0;  // image and speed button: bitmap resource (see kPictureSizes); lists: item height
};

struct TFormDesc {
  const char16_t* Caption;
  int ClientWidth;
  int ClientHeight;
  TFontDesc Font;
  TColor Color;
  const TFontDesc* Fonts = nullptr;  // the table the rows' Font indexes
  size_t FontCount = 0;
};

// A top-level window with a fixed single border, the system menu and the
// close box, centred on the screen.
class TForm : public TWindow, public IStyleParent {
public:
  explicit TForm(TApplication& application) : application_(application) {}
  ~TForm() override;

  TApplication& Application() const { return application_; }
  TColor Color() const override { return color_; }
  const TFont& Font() const override { return font_; }

  // Creates the window and every control of `rows`, laid out for `dpi`
  // (0: the screen's). Raises EZpError for a row whose parent is not an
  // earlier row or whose name is taken.
  void Build(const TFormDesc& form, const TControlDesc* rows, size_t count, int dpi = 0);

  // The DPI the form is laid out for, and a length of its descriptions in
  // pixels at that DPI.
  int Dpi() const { return dpi_; }
  int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }

  // Gives every control's font the face `face`, keeping sizes and styles
  // (a script the description's faces lack glyphs for). Before rich texts
  // are loaded: a viewer's new font resets its formatting.
  // Fonts smaller than `minHeight` pixels grow to it (scripts whose glyphs
  // need more pixels than Latin ones).
  void SetFontFace(const std::u16string& face, int minHeight = 0);

  // Makes every label's text fit after its text changed: from the designed
  // layout, a label marked coShrink takes smaller fonts until its text fits
  // (down to the form's font size); a text still too high takes the free
  // space below its label, then moves the controls below down, and the
  // first list, memo or viewer among them gives up that height. A button
  // too narrow for its caption widens (FitButton).
  void FitLabels();

  // The names of the controls, in creation order.
  std::vector<std::string> ControlNames() const;
  // The control of that name: nullptr when there is none (or of another type).
  TComponent* FindComponent(const std::string& name) const;
  template <typename T>
  T& Find(const std::string& name) const {
    T* control = dynamic_cast<T*>(FindComponent(name));
    if (!control) throw EZpError("TForm.Find: No control \"" + name + "\" of the asked kind");
    return *control;
  }

  // Binds the click of a button, radio button, check box or speed button.
  void OnClick(const std::string& name, TClickEvent handler);
  template <typename F>
  void On(const std::string& name, void (F::*handler)(TComponent&)) {
    F* self = static_cast<F*>(this);
    OnClick(name, [self, handler](TComponent& sender) { (self->*handler)(sender); });
  }

  void SetCaption(const std::u16string& caption) { SetText(caption); }
  void Show();
  // Asks the form to close as the close box does (CloseQuery decides).
  void Close() { SendMessageW(Handle(), WM_CLOSE, 0, 0); }
  // Paints every pending change now.
  void Repaint() { RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW); }

protected:
  // False keeps the form open when the user or Close asks to close it.
  virtual bool CloseQuery() { return true; }
  // Makes the control of a ckCustom row.
  virtual std::unique_ptr<TComponent> CreateCustom(const TControlDesc& row, const TControlCreateArgs& args);
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  // A control with the bounds and font its row gave it.
  struct TPlaced {
    TComponent* Control;
    const TControlDesc* Row;
    RECT Bounds;
    TFont Font;  // labels: the font before any shrinking
  };

  std::unique_ptr<TComponent> CreateRow(const TControlDesc& row, HWND parent, int id, const TFormDesc& form);
  TFont ScaledFont(const TFontDesc& desc) const;
  void FitLabel(const TPlaced& label);
  void FitButton(const TPlaced& button);
  void Grow(const TPlaced& control, int height);

  TApplication& application_;
  int dpi_ = 96;
  std::vector<TPlaced> placed_;  // creation order
  TColor color_ = clBtnFace;
  TFont font_;
  std::vector<std::unique_ptr<TComponent>> controls_;  // creation order
  std::map<std::string, TComponent*> byName_;
  TButton* defaultButton_ = nullptr;  // the button Enter presses
  TButton* cancelButton_ = nullptr;   // the button Esc presses
};

enum class TMsgDlgType : uint8_t { mtError, mtWarning };

// A modal box owned by `owner` with one OK button, titled "Error" or
// "Warning" with that type's icon; the "|" of the text table is already a
// line break in `text`.
void MessageDlg(HWND owner, const std::u16string& text, TMsgDlgType type);

}  // namespace zp
