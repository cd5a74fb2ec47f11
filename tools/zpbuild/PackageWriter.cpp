#include "PackageWriter.h"

#include <algorithm>
#include <cstring>

#include "BuilderOS.h"
#include "ContentCompressor.h"
#include "ContentKey.h"
#include "engine/ZpClasses.h"
#include "package/Content.h"
#include "package/Crc32.h"
#include "package/EncDec.h"
#include "package/TagStreams.h"

namespace zp {
namespace {

// The DOS header's pointer to the PE header.
constexpr size_t kPeHeaderPointer = 0x3C;
// The package position occupies bytes 136..139; the PE header must follow.
constexpr uint32_t kFirstHeaderPosition = kPackagePositionOffset + 4;

uint32_t ReadU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void WriteU32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// One record's content, measured before anything is written.
struct TPlannedContent {
  const TContent* Content = nullptr;  // null: an external program
  std::string Name;                   // for messages: the source file or the record
  int64_t PlainSize = 0;
  int64_t StoredSize = 0;
  TFileTimes Times;
  uint32_t Crc = 0;  // of the plain bytes, read before anything is written
  bool Text = false;
  int32_t Coding = ccStored;
  std::vector<uint8_t> Frame;  // a compressed content's frame, unless it is made again when written
};

// Frames are kept in memory from their planning to their writing up to this
// much in all; later ones are made again when they are written.
constexpr int64_t kFrameMemory = 256 << 20;

// Reads a stream and sums the CRC-32 of what it reads: a content compressed
// must be the content scanned.
class TCrcReader : public TStream {
public:
  explicit TCrcReader(TStream& source) : source_(source) {}
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t n = source_.Read(buffer, count);
    if (n > 0) crc_.Update(buffer, static_cast<size_t>(n));
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return source_.Seek(offset, origin); }
  uint32_t Crc() const { return crc_.Value(); }

private:
  TStream& source_;
  TCrc32 crc_;
};

std::string RecordName(const char* kind, size_t index) { return std::string(kind) + "[" + std::to_string(index + 1) + "]"; }

TPlannedContent PlanContent(const TProject& project, const TContent& content, const std::optional<uint64_t>& creation,
                            const std::optional<uint64_t>& lastWrite, const std::string& record) {
  TPlannedContent plan;
  plan.Content = &content;
  plan.Name = content.FromFile() ? content.SourcePath + ": " + record : record;
  try {
    plan.Times = StoredTimes(project, content, creation, lastWrite);
    if (project.ContentChecksums || project.Compression) {
      const TContentScan scan = ScanContent(content);
      plan.PlainSize = scan.Size, plan.Crc = scan.Crc, plan.Text = scan.Text;
    } else {
      plan.PlainSize = OpenContent(content)->Size();
    }
  } catch (const EOSError& e) {
    throw EProjectError(record + ": " + e.Message());
  }
  plan.StoredSize = StoredContentSize(plan.PlainSize);
  if (plan.StoredSize > kPackageLimit)
    throw EProjectError(plan.Name + ": " + std::to_string(plan.PlainSize) +
                        " bytes is beyond the 2 GiB limit of a package file");
  return plan;
}

TPlannedContent PlanExternal(const TProjectExec& exec) {
  TPlannedContent plan;
  plan.Times.CreationTime = exec.CreationTime.value_or(0);
  plan.Times.LastWriteTime = exec.LastWriteTime.value_or(0);
  return plan;
}

class TTagWriter {
public:
  explicit TTagWriter(TStream& stream) : tags_(stream) {}

  void Text(int32_t tag, const std::string& plain) { tags_.WriteString(tag, EncodeText(plain)); }
  void Integer(int32_t tag, int32_t value) { tags_.WriteInteger(tag, value); }
  void Boolean(int32_t tag, bool value) { tags_.WriteBoolean(tag, value ? 1 : 0); }
  void Time(int32_t lowTag, uint64_t fileTime) {
    tags_.WriteInteger(lowTag, static_cast<int32_t>(static_cast<uint32_t>(fileTime)));
    tags_.WriteInteger(lowTag + 1, static_cast<int32_t>(static_cast<uint32_t>(fileTime >> 32)));
  }
  void Binary(int32_t tag, const std::vector<uint8_t>& bytes) {
    TMemoryStream source(bytes);
    tags_.WriteStream(tag, source, static_cast<int32_t>(bytes.size()));
  }
  TTagStreamAdapter& Adapter() { return tags_; }

private:
  TTagStreamAdapter tags_;
};

// The entries that stay in the top level: what names the package, the key
// (set in place once the rest is laid out) and the pictures, which do not
// compress.
std::vector<uint8_t> HeaderEntries(const TProject& project, const TPackageLayout& layout) {
  TMemoryStream stream;
  TTagWriter w(stream);
  w.Adapter().WriteSignature(kPackageSignature);
  if (project.Utf8Texts) w.Integer(ptTextEncoding, kUtf8Texts);
  w.Text(ptProgramName, project.ProgramName);
  w.Integer(ptVersionMajor, project.VersionMajor);
  w.Integer(ptVersionMinor, project.VersionMinor);
  w.Integer(ptBuild, project.Build);
  w.Integer(ptRelease, project.Release);
  w.Text(ptPublisher, project.Publisher);
  w.Text(ptWebsite, project.Website);
  w.Text(ptAddress, project.Address);
  w.Text(ptContactName, project.ContactName);
  w.Text(ptEmail, project.Email);
  std::vector<uint8_t> maskedKey(layout.Key.begin(), layout.Key.end());
  for (uint8_t& b : maskedKey) b ^= KeyMask;
  w.Binary(ptKey, maskedKey);
  // An empty picture is left out: a zero length is no image.
  if (!project.Banner.empty()) w.Binary(ptBanner, project.Banner);
  if (!project.Splash.empty()) w.Binary(ptSplash, project.Splash);
  return std::move(stream.Bytes());
}

// The entries that may travel compressed: the documents, the dictionary's
// record, the translations and the file and program records, whose offsets
// and sizes come from `layout`. Integers have a fixed width, so their length
// does not depend on the offsets.
std::vector<uint8_t> RecordEntries(const TProject& project, const TPackageLayout& layout) {
  TMemoryStream stream;
  TTagWriter w(stream);
  w.Text(ptLicense, project.License);
  w.Text(ptReadme, project.Readme);
  w.Text(ptWhatsNew, project.WhatsNew);
  w.Text(ptTerminalSettings, project.TerminalSettings);
  if (layout.Dictionary) {
    const TRecordLayout& at = *layout.Dictionary;
    w.Adapter().BeginBlock(ptDictionary);
    w.Integer(frSize, at.Size);
    w.Integer(frOffset, at.Offset);
    if (at.Crc) w.Adapter().WriteDWord(frCrc, *at.Crc);
    w.Integer(frCoding, at.Coding);
    w.Integer(frPlainSize, static_cast<int32_t>(at.ContentSize));
    w.Adapter().EndBlock();
  }
  for (const TTranslation& item : project.Translations) {
    w.Adapter().BeginBlock(ptTranslation);
    w.Integer(tiId, item.Id);
    w.Adapter().WriteString(tiText, item.Text);  // UTF-8, never scrambled
    w.Adapter().EndBlock();
  }
  for (size_t i = 0; i < project.Files.size(); ++i) {
    const TProjectFile& file = project.Files[i];
    const TRecordLayout& at = layout.Files[i];
    w.Adapter().BeginBlock(ptFile);
    w.Text(frPath, file.Path);
    w.Time(frCreationTimeLow, at.CreationTime);
    w.Time(frLastWriteTimeLow, at.LastWriteTime);
    w.Text(frShortcutName, file.ShortcutName);
    w.Integer(frSize, at.Size);
    w.Integer(frOffset, at.Offset);
    w.Boolean(frKeepNewer, file.KeepNewer);
    w.Boolean(frKeepOnUninstall, file.KeepOnUninstall);
    w.Boolean(frDesktopShortcut, file.DesktopShortcut);
    if (at.Crc) w.Adapter().WriteDWord(frCrc, *at.Crc);
    if (at.Coding != ccStored) {
      w.Integer(frCoding, at.Coding);
      w.Integer(frPlainSize, static_cast<int32_t>(at.ContentSize));
    }
    w.Adapter().EndBlock();
  }
  for (size_t i = 0; i < project.Execs.size(); ++i) {
    const TProjectExec& exec = project.Execs[i];
    const TRecordLayout& at = layout.Execs[i];
    w.Adapter().BeginBlock(ptExec);
    w.Boolean(erExternal, exec.External);
    w.Text(erPath, exec.Path);
    w.Text(erTitle, exec.Title);
    w.Text(erParameters, exec.Parameters);
    w.Integer(erStage, exec.Stage);
    w.Time(erCreationTimeLow, at.CreationTime);
    w.Time(erLastWriteTimeLow, at.LastWriteTime);
    w.Integer(erSize, at.Size);
    w.Integer(erOffset, at.Offset);
    if (at.Crc) w.Adapter().WriteDWord(erCrc, *at.Crc);
    if (at.Coding != ccStored) {
      w.Integer(erCoding, at.Coding);
      w.Integer(erPlainSize, static_cast<int32_t>(at.ContentSize));
    }
    w.Adapter().EndBlock();
  }
  return std::move(stream.Bytes());
}

// The length of an entry of type 8 before its value: header and length.
constexpr int64_t kBinaryEntryHead = 9;
// The end marker that closes the top level.
constexpr int64_t kEndMarker = 5;

// The whole tag stream: the header entries, then the record entries as they
// are or, with `frame`, as one compressed entry whose value is the frame
// followed by zeros up to `valueSize` bytes; then the end marker.
std::vector<uint8_t> TagStream(const std::vector<uint8_t>& header, const std::vector<uint8_t>& records,
                               const std::vector<uint8_t>* frame, int64_t valueSize) {
  TMemoryStream stream;
  stream.WriteBuffer(header.data(), static_cast<int64_t>(header.size()));
  TTagStreamAdapter tags(stream);
  if (frame) {
    std::vector<uint8_t> value(static_cast<size_t>(valueSize), 0);
    std::copy(frame->begin(), frame->end(), value.begin());
    TMemoryStream source(std::move(value));
    tags.WriteStream(ptCompressedEntries, source, static_cast<int32_t>(valueSize));
  } else {
    stream.WriteBuffer(records.data(), static_cast<int64_t>(records.size()));
  }
  tags.EndBlock();  // closes the top level
  return std::move(stream.Bytes());
}

// Compresses a planned content into `out`; returns the frame's size. The
// bytes compressed must be the bytes scanned.
int64_t CompressPlanned(TContentCompressor& compressor, const TPlannedContent& plan, int32_t coding, TStream& out) {
  std::unique_ptr<TStream> source = OpenContent(*plan.Content);
  if (source->Size() != plan.PlainSize) throw EStreamError("the file changed while the package was built");
  TCrcReader reader(*source);
  const int64_t size = compressor.Compress(reader, plan.PlainSize, coding, out);
  if (reader.Crc() != plan.Crc) throw EStreamError("the file changed while the package was built");
  return size;
}

void WriteContent(TContentCompressor& compressor, TPlannedContent& plan, const TContentKey& key, bool checksum,
                  TStream& out) {
  int64_t stored = 0;
  uint32_t crc = 0;
  try {
    if (plan.Coding != ccStored) {
      if (plan.Frame.empty()) {
        TMemoryStream frame;
        CompressPlanned(compressor, plan, plan.Coding, frame);
        plan.Frame = std::move(frame.Bytes());
      }
      TMemoryStream source(plan.Frame);
      stored = EncryptContent(source, static_cast<int64_t>(plan.Frame.size()), out, key.data());
      std::vector<uint8_t>().swap(plan.Frame);
      crc = plan.Crc;  // taken when the frame was made
    } else if (plan.Content->FromFile()) {
      TFileStream source(plan.Content->SourcePath, TFileMode::OpenRead);
      if (source.Size() != plan.PlainSize) throw EStreamError("the file changed while the package was built");
      stored = EncryptContent(source, plan.PlainSize, out, key.data(), &crc);
    } else {
      TMemoryStream source(plan.Content->Bytes);
      stored = EncryptContent(source, plan.PlainSize, out, key.data(), &crc);
    }
  } catch (const EStreamError& e) {
    throw EProjectError(plan.Name + ": " + e.Message());
  }
  if (stored != plan.StoredSize) throw EProjectError(plan.Name + ": the content did not store as planned");
  // The stored CRC was taken in an earlier read: the bytes must not have moved since.
  if (checksum && crc != plan.Crc) throw EProjectError(plan.Name + ": the file changed while the package was built");
}

// The package's dictionary: its small text contents back to back, each
// once, up to kMaxDictionarySize. None for fewer than two: a content alone
// gains nothing from it.
std::vector<uint8_t> MakeDictionary(const std::vector<TPlannedContent>& plans) {
  std::vector<const TPlannedContent*> members;
  int64_t total = 0;
  for (const TPlannedContent& plan : plans) {
    if (!plan.Content || !plan.Text || plan.PlainSize == 0 || plan.PlainSize > kDictionaryMemberLimit) continue;
    if (total + plan.PlainSize > kMaxDictionarySize) break;
    const bool seen = std::any_of(members.begin(), members.end(), [&](const TPlannedContent* member) {
      return member->PlainSize == plan.PlainSize && member->Crc == plan.Crc;
    });
    if (seen) continue;
    members.push_back(&plan);
    total += plan.PlainSize;
  }
  std::vector<uint8_t> dictionary;
  if (members.size() < 2) return dictionary;
  dictionary.resize(static_cast<size_t>(total));
  size_t at = 0;
  for (const TPlannedContent* member : members) {
    try {
      std::unique_ptr<TStream> source = OpenContent(*member->Content);
      source->ReadBuffer(&dictionary[at], member->PlainSize);
    } catch (const EZpError& e) {
      throw EProjectError(member->Name + ": " + e.Message());
    }
    if (Crc32(&dictionary[at], static_cast<size_t>(member->PlainSize)) != member->Crc)
      throw EProjectError(member->Name + ": the file changed while the package was built");
    at += static_cast<size_t>(member->PlainSize);
  }
  return dictionary;
}

// Compresses every content that shrinks (in stored size: whole blocks of 16
// bytes); the dictionary, when there is one, becomes the first plan.
void CompressContents(TContentCompressor& compressor, std::vector<TPlannedContent>& plans,
                      std::optional<TPlannedContent>& dictionaryPlan, TContent& dictionaryContent) {
  dictionaryContent = TContent::FromBytes(MakeDictionary(plans));
  if (!dictionaryContent.Bytes.empty()) {
    TPlannedContent plan;
    plan.Content = &dictionaryContent;
    plan.Name = "dictionary";
    plan.PlainSize = static_cast<int64_t>(dictionaryContent.Bytes.size());
    plan.Crc = Crc32(dictionaryContent.Bytes.data(), dictionaryContent.Bytes.size());
    plan.StoredSize = StoredContentSize(plan.PlainSize);
    dictionaryPlan = std::move(plan);
  }
  int64_t kept = 0;
  auto compress = [&](TPlannedContent& plan, int32_t coding) {
    if (coding == ccStored) return;
    TMemoryStream frame;
    try {
      CompressPlanned(compressor, plan, coding, frame);
    } catch (const EZpError& e) {
      throw EProjectError(plan.Name + ": " + e.Message());
    }
    const int64_t stored = StoredContentSize(frame.Size());
    if (stored >= plan.StoredSize) return;
    plan.Coding = coding;
    plan.StoredSize = stored;
    if (kept + frame.Size() <= kFrameMemory) {
      kept += frame.Size();
      plan.Frame = std::move(frame.Bytes());
    }
  };
  if (dictionaryPlan) {
    compress(*dictionaryPlan, ccZstd);
    compressor.SetDictionary(dictionaryContent.Bytes);
  }
  for (TPlannedContent& plan : plans) {
    if (!plan.Content) continue;
    int32_t coding = ccStored;
    try {
      coding = compressor.ChooseCoding(*plan.Content, {plan.PlainSize, plan.Crc, plan.Text});
    } catch (const EZpError& e) {
      throw EProjectError(plan.Name + ": " + e.Message());
    }
    compress(plan, coding);
  }
  // Without a content that uses it, the dictionary would only take room.
  const bool used = std::any_of(plans.begin(), plans.end(),
                                [](const TPlannedContent& plan) { return plan.Coding == ccZstdDictionary; });
  if (!used) dictionaryPlan.reset();
}

// The record of plan `i`: files, then programs.
TRecordLayout& RecordAt(TPackageLayout& layout, size_t i) {
  return i < layout.Files.size() ? layout.Files[i] : layout.Execs[i - layout.Files.size()];
}

// Places the blocks back to back after a tag stream of `tagStreamSize`
// bytes: the dictionary first, then the contents in record order.
void PlaceContents(TPackageLayout& layout, const std::vector<TPlannedContent>& plans,
                   const std::optional<TPlannedContent>& dictionary, int64_t tagStreamSize) {
  layout.ContentPosition = layout.PackagePosition + tagStreamSize;
  layout.FileSize = layout.ContentPosition + (dictionary ? dictionary->StoredSize : 0);
  for (const TPlannedContent& plan : plans) layout.FileSize += plan.StoredSize;
  if (layout.FileSize > kPackageLimit)
    throw EProjectError("package: it would be " + std::to_string(layout.FileSize) +
                        " bytes long, beyond the 2 GiB limit of a package file");
  int64_t position = layout.ContentPosition;
  if (dictionary) {
    layout.Dictionary->Offset = static_cast<int32_t>(position);
    layout.Dictionary->Size = static_cast<int32_t>(dictionary->StoredSize);
    layout.Dictionary->ContentSize = dictionary->PlainSize;
    position += dictionary->StoredSize;
  }
  for (size_t i = 0; i < plans.size(); ++i) {
    TRecordLayout& at = RecordAt(layout, i);
    at.CreationTime = plans[i].Times.CreationTime;
    at.LastWriteTime = plans[i].Times.LastWriteTime;
    if (!plans[i].Content) continue;
    at.Offset = static_cast<int32_t>(position);
    at.Size = static_cast<int32_t>(plans[i].StoredSize);
    at.ContentSize = plans[i].PlainSize;
    position += plans[i].StoredSize;
  }
}

}  // namespace

void CheckStubImage(const std::vector<uint8_t>& image, const std::string& name) {
  if (image.size() < kPeHeaderPointer + 4 || image[0] != 'M' || image[1] != 'Z')
    throw EProjectError(name + ": not a Windows program image (no \"MZ\" header)");
  const uint32_t header = ReadU32(&image[kPeHeaderPointer]);
  if (uint64_t(header) + 4 > image.size() || std::memcmp(&image[header], "PE\0\0", 4) != 0)
    throw EProjectError(name + ": not a PE image (no \"PE\" signature at byte " + std::to_string(header) + ")");
  if (header < kFirstHeaderPosition)
    throw EProjectError(name + ": its PE header starts at byte " + std::to_string(header) +
                        "; an installer needs it at byte 140 or later, because bytes 136..139 hold the package position");
  const uint32_t position = ReadU32(&image[kPackagePositionOffset]);
  if (position != 0 && uint64_t(position) + 4 <= image.size()) {
    const uint32_t signature = ReadU32(&image[position]);
    if (signature == kPackageSignature || signature == kUninstallSignature)
      throw EProjectError(name + ": already carries a package at byte " + std::to_string(position) +
                          "; use the bare program");
  }
}

std::vector<uint8_t> LoadStubImage(const std::string& path) {
  std::vector<uint8_t> image = ReadFileBytes(path);
  CheckStubImage(image, path);
  return image;
}

std::vector<uint8_t> SyntheticStubImage() {
  std::vector<uint8_t> image(512, 0);
  image[0] = 'M', image[1] = 'Z';
  WriteU32(&image[kPeHeaderPointer], 256);
  std::memcpy(&image[256], "PE\0\0", 4);
  image[260] = 0x64, image[261] = 0x86;  // machine: AMD64
  return image;
}

TFileTimes StoredTimes(const TProject& project, const TContent& content, const std::optional<uint64_t>& created,
                       const std::optional<uint64_t>& modified) {
  TFileTimes times;
  if (created && modified) {
    times.CreationTime = *created, times.LastWriteTime = *modified;
    return times;
  }
  uint64_t fallback = 0;
  if (project.FixedTime) fallback = *project.FixedTime;
  else if (content.FromFile()) fallback = GetFileTimes(content.SourcePath).LastWriteTime;
  else fallback = CurrentFileTime();
  times.CreationTime = created.value_or(fallback);
  times.LastWriteTime = modified.value_or(fallback);
  return times;
}

TPackageLayout WritePackage(const TProject& project, const std::vector<uint8_t>& stub, TStream& out) {
  CheckStubImage(stub, "program image");
  std::vector<TPlannedContent> plans;  // files, then programs: the order of the blocks
  for (size_t i = 0; i < project.Files.size(); ++i) {
    const TProjectFile& file = project.Files[i];
    plans.push_back(PlanContent(project, file.Content, file.CreationTime, file.LastWriteTime, RecordName("files", i)));
  }
  for (size_t i = 0; i < project.Execs.size(); ++i) {
    const TProjectExec& exec = project.Execs[i];
    plans.push_back(exec.External ? PlanExternal(exec)
                                  : PlanContent(project, exec.Content, exec.CreationTime, exec.LastWriteTime,
                                                RecordName("execs", i)));
  }

  TContentCompressor compressor;
  std::optional<TPlannedContent> dictionary;
  TContent dictionaryContent;
  if (project.Compression) CompressContents(compressor, plans, dictionary, dictionaryContent);

  TPackageLayout layout;
  layout.Key = project.Key.value_or(TContentKey{});  // derived below when the project gives none
  layout.PackagePosition = static_cast<int64_t>(stub.size());
  layout.Files.resize(project.Files.size());
  layout.Execs.resize(project.Execs.size());
  auto recordAt = [&](size_t i) -> TRecordLayout& { return RecordAt(layout, i); };

  // The CRCs are known from the planning read; they take their place in the
  // records before the tag stream is measured.
  if (project.ContentChecksums)
    for (size_t i = 0; i < plans.size(); ++i)
      if (plans[i].Content) recordAt(i).Crc = plans[i].Crc;
  // So do the codings, and the dictionary's record.
  for (size_t i = 0; i < plans.size(); ++i) recordAt(i).Coding = plans[i].Coding;
  if (dictionary) {
    layout.Dictionary.emplace();
    layout.Dictionary->Crc = dictionary->Crc;
    layout.Dictionary->Coding = dictionary->Coding;
  }

  // Offsets are absolute: where the blocks begin depends on the length of the
  // tag stream, which holds them. Plain records have a fixed length; their
  // frame may grow with the offsets it holds, so the blocks are placed after
  // a value of the frame's length until the frame fits in it, and the frame
  // is padded with zeros to that length. The value only grows, and no frame
  // exceeds the bound of its fixed plain length: this ends, and the same
  // inputs reach the same length. The value starts at the shortest length
  // that readers take for that many plain bytes.
  const std::vector<uint8_t> header = HeaderEntries(project, layout);
  const int64_t fixed = static_cast<int64_t>(header.size()) + kEndMarker;
  std::vector<uint8_t> records = RecordEntries(project, layout);
  const int64_t plainRecords = static_cast<int64_t>(records.size());
  std::vector<uint8_t> frame;
  int64_t valueSize = (plainRecords + kMaxEntriesRatio - 1) / kMaxEntriesRatio;
  if (project.Compression && plainRecords <= kMaxCompressedEntries) {
    for (;;) {
      PlaceContents(layout, plans, dictionary, fixed + kBinaryEntryHead + valueSize);
      records = RecordEntries(project, layout);
      frame = compressor.CompressWhole(records);
      if (static_cast<int64_t>(frame.size()) <= valueSize) break;
      valueSize = static_cast<int64_t>(frame.size());
    }
  }
  const bool packed = !frame.empty() && kBinaryEntryHead + valueSize < plainRecords;
  if (packed) {
    layout.CompressedPlainSize = plainRecords;
    layout.CompressedFrameSize = static_cast<int64_t>(frame.size());
    layout.CompressedValueSize = valueSize;
  } else {
    PlaceContents(layout, plans, dictionary, fixed + plainRecords);
    records = RecordEntries(project, layout);
  }
  std::vector<uint8_t> tags = TagStream(header, records, packed ? &frame : nullptr, valueSize);
  if (!project.Key) {
    // Records with CRCs make the tag stream stand for the contents as well;
    // without them each content is hashed in a read of its own. The key
    // lies outside the frame: setting it moves nothing.
    std::vector<const TContent*> contents;
    for (const TPlannedContent& plan : plans)
      if (plan.Content && !project.ContentChecksums) contents.push_back(plan.Content);
    layout.Key = DeriveContentKey(tags, contents);
    tags = TagStream(HeaderEntries(project, layout), records, packed ? &frame : nullptr, valueSize);
  }

  std::vector<uint8_t> image = stub;
  WriteU32(&image[kPackagePositionOffset], static_cast<uint32_t>(layout.PackagePosition));
  out.WriteBuffer(image.data(), static_cast<int64_t>(image.size()));
  out.WriteBuffer(tags.data(), static_cast<int64_t>(tags.size()));
  if (dictionary) WriteContent(compressor, *dictionary, layout.Key, true, out);
  for (TPlannedContent& plan : plans)
    if (plan.Content) WriteContent(compressor, plan, layout.Key, project.ContentChecksums, out);
  return layout;
}

TPackageLayout BuildPackage(const TProject& project, const std::vector<uint8_t>& stub, const std::string& outPath) {
  const std::string temporary = outPath + ".tmp";
  // Armed until the rename is done: after it, there is nothing left to delete.
  const TInterruptCleanup cleanup(temporary);
  try {
    TPackageLayout layout;
    {
      TFileStream out(temporary, TFileMode::CreateTemporary);
      layout = WritePackage(project, stub, out);
    }
    RenameReplacing(temporary, outPath);
    return layout;
  } catch (...) {
    RemoveFileQuietly(temporary);
    throw;
  }
}

}  // namespace zp
