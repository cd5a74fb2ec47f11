// Where zpbuild finds the files that ship with it, such as the program image
// Install.exe. The folders, in the order they are searched:
//   1. zpbuild's own folder (the Windows builds put the image beside it);
//   2. share/zpinstall beside zpbuild's folder (bin/../share/zpinstall: the
//      layout `cmake --install` writes);
//   3. in a Linux build, the folder of the 32-bit program image in the
//      project's build tree, so that zpbuild runs from its build folder.
#pragma once

#include <string>
#include <vector>

namespace zp {

std::vector<std::string> ShippedFileFolders();

// The path of `name` in the first folder that holds it; empty when none does.
std::string FindShippedFile(const std::string& name);

}  // namespace zp
