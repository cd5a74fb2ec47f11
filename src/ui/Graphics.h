// Fonts and named colours of the toolkit. Colours and font-style sets come
// from Surface.h, so the label's layout code and the controls share them.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Surface.h"
#include "base/WinHandles.h"

namespace zp {

constexpr TColor clBlack = 0x00000000;
constexpr TColor clWhite = 0x00FFFFFF;

// The RGB value of a colour; system colours are looked up now (GetSysColor).
COLORREF ColorToRGB(TColor color);

// A font as a value: face, size, style set and text colour.
struct TFont {
  std::u16string Name;
  // As in LOGFONT: negative = character height in pixels, positive = cell height.
  int32_t Height = 0;
  TFontStyles Style = 0;
  TColor Color = clWindowText;

  // The system's font for dialogs and controls (DEFAULT_GUI_FONT).
  static TFont DefaultGui();

  bool operator==(const TFont& other) const {
    return Name == other.Name && Height == other.Height && Style == other.Style && Color == other.Color;
  }
  bool operator!=(const TFont& other) const { return !(*this == other); }
};

// A GDI font of the given face and size in the given style (the font's own
// Style is not used). Raises EOSError when GDI refuses.
TScopedFont CreateFontHandle(const TFont& font, TFontStyles style);
inline TScopedFont CreateFontHandle(const TFont& font) { return CreateFontHandle(font, font.Style); }

// A face with the glyphs of the East Asian script that `sample` is written
// in (Japanese when it holds kana, Korean for Hangul, Chinese for other
// ideographs): the script's usual interface faces first, then any face the
// system lists for the script's character set. Empty for other scripts, or
// when no such face is installed (the faces of the form then rely on the
// system's font linking).
std::u16string EastAsianFace(const std::u16string& sample);

}  // namespace zp
