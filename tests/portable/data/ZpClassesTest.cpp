#include "engine/ZpClasses.h"

#include <gtest/gtest.h>
#include <zstd.h>

#include <cstdio>

#include "TestJpeg.h"
#include "package/Content.h"
#include "package/EncDec.h"
#include "package/TagStreams.h"

namespace zp {
namespace {

using test::MakeJpeg;
using test::TRgb;

uint32_t GetLE32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

void PutLE32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A fake program image: "MZ", a recognisable body, byte 136 left to the caller.
std::vector<uint8_t> ProgramImage(size_t size) {
  std::vector<uint8_t> image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + 3);
  image[0] = 'M', image[1] = 'Z';
  return image;
}

// A data set as an executable carries it: a program image whose byte 136
// points just past it, then the tag stream.
class TDataSetWriter {
public:
  explicit TDataSetWriter(uint32_t signature, size_t imageSize = 256) {
    std::vector<uint8_t> image = ProgramImage(imageSize);
    PutLE32(image, 136, static_cast<uint32_t>(imageSize));
    stream_.WriteBuffer(image.data(), static_cast<int64_t>(image.size()));
    tags_.WriteSignature(signature);
  }

  TTagStreamAdapter& Tags() { return tags_; }
  void Scrambled(int32_t tag, const std::string& text) { tags_.WriteString(tag, EncodeText(text)); }
  void Binary(int32_t tag, const std::vector<uint8_t>& bytes) {
    TMemoryStream source(bytes);
    tags_.WriteStream(tag, source, static_cast<int32_t>(bytes.size()));
  }
  // A type-8 header whose length is not followed by that many bytes.
  void BinaryLength(int32_t tag, int32_t length) {
    tags_.WriteTag(tag, ttBinary);
    const uint8_t b[4] = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), uint8_t(length >> 24)};
    stream_.WriteBuffer(b, 4);
  }
  void Raw(const std::vector<uint8_t>& bytes) { stream_.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size())); }
  std::vector<uint8_t> Bytes() const { return stream_.Bytes(); }

private:
  TMemoryStream stream_;
  TTagStreamAdapter tags_{stream_};
};

template <class T>
std::unique_ptr<T> Load(const std::vector<uint8_t>& bytes) {
  auto data = std::make_unique<T>();
  TMemoryStream stream(bytes);
  data->LoadFromStream(stream);
  return data;
}

const std::vector<uint8_t> kPlainKey = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                        0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

std::vector<uint8_t> Masked(std::vector<uint8_t> key) {
  for (uint8_t& b : key) b ^= KeyMask;
  return key;
}

void WriteProduct(TDataSetWriter& w) {
  auto& t = w.Tags();
  w.Scrambled(ptProgramName, "Gr\xFCn Trader");  // ANSI text, as packages hold it
  t.WriteInteger(ptVersionMajor, 2);
  t.WriteInteger(ptVersionMinor, 7);
  t.WriteInteger(ptBuild, 1234);
  t.WriteInteger(ptRelease, -3);
  w.Scrambled(ptPublisher, "Acme Ltd.");
  w.Scrambled(ptWebsite, "https://acme.example");
  w.Scrambled(ptAddress, "1 Main St\r\nSpringfield");
  w.Scrambled(ptContactName, "Jo");
  w.Scrambled(ptEmail, "jo@acme.example");
}

void ExpectProduct(const TZpData& d) {
  EXPECT_EQ("Gr\xC3\xBCn Trader", d.ProgramName);  // converted from ANSI once, at the load
  EXPECT_EQ(2, d.VersionMajor);
  EXPECT_EQ(7, d.VersionMinor);
  EXPECT_EQ(1234, d.Build);
  EXPECT_EQ(-3, d.Release);
  EXPECT_EQ("Acme Ltd.", d.Publisher);
  EXPECT_EQ("https://acme.example", d.Website);
  EXPECT_EQ("1 Main St\r\nSpringfield", d.Address);
  EXPECT_EQ("Jo", d.ContactName);
  EXPECT_EQ("jo@acme.example", d.Email);
}

void WriteTranslation(TDataSetWriter& w, int32_t id, const std::string& text) {
  auto& t = w.Tags();
  t.BeginBlock(ptTranslation);
  t.WriteInteger(tiId, id);
  t.WriteString(tiText, text);
  t.EndBlock();
}

// Every tag of the package table, with two file records and one of each
// other kind.
std::vector<uint8_t> FullPackage(const std::vector<uint8_t>& banner, const std::vector<uint8_t>& splash) {
  TDataSetWriter w(kPackageSignature);
  auto& t = w.Tags();
  WriteProduct(w);
  w.Scrambled(ptLicense, "{\\rtf1 licence}");
  w.Scrambled(ptReadme, "{\\rtf1 readme}");
  w.Scrambled(ptWhatsNew, "{\\rtf1 news}");
  w.Scrambled(ptTerminalSettings, "AllowDllImport=1");
  w.Binary(ptKey, Masked(kPlainKey));
  if (!banner.empty()) w.Binary(ptBanner, banner);
  if (!splash.empty()) w.Binary(ptSplash, splash);

  t.BeginBlock(ptFile);
  w.Scrambled(frPath, "{experts}\\Gr\xFCn.ex4");
  t.WriteInteger(frCreationTimeLow, static_cast<int32_t>(0x89ABCDEF));
  t.WriteInteger(frCreationTimeHigh, 0x01D23456);
  t.WriteInteger(frLastWriteTimeLow, 1);
  t.WriteInteger(frLastWriteTimeHigh, static_cast<int32_t>(0xFFFFFFFF));
  w.Scrambled(frShortcutName, "Green");
  t.WriteInteger(frSize, 4096);
  t.WriteInteger(frOffset, 20000);
  t.WriteBoolean(frKeepNewer, 1);
  t.WriteBoolean(frKeepOnUninstall, 0);
  t.WriteBoolean(frDesktopShortcut, 7);  // any non-zero byte is true
  t.EndBlock();

  t.BeginBlock(ptExec);
  t.WriteBoolean(erExternal, 1);
  w.Scrambled(erPath, "{app}\\setup.exe");
  w.Scrambled(erTitle, "Setup");
  w.Scrambled(erParameters, "/quiet \"a b\"");
  t.WriteInteger(erStage, esAfterFiles);
  t.WriteInteger(erCreationTimeLow, 10);
  t.WriteInteger(erCreationTimeHigh, 20);
  t.WriteInteger(erLastWriteTimeLow, 30);
  t.WriteInteger(erLastWriteTimeHigh, 40);
  t.WriteInteger(erSize, 64);
  t.WriteInteger(erOffset, 24096);
  t.EndBlock();

  t.BeginBlock(ptFile);
  w.Scrambled(frPath, "{indicators}\\b.ex4");
  t.EndBlock();

  WriteTranslation(w, 117, "Willkommen|%1");
  WriteTranslation(w, 301, "Kopiere %1 ...");
  t.EndBlock();  // the end marker of the top level
  return w.Bytes();
}

// The top level of a package without its signature and end marker: what
// compressed entries hold.
std::vector<uint8_t> EntriesOf(const std::vector<uint8_t>& package) {
  return {package.begin() + 256 + 4, package.end() - 5};
}

// A frame of `plain` and `padding` zeros after it.
std::vector<uint8_t> Compressed(const std::vector<uint8_t>& plain, size_t padding = 0) {
  std::vector<uint8_t> frame(ZSTD_compressBound(plain.size()));
  const size_t size = ZSTD_compress(frame.data(), frame.size(), plain.data(), plain.size(), 1);
  EXPECT_FALSE(ZSTD_isError(size));
  frame.resize(size + padding);
  return frame;
}

// A package of compressed entries, one for each value.
std::vector<uint8_t> PackageOf(const std::vector<std::vector<uint8_t>>& values) {
  TDataSetWriter w(kPackageSignature);
  for (const auto& value : values) w.Binary(ptCompressedEntries, value);
  w.Tags().EndBlock();
  return w.Bytes();
}

TEST(ZpInstall, LoadsEveryFieldOfAPackage) {
  const auto banner = MakeJpeg(21, 32, TRgb{200, 10, 10});
  const auto splash = MakeJpeg(16, 8, TRgb{10, 10, 200});
  const auto full = FullPackage(banner, splash);
  // The same entries as they are and compressed, as a writer may pad them.
  for (const auto& bytes : {full, PackageOf({Compressed(EntriesOf(full), 7)})}) {
    SCOPED_TRACE(bytes == full ? "as they are" : "compressed");
    const auto p = Load<TZpInstall>(bytes);

    ExpectProduct(*p);
    EXPECT_EQ("{\\rtf1 licence}", p->License);
    EXPECT_EQ("{\\rtf1 readme}", p->Readme);
    EXPECT_EQ("{\\rtf1 news}", p->WhatsNew);
    EXPECT_EQ("AllowDllImport=1", p->TerminalSettings);
    EXPECT_TRUE(std::equal(kPlainKey.begin(), kPlainKey.end(), p->Key.begin()));
    EXPECT_EQ(banner, p->Banner.Bytes());
    EXPECT_EQ(21, p->Banner.Width());
    EXPECT_EQ(splash, p->Splash.Bytes());

    ASSERT_EQ(2u, p->Files.size());
    const TZpInstallFile& f = *p->Files[0];
    EXPECT_EQ("{experts}\\Gr\xC3\xBCn.ex4", f.Path);
    EXPECT_EQ(0x01D2345689ABCDEFull, f.CreationTime);
    EXPECT_EQ(0xFFFFFFFF00000001ull, f.LastWriteTime);
    EXPECT_EQ("Green", f.ShortcutName);
    EXPECT_EQ(4096, f.Size);
    EXPECT_EQ(20000, f.Offset);
    EXPECT_TRUE(f.KeepNewer);
    EXPECT_FALSE(f.KeepOnUninstall);
    EXPECT_TRUE(f.DesktopShortcut);
    EXPECT_EQ("{indicators}\\b.ex4", p->Files[1]->Path);

    ASSERT_EQ(1u, p->Execs.size());
    const TZpInstallExec& e = *p->Execs[0];
    EXPECT_TRUE(e.External);
    EXPECT_EQ("{app}\\setup.exe", e.Path);
    EXPECT_EQ("Setup", e.Title);
    EXPECT_EQ("/quiet \"a b\"", e.Parameters);
    EXPECT_EQ(esAfterFiles, e.Stage);
    EXPECT_EQ(20ull << 32 | 10, e.CreationTime);
    EXPECT_EQ(40ull << 32 | 30, e.LastWriteTime);
    EXPECT_EQ(64, e.Size);
    EXPECT_EQ(24096, e.Offset);

    // The translations answer GetText; 117 is shown as markup.
    ASSERT_EQ(2, p->Translations.Count());
    EXPECT_EQ(u"Willkommen<br>Gr\u00FCn Trader 2.7", p->GetText(117, p->ProgramName + " 2.7"));
    EXPECT_EQ(u"Kopiere a ...", p->GetText(301, "a"));
    EXPECT_EQ(u"Skipping a, found newer version at b ...", p->GetText(308, "a", "b"));
    EXPECT_EQ(u"Next", p->GetText(1));
  }
}

// The strict load says how the entries travelled; damaged ones make the
// package unreadable: the tolerant load raises, the strict one reports.
TEST(ZpInstall, CompressedEntriesAreReportedAndDamagedOnesRefused) {
  const auto entries = EntriesOf(FullPackage({}, {}));
  const auto frame = Compressed(entries);
  TLoadReport report;
  TZpInstall p;
  TMemoryStream sound(PackageOf({Compressed(entries, 3)}));
  p.LoadFromStream(sound, report);
  EXPECT_TRUE(report.Complete && report.Problems.empty());
  EXPECT_EQ(report.CompressedPlainSize, int64_t(entries.size()));
  EXPECT_EQ(report.CompressedFrameSize, int64_t(frame.size()));
  EXPECT_EQ(report.CompressedValueSize, int64_t(frame.size() + 3));

  auto joined = [](std::vector<uint8_t> a, const std::vector<uint8_t>& b) { return a.insert(a.end(), b.begin(), b.end()), a; };
  TDataSetWriter past(kPackageSignature);
  past.BinaryLength(ptCompressedEntries, 1000);
  const struct {
    const char* Name;
    std::vector<uint8_t> Package;
    size_t Files;  // what the strict load still finds
  } cases[] = {
      {"cut short", PackageOf({std::vector<uint8_t>(frame.begin(), frame.end() - 2)}), 0},
      {"bytes after the frame", PackageOf({joined(frame, {0, 7})}), 0},
      {"not a frame", PackageOf({entries}), 0},
      {"a second value", PackageOf({frame, frame}), 2},
      {"longer than any frame", PackageOf({std::vector<uint8_t>(size_t(MaxFrameSize(kMaxCompressedEntries)) + 1)}), 0},
      {"beyond the plain size", PackageOf({Compressed(std::vector<uint8_t>(kMaxCompressedEntries + 1), 1 << 18)}), 0},
      {"beyond the ratio", PackageOf({Compressed(std::vector<uint8_t>(100000))}), 0},
      {"past the end of the file", past.Bytes(), 0},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(Load<TZpInstall>(c.Package), ECipherException) << c.Name;
    TMemoryStream stream(c.Package);
    ASSERT_NO_THROW(p.LoadFromStream(stream, report)) << c.Name;
    ASSERT_EQ(report.Problems.size(), 1u) << c.Name;
    EXPECT_EQ(report.Problems[0].rfind("compressed entries: ", 0), 0u) << c.Name << ": " << report.Problems[0];
    EXPECT_EQ(p.Files.size(), c.Files) << c.Name;
  }
}

// The entries are read as the top level is, but hold no compressed entries
// of their own and run to the end of the frame; a value of another type is
// an unknown entry.
TEST(ZpInstall, CompressedEntriesNestNothingAndEndWithTheirFrame) {
  TDataSetWriter hidden(kPackageSignature);
  hidden.Tags().BeginBlock(ptFile);
  hidden.Scrambled(frPath, "hidden");
  hidden.Tags().EndBlock();
  hidden.Tags().EndBlock();

  TDataSetWriter inner(kPackageSignature);
  inner.Tags().BeginBlock(ptFile);
  inner.Scrambled(frPath, "a");
  inner.Tags().EndBlock();
  inner.Binary(ptCompressedEntries, Compressed(EntriesOf(hidden.Bytes())));
  inner.Tags().EndBlock();  // no end marker belongs here: what follows is not read
  inner.Scrambled(ptProgramName, "after");
  inner.Tags().EndBlock();

  TDataSetWriter w(kPackageSignature);
  w.Tags().WriteInteger(ptCompressedEntries, 5);
  w.Binary(ptCompressedEntries, Compressed(EntriesOf(inner.Bytes())));
  w.Tags().EndBlock();
  TZpInstall p;
  TLoadReport report;
  TMemoryStream stream(w.Bytes());
  p.LoadFromStream(stream, report);
  ASSERT_EQ(p.Files.size(), 1u);
  EXPECT_EQ(p.Files[0]->Path, "a");
  EXPECT_EQ(p.ProgramName, "");
  ASSERT_EQ(report.Problems.size(), 1u);
  EXPECT_NE(report.Problems[0].find("an end marker or a cut entry"), std::string::npos) << report.Problems[0];
  EXPECT_NO_THROW(Load<TZpInstall>(w.Bytes()));
}

TEST(ZpInstall, ReloadingResetsThePackageButNotTheRunState) {
  TZpInstall p;
  TMemoryStream full(FullPackage(MakeJpeg(8, 8, TRgb{1, 2, 3}), {}));
  p.LoadFromStream(full);
  p.UninstallList.push_back({"C:\\x", umFolder});
  p.Targets.push_back("C:\\MT4");
  p.FileName = "setup.exe";
  p.ProgressTotal = 9;

  TDataSetWriter w(kPackageSignature);
  w.Scrambled(ptProgramName, "Other");
  TMemoryStream other(w.Bytes());
  p.LoadFromStream(other);

  EXPECT_EQ("Other", p.ProgramName);
  EXPECT_EQ(1, p.VersionMajor);
  EXPECT_EQ("", p.License);
  EXPECT_TRUE(p.Files.empty());
  EXPECT_TRUE(p.Execs.empty());
  EXPECT_EQ(0, p.Translations.Count());
  EXPECT_TRUE(p.Banner.Empty());
  EXPECT_EQ((std::array<uint8_t, 16>{}), p.Key);
  EXPECT_EQ(1u, p.UninstallList.size());
  EXPECT_EQ(1u, p.Targets.size());
  EXPECT_EQ("setup.exe", p.FileName);
  EXPECT_EQ(9, p.ProgressTotal);
}

TEST(ZpInstall, RecordsTakeWhatTheyHoldAndUnknownTagsAreSkipped) {
  TDataSetWriter w(kPackageSignature);
  auto& t = w.Tags();
  t.BeginBlock(ptFile);  // only the path
  w.Scrambled(frPath, "a.ex4");
  t.EndBlock();

  t.BeginBlock(99);  // unknown, with blocks nested inside
  t.WriteInteger(1, 5);
  t.BeginBlock(2);
  t.BeginBlock(3);
  w.Scrambled(1, "deep");
  t.EndBlock();
  t.WriteBoolean(4, 1);
  t.EndBlock();
  t.EndBlock();
  t.WriteString(98, "");  // unknown, empty string
  t.WriteTag(97, ttQWord);
  w.Raw({1, 2, 3, 4, 5, 6, 7, 8});

  t.BeginBlock(ptFile);  // unknown sub-tags around a known one
  t.BeginBlock(40);
  t.BeginBlock(41);
  t.EndBlock();
  t.EndBlock();
  t.WriteString(12, "sub");
  t.WriteInteger(frSize, 32);
  t.EndBlock();

  t.BeginBlock(ptExec);  // empty blocks still add records
  t.EndBlock();
  t.BeginBlock(ptTranslation);
  t.WriteString(tiText, "no id");
  t.EndBlock();
  w.Scrambled(ptProgramName, "after");
  t.EndBlock();

  const auto p = Load<TZpInstall>(w.Bytes());
  ASSERT_EQ(2u, p->Files.size());
  const TZpInstallFile& a = *p->Files[0];
  EXPECT_EQ("a.ex4", a.Path);
  EXPECT_EQ(0u, a.CreationTime);
  EXPECT_EQ(0u, a.LastWriteTime);
  EXPECT_EQ(0, a.Size);
  EXPECT_EQ(0, a.Offset);
  EXPECT_FALSE(a.KeepNewer || a.KeepOnUninstall || a.DesktopShortcut);
  EXPECT_EQ("", p->Files[1]->Path);
  EXPECT_EQ(32, p->Files[1]->Size);
  ASSERT_EQ(1u, p->Execs.size());
  EXPECT_EQ("", p->Execs[0]->Path);
  EXPECT_EQ(0, p->Execs[0]->Stage);
  ASSERT_EQ(1, p->Translations.Count());
  EXPECT_EQ(0, p->Translations.Items(0).Id);
  EXPECT_EQ("no id", p->Translations.Items(0).Text);
  EXPECT_EQ("after", p->ProgramName);
}

TEST(ZpInstall, AFieldGivenTwiceKeepsTheLastAndTheEndMarkerEndsTheStream) {
  TDataSetWriter w(kPackageSignature);
  auto& t = w.Tags();
  w.Scrambled(ptProgramName, "first");
  t.WriteInteger(ptVersionMajor, 3);
  t.BeginBlock(ptFile);
  w.Scrambled(frPath, "one");
  w.Scrambled(frPath, "two");
  t.EndBlock();
  w.Scrambled(ptProgramName, "second");
  t.WriteInteger(ptVersionMajor, 4);
  t.EndBlock();
  w.Scrambled(ptProgramName, "after the end");
  const auto p = Load<TZpInstall>(w.Bytes());
  EXPECT_EQ("second", p->ProgramName);
  EXPECT_EQ(4, p->VersionMajor);
  ASSERT_EQ(1u, p->Files.size());
  EXPECT_EQ("two", p->Files[0]->Path);
}

TEST(ZpInstall, KeyValuesAreUnmaskedPaddedAndCut) {
  auto load = [](const std::function<void(TDataSetWriter&)>& key) {
    TDataSetWriter w(kPackageSignature);
    w.Scrambled(ptProgramName, "before");
    key(w);
    w.Scrambled(ptEmail, "after");
    return Load<TZpInstall>(w.Bytes());
  };

  // Short: padded with zero bytes before unmasking.
  auto p = load([](TDataSetWriter& w) { w.Binary(ptKey, Masked({1, 2, 3, 4, 5})); });
  std::array<uint8_t, 16> expected;
  expected.fill(KeyMask);
  expected[0] = 1, expected[1] = 2, expected[2] = 3, expected[3] = 4, expected[4] = 5;
  EXPECT_EQ(expected, p->Key);
  EXPECT_EQ("after", p->Email);

  // Long: the first 16 bytes; the rest is skipped, not read as entries.
  std::vector<uint8_t> longer = kPlainKey;
  for (uint8_t b : {0x05, 0x00, 0x00, 0x00, 0x07}) longer.push_back(b);
  p = load([&](TDataSetWriter& w) { w.Binary(ptKey, Masked(longer)); });
  EXPECT_TRUE(std::equal(kPlainKey.begin(), kPlainKey.end(), p->Key.begin()));
  EXPECT_EQ("after", p->Email);

  // A length past the end of the stream ends the stream quietly.
  p = load([](TDataSetWriter& w) { w.BinaryLength(ptKey, 1000); });
  EXPECT_EQ("before", p->ProgramName);
  EXPECT_EQ((std::array<uint8_t, 16>{}), p->Key);
  EXPECT_EQ("", p->Email);
  p = load([](TDataSetWriter& w) { w.BinaryLength(ptKey, -1); });
  EXPECT_EQ("before", p->ProgramName);
  EXPECT_EQ("", p->Email);
}

TEST(ZpInstall, NoPackageAtThePositionLoadsNothingWithoutError) {
  std::vector<std::vector<uint8_t>> cases;
  {
    TDataSetWriter w(kUninstallSignature);  // the other kind of data
    WriteProduct(w);
    cases.push_back(w.Bytes());
  }
  auto plain = ProgramImage(300);  // a program without any package
  PutLE32(plain, 136, 0);
  cases.push_back(plain);
  PutLE32(plain, 136, 5000);  // past the end
  cases.push_back(plain);
  PutLE32(plain, 136, 0x80000000u);  // negative
  cases.push_back(plain);
  cases.push_back(ProgramImage(138));  // too short to hold the position
  cases.push_back({});
  {
    TDataSetWriter w(kPackageSignature);  // signature only: no version tags
    cases.push_back(w.Bytes());
    w.Tags().EndBlock();
    cases.push_back(w.Bytes());
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    std::unique_ptr<TZpInstall> p;
    ASSERT_NO_THROW(p = Load<TZpInstall>(cases[i])) << "case " << i;
    EXPECT_EQ("", p->ProgramName) << "case " << i;
    EXPECT_EQ(1, p->VersionMajor) << "case " << i;
    EXPECT_TRUE(p->Files.empty());
  }
  EXPECT_EQ(0u, Load<TZpUninstall>(FullPackage({}, {}))->Files.size());
  EXPECT_EQ("", Load<TZpUninstall>(FullPackage({}, {}))->ProgramName);
}

TEST(ZpInstall, ATruncatedPackageKeepsWhatWasRead) {
  const auto full = FullPackage({}, {});
  const auto complete = Load<TZpInstall>(full);
  size_t files = 0, execs = 0;
  for (size_t cut = 0; cut < full.size(); ++cut) {
    std::unique_ptr<TZpInstall> p;
    ASSERT_NO_THROW(p = Load<TZpInstall>(std::vector<uint8_t>(full.begin(), full.begin() + cut))) << cut;
    // Whatever was read is whole, and more bytes never give fewer records.
    EXPECT_TRUE(p->ProgramName.empty() || p->ProgramName == complete->ProgramName) << cut;
    EXPECT_TRUE(p->Readme.empty() || p->Readme == complete->Readme) << cut;
    EXPECT_GE(p->Files.size(), files) << cut;
    EXPECT_GE(p->Execs.size(), execs) << cut;
    files = p->Files.size(), execs = p->Execs.size();
  }
  EXPECT_EQ(2u, files);
  EXPECT_EQ(1u, execs);
}

TEST(ZpInstall, PicturesOfLengthZeroAreNoneAndBadOnesRaise) {
  TDataSetWriter empty(kPackageSignature);
  empty.Binary(ptBanner, {});
  empty.Binary(ptSplash, {});
  empty.Scrambled(ptProgramName, "after");
  auto p = Load<TZpInstall>(empty.Bytes());
  EXPECT_TRUE(p->Banner.Empty());
  EXPECT_TRUE(p->Splash.Empty());
  EXPECT_EQ("after", p->ProgramName);

  TDataSetWriter invalid(kPackageSignature);
  invalid.Binary(ptSplash, {'G', 'I', 'F', '8', '9', 'a'});
  EXPECT_THROW(Load<TZpInstall>(invalid.Bytes()), EJpegError);

  for (int32_t length : {100000, -2}) {
    TDataSetWriter past(kPackageSignature);
    past.BinaryLength(ptBanner, length);
    past.Raw(MakeJpeg(8, 8, TRgb{0, 0, 0}));
    EXPECT_THROW(Load<TZpInstall>(past.Bytes()), EStreamError) << length;
  }
  TDataSetWriter cut(kPackageSignature);
  cut.Tags().WriteTag(ptBanner, ttBinary);
  cut.Raw({1, 0});  // the length itself is cut off
  EXPECT_THROW(Load<TZpInstall>(cut.Bytes()), EStreamError);
}

// ---- uninstall data ----

void FillForUninstall(TZpInstall& p) {
  TMemoryStream package(FullPackage(MakeJpeg(24, 12, TRgb{9, 99, 199}), MakeJpeg(8, 8, TRgb{0, 0, 0})));
  p.LoadFromStream(package);
  p.UninstallList = {{"C:\\Program Files\\Gr\xC3\xBCn", umFolder},
                     {"C:\\MT4\\experts\\a.ex4", umFile},
                     {"C:\\Start\\Gr\xC3\xBCn", umFolder},
                     {"C:\\MT4\\experts\\b.ex4", umFile},
                     {"C:\\Program Files\\Gr\xC3\xBCn\\Uninstall.exe", umFile}};
  p.Translations.Add(301, "zweite");  // a duplicate id is kept too
}

// A package from another builder may carry any path: the run refuses one
// that is no sound target before it writes anything. An external program is
// only started, never written, so its path is the system's to judge.
TEST(ZpInstall, TargetProblemNamesTheFirstPathThatIsNoSoundTarget) {
  TZpInstall data;
  const auto add = [&](const char* path, bool exec = false, bool external = false) {
    if (exec) {
      auto record = std::make_unique<TZpInstallExec>();
      record->Path = path;
      record->External = external;
      data.Execs.push_back(std::move(record));
    } else {
      auto record = std::make_unique<TZpInstallFile>();
      record->Path = path;
      data.Files.push_back(std::move(record));
    }
  };
  add("{experts}\\a.ex4");
  add("{temp}setup.exe", true);
  add("notepad.exe", true, true);
  EXPECT_EQ(data.TargetProblem(), "");
  add("{app}\\..\\..\\Windows\\x.txt", true);
  add("{app}\\CON");
  const std::string problem = data.TargetProblem();
  EXPECT_NE(problem.find("\"{app}\\CON\" has the part \"CON\""), std::string::npos) << problem;
  EXPECT_NE(problem.find("Nothing was installed."), std::string::npos) << problem;
  data.Files.pop_back();
  EXPECT_NE(data.TargetProblem().find("the part \"..\""), std::string::npos);
}

TEST(ZpUninstall, ReadsTheDataTheInstallerAppends) {
  TZpInstall p;
  FillForUninstall(p);
  const std::vector<uint8_t> image = ProgramImage(300);
  TMemoryStream file(image);
  file.SetPosition(300);
  p.AppendUninstallData(file);

  const std::vector<uint8_t>& bytes = file.Bytes();
  EXPECT_EQ(300u, GetLE32(bytes, 136));
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 136, bytes.begin()));
  EXPECT_TRUE(std::equal(image.begin() + 140, image.end(), bytes.begin() + 140));
  EXPECT_EQ(0, std::string(bytes.begin() + 300, bytes.begin() + 304).compare("ZPUN"));

  const auto u = Load<TZpUninstall>(bytes);
  ExpectProduct(*u);
  EXPECT_EQ(p.Banner.Bytes(), u->Banner.Bytes());
  EXPECT_TRUE(u->Splash.Empty());
  EXPECT_EQ((std::vector<std::string>{"C:\\Program Files\\Gr\xC3\xBCn", "C:\\Start\\Gr\xC3\xBCn"}), u->Folders);
  EXPECT_EQ((std::vector<std::string>{"C:\\MT4\\experts\\a.ex4", "C:\\MT4\\experts\\b.ex4",
                                      "C:\\Program Files\\Gr\xC3\xBCn\\Uninstall.exe"}),
            u->Files);
  ASSERT_EQ(3, u->Translations.Count());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(p.Translations.Items(i).Id, u->Translations.Items(i).Id);
    EXPECT_EQ(p.Translations.Items(i).Text, u->Translations.Items(i).Text);
    EXPECT_EQ(p.Translations.Items(i).Markup, u->Translations.Items(i).Markup);
  }
  EXPECT_EQ(u"Kopiere x ...", u->GetText(301, "x"));
  EXPECT_EQ(u"Willkommen<br>y", u->GetText(117, "y"));
}

TEST(ZpUninstall, AnEmptyListWritesTheProductFieldsOnly) {
  TZpInstall p;
  p.Reset();
  p.ProgramName = "P";
  TMemoryStream data;
  p.WriteUninstallData(data);
  // Signature, the UTF-8 mark, six scrambled texts (one of 4 characters,
  // five empty) and four integers; no end marker.
  EXPECT_EQ(4 + 9 + (9 + 4) + 5 * 9 + 4 * 9, data.Size());

  std::vector<uint8_t> file = ProgramImage(200);
  PutLE32(file, 136, 200);
  file.insert(file.end(), data.Bytes().begin(), data.Bytes().end());
  const auto u = Load<TZpUninstall>(file);
  EXPECT_EQ("P", u->ProgramName);
  EXPECT_EQ(1, u->VersionMajor);
  EXPECT_TRUE(u->Files.empty());
  EXPECT_TRUE(u->Folders.empty());
  EXPECT_TRUE(u->Banner.Empty());
  EXPECT_EQ(0, u->Translations.Count());
}

TEST(ZpUninstall, UsesItsOwnTagTable) {
  TDataSetWriter w(kUninstallSignature);
  auto& t = w.Tags();
  const auto banner = MakeJpeg(8, 8, TRgb{50, 60, 70});
  w.Binary(utBanner, banner);  // 12 is the banner here, not the licence
  w.Scrambled(utFile, "f1");
  w.Scrambled(16, "unknown");
  t.BeginBlock(20);  // a file record block means nothing here
  w.Scrambled(frPath, "x");
  t.EndBlock();
  w.Scrambled(utFolder, "d1");
  WriteTranslation(w, 3, "Abbrechen");
  w.Scrambled(utFile, "f2");
  const auto u = Load<TZpUninstall>(w.Bytes());
  EXPECT_EQ(banner, u->Banner.Bytes());
  EXPECT_EQ((std::vector<std::string>{"f1", "f2"}), u->Files);
  EXPECT_EQ((std::vector<std::string>{"d1"}), u->Folders);
  EXPECT_EQ(u"Abbrechen", u->GetText(3));
}

// Texts are ANSI unless the data set carries the UTF-8 mark; each set is
// converted once, and a marked text that is not UTF-8 is read as ANSI too.
TEST(ZpData, TheUtf8MarkDecidesHowTextsAreRead) {
  const std::string ansi = "Caf\xE9 \x80", utf8 = "Caf\xC3\xA9 \xE2\x82\xAC", cyrillic = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";
  const struct {
    uint32_t Signature;
    int32_t Mark;  // 0: none
    std::string Stored, Loaded;
  } cases[] = {
      {kPackageSignature, 0, ansi, utf8},           {kPackageSignature, kUtf8Texts, cyrillic, cyrillic},
      {kPackageSignature, 1252, ansi, utf8},        {kPackageSignature, kUtf8Texts, ansi, utf8},
      {kUninstallSignature, 0, ansi, utf8},         {kUninstallSignature, kUtf8Texts, cyrillic, cyrillic},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Stored);
    TDataSetWriter w(c.Signature);
    w.Scrambled(ptProgramName, c.Stored);
    if (c.Mark) w.Tags().WriteInteger(ptTextEncoding, c.Mark);  // after the texts: order does not matter
    if (c.Signature == kPackageSignature) {
      w.Tags().BeginBlock(ptFile);
      w.Scrambled(frPath, "{app}\\" + c.Stored);
      w.Tags().EndBlock();
      w.Tags().BeginBlock(ptExec);
      w.Scrambled(erParameters, c.Stored);
      w.Tags().EndBlock();
      const auto p = Load<TZpInstall>(w.Bytes());
      EXPECT_EQ(c.Loaded, p->ProgramName);
      EXPECT_EQ("{app}\\" + c.Loaded, p->Files.at(0)->Path);
      EXPECT_EQ(c.Loaded, p->Execs.at(0)->Parameters);
    } else {
      w.Scrambled(utFile, c.Stored);
      const auto u = Load<TZpUninstall>(w.Bytes());
      EXPECT_EQ(c.Loaded, u->ProgramName);
      EXPECT_EQ(std::vector<std::string>{c.Loaded}, u->Files);
    }
  }
}

// ---- files and progress ----

std::string TempPath(const char* name) { return std::string(ZP_BINARY_DIR) + "/" + name; }

TEST(ZpData, LoadFromFileNamesTheFileOnlyAfterALoad) {
  const std::string good = TempPath("data_tests_good.exe");
  const std::string bad = TempPath("data_tests_bad.exe");
  WriteFileBytes(good, FullPackage({}, {}));
  TDataSetWriter w(kPackageSignature);
  w.Binary(ptBanner, {1, 2, 3});
  WriteFileBytes(bad, w.Bytes());

  TZpInstall p;
  p.LoadFromFile(good);
  EXPECT_EQ(good, p.FileName);
  EXPECT_EQ(2u, p.Files.size());
  EXPECT_THROW(p.LoadFromFile(TempPath("data_tests_missing.exe")), EOSError);
  EXPECT_EQ(good, p.FileName);
  EXPECT_THROW(p.LoadFromFile(bad), EJpegError);
  EXPECT_EQ(good, p.FileName);

  // The file is closed on every path: both can be deleted at once.
  EXPECT_EQ(0, std::remove(good.c_str()));
  EXPECT_EQ(0, std::remove(bad.c_str()));
}

TEST(ZpData, ReportAddsTheWeightAndSendsARoundedPercent) {
  TZpUninstall u;
  std::vector<std::pair<std::u16string, int>> seen;
  u.OnProgress = [&](TZpData& sender, const std::u16string& text, int percent) {
    EXPECT_EQ(&u, &sender);
    seen.emplace_back(text, percent);
  };
  u.ProgressTotal = 8;
  u.Report(u"one", 1);    // 12.5
  u.Report(u"two", 2);    // 37.5
  u.Report(u"three", 0);  // unchanged
  u.Report(u"four", 6);   // 112.5: may pass 100
  EXPECT_EQ(9, u.ProgressDone);
  EXPECT_EQ((std::vector<std::pair<std::u16string, int>>{{u"one", 13}, {u"two", 38}, {u"three", 38}, {u"four", 113}}),
            seen);

  seen.clear();
  u.ProgressTotal = 0;  // nothing expected: no division, the run is done
  u.Report(u"Done.", 1);
  EXPECT_EQ(100, seen.at(0).second);

  u.OnProgress = nullptr;
  u.Report(u"nobody listens", 5);
  EXPECT_EQ(15, u.ProgressDone);
}

}  // namespace
}  // namespace zp
