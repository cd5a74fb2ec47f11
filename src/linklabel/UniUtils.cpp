#include "linklabel/UniUtils.h"

#include <algorithm>

namespace zp {

std::u16string WideCopy(const std::u16string& s, ptrdiff_t index, ptrdiff_t count) {
  const ptrdiff_t size = static_cast<ptrdiff_t>(s.size());
  if (index < 1) index = 1;
  if (count <= 0 || index > size) return std::u16string();
  return s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(std::min(count, size - index + 1)));
}

void WideDelete(std::u16string& s, ptrdiff_t index, ptrdiff_t count) {
  const ptrdiff_t size = static_cast<ptrdiff_t>(s.size());
  if (index < 1 || index > size || count <= 0) return;
  s.erase(static_cast<size_t>(index - 1), static_cast<size_t>(std::min(count, size - index + 1)));
}

void WideInsert(const std::u16string& sub, std::u16string& s, ptrdiff_t index) {
  const ptrdiff_t size = static_cast<ptrdiff_t>(s.size());
  index = std::clamp<ptrdiff_t>(index, 1, size + 1);
  s.insert(static_cast<size_t>(index - 1), sub);
}

size_t WidePos(const std::u16string& sub, const std::u16string& s, size_t offset) {
  if (sub.empty() || offset < 1 || offset > s.size()) return 0;
  const size_t at = s.find(sub, offset - 1);
  return at == std::u16string::npos ? 0 : at + 1;
}

std::u16string WideTrimRight(const std::u16string& s) {
  size_t end = s.size();
  while (end > 0 && s[end - 1] < 33) --end;
  return s.substr(0, end);
}

namespace {

bool IsWholeWordAt(const std::u16string& s, size_t at, size_t length) {
  return (at == 0 || IsWideSpaceOrPunct(s[at - 1])) &&
         (at + length >= s.size() || IsWideSpaceOrPunct(s[at + length]));
}

}  // namespace

std::u16string WideStringReplace(const std::u16string& s, const std::u16string& oldPattern,
                                 const std::u16string& newPattern, TReplaceFlags flags) {
  if (oldPattern.empty()) return s;
  const bool ignoreCase = (flags & rfIgnoreCase) != 0;
  const std::u16string haystack = ignoreCase ? WideUpperCase(s) : s;
  const std::u16string needle = ignoreCase ? WideUpperCase(oldPattern) : oldPattern;
  std::u16string result;
  size_t from = 0;
  for (size_t at = haystack.find(needle); at != std::u16string::npos; at = haystack.find(needle, at + 1)) {
    if (at < from) continue;
    if ((flags & rfWholeWord) && !IsWholeWordAt(haystack, at, needle.size())) continue;
    result.append(s, from, at - from);
    result += newPattern;
    from = at + needle.size();
    if (!(flags & rfReplaceAll)) break;
  }
  result.append(s, from, std::u16string::npos);
  return result;
}

}  // namespace zp

// ---- Line breaks inside East Asian text ----

namespace zp {

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Characters between which lines break without spaces: CJK symbols and
// punctuation, kana, bopomofo, Hangul, ideographs and their extensions,
// full-width forms.
bool IsEastAsian(char32_t c) {
  return (c >= 0x2E80 && c <= 0x2FFF) || (c >= 0x3000 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Closing punctuation, small kana and marks that must not start a line.
bool IsNoBreakBefore(char32_t c) {
  static const std::u16string kClosing =
      u"!%),.:;?]}\u00B0\u2019\u201D\u2025\u2026\u3001\u3002\u3005\u3009\u300B\u300D\u300F\u3011\u3015"
      u"\u3017\u3019\u301B\u301E\u301F\u303B\u3041\u3043\u3045\u3047\u3049\u3063\u3083\u3085\u3087\u308E"
      u"\u3095\u3096\u309B\u309C\u309D\u309E\u30A1\u30A3\u30A5\u30A7\u30A9\u30C3\u30E3\u30E5\u30E7\u30EE"
      u"\u30F5\u30F6\u30FB\u30FC\u30FD\u30FE\uFE50\uFE52\uFF01\uFF05\uFF09\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F"
      u"\uFF3D\uFF5D\uFF61\uFF63\uFF64\uFF65\uFF70";
  return c <= 0xFFFF && kClosing.find(static_cast<char16_t>(c)) != std::u16string::npos;
}

// Opening punctuation that must not end a line.
bool IsNoBreakAfter(char32_t c) {
  static const std::u16string kOpening =
      u"([{\u2018\u201C\u3008\u300A\u300C\u300E\u3010\u3014\u3016\u3018\u301A\u301D\uFF08\uFF3B\uFF5B\uFF62";
  return c <= 0xFFFF && kOpening.find(static_cast<char16_t>(c)) != std::u16string::npos;
}

char32_t CodePointEndingAt(const std::u16string& s, size_t index) {
  if (IsLowSurrogate(s[index]) && index > 0 && IsHighSurrogate(s[index - 1]))
    return 0x10000 + ((static_cast<char32_t>(s[index - 1]) - 0xD800) << 10) + (s[index] - 0xDC00);
  return s[index];
}

char32_t CodePointStartingAt(const std::u16string& s, size_t index) {
  if (IsHighSurrogate(s[index]) && index + 1 < s.size() && IsLowSurrogate(s[index + 1]))
    return 0x10000 + ((static_cast<char32_t>(s[index]) - 0xD800) << 10) + (s[index + 1] - 0xDC00);
  return s[index];
}

bool IsBreakBetween(char32_t before, char32_t after) {
  if (before <= u' ' || after <= u' ') return false;  // spaces break on their own
  return (IsEastAsian(before) || IsEastAsian(after)) && !IsNoBreakBefore(after) && !IsNoBreakAfter(before);
}

}  // namespace

bool IsLineBreakAfter(const std::u16string& s, size_t index) {
  if (index + 1 >= s.size() || IsHighSurrogate(s[index])) return false;
  return IsBreakBetween(CodePointEndingAt(s, index), CodePointStartingAt(s, index + 1));
}

bool IsLineBreakBetween(const std::u16string& before, const std::u16string& after) {
  if (before.empty() || after.empty()) return false;
  return IsBreakBetween(CodePointEndingAt(before, before.size() - 1), CodePointStartingAt(after, 0));
}

}  // namespace zp
