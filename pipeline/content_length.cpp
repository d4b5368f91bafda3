#include "pipeline/content_length.h"

#include <limits>

bool ParseContentLength(std::u16string_view text, std::uint64_t& value) {
  if (text.empty()) {
    return false;
  }
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t result = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') {
      return false;
    }
    const std::uint64_t digit = static_cast<std::uint64_t>(c - u'0');
    if (result > (kMax - digit) / 10) {
      return false;
    }
    result = result * 10 + digit;
  }
  value = result;
  return true;
}
