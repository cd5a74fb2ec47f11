#include "base/WinHandles.h"

#include <algorithm>

namespace zp {

bool TRegKey::Open(HKEY root, const char* path, REGSAM access) {
  return RegOpenKeyExA(root, path, 0, access, key_.Out()) == ERROR_SUCCESS;
}

bool TRegKey::OpenOrCreate(HKEY root, const char* path) { return Create(root, path, KEY_READ) == ERROR_SUCCESS; }

LONG TRegKey::Create(HKEY root, const char* path, REGSAM access) {
  return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key_.Out(), nullptr);
}

bool TRegKey::ReadString(const char* name, std::string& value) const {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::string data(size, '\0');
  if (size > 0 &&
      RegQueryValueExA(Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) != ERROR_SUCCESS)
    return false;
  // Stored strings usually, but not always, end with a NUL.
  data.resize(std::min<size_t>(size, data.find('\0')));
  value = std::move(data);
  return true;
}

bool TRegKey::ReadInteger(const char* name, DWORD& value) const {
  DWORD type = 0, data = 0, size = sizeof(data);
  if (RegQueryValueExA(Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(data))
    return false;
  value = data;
  return true;
}

LONG TRegKey::WriteString(const char* name, const std::string& value) const {
  return RegSetValueExA(Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
}

LONG TRegKey::WriteInteger(const char* name, DWORD value) const {
  return RegSetValueExA(Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

}  // namespace zp
