// The user's language and regional settings (the NLS functions of kernel32). Buffers are passed as
// the Windows functions take them, a pointer and a length in UTF-16 units, because the callers rely
// on their fixed sizes and on what a failing call leaves in them.
#pragma once

#include <cstdint>
#include <string>

// Flags and query types, with their Windows values.
inline constexpr std::uint32_t kMuiLanguageName = 0x8;                 // MUI_LANGUAGE_NAME
inline constexpr std::uint32_t kLocaleAllowNeutralNames = 0x08000000;  // LOCALE_ALLOW_NEUTRAL_NAMES
inline constexpr std::uint32_t kLocaleSDecimal = 0x0E;                 // LOCALE_SDECIMAL
inline constexpr std::uint32_t kLocaleSThousand = 0x0F;                // LOCALE_STHOUSAND
inline constexpr int kLocaleNameMaxLength = 85;                        // LOCALE_NAME_MAX_LENGTH

// NUMBERFMTW, field for field.
struct NumberFormat {
  std::uint32_t NumDigits = 0;
  std::uint32_t LeadingZero = 0;
  std::uint32_t Grouping = 0;
  char16_t* lpDecimalSep = nullptr;
  char16_t* lpThousandSep = nullptr;
  std::uint32_t NegativeOrder = 0;
};

class LocaleApi {
 public:
  // With `buffer` null, stores the needed length in UTF-16 units in `bufferLength`; otherwise
  // fills `buffer` (of `bufferLength` units) with NUL-ended names, the list ended by an empty name.
  // Returns false on failure.
  virtual bool GetUserPreferredUILanguages(std::uint32_t flags, std::uint32_t* numLanguages,
                                           char16_t* buffer, std::uint32_t* bufferLength) const = 0;

  // The LCID of a locale name (its low 16 bits are the LANGID); 0 for a name the system does not
  // know. Names compare without regard to case, as on Windows.
  virtual std::uint32_t LocaleNameToLCID(const std::u16string& name, std::uint32_t flags) const = 0;

  // Writes the locale name of `lcid`, NUL-ended, into `name` (of `nameLength` units). Returns the
  // units written including the NUL, or 0 on failure.
  virtual int LCIDToLocaleName(std::uint32_t lcid, char16_t* name, int nameLength,
                               std::uint32_t flags) const = 0;

  // `localeName` null means the user's default locale. Returns the units written including the
  // NUL, or 0 on failure (the buffer may then hold anything).
  virtual int GetLocaleInfoEx(const char16_t* localeName, std::uint32_t lcType, char16_t* data,
                              int dataLength) const = 0;

  // Rewrites the plain number `value` ("1024.0") with the separators and grouping of `format`.
  // Returns the units written including the NUL, or 0 on failure.
  virtual int GetNumberFormatEx(const char16_t* localeName, std::uint32_t flags,
                                const char16_t* value, const NumberFormat& format,
                                char16_t* numberStr, int numberLength) const = 0;

 protected:
  ~LocaleApi() = default;
};
