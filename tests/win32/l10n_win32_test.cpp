// Localization on the real Windows functions: the string tables linked into this program, the
// user's preferred UI languages and number settings as Wine derives them from LC_ALL.
//
// Arguments: the LANGID the language choice must give, the number style the user's settings
// give ("en": 1,024.0, "de": 1.024,0) and the locale name that heads the user's preferred UI
// languages. Without arguments: 0x0409, "en" and "en-US".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "l10n/number_format.h"
#include "l10n/string_table.h"
#include "l10n/ui_language.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_resources.h"
#include "tests/fakes/forwarding_locale_api.h"
#include "tests/l10n/expected_rows.h"
#include "tests/l10n/utf8.h"
#include "tests/win32/harness.h"

namespace {

struct Settings {
  LangId language = 0x0409;
  bool germanNumbers = false;
  std::u16string preferred = u"en-US";
};

Settings ReadSettings() {
  Settings settings;
  if (__argc > 1) {
    settings.language = static_cast<LangId>(std::wcstoul(__wargv[1], nullptr, 16));
  }
  if (__argc > 2) {
    settings.germanNumbers = std::wcscmp(__wargv[2], L"de") == 0;
  }
  if (__argc > 3) {
    settings.preferred = reinterpret_cast<const char16_t*>(__wargv[3]);
  }
  return settings;
}

// The real functions, keeping the names the language choice looks up. English is also what every
// failed query leads to, so the chosen LANGID alone cannot tell an English user from a broken
// query; the first name looked up can, because only the preferred list supplies it.
class RecordingLocaleApi final : public ForwardingLocaleApi {
 public:
  RecordingLocaleApi() : ForwardingLocaleApi(real_) {}
  std::uint32_t LocaleNameToLCID(const std::u16string& name, std::uint32_t flags) const override {
    lookedUp.push_back(name);
    return ForwardingLocaleApi::LocaleNameToLCID(name, flags);
  }

  mutable std::vector<std::u16string> lookedUp;

 private:
  // Made after the base, which only keeps the reference until a call comes.
  Win32LocaleApi real_;
};

void CheckText(const std::u16string& actual, const std::u16string& expected, const char* what,
               unsigned detail) {
  CHECK(actual == expected);
  if (actual != expected) {
    std::printf("    %s (0x%04X): got \"%s\", want \"%s\"\n", what, detail, Utf8(actual).c_str(),
                Utf8(expected).c_str());
  }
}

Win32ResourceApi Resources() {
  return Win32ResourceApi(reinterpret_cast<InstanceHandle>(::GetModuleHandleW(nullptr)));
}

const ExpectedRow* RowOf(LangId language) {
  for (const ExpectedRow& row : kExpectedRows) {
    if (row.language == language) {
      return &row;
    }
  }
  return nullptr;
}

WINE_TEST(ChoosesTheLanguageOfTheUsersSettings) {
  const Settings settings = ReadSettings();
  g_uiLanguage = 0x1234;
  const RecordingLocaleApi locale;
  ChooseUiLanguage(Resources(), locale);
  CHECK_EQ(g_uiLanguage, settings.language);
  CHECK(!locale.lookedUp.empty());
  if (!locale.lookedUp.empty()) {
    CheckText(locale.lookedUp.front(), settings.preferred, "first preferred language",
              settings.language);
  }

  const ExpectedRow* row = RowOf(settings.language);
  CHECK(row != nullptr);
  if (row != nullptr) {
    CheckText(LoadUiString(Resources(), kStrCancel), row->cancel, "112", g_uiLanguage);
    CheckText(LoadUiString(Resources(), kStrSizeFigures), row->sizeFigures, "104", g_uiLanguage);
  }
  g_uiLanguage = kLangEnglishUs;
}

WINE_TEST(EnumeratesEveryTableLanguageInAscendingOrder) {
  const std::vector<LangId> languages = Resources().EnumResourceLanguagesW(7);
  CHECK_EQ(languages.size(), std::size(kExpectedRows));
  for (std::size_t i = 0; i < languages.size() && i < std::size(kExpectedRows); ++i) {
    CHECK_EQ(languages[i], kExpectedRows[i].language);
    CHECK(HasStringBlocks(Resources(), languages[i]));
  }
  CHECK(!HasStringBlocks(Resources(), 0x0011));
}

// What the native tests' resource fake copies from the loader: a lookup in a regional language the
// module lacks is served with the neutral language's block, and goes no further. The table check
// must not be fooled by the first.
WINE_TEST(LookupsFallBackToTheNeutralLanguageAndNoFurther) {
  const Win32ResourceApi resources = Resources();
  // German (Germany) has no table: both German blocks answer for it.
  CHECK(resources.FindResourceExW(7, 0x0407));
  CHECK(resources.FindResourceExW(8, 0x0407));
  const auto regional = resources.LockResource(8, 0x0407);
  const auto neutral = resources.LockResource(8, 0x0007);
  CHECK(regional.has_value() && neutral.has_value());
  if (regional && neutral) {
    CHECK(regional->data() == neutral->data());
  }
  CHECK(!HasStringBlocks(resources, 0x0407));
  CHECK(HasStringBlocks(resources, 0x0007));
  // No sibling region (sr-Cyrl-CS has no neutral table, though 0x041A and 0x081A are there), no
  // English (en-GB), no other table (Japanese).
  for (const LangId language : {0x0C1A, 0x0809, 0x0011}) {
    CHECK(!resources.FindResourceExW(7, language));
    if (resources.FindResourceExW(7, language)) {
      std::printf("    block 7 found for 0x%04X\n", language);
    }
  }
}

WINE_TEST(LoadsEveryTableThroughTheResourceFunctions) {
  for (const ExpectedRow& row : kExpectedRows) {
    CheckText(LoadStringForLanguage(Resources(), 104, row.language), row.sizeFigures, "104",
              row.language);
    CheckText(LoadStringForLanguage(Resources(), 110, row.language), row.windowsError, "110",
              row.language);
    CheckText(LoadStringForLanguage(Resources(), 111, row.language), row.tryAgain, "111",
              row.language);
    CheckText(LoadStringForLanguage(Resources(), 112, row.language), row.cancel, "112",
              row.language);
    for (std::uint16_t id = 96; id <= 100; ++id) {
      CheckText(LoadStringForLanguage(Resources(), id, row.language), u"", "unused id", id);
    }
    for (std::uint16_t id = 101; id <= 109; ++id) {
      CHECK(!LoadStringForLanguage(Resources(), id, row.language).empty());
    }
    CheckText(LoadStringForLanguage(Resources(), 113, row.language), row.close, "113",
              row.language);
    CheckText(LoadStringForLanguage(Resources(), 114, row.language), u"", "114", row.language);
  }
  for (const ExpectedText& english : kExpectedEnglish) {
    CheckText(LoadStringForLanguage(Resources(), english.id, 0x0409), english.text, "English",
              english.id);
  }
  CheckText(LoadStringForLanguage(Resources(), 104, 0x0011), u"", "no Japanese table", 0x0011);
}

WINE_TEST(FallsBackToEnglishForALanguageWithoutTable) {
  g_uiLanguage = 0x0011;
  CheckText(LoadUiString(Resources(), kStrTryAgain), u"Try again", "111", 0x0011);
  g_uiLanguage = kLangEnglishUs;
}

WINE_TEST(FormatsMegabytesWithTheUsersSeparators) {
  const bool german = ReadSettings().germanNumbers;
  const struct {
    std::uint64_t bytes;
    const char16_t* english;
    const char16_t* german;
  } cases[] = {
      {0, u"0.0", u"0,0"},
      {1, u"0.0", u"0,0"},
      {52428, u"0.0", u"0,0"},
      {52429, u"0.1", u"0,1"},
      {262144, u"0.2", u"0,2"},
      {786432, u"0.8", u"0,8"},
      {1310720, u"1.2", u"1,2"},
      {1048576, u"1.0", u"1,0"},
      {1572864, u"1.5", u"1,5"},
      {52428800, u"50.0", u"50,0"},
      {1048523162, u"999.9", u"999,9"},
      {1048523571, u"999.9", u"999,9"},
      {1048523572, u"1,000.0", u"1.000,0"},
      {1073741824, u"1,024.0", u"1.024,0"},
      // Counts above 2^53 are rounded to a double before the division; an x87 register that kept
      // all 64 bits would give .3 for the first.
      {9007199255003137ull, u"8,589,934,592.2", u"8.589.934.592,2"},
      {9007199255003139ull, u"8,589,934,592.3", u"8.589.934.592,3"},
      {18446744073709551615ull, u"17,592,186,044,416.0", u"17.592.186.044.416,0"},
  };
  const Win32LocaleApi locale;
  for (const auto& c : cases) {
    CheckText(FormatMegabytes(locale, c.bytes), german ? c.german : c.english, "megabytes",
              static_cast<unsigned>(c.bytes));
  }
}

WINE_TEST(FormatsErrorCodesUnsigned) {
  const struct {
    std::uint32_t value;
    const char16_t* expected;
  } cases[] = {
      {0, u"0"},     {7, u"7"},       {10, u"10"},
      {100, u"100"}, {1603, u"1603"}, {4294967295u, u"4294967295"},
  };
  for (const auto& c : cases) {
    CheckText(FormatDecimal(c.value), c.expected, "decimal", c.value);
  }
}

}  // namespace
