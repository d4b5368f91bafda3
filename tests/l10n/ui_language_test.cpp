// The choice of the UI language, on the real compiled string tables and Windows' locale names.
#include "l10n/ui_language.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/fake_resource_api.h"
#include "tests/fakes/table_locale_api.h"
#include "tests/l10n/compiled_strings.h"

namespace {

using Names = std::vector<std::u16string>;

std::string Hex(LangId language) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", language);
  return text;
}

std::string Describe(const Names& names) {
  std::string text;
  for (const std::u16string& name : names) {
    text += text.empty() ? "" : ", ";
    text += std::string(name.begin(), name.end());  // the test names are ASCII
  }
  return text.empty() ? "(empty list)" : text;
}

class UiLanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(LoadCompiledStrings(resources_, error)) << error;
    g_uiLanguage = kLangEnglishUs;
  }

  LangId Choose(const Names& names) {
    locale_.SetPreferredLanguages(names);
    ChooseUiLanguage(resources_, locale_);
    return g_uiLanguage;
  }

  FakeResourceApi resources_;
  TableLocaleApi locale_;
};

TEST_F(UiLanguageTest, WorkedChoices) {
  const struct {
    Names preferred;
    LangId expected;
  } cases[] = {
      {{u"en-US"}, 0x0409},                // pass 1
      {{u"en-GB"}, 0x0409},                // pass 2, prefix en
      {{u"de-DE"}, 0x0007},                // pass 2, prefix de
      {{u"pt-BR"}, 0x0816},                // pass 2, prefix pt
      {{u"fr-CA"}, 0x000C},                // pass 2, prefix fr
      {{u"zh-CN"}, 0x0804},                // pass 1
      {{u"zh-Hant"}, 0x0404},              // pass 2: zh-Hans refused by the script rule
      {{u"zh"}, 0x0004},                   // pass 2, simplified
      {{u"zh-HK"}, 0x0C04},                // pass 1
      {{u"sr-Cyrl-RS"}, 0x081A},           // pass 2, first with prefix sr
      {{u"bs-Latn-BA"}, 0x041A},           // pass 3, first with primary 0x1A
      {{u"nn-NO"}, 0x0414},                // pass 3, primary 0x14
      {{u"ja-JP", u"fr-FR"}, 0x000C},      // ja-JP matches nothing
      {{u"ja-JP"}, 0x0409},                // default
      {{}, 0x0409},                        // empty list
      {{u"zh-SG"}, 0x1004},                // pass 1
      {{u"zh-TW"}, 0x0404},                // pass 1
      {{u"zh-MO"}, 0x1404},                // pass 1
      {{u"nn-NO", u"en-US"}, 0x0414},      // a weaker match for the first language wins
      {{u"fr-CA", u"en-US"}, 0x000C},      //
      {{u"en-US", u"de-DE"}, 0x0409},      //
      {{u"xx-YY", u"de-DE"}, 0x0007},      // unknown names are skipped
      {{u"qps-ploc", u"zh-Hant"}, 0x0404}  //
  };
  for (const auto& c : cases) {
    g_uiLanguage = kLangEnglishUs;
    EXPECT_EQ(Hex(Choose(c.preferred)), Hex(c.expected)) << Describe(c.preferred);
  }
}

TEST_F(UiLanguageTest, FailingOrEmptyPreferredListGivesEnglish) {
  const TableLocaleApi::PreferredMode modes[] = {
      TableLocaleApi::PreferredMode::kFirstCallFails,
      TableLocaleApi::PreferredMode::kZeroLength,
      TableLocaleApi::PreferredMode::kSecondCallFails,
  };
  for (const auto mode : modes) {
    locale_.SetPreferredMode(mode);
    g_uiLanguage = 0x0007;  // whatever was there before, the result is English
    EXPECT_EQ(Hex(Choose({u"de-DE"})), Hex(0x0409)) << static_cast<int>(mode);
  }
}

TEST_F(UiLanguageTest, ListStartingWithAnEmptyNameEndsTheSearch) {
  // The list ends at the first empty name, so the German name after it is never looked at.
  EXPECT_EQ(Hex(Choose({u"", u"de-DE"})), Hex(0x0409));
}

TEST_F(UiLanguageTest, TableWithoutSecondBlockIsNeverChosen) {
  const struct {
    LangId withoutBlock8;
    Names preferred;
    LangId expected;
  } cases[] = {
      {0x0C04, {u"zh-HK"}, 0x0404},       // refused in pass 1; pass 2 takes the next traditional
      {0x0007, {u"de"}, 0x0409},          // refused in pass 1, and then in passes 2 and 3
      {0x081A, {u"sr-Cyrl-RS"}, 0x241A},  // refused in pass 2; the next with prefix sr
      {0x041A, {u"bs-Latn-BA"}, 0x081A},  // refused in pass 3; the next with primary 0x1A
      {0x0007, {u"de-DE"}, 0x0409},       // no other German table in any pass
      {0x0007, {u"de-DE", u"fr-FR"}, 0x000C},
      {0x1004, {u"zh-SG"}, 0x0004},  // still simplified, never a traditional table
  };
  for (const auto& c : cases) {
    FakeResourceApi resources;
    std::string error;
    ASSERT_TRUE(LoadCompiledStrings(resources, error)) << error;
    resources.RemoveBlock(8, c.withoutBlock8);
    locale_.SetPreferredLanguages(c.preferred);
    ChooseUiLanguage(resources, locale_);
    EXPECT_EQ(Hex(g_uiLanguage), Hex(c.expected))
        << Describe(c.preferred) << " without block 8 of " << Hex(c.withoutBlock8);
  }
}

TEST_F(UiLanguageTest, TableWithoutFirstBlockIsNotEvenATableLanguage) {
  resources_.RemoveBlock(7, 0x0007);
  EXPECT_EQ(Hex(Choose({u"de-DE"})), Hex(0x0409));
}

TEST_F(UiLanguageTest, ChineseNamesNeverCrossScripts) {
  // With every simplified table unusable, a simplified name falls back to English rather than to
  // a traditional table; and the other way round.
  const struct {
    std::vector<LangId> unusable;
    Names preferred;
    LangId expected;
  } cases[] = {
      {{0x0004, 0x0804, 0x1004}, {u"zh"}, 0x0409},
      {{0x0004, 0x0804, 0x1004}, {u"zh-SG"}, 0x0409},
      {{0x0004, 0x0804, 0x1004}, {u"zh-CN"}, 0x0409},
      {{0x0404, 0x0C04, 0x1404}, {u"zh-Hant"}, 0x0409},
      {{0x0404, 0x0C04, 0x1404}, {u"zh-TW"}, 0x0409},
      {{0x0404}, {u"zh-Hant"}, 0x0C04},
  };
  for (const auto& c : cases) {
    FakeResourceApi resources;
    std::string error;
    ASSERT_TRUE(LoadCompiledStrings(resources, error)) << error;
    for (const LangId language : c.unusable) {
      resources.RemoveBlock(8, language);
    }
    locale_.SetPreferredLanguages(c.preferred);
    ChooseUiLanguage(resources, locale_);
    EXPECT_EQ(Hex(g_uiLanguage), Hex(c.expected)) << Describe(c.preferred);
  }
}

TEST_F(UiLanguageTest, PrefixComparisonIsCaseSensitive) {
  // Windows knows the names whatever their case, but the prefixes must match exactly. Upper-case
  // SR misses every sr table in pass 2 and lands on the first 0x1A table, Croatian, in pass 3.
  const struct {
    Names preferred;
    LangId expected;
  } cases[] = {
      {{u"sr-Cyrl-RS"}, 0x081A},
      {{u"SR-Cyrl-RS"}, 0x041A},
      {{u"DE-de"}, 0x0007},  // pass 3 still finds the one German table
      {{u"EN-gb"}, 0x0409},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(Choose(c.preferred)), Hex(c.expected)) << Describe(c.preferred);
  }
}

TEST_F(UiLanguageTest, CandidateWithoutLocaleNameHasNoPrefix) {
  // As under Wine, which has no name for 0x081A: that table can no longer match in pass 2.
  locale_.FailNameFor(0x081A);
  EXPECT_EQ(Hex(Choose({u"sr-Cyrl-RS"})), Hex(0x241A));
}

TEST_F(UiLanguageTest, NoTablesAtAllGivesEnglish) {
  FakeResourceApi empty;
  locale_.SetPreferredLanguages({u"de-DE", u"en-US"});
  g_uiLanguage = 0x0007;
  ChooseUiLanguage(empty, locale_);
  EXPECT_EQ(Hex(g_uiLanguage), Hex(0x0409));
}

TEST_F(UiLanguageTest, HasStringBlocksListsBlock7ThenBlock8AndStopsAtAMissingOne) {
  resources_.ClearRecord();
  EXPECT_TRUE(HasStringBlocks(resources_, 0x0007));
  EXPECT_EQ(resources_.Enumerations(), (std::vector<std::uint16_t>{7, 8}));

  resources_.RemoveBlock(7, 0x0007);
  resources_.ClearRecord();
  EXPECT_FALSE(HasStringBlocks(resources_, 0x0007));
  EXPECT_EQ(resources_.Enumerations(), (std::vector<std::uint16_t>{7}));

  resources_.RemoveBlock(8, 0x000C);
  EXPECT_FALSE(HasStringBlocks(resources_, 0x000C));
  EXPECT_FALSE(HasStringBlocks(resources_, 0x0011));
  // No lookup by language: those fall back and would answer for another table.
  EXPECT_TRUE(resources_.Finds().empty());
}

TEST_F(UiLanguageTest, HasStringBlocksIgnoresTheNeutralLanguagesBlocks) {
  // A regional language with only one block of its own, beside a neutral table with both. The
  // loader finds the missing block through the neutral language, the enumeration does not.
  const struct {
    std::vector<std::uint16_t> ownBlocks;
    LangId regional;
  } cases[] = {
      {{7}, 0x0C04},  // beside 0x0004
      {{8}, 0x0C04},
      {{7}, 0x0407},  // beside 0x0007
      {{}, 0x0407},
  };
  for (const auto& c : cases) {
    FakeResourceApi resources;
    std::string error;
    ASSERT_TRUE(LoadCompiledStrings(resources, error)) << error;
    for (const std::uint16_t block : {7, 8}) {
      resources.RemoveBlock(block, c.regional);
    }
    for (const std::uint16_t block : c.ownBlocks) {
      resources.SetStrings(c.regional, {{static_cast<std::uint16_t>(block * 16 - 16), u"x"}});
    }
    ASSERT_TRUE(resources.FindResourceExW(7, c.regional) &&
                resources.FindResourceExW(8, c.regional))
        << "the fake falls back to the neutral language for " << Hex(c.regional);
    EXPECT_FALSE(HasStringBlocks(resources, c.regional))
        << Hex(c.regional) << " with " << c.ownBlocks.size() << " block(s) of its own";
  }
}

TEST_F(UiLanguageTest, RegionalTableWithoutSecondBlockIsNotChosenThroughItsNeutralOne) {
  // Each regional table has block 7 only, and its neutral language has both: a lookup of block 8
  // in the regional language succeeds with the neutral language's block, so a choice that asked
  // the loader would take the incomplete table.
  const struct {
    LangId blockSevenOnly;
    Names preferred;
    LangId expected;
  } cases[] = {
      {0x0C04, {u"zh-HK"}, 0x0404},    // not in pass 1; pass 2 takes the next traditional table
      {0x1004, {u"zh-SG"}, 0x0004},    // not in pass 1; pass 2, simplified
      {0x0404, {u"zh-Hant"}, 0x0C04},  // not in pass 2, where it comes first
      {0x0407, {u"de-DE"}, 0x0007},    // an extra table: not in pass 1, pass 2 takes de
      {0x0807, {u"de-CH"}, 0x0007},
  };
  for (const auto& c : cases) {
    FakeResourceApi resources;
    std::string error;
    ASSERT_TRUE(LoadCompiledStrings(resources, error)) << error;
    resources.RemoveBlock(8, c.blockSevenOnly);
    resources.SetStrings(c.blockSevenOnly, {{101, u"regional"}});
    locale_.SetPreferredLanguages(c.preferred);
    resources.ClearRecord();
    ChooseUiLanguage(resources, locale_);
    EXPECT_EQ(Hex(g_uiLanguage), Hex(c.expected))
        << Describe(c.preferred) << " with block 7 only in " << Hex(c.blockSevenOnly);
    EXPECT_TRUE(resources.Finds().empty()) << "no lookup that may fall back";
  }
}

TEST(LanguagePrefix, TakesTheCodeUnitsBeforeTheFirstHyphen) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"", u""},
      {u"de", u"de"},
      {u"de-DE", u"de"},
      {u"sr-Latn-RS", u"sr"},
      {u"-DE", u""},
      {u"zh-", u"zh"},
      {u"EN-us", u"EN"},
      {u"qps-ploc", u"qps"},
      {u"x\u2010y", u"x\u2010y"},  // only U+002D separates
  };
  for (const auto& [name, prefix] : cases) {
    EXPECT_EQ(LanguagePrefix(name), prefix);
  }
}

TEST(HasTraditionalMarker, FindsTheFourMarkersCaseSensitively) {
  const std::pair<std::u16string, bool> cases[] = {
      {u"zh-Hant", true},    {u"zh-TW", true}, {u"zh-HK", true},    {u"zh-MO", true},
      {u"zh-Hant-CN", true}, {u"Hant", true},  {u"zh-hant", false}, {u"zh-tw", false},
      {u"zh-CN", false},     {u"zh", false},   {u"zh-SG", false},   {u"zh-Hans", false},
      {u"zhTW", false},      {u"", false},     {u"zh-Han", false},
  };
  for (const auto& [name, traditional] : cases) {
    EXPECT_EQ(HasTraditionalMarker(name), traditional) << std::string(name.begin(), name.end());
  }
}

TEST(ChineseScriptMatches, ComparesTheCandidatesScriptWithTheName) {
  const struct {
    LangId candidate;
    std::u16string name;
    bool matches;
  } cases[] = {
      {0x0409, u"zh-Hant", true},  // not Chinese: always
      {0x0007, u"de-DE", true},    //
      {0x0004, u"zh-Hant", false}, {0x0004, u"zh", true},       {0x0404, u"zh-Hant", true},
      {0x0404, u"zh", false},      {0x0C04, u"zh-HK", true},    {0x1404, u"zh-MO", true},
      {0x1004, u"zh-SG", true},    {0x1004, u"zh-TW", false},   {0x0804, u"zh-CN", true},
      {0x0804, u"zh-HK", false},   {0x7C04, u"zh-Hant", false},  // sublanguage 0x1F counts as
                                                                 // simplified
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChineseScriptMatches(c.candidate, c.name), c.matches)
        << Hex(c.candidate) << " " << std::string(c.name.begin(), c.name.end());
  }
}

}  // namespace
