// Small tools of the link label: geometry, string helpers and owning lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Errors.h"

namespace zp {

class EGenericToolsError : public EZpError {
public:
  using EZpError::EZpError;
};

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPoint& other) const { return X == other.X && Y == other.Y; }
  bool operator!=(const TPoint& other) const { return !(*this == other); }
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  bool operator==(const TRect& other) const {
    return Left == other.Left && Top == other.Top && Right == other.Right && Bottom == other.Bottom;
  }
  bool operator!=(const TRect& other) const { return !(*this == other); }
};

using TRectArray = std::vector<TRect>;

// Base of classes that only offer class-level functions: constructing one
// raises EGenericToolsError.
class TStaticObject {
public:
  TStaticObject();
};

class TStringTools : public TStaticObject {
public:
  // Compare the leading / trailing substring of the other string's length,
  // case-sensitively; an empty prefix or suffix matches.
  static bool StartsWith(const std::u16string& s, const std::u16string& prefix);
  static bool EndsWith(const std::u16string& s, const std::u16string& suffix);
  // Replaces the first occurrence of `pattern` again and again until none is
  // left; true when anything was replaced. An empty pattern replaces nothing.
  // A replacement that contains the pattern would never run out of
  // occurrences: then each occurrence of the original text is replaced once.
  static bool ReplaceAll(const std::u16string& pattern, const std::u16string& replacement, std::u16string& s);
  // Deletes every CR LF pair.
  static std::u16string RemoveLineBreaks(const std::u16string& s);
};

class TGraphicTools : public TStaticObject {
public:
  // All four edges count as inside.
  static bool PointInRect(const TRect& rect, const TPoint& point);
};

// A list that owns its items and frees them on Clear and on destruction.
template <class T>
class TOwnerPointerList {
public:
  virtual ~TOwnerPointerList() { TOwnerPointerList::Clear(); }
  TOwnerPointerList() = default;
  TOwnerPointerList(const TOwnerPointerList&) = delete;
  TOwnerPointerList& operator=(const TOwnerPointerList&) = delete;

  virtual void Clear() { items_.clear(); }
  size_t Count() const { return items_.size(); }

protected:
  std::vector<std::unique_ptr<T>> items_;
};

class TRectList : public TOwnerPointerList<TRect> {
public:
  void Add(const TRect& rect) { items_.push_back(std::make_unique<TRect>(rect)); }
  const TRect& Get(size_t index) const { return *items_.at(index); }
};

}  // namespace zp
