// The entry point of the program images, ahead of the run-time library's own
// (linked with zp_program_entry): the DLL search is restricted to the system
// folder before any initialiser of the library or the program can load a
// DLL. Only the DLLs the image imports, all of them known to the system,
// are loaded before this point.
#include <cstdlib>
#include <exception>

#include "base/SystemLibrary.h"

extern "C" int WinMainCRTStartup(void);

extern "C" int ZpEntry(void) {
  zp::RestrictDllSearch();
  zp::PreloadSystemLibraries();
  return WinMainCRTStartup();
}

// What std::terminate calls unless the program sets a handler. The C++
// library's own prints the exception's demangled type to stderr, which a GUI
// program has not got, and then aborts; it would bring the whole demangler
// (some 46 KiB) into an image that travels in every installer. This one ends
// the program the same way.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
