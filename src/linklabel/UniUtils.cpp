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
