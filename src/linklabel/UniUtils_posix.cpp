// Natively there is no user locale to ask: the mappings cover ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic, which is what captions are written in.
#include "linklabel/UniUtils.h"

namespace zp {

namespace {

char16_t UpperChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x137 && (c & 1)) return static_cast<char16_t>(c - 1);
  if (c >= 0x139 && c <= 0x148 && !(c & 1)) return static_cast<char16_t>(c - 1);
  if (c >= 0x14A && c <= 0x177 && (c & 1)) return static_cast<char16_t>(c - 1);
  if (c == 0x17A || c == 0x17C || c == 0x17E) return static_cast<char16_t>(c - 1);
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  return c;
}

}  // namespace

std::u16string WideUpperCase(const std::u16string& s) {
  std::u16string result = s;
  for (char16_t& c : result) c = UpperChar(c);
  return result;
}

bool IsWideSpaceOrPunct(char16_t c) {
  if (c <= 0x20 || c == 0x7F || c == 0xA0) return true;
  if (c < 0x7F) return !((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'));
  if (c >= 0xA1 && c <= 0xBF) return true;  // Latin-1 signs and punctuation
  if (c == 0xD7 || c == 0xF7) return true;
  if (c >= 0x2000 && c <= 0x206F) return true;  // general punctuation and spaces
  if (c >= 0x3000 && c <= 0x303F) return true;  // CJK punctuation
  return false;
}

}  // namespace zp
