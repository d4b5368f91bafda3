// Languages cross the platform boundary as 16-bit Windows LANGIDs: the primary language in the low
// 10 bits, the sublanguage in the high 6 bits.
#pragma once

#include <cstdint>

using LangId = std::uint16_t;

inline constexpr LangId kLangEnglishUs = 0x0409;

inline constexpr std::uint16_t PrimaryLanguage(LangId language) {
  return language & 0x3FF;
}

inline constexpr std::uint16_t SubLanguage(LangId language) {
  return language >> 10;
}
