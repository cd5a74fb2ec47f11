#include "TestFolders.h"

#include <gtest/gtest.h>

#include <atomic>

#include "base/WinHandles.h"

namespace zp {

namespace {

void RemoveTree(const std::string& folder) {
  for (TFileSearch search(folder + "\\*"); search.Found(); search.Next()) {
    if (search.IsDots()) continue;
    const std::string path = folder + "\\" + search.Name();
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (search.IsFolder())
      RemoveTree(path);
    else
      DeleteFileA(path.c_str());
  }
  RemoveDirectoryA(folder.c_str());
}

void MakeFolders(const std::string& path) {
  for (size_t i = 3; i <= path.size(); ++i)
    if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

}  // namespace

std::string HostPath(const std::string& path) {
  std::string result = "Z:" + path;
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

TTempTree::TTempTree() {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH + 1];
  GetTempPathA(sizeof(temp), temp);
  root_ = std::string(temp) + "zp-discovery-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++counter);
  RemoveTree(root_);
  MakeFolders(root_);
}

TTempTree::~TTempTree() { RemoveTree(root_); }

std::string TTempTree::Folder(const std::string& relative) const {
  const std::string path = *this / relative;
  MakeFolders(path);
  return path;
}

std::string TTempTree::File(const std::string& relative, const std::string& bytes) const {
  const std::string path = *this / relative;
  MakeFolders(FolderOf(path));
  const TScopedHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_TRUE(file) << path;
  DWORD written = 0;
  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return path;
}

std::string TTempTree::Copy(const std::string& source, const std::string& relative) const {
  const std::string path = *this / relative;
  MakeFolders(FolderOf(path));
  EXPECT_TRUE(CopyFileA(source.c_str(), path.c_str(), FALSE)) << source << " -> " << path;
  return path;
}

TSavedRegistryValue::TSavedRegistryValue(HKEY root, const std::string& key, const std::string& name)
    : root_(root), key_(key), name_(name) {
  DWORD size = 0;
  if (RegGetValueA(root_, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, nullptr, &size) ==
      ERROR_SUCCESS) {
    data_.resize(size);
    existed_ = RegGetValueA(root_, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, data_.data(),
                            &size) == ERROR_SUCCESS;
    data_.resize(size);
  }
}

TSavedRegistryValue::~TSavedRegistryValue() {
  if (existed_)
    Write(type_, data_.data(), static_cast<DWORD>(data_.size()));
  else
    Delete();
}

void TSavedRegistryValue::SetString(const std::string& value) const {
  Write(REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TSavedRegistryValue::SetInteger(DWORD value) const { Write(REG_DWORD, &value, sizeof(value)); }

void TSavedRegistryValue::Delete() const { RegDeleteKeyValueA(root_, key_.c_str(), name_.c_str()); }

void TSavedRegistryValue::Write(DWORD type, const void* data, DWORD size) const {
  EXPECT_EQ(RegSetKeyValueA(root_, key_.c_str(), name_.c_str(), type, data, size), ERROR_SUCCESS) << key_ << name_;
}

}  // namespace zp
