// The toolkit's own drawn controls: panels that hold other controls, labels,
// separator lines, pictures and a speed button that never takes the focus.
#pragma once

#include <windows.h>

#include <string>

#include "picture/JpegImage.h"
#include "ui/Controls.h"
#include "ui/StdCtrls.h"

namespace zp {

// A container with a colour and, optionally, a single border. Its children
// are found by the keyboard (Tab) as if they sat on the form.
class TPanel : public TControl {
public:
  explicit TPanel(const TControlCreateArgs& args, bool border = false);
};

// Text on the parent's colour: one line, or wrapped to the label's width.
// The text is the window text, so WM_GETTEXT reads what the label shows.
class TLabel : public TControl {
public:
  TLabel(const TControlCreateArgs& args, const std::u16string& caption, bool wordWrap, bool transparent = false);
  bool WordWrap() const { return wordWrap_; }

protected:
  void Paint(HDC dc) override;

private:
  bool wordWrap_;
  bool transparent_;
};

// An etched line along the top of its bounds.
class TBevel : public TControl {
public:
  explicit TBevel(const TControlCreateArgs& args);

protected:
  void Paint(HDC dc) override;
};

// A 24-bit picture: from JPEG pixels or a bitmap resource; drawn at the top
// left, centred, or transparent (the colour of its bottom-left pixel lets the
// background through).
class TImage : public TControl {
public:
  TImage(const TControlCreateArgs& args, bool center, bool transparent);
  void LoadPixels(const TPixels24& pixels);
  // A BITMAP resource of this program; raises EOSError when it is missing.
  void LoadResource(int id);

protected:
  void Paint(HDC dc) override;

private:
  void Take(HBITMAP bitmap);

  TScopedBitmap bitmap_;
  bool center_;
  bool transparent_;
};

// A flat push button that takes no focus, with a small picture before its
// caption. BM_CLICK presses it as a click does.
class TSpeedButton : public TControl {
public:
  TSpeedButton(const TControlCreateArgs& args, const std::u16string& caption, int glyphResource);
  TClickEvent OnClick;
  void Click();

protected:
  void Paint(HDC dc) override;
  void MouseDown(const TMouseEvent& event) override;
  void MouseUp(const TMouseEvent& event) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  TScopedBitmap glyph_;
  bool pressed_ = false;
};

}  // namespace zp
