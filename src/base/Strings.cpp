#include "base/Strings.h"

#include <cctype>

namespace zp {

bool DecodeUtf8(const std::string& text, std::u16string& out) {
  out.clear();
  out.reserve(text.size());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t follow;
    char32_t code;
    if (lead < 0x80) {
      follow = 0, code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      follow = 1, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      follow = 2, code = lead & 0x0F;
    } else {
      out.clear();
      return false;
    }
    for (size_t k = 1; k <= follow; ++k) {
      if (i + k >= n) {
        out.clear();
        return false;
      }
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        out.clear();
        return false;
      }
      code = (code << 6) | (next & 0x3F);
    }
    out.push_back(static_cast<char16_t>(code));
    i += follow + 1;
  }
  return true;
}

std::string WideToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string AnsiArgToUtf8(const std::string& text) {
  return IsValidUtf8(text) ? text : WideToUtf8(AnsiToWide(text));
}

bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace zp
