// The entry point of the program images, ahead of the run-time library's own
// (linked with zp_program_entry): the DLL search is restricted to the system
// folder before any initialiser of the library or the program can load a
// DLL. Only the DLLs the image imports, all of them known to the system,
// are loaded before this point.
#include "base/SystemLibrary.h"

extern "C" int WinMainCRTStartup(void);

extern "C" int ZpEntry(void) {
  zp::RestrictDllSearch();
  zp::PreloadSystemLibraries();
  return WinMainCRTStartup();
}
