#include "base/Strings.h"

#include <cctype>

namespace zp {

namespace {

// One character of UTF-8 at `i` with at most `maxBytes` bytes: its code, and
// `i` moved past it; false for a malformed sequence (or one longer than
// `maxBytes`, an overlong form or a code beyond U+10FFFF with four bytes).
bool NextCharacter(const std::string& text, size_t& i, size_t maxBytes, char32_t& code) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  size_t follow;
  if (lead < 0x80) {
    follow = 0, code = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    follow = 1, code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    follow = 2, code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0 && maxBytes >= 4) {
    follow = 3, code = lead & 0x07;
  } else {
    return false;
  }
  for (size_t k = 1; k <= follow; ++k) {
    if (i + k >= text.size()) return false;
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return false;
    code = (code << 6) | (next & 0x3F);
  }
  if (follow == 3 && (code < 0x10000 || code > 0x10FFFF)) return false;
  i += follow + 1;
  return true;
}

void AppendUtf16(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<char16_t>(code));
  } else {
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  }
}

bool Decode(const std::string& text, size_t maxBytes, std::u16string& out) {
  out.clear();
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t code;
    if (!NextCharacter(text, i, maxBytes, code)) {
      out.clear();
      return false;
    }
    AppendUtf16(out, code);
  }
  return true;
}

}  // namespace

bool DecodeUtf8(const std::string& text, std::u16string& out) { return Decode(text, 3, out); }

bool DecodeUtf8Full(const std::string& text, std::u16string& out) { return Decode(text, 4, out); }

std::u16string Utf8ToWide(const std::string& text) {
  std::u16string out;
  if (Decode(text, 4, out)) return out;
  for (size_t i = 0; i < text.size();) {
    char32_t code;
    if (NextCharacter(text, i, 4, code)) {
      AppendUtf16(out, code);
    } else {
      out.push_back(u'\uFFFD');
      ++i;
    }
  }
  return out;
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

std::string AnsiToUtf8(const std::string& text) { return WideToUtf8(AnsiToWide(text)); }

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
