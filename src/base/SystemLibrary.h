// DLLs from the system folder only. The installer runs with administrator
// rights from folders that any program of the user can write to (Downloads,
// the temporary folder): a DLL waiting there under the name of a system DLL
// must never be loaded. The image therefore imports only DLLs that Windows
// always takes from the system folder (its known DLLs); every other DLL is
// loaded here, at run time, from the system folder. Windows only.
#pragma once

#include <windows.h>

namespace zp {

// Limits every later search for a DLL by bare name to the system folder
// (SetDefaultDllDirectories with LOAD_LIBRARY_SEARCH_SYSTEM32, Windows 8 and
// Windows Vista or 7 with KB2533623). Where that is missing it at least drops
// the current folder from the search (SetDllDirectoryW with an empty
// folder). Uses nothing of the run-time library, so that the program's entry
// can call it before the library starts.
void RestrictDllSearch() noexcept;

// Loads from the system folder the DLLs that the system's own DLLs load by
// bare name and that are no known DLLs (themes, version information, image
// blending), so that every later load by that name finds them loaded. Wine
// resolves the delayed imports of its own DLLs through the program's folder
// whatever RestrictDllSearch asked for. Like RestrictDllSearch, it runs
// before the run-time library starts.
void PreloadSystemLibraries() noexcept;

// The DLL `name` (a bare file name such as L"version.dll") from the system
// folder, never from the program's folder or the current one; null (with
// the last error set) when it cannot be loaded. The DLL stays loaded.
HMODULE LoadSystemLibrary(const wchar_t* name) noexcept;

// The function `name` of the system DLL `dll`; null when either is missing.
template <typename F>
F SystemFunction(const wchar_t* dll, const char* name) noexcept {
  HMODULE module = LoadSystemLibrary(dll);
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace zp
