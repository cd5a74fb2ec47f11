// Scratch folders and registry values for the discovery tests, put back as
// they were when the test ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zp {

// A build path ("/work/...") as Windows under wine sees it ("Z:\work\...").
std::string HostPath(const std::string& path);

// A fresh folder below the temporary folder, removed with all it holds.
class TTempTree {
public:
  TTempTree();
  ~TTempTree();
  TTempTree(const TTempTree&) = delete;
  TTempTree& operator=(const TTempTree&) = delete;

  // The tree's folder, without a trailing backslash.
  const std::string& Path() const { return root_; }
  // `relative` below the tree.
  std::string operator/(const std::string& relative) const { return root_ + "\\" + relative; }

  // Create folders, files and copies below the tree (parents included) and
  // return their full paths.
  std::string Folder(const std::string& relative) const;
  std::string File(const std::string& relative, const std::string& bytes = std::string()) const;
  std::string Copy(const std::string& source, const std::string& relative) const;

private:
  std::string root_;
};

// Saves a registry value and puts it back (or deletes it again) at the end.
class TSavedRegistryValue {
public:
  TSavedRegistryValue(HKEY root, const std::string& key, const std::string& name);
  ~TSavedRegistryValue();
  TSavedRegistryValue(const TSavedRegistryValue&) = delete;
  TSavedRegistryValue& operator=(const TSavedRegistryValue&) = delete;

  void SetString(const std::string& value) const;
  void SetInteger(DWORD value) const;
  void Delete() const;

private:
  void Write(DWORD type, const void* data, DWORD size) const;

  HKEY root_;
  std::string key_, name_;
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

}  // namespace zp
