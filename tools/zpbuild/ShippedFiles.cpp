#include "ShippedFiles.h"

#include "BuilderOS.h"

namespace zp {

std::vector<std::string> ShippedFileFolders() {
  const std::string own = ExecutableFolder();
  std::vector<std::string> folders{own};
  const size_t cut = own.find_last_of(kPathSeparator);
  const std::string parent = cut == std::string::npos ? std::string(".") : own.substr(0, cut);
  folders.push_back(parent + kPathSeparator + "share" + kPathSeparator + "zpinstall");
#ifdef ZP_IMAGE_BUILD_FOLDER
  folders.push_back(ZP_IMAGE_BUILD_FOLDER);
#endif
  return folders;
}

std::string FindShippedFile(const std::string& name) {
  for (const std::string& folder : ShippedFileFolders()) {
    const std::string path = folder + kPathSeparator + name;
    if (FileExists(path)) return path;
  }
  return std::string();
}

}  // namespace zp
