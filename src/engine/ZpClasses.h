// The package objects: what an installer carries (TZpInstall, with its file
// and execute records) and what an uninstaller carries (TZpUninstall), their
// loaders, and the writer of the uninstall data.
//
// Both data sets are tag streams appended to the executable; the 32-bit value
// at byte 136 of the file gives the position where the stream begins.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "package/Streams.h"
#include "picture/JpegImage.h"
#include "strings/ZpTrans.h"

namespace zp {

// File position of the little-endian 32-bit package position.
constexpr int64_t kPackagePositionOffset = 136;

// The package position stored at byte 136 of an installer or uninstaller
// (the end of its program image), or -1 when the stream is too short for it
// or the value is negative. Moves the stream's position.
int64_t ReadPackagePosition(TStream& stream);

// Top-level tags of the package (signature "ZPIN"). "scrambled" values pass
// through EncodeText/DecodeText.
enum TPackageTag : int32_t {
  ptProgramName = 2,       // string, scrambled
  ptVersionMajor = 3,      // integer
  ptVersionMinor = 4,      // integer
  ptBuild = 5,             // integer
  ptRelease = 6,           // integer
  ptPublisher = 7,         // string, scrambled
  ptWebsite = 8,           // string, scrambled
  ptAddress = 9,           // string, scrambled
  ptContactName = 10,      // string, scrambled
  ptEmail = 11,            // string, scrambled
  ptLicense = 12,          // string, scrambled (rich text)
  ptReadme = 13,           // string, scrambled (rich text)
  ptWhatsNew = 14,         // string, scrambled (rich text)
  ptTerminalSettings = 16, // string, scrambled
  ptKey = 18,              // binary: 16 bytes, each XOR-ed with KeyMask
  ptBanner = 19,           // binary: a JPEG file
  ptFile = 20,             // block: TFileRecordTag
  ptExec = 21,             // block: TExecRecordTag
  ptTranslation = 22,      // block: TTransItemTag
  ptSplash = 23,           // binary: a JPEG file
  ptDictionary = 24,       // block: the contents' dictionary, described by TFileRecordTag's
                           // frSize, frOffset, frCrc, frCoding and frPlainSize (zpbuild's addition)
  ptCompressedEntries = 25, // binary: one Zstandard frame whose plain bytes are top-level entries
                            // (zpbuild's addition); see kMaxCompressedEntries
  ptTextEncoding = 30,     // integer: kUtf8Texts when the texts are UTF-8
};

// The value of ptTextEncoding / utTextEncoding (the code page number of
// UTF-8) that says the data set's texts are UTF-8. Without it they are ANSI
// text of the system code page, as every package of the first builders holds,
// and the loaders convert them to UTF-8. Rich-text documents (licence, readme,
// what's new) are files carried byte for byte and are never converted.
constexpr int32_t kUtf8Texts = 65001;

// The compressed entries (ptCompressedEntries): the frame's plain bytes are
// read as entries of the top level, with no signature and no end marker; a
// package holds at most one such value. The frame states its plain size, at
// most kMaxCompressedEntries and at most kMaxEntriesRatio times the value's
// length (records compress some 6 times: a few hundred bytes of a file must
// not become a million records), and zero bytes may follow it in the value
// (the writer's padding, which lets the records' absolute offsets settle).
constexpr int64_t kMaxCompressedEntries = 16 << 20;
constexpr int64_t kMaxEntriesRatio = 64;

// Sub-tags of a file record block.
enum TFileRecordTag : int32_t {
  frPath = 1,              // string, scrambled
  frCreationTimeLow = 2,   // integer
  frCreationTimeHigh = 3,
  frLastWriteTimeLow = 4,
  frLastWriteTimeHigh = 5,
  frShortcutName = 6,      // string, scrambled
  frSize = 7,              // integer
  frOffset = 8,            // integer
  frKeepNewer = 9,         // boolean
  frKeepOnUninstall = 10,  // boolean
  frDesktopShortcut = 11,  // boolean
  frCrc = 12,              // dword: CRC-32 of the plain content (zpbuild's addition)
  frCoding = 13,           // integer: TContentCoding of a compressed content (zpbuild's addition)
  frPlainSize = 14,        // integer: the length of a compressed content once decoded
};

// Sub-tags of an execute record block.
enum TExecRecordTag : int32_t {
  erExternal = 1,          // boolean
  erPath = 2,              // string, scrambled
  erTitle = 3,             // string, scrambled
  erParameters = 4,        // string, scrambled
  erStage = 5,             // integer
  erCreationTimeLow = 6,   // integer
  erCreationTimeHigh = 7,
  erLastWriteTimeLow = 8,
  erLastWriteTimeHigh = 9,
  erSize = 10,             // integer
  erOffset = 11,           // integer
  erCrc = 12,              // dword: CRC-32 of the plain content (zpbuild's addition)
  erCoding = 13,           // integer: as frCoding
  erPlainSize = 14,        // integer: as frPlainSize
};

// Sub-tags of a translation item block (package and uninstall data).
enum TTransItemTag : int32_t {
  tiId = 1,    // integer
  tiText = 2,  // string, UTF-8, not scrambled
};

// Top-level tags of the uninstall data (signature "ZPUN"). It has no end
// marker: it runs to the end of the file.
enum TUninstallTag : int32_t {
  utProgramName = 2,   // string, scrambled
  utVersionMajor = 3,  // integer
  utVersionMinor = 4,
  utBuild = 5,
  utRelease = 6,
  utPublisher = 7,     // string, scrambled
  utWebsite = 8,
  utAddress = 9,
  utContactName = 10,
  utEmail = 11,
  utBanner = 12,       // binary: a JPEG file
  utFolder = 13,       // string, scrambled: one entry of Folders
  utFile = 14,         // string, scrambled: one entry of Files
  utTranslation = 22,  // block: TTransItemTag
  utTextEncoding = 30, // integer: kUtf8Texts when the texts are UTF-8
};

// Execute stages.
enum TExecStage : int32_t {
  esWizardStart = 0,
  esBeforeFiles = 1,
  esAfterFiles = 2,
  esWizardClose = 3,
};

class TPlaceholderList;
class TFileSystem;
class TTagStreamAdapter;

struct TZpInstallFile {
  std::string Path;          // target path with placeholders
  uint64_t CreationTime = 0;  // Windows FILETIME
  uint64_t LastWriteTime = 0;
  std::string ShortcutName;  // empty: no shortcut
  int32_t Size = 0;          // length of the stored content block
  int32_t Offset = 0;        // absolute file position of the content block
  bool KeepNewer = false;
  bool KeepOnUninstall = false;
  bool DesktopShortcut = false;
  std::optional<uint32_t> Crc;  // of the plain content; packages of other builders have none
  int32_t Coding = 0;        // TContentCoding; 0: the block holds the plain bytes
  int32_t PlainSize = 0;     // the content's length, for a compressed content
};

struct TZpInstallExec {
  bool External = false;     // already on the machine: no content block
  std::string Path;          // program path with placeholders
  std::string Title;         // name shown in the progress log
  std::string Parameters;    // command line for the program
  int32_t Stage = 0;         // TExecStage
  uint64_t CreationTime = 0;
  uint64_t LastWriteTime = 0;
  int32_t Size = 0;
  int32_t Offset = 0;
  std::optional<uint32_t> Crc;  // of the plain content, when the package carries it
  int32_t Coding = 0;
  int32_t PlainSize = 0;
};

// Where a content lies in the package and how it is stored: the fields that
// file records, execute records and the dictionary share.
struct TContentRef {
  int32_t Offset = 0;
  int32_t Size = 0;
  int32_t Coding = 0;
  int32_t PlainSize = 0;
  std::optional<uint32_t> Crc;
};

inline TContentRef ContentOf(const TZpInstallFile& r) { return {r.Offset, r.Size, r.Coding, r.PlainSize, r.Crc}; }
inline TContentRef ContentOf(const TZpInstallExec& r) { return {r.Offset, r.Size, r.Coding, r.PlainSize, r.Crc}; }

// Markers of UninstallList entries.
enum TUninstallMarker : int { umFile = 0, umFolder = 1 };

struct TMarkedString {
  std::string Text;
  int Marker = umFile;
};

// What a strict reader (zpbuild's list, verify and extract) learns beyond the
// loaded fields: where the data set lies and what the tolerant loader passes
// over.
struct TLoadReport {
  int64_t FileSize = 0;
  int64_t DataPosition = -1;  // the value at byte 136; -1 when unreadable
  bool HasData = false;       // the signature was found there
  bool Complete = false;      // the top level ended with its end marker
  int64_t DataEnd = 0;        // where reading stopped
  int32_t KeyLength = -1;     // length of the stored key; -1 when there is none
  bool Utf8Texts = false;     // the texts were UTF-8 (else converted from ANSI)
  // The compressed entries, when the package has them: the length of the
  // value, of the frame in it and of the plain entries; -1 when there are
  // none (the frame's and the plain length also when they do not decode).
  int64_t CompressedValueSize = -1;
  int64_t CompressedFrameSize = -1;
  int64_t CompressedPlainSize = -1;
  // Values that could not be read, one line each ("banner: ...").
  std::vector<std::string> Problems;
};

class TZpData {
public:
  using TProgressEvent = std::function<void(TZpData& sender, const std::u16string& text, int percent)>;

  // Fields are zero or empty until the first Reset (every load resets).
  TZpData() = default;
  virtual ~TZpData() = default;
  TZpData(const TZpData&) = delete;
  TZpData& operator=(const TZpData&) = delete;

  // Sets the package fields to their defaults; FileName, the progress
  // members and OnProgress are kept.
  virtual void Reset();
  // Opens the file shared for reading and writing and loads it; FileName is
  // set only when the load succeeds. Raises EOSError when it cannot be opened.
  void LoadFromFile(const std::string& path);
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void Run() = 0;

  // One step of a run: ProgressDone += weight, then OnProgress with
  // round(ProgressDone * 100 / ProgressTotal) (100 while ProgressTotal <= 0).
  // The percent may pass 100; the receiver clamps it.
  void Report(const std::u16string& message, int32_t weight);

  std::u16string GetText(int32_t id) const { return Translations.GetText(id); }
  std::u16string GetText(int32_t id, const std::string& arg1) const { return Translations.GetText(id, arg1); }
  std::u16string GetText(int32_t id, const std::string& arg1, const std::string& arg2) const {
    return Translations.GetText(id, arg1, arg2);
  }

  std::string FileName;
  int32_t ProgressDone = 0;
  int32_t ProgressTotal = 0;
  TJpegImage Banner;
  TJpegImage Splash;
  TZpTrans Translations;
  TProgressEvent OnProgress;
  std::string ProgramName;
  int32_t VersionMajor = 0;  // 1 after Reset
  int32_t VersionMinor = 0;
  int32_t Build = 0;    // shown only when above 0
  int32_t Release = 0;  // shown only when above 0
  std::string Publisher;
  std::string Website;
  std::string Address;
  std::string ContactName;
  std::string Email;
};

class TZpInstall : public TZpData {
public:
  TZpInstall() = default;
  ~TZpInstall() override = default;

  void Reset() override;
  // Reads the package ("ZPIN") found through byte 136. A wrong signature
  // loads nothing; a truncated stream keeps what was read; a bad JPEG value
  // or one that runs past the end raises, and so do compressed entries that
  // do not decode (ECipherException).
  void LoadFromStream(TStream& stream) override;
  // The same load, strict: a picture or compressed entries that cannot be
  // read are reported rather than raised, and `report` says where the
  // package lies and whether it ended with its end marker.
  void LoadFromStream(TStream& stream, TLoadReport& report);
  // The install run (Windows only).
  void Run() override;
  // Why the package cannot be installed as it stands, or "": a file or a
  // program to write whose path is no sound target (TargetPathProblem),
  // which a builder other than ours may have let through. Checked before a
  // run writes anything.
  std::string TargetProblem() const;

  // Writes the uninstall data ("ZPUN") at the stream's position.
  void WriteUninstallData(TStream& stream) const;
  // Writes the uninstall data at the stream's position and stores that
  // position at byte 136.
  void AppendUninstallData(TStream& stream) const;

  // ---- Steps of the install run (Windows only) ----
  // Starts the execute records of `stage` with a fresh placeholder list,
  // reading their contents from FileName.
  void RunStage(int32_t stage);
  // Starts the execute records of `stage`, writing their contents first
  // unless they are external, and waits for each started program.
  void ExecuteRecords(TStream& package, const TPlaceholderList& placeholders, int32_t stage);
  // Sets the expert options of the terminal in `folder` (config\experts.ini).
  void WriteExpertSettings(const std::string& folder);
  // A rich-text information file and its shortcut; nothing for an empty text.
  void WriteInfoFile(const std::string& file, const std::string& link, const std::string& text);
  // An Internet shortcut; nothing for "", "mailto:" or "http://".
  void WriteUrlShortcut(const std::string& file, const std::string& address);
  // Uninstall.exe (this program's image and the uninstall data), its
  // registration and its shortcut.
  void WriteUninstaller(const std::string& exe, const std::string& link);

  // Called between the 200 ms waits for a started program of the package:
  // the wizard processes its pending window messages there. May be unset.
  std::function<void()> OnWaiting;

  std::vector<TMarkedString> UninstallList;  // kept by Reset
  std::vector<std::unique_ptr<TZpInstallFile>> Files;
  std::vector<std::unique_ptr<TZpInstallExec>> Execs;
  std::vector<std::string> Targets;  // kept by Reset
  std::string TerminalSettings;
  std::string License;   // rich text
  std::string Readme;    // rich text
  std::string WhatsNew;  // rich text
  std::array<uint8_t, 16> Key{};
  // The dictionary that contents of coding ccZstdDictionary were made with.
  std::optional<TContentRef> Dictionary;

private:
  struct TLoadState;
  // Both loads; `report` is null for the tolerant one.
  void Load(TStream& stream, TLoadReport* report);
  // One entry of the top level, or of the compressed entries.
  void ReadEntry(TTagStreamAdapter& tags, TLoadState& state);
  // The compressed entries: each of them through ReadEntry.
  void ReadCompressedEntries(TTagStreamAdapter& tags, TLoadState& state);
  // Converts the texts read to UTF-8 unless they are (`utf8`).
  void TextsToUtf8(bool utf8);

  // The file-system layer of the run or stage in progress (Windows only).
  TFileSystem* fs_ = nullptr;
};

class TZpUninstall : public TZpData {
public:
  TZpUninstall() = default;
  ~TZpUninstall() override = default;

  void Reset() override;
  // Reads the uninstall data ("ZPUN") found through byte 136.
  void LoadFromStream(TStream& stream) override;
  // The uninstall run (Windows only).
  void Run() override;

  std::vector<std::string> Files;    // in uninstall data order
  std::vector<std::string> Folders;  // in uninstall data order
};

}  // namespace zp
