// Every text conversion of the project lives here.
//   8-bit text (paths, package texts, log lines): std::string in UTF-8.
//   Wide text: std::u16string; turned into wchar_t only at Win32 calls (W(),
//     WStr(), FromW()), which are always the W forms.
//   ANSI text exists only in packages without the UTF-8 mark: their loader
//     converts it once (AnsiToUtf8); nothing converts to ANSI.
#pragma once

#include <string>

namespace zp {

// ANSI text of the system code page (Windows: CP_ACP; natively:
// Windows-1252) as wide text or UTF-8.
std::u16string AnsiToWide(const std::string& text);
std::string AnsiToUtf8(const std::string& text);

// Decodes UTF-8 with at most three bytes per character into UTF-16. Returns
// false (and leaves `out` empty) when a sequence is cut off at the end, a
// following byte is not 10xxxxxx, or a lead byte is not a UTF-8 lead of one
// to three bytes.
bool DecodeUtf8(const std::string& text, std::u16string& out);
inline bool IsValidUtf8(const std::string& text) {
  std::u16string ignored;
  return DecodeUtf8(text, ignored);
}
// Strict UTF-8 of one to four bytes per character (four bytes become a
// surrogate pair): false, with `out` empty, for anything malformed.
bool DecodeUtf8Full(const std::string& text, std::u16string& out);
inline bool IsUtf8(const std::string& text) {
  std::u16string ignored;
  return DecodeUtf8Full(text, ignored);
}
// Program text to wide text. Text of this program is valid UTF-8; should a
// malformed byte slip in, it becomes U+FFFD rather than another character.
std::u16string Utf8ToWide(const std::string& text);
// Wide text to UTF-8; a surrogate pair becomes one four-byte character.
std::string WideToUtf8(const std::u16string& text);

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
// UTF-8 text made wide for a W call: WStr(path).c_str(). Held in a
// u16string rather than a std::wstring, whose library instantiation would
// bring some 40 KiB into the image.
class TWideText {
public:
  explicit TWideText(const std::string& utf8) : text_(Utf8ToWide(utf8)) {}
  const wchar_t* c_str() const { return W(text_); }
  // Writable, for the calls that may change their buffer (CreateProcessW).
  wchar_t* data() { return reinterpret_cast<wchar_t*>(&text_[0]); }
  size_t size() const { return text_.size(); }
  bool empty() const { return text_.empty(); }

private:
  std::u16string text_;
};
inline TWideText WStr(const std::string& utf8) { return TWideText(utf8); }
// A W call's text back as UTF-8.
inline std::string Utf8FromW(const wchar_t* text) { return WideToUtf8(FromW(text)); }
inline std::string Utf8FromW(const wchar_t* text, size_t length) {
  return WideToUtf8(std::u16string(reinterpret_cast<const char16_t*>(text), length));
}
// The one conversion of a path between the program's strings and the W
// calls of the file system, and back.
inline std::u16string WidePath(const std::string& path) { return Utf8ToWide(path); }
inline std::string NarrowPath(const std::u16string& path) { return WideToUtf8(path); }
}  // namespace zp
#endif
