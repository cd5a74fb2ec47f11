#include <gtest/gtest.h>

#include "linklabel/UniLinkTools.h"
#include "linklabel/UniUtils.h"

namespace zp {
namespace {

TEST(StaticObject, CannotBeInstantiated) {
  try {
    TStringTools tools;
    FAIL() << "constructed";
  } catch (const EGenericToolsError& e) {
    EXPECT_STREQ(e.what(), "This class cannot be instantiated");
  }
}

TEST(StringTools, StartsAndEndsWith) {
  EXPECT_TRUE(TStringTools::StartsWith(u"abc", u""));
  EXPECT_TRUE(TStringTools::StartsWith(u"abc", u"ab"));
  EXPECT_FALSE(TStringTools::StartsWith(u"abc", u"Ab"));
  EXPECT_FALSE(TStringTools::StartsWith(u"ab", u"abc"));
  EXPECT_TRUE(TStringTools::EndsWith(u"abc", u""));
  EXPECT_TRUE(TStringTools::EndsWith(u"abc", u"bc"));
  EXPECT_FALSE(TStringTools::EndsWith(u"bc", u"abc"));
}

TEST(StringTools, ReplaceAllRepeatsUntilNoneIsLeft) {
  std::u16string s = u"aabb";
  EXPECT_TRUE(TStringTools::ReplaceAll(u"ab", u"", s));
  EXPECT_EQ(s, u"");  // the pair that closes up goes too

  s = u"x";
  EXPECT_FALSE(TStringTools::ReplaceAll(u"ab", u"", s));
  EXPECT_FALSE(TStringTools::ReplaceAll(u"", u"y", s));
  EXPECT_EQ(s, u"x");

  // A replacement that contains the pattern would never end: each original
  // occurrence is replaced once.
  s = u"a-a";
  EXPECT_TRUE(TStringTools::ReplaceAll(u"a", u"aa", s));
  EXPECT_EQ(s, u"aa-aa");

  EXPECT_EQ(TStringTools::RemoveLineBreaks(u"a\r\nb\r\r\n\nc\n\r"), u"abc\n\r");
}

TEST(GraphicTools, PointInRectCountsAllEdges) {
  const TRect r{10, 20, 30, 40};
  EXPECT_TRUE(TGraphicTools::PointInRect(r, {10, 20}));
  EXPECT_TRUE(TGraphicTools::PointInRect(r, {30, 40}));
  EXPECT_FALSE(TGraphicTools::PointInRect(r, {9, 30}));
  EXPECT_FALSE(TGraphicTools::PointInRect(r, {20, 41}));
}

TEST(WideUtils, ClampLikeTheClassicRoutines) {
  EXPECT_EQ(WideCopy(u"hello", 2, 3), u"ell");
  EXPECT_EQ(WideCopy(u"hello", 0, 2), u"he");
  EXPECT_EQ(WideCopy(u"hello", 4, 100), u"lo");
  EXPECT_EQ(WideCopy(u"hello", 6, 1), u"");

  std::u16string s = u"hello";
  WideDelete(s, 2, 2);
  EXPECT_EQ(s, u"hlo");
  WideDelete(s, 3, 100);
  EXPECT_EQ(s, u"hl");
  WideDelete(s, 0, 1);
  EXPECT_EQ(s, u"hl");
  WideInsert(u"XY", s, 2);
  EXPECT_EQ(s, u"hXYl");
  WideInsert(u"!", s, 100);
  EXPECT_EQ(s, u"hXYl!");

  EXPECT_EQ(WidePos(u"l", u"hello"), 3u);
  EXPECT_EQ(WidePos(u"l", u"hello", 4), 4u);
  EXPECT_EQ(WidePos(u"z", u"hello"), 0u);
  EXPECT_EQ(WidePos(u"", u"hello"), 0u);

  EXPECT_EQ(WideTrimRight(u" a b \t\r\n "), u" a b");
  EXPECT_EQ(WideTrimRight(u"\x01\x20"), u"");
}

TEST(WideUtils, UpperCaseMapsLettersBeyondAscii) {
  EXPECT_EQ(WideUpperCase(u"link \u00e9\u00ff\u0101\u03b1\u0430\u0451"), u"LINK \u00c9\u0178\u0100\u0391\u0410\u0401");
  EXPECT_EQ(WideUpperCase(u"123 \u00f7"), u"123 \u00f7");
}

TEST(WideUtils, ReplaceHonoursItsOptions) {
  EXPECT_EQ(WideStringReplace(u"a cat, a Cat", u"cat", u"dog", 0), u"a dog, a Cat");
  EXPECT_EQ(WideStringReplace(u"a cat, a Cat", u"cat", u"dog", rfReplaceAll), u"a dog, a Cat");
  EXPECT_EQ(WideStringReplace(u"a cat, a Cat", u"cat", u"dog", rfReplaceAll | rfIgnoreCase), u"a dog, a dog");
  EXPECT_EQ(WideStringReplace(u"cats cat.cat", u"cat", u"dog", rfReplaceAll | rfWholeWord), u"cats dog.dog");
  EXPECT_EQ(WideStringReplace(u"aaa", u"aa", u"b", rfReplaceAll), u"ba");
  EXPECT_EQ(WideStringReplace(u"abc", u"", u"x", rfReplaceAll), u"abc");
}

}  // namespace
}  // namespace zp
