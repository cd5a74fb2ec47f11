// A deterministic drawing surface for tests: every code unit is CharWidth
// wide (BoldExtra more in bold), every string LineHeight high, and every
// call that changes or draws something is recorded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/Surface.h"

namespace zp {

class TFakeSurface : public ISurface {
public:
  struct TDraw {
    int32_t X;
    int32_t Y;
    std::u16string Text;
    TFontStyles Style;
    TColor Color;
  };

  explicit TFakeSurface(int32_t charWidth = 6, int32_t boldExtra = 2, int32_t lineHeight = 13)
      : CharWidth(charWidth), BoldExtra(boldExtra), LineHeight(lineHeight) {}

  TFontStyles FontStyle() const override { return style_; }
  void SetFontStyle(TFontStyles style) override { style_ = style; }
  void SetFontColor(TColor color) override { color_ = color; }
  int32_t TextWidth(const std::u16string& text) override {
    ++Measures;
    return static_cast<int32_t>(text.size()) * (CharWidth + ((style_ & fsBold) ? BoldExtra : 0));
  }
  int32_t TextHeight(const std::u16string&) override {
    ++Measures;
    return LineHeight;
  }
  void DrawString(int32_t x, int32_t y, const std::u16string& text) override {
    Draws.push_back({x, y, text, style_, color_});
  }

  TColor FontColor() const { return color_; }

  int32_t CharWidth;
  int32_t BoldExtra;
  int32_t LineHeight;
  std::vector<TDraw> Draws;
  int Measures = 0;

private:
  TFontStyles style_ = 0;
  TColor color_ = 0;
};

}  // namespace zp
