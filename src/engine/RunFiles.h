// The bytes of the small files that the installation and uninstall runs write
// besides the package's own files: Internet shortcuts, information texts, the
// terminal's expert options and the self-removal batch. Kept apart from the
// runs so that their exact layout can be checked without Windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zp {

// Leading and trailing blanks and control characters (bytes up to 32) removed.
std::string TrimText(const std::string& text);

// The bytes of an Internet shortcut: "[InternetShortcut]", "URL=" + address
// and an empty line, each ended by CR LF. An ASCII address is written as it
// always was; one with other characters (a UTF-8 address: a contact name in
// Cyrillic, a path in Chinese) makes the file UTF-16 little-endian with its
// mark, which the profile functions that Windows reads the file with take as
// Unicode; in the ANSI code page such an address would lose its letters.
std::string InternetShortcutText(const std::string& address);

// The address of the publisher's web site shortcut: the trimmed text, with
// "http://" in front unless it already names a scheme ("https://...",
// "HTTP://..."). Empty when the trimmed text is empty.
std::string WebsiteAddress(const std::string& website);

// "mailto:" + "Name <address>", or "mailto:" + address without a name. Empty
// when the trimmed address is empty.
std::string EmailAddress(const std::string& contactName, const std::string& email);

// The text as lines: every line break (CR, LF or CR LF) becomes CR LF, and
// the last line is ended by CR LF too.
std::string TextLines(const std::string& text);

// The terminal's "config\experts.ini" as far as the installer knows it.
constexpr size_t kExpertSettingsSize = 292;
using TExpertSettings = std::array<uint8_t, kExpertSettingsSize>;

// A newly made options file: byte 0 = 144, byte 1 = 1, zeros elsewhere.
TExpertSettings NewExpertSettings();

// Pads the settings text with blanks to at least eight characters.
void PadExpertSettings(std::string& settings);

// Sets the eight option flags from characters 1 to 8 of `settings` (padded):
// a blank leaves a flag as it is, "1" sets it, anything else clears it.
void ApplyExpertSettings(TExpertSettings& file, const std::string& settings);

// Local date and time, as far as the names of temporary files need it.
struct TLocalTime {
  int Year, Month, Day, Hour, Minute, Second, Milliseconds;
};

// "yyyymmddhhnnsszzz": every field in decimal, padded with zeros to its width.
std::string TimeStampText(const TLocalTime& time);

// "yyyymmddhhnnsszzz.bat".
std::string SelfRemovalBatchName(const TLocalTime& time);

// The environment variables through which the self-removal batch gets its
// paths: the uninstaller, its folder, the batch and the batch's folder.
constexpr const char* kSelfRemovalExe = "ZP_UNINSTALLER";
constexpr const char* kSelfRemovalFolder = "ZP_UNINSTALLER_FOLDER";
constexpr const char* kSelfRemovalBatch = "ZP_BATCH";
constexpr const char* kSelfRemovalBatchFolder = "ZP_BATCH_FOLDER";

// The batch that deletes the uninstaller once it can (its process has
// ended), then its folder when `removeFolder` and the folder is empty, and
// finally itself and its own folder. Plain ASCII: every path comes from the
// environment (above).
std::string SelfRemovalBatchText(bool removeFolder);

// Why `name` cannot be one file or folder name on Windows ("it is empty",
// "it holds the character \"/\"", ...), or "" when it can: not empty, not "."
// or "..", none of < > : " / \ | ? * or control characters, no trailing dot or
// blank, not a device name, at most 255 characters.
std::string FileNameProblem(const std::string& name);
// CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9 (any letter case), alone or
// with an extension: Windows opens the device for such a name.
bool IsDeviceName(const std::string& name);
// `text` with each character that a file name cannot hold (< > : " / \ | ?
// * and control characters) replaced by "_".
std::string SafeFileName(const std::string& text);

// The folder part of a path, with its trailing backslash ("" when none).
std::string ExtractFilePath(const std::string& path);
// The folder part of a path without the trailing backslash (kept after a
// drive, "C:\").
std::string ExtractFileDir(const std::string& path);
// The name part of a path (after the last backslash or colon).
std::string ExtractFileName(const std::string& path);
// The path with its extension (from the last dot of the name part) replaced.
std::string ChangeFileExt(const std::string& path, const std::string& extension);
// The path with a trailing backslash added unless it has one ("" gives "\").
std::string IncludeTrailingBackslash(const std::string& path);

}  // namespace zp
