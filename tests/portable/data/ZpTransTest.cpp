#include "strings/ZpTrans.h"

#include <gtest/gtest.h>

#include <set>

#include "strings/DefStrings.h"

namespace zp {
namespace {

TEST(DefaultStrings, AscendingUniqueIdsWithMarkupOnlyOnTheWelcomeTexts) {
  ASSERT_EQ(66, DefaultStringCount);
  std::set<int32_t> markup;
  for (int i = 0; i < DefaultStringCount; ++i) {
    if (i > 0) {
      EXPECT_LT(DefaultStrings[i - 1].Id, DefaultStrings[i].Id);
    }
    if (DefaultStrings[i].Markup) markup.insert(DefaultStrings[i].Id);
  }
  EXPECT_EQ((std::set<int32_t>{117, 203}), markup);
  EXPECT_EQ(0, TZpTrans::DefaultIndex(1));
  EXPECT_EQ(DefaultStringCount - 2, TZpTrans::DefaultIndex(405));
  EXPECT_EQ(-1, TZpTrans::DefaultIndex(34));
}

TEST(ZpTrans, DefaultsAndMissingIds) {
  TZpTrans table;
  EXPECT_EQ(u"&Cancel", table.GetText(3));
  EXPECT_EQ(u"WARNING: Unable to execute \"setup\". File doesn't exist ...", table.GetText(306, "setup"));
  for (int32_t id : {4, 34, 0, -1, 100000}) {
    EXPECT_EQ(u"", table.GetText(id)) << id;
    EXPECT_EQ(u"", table.GetText(id, "x")) << id;
    EXPECT_EQ(u"", table.GetText(id, "x", "y")) << id;
  }
}

TEST(ZpTrans, LineBreaksFollowTheMarkupFlag) {
  TZpTrans table;
  EXPECT_EQ(u"The wizard has finished uninstalling P from your computer. You can re-install the program anytime "
            u"using the installer we provided.\r\n\r\nClick Finish to continue.",
            table.GetText(205, "P"));
  EXPECT_EQ(u"We cannot find any MetaTrader folder in this computer.\r\nWe add a default folder so you can "
            u"continue with the installation,\r\nand install MetaTrader later.",
            table.GetText(105));

  // Translated welcome texts keep their line breaks as markup; others get CR LF.
  table.Add(117, "Willkommen|bei %1");
  table.Add(203, "Auf|Wiedersehen");
  table.Add(1, "Weiter|!");
  EXPECT_TRUE(table.Items(0).Markup);
  EXPECT_FALSE(table.Items(2).Markup);
  EXPECT_EQ(u"Willkommen<br>bei Demo 1.0", table.GetText(117, "Demo 1.0"));
  EXPECT_EQ("Auf<br>Wiedersehen", table.GetRawText(203));
  EXPECT_EQ(u"Weiter\r\n!", table.GetText(1));
  // A "|" brought in by an argument stays as it is.
  EXPECT_EQ(u"Copying file a|b ...", table.GetText(301, "a|b"));
}

TEST(ZpTrans, TranslationsWinEvenWhenEmptyAndTheFirstOfTwoIsFound) {
  TZpTrans table;
  table.Add(1, "");
  table.Add(2, "Zur\xC3\xBC" "ck");
  table.Add(2, "second");
  TZpTransItem& filled = table.Add();
  filled.Id = 7;
  filled.Text = "Hinweis";
  EXPECT_EQ(4, table.Count());
  EXPECT_EQ(u"", table.GetText(1));
  EXPECT_EQ(u"Zur\u00FCck", table.GetText(2));
  EXPECT_EQ(&table.Items(1), table.Find(2));
  EXPECT_EQ(u"Hinweis", table.GetText(7));
  EXPECT_EQ(nullptr, table.Find(8));
  table.Clear();
  EXPECT_EQ(0, table.Count());
  EXPECT_EQ(u"Next", table.GetText(1));
}

TEST(ZpTrans, ArgumentsGoInOnceInOrder) {
  TZpTrans table;
  table.Add(500, "%1 and %1, then %2 (%3)");
  EXPECT_EQ(u"a and a, then b (%3)", table.GetText(500, "a", "b"));
  // Arguments are not scanned again for their own placeholder...
  EXPECT_EQ(u"%1 and %1, then %2 (%3)", table.GetText(500, "%1"));
  // ...but "%2" is replaced after "%1", so a "%2" inside the first argument
  // is filled as well, while a "%1" inside the second stays.
  EXPECT_EQ(u"%1 and %1, then %1 (%3)", table.GetText(500, "%2", "%1"));
  EXPECT_EQ(u"Skipping x.mq4, found newer version at C:\\T ...", table.GetText(308, "x.mq4", "C:\\T"));
  table.Add(501, "100%");
  EXPECT_EQ(u"100%", table.GetText(501, "a", "b"));
}

TEST(ZpTrans, Utf8ArgumentsGoInAndBadTextsGiveEmpty) {
  TZpTrans table;
  EXPECT_EQ(u"Copying file M\u00FCller ...", table.GetText(301, "M\xC3\xBC" "ller"));
  // A file name beyond U+FFFF still makes a log line.
  EXPECT_EQ(u"Copying file \U0001F600.ex4 ...", table.GetText(301, "\xF0\x9F\x98\x80.ex4"));
  // An argument that is not UTF-8 (ANSI bytes) is no guess either: its bad
  // bytes show as U+FFFD, and the line is still there.
  EXPECT_EQ(u"Skipping \uFFFD, found newer version at C:\\\uFFFD\uFFFD% ...", table.GetText(308, "\xE9", "C:\\\xFC\xC5%"));

  table.Add(600, "\xE2\x82\xAC %1");  // three bytes: the euro sign
  EXPECT_EQ(u"\u20AC 5", table.GetText(600, "5"));
  // The last one would turn valid once its empty argument closes the gap.
  for (const char* bad : {"cut \xE2\x82", "bad follow \xC3(", "four bytes \xF0\x9F\x98\x80", "lone \x80",
                          "gap \xC5%1\x84"}) {
    table.Clear();
    table.Add(600, bad);
    EXPECT_EQ(u"", table.GetText(600)) << bad;
    EXPECT_EQ(u"", table.GetText(600, "")) << bad;
    EXPECT_EQ(u"", table.GetText(600, "", "")) << bad;
  }
}

}  // namespace
}  // namespace zp
