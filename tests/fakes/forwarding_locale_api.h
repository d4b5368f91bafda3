// A LocaleApi that passes every call on to another, for tests that watch one call of a real or
// table-backed locale and leave the rest as they are: override that call, then forward it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/locale_api.h"

class ForwardingLocaleApi : public LocaleApi {
 public:
  explicit ForwardingLocaleApi(const LocaleApi& inner) : inner_(inner) {}

  bool GetUserPreferredUILanguages(std::uint32_t flags, std::uint32_t* numLanguages,
                                   char16_t* buffer, std::uint32_t* bufferLength) const override {
    return inner_.GetUserPreferredUILanguages(flags, numLanguages, buffer, bufferLength);
  }
  std::uint32_t LocaleNameToLCID(const std::u16string& name, std::uint32_t flags) const override {
    return inner_.LocaleNameToLCID(name, flags);
  }
  int LCIDToLocaleName(std::uint32_t lcid, char16_t* name, int nameLength,
                       std::uint32_t flags) const override {
    return inner_.LCIDToLocaleName(lcid, name, nameLength, flags);
  }
  int GetLocaleInfoEx(const char16_t* localeName, std::uint32_t lcType, char16_t* data,
                      int dataLength) const override {
    return inner_.GetLocaleInfoEx(localeName, lcType, data, dataLength);
  }
  int GetNumberFormatEx(const char16_t* localeName, std::uint32_t flags, const char16_t* value,
                        const NumberFormat& format, char16_t* numberStr,
                        int numberLength) const override {
    return inner_.GetNumberFormatEx(localeName, flags, value, format, numberStr, numberLength);
  }

 protected:
  ~ForwardingLocaleApi() = default;

 private:
  const LocaleApi& inner_;
};
