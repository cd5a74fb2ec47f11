// A minimal program image that carries packages until the wizard exists: it
// reads the package position at byte 136 of its own file and says what it found.
#include <windows.h>

#include <cstdint>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text = "This program carries no package.";
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    uint32_t position = 0;
    DWORD n = 0;
    if (SetFilePointer(file, 136, nullptr, FILE_BEGIN) == 136 &&
        ReadFile(file, &position, 4, &n, nullptr) && n == 4 && position != 0)
      text = "Package data at byte " + std::to_string(position) + ".";
    CloseHandle(file);
  }
  MessageBoxA(nullptr, text.c_str(), "ZpInstall", MB_OK | MB_ICONINFORMATION);
  return 0;
}
