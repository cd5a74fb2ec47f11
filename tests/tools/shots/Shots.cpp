#include "Shots.h"

#include <cstdlib>
#include <fstream>

namespace zp {

bool SaveShot(HWND window, const std::string& name, const std::function<void()>& pump) {
  const char* dir = std::getenv("ZP_SHOTS_DIR");
  if (!dir) return false;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  pump();
  Sleep(150);
  std::string base = "Z:" + std::string(dir) + "/" + name;
  for (char& c : base)
    if (c == '/') c = '\\';
  DeleteFileA((base + ".png").c_str());
  RECT bounds{};
  GetClientRect(window, &bounds);
  MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&bounds), 2);
  {
    std::ofstream request(base + ".req.tmp");
    request << (bounds.right - bounds.left) << "x" << (bounds.bottom - bounds.top) << "+" << bounds.left << "+"
            << bounds.top;
  }
  MoveFileExA((base + ".req.tmp").c_str(), (base + ".req").c_str(), MOVEFILE_REPLACE_EXISTING);
  for (int waited = 0; waited < 100; ++waited) {
    if (GetFileAttributesA((base + ".png").c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    pump();
    Sleep(100);
  }
  return false;
}

}  // namespace zp
