// The translation table of a package: translated texts by id, looked up
// before the built-in defaults, handed out as wide text with line breaks
// resolved and arguments filled in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zp {

struct TZpTransItem {
  int32_t Id = 0;
  std::string Text;  // UTF-8, written like the default text
  // As TDefString::Markup. Packages carry no such flag: items take the flag of
  // the default text with the same id (see TZpTrans::DefaultMarkup).
  bool Markup = false;
};

class TZpTrans {
public:
  TZpTrans() = default;
  TZpTrans(const TZpTrans&) = delete;
  TZpTrans& operator=(const TZpTrans&) = delete;

  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  // 0-based, in insertion order.
  TZpTransItem& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
  const TZpTransItem& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }

  // Appends an empty item for the caller to fill.
  TZpTransItem& Add();
  // Appends a filled item; its Markup is that of the default text `id`.
  TZpTransItem& Add(int32_t id, std::string text);

  // The first item with this id, or null. Later duplicates are never found.
  const TZpTransItem* Find(int32_t id) const;
  // Index into DefaultStrings of the first entry with this id, or -1.
  static int DefaultIndex(int32_t id);
  // The Markup flag of the default text `id` (false when there is none).
  static bool DefaultMarkup(int32_t id);

  // The UTF-8 text of `id` (translation first, then default, else empty)
  // with every "|" turned into "<br>" (markup texts) or CR LF.
  std::string GetRawText(int32_t id) const;

  // The text as wide text; "%1" and then "%2" are replaced by the arguments.
  // Arguments are UTF-8 (paths and names of four bytes per character
  // included). A text that is not valid UTF-8 of at most three bytes per
  // character gives "", and so does an argument that is not valid UTF-8.
  std::u16string GetText(int32_t id) const;
  std::u16string GetText(int32_t id, const std::string& arg1) const;
  std::u16string GetText(int32_t id, const std::string& arg1, const std::string& arg2) const;

private:
  std::vector<std::unique_ptr<TZpTransItem>> items_;
};

}  // namespace zp
