// The user's language and regional settings from tables, for the native build: Windows' mapping
// between LANGIDs and locale names (neutral names allowed), a scripted preferred-language list,
// and the number formatting of English (United States) or German (Germany) settings.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/locale_api.h"

class TableLocaleApi final : public LocaleApi {
 public:
  // How GetUserPreferredUILanguages answers.
  enum class PreferredMode {
    kList,             // the list given to SetPreferredLanguages
    kFirstCallFails,   // the length query fails
    kZeroLength,       // the length query succeeds with length 0
    kSecondCallFails,  // the length query succeeds, the fetch fails
  };

  // Regional settings that decide the separators.
  enum class UserLocale { kEnglishUnitedStates, kGermanGermany };

  bool GetUserPreferredUILanguages(std::uint32_t flags, std::uint32_t* numLanguages,
                                   char16_t* buffer, std::uint32_t* bufferLength) const override;
  std::uint32_t LocaleNameToLCID(const std::u16string& name, std::uint32_t flags) const override;
  int LCIDToLocaleName(std::uint32_t lcid, char16_t* name, int nameLength,
                       std::uint32_t flags) const override;
  int GetLocaleInfoEx(const char16_t* localeName, std::uint32_t lcType, char16_t* data,
                      int dataLength) const override;
  int GetNumberFormatEx(const char16_t* localeName, std::uint32_t flags, const char16_t* value,
                        const NumberFormat& format, char16_t* numberStr,
                        int numberLength) const override;

  // Set-up.
  void SetPreferredLanguages(std::vector<std::u16string> names);
  void SetPreferredMode(PreferredMode mode) { preferredMode_ = mode; }
  // LCIDToLocaleName fails for `lcid` (Wine, for one, has no name for 0x081A).
  void FailNameFor(std::uint32_t lcid) { namelessLcids_.insert(lcid); }
  void SetUserLocale(UserLocale locale) { userLocale_ = locale; }
  // GetLocaleInfoEx fails without writing anything.
  void FailLocaleInfo() { failLocaleInfo_ = true; }
  // GetNumberFormatEx fails.
  void FailNumberFormat() { failNumberFormat_ = true; }

  // What the last GetNumberFormatEx call was given; the separators are copied.
  struct NumberCall {
    bool made = false;
    bool nullLocale = false;
    std::uint32_t flags = 0;
    std::u16string value;
    NumberFormat format;
    std::u16string decimalSep;
    std::u16string thousandSep;
    int numberLength = 0;
  };
  const NumberCall& LastNumberCall() const { return lastNumberCall_; }

  // Every (lcType, dataLength, buffer content on entry) given to GetLocaleInfoEx, in call order.
  struct LocaleInfoCall {
    bool nullLocale = false;
    std::uint32_t lcType = 0;
    int dataLength = 0;
    std::u16string bufferOnEntry;
  };
  const std::vector<LocaleInfoCall>& LocaleInfoCalls() const { return localeInfoCalls_; }

 private:
  std::vector<std::u16string> preferred_;
  PreferredMode preferredMode_ = PreferredMode::kList;
  std::set<std::uint32_t> namelessLcids_;
  UserLocale userLocale_ = UserLocale::kEnglishUnitedStates;
  bool failLocaleInfo_ = false;
  bool failNumberFormat_ = false;
  mutable NumberCall lastNumberCall_;
  mutable std::vector<LocaleInfoCall> localeInfoCalls_;
};
