#include "base/WinHandles.h"

#include <algorithm>

#include "base/Strings.h"

namespace zp {

TFileSearch::TFileSearch(const std::string& pattern) : handle_(FindFirstFileW(WStr(pattern).c_str(), &data_)) {
  found_ = handle_.Valid();
}

std::string TFileSearch::Name() const { return Utf8FromW(data_.cFileName); }

bool TRegKey::Open(HKEY root, const std::string& path, REGSAM access) {
  return RegOpenKeyExW(root, WStr(path).c_str(), 0, access, key_.Out()) == ERROR_SUCCESS;
}

bool TRegKey::OpenOrCreate(HKEY root, const std::string& path) { return Create(root, path, KEY_READ) == ERROR_SUCCESS; }

LONG TRegKey::Create(HKEY root, const std::string& path, REGSAM access) {
  return RegCreateKeyExW(root, WStr(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key_.Out(),
                         nullptr);
}

bool TRegKey::ReadString(const std::string& name, std::string& value) const {
  const TWideText wideName = WStr(name);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(Get(), wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::u16string data(size / sizeof(char16_t) + 1, u'\0');
  if (size > 0 && RegQueryValueExW(Get(), wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                                   &size) != ERROR_SUCCESS)
    return false;
  // Stored strings usually, but not always, end with a NUL.
  data.resize(std::min<size_t>(size / sizeof(char16_t), data.find(u'\0')));
  value = WideToUtf8(data);
  return true;
}

bool TRegKey::ReadInteger(const std::string& name, DWORD& value) const {
  DWORD type = 0, data = 0, size = sizeof(data);
  if (RegQueryValueExW(Get(), WStr(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(data))
    return false;
  value = data;
  return true;
}

LONG TRegKey::WriteString(const std::string& name, const std::string& value) const {
  const TWideText wide = WStr(value);
  return RegSetValueExW(Get(), WStr(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                        static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

LONG TRegKey::WriteInteger(const std::string& name, DWORD value) const {
  return RegSetValueExW(Get(), WStr(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value));
}

LONG DeleteRegistryKey(HKEY root, const std::string& path) { return RegDeleteKeyW(root, WStr(path).c_str()); }

}  // namespace zp
