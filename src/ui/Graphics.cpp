#include "ui/Graphics.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

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

namespace {

enum class TScript : uint8_t { Other, Japanese, Chinese, Korean };

TScript ScriptOf(const std::u16string& sample) {
  bool han = false;
  for (char16_t c : sample) {
    if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0xFF66 && c <= 0xFF9F)) return TScript::Japanese;
    if ((c >= 0xAC00 && c <= 0xD7AF) || (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F))
      return TScript::Korean;
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF)) han = true;
  }
  return han ? TScript::Chinese : TScript::Other;
}

// Whether `face` draws every character of `text` with a glyph of its own.
bool HasGlyphs(const std::u16string& face, const std::u16string& text) {
  TFont font;
  font.Name = face;
  font.Height = -12;
  TScopedGetDC screen(nullptr);
  TScopedFont handle = CreateFontHandle(font);
  TScopedSelect select(screen.Get(), handle.Get());
  std::vector<WORD> glyphs(text.size());
  if (GetGlyphIndicesW(screen.Get(), W(text), static_cast<int>(text.size()), glyphs.data(),
                       GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
    return false;
  return std::find(glyphs.begin(), glyphs.end(), 0xFFFF) == glyphs.end();
}

// Collects the horizontal faces (vertical ones are named "@...").
int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
  auto* faces = reinterpret_cast<std::vector<std::u16string>*>(data);
  if (font->lfFaceName[0] != L'@') faces->push_back(FromW(font->lfFaceName));
  return 1;
}

// The installed faces named `face` (one or none), or every face with glyphs
// for `charset` when `face` is empty.
std::vector<std::u16string> Faces(const std::u16string& face, BYTE charset) {
  LOGFONTW query{};
  query.lfCharSet = charset;
  face.copy(reinterpret_cast<char16_t*>(query.lfFaceName), LF_FACESIZE - 1);
  std::vector<std::u16string> faces;
  TScopedGetDC screen(nullptr);
  EnumFontFamiliesExW(screen.Get(), &query, &CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
  return faces;
}

}  // namespace

std::u16string EastAsianFace(const std::u16string& sample) {
  struct TChoice {
    TScript Script;
    std::initializer_list<const char16_t*> Faces;
    std::initializer_list<BYTE> Charsets;
  };
  static const TChoice kChoices[] = {
      // Windows' faces first, then those of Linux systems that run us under wine.
      {TScript::Japanese,
       {u"Meiryo UI", u"MS UI Gothic", u"Yu Gothic UI", u"MS PGothic", u"Noto Sans CJK JP", u"WenQuanYi Micro Hei",
        u"WenQuanYi Zen Hei"},
       {SHIFTJIS_CHARSET, GB2312_CHARSET, CHINESEBIG5_CHARSET}},
      {TScript::Chinese,
       {u"Microsoft YaHei", u"SimSun", u"Microsoft JhengHei", u"PMingLiU", u"Noto Sans CJK SC", u"WenQuanYi Micro Hei",
        u"WenQuanYi Zen Hei"},
       {GB2312_CHARSET, CHINESEBIG5_CHARSET, SHIFTJIS_CHARSET}},
      {TScript::Korean, {u"Malgun Gothic", u"Gulim", u"Dotum"}, {HANGUL_CHARSET}},
  };
  const TScript script = ScriptOf(sample);
  // The face must draw the sample and the Latin letters of names and
  // versions: some fallback faces hold ideographs only.
  std::u16string probe = u"AZaz09";
  for (char16_t c : sample) {
    if (c >= 0x3040 && c <= 0xD7AF && probe.size() < 16) probe += c;
  }
  for (const TChoice& choice : kChoices) {
    if (choice.Script != script) continue;
    for (const char16_t* face : choice.Faces) {
      if (!Faces(face, DEFAULT_CHARSET).empty() && HasGlyphs(face, probe)) return face;
    }
    for (BYTE charset : choice.Charsets) {
      for (const std::u16string& face : Faces(u"", charset)) {
        if (HasGlyphs(face, probe)) return face;
      }
    }
  }
  return u"";
}

}  // namespace zp
