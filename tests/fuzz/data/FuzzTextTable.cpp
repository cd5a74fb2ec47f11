// Builds a translation table from the input and looks texts up with
// arguments taken from it: every result must be whole UTF-16 or empty.
#include <cstdlib>
#include <string>

#include "base/Strings.h"
#include "strings/ZpTrans.h"

using namespace zp;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Input: items as [id byte][length byte][text], then two arguments split at
// the first zero byte.
struct TReader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;

  bool Left(size_t n) const { return size - at >= n; }
  std::string Take(size_t n) {
    std::string s(reinterpret_cast<const char*>(data + at), n);
    at += n;
    return s;
  }
};

// Ids near the interesting defaults (1, 117, 205, 301, 308) and some unused.
int32_t IdOf(uint8_t b) {
  static const int32_t ids[] = {1, 3, 4, 34, 105, 117, 203, 205, 301, 308, 405, 9999};
  return ids[b % (sizeof(ids) / sizeof(ids[0]))];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string whole(reinterpret_cast<const char*>(data), size);
  std::u16string decoded;
  const bool valid = DecodeUtf8(whole, decoded);
  Check(valid || decoded.empty());
  Check(decoded.size() <= whole.size());

  TReader in{data, size};
  TZpTrans table;
  while (in.Left(2) && data[in.at] != 0xFF) {
    const int32_t id = IdOf(data[in.at]);
    const size_t length = data[in.at + 1];
    in.at += 2;
    if (!in.Left(length)) break;
    table.Add(id, in.Take(length));
  }
  const std::string rest = in.Take(size - in.at);
  const size_t split = rest.find('\0');
  const std::string arg1 = rest.substr(0, split);
  const std::string arg2 = split == std::string::npos ? std::string() : rest.substr(split + 1);

  for (int i = 0; i < 12; ++i) {
    const int32_t id = IdOf(static_cast<uint8_t>(i));
    const std::string raw = table.GetRawText(id);
    Check(raw.find('|') == std::string::npos);
    const bool validRaw = IsValidUtf8(raw);
    Check(table.GetText(id).empty() == (raw.empty() || !validRaw));
    // Arguments go in as valid UTF-8 whatever their bytes: they neither
    // blank a valid text (any byte but the placeholders' survives) nor mend
    // an invalid one.
    for (const std::u16string& filled : {table.GetText(id, arg1), table.GetText(id, arg1, arg2)}) {
      if (!validRaw) Check(filled.empty());
      if (validRaw && raw.find_first_not_of("%12") != std::string::npos) Check(!filled.empty());
    }
  }
  return 0;
}
