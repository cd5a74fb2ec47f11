#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include "base/Strings.h"
#include "base/WinHandles.h"
#include "engine/ShellLink.h"

namespace zp {
bool TShellLink::Save(const std::string& linkPath) const {
  TComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Out())))
    return false;
  // The setters cannot fail for well-formed text; their results change nothing.
  link->SetArguments(WStr(Arguments).c_str());
  link->SetShowCmd(ShowCommand);
  link->SetWorkingDirectory(WStr(WorkingDirectory).c_str());
  link->SetPath(WStr(Path).c_str());
  link->SetDescription(WStr(Description).c_str());
  link->SetHotkey(Hotkey);
  link->SetIconLocation(WStr(IconPath).c_str(), IconIndex);

  TComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.Out()))) return false;
  return SUCCEEDED(file->Save(WStr(linkPath).c_str(), TRUE));
}

}  // namespace zp
