// A minimal program image that carries packages until the wizard exists: it
// reads the package position at byte 136 of its own file and says what it found.
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/WinHandles.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text = "This program carries no package.";
  const zp::TScopedHandle file(
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file) {
    uint32_t position = 0;
    DWORD n = 0;
    if (SetFilePointer(file.Get(), 136, nullptr, FILE_BEGIN) == 136 &&
        ReadFile(file.Get(), &position, 4, &n, nullptr) && n == 4 && position != 0)
      text = "Package data at byte " + std::to_string(position) + ".";
  }
  MessageBoxA(nullptr, text.c_str(), "ZpInstall", MB_OK | MB_ICONINFORMATION);
  return 0;
}
