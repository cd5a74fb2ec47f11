#include "ui/GdiSurface.h"

#include "base/Errors.h"
#include "base/Strings.h"

namespace zp {

TGdiSurface::TGdiSurface(HDC dc, const TFont& font) : dc_(dc), font_(font), saved_(dc) {
  SetBkMode(dc_, TRANSPARENT);
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  SetFontStyle(font.Style);
  SetFontColor(font.Color);
}

void TGdiSurface::SetFontStyle(TFontStyles style) {
  style &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
  TScopedFont& handle = fonts_[style];
  if (!handle) handle = CreateFontHandle(font_, style);
  SelectObject(dc_, handle.Get());
  style_ = style;
}

void TGdiSurface::SetFontColor(TColor color) { SetTextColor(dc_, ColorToRGB(color)); }

SIZE TGdiSurface::Extent(const std::u16string& text) {
  SIZE size{0, 0};
  if (!GetTextExtentPoint32W(dc_, W(text), static_cast<int>(text.size()), &size))
    RaiseLastOSError("GetTextExtentPoint32W");
  return size;
}

int32_t TGdiSurface::TextWidth(const std::u16string& text) { return Extent(text).cx; }

int32_t TGdiSurface::TextHeight(const std::u16string& text) { return Extent(text).cy; }

void TGdiSurface::DrawString(int32_t x, int32_t y, const std::u16string& text) {
  if (!ExtTextOutW(dc_, x, y, 0, nullptr, W(text), static_cast<UINT>(text.size()), nullptr))
    RaiseLastOSError("ExtTextOutW");
}

}  // namespace zp
