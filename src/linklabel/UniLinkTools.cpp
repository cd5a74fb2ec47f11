#include "linklabel/UniLinkTools.h"

namespace zp {

TStaticObject::TStaticObject() { throw EGenericToolsError("This class cannot be instantiated"); }

bool TStringTools::StartsWith(const std::u16string& s, const std::u16string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool TStringTools::EndsWith(const std::u16string& s, const std::u16string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool TStringTools::ReplaceAll(const std::u16string& pattern, const std::u16string& replacement,
                              std::u16string& s) {
  if (pattern.empty()) return false;
  // Replacing the leftmost occurrence leaves everything before it as it was,
  // so a new leftmost occurrence can start at most pattern.size() - 1 code
  // units earlier: the search resumes there instead of at the beginning.
  const bool cascades = replacement.find(pattern) == std::u16string::npos;
  bool replaced = false;
  size_t from = 0;
  for (size_t at = s.find(pattern); at != std::u16string::npos; at = s.find(pattern, from)) {
    s.replace(at, pattern.size(), replacement);
    replaced = true;
    from = cascades ? (at >= pattern.size() - 1 ? at - (pattern.size() - 1) : 0) : at + replacement.size();
  }
  return replaced;
}

std::u16string TStringTools::RemoveLineBreaks(const std::u16string& s) {
  // Repeated like ReplaceAll: no CR LF is left, not even one that closes up
  // when the pair between its halves goes.
  std::u16string result = s;
  ReplaceAll(u"\r\n", std::u16string(), result);
  return result;
}

bool TGraphicTools::PointInRect(const TRect& rect, const TPoint& point) {
  return rect.Left <= point.X && point.X <= rect.Right && rect.Top <= point.Y && point.Y <= rect.Bottom;
}

}  // namespace zp
