#include "engine/ZpClasses.h"

#include <algorithm>
#include <cmath>

#include "base/Strings.h"
#include "engine/Placeholders.h"
#include "package/Content.h"
#include "package/EncDec.h"
#include "package/TagStreams.h"

namespace zp {
namespace {

// Reads a little-endian 32-bit value; false when fewer than 4 bytes are left.
bool ReadInt32(TStream& stream, int32_t& value) {
  uint8_t b[4];
  int64_t got = 0;
  while (got < 4) {
    const int64_t n = stream.Read(b + got, 4 - got);
    if (n <= 0) return false;
    got += n;
  }
  value = static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
  return true;
}

void WriteInt32(TStream& stream, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  stream.WriteBuffer(b, 4);
}

std::string ReadScrambled(TTagStreamAdapter& tags) {
  return DecodeText(tags.ReadString());
}

// A content's CRC, when stored as the dword it is written as.
void ReadCrc(TTagStreamAdapter& tags, std::optional<uint32_t>& crc) {
  if (tags.TagType != ttDWord) return tags.SkipValue();
  crc = static_cast<uint32_t>(tags.ReadInteger());
}

// Our later integer sub-tags are taken only as the integers they are written
// as: a package from another builder may use the number otherwise.
void ReadTypedInteger(TTagStreamAdapter& tags, int32_t& value) {
  if (tags.TagType != ttInteger) return tags.SkipValue();
  value = tags.ReadInteger();
}

// File times are stored as two 32-bit halves.
void SetLowHalf(uint64_t& time, int32_t value) {
  time = (time & 0xFFFFFFFF00000000ull) | static_cast<uint32_t>(value);
}
void SetHighHalf(uint64_t& time, int32_t value) {
  time = (time & 0xFFFFFFFFull) | uint64_t(static_cast<uint32_t>(value)) << 32;
}

// The content key: the first 16 stored bytes, unmasked; a shorter value is
// padded with zero bytes before unmasking. A length that does not fit the
// stream ends it, like any other unreadable value.
// Returns the stored length, or -1 when the value is unreadable.
int32_t ReadKey(TTagStreamAdapter& tags, std::array<uint8_t, 16>& key) {
  TStream& stream = tags.Stream();
  int32_t length = 0;
  if (!ReadInt32(stream, length) || length < 0 || length > stream.Size() - stream.Position()) {
    stream.Seek(0, TSeekOrigin::End);
    return -1;
  }
  std::array<uint8_t, 16> stored{};
  const int32_t used = std::min<int32_t>(length, static_cast<int32_t>(stored.size()));
  stream.ReadBuffer(stored.data(), used);
  stream.Seek(length - used, TSeekOrigin::Current);
  for (size_t i = 0; i < key.size(); ++i) key[i] = stored[i] ^ KeyMask;
  return length;
}

// A JPEG value: length 0 is no picture; a length that runs past the end of
// the stream raises the stream's read error.
void ReadJpeg(TTagStreamAdapter& tags, TJpegImage& image) {
  int32_t length = 0;
  if (!ReadInt32(tags.Stream(), length)) throw EStreamError("Stream read error");
  image.LoadFromStream(tags.Stream(), length);
}

// A strict load reports an unreadable picture and goes on after its value
// (a value that runs past the end has left the stream at its end).
void ReadJpeg(TTagStreamAdapter& tags, TJpegImage& image, const char* name, TLoadReport* report) {
  if (!report) return ReadJpeg(tags, image);
  try {
    ReadJpeg(tags, image);
  } catch (const EZpError& e) {
    report->Problems.push_back(std::string(name) + ": " + e.Message());
  }
}

// Texts as the program keeps them: UTF-8. A data set without the UTF-8 mark
// holds ANSI text of the system code page; one with the mark whose text is
// not UTF-8 after all (a foreign builder's fault) is read the same way rather
// than let malformed bytes reach a path.
void ToUtf8(std::string& text, bool utf8Texts) {
  if (!(utf8Texts && IsUtf8(text))) text = AnsiToUtf8(text);
}

void ProductToUtf8(TZpData& data, bool utf8) {
  for (std::string* text : {&data.ProgramName, &data.Publisher, &data.Website, &data.Address, &data.ContactName,
                            &data.Email})
    ToUtf8(*text, utf8);
}

// The encoding mark; any other value leaves the texts ANSI.
bool ReadTextEncoding(TTagStreamAdapter& tags) { return tags.ReadInteger() == kUtf8Texts; }

// The product fields shared by both tag tables (tags 2 to 11).
bool ReadProductField(TTagStreamAdapter& tags, TZpData& data) {
  switch (tags.Tag) {
    case ptProgramName: data.ProgramName = ReadScrambled(tags); return true;
    case ptVersionMajor: data.VersionMajor = tags.ReadInteger(); return true;
    case ptVersionMinor: data.VersionMinor = tags.ReadInteger(); return true;
    case ptBuild: data.Build = tags.ReadInteger(); return true;
    case ptRelease: data.Release = tags.ReadInteger(); return true;
    case ptPublisher: data.Publisher = ReadScrambled(tags); return true;
    case ptWebsite: data.Website = ReadScrambled(tags); return true;
    case ptAddress: data.Address = ReadScrambled(tags); return true;
    case ptContactName: data.ContactName = ReadScrambled(tags); return true;
    case ptEmail: data.Email = ReadScrambled(tags); return true;
    default: return false;
  }
}

void ReadFileRecord(TTagStreamAdapter& tags, TZpInstallFile& file) {
  while (tags.ReadTag()) {
    switch (tags.Tag) {
      case frPath: file.Path = ReadScrambled(tags); break;
      case frCreationTimeLow: SetLowHalf(file.CreationTime, tags.ReadInteger()); break;
      case frCreationTimeHigh: SetHighHalf(file.CreationTime, tags.ReadInteger()); break;
      case frLastWriteTimeLow: SetLowHalf(file.LastWriteTime, tags.ReadInteger()); break;
      case frLastWriteTimeHigh: SetHighHalf(file.LastWriteTime, tags.ReadInteger()); break;
      case frShortcutName: file.ShortcutName = ReadScrambled(tags); break;
      case frSize: file.Size = tags.ReadInteger(); break;
      case frOffset: file.Offset = tags.ReadInteger(); break;
      case frKeepNewer: file.KeepNewer = tags.ReadBoolean() != 0; break;
      case frKeepOnUninstall: file.KeepOnUninstall = tags.ReadBoolean() != 0; break;
      case frDesktopShortcut: file.DesktopShortcut = tags.ReadBoolean() != 0; break;
      case frCrc: ReadCrc(tags, file.Crc); break;
      case frCoding: ReadTypedInteger(tags, file.Coding); break;
      case frPlainSize: ReadTypedInteger(tags, file.PlainSize); break;
      default: tags.SkipValue();
    }
  }
}

void ReadExecRecord(TTagStreamAdapter& tags, TZpInstallExec& exec) {
  while (tags.ReadTag()) {
    switch (tags.Tag) {
      case erExternal: exec.External = tags.ReadBoolean() != 0; break;
      case erPath: exec.Path = ReadScrambled(tags); break;
      case erTitle: exec.Title = ReadScrambled(tags); break;
      case erParameters: exec.Parameters = ReadScrambled(tags); break;
      case erStage: exec.Stage = tags.ReadInteger(); break;
      case erCreationTimeLow: SetLowHalf(exec.CreationTime, tags.ReadInteger()); break;
      case erCreationTimeHigh: SetHighHalf(exec.CreationTime, tags.ReadInteger()); break;
      case erLastWriteTimeLow: SetLowHalf(exec.LastWriteTime, tags.ReadInteger()); break;
      case erLastWriteTimeHigh: SetHighHalf(exec.LastWriteTime, tags.ReadInteger()); break;
      case erSize: exec.Size = tags.ReadInteger(); break;
      case erOffset: exec.Offset = tags.ReadInteger(); break;
      case erCrc: ReadCrc(tags, exec.Crc); break;
      case erCoding: ReadTypedInteger(tags, exec.Coding); break;
      case erPlainSize: ReadTypedInteger(tags, exec.PlainSize); break;
      default: tags.SkipValue();
    }
  }
}

// The dictionary's block: the content sub-tags of a file record.
TContentRef ReadDictionary(TTagStreamAdapter& tags) {
  TZpInstallFile record;
  ReadFileRecord(tags, record);
  return ContentOf(record);
}

// The item is added before its entries are read, so an empty block still
// adds an item.
void ReadTransItem(TTagStreamAdapter& tags, TZpTrans& table) {
  TZpTransItem& item = table.Add();
  while (tags.ReadTag()) {
    switch (tags.Tag) {
      case tiId: item.Id = tags.ReadInteger(); break;
      case tiText: item.Text = tags.ReadString(); break;
      default: tags.SkipValue();
    }
  }
  item.Markup = TZpTrans::DefaultMarkup(item.Id);
}

// Positions the stream at the data set and checks its signature.
bool OpenDataSet(TStream& stream, TTagStreamAdapter& tags, uint32_t signature, TLoadReport* report = nullptr) {
  const int64_t position = ReadPackagePosition(stream);
  if (report) report->FileSize = stream.Size(), report->DataPosition = position;
  if (position < 0) return false;
  stream.SetPosition(position);
  const bool found = tags.CheckSignature(signature);
  if (report) report->HasData = found;
  return found;
}

// Reads the next top-level tag; at the end, notes whether it was the end
// marker (a whole five-byte header) or the end of the stream.
bool NextTopLevelTag(TTagStreamAdapter& tags, TLoadReport* report) {
  const int64_t before = report ? tags.Stream().Position() : 0;
  if (tags.ReadTag()) return true;
  if (report) {
    report->DataEnd = tags.Stream().Position();
    report->Complete = tags.Tag == kEndTag && report->DataEnd == before + 5;
  }
  return false;
}

}  // namespace

int64_t ReadPackagePosition(TStream& stream) {
  if (stream.Size() < kPackagePositionOffset + 4) return -1;
  stream.SetPosition(kPackagePositionOffset);
  int32_t position = 0;
  if (!ReadInt32(stream, position) || position < 0) return -1;
  return position;
}

// ---- TZpData ----

void TZpData::Reset() {
  Banner.Clear();
  Splash.Clear();
  Translations.Clear();
  ProgramName.clear();
  VersionMajor = 1;
  VersionMinor = 0;
  Build = 0;
  Release = 0;
  Publisher.clear();
  Website.clear();
  Address.clear();
  ContactName.clear();
  Email.clear();
}

void TZpData::LoadFromFile(const std::string& path) {
  TFileStream file(path, TFileMode::OpenRead);
  TBufferedReader reader(file);  // the tag stream is read a few bytes at a time
  LoadFromStream(reader);
  FileName = path;
}

void TZpData::Report(const std::u16string& message, int32_t weight) {
  ProgressDone = static_cast<int32_t>(int64_t(ProgressDone) + weight);
  // With nothing expected, whatever is reported finishes the run.
  const int percent =
      ProgressTotal > 0 ? static_cast<int>(std::llround(double(ProgressDone) * 100.0 / ProgressTotal)) : 100;
  if (OnProgress) OnProgress(*this, message, percent);
}

// ---- TZpInstall ----

std::string TZpInstall::TargetProblem() const {
  const auto problem = [](const std::string& path) -> std::string {
    const std::string what = TargetPathProblem(path);
    if (what.empty()) return {};
    return "This installer is damaged: the path \"" + path + "\" " + what + ". Nothing was installed.";
  };
  for (const auto& file : Files)
    if (std::string found = problem(file->Path); !found.empty()) return found;
  for (const auto& exec : Execs)
    if (std::string found = exec->External ? "" : problem(exec->Path); !found.empty()) return found;
  return {};
}

void TZpInstall::Reset() {
  TZpData::Reset();
  Files.clear();
  Execs.clear();
  TerminalSettings.clear();
  License.clear();
  Readme.clear();
  WhatsNew.clear();
  Key.fill(0);
  Dictionary.reset();
}

void TZpInstall::LoadFromStream(TStream& stream) { Load(stream, nullptr); }

void TZpInstall::LoadFromStream(TStream& stream, TLoadReport& report) {
  report = TLoadReport();
  Load(stream, &report);
}

// What a load carries from one entry to the next.
struct TZpInstall::TLoadState {
  TLoadReport* Report = nullptr;  // null for the tolerant load
  bool Utf8 = false;              // the text-encoding mark was met
  bool Compressed = false;        // the compressed entries were met
};

void TZpInstall::Load(TStream& stream, TLoadReport* report) {
  Reset();
  TTagStreamAdapter tags(stream);
  if (!OpenDataSet(stream, tags, kPackageSignature, report)) return;
  TLoadState state;
  state.Report = report;
  while (NextTopLevelTag(tags, report)) {
    if (tags.Tag == ptCompressedEntries) ReadCompressedEntries(tags, state);
    else ReadEntry(tags, state);
  }
  TextsToUtf8(state.Utf8);
  if (report) report->Utf8Texts = state.Utf8;
}

void TZpInstall::ReadEntry(TTagStreamAdapter& tags, TLoadState& state) {
  if (ReadProductField(tags, *this)) return;
  switch (tags.Tag) {
    case ptLicense: License = ReadScrambled(tags); break;
    case ptReadme: Readme = ReadScrambled(tags); break;
    case ptWhatsNew: WhatsNew = ReadScrambled(tags); break;
    case ptTerminalSettings: TerminalSettings = ReadScrambled(tags); break;
    case ptKey: {
      const int32_t length = ReadKey(tags, Key);
      if (state.Report) state.Report->KeyLength = length;
      break;
    }
    case ptBanner: ReadJpeg(tags, Banner, "banner", state.Report); break;
    case ptSplash: ReadJpeg(tags, Splash, "splash", state.Report); break;
    case ptFile:
      Files.push_back(std::make_unique<TZpInstallFile>());
      ReadFileRecord(tags, *Files.back());
      break;
    case ptExec:
      Execs.push_back(std::make_unique<TZpInstallExec>());
      ReadExecRecord(tags, *Execs.back());
      break;
    case ptTranslation: ReadTransItem(tags, Translations); break;
    case ptTextEncoding: state.Utf8 = ReadTextEncoding(tags); break;
    case ptDictionary:
      if (tags.TagType != ttBlock) {
        tags.SkipValue();
        break;
      }
      Dictionary = ReadDictionary(tags);
      break;
    default: tags.SkipValue();  // compressed entries within compressed entries among them
  }
}

void TZpInstall::ReadCompressedEntries(TTagStreamAdapter& tags, TLoadState& state) {
  if (tags.TagType != ttBinary) return tags.SkipValue();
  TLoadReport* const report = state.Report;
  // Damage makes the package unreadable: the tolerant load raises, the
  // strict one says what it found and goes on after the value.
  const auto refuse = [report](const std::string& problem) {
    if (!report) throw ECipherException();
    report->Problems.push_back("compressed entries: " + problem);
  };
  const int32_t length = tags.ReadLength();
  if (length < 0) return refuse("the value runs past the end of the file");
  if (state.Compressed || length > MaxFrameSize(kMaxCompressedEntries)) {
    tags.Stream().Seek(length, TSeekOrigin::Current);
    return refuse(state.Compressed ? "a package holds them once only"
                                   : "the value is " + std::to_string(length) + " bytes long, more than a frame of " +
                                         std::to_string(kMaxCompressedEntries) + " plain bytes can take");
  }
  state.Compressed = true;
  if (report) report->CompressedValueSize = length;
  std::vector<uint8_t> value(static_cast<size_t>(length));
  tags.Stream().ReadBuffer(value.data(), length);
  std::vector<uint8_t> plain;
  int64_t frameSize = 0;
  const int64_t limit = std::min(kMaxCompressedEntries, kMaxEntriesRatio * length);
  if (const std::string problem = DecodeWholeFrame(value, limit, plain, frameSize); !problem.empty())
    return refuse(problem);
  if (report) {
    report->CompressedFrameSize = frameSize;
    report->CompressedPlainSize = static_cast<int64_t>(plain.size());
  }
  TMemoryStream stream(std::move(plain));
  TTagStreamAdapter entries(stream);
  for (;;) {
    const int64_t before = stream.Position();
    if (!entries.ReadTag()) {
      // Nothing may end them early: no end marker, no entry cut short.
      if (before != stream.Size() && report)
        report->Problems.push_back("compressed entries: an end marker or a cut entry at byte " +
                                   std::to_string(before) + " of " + std::to_string(stream.Size()));
      break;
    }
    ReadEntry(entries, state);
  }
}

void TZpInstall::TextsToUtf8(bool utf8) {
  ProductToUtf8(*this, utf8);
  ToUtf8(TerminalSettings, utf8);
  for (const auto& file : Files) {
    ToUtf8(file->Path, utf8);
    ToUtf8(file->ShortcutName, utf8);
  }
  for (const auto& exec : Execs) {
    ToUtf8(exec->Path, utf8);
    ToUtf8(exec->Title, utf8);
    ToUtf8(exec->Parameters, utf8);
  }
}

void TZpInstall::WriteUninstallData(TStream& stream) const {
  TTagStreamAdapter tags(stream);
  tags.WriteSignature(kUninstallSignature);
  tags.WriteInteger(utTextEncoding, kUtf8Texts);
  tags.WriteString(utProgramName, EncodeText(ProgramName));
  tags.WriteInteger(utVersionMajor, VersionMajor);
  tags.WriteInteger(utVersionMinor, VersionMinor);
  tags.WriteInteger(utBuild, Build);
  tags.WriteInteger(utRelease, Release);
  tags.WriteString(utPublisher, EncodeText(Publisher));
  tags.WriteString(utWebsite, EncodeText(Website));
  tags.WriteString(utAddress, EncodeText(Address));
  tags.WriteString(utContactName, EncodeText(ContactName));
  tags.WriteString(utEmail, EncodeText(Email));
  if (!Banner.Empty()) {
    TMemoryStream jpeg;
    Banner.SaveToStream(jpeg);
    jpeg.SetPosition(0);
    tags.WriteStream(utBanner, jpeg, static_cast<int32_t>(jpeg.Size()));
  }
  for (const TMarkedString& entry : UninstallList)
    tags.WriteString(entry.Marker == umFolder ? utFolder : utFile, EncodeText(entry.Text));
  for (int i = 0; i < Translations.Count(); ++i) {
    const TZpTransItem& item = Translations.Items(i);
    tags.BeginBlock(utTranslation);
    tags.WriteInteger(tiId, item.Id);
    tags.WriteString(tiText, item.Text);
    tags.EndBlock();
  }
}

void TZpInstall::AppendUninstallData(TStream& stream) const {
  const int64_t position = stream.Position();
  if (position > INT32_MAX) throw EZpError("The uninstaller's program image is too large");
  WriteUninstallData(stream);
  stream.SetPosition(kPackagePositionOffset);
  WriteInt32(stream, static_cast<int32_t>(position));
}

// ---- TZpUninstall ----

void TZpUninstall::Reset() {
  TZpData::Reset();
  Files.clear();
  Folders.clear();
}

void TZpUninstall::LoadFromStream(TStream& stream) {
  Reset();
  TTagStreamAdapter tags(stream);
  if (!OpenDataSet(stream, tags, kUninstallSignature)) return;
  bool utf8 = false;
  while (tags.ReadTag()) {
    if (ReadProductField(tags, *this)) continue;
    switch (tags.Tag) {
      case utBanner: ReadJpeg(tags, Banner); break;
      case utFolder: Folders.push_back(ReadScrambled(tags)); break;
      case utFile: Files.push_back(ReadScrambled(tags)); break;
      case utTranslation: ReadTransItem(tags, Translations); break;
      case utTextEncoding: utf8 = ReadTextEncoding(tags); break;
      default: tags.SkipValue();
    }
  }
  ProductToUtf8(*this, utf8);
  for (std::string& file : Files) ToUtf8(file, utf8);
  for (std::string& folder : Folders) ToUtf8(folder, utf8);
}

}  // namespace zp
