#include <gtest/gtest.h>

#include <utility>

#include "engine/RunFiles.h"

namespace zp {
namespace {

TEST(WebsiteAddress, SchemeIsAddedOnlyWhenMissing) {
  EXPECT_EQ(WebsiteAddress("www.example.com"), "http://www.example.com");
  EXPECT_EQ(WebsiteAddress(" \t www.example.com/x \r\n"), "http://www.example.com/x");
  EXPECT_EQ(WebsiteAddress("http://example.com"), "http://example.com");
  EXPECT_EQ(WebsiteAddress("https://example.com"), "https://example.com");
  EXPECT_EQ(WebsiteAddress("HTTP://EXAMPLE.COM"), "HTTP://EXAMPLE.COM");
  EXPECT_EQ(WebsiteAddress("Https://example.com"), "Https://example.com");
  // "://" inside the address is no scheme, and neither is a host with a port.
  EXPECT_EQ(WebsiteAddress("example.com/go?to=http://x"), "http://example.com/go?to=http://x");
  EXPECT_EQ(WebsiteAddress("example.com:8080/a"), "http://example.com:8080/a");
  EXPECT_EQ(WebsiteAddress("  \r\n"), "");
  // Exactly the scheme stays as it is: the shortcut writer skips it.
  EXPECT_EQ(WebsiteAddress("http://"), "http://");
}

TEST(EmailAddress, NameIsUsedWhenGiven) {
  EXPECT_EQ(EmailAddress("", "support@example.com"), "mailto:support@example.com");
  EXPECT_EQ(EmailAddress("Jane Roe", "jane@example.com"), "mailto:Jane Roe <jane@example.com>");
  // Trimmed only to decide whether there is an address at all.
  EXPECT_EQ(EmailAddress("", " a@b.c "), "mailto: a@b.c ");
  EXPECT_EQ(EmailAddress("Jane", " \t"), "");
}

// The relay trims the command file's line with it.
TEST(TrimText, DropsBlanksAndControlsAtBothEnds) {
  EXPECT_EQ(TrimText(" \t\x01https://example.com/ a\x1f\r"), "https://example.com/ a");
  EXPECT_EQ(TrimText(" \t \x7f"), "\x7f");
  EXPECT_EQ(TrimText("\xe9t\xe9 "), "\xe9t\xe9");  // ANSI letters stay
  EXPECT_EQ(TrimText(" \t "), "");
}

TEST(InternetShortcut, ThreeCrLfLinesInUtf16OnlyWhenNotAscii) {
  EXPECT_EQ(InternetShortcutText("http://x.y/"), "[InternetShortcut]\r\nURL=http://x.y/\r\n\r\n");
  const std::string wide = InternetShortcutText("mailto:\xD0\x98 <i@x.y>");  // U+0418
  std::string expected = "\xFF\xFE";
  for (char c : std::string("[InternetShortcut]\r\nURL=mailto:* <i@x.y>\r\n\r\n"))
    expected += c == '*' ? std::string("\x18\x04", 2) : std::string{c, '\0'};
  EXPECT_EQ(wide, expected);
}

TEST(TextLines, EveryLineBreakBecomesCrLf) {
  EXPECT_EQ(TextLines("a"), "a\r\n");
  EXPECT_EQ(TextLines("a\r\n"), "a\r\n");
  EXPECT_EQ(TextLines("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(TextLines("a\n\r"), "a\r\n\r\n");
  EXPECT_EQ(TextLines("a\r\n\r\n"), "a\r\n\r\n");
  EXPECT_EQ(TextLines(std::string("{\\rtf1 \xE9}", 9)), std::string("{\\rtf1 \xE9}\r\n", 11));
}

TEST(ExpertSettings, NewFileAndFlags) {
  TExpertSettings file = NewExpertSettings();
  EXPECT_EQ(file[0], 144);
  EXPECT_EQ(file[1], 1);
  for (size_t i = 2; i < file.size(); ++i) ASSERT_EQ(file[i], 0) << i;

  std::string settings = "10110101";
  ApplyExpertSettings(file, settings);
  const size_t offsets[8] = {4, 8, 12, 36, 40, 20, 24, 28};
  for (size_t k = 0; k < 8; ++k) EXPECT_EQ(file[offsets[k]], settings[k] == '1' ? 1 : 0) << k;
  EXPECT_EQ(file[0], 144);
}

TEST(ExpertSettings, BlanksKeepAndOtherCharactersClear) {
  TExpertSettings file{};
  file.fill(7);
  std::string settings = "1 0";
  PadExpertSettings(settings);
  EXPECT_EQ(settings, "1 0     ");
  ApplyExpertSettings(file, settings);
  EXPECT_EQ(file[4], 1);
  EXPECT_EQ(file[8], 7);
  EXPECT_EQ(file[12], 0);
  for (size_t offset : {36, 40, 20, 24, 28}) EXPECT_EQ(file[offset], 7) << offset;

  ApplyExpertSettings(file, "xxxxxxxx1");  // only eight characters count
  for (size_t offset : {4, 8, 12, 36, 40, 20, 24, 28}) EXPECT_EQ(file[offset], 0) << offset;
  EXPECT_EQ(file[5], 7);

  std::string longer = "0123456789";
  PadExpertSettings(longer);
  EXPECT_EQ(longer, "0123456789");
}

TEST(TimeStamp, PadsEveryFieldToItsWidth) {
  const std::pair<TLocalTime, const char*> cases[] = {
      {{2000, 1, 1, 0, 0, 0, 0}, "20000101000000000"},
      {{1999, 12, 31, 23, 59, 59, 999}, "19991231235959999"},
      {{987, 9, 8, 7, 6, 5, 4}, "09870908070605004"},
  };
  for (const auto& [time, text] : cases) EXPECT_EQ(TimeStampText(time), text);
}

TEST(SelfRemovalBatch, NameAndLines) {
  EXPECT_EQ(SelfRemovalBatchName({2024, 3, 7, 9, 5, 1, 42}), "20240307090501042.bat");
  EXPECT_EQ(SelfRemovalBatchText(true),
            "@echo off\r\n"
            "setlocal EnableDelayedExpansion\r\n"
            ":repeat\r\n"
            "del \"!ZP_UNINSTALLER!\"\r\n"
            "if exist \"!ZP_UNINSTALLER!\" goto repeat\r\n"
            "rmdir \"!ZP_UNINSTALLER_FOLDER!\"\r\n"
            "del \"!ZP_BATCH!\" & rmdir \"!ZP_BATCH_FOLDER!\"\r\n");
  EXPECT_EQ(SelfRemovalBatchText(false).find("ZP_UNINSTALLER_FOLDER"), std::string::npos);
}

TEST(PathParts, SplitLikeTheShell) {
  EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
  EXPECT_EQ(ExtractFileDir("C:\\a\\b.txt"), "C:\\a");
  EXPECT_EQ(ExtractFileDir("C:\\b.txt"), "C:\\");
  EXPECT_EQ(ExtractFileDir("b.txt"), "");
  EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileName("b.txt"), "b.txt");
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\Uninstall.exe", ".tmp"), "C:\\a.b\\Uninstall.tmp");
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\Uninstall", ".tmp"), "C:\\a.b\\Uninstall.tmp");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
}

TEST(FileNames, OnlySingleNamesWindowsCanHoldPass) {
  const struct {
    const char* Name;
    const char* Problem;  // "" for a good name
  } cases[] = {
      {"My EA", ""}, {"Trend Pack 1.2", ""}, {"\xC4pfel", ""}, {".hidden", ""}, {"Console", ""}, {"COM0", ""},
      {"", "it is empty"}, {".", "it is \".\""}, {"..", "it is \"..\""},
      {"A/S", "it holds the character \"/\""}, {"a\\b", "it holds the character \"\\\""},
      {"x:y", "it holds the character \":\""}, {"why?", "it holds the character \"?\""},
      {"tab\there", "it holds a control character"}, {"EA.", "it ends with a dot or a blank"},
      {"EA ", "it ends with a dot or a blank"}, {"con", "it is a device name"}, {"LPT1", "it is a device name"},
      {"nul.txt", "it is a device name"}, {"Aux .ex4", "it is a device name"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileNameProblem(c.Name), c.Problem) << c.Name;
  EXPECT_EQ(FileNameProblem(std::string(256, 'a')), "it is longer than 255 characters");
  EXPECT_EQ(FileNameProblem(std::string(255, 'a')), "");
}

TEST(FileNames, SafeNamesReplaceWhatANameCannotHold) {
  EXPECT_EQ(SafeFileName("Nordic Trading A/S"), "Nordic Trading A_S");
  EXPECT_EQ(SafeFileName("<a>:\"b\"|c?*\\d\x01"), "_a___b__c___d_");
  EXPECT_EQ(SafeFileName(""), "");
  EXPECT_EQ(FileNameProblem(SafeFileName("A/S") + " Website.url"), "");
}

}  // namespace
}  // namespace zp
