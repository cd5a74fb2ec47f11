// Wide-string routines of the link label. Positions are 1-based and
// out-of-range arguments are clamped, like the classic string routines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zp {

// Up to `count` code units from `index` on.
std::u16string WideCopy(const std::u16string& s, ptrdiff_t index, ptrdiff_t count);
// Removes up to `count` code units from `index` on.
void WideDelete(std::u16string& s, ptrdiff_t index, ptrdiff_t count);
// Inserts `sub` before `index` (at the end when past it).
void WideInsert(const std::u16string& sub, std::u16string& s, ptrdiff_t index);
// Position of the first `sub` at or after `offset`; 0 when there is none.
size_t WidePos(const std::u16string& sub, const std::u16string& s, size_t offset = 1);
// Drops trailing code units below 33 (spaces and control characters).
std::u16string WideTrimRight(const std::u16string& s);

// The platform's upper-case mapping (CharUpperBuffW on Windows).
std::u16string WideUpperCase(const std::u16string& s);
// A space or punctuation by the platform's character classification.
bool IsWideSpaceOrPunct(char16_t c);

// Whether a line may break between the code unit at `index` and the one
// after it without a space: between ideographs, kana and other characters
// of East Asian scripts, and between those and other text, but never inside
// a surrogate pair, before closing punctuation or a small kana, nor after
// opening punctuation.
bool IsLineBreakAfter(const std::u16string& s, size_t index);
// The same between the last code unit of `before` and the first of `after`.
bool IsLineBreakBetween(const std::u16string& before, const std::u16string& after);

enum TReplaceFlag : uint8_t {
  rfReplaceAll = 1u << 0,
  rfIgnoreCase = 1u << 1,
  rfWholeWord = 1u << 2,  // the code units beside a match are absent, spaces or punctuation
};
using TReplaceFlags = uint8_t;

std::u16string WideStringReplace(const std::u16string& s, const std::u16string& oldPattern,
                                 const std::u16string& newPattern, TReplaceFlags flags);

}  // namespace zp
