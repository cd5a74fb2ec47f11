#include "engine/ZpUtils.h"

#include "base/Strings.h"

namespace zp {

namespace {

std::u16string DecodeUtf16(const std::string& bytes, size_t start, bool bigEndian) {
  std::u16string text;
  text.reserve((bytes.size() - start) / 2);
  // A last odd byte is no character.
  for (size_t i = start; i + 1 < bytes.size(); i += 2) {
    const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    text.push_back(static_cast<char16_t>(lo | hi << 8));
  }
  return text;
}

bool StartsWith(const std::string& bytes, const char* mark) { return bytes.rfind(mark, 0) == 0; }

// Terminals write UTF-16 little-endian with a mark; a file written by hand
// may be UTF-16 without one (it holds NUL bytes: every path has ASCII in
// it), UTF-8 with or without a mark, or ANSI text of the system code page.
std::u16string DecodeOriginBytes(const std::string& bytes) {
  if (StartsWith(bytes, "\xFF\xFE")) return DecodeUtf16(bytes, 2, false);
  if (StartsWith(bytes, "\xFE\xFF")) return DecodeUtf16(bytes, 2, true);
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return Utf8ToWide(bytes.substr(3));
  if (bytes.find('\0') != std::string::npos) return DecodeUtf16(bytes, 0, false);
  std::u16string wide;
  if (DecodeUtf8Full(bytes, wide)) return wide;
  return AnsiToWide(bytes);
}

// The text read as lines and joined again with CR LF: a line ends at CR, LF
// or CR LF, and the text ends at a NUL.
std::u16string JoinLines(const std::u16string& text) {
  std::u16string joined;
  size_t i = 0;
  while (i < text.size() && text[i] != u'\0') {
    const size_t start = i;
    while (i < text.size() && text[i] != u'\0' && text[i] != u'\r' && text[i] != u'\n') ++i;
    joined.append(text, start, i - start).append(u"\r\n");
    if (i < text.size() && text[i] == u'\r') ++i;
    if (i < text.size() && text[i] == u'\n') ++i;
  }
  return joined;
}

std::u16string Trim(const std::u16string& text) {
  size_t first = 0, last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  return text.substr(first, last - first);
}

}  // namespace

const char* const kTerminalWindowClass = "MetaQuotes::MetaTrader::4.00";

std::string DecodeOriginText(const std::string& bytes) {
  return WideToUtf8(Trim(JoinLines(DecodeOriginBytes(bytes))));
}

bool IsNewTerminalVersion(uint32_t fileVersionMS, uint32_t fileVersionLS) {
  return (fileVersionMS >> 16) == 4 && (fileVersionLS & 0xFFFF) >= 600;
}

}  // namespace zp
