// A top-level test window with a plain green background that hosts labels,
// plus helpers to paint, find links, send mouse messages, read pixels and
// take screenshots.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "linklabel/UniLinkLabel.h"
#include "ui/Window.h"

namespace zp::test {

constexpr COLORREF kHostBackground = RGB(0, 200, 0);

class THostWindow : public TWindow {
public:
  explicit THostWindow(int width = 420, int height = 260);
};

// Lets every posted and pending message through.
void Pump();

// Paints the control now, with everything it asks for afterwards (a new height).
void PaintNow(HWND window);

// The first rectangle of the outermost link with that number, as laid out by the last paint.
TRect LinkRect(const TUniCustomLinkLabel& label, int32_t number);
POINT CenterOf(const TRect& rect);

void SendMouse(HWND window, UINT message, POINT at, WPARAM keys = 0);

// The pixels of a window's client area as 0x00RRGGBB, row by row from the top.
struct TPixels {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Data;
  uint32_t At(int x, int y) const { return Data[static_cast<size_t>(y) * Width + x]; }
  // How many pixels inside the rectangle have exactly the colour.
  int Count(const TRect& rect, COLORREF color) const;
};
TPixels Capture(HWND window);

// What the X server shows of the window, as ImageMagick's import takes it:
// written to <build>/screenshots/<name>.png and read back. Raises
// std::runtime_error when the picture cannot be taken.
TPixels Screenshot(HWND window, const std::string& name);

}  // namespace zp::test
