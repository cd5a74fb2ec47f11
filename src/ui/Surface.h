// Colours, font styles and the drawing surface that text layout draws on: a
// device context on Windows (GdiSurface.h), a recording fake in the tests.
// Portable, so that layout code built on it runs natively too.
#pragma once

#include <cstdint>
#include <string>

namespace zp {

// 0x00BBGGRR for an RGB colour, 0xFF0000nn for system colour number nn
// (the COLOR_... index of GetSysColor), resolved only when drawn.
using TColor = uint32_t;

constexpr TColor clWindow = 0xFF000005;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clHighlight = 0xFF00000D;
constexpr TColor clHighlightText = 0xFF00000E;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clGrayText = 0xFF000011;
constexpr TColor clBtnText = 0xFF000012;
constexpr TColor clHotLight = 0xFF00001A;

inline bool IsSystemColor(TColor color) { return (color & 0xFF000000u) == 0xFF000000u; }
inline uint32_t SystemColorIndex(TColor color) { return color & 0xFFu; }

// Font-style set, one bit per style.
using TFontStyles = uint8_t;
constexpr TFontStyles fsBold = 1u << 0;
constexpr TFontStyles fsItalic = 1u << 1;
constexpr TFontStyles fsUnderline = 1u << 2;
constexpr TFontStyles fsStrikeOut = 1u << 3;

class ISurface {
public:
  virtual ~ISurface() = default;

  // The style set of the current font, and a change of it (the face and size
  // stay as they are).
  virtual TFontStyles FontStyle() const = 0;
  virtual void SetFontStyle(TFontStyles style) = 0;
  // Colour of the text drawn from now on; system colours are resolved by the
  // surface.
  virtual void SetFontColor(TColor color) = 0;

  // Extent of the whole string in the current font.
  virtual int32_t TextWidth(const std::u16string& text) = 0;
  virtual int32_t TextHeight(const std::u16string& text) = 0;

  // Draws the glyphs with their cell's top-left corner at (x, y); no clipping.
  virtual void DrawString(int32_t x, int32_t y, const std::u16string& text) = 0;
};

}  // namespace zp
