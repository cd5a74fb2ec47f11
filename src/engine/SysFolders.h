// The well-known Windows folders by number. Most come from the Shell Folders
// registry keys (current user's and all users'), a few from the Windows
// version key and the setup key, the rest from kernel32.
#pragma once

#include <cstdint>
#include <string>

namespace zp {

// The folder kinds; the numbers are fixed and travel as one byte.
enum class TSpecialFolder : uint8_t {
  // Current user's shell folders.
  Desktop = 0,
  StartMenu = 1,
  Programs = 2,
  Startup = 3,
  Personal = 4,  // documents
  MyPictures = 5,
  MyMusic = 6,
  MyVideo = 7,
  AppData = 8,  // roaming application data
  Fonts = 9,
  SendTo = 10,
  Recent = 11,
  Favorites = 12,
  Cache = 13,
  Cookies = 14,
  History = 15,
  NetHood = 16,
  PrintHood = 17,
  Templates = 18,
  LocalAppData = 19,
  LocalSettings = 20,
  CDBurning = 21,
  AdminTools = 22,
  // kernel32.
  Windows = 23,
  System = 24,
  Temp = 25,         // keeps its trailing backslash
  SystemDrive = 26,  // "C:"
  BootDrive = 27,    // "C:", from the setup key
  // Windows version key.
  ProgramFiles = 28,
  CommonFiles = 29,
  ConfigPath = 30,
  DevicePath = 31,
  MediaPath = 32,
  WallPaperDir = 33,
  // All users' shell folders.
  CommonAdminTools = 34,
  CommonAppData = 35,
  CommonDesktop = 36,
  CommonDocuments = 37,
  CommonPrograms = 38,  // all users' start-menu programs
  CommonStartMenu = 39,
  CommonStartup = 40,
  CommonTemplates = 41,
  CommonMusic = 42,
  CommonPictures = 43,
  CommonVideo = 44,
};

constexpr int kSpecialFolderCount = 45;

// The folder of `kind`, read afresh on every call. Empty when its source
// cannot be read, and for a kind above 44. With `trailingBackslash` a "\" is
// appended unless the text already ends with one (so "" gives "\").
// Windows only.
std::string GetSpecialFolder(TSpecialFolder kind, bool trailingBackslash = false);

// GetSpecialFolder(kind) without the backslash: the default folder source of
// the placeholder functions. Windows only.
std::string SystemFolder(TSpecialFolder kind);

// The full path of the running program's own file.
std::string OwnExecutablePath();

}  // namespace zp
