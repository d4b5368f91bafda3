#include "l10n/ui_language.h"

#include <algorithm>
#include <cstdint>
#include <vector>

LangId g_uiLanguage = kLangEnglishUs;

namespace {

constexpr std::uint16_t kFirstBlock = 7;   // ids 96-111
constexpr std::uint16_t kSecondBlock = 8;  // ids 112-127
constexpr std::uint16_t kLangChinese = 0x04;

// The names of the preferred-language list, in the user's order. Empty when the list cannot be had.
std::vector<std::u16string> PreferredLanguageNames(const LocaleApi& locale) {
  std::uint32_t count = 0;
  std::uint32_t length = 0;
  if (!locale.GetUserPreferredUILanguages(kMuiLanguageName, &count, nullptr, &length) ||
      length == 0) {
    return {};
  }
  std::u16string buffer(length, u'\0');
  if (!locale.GetUserPreferredUILanguages(kMuiLanguageName, &count, buffer.data(), &length) ||
      buffer[0] == u'\0') {
    return {};
  }
  // The list ends at the first empty name. The buffer's own end bounds the walk as well, in case
  // the platform left it without the final terminator.
  std::vector<std::u16string> names;
  std::size_t start = 0;
  while (start < buffer.size() && buffer[start] != u'\0') {
    std::size_t end = buffer.find(u'\0', start);
    if (end == std::u16string::npos) {
      end = buffer.size();
    }
    names.push_back(buffer.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// The locale name of a table language, neutral names allowed; empty when the platform has none.
std::u16string LocaleNameOf(const LocaleApi& locale, LangId language) {
  char16_t name[kLocaleNameMaxLength] = {};
  if (locale.LCIDToLocaleName(language, name, kLocaleNameMaxLength, kLocaleAllowNeutralNames) ==
      0) {
    return {};
  }
  name[kLocaleNameMaxLength - 1] = u'\0';
  return std::u16string(name);
}

// The table languages that hold both blocks, in resource order. Both lists come from the resource
// directory itself: a lookup by language would not do, because the loader falls back from a
// missing regional language to its neutral one and would report 0x0004's block 8 as 0x0C04's.
std::vector<LangId> CompleteTables(const ResourceApi& resources) {
  const std::vector<LangId> second = resources.EnumResourceLanguagesW(kSecondBlock);
  std::vector<LangId> complete;
  for (const LangId language : resources.EnumResourceLanguagesW(kFirstBlock)) {
    if (std::find(second.begin(), second.end(), language) != second.end()) {
      complete.push_back(language);
    }
  }
  return complete;
}

// The three passes for one preferred name over the complete tables. Returns 0 when none of them
// finds a table.
LangId MatchPreferredName(const LocaleApi& locale, const std::vector<LangId>& tables,
                          const std::u16string& name) {
  const LangId id = static_cast<LangId>(locale.LocaleNameToLCID(name, kLocaleAllowNeutralNames));
  if (id == 0) {
    return 0;
  }
  // Pass 1: the very language. The script rule is not applied: the LANGID already says it.
  for (const LangId q : tables) {
    if (q == id) {
      return q;
    }
  }
  // Pass 2: the same language code, in another region or none.
  const std::u16string prefix = LanguagePrefix(name);
  for (const LangId q : tables) {
    if (LanguagePrefix(LocaleNameOf(locale, q)) == prefix && ChineseScriptMatches(q, name)) {
      return q;
    }
  }
  // Pass 3: the same primary language, which joins codes Windows groups together (nn with nb,
  // bs and sr with hr).
  for (const LangId q : tables) {
    if (PrimaryLanguage(q) == PrimaryLanguage(id) && ChineseScriptMatches(q, name)) {
      return q;
    }
  }
  return 0;
}

}  // namespace

void ChooseUiLanguage(const ResourceApi& resources, const LocaleApi& locale) {
  g_uiLanguage = kLangEnglishUs;
  const std::vector<LangId> tables = CompleteTables(resources);
  for (const std::u16string& name : PreferredLanguageNames(locale)) {
    const LangId chosen = MatchPreferredName(locale, tables, name);
    if (chosen != 0) {
      g_uiLanguage = chosen;
      return;
    }
  }
}

bool HasStringBlocks(const ResourceApi& resources, LangId language) {
  auto lists = [&resources, language](std::uint16_t block) {
    const std::vector<LangId> languages = resources.EnumResourceLanguagesW(block);
    return std::find(languages.begin(), languages.end(), language) != languages.end();
  };
  return lists(kFirstBlock) && lists(kSecondBlock);
}

std::u16string LanguagePrefix(const std::u16string& localeName) {
  return localeName.substr(0, localeName.find(u'-'));
}

bool HasTraditionalMarker(const std::u16string& localeName) {
  for (const char16_t* marker : {u"Hant", u"-TW", u"-HK", u"-MO"}) {
    if (localeName.find(marker) != std::u16string::npos) {
      return true;
    }
  }
  return false;
}

bool ChineseScriptMatches(LangId candidate, const std::u16string& localeName) {
  if (PrimaryLanguage(candidate) != kLangChinese) {
    return true;
  }
  const std::uint16_t sub = SubLanguage(candidate);
  const bool traditional = sub == 1 || sub == 3 || sub == 5;
  return traditional == HasTraditionalMarker(localeName);
}
