#include "PackageReader.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <ostream>

#include "BuilderOS.h"
#include "base/Strings.h"
#include "engine/PeImage.h"
#include "engine/RunFiles.h"
#include "package/Content.h"
#include "package/SubStreams.h"
#include "picture/JpegImage.h"

namespace zp {
namespace {

// Swallows what it is given; verify decrypts into it.
class TNullStream : public TStream {
public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override {
    position_ += count;
    return count;
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    position_ = (origin == TSeekOrigin::Current ? position_ : 0) + offset;
    return position_;
  }

private:
  int64_t position_ = 0;
};

// Keeps every value on its line: control characters are written as escapes.
std::string Escaped(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (b < 32 || b == 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", b);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Quoted(const std::string& utf8) { return "\"" + Escaped(utf8) + "\""; }

// A file time counts 100 ns ticks from 1601; Windows takes none at or above
// 2^63, and the arithmetic below stays in range only under it.
std::string FormatTime(uint64_t fileTime) {
  char text[64];
  if (fileTime > uint64_t(INT64_MAX)) {
    std::snprintf(text, sizeof text, "invalid time (0x%016llx)", static_cast<unsigned long long>(fileTime));
    return text;
  }
  const int64_t ticks = static_cast<int64_t>(fileTime) - static_cast<int64_t>(kUnixEpochFileTime);
  int64_t seconds = ticks / 10000000, fraction = ticks % 10000000;
  if (fraction < 0) seconds -= 1, fraction += 10000000;
  int64_t days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) days -= 1, rest += 86400;
  // Howard Hinnant's civil-from-days.
  const int64_t z = days + 719468, era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097, yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2);
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  std::string result = text;
  if (fraction != 0) {
    std::snprintf(text, sizeof text, ".%07lld", static_cast<long long>(fraction));
    result += text;
  }
  return result + " UTC";
}

std::string DocumentKind(const std::string& text) {
  if (text.empty()) return "none";
  return std::to_string(text.size()) + " bytes, " + (text.rfind("{\\rtf", 0) == 0 ? "RTF" : "plain text");
}

std::string PictureKind(const TJpegImage& image) {
  if (image.Empty()) return "none";
  return std::to_string(image.Bytes().size()) + " bytes, JPEG " + std::to_string(image.Width()) + "x" +
         std::to_string(image.Height());
}

std::string HexKey(const std::array<uint8_t, 16>& key) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : key) text += digits[b >> 4], text += digits[b & 15];
  return text;
}

std::string RecordName(const char* kind, size_t index, const std::string& path) {
  return std::string(kind) + "[" + std::to_string(index + 1) + "] " + Quoted(path);
}

// What is wrong with where a content block lies, or nothing.
std::string BlockProblem(const TLoadReport& info, int32_t offset, int32_t size) {
  if (size < 16 || size % 16 != 0)
    return "stored size " + std::to_string(size) + " is not a multiple of 16 of at least 16";
  if (offset < info.DataEnd)
    return "block at " + std::to_string(offset) + " lies before the end of the package data (" +
           std::to_string(info.DataEnd) + ")";
  if (int64_t(offset) + size > info.FileSize)
    return "block at " + std::to_string(offset) + " of " + std::to_string(size) +
           " bytes runs past the end of the file (" + std::to_string(info.FileSize) + " bytes)";
  return {};
}

// Decrypts a block into `out`; returns the CRC-32 of what came out.
uint32_t DecryptWindow(TStream& file, const TPackageInfo& info, int32_t offset, int32_t size, TStream& out) {
  TSubStream window(file, offset, int64_t(offset) + size - 1);
  window.Seek(0, TSeekOrigin::Begin);
  uint32_t crc = 0;
  DecryptContent(window, out, info.Package.Key.data(), kContentKeyLength, &crc);
  return crc;
}

// Decrypts a block into `out`; a stored CRC must match what came out.
void DecryptBlock(TStream& file, const TPackageInfo& info, int32_t offset, int32_t size,
                  const std::optional<uint32_t>& expectedCrc, TStream& out) {
  const uint32_t crc = DecryptWindow(file, info, offset, size, out);
  if (expectedCrc && crc != *expectedCrc)
    throw EZpError("the content is damaged: its CRC-32 does not match the record's");
}

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
  return text;
}

std::string CrcText(const std::optional<uint32_t>& crc) { return crc ? Hex32(*crc) : "none"; }

// Problems of one content block, or none.
std::string CheckBlock(TStream& file, const TPackageInfo& info, int32_t offset, int32_t size,
                       const std::optional<uint32_t>& expectedCrc) {
  std::string problem = BlockProblem(info.Load, offset, size);
  if (!problem.empty()) return problem;
  uint32_t crc = 0;
  try {
    TNullStream sink;
    crc = DecryptWindow(file, info, offset, size, sink);
  } catch (const EZpError& e) {
    return "does not decrypt with the package key: " + e.Message();
  }
  if (expectedCrc && crc != *expectedCrc)
    return "the content is damaged: its CRC-32 is " + Hex32(crc) + ", the record says " + Hex32(*expectedCrc);
  return {};
}

// Loads the package of an open file; the tag stream is read a few bytes at
// a time, so through a buffer.
std::unique_ptr<TPackageInfo> ReadBuffered(TStream& file) {
  TBufferedReader reader(file);
  return ReadPackage(reader);
}

}  // namespace

std::unique_ptr<TPackageInfo> ReadPackage(TStream& stream) {
  auto info = std::make_unique<TPackageInfo>();
  info->Package.LoadFromStream(stream, info->Load);
  return info;
}

std::unique_ptr<TPackageInfo> ReadPackage(const std::string& path) {
  TFileStream file(path, TFileMode::OpenRead);
  return ReadBuffered(file);
}

std::string NoPackageReason(const TPackageInfo& info) {
  if (info.Load.DataPosition < 0) return "no package: the file is too short to be an installer";
  return "no package: no \"ZPIN\" signature at byte " + std::to_string(info.Load.DataPosition);
}

void ListPackage(const TPackageInfo& info, std::ostream& out) {
  const TLoadReport& load = info.Load;
  const TZpInstall& p = info.Package;
  out << "File size: " << load.FileSize << "\n";
  out << "Package position: " << load.DataPosition << "\n";
  if (!load.HasData) {
    out << "No package.\n";
    return;
  }
  out << "Program name: " << Quoted(p.ProgramName) << "\n"
      << "Version: " << p.VersionMajor << "." << p.VersionMinor << "\n"
      << "Build: " << p.Build << "\n"
      << "Release: " << p.Release << "\n"
      << "Publisher: " << Quoted(p.Publisher) << "\n"
      << "Website: " << Quoted(p.Website) << "\n"
      << "Address: " << Quoted(p.Address) << "\n"
      << "Contact: " << Quoted(p.ContactName) << "\n"
      << "Email: " << Quoted(p.Email) << "\n"
      << "License: " << DocumentKind(p.License) << "\n"
      << "Readme: " << DocumentKind(p.Readme) << "\n"
      << "What's new: " << DocumentKind(p.WhatsNew) << "\n"
      << "Terminal settings: " << Quoted(p.TerminalSettings) << "\n"
      << "Key: " << (load.KeyLength < 0 ? "none" : HexKey(p.Key)) << "\n"
      << "Banner: " << PictureKind(p.Banner) << "\n"
      << "Splash: " << PictureKind(p.Splash) << "\n";
  out << "Translations: " << p.Translations.Count() << "\n";
  for (int i = 0; i < p.Translations.Count(); ++i) {
    const TZpTransItem& item = p.Translations.Items(i);
    out << "  " << item.Id << " = \"" << Escaped(item.Text) << "\"\n";
  }
  out << "Files: " << p.Files.size() << "\n";
  for (size_t i = 0; i < p.Files.size(); ++i) {
    const TZpInstallFile& f = *p.Files[i];
    out << "  [" << i + 1 << "] " << Quoted(f.Path) << "\n"
        << "      offset " << f.Offset << ", size " << f.Size << ", crc " << CrcText(f.Crc) << "\n"
        << "      " << ListTimes(f.CreationTime, f.LastWriteTime) << "\n"
        << "      " << ListFileOptions(f.ShortcutName, f.DesktopShortcut, f.KeepNewer, f.KeepOnUninstall) << "\n";
  }
  out << "Programs: " << p.Execs.size() << "\n";
  for (size_t i = 0; i < p.Execs.size(); ++i) {
    const TZpInstallExec& x = *p.Execs[i];
    out << "  [" << i + 1 << "] " << Quoted(x.Path) << "\n"
        << "      " << ListExecKind(x.Stage, x.External, x.Title, x.Parameters) << "\n";
    if (!x.External)
      out << "      offset " << x.Offset << ", size " << x.Size << ", crc " << CrcText(x.Crc) << "\n"
          << "      " << ListTimes(x.CreationTime, x.LastWriteTime) << "\n";
  }
  for (const std::string& problem : load.Problems) out << "Unreadable " << problem << "\n";
  if (!load.Complete) out << "The package data ends before its end marker.\n";
}

std::vector<std::string> VerifyPackage(const std::string& path) {
  TFileStream file(path, TFileMode::OpenRead);
  const auto info = ReadBuffered(file);
  const TLoadReport& load = info->Load;
  const TZpInstall& p = info->Package;
  std::vector<std::string> problems;
  if (!load.HasData) {
    problems.push_back(NoPackageReason(*info));
    return problems;
  }
  if (!load.Complete)
    problems.push_back("the package data ends at byte " + std::to_string(load.DataEnd) +
                       " without its end marker (is the file cut short?)");
  if (load.KeyLength < 0) problems.push_back("the package has no content key");
  else if (load.KeyLength != kContentKeyLength)
    problems.push_back("the content key is " + std::to_string(load.KeyLength) + " bytes long, not 16");
  problems.insert(problems.end(), load.Problems.begin(), load.Problems.end());
  const std::pair<const char*, const TJpegImage*> pictures[] = {{"banner", &p.Banner}, {"splash", &p.Splash}};
  for (const auto& [name, image] : pictures) {
    try {
      image->Pixels();  // the loader read the header; this decodes the rest
    } catch (const EZpError& e) {
      problems.push_back(std::string(name) + ": " + e.Message());
    }
  }
  for (size_t i = 0; i < p.Files.size(); ++i) {
    const TZpInstallFile& f = *p.Files[i];
    const std::string problem = CheckBlock(file, *info, f.Offset, f.Size, f.Crc);
    if (!problem.empty()) problems.push_back(RecordName("files", i, f.Path) + ": " + problem);
  }
  for (size_t i = 0; i < p.Execs.size(); ++i) {
    const TZpInstallExec& x = *p.Execs[i];
    if ((x.Stage & 0xFF) > esWizardClose)
      problems.push_back(RecordName("execs", i, x.Path) + ": stage " + std::to_string(x.Stage) + " never runs");
    if (x.External) continue;
    const std::string problem = CheckBlock(file, *info, x.Offset, x.Size, x.Crc);
    if (!problem.empty()) problems.push_back(RecordName("execs", i, x.Path) + ": " + problem);
  }
  return problems;
}

bool RelativeComponents(const std::string& recordPath, std::vector<std::string>& parts, std::string& problem) {
  parts.clear();
  if (recordPath.empty()) return problem = "the path is empty", false;
  if (recordPath[0] == '\\' || recordPath[0] == '/') return problem = "is an absolute path", false;
  if (recordPath.find(':') != std::string::npos) return problem = "names a drive or a stream (\":\")", false;
  size_t start = 0;
  while (start <= recordPath.size()) {
    size_t end = recordPath.find_first_of("\\/", start);
    if (end == std::string::npos) end = recordPath.size();
    const std::string part = recordPath.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) return problem = "climbs out of the folder (\"..\")", false;
      parts.pop_back();
      continue;
    }
    if (part.find_first_not_of(". ") == std::string::npos)
      return problem = "has the name \"" + part + "\", which Windows reads differently", false;
    for (char c : part)
      if (static_cast<unsigned char>(c) < 32) return problem = "holds a control character", false;
    if (IsDeviceName(part)) return problem = "uses the device name \"" + part + "\"", false;
    parts.push_back(part);
  }
  if (parts.empty()) return problem = "names no file", false;
  return true;
}

std::vector<std::string> ExtractPackage(const std::string& path, const std::string& folder, int* written) {
  TFileStream file(path, TFileMode::OpenRead);
  const auto loaded = ReadBuffered(file);
  const TPackageInfo& info = *loaded;
  std::vector<std::string> problems;
  if (written) *written = 0;
  if (!info.Load.HasData) {
    problems.push_back(NoPackageReason(info));
    return problems;
  }
  auto extract = [&](const std::string& name, const std::string& recordPath, int32_t offset, int32_t size,
                     const std::optional<uint32_t>& crc, const TFileTimes& times) {
    std::vector<std::string> parts;
    std::string problem;
    if (!RelativeComponents(recordPath, parts, problem)) {
      problems.push_back(name + ": refused: " + problem);
      return;
    }
    problem = BlockProblem(info.Load, offset, size);
    if (!problem.empty()) {
      problems.push_back(name + ": " + problem);
      return;
    }
    std::string target = folder;
    for (size_t i = 0; i + 1 < parts.size(); ++i) target += kPathSeparator + parts[i];
    bool created = false;
    try {
      CreateDirectories(target);
      target += kPathSeparator + parts.back();
      {
        TFileStream out(target, TFileMode::Create);
        created = true;
        DecryptBlock(file, info, offset, size, crc, out);
      }
      created = false;  // complete from here on
      SetFileTimes(target, times);
      if (written) ++*written;
    } catch (const EZpError& e) {
      if (created) RemoveFileQuietly(target);  // no half-written content left behind
      problems.push_back(name + ": " + e.Message());
    }
  };
  for (size_t i = 0; i < info.Package.Files.size(); ++i) {
    const TZpInstallFile& f = *info.Package.Files[i];
    extract(RecordName("files", i, f.Path), f.Path, f.Offset, f.Size, f.Crc, {f.CreationTime, f.LastWriteTime});
  }
  for (size_t i = 0; i < info.Package.Execs.size(); ++i) {
    const TZpInstallExec& x = *info.Package.Execs[i];
    if (!x.External)
      extract(RecordName("execs", i, x.Path), x.Path, x.Offset, x.Size, x.Crc, {x.CreationTime, x.LastWriteTime});
  }
  return problems;
}

std::string SignatureStatus(const std::string& path) {
  TFileStream file(path, TFileMode::OpenRead);
  const std::optional<TCertificateTable> table = ReadCertificateTable(file);
  if (!table || !table->Present()) return "signature: none";
  if (int64_t(table->Offset) + table->Size > file.Size() || table->Size < 8)
    return "signature: damaged (the certificate table entry points outside the file)";
  return "signature: present (" + std::to_string(table->Size) + " bytes of certificates at byte " +
         std::to_string(table->Offset) + "; Windows checks the chain)";
}

std::string ListQuoted(const std::string& utf8) { return Quoted(utf8); }

std::string ListTimes(uint64_t creationTime, uint64_t lastWriteTime) {
  return "created " + FormatTime(creationTime) + ", modified " + FormatTime(lastWriteTime);
}

std::string ListFileOptions(const std::string& shortcutName, bool desktopShortcut, bool keepNewer,
                            bool keepOnUninstall) {
  auto yes = [](bool flag) { return flag ? "yes" : "no"; };
  return "shortcut " + Quoted(shortcutName) + ", desktop shortcut " + yes(desktopShortcut) + ", keep newer " +
         yes(keepNewer) + ", keep on uninstall " + yes(keepOnUninstall);
}

std::string ListExecKind(int32_t stage, bool external, const std::string& title, const std::string& parameters) {
  return "stage " + std::to_string(stage) + ", " + (external ? "external" : "carried") + ", title " + Quoted(title) +
         ", parameters " + Quoted(parameters);
}

}  // namespace zp
