#include "tests/fakes/table_locale_api.h"

#include <cstddef>

namespace {

struct LocaleEntry {
  std::uint32_t lcid;
  const char16_t* name;
};

// Windows' names with neutral names allowed, both ways: the 35 table languages, then the regional,
// neutral and script names of the preferred languages the program is tested with.
constexpr LocaleEntry kLocales[] = {
    {0x0002, u"bg"},
    {0x0004, u"zh-Hans"},
    {0x0005, u"cs"},
    {0x0006, u"da"},
    {0x0007, u"de"},
    {0x0008, u"el"},
    {0x000A, u"es"},
    {0x000B, u"fi"},
    {0x000C, u"fr"},
    {0x000E, u"hu"},
    {0x0010, u"it"},
    {0x0013, u"nl"},
    {0x0018, u"ro"},
    {0x001B, u"sk"},
    {0x001D, u"sv"},
    {0x0024, u"sl"},
    {0x0025, u"et"},
    {0x0026, u"lv"},
    {0x0027, u"lt"},
    {0x0404, u"zh-TW"},
    {0x0409, u"en-US"},
    {0x0414, u"nb-NO"},
    {0x0415, u"pl-PL"},
    {0x0419, u"ru-RU"},
    {0x041A, u"hr-HR"},
    {0x0422, u"uk-UA"},
    {0x0804, u"zh-CN"},
    {0x0816, u"pt-PT"},
    {0x081A, u"sr-Latn-CS"},
    {0x0C04, u"zh-HK"},
    {0x1004, u"zh-SG"},
    {0x101A, u"hr-BA"},
    {0x1404, u"zh-MO"},
    {0x241A, u"sr-Latn-RS"},
    {0x2C1A, u"sr-Latn-ME"},
    // Regional names.
    {0x0407, u"de-DE"},
    {0x0807, u"de-CH"},
    {0x0C07, u"de-AT"},
    {0x0809, u"en-GB"},
    {0x0C09, u"en-AU"},
    {0x040C, u"fr-FR"},
    {0x0C0C, u"fr-CA"},
    {0x0416, u"pt-BR"},
    {0x0411, u"ja-JP"},
    {0x0412, u"ko-KR"},
    {0x0814, u"nn-NO"},
    {0x281A, u"sr-Cyrl-RS"},
    {0x141A, u"bs-Latn-BA"},
    {0x0410, u"it-IT"},
    {0x0C0A, u"es-ES"},
    {0x080A, u"es-MX"},
    {0x0413, u"nl-NL"},
    {0x0813, u"nl-BE"},
    // Neutral and script names.
    {0x0009, u"en"},
    {0x0011, u"ja"},
    {0x0014, u"no"},
    {0x0016, u"pt"},
    {0x001A, u"hr"},
    {0x7804, u"zh"},
    {0x7C04, u"zh-Hant"},
    {0x7814, u"nn"},
    {0x7C14, u"nb"},
    {0x781A, u"bs"},
    {0x7C1A, u"sr"},
    {0x6C1A, u"sr-Cyrl"},
    {0x701A, u"sr-Latn"},
    // The invariant locale, whose name is empty.
    {0x007F, u""},
};

char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameNameIgnoringCase(const std::u16string& a, const char16_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != u'\0'; ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return i == a.size() && b[i] == u'\0';
}

// Copies `text` and its NUL into a buffer of `length` units as the NLS functions do: the units
// written including the NUL, the needed size for a zero length, 0 when it does not fit.
int CopyOut(const std::u16string& text, char16_t* buffer, int length) {
  const int needed = static_cast<int>(text.size()) + 1;
  if (length == 0) {
    return needed;
  }
  if (buffer == nullptr || length < needed) {
    return 0;
  }
  text.copy(buffer, text.size());
  buffer[text.size()] = u'\0';
  return needed;
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

}  // namespace

bool TableLocaleApi::GetUserPreferredUILanguages(std::uint32_t flags, std::uint32_t* numLanguages,
                                                 char16_t* buffer,
                                                 std::uint32_t* bufferLength) const {
  if (flags != kMuiLanguageName || numLanguages == nullptr || bufferLength == nullptr ||
      preferredMode_ == PreferredMode::kFirstCallFails) {
    return false;
  }
  std::u16string list;
  for (const std::u16string& name : preferred_) {
    list += name;
    list += u'\0';
  }
  list += u'\0';
  if (list.size() == 1) {
    list += u'\0';  // an empty list is still two NULs
  }
  if (preferredMode_ == PreferredMode::kZeroLength) {
    *numLanguages = 0;
    *bufferLength = 0;
    return true;
  }
  if (buffer == nullptr) {
    *numLanguages = static_cast<std::uint32_t>(preferred_.size());
    *bufferLength = static_cast<std::uint32_t>(list.size());
    return true;
  }
  if (preferredMode_ == PreferredMode::kSecondCallFails || *bufferLength < list.size()) {
    return false;
  }
  list.copy(buffer, list.size());
  *numLanguages = static_cast<std::uint32_t>(preferred_.size());
  *bufferLength = static_cast<std::uint32_t>(list.size());
  return true;
}

std::uint32_t TableLocaleApi::LocaleNameToLCID(const std::u16string& name,
                                               std::uint32_t flags) const {
  // Neutral names allowed is the one mode the program uses; a caller that forgets the flag fails
  // here instead of getting regional LANGIDs for neutral names.
  if (flags != kLocaleAllowNeutralNames) {
    return 0;
  }
  for (const LocaleEntry& entry : kLocales) {
    if (SameNameIgnoringCase(name, entry.name)) {
      return entry.lcid;
    }
  }
  return 0;
}

int TableLocaleApi::LCIDToLocaleName(std::uint32_t lcid, char16_t* name, int nameLength,
                                     std::uint32_t flags) const {
  if (flags != kLocaleAllowNeutralNames || namelessLcids_.contains(lcid)) {
    return 0;
  }
  for (const LocaleEntry& entry : kLocales) {
    if (entry.lcid == lcid) {
      return CopyOut(entry.name, name, nameLength);
    }
  }
  return 0;
}

int TableLocaleApi::GetLocaleInfoEx(const char16_t* localeName, std::uint32_t lcType,
                                    char16_t* data, int dataLength) const {
  localeInfoCalls_.push_back(
      LocaleInfoCall{localeName == nullptr, lcType, dataLength,
                     data != nullptr && dataLength > 0 ? std::u16string(data) : std::u16string()});
  if (failLocaleInfo_ || localeName != nullptr) {
    return 0;
  }
  const bool german = userLocale_ == UserLocale::kGermanGermany;
  switch (lcType) {
    case kLocaleSDecimal:
      return CopyOut(german ? u"," : u".", data, dataLength);
    case kLocaleSThousand:
      return CopyOut(german ? u"." : u",", data, dataLength);
    default:
      return 0;
  }
}

int TableLocaleApi::GetNumberFormatEx(const char16_t* localeName, std::uint32_t flags,
                                      const char16_t* value, const NumberFormat& format,
                                      char16_t* numberStr, int numberLength) const {
  lastNumberCall_ = NumberCall{};
  lastNumberCall_.made = true;
  lastNumberCall_.nullLocale = localeName == nullptr;
  lastNumberCall_.flags = flags;
  lastNumberCall_.value = value != nullptr ? value : u"";
  lastNumberCall_.format = format;
  lastNumberCall_.decimalSep = format.lpDecimalSep != nullptr ? format.lpDecimalSep : u"";
  lastNumberCall_.thousandSep = format.lpThousandSep != nullptr ? format.lpThousandSep : u"";
  lastNumberCall_.numberLength = numberLength;

  // With a format given, Windows checks the record and the value, not the locale's own settings.
  if (failNumberFormat_ || flags != 0 || value == nullptr || format.lpDecimalSep == nullptr ||
      format.lpThousandSep == nullptr || format.NumDigits > 9 || format.LeadingZero > 1 ||
      (format.Grouping > 9 && format.Grouping != 32) || format.NegativeOrder > 4) {
    return 0;
  }

  // The value: an optional minus sign, digits, and an optional point with more digits.
  const std::u16string text(value);
  std::size_t pos = 0;
  const bool negative = !text.empty() && text[0] == u'-';
  if (negative) {
    ++pos;
  }
  std::u16string integerDigits;
  std::u16string fractionDigits;
  while (pos < text.size() && IsDigit(text[pos])) {
    integerDigits += text[pos++];
  }
  if (pos < text.size() && text[pos] == u'.') {
    ++pos;
    while (pos < text.size() && IsDigit(text[pos])) {
      fractionDigits += text[pos++];
    }
  }
  if (pos != text.size() || (integerDigits.empty() && fractionDigits.empty())) {
    return 0;
  }

  // Fraction to NumDigits digits: padded with zeros, or rounded half up at the first dropped one.
  std::u16string digits = integerDigits + fractionDigits;
  std::size_t integerCount = integerDigits.size();
  if (fractionDigits.size() < format.NumDigits) {
    digits.append(format.NumDigits - fractionDigits.size(), u'0');
  } else if (fractionDigits.size() > format.NumDigits) {
    const std::size_t keep = integerCount + format.NumDigits;
    const bool roundUp = digits[keep] >= u'5';
    digits.resize(keep);
    for (std::size_t i = keep; roundUp; --i) {
      if (i == 0) {
        digits.insert(digits.begin(), u'1');
        ++integerCount;
        break;
      }
      if (digits[i - 1] == u'9') {
        digits[i - 1] = u'0';
      } else {
        ++digits[i - 1];
        break;
      }
    }
  }
  std::u16string integerPart = digits.substr(0, integerCount);
  const std::u16string fractionPart = digits.substr(integerCount);
  while (integerPart.size() > 1 && integerPart[0] == u'0') {
    integerPart.erase(0, 1);
  }
  if (integerPart == u"0" && format.LeadingZero == 0) {
    integerPart.clear();
  }

  // Groups from the right: Grouping digits each, or 3 then 2s for 32.
  std::u16string grouped;
  const std::size_t firstGroup = format.Grouping == 32 ? 3 : format.Grouping;
  const std::size_t laterGroups = format.Grouping == 32 ? 2 : format.Grouping;
  std::size_t inGroup = 0;
  std::size_t groupSize = firstGroup;
  for (std::size_t i = integerPart.size(); i > 0; --i) {
    if (groupSize != 0 && inGroup == groupSize) {
      grouped.insert(0, format.lpThousandSep);
      inGroup = 0;
      groupSize = laterGroups;
    }
    grouped.insert(grouped.begin(), integerPart[i - 1]);
    ++inGroup;
  }

  std::u16string result = grouped;
  if (format.NumDigits > 0) {
    result += format.lpDecimalSep;
    result += fractionPart;
  }
  if (negative) {
    switch (format.NegativeOrder) {
      case 0:
        result = u"(" + result + u")";
        break;
      case 1:
        result = u"-" + result;
        break;
      case 2:
        result = u"- " + result;
        break;
      case 3:
        result += u"-";
        break;
      default:
        result += u" -";
        break;
    }
  }
  return CopyOut(result, numberStr, numberLength);
}

void TableLocaleApi::SetPreferredLanguages(std::vector<std::u16string> names) {
  preferred_ = std::move(names);
}
