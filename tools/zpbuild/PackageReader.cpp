#include "PackageReader.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <ostream>

#include "BuilderOS.h"
#include "base/Strings.h"
#include "engine/PeImage.h"
#include "engine/RunFiles.h"
#include "engine/PackageContents.h"
#include "package/Content.h"
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
  char text[128];  // six fields as wide as any int64 may print
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

}  // namespace

std::string PictureKind(const TJpegImage& image) {
  if (image.Empty()) return "none";
  return std::to_string(image.Bytes().size()) + " bytes, JPEG " + std::to_string(image.Width()) + "x" +
         std::to_string(image.Height());
}

std::string DocumentKind(const std::string& text) {
  if (text.empty()) return "none";
  return std::to_string(text.size()) + " bytes, " + (text.rfind("{\\rtf", 0) == 0 ? "RTF" : "plain text");
}

namespace {


// Little-endian values of an image held in memory; 0 past its end.
uint32_t ImageU32(const std::vector<uint8_t>& image, uint64_t at) {
  if (at + 4 > image.size()) return 0;
  return uint32_t(image[at]) | uint32_t(image[at + 1]) << 8 | uint32_t(image[at + 2]) << 16 | uint32_t(image[at + 3]) << 24;
}
uint16_t ImageU16(const std::vector<uint8_t>& image, uint64_t at) {
  if (at + 2 > image.size()) return 0;
  return static_cast<uint16_t>(image[at] | image[at + 1] << 8);
}

// The file position of a relative virtual address, through the section
// table; 0 when no section holds it.
uint64_t RvaToOffset(const std::vector<uint8_t>& image, uint64_t sections, unsigned count, uint32_t rva) {
  for (unsigned i = 0; i < count && i < 96; ++i) {
    const uint64_t at = sections + 40 * uint64_t(i);
    const uint32_t size = std::max(ImageU32(image, at + 8), ImageU32(image, at + 16));
    const uint32_t address = ImageU32(image, at + 12);
    if (rva >= address && rva - address < size) return uint64_t(ImageU32(image, at + 20)) + (rva - address);
  }
  return 0;
}

// The first entry of a resource directory with `id` (any id for -1); its
// offset within the resource section, or 0.
uint32_t ResourceEntry(const std::vector<uint8_t>& image, uint64_t resources, uint32_t directory, int64_t id) {
  const uint64_t at = resources + directory;
  const unsigned named = ImageU16(image, at + 12), ids = ImageU16(image, at + 14);
  for (unsigned i = 0; i < named + ids && i < 4096; ++i) {
    const uint64_t entry = at + 16 + 8 * uint64_t(i);
    if (id < 0 || (i >= named && ImageU32(image, entry) == uint32_t(id))) return ImageU32(image, entry + 4);
  }
  return 0;
}

// The file version in the image's version resource ("1.2.3.4"), or "".
std::string ImageVersion(const std::vector<uint8_t>& image, uint64_t sections, unsigned count, uint32_t resourceRva) {
  const uint64_t resources = RvaToOffset(image, sections, count, resourceRva);
  if (resources == 0) return {};
  constexpr uint32_t kSubdirectory = 0x80000000u;
  uint32_t entry = ResourceEntry(image, resources, 0, 16);  // RT_VERSION
  for (int level = 0; level < 2 && (entry & kSubdirectory); ++level)
    entry = ResourceEntry(image, resources, entry & ~kSubdirectory, -1);  // any name, any language
  if (entry == 0 || (entry & kSubdirectory)) return {};
  const uint64_t data = RvaToOffset(image, sections, count, ImageU32(image, resources + entry));
  const uint32_t size = std::min<uint32_t>(ImageU32(image, resources + entry + 4), 0x10000);
  for (uint64_t at = data; data != 0 && at + 16 <= data + size; at += 4) {
    if (ImageU32(image, at) != 0xFEEF04BDu) continue;  // VS_FIXEDFILEINFO
    const uint32_t high = ImageU32(image, at + 8), low = ImageU32(image, at + 12);
    return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." + std::to_string(low >> 16) + "." +
           std::to_string(low & 0xFFFF);
  }
  return {};
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

// Unpacks a content into `out`; a stored CRC must match what came out.
void UnpackChecked(TPackageContents& contents, const TContentRef& content, TStream& out) {
  const uint32_t crc = contents.Write(content, out);
  if (content.Crc && crc != *content.Crc) throw EZpError("the content is damaged: its CRC-32 does not match the record's");
}

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
  return text;
}

std::string CrcText(const std::optional<uint32_t>& crc) { return crc ? Hex32(*crc) : "none"; }

// How a content is stored, for the list: "" for plain bytes.
std::string CodingText(const TContentRef& content) {
  switch (content.Coding) {
    case ccStored: return "";
    case ccZstd: return ", zstd, " + std::to_string(content.PlainSize) + " bytes";
    case ccZstdDictionary: return ", zstd with the dictionary, " + std::to_string(content.PlainSize) + " bytes";
    default: return ", unknown coding " + std::to_string(content.Coding);
  }
}

std::string BlockText(const TContentRef& content) {
  return "offset " + std::to_string(content.Offset) + ", size " + std::to_string(content.Size) + ", crc " +
         CrcText(content.Crc) + CodingText(content);
}

// How the records travel in the tag stream.
std::string RecordsText(const TLoadReport& load) {
  if (load.CompressedValueSize < 0) return "as they are";
  if (load.CompressedPlainSize < 0)
    return "compressed, in a value of " + std::to_string(load.CompressedValueSize) + " bytes that does not decode";
  std::string text = "compressed, " + std::to_string(load.CompressedPlainSize) + " bytes in a frame of " +
                     std::to_string(load.CompressedFrameSize) + " bytes";
  if (load.CompressedValueSize > load.CompressedFrameSize)
    text += " and " + std::to_string(load.CompressedValueSize - load.CompressedFrameSize) + " bytes of padding";
  return text;
}

// Problems of one content block, or none.
std::string CheckBlock(TPackageContents& contents, const TLoadReport& load, const TContentRef& content) {
  std::string problem = BlockProblem(load, content.Offset, content.Size);
  if (!problem.empty()) return problem;
  uint32_t crc = 0;
  try {
    TNullStream sink;
    crc = contents.Write(content, sink);
  } catch (const EZpError& e) {
    return "does not decrypt with the package key: " + e.Message();
  }
  if (content.Crc && crc != *content.Crc)
    return "the content is damaged: its CRC-32 is " + Hex32(crc) + ", the record says " + Hex32(*content.Crc);
  return {};
}

// Loads the package of an open file; the tag stream is read a few bytes at
// a time, so through a buffer.
std::unique_ptr<TPackageInfo> ReadBuffered(TStream& file) {
  TBufferedReader reader(file);
  return ReadPackage(reader);
}

}  // namespace

std::string DescribeImage(const std::vector<uint8_t>& image) {
  if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') return {};
  const uint64_t header = ImageU32(image, 0x3C);
  if (ImageU32(image, header) != 0x00004550u) return {};  // "PE\0\0"
  const uint16_t machine = ImageU16(image, header + 4);
  const unsigned sections = ImageU16(image, header + 6);
  const uint64_t optional = header + 24;
  const bool wide = ImageU16(image, optional) == 0x20B;  // PE32+
  const uint64_t directories = optional + (wide ? 112 : 96);
  const uint32_t directoryCount = ImageU32(image, optional + (wide ? 108 : 92));
  const std::string version =
      directoryCount > 2 ? ImageVersion(image, optional + ImageU16(image, header + 20), sections,
                                        ImageU32(image, directories + 2 * 8))
                         : "";
  std::string text = machine == 0x14C ? "32-bit (i386)" : machine == 0x8664 ? "64-bit (x86-64)" : "machine 0x";
  if (machine != 0x14C && machine != 0x8664) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04x", machine);
    text += hex;
  }
  text += ", " + std::to_string(image.size()) + " bytes";
  return text + (version.empty() ? ", no version" : ", version " + version);
}

std::unique_ptr<TPackageInfo> ReadPackage(TStream& stream) {
  auto info = std::make_unique<TPackageInfo>();
  info->Package.LoadFromStream(stream, info->Load);
  // The program image: everything before the package (the whole file when
  // there is none), as far as a listing cares to read.
  const int64_t end = info->Load.DataPosition > 0 && info->Load.DataPosition <= info->Load.FileSize
                          ? info->Load.DataPosition
                          : info->Load.FileSize;
  constexpr int64_t kImageLimit = 64 * 1024 * 1024;
  if (end > 0 && end <= kImageLimit) {
    info->Image.resize(static_cast<size_t>(end));
    stream.SetPosition(0);
    info->Image.resize(static_cast<size_t>(stream.Read(info->Image.data(), end)));
  }
  return info;
}

std::unique_ptr<TPackageInfo> ReadPackage(const std::string& path) {
  TFileStream file(path, TFileMode::OpenRead);
  return ReadBuffered(file);
}

std::string NoPackageReason(const TPackageInfo& info, const std::string& path) {
  const std::vector<uint8_t>& start = info.Image;
  if (info.Load.FileSize == 0) return "no package: the file is empty";
  const std::string image = DescribeImage(start);
  if (!image.empty()) {
    uint8_t signature[4] = {};
    if (info.Load.DataPosition > 0) {
      try {
        TFileStream file(path, TFileMode::OpenRead);
        file.SetPosition(info.Load.DataPosition);
        file.Read(signature, 4);
      } catch (const EZpError&) {
      }
    }
    if (std::string(signature, signature + 4) == "ZPUN")
      return "no package: this is an uninstaller (Uninstall.exe), which carries the record of an installation";
    return "no package: this is a Windows program (" + image + ") without a package: a program image, not an installer";
  }
  if (start.size() >= 2 && start[0] == 'M' && start[1] == 'Z')
    return info.Load.DataPosition < 0 ? "no package: the file is too short to be an installer"
                                      : "no package: this is an MS-DOS program without a PE header, not an installer";
  const size_t probe = std::min<size_t>(start.size(), 4096);
  const std::string head(start.begin(), start.begin() + static_cast<std::ptrdiff_t>(probe));
  if (head.find('\0') == std::string::npos && IsValidUtf8(head.substr(0, head.find_last_of("\n") + 1))) {
    const bool project = path.size() > 5 && LowerAscii(path.substr(path.size() - 5)) == ".toml";
    return project ? "no package: this is a project file; zpbuild build makes an installer from it"
                   : "no package: this is a text file, not an installer";
  }
  return "no package: this is not a Windows program (it does not begin with \"MZ\")";
}

void ListPackage(const TPackageInfo& info, std::ostream& out) {
  const TLoadReport& load = info.Load;
  const TZpInstall& p = info.Package;
  out << "File size: " << load.FileSize << "\n";
  out << "Package position: " << load.DataPosition << "\n";
  const std::string image = DescribeImage(info.Image);
  out << "Program image: " << (image.empty() ? "not a PE image" : image) << "\n";
  if (!load.HasData) {
    out << "No package.\n";
    return;
  }
  out << "Records: " << RecordsText(load) << "\n";
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
      << "Splash: " << PictureKind(p.Splash) << "\n"
      << "Dictionary: " << (p.Dictionary ? BlockText(*p.Dictionary) : "none") << "\n";
  out << "Translations: " << p.Translations.Count() << "\n";
  for (int i = 0; i < p.Translations.Count(); ++i) {
    const TZpTransItem& item = p.Translations.Items(i);
    out << "  " << item.Id << " = \"" << Escaped(item.Text) << "\"\n";
  }
  out << "Files: " << p.Files.size() << "\n";
  for (size_t i = 0; i < p.Files.size(); ++i) {
    const TZpInstallFile& f = *p.Files[i];
    out << "  [" << i + 1 << "] " << Quoted(f.Path) << "\n"
        << "      " << BlockText(ContentOf(f)) << "\n"
        << "      " << ListTimes(f.CreationTime, f.LastWriteTime) << "\n"
        << "      " << ListFileOptions(f.ShortcutName, f.DesktopShortcut, f.KeepNewer, f.KeepOnUninstall) << "\n";
  }
  out << "Programs: " << p.Execs.size() << "\n";
  for (size_t i = 0; i < p.Execs.size(); ++i) {
    const TZpInstallExec& x = *p.Execs[i];
    out << "  [" << i + 1 << "] " << Quoted(x.Path) << "\n"
        << "      " << ListExecKind(x.Stage, x.External, x.Title, x.Parameters) << "\n";
    if (!x.External)
      out << "      " << BlockText(ContentOf(x)) << "\n"
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
    problems.push_back(NoPackageReason(*info, path));
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
  TPackageContents contents(file, p);
  if (p.Dictionary) {
    const std::string problem = CheckBlock(contents, load, *p.Dictionary);
    if (!problem.empty()) problems.push_back("dictionary: " + problem);
  }
  for (size_t i = 0; i < p.Files.size(); ++i) {
    const TZpInstallFile& f = *p.Files[i];
    const std::string problem = CheckBlock(contents, load, ContentOf(f));
    if (!problem.empty()) problems.push_back(RecordName("files", i, f.Path) + ": " + problem);
  }
  for (size_t i = 0; i < p.Execs.size(); ++i) {
    const TZpInstallExec& x = *p.Execs[i];
    if ((x.Stage & 0xFF) > esWizardClose)
      problems.push_back(RecordName("execs", i, x.Path) + ": stage " + std::to_string(x.Stage) + " never runs");
    if (x.External) continue;
    const std::string problem = CheckBlock(contents, load, ContentOf(x));
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
    problems.push_back(NoPackageReason(info, path));
    return problems;
  }
  // Records that could not be read are files that will not come out.
  problems = info.Load.Problems;
  TPackageContents contents(file, info.Package);
  auto extract = [&](const std::string& name, const std::string& recordPath, const TContentRef& content,
                     const TFileTimes& times) {
    std::vector<std::string> parts;
    std::string problem;
    if (!RelativeComponents(recordPath, parts, problem)) {
      problems.push_back(name + ": refused: " + problem);
      return;
    }
    problem = BlockProblem(info.Load, content.Offset, content.Size);
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
        UnpackChecked(contents, content, out);
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
    extract(RecordName("files", i, f.Path), f.Path, ContentOf(f), {f.CreationTime, f.LastWriteTime});
  }
  for (size_t i = 0; i < info.Package.Execs.size(); ++i) {
    const TZpInstallExec& x = *info.Package.Execs[i];
    if (!x.External)
      extract(RecordName("execs", i, x.Path), x.Path, ContentOf(x), {x.CreationTime, x.LastWriteTime});
  }
  // The texts and pictures, beside the placeholder folders, named as the
  // project would name them: RTF documents as .rtf, plain text as .txt.
  const TZpInstall& p = info.Package;
  const std::pair<std::string, const std::string*> texts[] = {
      {"License", &p.License}, {"Readme", &p.Readme}, {"What's New", &p.WhatsNew}};
  std::vector<std::pair<std::string, std::vector<uint8_t>>> documents;
  for (const auto& [name, text] : texts)
    if (!text->empty())
      documents.push_back({name + (text->rfind("{\\rtf", 0) == 0 ? ".rtf" : ".txt"), {text->begin(), text->end()}});
  if (!p.Banner.Empty()) documents.push_back({"Banner.jpg", p.Banner.Bytes()});
  if (!p.Splash.Empty()) documents.push_back({"Splash.jpg", p.Splash.Bytes()});
  for (const auto& [name, bytes] : documents) {
    try {
      CreateDirectories(folder);
      WriteFileBytes(folder + kPathSeparator + name, bytes);
      if (written) ++*written;
    } catch (const EZpError& e) {
      problems.push_back(name + ": " + e.Message());
    }
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
