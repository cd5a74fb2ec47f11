// File-system, registry and process steps shared by the installation and
// uninstall runs. Windows only; paths are UTF-8, handed to the W functions.
#pragma once

#include <cstdint>
#include <string>

#include "package/Streams.h"

namespace zp {

// Creates `folder` with every missing parent. Raises EOSError naming the
// folder when it cannot be created. A trailing backslash is ignored.
void ForceDirectories(const std::string& folder);

// Clears the read-only attribute of an existing file, keeping all others.
// Errors are ignored: the step that follows reports what still fails.
void MakeWritable(const std::string& path);

// The last-write time of the first file a directory search finds for
// `path`; false when it finds none.
bool FindLastWriteTime(const std::string& path, uint64_t& time);

// Sets the creation time and the last-access and last-write times of an
// open file as far as the system takes them: a time it refuses (beyond its
// range) or a time of zero leaves the file's own, and the other times are
// still set.
void SetFileTimes(TFileStream& file, uint64_t creationTime, uint64_t lastWriteTime);

// Removes `folder` and its empty subfolders, depth first. Files are never
// deleted, so a folder that holds files stays with every folder above it.
// Errors end the removal silently.
void RemoveFolderTree(const std::string& folder);

// The registration in the Windows list of installed programs.
std::string UninstallKeyPath(const std::string& programName);
// Creates or opens the key and writes DisplayName, UninstallString and
// DisplayIcon. Raises EOSError when the registry refuses.
void RegisterUninstaller(const std::string& programName, const std::string& exePath);
// Deletes the key; a key that cannot be deleted is left.
void UnregisterUninstaller(const std::string& programName);

// Writes and starts, hidden and at idle priority, a batch file in the
// temporary folder that deletes `exe` once its process has ended, then (when
// `removeFolder`) its folder if that is empty, and then itself. False when
// the batch could not be written or started.
bool StartSelfRemoval(const std::string& exe, bool removeFolder);

}  // namespace zp
