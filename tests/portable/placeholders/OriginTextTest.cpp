#include <gtest/gtest.h>

#include "engine/ZpUtils.h"

namespace zp {
namespace {

std::string Utf16Le(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

std::string Utf16Be(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text) bytes += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  return bytes;
}

const std::u16string kFolder = u"C:\\Program Files\\MetaTrader 4";

TEST(OriginText, ReadsEveryEncodingATerminalOrAnEditorWrites) {
  const std::string folder = "C:\\Program Files\\MetaTrader 4";
  const std::string capo = "C:\\Trading\\\xC4\x88" "apo MT4";  // U+0108
  const struct {
    std::string Bytes, Expected;
  } cases[] = {
      {"\xFF\xFE" + Utf16Le(kFolder), folder},
      {Utf16Le(kFolder), folder},  // UTF-16 without a mark
      {"\xFE\xFF" + Utf16Be(kFolder), folder},
      {"\xFF\xFE" + Utf16Le(u"C:\\Trading\\\u0108apo MT4"), capo},
      {"\xFE\xFF" + Utf16Be(u"C:\\Trading\\\u0108apo MT4"), capo},
      {"\xEF\xBB\xBF" + capo + "\r\n", capo},
      {capo, capo},                                   // UTF-8 without a mark
      {"D:\\B\xF6rse", "D:\\B\xC3\xB6rse"},           // ANSI (Windows-1252 here)
      {"\xFF\xFE" + Utf16Le(u"\u0422\U0001F600"), "\xD0\xA2\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeOriginText(c.Bytes), c.Expected) << c.Expected;
}

TEST(OriginText, TrimsBlanksAndControlsAndJoinsLinesWithCrLf) {
  EXPECT_EQ(DecodeOriginText(Utf16Le(u" \t" + kFolder + u"\r\n\r\n")), "C:\\Program Files\\MetaTrader 4");
  EXPECT_EQ(DecodeOriginText(Utf16Le(u"a\nb\rc\r\nd\n\re")), "a\r\nb\r\nc\r\nd\r\n\r\ne");
  EXPECT_EQ(DecodeOriginText(Utf16Le(u"\r\n  \r\n")), "");
  EXPECT_EQ(DecodeOriginText(""), "");
}

TEST(OriginText, EndsAtANulAndIgnoresAnOddLastByte) {
  EXPECT_EQ(DecodeOriginText(Utf16Le(std::u16string(u"C:\\MT4\0garbage", 14))), "C:\\MT4");
  EXPECT_EQ(DecodeOriginText("\xFF\xFE" + Utf16Le(u"C:\\MT4") + "X"), "C:\\MT4");
  EXPECT_EQ(DecodeOriginText("\xFF\xFE" "X"), "");
}

TEST(TerminalVersion, MajorFourFromBuild600IsTheNewLayout) {
  auto isNew = [](uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    return IsNewTerminalVersion(uint32_t{a} << 16 | b, uint32_t{c} << 16 | d);
  };
  EXPECT_FALSE(isNew(4, 0, 0, 509));
  EXPECT_FALSE(isNew(4, 0, 0, 599));
  EXPECT_TRUE(isNew(4, 0, 0, 600));
  EXPECT_TRUE(isNew(4, 0, 0, 1090));
  EXPECT_TRUE(isNew(4, 7, 3, 600));
  EXPECT_FALSE(isNew(5, 0, 0, 600));
  EXPECT_FALSE(isNew(3, 0, 0, 1090));
}

}  // namespace
}  // namespace zp
