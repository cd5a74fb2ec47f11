#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include "base/Strings.h"
#include "engine/ShellLink.h"

namespace zp {
namespace {

// Owns one reference to a COM interface.
template <class T>
class TComRef {
public:
  TComRef() = default;
  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;
  ~TComRef() {
    if (ptr_) ptr_->Release();
  }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  void** Out() { return reinterpret_cast<void**>(&ptr_); }

private:
  T* ptr_ = nullptr;
};

}  // namespace

bool TShellLink::Save(const std::string& linkPath) const {
  TComRef<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Out())))
    return false;
  // The setters cannot fail for well-formed text; their results change nothing.
  link->SetArguments(Arguments.c_str());
  link->SetShowCmd(ShowCommand);
  link->SetWorkingDirectory(WorkingDirectory.c_str());
  link->SetPath(Path.c_str());
  link->SetDescription(Description.c_str());
  link->SetHotkey(Hotkey);
  link->SetIconLocation(IconPath.c_str(), IconIndex);

  TComRef<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.Out()))) return false;
  return SUCCEEDED(file->Save(W(AnsiToWide(linkPath)), TRUE));
}

}  // namespace zp
