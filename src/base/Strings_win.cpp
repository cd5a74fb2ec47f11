#include <windows.h>

#include "base/Strings.h"

namespace zp {

std::u16string AnsiToWide(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                      reinterpret_cast<wchar_t*>(&out[0]), n);
  return out;
}

std::string WideToAnsi(const std::u16string& text) {
  if (text.empty()) return {};
  const wchar_t* wide = W(text);
  const int n = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace zp
