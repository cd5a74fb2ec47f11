#include "ui/Graphics.h"

#include <algorithm>

#include "base/Errors.h"
#include "base/Strings.h"

namespace zp {

COLORREF ColorToRGB(TColor color) {
  if (IsSystemColor(color)) return GetSysColor(static_cast<int>(SystemColorIndex(color)));
  return color & 0x00FFFFFFu;
}

TFont TFont::DefaultGui() {
  LOGFONTW log{};
  TFont font;
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(log), &log) == sizeof(log)) {
    font.Name = FromW(log.lfFaceName);
    font.Height = log.lfHeight;
    if (log.lfWeight >= FW_BOLD) font.Style |= fsBold;
    if (log.lfItalic) font.Style |= fsItalic;
    if (log.lfUnderline) font.Style |= fsUnderline;
    if (log.lfStrikeOut) font.Style |= fsStrikeOut;
  } else {
    font.Name = u"MS Shell Dlg";
    font.Height = -11;
  }
  return font;
}

TScopedFont CreateFontHandle(const TFont& font, TFontStyles style) {
  LOGFONTW log{};
  log.lfHeight = font.Height;
  log.lfWeight = (style & fsBold) ? FW_BOLD : FW_NORMAL;
  log.lfItalic = (style & fsItalic) ? TRUE : FALSE;
  log.lfUnderline = (style & fsUnderline) ? TRUE : FALSE;
  log.lfStrikeOut = (style & fsStrikeOut) ? TRUE : FALSE;
  log.lfCharSet = DEFAULT_CHARSET;
  log.lfOutPrecision = OUT_DEFAULT_PRECIS;
  log.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  log.lfQuality = DEFAULT_QUALITY;
  log.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const size_t n = std::min(font.Name.size(), static_cast<size_t>(LF_FACESIZE - 1));
  std::copy_n(font.Name.data(), n, reinterpret_cast<char16_t*>(log.lfFaceName));
  TScopedFont handle(CreateFontIndirectW(&log));
  if (!handle) RaiseLastOSError("CreateFontIndirectW");
  return handle;
}

}  // namespace zp
