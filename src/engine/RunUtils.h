// File-system, registry and process steps shared by the installation and
// uninstall runs. Windows only; paths are UTF-8, handed to the W functions.
#pragma once

#include <cstdint>
#include <string>

#include "package/Streams.h"

namespace zp {

class TFileSystem;

// Creates `folder` with every missing parent. Raises EOSError naming the
// folder when it cannot be created. A trailing backslash is ignored.
void ForceDirectories(const std::string& folder);

// The last-write time of the first file a directory search finds for
// `path`; false when it finds none.
bool FindLastWriteTime(const std::string& path, uint64_t& time);

// Sets the creation time and the last-access and last-write times of an
// open file as far as the system takes them: a time it refuses (beyond its
// range) or a time of zero leaves the file's own, and the other times are
// still set.
void SetFileTimes(TFileStream& file, uint64_t creationTime, uint64_t lastWriteTime);

// The roots a run's paths are expanded from: every shell and system folder
// but the drives themselves, the program folder and the start-menu folder.
void AddRunRoots(TFileSystem& fs, const std::string& programName);

// A folder that an uninstall never removes, whatever its data says: a
// drive's root, a share's root, a shell or system folder itself, the user
// profiles' folder or a profile.
bool IsProtectedFolder(const std::string& folder);

// The registration in the Windows list of installed programs.
std::string UninstallKeyPath(const std::string& programName);
// Creates or opens the key and writes DisplayName, UninstallString (quoted,
// so that no part of the path before a blank can be taken for the program)
// and DisplayIcon. Raises EOSError when the registry refuses.
void RegisterUninstaller(const std::string& programName, const std::string& exePath);
// Deletes the key; a key that cannot be deleted is left.
void UnregisterUninstaller(const std::string& programName);

// Writes and starts, hidden and at idle priority, a batch file in a private
// folder (TPrivateFolder) that deletes `exe` once its process has ended, then
// (when `removeFolder`) its folder if that is empty, and then itself and its
// folder. False when the batch could not be written or started.
bool StartSelfRemoval(const std::string& exe, bool removeFolder);
bool StartSelfRemoval(const std::u16string& exe, bool removeFolder);

}  // namespace zp
