// The user's language and regional settings, through the kernel32 NLS functions.
#pragma once

#include "platform/locale_api.h"

// Stateless; any thread.
class Win32LocaleApi final : public LocaleApi {
 public:
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
};
