#include <gtest/gtest.h>

#include "base/Strings.h"

namespace zp {
namespace {

std::u16string Decoded(const std::string& text) {
  std::u16string out = u"untouched";
  const bool ok = DecodeUtf8(text, out);
  EXPECT_EQ(ok, !out.empty() || text.empty()) << "failure must leave nothing behind";
  return out;
}

TEST(Utf8, DecodesOneToThreeByteSequences) {
  EXPECT_EQ(Decoded("Abc"), u"Abc");
  EXPECT_EQ(Decoded("\xC3\xA9t\xC3\xA9"), u"\u00E9t\u00E9");
  EXPECT_EQ(Decoded("\xE2\x82\xAC 5"), u"\u20AC 5");
  EXPECT_EQ(Decoded(""), u"");
}

TEST(Utf8, AnyFaultEmptiesTheWholeResult) {
  EXPECT_EQ(Decoded("ok \xC3"), u"");           // cut off at the end
  EXPECT_EQ(Decoded("ok \xE2\x82"), u"");       // cut off inside three bytes
  EXPECT_EQ(Decoded("\xC3(after"), u"");        // follower is not 10xxxxxx
  EXPECT_EQ(Decoded("caf\xE9 au lait"), u"");   // an ANSI byte
  EXPECT_EQ(Decoded("\xF0\x9F\x98\x80"), u"");  // four-byte sequences are not taken
  EXPECT_EQ(Decoded("\x80"), u"");              // a follower without a lead
}

TEST(Utf8, RoundTripsThroughWideText) {
  const std::u16string wide = u"Gr\u00FC\u00DFe \u20AC \u4E2D";
  std::u16string back;
  ASSERT_TRUE(DecodeUtf8(WideToUtf8(wide), back));
  EXPECT_EQ(back, wide);
}

TEST(Utf8, ProgramTextTakesFourBytesAndMarksFaults) {
  // Names from the disk round-trip whatever their characters.
  for (const std::u16string& wide : {std::u16string(u"\u8D8B\u52BF \U0001F600.mq4"), std::u16string(u"\u0108apo")})
    EXPECT_EQ(Utf8ToWide(WideToUtf8(wide)), wide);
  EXPECT_TRUE(IsUtf8("\xF0\x9F\x98\x80"));
  for (const char* bad : {"\xF0\x9F\x98", "\xF8\x88\x80\x80\x80", "\xF4\x90\x80\x80", "\xF0\x80\x80\x80"})
    EXPECT_FALSE(IsUtf8(bad)) << bad;
  // A stray byte becomes U+FFFD, never another letter, and nothing is lost.
  EXPECT_EQ(Utf8ToWide("caf\xE9 \xC3\xA9"), u"caf\uFFFD \u00E9");
}

TEST(Ansi, ConvertsFromTheCodePageOnce) {
  EXPECT_EQ(AnsiToUtf8("\x80 caf\xE9"), "\xE2\x82\xAC caf\xC3\xA9");
}

TEST(Ascii, ComparesAndUpperCasesLettersOnly) {
  EXPECT_TRUE(SameTextAscii("Uninstall.EXE", "uninstall.exe"));
  EXPECT_FALSE(SameTextAscii("Uninstall.exe", "Uninstall.ex"));
  EXPECT_EQ(UpperAscii("a\xE9z"), "A\xE9Z");
  EXPECT_EQ(LowerAscii("{EXPERTS}\\\xC9"), "{experts}\\\xC9");
}

}  // namespace
}  // namespace zp
