#include "ui/ExtCtrls.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"
#include "base/Strings.h"

namespace zp {

namespace {

TControlCreateArgs WithStyle(TControlCreateArgs args, DWORD style, DWORD exStyle) {
  args.Style |= style;
  args.ExStyle |= exStyle;
  return args;
}

// A BITMAP resource of this program as a DIB section; null when it is missing.
HBITMAP LoadBitmapResource(int id) {
  return static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// The size of a bitmap in pixels (a top-down bitmap has a negative height).
SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof(info), &info);
  return {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

// Draws `bitmap` with its top left at (x, y). Transparent: the colour of its
// bottom-left pixel lets the background through (gdi32's own TransparentBlt:
// msimg32.dll, which exports it too, is no known DLL of the system).
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, bool transparent) {
  const SIZE size = BitmapSize(bitmap);
  TScopedMemDC source(dc);
  TScopedSelect picture(source.Get(), bitmap);
  if (transparent) {
    const COLORREF key = GetPixel(source.Get(), 0, size.cy - 1);
    GdiTransparentBlt(dc, x, y, size.cx, size.cy, source.Get(), 0, 0, size.cx, size.cy, key);
  } else {
    BitBlt(dc, x, y, size.cx, size.cy, source.Get(), 0, 0, SRCCOPY);
  }
}

}  // namespace

// ---- TPanel ----

TPanel::TPanel(const TControlCreateArgs& args, bool border) {
  CreateControl(WithStyle(args, border ? WS_BORDER : 0, WS_EX_CONTROLPARENT), u"ZpPanel");
}

// ---- TLabel ----

TLabel::TLabel(const TControlCreateArgs& args, const std::u16string& caption, bool wordWrap, bool transparent)
    : wordWrap_(wordWrap), transparent_(transparent) {
  CreateControl(args, u"ZpLabel");
  SetText(caption);
}

void TLabel::Paint(HDC dc) {
  RECT client = ClientRect();
  if (transparent_)
    PaintParentBackground(dc);
  else
    TControl::Paint(dc);
  const std::u16string caption = Text();
  TScopedSelect font(dc, FontHandle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, IsWindowEnabled(Handle()) ? ColorToRGB(Font().Color) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, W(caption), static_cast<int>(caption.size()), &client,
            DT_NOPREFIX | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE));
}

// ---- TBevel ----

TBevel::TBevel(const TControlCreateArgs& args) { CreateControl(args, u"ZpBevel"); }

void TBevel::Paint(HDC dc) {
  TControl::Paint(dc);
  RECT client = ClientRect();
  DrawEdge(dc, &client, EDGE_ETCHED, BF_TOP);
}

// ---- TImage ----

TImage::TImage(const TControlCreateArgs& args, bool center, bool transparent)
    : center_(center), transparent_(transparent) {
  CreateControl(args, u"ZpImage");
}

void TImage::Take(HBITMAP bitmap) {
  bitmap_.Reset(bitmap);
  Invalidate();
}

void TImage::LoadPixels(const TPixels24& pixels) {
  if (pixels.Width <= 0 || pixels.Height <= 0) {
    Take(nullptr);
    return;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = pixels.Width;
  info.bmiHeader.biHeight = -pixels.Height;  // top-down, as the pixels are laid out
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) RaiseLastOSError("CreateDIBSection");
  std::memcpy(bits, pixels.Bits.data(), std::min(pixels.Bits.size(), static_cast<size_t>(pixels.Stride) * pixels.Height));
  Take(bitmap);
}

void TImage::LoadResource(int id) {
  HBITMAP bitmap = LoadBitmapResource(id);
  if (!bitmap) RaiseLastOSError("LoadImageW");
  Take(bitmap);
}

void TImage::Paint(HDC dc) {
  TControl::Paint(dc);
  if (!bitmap_) return;
  int x = 0;
  int y = 0;
  if (center_) {
    const RECT client = ClientRect();
    const SIZE size = BitmapSize(bitmap_.Get());
    x = (client.right - size.cx) / 2;
    y = (client.bottom - size.cy) / 2;
  }
  DrawBitmap(dc, bitmap_.Get(), x, y, transparent_);
}

// ---- TSpeedButton ----

TSpeedButton::TSpeedButton(const TControlCreateArgs& args, const std::u16string& caption, int glyphResource) {
  if (glyphResource) glyph_.Reset(LoadBitmapResource(glyphResource));
  CreateControl(args, u"ZpSpeedButton");
  SetText(caption);
}

void TSpeedButton::Click() {
  if (IsWindowEnabled(Handle()) && OnClick) OnClick(*this);
}

void TSpeedButton::Paint(HDC dc) {
  RECT client = ClientRect();
  DrawFrameControl(dc, &client, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed_ ? DFCS_PUSHED : 0));
  const std::u16string caption = Text();
  TScopedSelect font(dc, FontHandle());
  SIZE text{};
  GetTextExtentPoint32W(dc, W(caption), static_cast<int>(caption.size()), &text);
  const SIZE glyph = glyph_ ? BitmapSize(glyph_.Get()) : SIZE{0, 0};
  const int shift = pressed_ ? 1 : 0;
  int x = (client.right - glyph.cx - text.cx) / 2 + shift;
  if (glyph_) {
    DrawBitmap(dc, glyph_.Get(), x, (client.bottom - glyph.cy) / 2 + shift, true);
    x += glyph.cx;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(Handle()) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  TextOutW(dc, x, (client.bottom - text.cy) / 2 + shift, W(caption), static_cast<int>(caption.size()));
}

void TSpeedButton::MouseDown(const TMouseEvent& event) {
  if (event.Button == TMouseButton::mbLeft) {
    pressed_ = true;
    Repaint();
  }
  TControl::MouseDown(event);
}

void TSpeedButton::MouseUp(const TMouseEvent& event) {
  const bool wasPressed = std::exchange(pressed_, false);
  Repaint();
  TControl::MouseUp(event);
  RECT client = ClientRect();
  if (wasPressed && event.Button == TMouseButton::mbLeft && PtInRect(&client, POINT{event.X, event.Y})) Click();
}

LRESULT TSpeedButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BM_CLICK) {
    Click();
    return 0;
  }
  return TControl::WndProc(message, wParam, lParam);
}

}  // namespace zp
