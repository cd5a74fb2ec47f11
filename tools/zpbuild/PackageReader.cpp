#include "PackageReader.h"

#include <cstdio>
#include <ostream>

#include "BuilderOS.h"
#include "base/Strings.h"
#include "package/Content.h"
#include "package/EncDec.h"
#include "package/SubStreams.h"
#include "package/TagStreams.h"
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

// The value of a type-7/8 entry as raw bytes; false when it runs past the end.
bool ReadBinary(TTagStreamAdapter& tags, std::vector<uint8_t>& bytes) {
  const int32_t length = tags.ReadLength();
  if (length < 0) return false;
  bytes.resize(static_cast<size_t>(length));
  tags.Stream().ReadBuffer(bytes.data(), length);
  return true;
}

// Reads the entries of one block (after its header) until its end marker.
template <typename TField>
void ReadBlock(TTagStreamAdapter& tags, TField field) {
  while (tags.ReadTag())
    if (!field(tags.Tag)) tags.SkipValue();
}

uint64_t WithLow(uint64_t time, int32_t low) { return (time & 0xFFFFFFFF00000000ULL) | static_cast<uint32_t>(low); }
uint64_t WithHigh(uint64_t time, int32_t high) { return (time & 0xFFFFFFFFULL) | uint64_t(static_cast<uint32_t>(high)) << 32; }

TZpInstallFile ReadFileRecord(TTagStreamAdapter& tags) {
  TZpInstallFile f;
  ReadBlock(tags, [&](int32_t tag) {
    switch (tag) {
      case frPath: f.Path = DecodeText(tags.ReadString()); return true;
      case frCreationTimeLow: f.CreationTime = WithLow(f.CreationTime, tags.ReadInteger()); return true;
      case frCreationTimeHigh: f.CreationTime = WithHigh(f.CreationTime, tags.ReadInteger()); return true;
      case frLastWriteTimeLow: f.LastWriteTime = WithLow(f.LastWriteTime, tags.ReadInteger()); return true;
      case frLastWriteTimeHigh: f.LastWriteTime = WithHigh(f.LastWriteTime, tags.ReadInteger()); return true;
      case frShortcutName: f.ShortcutName = DecodeText(tags.ReadString()); return true;
      case frSize: f.Size = tags.ReadInteger(); return true;
      case frOffset: f.Offset = tags.ReadInteger(); return true;
      case frKeepNewer: f.KeepNewer = tags.ReadBoolean() != 0; return true;
      case frKeepOnUninstall: f.KeepOnUninstall = tags.ReadBoolean() != 0; return true;
      case frDesktopShortcut: f.DesktopShortcut = tags.ReadBoolean() != 0; return true;
      default: return false;
    }
  });
  return f;
}

TZpInstallExec ReadExecRecord(TTagStreamAdapter& tags) {
  TZpInstallExec x;
  ReadBlock(tags, [&](int32_t tag) {
    switch (tag) {
      case erExternal: x.External = tags.ReadBoolean() != 0; return true;
      case erPath: x.Path = DecodeText(tags.ReadString()); return true;
      case erTitle: x.Title = DecodeText(tags.ReadString()); return true;
      case erParameters: x.Parameters = DecodeText(tags.ReadString()); return true;
      case erStage: x.Stage = tags.ReadInteger(); return true;
      case erCreationTimeLow: x.CreationTime = WithLow(x.CreationTime, tags.ReadInteger()); return true;
      case erCreationTimeHigh: x.CreationTime = WithHigh(x.CreationTime, tags.ReadInteger()); return true;
      case erLastWriteTimeLow: x.LastWriteTime = WithLow(x.LastWriteTime, tags.ReadInteger()); return true;
      case erLastWriteTimeHigh: x.LastWriteTime = WithHigh(x.LastWriteTime, tags.ReadInteger()); return true;
      case erSize: x.Size = tags.ReadInteger(); return true;
      case erOffset: x.Offset = tags.ReadInteger(); return true;
      default: return false;
    }
  });
  return x;
}

TTranslation ReadTranslation(TTagStreamAdapter& tags) {
  TTranslation item;
  ReadBlock(tags, [&](int32_t tag) {
    switch (tag) {
      case tiId: item.Id = tags.ReadInteger(); return true;
      case tiText: item.Text = tags.ReadString(); return true;
      default: return false;
    }
  });
  return item;
}

// Reads one top-level entry; false when its value runs past the end.
bool ReadTopLevel(TTagStreamAdapter& tags, TPackageInfo& info) {
  std::string* text = nullptr;
  int32_t* number = nullptr;
  switch (tags.Tag) {
    case ptProgramName: text = &info.ProgramName; break;
    case ptVersionMajor: number = &info.VersionMajor; break;
    case ptVersionMinor: number = &info.VersionMinor; break;
    case ptBuild: number = &info.Build; break;
    case ptRelease: number = &info.Release; break;
    case ptPublisher: text = &info.Publisher; break;
    case ptWebsite: text = &info.Website; break;
    case ptAddress: text = &info.Address; break;
    case ptContactName: text = &info.ContactName; break;
    case ptEmail: text = &info.Email; break;
    case ptLicense: text = &info.License; break;
    case ptReadme: text = &info.Readme; break;
    case ptWhatsNew: text = &info.WhatsNew; break;
    case ptTerminalSettings: text = &info.TerminalSettings; break;
    case ptKey: {
      std::vector<uint8_t> stored;
      if (!ReadBinary(tags, stored)) return false;
      info.KeyLength = static_cast<int32_t>(stored.size());
      info.Key.fill(0);
      for (size_t i = 0; i < info.Key.size() && i < stored.size(); ++i) info.Key[i] = stored[i] ^ KeyMask;
      return true;
    }
    case ptBanner: return ReadBinary(tags, info.Banner);
    case ptSplash: return ReadBinary(tags, info.Splash);
    case ptFile: info.Files.push_back(ReadFileRecord(tags)); return true;
    case ptExec: info.Execs.push_back(ReadExecRecord(tags)); return true;
    case ptTranslation: info.Translations.push_back(ReadTranslation(tags)); return true;
    default: tags.SkipValue(); return true;
  }
  if (text) *text = DecodeText(tags.ReadString());
  if (number) *number = tags.ReadInteger();
  return true;
}

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

std::string Quoted(const std::string& ansi) { return "\"" + Escaped(WideToUtf8(AnsiToWide(ansi))) + "\""; }

std::string FormatTime(uint64_t fileTime) {
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
  char text[64];
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

std::string PictureKind(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return "none";
  std::string kind = std::to_string(bytes.size()) + " bytes, ";
  try {
    TJpegImage image;
    image.LoadFromBytes(bytes);
    return kind + "JPEG " + std::to_string(image.Width()) + "x" + std::to_string(image.Height());
  } catch (const EZpError& e) {
    return kind + "unreadable: " + e.Message();
  }
}

std::string HexKey(const TContentKey& key) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : key) text += digits[b >> 4], text += digits[b & 15];
  return text;
}

std::string RecordName(const char* kind, size_t index, const std::string& path) {
  return std::string(kind) + "[" + std::to_string(index + 1) + "] " + Quoted(path);
}

// What is wrong with where a content block lies, or nothing.
std::string BlockProblem(const TPackageInfo& info, int32_t offset, int32_t size) {
  if (size < 16 || size % 16 != 0)
    return "stored size " + std::to_string(size) + " is not a multiple of 16 of at least 16";
  if (offset < info.TagStreamEnd)
    return "block at " + std::to_string(offset) + " lies before the end of the package data (" +
           std::to_string(info.TagStreamEnd) + ")";
  if (int64_t(offset) + size > info.FileSize)
    return "block at " + std::to_string(offset) + " of " + std::to_string(size) +
           " bytes runs past the end of the file (" + std::to_string(info.FileSize) + " bytes)";
  return {};
}

void DecryptBlock(TStream& file, const TPackageInfo& info, int32_t offset, int32_t size, TStream& out) {
  TSubStream window(file, offset, int64_t(offset) + size - 1);
  window.Seek(0, TSeekOrigin::Begin);
  DecryptContent(window, out, info.Key.data(), kContentKeyLength);
}

// Problems of one content block, or none.
std::string CheckBlock(TStream& file, const TPackageInfo& info, int32_t offset, int32_t size) {
  std::string problem = BlockProblem(info, offset, size);
  if (!problem.empty()) return problem;
  try {
    TNullStream sink;
    DecryptBlock(file, info, offset, size, sink);
  } catch (const EZpError& e) {
    return "does not decrypt with the package key: " + e.Message();
  }
  return {};
}

bool IsReservedName(const std::string& part) {
  static const char* const reserved[] = {"CON", "PRN", "AUX", "NUL"};
  const std::string base = UpperAscii(part.substr(0, part.find('.')));
  for (const char* name : reserved)
    if (base == name) return true;
  return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

}  // namespace

TPackageInfo ReadPackage(TStream& stream) {
  TPackageInfo info;
  info.FileSize = stream.Size();
  if (info.FileSize < kPackagePositionOffset + 4) return info;
  uint8_t position[4];
  stream.Seek(kPackagePositionOffset, TSeekOrigin::Begin);
  stream.ReadBuffer(position, 4);
  info.PackagePosition = uint32_t(position[0]) | uint32_t(position[1]) << 8 | uint32_t(position[2]) << 16 |
                         uint32_t(position[3]) << 24;
  if (info.PackagePosition + 4 > info.FileSize) return info;
  stream.Seek(info.PackagePosition, TSeekOrigin::Begin);
  TTagStreamAdapter tags(stream);
  if (!tags.CheckSignature(kPackageSignature)) return info;
  info.HasPackage = true;
  for (;;) {
    const int64_t before = stream.Position();
    if (!tags.ReadTag()) {
      info.Complete = tags.Tag == kEndTag && stream.Position() == before + 5;
      break;
    }
    if (!ReadTopLevel(tags, info)) break;
  }
  info.TagStreamEnd = stream.Position();
  return info;
}

TPackageInfo ReadPackage(const std::string& path) {
  TFileStream file(path, TFileMode::OpenRead);
  return ReadPackage(file);
}

std::string NoPackageReason(const TPackageInfo& info) {
  if (info.FileSize < kPackagePositionOffset + 4) return "no package: the file is too short to be an installer";
  return "no package: no \"ZPIN\" signature at byte " + std::to_string(info.PackagePosition);
}

void ListPackage(const TPackageInfo& info, std::ostream& out) {
  out << "File size: " << info.FileSize << "\n";
  out << "Package position: " << info.PackagePosition << "\n";
  if (!info.HasPackage) {
    out << "No package.\n";
    return;
  }
  out << "Program name: " << Quoted(info.ProgramName) << "\n"
      << "Version: " << info.VersionMajor << "." << info.VersionMinor << "\n"
      << "Build: " << info.Build << "\n"
      << "Release: " << info.Release << "\n"
      << "Publisher: " << Quoted(info.Publisher) << "\n"
      << "Website: " << Quoted(info.Website) << "\n"
      << "Address: " << Quoted(info.Address) << "\n"
      << "Contact: " << Quoted(info.ContactName) << "\n"
      << "Email: " << Quoted(info.Email) << "\n"
      << "License: " << DocumentKind(info.License) << "\n"
      << "Readme: " << DocumentKind(info.Readme) << "\n"
      << "What's new: " << DocumentKind(info.WhatsNew) << "\n"
      << "Terminal settings: " << Quoted(info.TerminalSettings) << "\n"
      << "Key: " << (info.KeyLength < 0 ? "none" : HexKey(info.Key)) << "\n"
      << "Banner: " << PictureKind(info.Banner) << "\n"
      << "Splash: " << PictureKind(info.Splash) << "\n";
  out << "Translations: " << info.Translations.size() << "\n";
  for (const TTranslation& item : info.Translations) out << "  " << item.Id << " = \"" << Escaped(item.Text) << "\"\n";
  out << "Files: " << info.Files.size() << "\n";
  for (size_t i = 0; i < info.Files.size(); ++i) {
    const TZpInstallFile& f = info.Files[i];
    out << "  [" << i + 1 << "] " << Quoted(f.Path) << "\n"
        << "      offset " << f.Offset << ", size " << f.Size << "\n"
        << "      created " << FormatTime(f.CreationTime) << ", modified " << FormatTime(f.LastWriteTime) << "\n"
        << "      shortcut " << Quoted(f.ShortcutName) << ", desktop shortcut " << (f.DesktopShortcut ? "yes" : "no")
        << ", keep newer " << (f.KeepNewer ? "yes" : "no") << ", keep on uninstall "
        << (f.KeepOnUninstall ? "yes" : "no") << "\n";
  }
  out << "Programs: " << info.Execs.size() << "\n";
  for (size_t i = 0; i < info.Execs.size(); ++i) {
    const TZpInstallExec& x = info.Execs[i];
    out << "  [" << i + 1 << "] " << Quoted(x.Path) << "\n"
        << "      stage " << x.Stage << ", " << (x.External ? "external" : "carried") << ", title " << Quoted(x.Title)
        << ", parameters " << Quoted(x.Parameters) << "\n";
    if (!x.External)
      out << "      offset " << x.Offset << ", size " << x.Size << "\n"
          << "      created " << FormatTime(x.CreationTime) << ", modified " << FormatTime(x.LastWriteTime) << "\n";
  }
  if (!info.Complete) out << "The package data ends before its end marker.\n";
}

std::vector<std::string> VerifyPackage(const std::string& path) {
  TFileStream file(path, TFileMode::OpenRead);
  const TPackageInfo info = ReadPackage(file);
  std::vector<std::string> problems;
  if (!info.HasPackage) {
    problems.push_back(NoPackageReason(info));
    return problems;
  }
  if (!info.Complete)
    problems.push_back("the package data ends at byte " + std::to_string(info.TagStreamEnd) +
                       " without its end marker (is the file cut short?)");
  if (info.KeyLength < 0) problems.push_back("the package has no content key");
  else if (info.KeyLength != kContentKeyLength)
    problems.push_back("the content key is " + std::to_string(info.KeyLength) + " bytes long, not 16");
  const std::pair<const char*, const std::vector<uint8_t>*> pictures[] = {{"banner", &info.Banner},
                                                                          {"splash", &info.Splash}};
  for (const auto& [name, bytes] : pictures) {
    if (bytes->empty()) continue;
    try {
      TJpegImage image;
      image.LoadFromBytes(*bytes);
      image.Pixels();
    } catch (const EZpError& e) {
      problems.push_back(std::string(name) + ": " + e.Message());
    }
  }
  for (size_t i = 0; i < info.Files.size(); ++i) {
    const TZpInstallFile& f = info.Files[i];
    const std::string problem = CheckBlock(file, info, f.Offset, f.Size);
    if (!problem.empty()) problems.push_back(RecordName("files", i, f.Path) + ": " + problem);
  }
  for (size_t i = 0; i < info.Execs.size(); ++i) {
    const TZpInstallExec& x = info.Execs[i];
    if ((x.Stage & 0xFF) > esWizardClose)
      problems.push_back(RecordName("execs", i, x.Path) + ": stage " + std::to_string(x.Stage) + " never runs");
    if (x.External) continue;
    const std::string problem = CheckBlock(file, info, x.Offset, x.Size);
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
    if (IsReservedName(part)) return problem = "uses the device name \"" + part + "\"", false;
    parts.push_back(part);
  }
  if (parts.empty()) return problem = "names no file", false;
  return true;
}

std::vector<std::string> ExtractPackage(const std::string& path, const std::string& folder, int* written) {
  TFileStream file(path, TFileMode::OpenRead);
  const TPackageInfo info = ReadPackage(file);
  std::vector<std::string> problems;
  if (written) *written = 0;
  if (!info.HasPackage) {
    problems.push_back(NoPackageReason(info));
    return problems;
  }
  auto extract = [&](const std::string& name, const std::string& recordPath, int32_t offset, int32_t size,
                     const TFileTimes& times) {
    std::vector<std::string> parts;
    std::string problem;
    if (!RelativeComponents(recordPath, parts, problem)) {
      problems.push_back(name + ": refused: " + problem);
      return;
    }
    problem = BlockProblem(info, offset, size);
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
        DecryptBlock(file, info, offset, size, out);
      }
      created = false;  // complete from here on
      SetFileTimes(target, times);
      if (written) ++*written;
    } catch (const EZpError& e) {
      if (created) RemoveFileQuietly(target);  // no half-written content left behind
      problems.push_back(name + ": " + e.Message());
    }
  };
  for (size_t i = 0; i < info.Files.size(); ++i) {
    const TZpInstallFile& f = info.Files[i];
    extract(RecordName("files", i, f.Path), f.Path, f.Offset, f.Size, {f.CreationTime, f.LastWriteTime});
  }
  for (size_t i = 0; i < info.Execs.size(); ++i) {
    const TZpInstallExec& x = info.Execs[i];
    if (!x.External) extract(RecordName("execs", i, x.Path), x.Path, x.Offset, x.Size, {x.CreationTime, x.LastWriteTime});
  }
  return problems;
}

std::string ListQuoted(const std::string& ansi) { return Quoted(ansi); }

std::string ListTime(uint64_t fileTime) { return FormatTime(fileTime); }

}  // namespace zp
