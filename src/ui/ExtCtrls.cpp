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

LRESULT TLabel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT || message == WM_ENABLE) {
    const LRESULT result = TControl::WndProc(message, wParam, lParam);
    Invalidate();
    return result;
  }
  return TControl::WndProc(message, wParam, lParam);
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
  BITMAP info{};
  GetObjectW(bitmap, sizeof(info), &info);
  bitmap_.Reset(bitmap);
  width_ = info.bmWidth;
  height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  Invalidate();
}

void TImage::LoadPixels(const TPixels24& pixels) {
  if (pixels.Width <= 0 || pixels.Height <= 0) {
    bitmap_.Reset();
    width_ = height_ = 0;
    Invalidate();
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
  HANDLE bitmap = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!bitmap) RaiseLastOSError("LoadImageW");
  Take(static_cast<HBITMAP>(bitmap));
}

void TImage::Paint(HDC dc) {
  TControl::Paint(dc);
  if (!bitmap_) return;
  const RECT client = ClientRect();
  int x = 0;
  int y = 0;
  if (center_) {
    x = (client.right - width_) / 2;
    y = (client.bottom - height_) / 2;
  }
  TScopedMemDC source(dc);
  TScopedSelect picture(source.Get(), bitmap_.Get());
  if (transparent_) {
    const COLORREF key = GetPixel(source.Get(), 0, height_ - 1);
    TransparentBlt(dc, x, y, width_, height_, source.Get(), 0, 0, width_, height_, key);
  } else {
    BitBlt(dc, x, y, width_, height_, source.Get(), 0, 0, SRCCOPY);
  }
}

// ---- TSpeedButton ----

TSpeedButton::TSpeedButton(const TControlCreateArgs& args, const std::u16string& caption, int glyphResource) {
  if (glyphResource)
    glyph_.Reset(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(glyphResource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
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
  BITMAP glyph{};
  if (glyph_) GetObjectW(glyph_.Get(), sizeof(glyph), &glyph);
  const int glyphHeight = glyph.bmHeight < 0 ? -glyph.bmHeight : glyph.bmHeight;
  const int shift = pressed_ ? 1 : 0;
  int x = (client.right - glyph.bmWidth - text.cx) / 2 + shift;
  if (glyph_) {
    TScopedMemDC source(dc);
    TScopedSelect picture(source.Get(), glyph_.Get());
    const COLORREF key = GetPixel(source.Get(), 0, glyphHeight - 1);
    TransparentBlt(dc, x, (client.bottom - glyphHeight) / 2 + shift, glyph.bmWidth, glyphHeight, source.Get(), 0, 0,
                   glyph.bmWidth, glyphHeight, key);
    x += glyph.bmWidth;
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
  switch (message) {
    case BM_CLICK:
      Click();
      return 0;
    case WM_SETTEXT:
    case WM_ENABLE: {
      const LRESULT result = TControl::WndProc(message, wParam, lParam);
      Invalidate();
      return result;
    }
    default:
      return TControl::WndProc(message, wParam, lParam);
  }
}

}  // namespace zp
