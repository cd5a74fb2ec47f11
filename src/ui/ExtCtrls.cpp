#include "ui/ExtCtrls.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <zstd.h>

#include "base/Errors.h"
#include "base/Strings.h"
#include "picture/Resample.h"

namespace zp {

namespace {

TControlCreateArgs WithStyle(TControlCreateArgs args, DWORD style, DWORD exStyle) {
  args.Style |= style;
  args.ExStyle |= exStyle;
  return args;
}

// A DIB section of the size and format `info` gives, holding `bytes` of
// `bits`; null when the system refuses one.
HBITMAP DibSection(const BITMAPINFO& info, const uint8_t* bits, size_t bytes) {
  void* target = nullptr;
  const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &target, nullptr, 0);
  if (bitmap) std::memcpy(target, bits, bytes);
  return bitmap;
}

// The largest picture file a resource may unpack to (a 200 % page header
// takes 28 KB).
constexpr unsigned long long kMaxPictureFile = 1 << 20;

// A picture of this program as a DIB section; null when it is missing. The
// pictures are 24-bit BMP files kept as zstd frames (RCDATA): flat drawings
// that shrink to a twentieth of their size, in every installer shipped.
HBITMAP LoadBitmapResource(int id) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* frame = loaded ? LockResource(loaded) : nullptr;
  if (!frame) return nullptr;
  const size_t frameSize = SizeofResource(module, found);
  const unsigned long long size = ZSTD_getFrameContentSize(frame, frameSize);
  if (size == ZSTD_CONTENTSIZE_UNKNOWN || size == ZSTD_CONTENTSIZE_ERROR || size > kMaxPictureFile) return nullptr;
  std::vector<uint8_t> file(static_cast<size_t>(size));
  const size_t got = ZSTD_decompress(file.data(), file.size(), frame, frameSize);
  if (ZSTD_isError(got) || got != file.size()) return nullptr;

  BITMAPFILEHEADER header;
  BITMAPINFO info{};
  if (file.size() < sizeof header + sizeof info.bmiHeader) return nullptr;
  std::memcpy(&header, file.data(), sizeof header);
  std::memcpy(&info.bmiHeader, file.data() + sizeof header, sizeof info.bmiHeader);
  const BITMAPINFOHEADER& bmp = info.bmiHeader;
  if (bmp.biBitCount != 24 || bmp.biCompression != BI_RGB || bmp.biWidth <= 0 || bmp.biHeight == 0) return nullptr;
  const uint64_t bytes = (uint64_t(bmp.biWidth) * 3 + 3) / 4 * 4 * uint64_t(std::abs(bmp.biHeight));
  if (header.bfOffBits > file.size() || bytes > file.size() - header.bfOffBits) return nullptr;
  return DibSection(info, file.data() + header.bfOffBits, static_cast<size_t>(bytes));
}

// The size of a bitmap in pixels (a top-down bitmap has a negative height).
SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof(info), &info);
  return {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

// Draws `bitmap` at (x, y) in `size` (stretched when it differs from the
// bitmap's). Transparent: the colour of its bottom-left pixel lets the
// background through (gdi32's own TransparentBlt: msimg32.dll, which exports
// it too, is no known DLL of the system).
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, SIZE size, bool transparent) {
  const SIZE own = BitmapSize(bitmap);
  TScopedMemDC source(dc);
  TScopedSelect picture(source.Get(), bitmap);
  if (transparent) {
    const COLORREF key = GetPixel(source.Get(), 0, own.cy - 1);
    GdiTransparentBlt(dc, x, y, size.cx, size.cy, source.Get(), 0, 0, own.cx, own.cy, key);
  } else if (size.cx == own.cx && size.cy == own.cy) {
    BitBlt(dc, x, y, size.cx, size.cy, source.Get(), 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, x, y, size.cx, size.cy, source.Get(), 0, 0, own.cx, own.cy, SRCCOPY);
  }
}

// The size a picture drawn for `drawnFor` DPI takes at `dpi`.
SIZE ShownSize(SIZE size, int drawnFor, int dpi) {
  return {MulDiv(size.cx, dpi, drawnFor), MulDiv(size.cy, dpi, drawnFor)};
}

HBITMAP BitmapOfPixels(const TPixels24& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = pixels.Width;
  info.bmiHeader.biHeight = -pixels.Height;  // top-down, as the pixels are laid out
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const HBITMAP bitmap =
      DibSection(info, pixels.Bits.data(), std::min(pixels.Bits.size(), static_cast<size_t>(pixels.Stride) * pixels.Height));
  if (!bitmap) RaiseLastOSError("CreateDIBSection");
  return bitmap;
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
  // A one-line label breaks too when its text grows past it (its form then
  // gives it the height, TForm::FitLabels).
  DrawTextW(dc, W(caption), static_cast<int>(caption.size()), &client, DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL);
}

// ---- TBevel ----

TBevel::TBevel(const TControlCreateArgs& args) { CreateControl(args, u"ZpBevel"); }

void TBevel::Paint(HDC dc) {
  TControl::Paint(dc);
  RECT client = ClientRect();
  DrawEdge(dc, &client, EDGE_ETCHED, BF_TOP);
}

// ---- TImage ----

HBITMAP LoadPictureResource(int id, int dpi, int& drawnFor) {
  HBITMAP best = nullptr;
  for (const auto& [size, offset] : kPictureSizes) {
    if (best && std::abs(size - dpi) >= std::abs(drawnFor - dpi)) continue;
    if (HBITMAP bitmap = LoadBitmapResource(id + offset)) {
      if (best) DeleteObject(best);
      best = bitmap;
      drawnFor = size;
    }
  }
  return best;
}

TImage::TImage(const TControlCreateArgs& args, TImageFit fit, bool transparent, int dpi)
    : fit_(fit), transparent_(transparent), dpi_(dpi) {
  CreateControl(args, u"ZpImage");
}

void TImage::Take(HBITMAP bitmap, int drawnFor) {
  bitmap_.Reset(bitmap);
  drawnFor_ = drawnFor;
  Invalidate();
}

void TImage::LoadPixels(const TPixels24& pixels) {
  pixels_ = pixels.Width > 0 && pixels.Height > 0 ? pixels : TPixels24{};
  MakeShownBitmap();
}

void TImage::MakeShownBitmap() {
  if (pixels_.Width <= 0) {
    Take(nullptr, 96);
    return;
  }
  const RECT client = ClientRect();
  if (fit_ == TImageFit::Cover) {
    Take(BitmapOfPixels(CoverPixels(pixels_, client.right, client.bottom)), dpi_);
  } else {
    const SIZE size = ShownSize({pixels_.Width, pixels_.Height}, 96, dpi_);
    Take(BitmapOfPixels(ResizePixels(pixels_, size.cx, size.cy)), dpi_);
  }
}

void TImage::Resize() {
  if (fit_ == TImageFit::Cover && pixels_.Width > 0) MakeShownBitmap();
  TControl::Resize();
}

void TImage::LoadResource(int id) {
  int drawnFor = 96;
  HBITMAP bitmap = LoadPictureResource(id, dpi_, drawnFor);
  if (!bitmap) RaiseLastOSError("a picture of the program image");
  pixels_ = {};
  Take(bitmap, drawnFor);
}

void TImage::SetGradient(TColor top, TColor bottom, const std::u16string& caption) {
  gradientTop_ = top;
  gradientBottom_ = bottom;
  gradientCaption_ = caption;
  gradient_ = true;
  Invalidate();
}

void TImage::PaintGradient(HDC dc) {
  RECT client = ClientRect();
  const COLORREF top = ColorToRGB(gradientTop_);
  const COLORREF bottom = ColorToRGB(gradientBottom_);
  TRIVERTEX ends[2] = {
      {client.left, client.top, static_cast<COLOR16>(GetRValue(top) << 8), static_cast<COLOR16>(GetGValue(top) << 8),
       static_cast<COLOR16>(GetBValue(top) << 8), 0},
      {client.right, client.bottom, static_cast<COLOR16>(GetRValue(bottom) << 8),
       static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8), 0},
  };
  GRADIENT_RECT rect{0, 1};
  GdiGradientFill(dc, ends, 2, &rect, 1, GRADIENT_FILL_RECT_V);  // gdi32's: no msimg32.dll
  if (gradientCaption_.empty()) return;
  // The caption in lines across the band with a margin, centred both ways.
  TScopedSelect font(dc, FontHandle());
  const int margin = MulDiv(10, dpi_, 96);
  RECT box{client.left + margin, 0, client.right - margin, 0};
  const UINT format = DT_CENTER | DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL;
  DrawTextW(dc, W(gradientCaption_), static_cast<int>(gradientCaption_.size()), &box, format | DT_CALCRECT);
  const int height = box.bottom - box.top;
  box.left = client.left + margin;
  box.right = client.right - margin;
  box.top = std::max<LONG>(client.top, (client.bottom - height) / 2);
  box.bottom = box.top + height;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  DrawTextW(dc, W(gradientCaption_), static_cast<int>(gradientCaption_.size()), &box, format);
}

void TImage::Paint(HDC dc) {
  if (!bitmap_) {
    if (gradient_)
      PaintGradient(dc);
    else
      TControl::Paint(dc);
    return;
  }
  TControl::Paint(dc);
  const RECT client = ClientRect();
  const SIZE size = fit_ == TImageFit::Cover && pixels_.Width > 0
                        ? BitmapSize(bitmap_.Get())
                        : ShownSize(BitmapSize(bitmap_.Get()), drawnFor_, dpi_);
  int x = 0;
  int y = 0;
  if (fit_ != TImageFit::TopLeft) {
    x = (client.right - size.cx) / 2;
    y = (client.bottom - size.cy) / 2;
  }
  DrawBitmap(dc, bitmap_.Get(), x, y, size, transparent_);
}

// ---- TSpeedButton ----

TSpeedButton::TSpeedButton(const TControlCreateArgs& args, const std::u16string& caption, int glyphResource,
                           int dpi) {
  if (glyphResource) {
    int drawnFor = 96;
    glyph_.Reset(LoadPictureResource(glyphResource, dpi, drawnFor));
    if (glyph_) glyphSize_ = ShownSize(BitmapSize(glyph_.Get()), drawnFor, dpi);
  }
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
  const SIZE glyph = glyphSize_;
  const int shift = pressed_ ? 1 : 0;
  int x = (client.right - glyph.cx - text.cx) / 2 + shift;
  if (glyph_) {
    DrawBitmap(dc, glyph_.Get(), x, (client.bottom - glyph.cy) / 2 + shift, glyph, true);
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
