#include "platform/win32/win32_locale.h"

#include <windows.h>

#include "platform/win32/wide.h"

static_assert(kMuiLanguageName == MUI_LANGUAGE_NAME);
static_assert(kLocaleAllowNeutralNames == LOCALE_ALLOW_NEUTRAL_NAMES);
static_assert(kLocaleSDecimal == LOCALE_SDECIMAL);
static_assert(kLocaleSThousand == LOCALE_STHOUSAND);
static_assert(kLocaleNameMaxLength == LOCALE_NAME_MAX_LENGTH);

namespace {

wchar_t* Wide(char16_t* text) {
  return reinterpret_cast<wchar_t*>(text);
}

const wchar_t* Wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

}  // namespace

bool Win32LocaleApi::GetUserPreferredUILanguages(std::uint32_t flags, std::uint32_t* numLanguages,
                                                 char16_t* buffer,
                                                 std::uint32_t* bufferLength) const {
  ULONG count = 0;
  ULONG length = *bufferLength;
  const BOOL ok = ::GetUserPreferredUILanguages(flags, &count, Wide(buffer), &length);
  *numLanguages = count;
  *bufferLength = length;
  return ok != FALSE;
}

std::uint32_t Win32LocaleApi::LocaleNameToLCID(const std::u16string& name,
                                               std::uint32_t flags) const {
  return ::LocaleNameToLCID(WidePtr(name), flags);
}

int Win32LocaleApi::LCIDToLocaleName(std::uint32_t lcid, char16_t* name, int nameLength,
                                     std::uint32_t flags) const {
  return ::LCIDToLocaleName(lcid, Wide(name), nameLength, flags);
}

int Win32LocaleApi::GetLocaleInfoEx(const char16_t* localeName, std::uint32_t lcType,
                                    char16_t* data, int dataLength) const {
  return ::GetLocaleInfoEx(Wide(localeName), lcType, Wide(data), dataLength);
}

int Win32LocaleApi::GetNumberFormatEx(const char16_t* localeName, std::uint32_t flags,
                                      const char16_t* value, const NumberFormat& format,
                                      char16_t* numberStr, int numberLength) const {
  NUMBERFMTW windowsFormat{};
  windowsFormat.NumDigits = format.NumDigits;
  windowsFormat.LeadingZero = format.LeadingZero;
  windowsFormat.Grouping = format.Grouping;
  windowsFormat.lpDecimalSep = Wide(format.lpDecimalSep);
  windowsFormat.lpThousandSep = Wide(format.lpThousandSep);
  windowsFormat.NegativeOrder = format.NegativeOrder;
  return ::GetNumberFormatEx(Wide(localeName), flags, Wide(value), &windowsFormat, Wide(numberStr),
                             numberLength);
}
