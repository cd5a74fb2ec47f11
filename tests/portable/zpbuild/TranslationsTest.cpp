// The translations shipped with zpbuild: each one complete, with the line
// breaks, placeholders, accelerators and markup of the default texts, and
// found by include = "zpinstall:NAME".
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "TestFiles.h"
#include "base/Strings.h"
#include "strings/DefStrings.h"
#include "zpbuild/ProjectReader.h"

namespace zp {
namespace {

using namespace test;

const std::string kLangFolder = NativePathOf(std::string(ZP_SOURCE_DIR) + "/tools/zpbuild/lang");
const std::vector<std::string> kShipped = {"de", "es", "fr", "ja", "pt", "ru", "zh"};

// What a translation must keep of a text: its placeholders, line breaks,
// accelerator marks and markup tags, in order.
std::vector<std::string> Skeleton(const std::string& text) {
  static const std::regex tokens(R"(%[12]|\||&|<[^>]*>)");
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), tokens); it != std::sregex_iterator(); ++it)
    found.push_back(it->str());
  // A translation may name its arguments in another order.
  std::sort(found.begin(), found.end());
  return found;
}

class Shipped : public ::testing::TestWithParam<std::string> {
protected:
  TLoadedProject Load(const std::string& include) {
    Write(scratch / "p.toml", "[product]\nname = \"x\"\n[translations]\ninclude = \"" + include + "\"\n");
    TLoadOptions options;
    options.TranslationFolders = {kLangFolder};
    return LoadProject(scratch / "p.toml", options);
  }
  TScratch scratch;
};

TEST_P(Shipped, TranslatesEveryTextKeepingItsSkeleton) {
  const std::string file = Read(kLangFolder + "/" + GetParam() + ".toml");
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(IsValidUtf8(file));
  const TLoadedProject loaded = Load("zpinstall:" + GetParam());
  std::map<int32_t, std::string> texts;
  for (const TTranslation& t : loaded.Project.Translations) texts[t.Id] = t.Text;
  int untranslated = 0;
  for (int i = 0; i < DefaultStringCount; ++i) {
    const TDefString& def = DefaultStrings[i];
    const auto it = texts.find(def.Id);
    if (it == texts.end()) {
      ADD_FAILURE() << "text " << def.Id << " is missing";
      continue;
    }
    EXPECT_EQ(Skeleton(it->second), Skeleton(def.Text)) << def.Id << " = \"" << it->second << "\"";
    untranslated += it->second == def.Text;
  }
  EXPECT_EQ(texts.size(), size_t(DefaultStringCount)) << "ids the installer does not have";
  EXPECT_LE(untranslated, 3) << "texts left in English";
}

INSTANTIATE_TEST_SUITE_P(Languages, Shipped, ::testing::ValuesIn(kShipped));

TEST(ShippedTranslations, AreListedAndUnknownNamesAreRefused) {
  EXPECT_EQ(ShippedTranslationNames({kLangFolder}), kShipped);
  TScratch scratch;
  Write(scratch / "p.toml", "[product]\nname = \"x\"\n[translations]\ninclude = \"zpinstall:xx\"\n");
  TLoadOptions options;
  options.TranslationFolders = {kLangFolder};
  try {
    LoadProject(scratch / "p.toml", options);
    ADD_FAILURE() << "no error";
  } catch (const EProjectError& e) {
    EXPECT_EQ(e.Message(), scratch / "p.toml" + ":4: translations.include: \"zpinstall:xx\" is not a translation "
                                                 "shipped with zpbuild (shipped: de, es, fr, ja, pt, ru, zh)");
  }
}

}  // namespace
}  // namespace zp
