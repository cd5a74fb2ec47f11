// A shell shortcut (".lnk" file), written through the system's shell link
// object. The caller's thread must have initialised COM.
#pragma once

#include <cstdint>
#include <string>

namespace zp {

class TShellLink {
public:
  std::string Arguments;
  std::string Description;
  uint16_t Hotkey = 0;
  std::string IconPath;
  int32_t IconIndex = -1;
  std::string Path;
  int32_t ShowCommand = 1;  // SW_SHOWNORMAL
  std::string WorkingDirectory;

  // Writes the shortcut to `linkPath`, replacing any file there. Every text,
  // as everywhere in the program, is UTF-8; the link stores it as UTF-16.
  // Callers do not look at the result: a shortcut is a convenience, and a
  // link that cannot be made must not stop an installation. It is true when
  // the shell saved the file.
  bool Save(const std::string& linkPath) const;
};

}  // namespace zp
