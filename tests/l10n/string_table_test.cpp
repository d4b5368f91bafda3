// String lookup on the real compiled tables and on hand-made blocks, and placeholder substitution.
#include "l10n/string_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "l10n/ui_language.h"
#include "tests/fakes/fake_resource_api.h"
#include "tests/l10n/compiled_strings.h"
#include "tests/l10n/expected_rows.h"
#include "tests/l10n/source_tables.h"
#include "tests/l10n/utf8.h"

namespace {

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

std::size_t Count(const std::u16string& text, const std::u16string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

class CompiledTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(LoadCompiledStrings(resources_, error)) << error;
    g_uiLanguage = kLangEnglishUs;
  }
  void TearDown() override { g_uiLanguage = kLangEnglishUs; }

  FakeResourceApi resources_;
};

TEST_F(CompiledTablesTest, HoldsExactlyBlocks7And8OfEveryTableLanguage) {
  std::vector<ResEntry> entries;
  std::string error;
  ASSERT_TRUE(ReadCompiledStrings(entries, error)) << error;
  std::vector<unsigned> block7;
  std::vector<unsigned> block8;
  for (const ResEntry& entry : entries) {
    EXPECT_TRUE(entry.typeName.empty() && entry.typeOrdinal == 6) << "not a string block";
    EXPECT_TRUE(entry.name.empty() && (entry.nameOrdinal == 7 || entry.nameOrdinal == 8))
        << "block " << entry.nameOrdinal;
    (entry.nameOrdinal == 7 ? block7 : block8).push_back(entry.language);
  }
  std::vector<unsigned> expected;
  for (const ExpectedRow& row : kExpectedRows) {
    expected.push_back(row.language);
  }
  std::sort(block7.begin(), block7.end());
  std::sort(block8.begin(), block8.end());
  EXPECT_EQ(block7, expected);
  EXPECT_EQ(block8, expected);

  // What the language choice sees: the same languages, ascending.
  const std::vector<LangId> enumerated = resources_.EnumResourceLanguagesW(7);
  EXPECT_EQ(std::vector<unsigned>(enumerated.begin(), enumerated.end()), expected);
}

TEST_F(CompiledTablesTest, EveryTableHasItsStringsAndNothingElse) {
  for (const ExpectedRow& row : kExpectedRows) {
    const std::string where = Hex(row.language);
    EXPECT_TRUE(HasStringBlocks(resources_, row.language)) << where;
    for (std::uint16_t id = 96; id < 128; ++id) {
      const std::u16string text = LoadStringForLanguage(resources_, id, row.language);
      if (id >= 101 && id <= 113) {
        EXPECT_FALSE(text.empty()) << where << " id " << id;
        EXPECT_EQ(Count(text, u"%1"), id == 104 || id == 110 ? 1u : 0u) << where << " id " << id;
        EXPECT_EQ(Count(text, u"%2"), id == 104 ? 1u : 0u) << where << " id " << id;
        EXPECT_EQ(text.find(u'\0'), std::u16string::npos) << where << " id " << id;
      } else {
        EXPECT_EQ(Utf8(text), "") << where << " id " << id;
      }
    }
  }
}

TEST_F(CompiledTablesTest, BlocksEndWithTheirSixteenthEntry) {
  // A block that is longer than its 16 entries, or shorter, means the layout is not the one read.
  // The expectation comes from the source tables and the resource format alone, never from the
  // parser under test.
  SourceTables sources;
  std::string error;
  ASSERT_TRUE(ReadSourceTables(sources, error)) << error;
  ASSERT_EQ(sources.size(), std::size(kExpectedRows));
  for (const ExpectedRow& row : kExpectedRows) {
    ASSERT_EQ(sources.count(row.language), 1u) << Hex(row.language);
    const auto& texts = sources.at(row.language);
    // The second reading agrees with the hand-written rows, so it is a fair yardstick.
    EXPECT_EQ(Utf8(texts.at(104)), Utf8(row.sizeFigures)) << Hex(row.language);
    EXPECT_EQ(Utf8(texts.at(112)), Utf8(row.cancel)) << Hex(row.language);
    for (const std::uint16_t block : {7, 8}) {
      const auto bytes = resources_.LockResource(block, row.language);
      ASSERT_TRUE(bytes.has_value());
      const std::vector<std::uint8_t> expected = StringBlockOf(texts, block);
      EXPECT_EQ(bytes->size(), expected.size()) << Hex(row.language) << " block " << block;
      EXPECT_TRUE(std::equal(bytes->begin(), bytes->end(), expected.begin(), expected.end()))
          << Hex(row.language) << " block " << block;
    }
  }
}

TEST_F(CompiledTablesTest, RowsWithPlaceholdersAndButtonLabelsAreTheProductsTexts) {
  for (const ExpectedRow& row : kExpectedRows) {
    const std::string where = Hex(row.language);
    EXPECT_EQ(Utf8(LoadStringForLanguage(resources_, 104, row.language)), Utf8(row.sizeFigures))
        << where;
    EXPECT_EQ(Utf8(LoadStringForLanguage(resources_, 110, row.language)), Utf8(row.windowsError))
        << where;
    EXPECT_EQ(Utf8(LoadStringForLanguage(resources_, 111, row.language)), Utf8(row.tryAgain))
        << where;
    EXPECT_EQ(Utf8(LoadStringForLanguage(resources_, 112, row.language)), Utf8(row.cancel))
        << where;
    EXPECT_EQ(Utf8(LoadStringForLanguage(resources_, 113, row.language)), Utf8(row.close)) << where;
  }
}

TEST_F(CompiledTablesTest, EnglishTableIsComplete) {
  for (const ExpectedText& expected : kExpectedEnglish) {
    EXPECT_EQ(Utf8(LoadStringForLanguage(resources_, expected.id, 0x0409)), Utf8(expected.text))
        << "id " << expected.id;
  }
}

TEST_F(CompiledTablesTest, UiStringsComeFromTheChosenLanguage) {
  g_uiLanguage = 0x0007;
  EXPECT_EQ(Utf8(LoadUiString(resources_, kStrSizeFigures)), "%1 von %2 MB");
  EXPECT_EQ(Utf8(LoadUiString(resources_, kStrCancel)), "Abbrechen");
  g_uiLanguage = 0x1004;
  EXPECT_EQ(Utf8(LoadUiString(resources_, kStrSizeFigures)), "已下载 %1 MB，共 %2 MB");
  EXPECT_EQ(Utf8(LoadUiString(resources_, kStrWindowsError)), "Windows 报告了错误 %1。");
}

TEST_F(CompiledTablesTest, StringsOfALanguageWithoutTablesFallBackToEnglish) {
  g_uiLanguage = 0x0011;  // Japanese: no table
  EXPECT_EQ(Utf8(LoadUiString(resources_, kStrTryAgain)), "Try again");
  EXPECT_EQ(Utf8(LoadUiString(resources_, 100)), "");
}

class UiStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resources_.SetStrings(0x0409, {{101, u"Title"}, {107, u"Check"}, {112, u"Cancel"}});
    // German lacks 107 and has nothing in block 8 at all.
    resources_.SetStrings(0x0007, {{101, u"Titel"}, {111, u"Erneut"}});
  }
  void TearDown() override { g_uiLanguage = kLangEnglishUs; }

  FakeResourceApi resources_;
};

TEST_F(UiStringTest, FallBackToEnglishStringByString) {
  g_uiLanguage = 0x0007;
  EXPECT_EQ(LoadUiString(resources_, 101), u"Titel");
  EXPECT_EQ(LoadUiString(resources_, 107), u"Check");   // empty entry in German
  EXPECT_EQ(LoadUiString(resources_, 112), u"Cancel");  // missing German block
  EXPECT_EQ(LoadUiString(resources_, 111), u"Erneut");  // not in English, still shown
  EXPECT_EQ(LoadUiString(resources_, 100), u"");        // empty in both
}

TEST_F(UiStringTest, LookupNamesBlockAndLanguage) {
  using Lookups = std::vector<std::pair<std::uint16_t, LangId>>;
  g_uiLanguage = 0x0007;
  resources_.ClearRecord();
  EXPECT_EQ(LoadUiString(resources_, 107), u"Check");
  EXPECT_EQ(resources_.Locks(), (Lookups{{7, 0x0007}, {7, 0x0409}}));
  resources_.ClearRecord();
  EXPECT_EQ(LoadUiString(resources_, 112), u"Cancel");
  EXPECT_EQ(resources_.Locks(), (Lookups{{8, 0x0007}, {8, 0x0409}}));
  resources_.ClearRecord();
  EXPECT_EQ(LoadUiString(resources_, 101), u"Titel");
  EXPECT_EQ(resources_.Locks(), (Lookups{{7, 0x0007}}));
}

TEST_F(UiStringTest, EnglishMissingStringIsLookedUpOnce) {
  using Lookups = std::vector<std::pair<std::uint16_t, LangId>>;
  g_uiLanguage = 0x0409;
  resources_.ClearRecord();
  EXPECT_EQ(LoadUiString(resources_, 111), u"");
  EXPECT_EQ(resources_.Locks(), (Lookups{{7, 0x0409}}));
}

TEST_F(UiStringTest, BlockNumberAndIndexFollowTheId) {
  // Ids at the edges of blocks: 0 (block 1), 15, 16 (block 2), 65535 (block 4096, index 15).
  FakeResourceApi resources;
  resources.SetStrings(
      0x0409,
      {{0, u"zero"}, {15, u"fifteen"}, {16, u"sixteen"}, {65535, u"last"}, {96, u"ninety-six"}});
  EXPECT_EQ(LoadStringForLanguage(resources, 0, 0x0409), u"zero");
  EXPECT_EQ(LoadStringForLanguage(resources, 15, 0x0409), u"fifteen");
  EXPECT_EQ(LoadStringForLanguage(resources, 16, 0x0409), u"sixteen");
  EXPECT_EQ(LoadStringForLanguage(resources, 65535, 0x0409), u"last");
  EXPECT_EQ(LoadStringForLanguage(resources, 96, 0x0409), u"ninety-six");
  EXPECT_EQ(LoadStringForLanguage(resources, 97, 0x0409), u"");
  EXPECT_EQ(LoadStringForLanguage(resources, 96, 0x0407), u"");
}

std::vector<std::uint8_t> Units(std::initializer_list<unsigned> units) {
  std::vector<std::uint8_t> bytes;
  for (const unsigned unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

TEST(StringFromBlock, MalformedBlocksGiveEmptyStrings) {
  std::vector<std::uint8_t> oddTail = Units({1, 'A'});
  oddTail.push_back(0x02);  // half a unit: belongs to no entry
  const struct {
    const char* what;
    std::vector<std::uint8_t> block;
    std::size_t index;
    std::u16string expected;
  } cases[] = {
      {"empty block", {}, 0, u""},
      {"single byte", {0x01}, 0, u""},
      {"count only", Units({0}), 0, u""},
      {"count only, later index", Units({0}), 3, u""},
      {"count beyond the end", Units({5, 'a', 'b'}), 0, u""},
      {"count exactly to the end", Units({2, 'a', 'b'}), 0, u"ab"},
      {"skipped entry runs past the end", Units({9, 'a', 2, 'b', 'c'}), 1, u""},
      {"huge skip", Units({0xFFFF, 1, 'x'}), 1, u""},
      {"odd tail, first entry", oddTail, 0, u"A"},
      {"odd tail, next entry", oddTail, 1, u""},
      {"index 16 does not exist", Units({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'z'}),
       16, u""},
      {"index 15", Units({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'z'}), 15, u"z"},
      {"units above 0x7F", Units({2, 0x00E9, 0xD83D}), 0, u"\u00e9\xD83D"},
  };
  for (const auto& c : cases) {
    // A block of exactly its own size, so that a read past the end trips the address sanitizer.
    const std::vector<std::uint8_t> block(c.block.begin(), c.block.end());
    EXPECT_EQ(StringFromBlock(block, c.index), c.expected) << c.what;
  }
}

// A second reading of the block layout, written independently of the program's: decode all
// entries front to back, stopping at the first that does not fit.
std::u16string ReferenceEntry(const std::vector<std::uint8_t>& block, std::size_t index) {
  std::vector<char16_t> units;
  for (std::size_t i = 0; i + 1 < block.size(); i += 2) {
    units.push_back(static_cast<char16_t>(block[i] + 256 * block[i + 1]));
  }
  std::vector<std::u16string> entries;
  std::size_t at = 0;
  while (entries.size() < 16 && at < units.size()) {
    const std::size_t n = units[at];
    if (at + 1 + n > units.size()) {
      break;
    }
    entries.emplace_back(units.begin() + at + 1, units.begin() + at + 1 + n);
    at += 1 + n;
  }
  return index < entries.size() ? entries[index] : u"";
}

TEST(StringFromBlock, ArbitraryBytesAreReadWithinTheBlock) {
  std::mt19937 random(20240601);
  for (int round = 0; round < 20000; ++round) {
    const std::size_t size = random() % 97;
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
      // Mostly small counts, so that real strings turn up, with the odd large one.
      const unsigned r = random();
      bytes[i] =
          static_cast<std::uint8_t>(i % 2 == 1 && r % 4 != 0 ? 0 : (r % 5 == 0 ? r >> 8 : r % 6));
    }
    const std::uint16_t id = static_cast<std::uint16_t>(96 + random() % 32);
    FakeResourceApi resources;
    resources.SetBlock(static_cast<std::uint16_t>(id / 16 + 1), 0x0409, bytes);
    const auto stored = resources.LockResource(static_cast<std::uint16_t>(id / 16 + 1), 0x0409);
    ASSERT_TRUE(stored.has_value());
    // The stored copy has exactly `size` bytes, so any read beyond is caught by the sanitizer.
    ASSERT_EQ(stored->size(), size);
    EXPECT_EQ(LoadStringForLanguage(resources, id, 0x0409), ReferenceEntry(bytes, id % 16))
        << "round " << round;
  }
}

TEST(SubstitutePlaceholders, EdgeCases) {
  const struct {
    std::u16string pattern;
    std::u16string first;
    std::u16string second;
    std::u16string expected;
  } cases[] = {
      {u"%1 of %2 MB", u"12.3", u"45.6", u"12.3 of 45.6 MB"},
      {u"%2 %1", u"first", u"second", u"second first"},
      {u"100%", u"a", u"b", u"100%"},
      {u"%3", u"a", u"b", u"%3"},
      {u"%1%2", u"a", u"b", u"ab"},
      {u"%1", u"%2", u"b", u"%2"},  // arguments are not scanned again
      {u"%%1", u"a", u"b", u"%a"},
      {u"%%", u"a", u"b", u"%%"},
      {u"%", u"a", u"b", u"%"},
      {u"", u"a", u"b", u""},
      {u"%1%1 %2%2", u"a", u"b", u"aa bb"},
      {u"Windows reported error %1.", u"1603", u"", u"Windows reported error 1603."},
      {u"已下载 %1 MB，共 %2 MB", u"1.5", u"50.0", u"已下载 1.5 MB，共 50.0 MB"},
      {u"%0%10", u"a", u"b", u"%0a0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8(SubstitutePlaceholders(c.pattern, c.first, c.second)), Utf8(c.expected))
        << Utf8(c.pattern);
  }
}

// The rule stated plainly: at each position, a "%1" or "%2" is one token, anything else one unit.
std::u16string ReferenceSubstitute(const std::u16string& pattern, const std::u16string& first,
                                   const std::u16string& second) {
  std::u16string out;
  for (std::size_t i = 0; i < pattern.size();) {
    if (pattern.compare(i, 2, u"%1") == 0) {
      out.append(first);
      i += 2;
    } else if (pattern.compare(i, 2, u"%2") == 0) {
      out.append(second);
      i += 2;
    } else {
      out.push_back(pattern[i++]);
    }
  }
  return out;
}

TEST(SubstitutePlaceholders, RandomPatternsAgreeWithTheRule) {
  std::mt19937 random(7);
  const char16_t alphabet[] = {u'%', u'%', u'1', u'2', u'3', u'a', u' ', u'\u00e9'};
  auto randomText = [&](std::size_t maxLength) {
    std::u16string text(random() % (maxLength + 1), u' ');
    for (char16_t& c : text) {
      c = alphabet[random() % std::size(alphabet)];
    }
    return text;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::u16string pattern = randomText(12);
    const std::u16string first = randomText(4);
    const std::u16string second = randomText(4);
    ASSERT_EQ(SubstitutePlaceholders(pattern, first, second),
              ReferenceSubstitute(pattern, first, second))
        << Utf8(pattern) << " / " << Utf8(first) << " / " << Utf8(second);
  }
}

}  // namespace
