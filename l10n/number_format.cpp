#include "l10n/number_format.h"

#include <bit>
#include <cstddef>

namespace {

// Working buffers, in UTF-16 units.
constexpr int kInvariantLength = 32;
constexpr int kSeparatorLength = 8;
constexpr int kResultLength = 64;

// Entry n holds the two decimal digits of n, tens digit first.
constexpr char16_t kDigitPairs[] =
    u"00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    u"40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    u"8081828384858687888990919293949596979899";

// Writes the decimal digits of `value` so that they end just before `end`; returns where they
// start.
char16_t* WriteDigitsBackwards(std::uint64_t value, char16_t* end) {
  char16_t* p = end;
  while (value >= 10) {
    const std::size_t pair = 2 * static_cast<std::size_t>(value % 100);
    *--p = kDigitPairs[pair + 1];
    *--p = kDigitPairs[pair];
    value /= 100;
  }
  if (value != 0 || p == end) {
    *--p = static_cast<char16_t>(u'0' + value);
  }
  return p;
}

// round(value * 10), ties to even, computed from the exact binary value of `value` rather than by
// the C runtime, whose "%.1f" rounds differently from one CRT to the next. `value` is finite and
// between 0 and 2^44, the range of a 64-bit byte count in megabytes, so value * 10 fits easily.
std::uint64_t RoundToTenths(double value) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const int biasedExponent = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  // value = mantissa * 2^exponent exactly.
  const std::uint64_t mantissa =
      biasedExponent == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int exponent = (biasedExponent == 0 ? 1 : biasedExponent) - 1075;
  const std::uint64_t tens = mantissa * 10;  // below 2^57
  if (exponent >= 0) {
    return tens << exponent;
  }
  const int shift = -exponent;
  if (shift >= 58) {
    return 0;  // tens < 2^57 <= half of 2^shift: rounds down to 0.
  }
  const std::uint64_t quotient = tens >> shift;
  const std::uint64_t remainder = tens & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  if (remainder > half || (remainder == half && (quotient & 1) != 0)) {
    return quotient + 1;
  }
  return quotient;
}

}  // namespace

std::u16string FormatMegabytes(const LocaleApi& locale, std::uint64_t bytes) {
  // Multiplying by 2^-20 is exact, so the only rounding is the conversion of counts above 2^53.
  const double megabytes = static_cast<double>(bytes) * 0x1p-20;

  // The invariant text, as "%.1f" in the C locale writes it.
  char16_t invariant[kInvariantLength] = {};
  const std::uint64_t tenths = RoundToTenths(megabytes);
  char16_t* const end = invariant + kInvariantLength - 1;
  char16_t* start = end;
  *--start = static_cast<char16_t>(u'0' + tenths % 10);
  *--start = u'.';
  start = WriteDigitsBackwards(tenths / 10, start);
  const std::u16string invariantText(start, end);

  char16_t decimalSep[kSeparatorLength] = u".";
  char16_t thousandSep[kSeparatorLength] = u",";
  locale.GetLocaleInfoEx(nullptr, kLocaleSDecimal, decimalSep, kSeparatorLength);
  locale.GetLocaleInfoEx(nullptr, kLocaleSThousand, thousandSep, kSeparatorLength);
  // A failed query may leave anything behind; the formatter must still find an end.
  decimalSep[kSeparatorLength - 1] = u'\0';
  thousandSep[kSeparatorLength - 1] = u'\0';

  NumberFormat format;
  format.NumDigits = 1;
  format.LeadingZero = 1;
  format.Grouping = 3;
  format.lpDecimalSep = decimalSep;
  format.lpThousandSep = thousandSep;
  format.NegativeOrder = 1;

  char16_t result[kResultLength] = {};
  if (locale.GetNumberFormatEx(nullptr, 0, invariantText.c_str(), format, result, kResultLength) ==
      0) {
    return invariantText;
  }
  result[kResultLength - 1] = u'\0';
  return std::u16string(result);
}

std::u16string FormatDecimal(std::uint32_t value) {
  char16_t buffer[10];  // 4294967295 has ten digits
  char16_t* const end = buffer + 10;
  return std::u16string(WriteDigitsBackwards(value, end), end);
}
