#include "Shots.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zp {

std::string ReadHostFile(const std::string& unixPath) {
  std::ifstream file("Z:" + unixPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void RunHostScript(const std::string& path, const std::string& script, const std::function<void()>& pump) {
  const std::string status = path + ".status";
  DeleteFileA(("Z:" + status).c_str());
  {
    std::ofstream file("Z:" + path, std::ios::binary);
    file << "PATH=/usr/bin:/bin\n{\n" << script << "\n} 2>'" << path << ".log'\necho $? >'" << status << "'\n";
    if (!file) throw std::runtime_error("cannot write " + path);
  }
  std::wstring command = L"/bin/sh \"" + std::wstring(path.begin(), path.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    throw std::runtime_error("cannot start /bin/sh");
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  for (int waited = 0; waited < 30000; waited += 50) {
    const std::string code = ReadHostFile(status);
    if (!code.empty() && code.back() == '\n') {
      for (const char* scratch : {"", ".status"}) DeleteFileA(("Z:" + path + scratch).c_str());
      if (std::stoi(code) != 0) throw std::runtime_error(path + " failed: " + ReadHostFile(path + ".log"));
      DeleteFileA(("Z:" + path + ".log").c_str());
      return;
    }
    pump();
    Sleep(50);
  }
  throw std::runtime_error(path + " did not finish");
}

bool SaveShot(HWND window, const std::string& name, const std::function<void()>& pump) {
  const char* dir = std::getenv("ZP_SHOTS_DIR");
  if (!dir) return false;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  pump();
  Sleep(150);
  RECT bounds{};
  GetClientRect(window, &bounds);
  MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&bounds), 2);
  const std::string geometry = std::to_string(bounds.right - bounds.left) + "x" +
                               std::to_string(bounds.bottom - bounds.top) + "+" + std::to_string(bounds.left) +
                               "+" + std::to_string(bounds.top);
  CreateDirectoryA(("Z:" + std::string(dir)).c_str(), nullptr);
  const std::string base = std::string(dir) + "/" + name;
  try {
    RunHostScript(base + ".sh", "import -silent -window root -crop " + geometry + " +repage '" + base + ".png'", pump);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace zp
