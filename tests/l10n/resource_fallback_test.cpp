// The fake resource loader's fall-back between languages, which the language-choice tests rely on
// to ask what the real loader would answer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "l10n/string_table.h"
#include "tests/fakes/fake_resource_api.h"

namespace {

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

// The text that marks a block as the one of `language`.
std::u16string Mark(LangId language) {
  const std::string hex = Hex(language);
  return std::u16string(hex.begin(), hex.end());
}

TEST(FakeResourceFallback, LookupFallsBackToTheNeutralSublanguageThenToTheNeutralLanguage) {
  constexpr int kNone = -1;
  const struct {
    std::vector<LangId> present;
    LangId asked;
    int served;  // the language whose block the lookup gives, or kNone
  } cases[] = {
      {{0x0004, 0x0C04}, 0x0C04, 0x0C04},  // the exact language first
      {{0x0004}, 0x0C04, 0x0004},          // then the primary language, neutral sublanguage
      {{0x0004, 0x0404}, 0x0C04, 0x0004},  // never a sibling region
      {{0x0404}, 0x0C04, kNone},
      {{0x0000}, 0x0C04, 0x0000},          // then the neutral language
      {{0x0000, 0x0007}, 0x0407, 0x0007},  // the primary language comes before it
      {{0x0407}, 0x0007, kNone},           // a neutral lookup never reaches a region
      {{0x0007}, 0x0007, 0x0007},
      {{0x0409}, 0x0809, kNone},  // no step to English
      {{0x0409}, 0x0011, kNone},
      {{0x0409, 0x0002}, 0x0011, kNone},  // nor to any other language
  };
  for (const auto& c : cases) {
    FakeResourceApi resources;
    for (const LangId language : c.present) {
      resources.SetStrings(language, {{112, Mark(language)}});
    }
    const std::string where = Hex(c.asked);
    EXPECT_EQ(resources.FindResourceExW(8, c.asked), c.served != kNone) << where;
    const std::u16string text = LoadStringForLanguage(resources, 112, c.asked);
    EXPECT_EQ(text, c.served == kNone ? u"" : Mark(static_cast<LangId>(c.served))) << where;
    // A block 7 was never made, and the fall-back stays inside the block asked for.
    EXPECT_FALSE(resources.FindResourceExW(7, c.asked)) << where;
  }
}

TEST(FakeResourceFallback, EnumerationListsOnlyTheLanguagesABlockHas) {
  FakeResourceApi resources;
  resources.SetStrings(0x0004, {{101, u"a"}, {112, u"b"}});
  resources.SetStrings(0x0C04, {{101, u"c"}});
  EXPECT_EQ(resources.EnumResourceLanguagesW(7), (std::vector<LangId>{0x0004, 0x0C04}));
  EXPECT_EQ(resources.EnumResourceLanguagesW(8), (std::vector<LangId>{0x0004}));
  EXPECT_TRUE(resources.FindResourceExW(8, 0x0C04));  // yet a lookup finds one
  EXPECT_EQ(resources.Enumerations(), (std::vector<std::uint16_t>{7, 8}));
  EXPECT_EQ(resources.Finds(), (std::vector<std::pair<std::uint16_t, LangId>>{{8, 0x0C04}}));
}

}  // namespace
