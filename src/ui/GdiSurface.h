// The drawing surface on a Windows device context. The face and size
// come from a toolkit font; the style set and the colour change per piece of
// text. Only glyphs are drawn (no background), at their cell's top-left corner.
#pragma once

#include <windows.h>

#include <array>

#include "ui/Surface.h"
#include "ui/Graphics.h"
#include "base/WinHandles.h"

namespace zp {

class TGdiSurface : public ISurface {
public:
  // Draws on `dc` in `font`, starting with the font's style and colour. The
  // DC gets its former state back when the surface ends.
  TGdiSurface(HDC dc, const TFont& font);
  TGdiSurface(const TGdiSurface&) = delete;
  TGdiSurface& operator=(const TGdiSurface&) = delete;

  TFontStyles FontStyle() const override { return style_; }
  void SetFontStyle(TFontStyles style) override;
  void SetFontColor(TColor color) override;
  int32_t TextWidth(const std::u16string& text) override;
  int32_t TextHeight(const std::u16string& text) override;
  void DrawString(int32_t x, int32_t y, const std::u16string& text) override;

private:
  SIZE Extent(const std::u16string& text);

  HDC dc_;
  TFont font_;
  TFontStyles style_ = 0;
  // One GDI font per style set, made when first needed. Declared before the
  // saved state so that the DC lets go of them before they are deleted.
  std::array<TScopedFont, 16> fonts_;
  TScopedSaveDC saved_;
};

}  // namespace zp
