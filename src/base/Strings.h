// Every text conversion of the project lives here.
//   8-bit text (paths, package texts, log lines): std::string in the system
//     ANSI code page (Windows: CP_ACP; natively: Windows-1252).
//   Wide text: std::u16string; turned into wchar_t only at Win32 calls (W()).
//   The text table's UTF-8: strict decoding, see DecodeUtf8.
#pragma once

#include <string>

namespace zp {

std::u16string AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::u16string& text);

// Decodes UTF-8 with at most three bytes per character into UTF-16. Returns
// false (and leaves `out` empty) when a sequence is cut off at the end, a
// following byte is not 10xxxxxx, or a lead byte is not a UTF-8 lead of one
// to three bytes.
bool DecodeUtf8(const std::string& text, std::u16string& out);
inline bool IsValidUtf8(const std::string& text) {
  std::u16string ignored;
  return DecodeUtf8(text, ignored);
}
std::string WideToUtf8(const std::u16string& text);

// An 8-bit argument for a UTF-8 text: kept when it already is valid UTF-8,
// otherwise read as ANSI text and converted.
std::string AnsiArgToUtf8(const std::string& text);

// Case-insensitive comparison and case mapping of ASCII letters only.
bool SameTextAscii(const std::string& a, const std::string& b);
std::string UpperAscii(std::string text);
std::string LowerAscii(std::string text);

}  // namespace zp

#ifdef _WIN32
namespace zp {
// The one place where wide text meets wchar_t (16 bits on Windows).
inline const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline std::u16string FromW(const wchar_t* text) {
  return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}
// The one conversion of a path between the program's strings and the W
// calls of the file system, and back.
inline std::u16string WidePath(const std::string& path) { return AnsiToWide(path); }
inline std::string NarrowPath(const std::u16string& path) { return WideToAnsi(path); }
}  // namespace zp
#endif
