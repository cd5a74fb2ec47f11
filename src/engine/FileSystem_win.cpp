#include <windows.h>
#include <winternl.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <algorithm>

#include "base/Strings.h"
#include "base/WinHandles.h"
#include "engine/FileSystem.h"
#include "engine/RunFiles.h"

namespace zp {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A held folder: its attributes and final path, and names created in it.
// Traverse is what makes the hold hold: an open for attributes alone takes
// no part in sharing, so it would not keep the folder from being renamed.
constexpr DWORD kHeldFolderAccess = FILE_READ_ATTRIBUTES | FILE_TRAVERSE;

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// A folder path as a map key: without trailing backslashes, but "C:\" for a
// drive (whose "C:" is the drive's current folder).
std::string FolderKey(const std::string& folder) {
  std::string key = folder;
  while (key.size() > 1 && key.back() == '\\') key.pop_back();
  if (key.size() == 2 && key[1] == ':') key += '\\';
  return key;
}

std::u16string Upper(std::u16string text) {
  if (!text.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(&text[0]), static_cast<DWORD>(text.size()));
  return text;
}

std::u16string WithBackslash(std::u16string path) {
  if (path.empty() || path.back() != u'\\') path += u'\\';
  return path;
}

// The upper-case key of a path, with a trailing backslash.
std::u16string PathKey(const std::string& path) { return WithBackslash(Upper(WidePath(path))); }

bool StartsWith(const std::u16string& text, const std::u16string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

intptr_t Open(const std::string& path, DWORD access, DWORD share, DWORD flags) {
  return reinterpret_cast<intptr_t>(CreateFileW(W(WidePath(path)), access, share, nullptr, OPEN_EXISTING,
                                                flags | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Where an open handle resolves, as "C:\..." or "\\server\share\...".
std::u16string FinalPathOf(intptr_t handle) {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(H(handle), reinterpret_cast<wchar_t*>(&path[0]),
                                              static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(n + 1);
  }
  if (StartsWith(path, u"\\\\?\\UNC\\")) return u"\\" + path.substr(7);
  if (StartsWith(path, u"\\\\?\\")) return path.substr(4);
  return path;
}

// The path as it names itself without links: full, with long names.
std::u16string LongPath(const std::string& path) {
  const std::u16string wide = WidePath(path);
  std::u16string full(MAX_PATH, u'\0'), longName(MAX_PATH, u'\0');
  DWORD n = GetFullPathNameW(W(wide), MAX_PATH, reinterpret_cast<wchar_t*>(&full[0]), nullptr);
  if (n == 0 || n >= MAX_PATH) return wide;
  full.resize(n);
  n = GetLongPathNameW(W(full), reinterpret_cast<wchar_t*>(&longName[0]), MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return full;
  longName.resize(n);
  return longName;
}

// Creates `name`, a single name, in the open folder `folder` through the
// native call behind CreateFile and CreateDirectory, which takes names
// relative to a folder handle: what is made in a checked and held folder is
// made there, whatever becomes of its path meanwhile, and the system does not
// walk the whole path again for every file of a catalogue. Returns the
// status; on success `handle` is open for ordinary (synchronous) calls.
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);  // STATUS_OBJECT_NAME_COLLISION

NTSTATUS CreateIn(intptr_t folder, const std::string& name, ACCESS_MASK access, ULONG share, ULONG options,
                  HANDLE& handle) {
  std::u16string wide = Utf8ToWide(name);
  UNICODE_STRING text;
  text.Buffer = reinterpret_cast<wchar_t*>(&wide[0]);
  text.Length = text.MaximumLength = static_cast<USHORT>(std::min<size_t>(wide.size() * 2, 0xFFFE));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, H(folder), nullptr);
  IO_STATUS_BLOCK io;
  return NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                      FILE_CREATE, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
}

[[noreturn]] void RaiseStatus(NTSTATUS status, const std::string& path) {
  SetLastError(RtlNtStatusToDosError(status));
  RaiseLastOSError(path);
}

bool IsFolderW(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(W(WidePath(path)));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void TFileSystem::AddRoot(const std::string& folder) {
  if (folder.empty()) return;
  const std::u16string key = PathKey(FolderKey(folder));
  for (const TRoot& root : roots_)
    if (root.Key == key) return;
  roots_.push_back({key, {}});
}

TFileSystem::TRoot* TFileSystem::RootOf(const std::u16string& key) {
  TRoot* best = nullptr;
  for (TRoot& root : roots_)
    if (StartsWith(key, root.Key) && (!best || root.Key.size() > best->Key.size())) best = &root;
  return best;
}

std::u16string TFileSystem::ExpectFolder(const std::string& folder, intptr_t handle) {
  const std::u16string actual = WithBackslash(Upper(FinalPathOf(handle)));
  TRoot* root = RootOf(PathKey(folder));
  std::u16string expected;
  if (root) {
    if (root->Resolved.empty()) {
      // The root as it resolves now: the user's own choice of place.
      const std::u16string path = root->Key.substr(0, root->Key.size() - 1);
      const THandle rootHandle(Open(NarrowPath(path), FILE_READ_ATTRIBUTES, kShareAll, 0));
      if (rootHandle) root->Resolved = WithBackslash(Upper(FinalPathOf(rootHandle.Get())));
    }
    expected = root->Resolved;
    if (!expected.empty() && StartsWith(actual, expected)) return actual;
  } else {
    expected = WithBackslash(Upper(LongPath(folder)));
    if (actual == expected) return actual;
  }
  throw ELinkRefused(folder + " leads through a link to " + NarrowPath(actual.substr(0, actual.size() - 1)) +
                     (root ? ", outside " + NarrowPath(root->Key.substr(0, root->Key.size() - 1)) : std::string()) +
                     ": nothing is written or deleted there.");
}

void TFileSystem::ExpectFile(const std::string& path, intptr_t handle) {
  const std::string folder = FolderKey(ExtractFileDir(path));
  const std::u16string actual = Upper(FinalPathOf(handle));
  const std::u16string expected = Held(folder)->Resolved + Upper(WidePath(ExtractFileName(path)));
  if (actual != expected)
    throw ELinkRefused(path + " is a link to " + NarrowPath(FinalPathOf(handle)) +
                       ": it is neither written through nor deleted.");
}

TFileSystem::TFolder* TFileSystem::Held(const std::string& key) {
  // Latest first: files come in runs of the same folder.
  for (auto it = held_.rbegin(); it != held_.rend(); ++it)
    if (it->Path == key) return &*it;
  return nullptr;
}

void TFileSystem::CheckFolder(const std::string& folder) {
  const std::string key = FolderKey(folder);
  if (Held(key)) return;
  // Held without delete sharing: the folder cannot be renamed, deleted or
  // replaced by a link while files go into it.
  THandle handle(Open(key, kHeldFolderAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
  if (!handle && GetLastError() == ERROR_SHARING_VIOLATION)
    handle.Reset(Open(key, kHeldFolderAccess, kShareAll, 0));
  if (!handle) RaiseLastOSError(key);
  std::u16string resolved = ExpectFolder(key, handle.Get());
  held_.push_back({key, std::move(handle), std::move(resolved)});
}

TFileSystem::TFolder* TFileSystem::HeldParent(const std::string& key) { return Held(FolderKey(ExtractFileDir(key))); }

void TFileSystem::MakeFolder(const std::string& key, const TFolder* parent, std::vector<std::string>& created) {
  if (parent) {
    // Made and held in one: without delete sharing, as CheckFolder holds.
    HANDLE handle = nullptr;
    const NTSTATUS status = CreateIn(parent->Handle.Get(), ExtractFileName(key), kHeldFolderAccess,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT, handle);
    if (NT_SUCCESS(status)) {
      THandle made(reinterpret_cast<intptr_t>(handle));
      created.push_back(key);
      std::u16string resolved = ExpectFolder(key, made.Get());
      held_.push_back({key, std::move(made), std::move(resolved)});
      return;
    }
    if (status != kNameCollision) RaiseStatus(status, key);
  } else if (CreateDirectoryW(W(WidePath(key)), nullptr)) {
    created.push_back(key);
  } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
    RaiseLastOSError(key);
  }
  CheckFolder(key);
}

std::vector<std::string> TFileSystem::ForceDirectories(const std::string& folder) {
  std::vector<std::string> created;
  const std::string key = FolderKey(folder);
  if (key.empty()) throw EZpError("Unable to create an unnamed folder");
  if (Held(key)) return created;
  // The usual case, a folder in one checked already: made without a look
  // first (looking for a missing name costs a search of its parent on some
  // systems, and so would the creation after it).
  if (const TFolder* parent = HeldParent(key)) {
    MakeFolder(key, parent, created);
    return created;
  }
  // The missing folders, innermost first.
  std::vector<std::string> missing;
  std::string path = key;
  while (!IsFolderW(path)) {
    missing.push_back(path);
    const std::string parent = FolderKey(ExtractFileDir(path));
    if (parent.empty() || parent == path) break;
    path = parent;
  }
  if (missing.empty() || missing.back() != path) CheckFolder(path);
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) MakeFolder(*it, HeldParent(*it), created);
  return created;
}

TFileStream TFileSystem::Create(const std::string& path) {
  const std::string folder = FolderKey(ExtractFileDir(path));
  CheckFolder(folder);
  const intptr_t held = Held(folder)->Handle.Get();
  const std::string name = ExtractFileName(path);
  // Never opens what is there: a file or a link of that name goes first.
  const ULONG options = FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT;
  HANDLE handle = nullptr;
  NTSTATUS status = CreateIn(held, name, GENERIC_READ | GENERIC_WRITE, 0, options, handle);
  if (status == kNameCollision && Delete(path) == TDeleteResult::Deleted)
    status = CreateIn(held, name, GENERIC_READ | GENERIC_WRITE, 0, options, handle);
  if (!NT_SUCCESS(status)) RaiseStatus(status, path);
  return TFileStream(path, reinterpret_cast<intptr_t>(handle));
}

TFileStream TFileSystem::OpenChecked(const std::string& path, uint32_t share) {
  CheckFolder(ExtractFileDir(path));
  THandle handle(Open(path, GENERIC_READ, share, FILE_FLAG_OPEN_REPARSE_POINT));
  if (!handle) RaiseLastOSError(path);
  ExpectFile(path, handle.Get());
  return TFileStream(path, handle.Release());
}

TFileStream TFileSystem::OpenRead(const std::string& path) { return OpenChecked(path, kShareAll); }

TFileStream TFileSystem::OpenLocked(const std::string& path) { return OpenChecked(path, FILE_SHARE_READ); }

TDeleteResult TFileSystem::Delete(const std::string& path) {
  const std::string folder = ExtractFileDir(path);
  if (!IsFolderW(folder)) return TDeleteResult::Missing;
  CheckFolder(folder);
  // Checked and deleted through one handle, so nothing can be swapped in
  // between. (DeleteFile itself would not do: some systems delete what a
  // link leads to.)
  const THandle handle(Open(path, DELETE | FILE_READ_ATTRIBUTES, kShareAll, FILE_FLAG_OPEN_REPARSE_POINT));
  if (!handle) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TDeleteResult::Missing
                                                                           : TDeleteResult::Failed;
  }
  ExpectFile(path, handle.Get());
  BY_HANDLE_FILE_INFORMATION info;
  // A read-only file is not deleted, as DeleteFile would not.
  if (!GetFileInformationByHandle(H(handle.Get()), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return TDeleteResult::Failed;
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return SetFileInformationByHandle(H(handle.Get()), FileDispositionInfo, &disposition, sizeof disposition)
             ? TDeleteResult::Deleted
             : TDeleteResult::Failed;
}

void TFileSystem::MakeWritable(const std::string& path) {
  try {
    CheckFolder(ExtractFileDir(path));
    const THandle handle(
        Open(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, FILE_FLAG_OPEN_REPARSE_POINT));
    if (!handle) return;
    ExpectFile(path, handle.Get());
    FILE_BASIC_INFO info;
    if (!GetFileInformationByHandleEx(H(handle.Get()), FileBasicInfo, &info, sizeof info) ||
        !(info.FileAttributes & FILE_ATTRIBUTE_READONLY))
      return;
    info.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    info.CreationTime.QuadPart = info.LastAccessTime.QuadPart = info.LastWriteTime.QuadPart =
        info.ChangeTime.QuadPart = 0;  // unchanged
    SetFileInformationByHandle(H(handle.Get()), FileBasicInfo, &info, sizeof info);
  } catch (const std::exception&) {
    // The step that writes the file reports what still fails.
  }
}

void TFileSystem::Rename(const std::string& from, const std::string& to) {
  CheckFolder(ExtractFileDir(from));
  CheckFolder(ExtractFileDir(to));
  if (!MoveFileExW(W(WidePath(from)), W(WidePath(to)), MOVEFILE_REPLACE_EXISTING)) RaiseLastOSError(to);
}

void TFileSystem::RemoveFolderTree(const std::string& folder) {
  const std::string key = FolderKey(folder);
  if (TFolder* folder = Held(key)) held_.erase(held_.begin() + (folder - held_.data()));
  try {
    {
      const THandle handle(Open(key, FILE_READ_ATTRIBUTES, kShareAll, 0));
      if (!handle) return;
      ExpectFolder(key, handle.Get());
    }
    const std::string prefix = IncludeTrailingBackslash(key);
    std::vector<std::string> subfolders;
    WIN32_FIND_DATAW data;
    TScopedHandleOf<TFindHandleTraits> search(FindFirstFileW(W(WidePath(prefix + "*")), &data));
    for (bool found = search.Valid(); found; found = FindNextFileW(search.Get(), &data) != FALSE) {
      const std::u16string name = FromW(data.cFileName);
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == u"." || name == u"..") continue;
      // A link is removed as the entry it is; what it leads to stays.
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        RemoveDirectoryW(W(WidePath(prefix) + name));
        continue;
      }
      subfolders.push_back(prefix + NarrowPath(name));
    }
    search.Reset();
    for (const std::string& subfolder : subfolders) RemoveFolderTree(subfolder);
    RemoveDirectoryW(W(WidePath(key)));
  } catch (const std::exception&) {
    // A folder that leads elsewhere, or that cannot be read, stays.
  }
}

std::string TFileSystem::FinalPath(const std::string& path) {
  const THandle handle(Open(path, FILE_READ_ATTRIBUTES, kShareAll, 0));
  return handle ? NarrowPath(FinalPathOf(handle.Get())) : std::string();
}

TFileIdentity IdentityOf(TFileStream& file) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(H(file.Handle()), &info)) RaiseLastOSError(file.Path());
  return {info.dwVolumeSerialNumber, uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

// ---- TPrivateFolder ----

namespace {

bool IsAdministrator() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

// The current user's SID as text ("S-1-5-21-..."), "" when unknown.
std::u16string UserSid() {
  TScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out())) return {};
  BYTE buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  DWORD size = 0;
  if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &size)) return {};
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) return {};
  std::u16string sid = FromW(text);
  LocalFree(text);
  return sid;
}

std::string RandomName() {
  uint8_t bytes[12];
  if (!RtlGenRandom(bytes, sizeof bytes)) RaiseLastOSError("random folder name");
  static const char kHex[] = "0123456789abcdef";
  std::string name = "zp-";
  for (uint8_t b : bytes) name += kHex[b >> 4], name += kHex[b & 15];
  return name;
}

}  // namespace

TPrivateFolder::TPrivateFolder() {
  const bool administrator = IsAdministrator();
  std::string base;
  if (administrator) {
    wchar_t windows[MAX_PATH];
    const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) base = NarrowPath(FromW(windows)) + "\\Temp";
  }
  if (base.empty() || !IsFolderW(base)) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) RaiseLastOSError("the temporary folder");
    base = FolderKey(NarrowPath(FromW(temp)));
  }
  // Protected (nothing inherited from the parent): full control for
  // administrators and the system, and for this user when he is no
  // administrator; nobody else may even look.
  std::u16string sddl = u"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
  if (!administrator) {
    const std::u16string user = UserSid();
    if (user.empty()) RaiseLastOSError("the current user");
    sddl += u"(A;OICI;FA;;;" + user + u")";
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(W(sddl), SDDL_REVISION_1, &descriptor, nullptr))
    RaiseLastOSError("a private folder");
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  // A name someone else made first is never taken over: CreateDirectory
  // fails on it, and the next random name is tried.
  for (int attempt = 0; attempt < 8 && path_.empty(); ++attempt) {
    const std::string path = IncludeTrailingBackslash(base) + RandomName();
    if (CreateDirectoryW(W(WidePath(path)), &attributes)) path_ = path;
    else if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  if (path_.empty()) {
    SetLastError(error);
    RaiseLastOSError(base);
  }
  handle_.Reset(Open(path_, kHeldFolderAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
}

TPrivateFolder::~TPrivateFolder() {
  handle_.Reset();
  if (keep_) return;
  const std::u16string prefix = WidePath(path_ + "\\");
  std::vector<std::u16string> files;
  WIN32_FIND_DATAW data;
  {
    TScopedHandleOf<TFindHandleTraits> search(FindFirstFileW(W(prefix + u"*"), &data));
    for (bool found = search.Valid(); found; found = FindNextFileW(search.Get(), &data) != FALSE)
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(prefix + FromW(data.cFileName));
  }
  for (const std::u16string& file : files) DeleteFileW(W(file));
  RemoveDirectoryW(W(WidePath(path_)));
}

TFileStream TPrivateFolder::Create(const std::string& name) {
  const std::string path = path_ + "\\" + name;
  HANDLE handle = CreateFileW(W(WidePath(path)), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) RaiseLastOSError(path);
  return TFileStream(path, reinterpret_cast<intptr_t>(handle));
}

}  // namespace zp
