// The figures on screen: megabytes in the user's number format for the size figures, and plain
// unsigned decimal for Windows error codes. UI thread; no state is kept between calls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/locale_api.h"

// `bytes` in megabytes (2^20 bytes) with exactly one decimal, correctly rounded from the exact
// value of the double bytes * 2^-20 (ties to the even digit), written with the decimal and
// thousands separators of the user's default locale ("1,024.0", "1.024,0"). When the platform
// cannot format the number, the invariant text ("1024.0") is returned: every call gives a figure.
std::u16string FormatMegabytes(const LocaleApi& locale, std::uint64_t bytes);

// `value` in unsigned decimal: no sign, no separator, no leading zero.
std::u16string FormatDecimal(std::uint32_t value);
