// The file-system layer of the runs: every file they write, read back or
// delete and every folder they create goes through it. It knows the folders
// that paths are expanded from (a terminal, its data folder, the program
// folder, the start-menu folder, the shell folders) and never leaves one
// through a link: a folder a file goes into must resolve below the root of
// its path, and a file that is itself a link is replaced, never written
// through. Paths are the program's strings at the edge and wide inside.
// Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "package/Streams.h"

namespace zp {

// A path that leads out of its root through a link (a junction, a symbolic
// link, a mount point): nothing is written or deleted there.
class ELinkRefused : public EZpError {
public:
  using EZpError::EZpError;
};

enum class TDeleteResult { Deleted, Missing, Failed };

// What tells one file from another: its volume and its index there.
struct TFileIdentity {
  uint32_t Volume = 0;
  uint64_t Index = 0;
  bool operator==(const TFileIdentity& other) const { return Volume == other.Volume && Index == other.Index; }
};
// The identity of an open file; raises EOSError.
TFileIdentity IdentityOf(TFileStream& file);

class TFileSystem {
public:
  TFileSystem() = default;
  TFileSystem(const TFileSystem&) = delete;
  TFileSystem& operator=(const TFileSystem&) = delete;

  // Paths below `folder` must resolve below wherever `folder` itself
  // resolves (it is trusted as it stands: a shell folder the user moved
  // elsewhere stays his). The deepest root of a path counts. A path below no
  // root must resolve exactly where it says. Empty folders are ignored.
  void AddRoot(const std::string& folder);

  // Raises ELinkRefused unless the existing `folder` resolves below the root
  // of its path, EOSError when it cannot be opened. A checked folder is held
  // open against renaming and deletion until Release.
  void CheckFolder(const std::string& folder);
  // Creates `folder` with every missing parent, checking each folder on the
  // way. Returns the folders it created, outermost first. Raises EOSError
  // naming the folder that cannot be created, or ELinkRefused.
  std::vector<std::string> ForceDirectories(const std::string& folder);

  // A new file at `path` in an existing folder, read-write and not shared.
  // An existing file of that name, or a link, is deleted first; the new one
  // is created only where nothing is (so never through a link planted in
  // between). Raises EOSError when it cannot be made.
  TFileStream Create(const std::string& path);
  // An existing file, read only and shared, when it resolves below its root.
  TFileStream OpenRead(const std::string& path);
  // An existing file, read only, that nobody may write, rename or delete
  // while the stream is open (it is not opened while anyone may).
  TFileStream OpenLocked(const std::string& path);
  // Deletes a file whose folder (still) resolves below its root: the entry
  // itself, checked and deleted through one handle. A link is deleted where
  // the system opens links themselves, and refused (ELinkRefused) where it
  // cannot tell one from what it leads to, never followed.
  TDeleteResult Delete(const std::string& path);
  // Clears the read-only attribute of a file below its root; errors ignored.
  void MakeWritable(const std::string& path);
  // Renames a file within checked folders, replacing what is at `to`.
  // Raises EOSError.
  void Rename(const std::string& from, const std::string& to);
  // Removes `folder` and its empty subfolders, depth first, never following
  // a link into another tree. Errors end the removal silently.
  void RemoveFolderTree(const std::string& folder);

  // Lets go of every folder held by CheckFolder.
  void Release() { held_.clear(); }

  // Where an existing file or folder resolves ("C:\x", "\\server\share\x"),
  // or "" when it cannot be opened.
  static std::string FinalPath(const std::string& path);

private:
  struct TRoot {
    std::u16string Key;       // upper case, with a trailing backslash
    std::u16string Resolved;  // likewise; empty until first used
  };
  using THandle = TScopedHandleOf<TFileHandleTraits>;

  // The deepest root whose path is a prefix of `key`, or null.
  TRoot* RootOf(const std::u16string& key);
  struct TFolder {
    std::string Path;  // as given, without a trailing backslash
    THandle Handle;
    std::u16string Resolved;  // upper case, with a trailing backslash
  };

  // The checked folder `key`, or null.
  TFolder* Held(const std::string& key);
  // The checked folder that holds `key`, or null.
  TFolder* HeldParent(const std::string& key);
  // Creates the folder `key` unless it is there (in `parent`, its checked
  // parent, when there is one), adds it to `created` when it was made, and
  // checks it.
  void MakeFolder(const std::string& key, const TFolder* parent, std::vector<std::string>& created);

  // Where the open `handle` of `folder` resolves (upper case, with a
  // trailing backslash); raises ELinkRefused unless that lies below the root
  // of its path, or exactly where it says when it has none.
  std::u16string ExpectFolder(const std::string& folder, intptr_t handle);
  // Raises ELinkRefused unless the open `handle` of the file `path` in a
  // checked folder is that very entry, not what a link leads to.
  void ExpectFile(const std::string& path, intptr_t handle);
  // Opens an existing file for reading, with the given sharing, once its
  // folder and the file itself are where the path says.
  TFileStream OpenChecked(const std::string& path, uint32_t share);

  std::vector<TRoot> roots_;
  std::vector<TFolder> held_;  // a run writes into a few dozen folders
};

// A folder of this run's own: new, with a random name, below the Windows
// temporary folder, changeable only by administrators and the system (in a
// process without administrator rights: below the user's temporary folder,
// and only by this user). Held open against renaming while the object
// lives; removed with its files when it goes, unless kept.
class TPrivateFolder {
public:
  TPrivateFolder();  // raises EOSError
  ~TPrivateFolder();
  TPrivateFolder(const TPrivateFolder&) = delete;
  TPrivateFolder& operator=(const TPrivateFolder&) = delete;

  const std::string& Path() const { return path_; }  // no trailing backslash
  // A new file in the folder, read-write and not shared.
  TFileStream Create(const std::string& name);
  // Leaves the folder and its files in place (someone else removes them).
  void Keep() { keep_ = true; }

private:
  std::string path_;
  TScopedHandleOf<TFileHandleTraits> handle_;
  bool keep_ = false;
};

}  // namespace zp
