#include "strings/ZpTrans.h"

#include "base/Strings.h"
#include "strings/DefStrings.h"

namespace zp {
namespace {

// Replaces every `pattern`; the scan goes on after each inserted value, so
// the value itself is never scanned.
void ReplaceAll(std::string& text, const std::string& pattern, const std::string& value) {
  for (size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + value.size()))
    text.replace(at, pattern.size(), value);
}

std::u16string Utf8OrEmpty(const std::string& text) {
  std::u16string wide;
  DecodeUtf8(text, wide);  // leaves `wide` empty when the text is not valid
  return wide;
}

// A checked text with its arguments in: the arguments may name files whose
// characters lie beyond U+FFFF.
std::u16string FilledOrEmpty(const std::string& text) {
  std::u16string wide;
  DecodeUtf8Full(text, wide);
  return wide;
}

// An argument as valid UTF-8: a malformed byte (a name read from damaged
// data) shows as U+FFFD, and the text still says what happened.
std::string ValidArgument(const std::string& arg) { return IsUtf8(arg) ? arg : WideToUtf8(Utf8ToWide(arg)); }

}  // namespace

TZpTransItem& TZpTrans::Add() {
  items_.push_back(std::make_unique<TZpTransItem>());
  return *items_.back();
}

TZpTransItem& TZpTrans::Add(int32_t id, std::string text) {
  TZpTransItem& item = Add();
  item.Id = id;
  item.Text = std::move(text);
  item.Markup = DefaultMarkup(id);
  return item;
}

const TZpTransItem* TZpTrans::Find(int32_t id) const {
  for (const auto& item : items_)
    if (item->Id == id) return item.get();
  return nullptr;
}

int TZpTrans::DefaultIndex(int32_t id) {
  for (int i = 0; i < DefaultStringCount; ++i)
    if (DefaultStrings[i].Id == id) return i;
  return -1;
}

bool TZpTrans::DefaultMarkup(int32_t id) {
  const int index = DefaultIndex(id);
  return index >= 0 && DefaultStrings[index].Markup;
}

std::string TZpTrans::GetRawText(int32_t id) const {
  std::string text;
  bool markup = false;
  if (const TZpTransItem* item = Find(id)) {
    text = item->Text;
    markup = item->Markup;
  } else if (const int index = DefaultIndex(id); index >= 0) {
    text = DefaultStrings[index].Text;
    markup = DefaultStrings[index].Markup;
  }
  ReplaceAll(text, "|", markup ? "<br>" : "\r\n");
  return text;
}

std::u16string TZpTrans::GetText(int32_t id) const {
  return Utf8OrEmpty(GetRawText(id));
}

// A text that is not valid UTF-8 stays empty whatever the arguments are:
// an argument (even an empty one) must not join the halves of a broken
// sequence into a character the translator never wrote.
std::u16string TZpTrans::GetText(int32_t id, const std::string& arg1) const {
  std::string text = GetRawText(id);
  if (!IsValidUtf8(text)) return {};
  ReplaceAll(text, "%1", ValidArgument(arg1));
  return FilledOrEmpty(text);
}

std::u16string TZpTrans::GetText(int32_t id, const std::string& arg1, const std::string& arg2) const {
  std::string text = GetRawText(id);
  if (!IsValidUtf8(text)) return {};
  ReplaceAll(text, "%1", ValidArgument(arg1));
  ReplaceAll(text, "%2", ValidArgument(arg2));
  return FilledOrEmpty(text);
}

}  // namespace zp
