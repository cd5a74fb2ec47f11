#include <windows.h>

#include "linklabel/UniUtils.h"

namespace zp {

std::u16string WideUpperCase(const std::u16string& s) {
  std::u16string result = s;
  if (!result.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(&result[0]), static_cast<DWORD>(result.size()));
  return result;
}

bool IsWideSpaceOrPunct(char16_t c) {
  WORD type = 0;
  const wchar_t ch = static_cast<wchar_t>(c);
  if (!GetStringTypeExW(LOCALE_USER_DEFAULT, CT_CTYPE1, &ch, 1, &type)) return false;
  return (type & (C1_SPACE | C1_PUNCT)) != 0;
}

}  // namespace zp
