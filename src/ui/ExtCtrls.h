// The toolkit's own drawn controls: panels that hold other controls, labels,
// separator lines, pictures and a speed button that never takes the focus.
#pragma once

#include <windows.h>

#include <cstdint>
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

// Text on the parent's colour, broken into lines at blanks and inside words
// longer than a line. The text is the window text, so WM_GETTEXT reads what
// the label shows.
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

// How a picture sits in its box: at the top left, centred, or covering the
// box (scaled to fill it, cut evenly on both sides).
enum class TImageFit : uint8_t { TopLeft, Center, Cover };

// A BITMAP resource comes in drawings for several screens: the id for 96
// DPI, id + 1000 for 144 and id + 2000 for 192; the nearest one is shown.
constexpr int kPictureSizes[][2] = {{96, 0}, {144, 1000}, {192, 2000}};

// The nearest drawing of BITMAP resource `id` for `dpi`, and the DPI it was
// drawn for. Null when there is none.
HBITMAP LoadPictureResource(int id, int dpi, int& drawnFor);

// A 24-bit picture: from JPEG pixels or a bitmap resource, drawn for the
// form's DPI (JPEG pixels count as 96-DPI pixels and are scaled smoothly),
// or transparent (the colour of its bottom-left pixel lets the background
// through). Without a picture it can draw a gradient with a caption.
class TImage : public TControl {
public:
  TImage(const TControlCreateArgs& args, TImageFit fit, bool transparent, int dpi = 96);
  void LoadPixels(const TPixels24& pixels);
  // A BITMAP resource of this program; raises EOSError when it is missing.
  void LoadResource(int id);
  // Shown while there is no picture: a vertical gradient from `top` to
  // `bottom` with `caption` centred on it in white, in the control's font.
  void SetGradient(TColor top, TColor bottom, const std::u16string& caption);

protected:
  void Paint(HDC dc) override;
  void Resize() override;

private:
  void Take(HBITMAP bitmap, int drawnFor);
  void PaintGradient(HDC dc);
  // A bitmap of the held pixels at the size they are shown at.
  void MakeShownBitmap();

  TPixels24 pixels_;       // JPEG pixels as loaded
  TScopedBitmap bitmap_;   // what is drawn
  int drawnFor_ = 96;      // the DPI bitmap_ was drawn for
  TImageFit fit_;
  bool transparent_;
  int dpi_;
  TColor gradientTop_ = clBlack;
  TColor gradientBottom_ = clBlack;
  std::u16string gradientCaption_;
  bool gradient_ = false;
};

// A flat push button that takes no focus, with a small picture before its
// caption. BM_CLICK presses it as a click does.
class TSpeedButton : public TControl {
public:
  TSpeedButton(const TControlCreateArgs& args, const std::u16string& caption, int glyphResource, int dpi = 96);
  TClickEvent OnClick;
  void Click();
  // The width of the picture as shown, 0 without one.
  int GlyphWidth() const { return glyphSize_.cx; }

protected:
  void Paint(HDC dc) override;
  void MouseDown(const TMouseEvent& event) override;
  void MouseUp(const TMouseEvent& event) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  TScopedBitmap glyph_;
  SIZE glyphSize_{0, 0};  // as shown
  bool pressed_ = false;
};

}  // namespace zp
