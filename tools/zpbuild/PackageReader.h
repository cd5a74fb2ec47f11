// Reads an installer back: its header fields and records (list), its
// contents (extract) and the soundness of its content blocks (verify). The
// reader trusts nothing in the file: every length and position is checked
// against the file before it is used.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "engine/ZpClasses.h"
#include "picture/JpegImage.h"
#include "package/Streams.h"

namespace zp {

// An installer as the installer's own engine loads it, with what a strict
// reader wants to know besides.
struct TPackageInfo {
  TZpInstall Package;
  TLoadReport Load;
  std::vector<uint8_t> Image;  // the bytes before the package (the whole file without one)
};

std::unique_ptr<TPackageInfo> ReadPackage(TStream& stream);
std::unique_ptr<TPackageInfo> ReadPackage(const std::string& path);
// Why a file read as no package (Load.HasData false), saying what it is
// instead: empty, a program without a package, an uninstaller, a project
// or other text file, or no Windows program at all.
std::string NoPackageReason(const TPackageInfo& info, const std::string& path);

// A program image in a few words: "32-bit (i386), 123904 bytes, version
// 1.0.0.0"; "" when it is no PE image.
std::string DescribeImage(const std::vector<uint8_t>& image);

// Prints every header field and every record, one per line, in a stable
// format; texts are written as UTF-8.
void ListPackage(const TPackageInfo& info, std::ostream& out);

// Pieces of the list format, for listings of what a build would write: an
// text quoted with its control characters escaped, and the lines of a record (without indent and
// line end) that say its times, its file options and what kind of program
// it is.
std::string ListQuoted(const std::string& utf8);
std::string ListTimes(uint64_t creationTime, uint64_t lastWriteTime);
std::string ListFileOptions(const std::string& shortcutName, bool desktopShortcut, bool keepNewer,
                            bool keepOnUninstall);
// A document ("none", "1234 bytes, RTF") and a picture ("none", "5678
// bytes, JPEG 160x314") as the listings give them.
std::string DocumentKind(const std::string& text);
std::string PictureKind(const TJpegImage& image);
std::string ListExecKind(int32_t stage, bool external, const std::string& title, const std::string& parameters);

// Whether the file carries an Authenticode signature: "signature: none",
// "signature: present (...)" or "signature: damaged (...)". The certificate
// chain is Windows' to judge.
std::string SignatureStatus(const std::string& path);

// One line per problem found; none for a sound package.
std::vector<std::string> VerifyPackage(const std::string& path);

// Decrypts every content into `folder` below its record path (placeholders
// become folder names: {experts}\x.ex4 -> folder/{experts}/x.ex4). A record
// whose path would leave the folder is refused. Returns one line per problem;
// `written` counts the files written.
std::vector<std::string> ExtractPackage(const std::string& path, const std::string& folder, int* written = nullptr);

// The components below the extraction folder for a record path, or the reason
// it is refused: absolute paths, drives and streams (":"), names Windows
// treats specially, and ".." that would climb out of the folder.
bool RelativeComponents(const std::string& recordPath, std::vector<std::string>& parts, std::string& problem);

}  // namespace zp
