#include "package/EncDec.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <set>

namespace zp {
namespace {

TEST(EncDec, TableHoldsSixtyFiveDistinctPrintableCharacters) {
  const std::string table(kScrambleTable);
  ASSERT_EQ(table.size(), 65u);
  EXPECT_EQ(std::set<char>(table.begin(), table.end()).size(), 65u);
  int signs = 0;
  for (char c : table) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u)) continue;
    EXPECT_TRUE(std::ispunct(u)) << c;
    ++signs;
  }
  EXPECT_EQ(signs, 3);
}

// Standard Base64 (RFC 4648 test vectors) spelled with our table: checks the
// bit layout independently of our own decoder.
std::string FromStandard(const std::string& base64) {
  static const std::string standard = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
  std::string out;
  for (char c : base64) out += kScrambleTable[standard.find(c)];
  return out;
}

TEST(EncDec, EncodesWithBase64Grouping) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff", "+/8="},
  };
  for (const auto& [plain, base64] : vectors) {
    EXPECT_EQ(EncodeText(plain), FromStandard(base64)) << base64;
    EXPECT_EQ(DecodeText(FromStandard(base64)), plain) << base64;
  }
}

TEST(EncDec, RoundTripsArbitraryBytes) {
  std::mt19937 random(7);
  for (size_t n = 0; n < 200; ++n) {
    std::string plain(n, '\0');
    for (auto& c : plain) c = static_cast<char>(random());
    const std::string scrambled = EncodeText(plain);
    EXPECT_EQ(scrambled.size(), (n + 2) / 3 * 4);
    EXPECT_EQ(DecodeText(scrambled), plain);
  }
}

TEST(EncDec, DecodesOddInputLikeTheInstaller) {
  const std::string foo = FromStandard("Zm9v");
  // A lone last character is ignored; two or three are a group whose missing
  // positions are padding.
  EXPECT_EQ(DecodeText(foo + FromStandard("Y")), "foo");
  EXPECT_EQ(DecodeText(FromStandard("Zg")), "f");
  EXPECT_EQ(DecodeText(FromStandard("Zm8")), "fo");
  EXPECT_EQ(DecodeText(FromStandard("Z")), "");
  // Characters outside the table count as digit 0.
  EXPECT_EQ(DecodeText("!!!!"), std::string(3, '\0'));
  EXPECT_EQ(DecodeText(FromStandard("Zm") + "!" + FromStandard("v")), DecodeText(FromStandard("ZmAv")));
  // Padding inside a group ends it there.
  EXPECT_EQ(DecodeText(FromStandard("Zg==") + foo), "ffoo");
}

}  // namespace
}  // namespace zp
