// Size figures and error codes as text.
#include "l10n/number_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "tests/fakes/table_locale_api.h"

namespace {

std::string Narrow(const std::u16string& text) {
  return std::string(text.begin(), text.end());  // digits and separators only
}

TEST(FormatMegabytes, EnglishUnitedStatesSettings) {
  TableLocaleApi locale;
  const struct {
    std::uint64_t bytes;
    const char* expected;
  } cases[] = {
      {0, "0.0"},
      {1, "0.0"},
      {52428, "0.0"},    // 0.049999...
      {52429, "0.1"},    // 0.050000...
      {262144, "0.2"},   // exactly 0.25: tie to even
      {786432, "0.8"},   // exactly 0.75: tie to even
      {1310720, "1.2"},  // exactly 1.25
      {1835008, "1.8"},  // exactly 1.75
      {1048576, "1.0"},
      {1572864, "1.5"},
      {52428800, "50.0"},
      {1048523162, "999.9"},  // 999.9496...: no separator below 1,000
      {1048523163, "999.9"},
      {1048523571, "999.9"},    // 999.94999...
      {1048523572, "1,000.0"},  // 999.95000...: rounds up into the thousands
      {1073741824, "1,024.0"},
      {1048576000, "1,000.0"},
      // Above 2^53 the count itself is rounded to a double first: 2^53 + 262145 becomes
      // 2^53 + 262144, exactly 8589934592.25 MB, a tie that goes to the even digit.
      {9007199255003137ull, "8,589,934,592.2"},
      {9007199255003139ull, "8,589,934,592.3"},
      {std::numeric_limits<std::uint64_t>::max(), "17,592,186,044,416.0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Narrow(FormatMegabytes(locale, c.bytes)), c.expected) << c.bytes;
  }
}

TEST(FormatMegabytes, GermanGermanySettings) {
  TableLocaleApi locale;
  locale.SetUserLocale(TableLocaleApi::UserLocale::kGermanGermany);
  const struct {
    std::uint64_t bytes;
    const char* expected;
  } cases[] = {
      {0, "0,0"},
      {262144, "0,2"},
      {1572864, "1,5"},
      {1048523162, "999,9"},
      {1073741824, "1.024,0"},
      {std::numeric_limits<std::uint64_t>::max(), "17.592.186.044.416,0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Narrow(FormatMegabytes(locale, c.bytes)), c.expected) << c.bytes;
  }
}

TEST(FormatMegabytes, AsksForTheUserDefaultSeparatorsAndTheFixedFormat) {
  TableLocaleApi locale;
  locale.SetUserLocale(TableLocaleApi::UserLocale::kGermanGermany);
  EXPECT_EQ(Narrow(FormatMegabytes(locale, 1073741824)), "1.024,0");

  const auto& queries = locale.LocaleInfoCalls();
  ASSERT_EQ(queries.size(), 2u);
  EXPECT_TRUE(queries[0].nullLocale);
  EXPECT_EQ(queries[0].lcType, kLocaleSDecimal);
  EXPECT_EQ(queries[0].dataLength, 8);
  EXPECT_EQ(Narrow(queries[0].bufferOnEntry), ".");
  EXPECT_TRUE(queries[1].nullLocale);
  EXPECT_EQ(queries[1].lcType, kLocaleSThousand);
  EXPECT_EQ(queries[1].dataLength, 8);
  EXPECT_EQ(Narrow(queries[1].bufferOnEntry), ",");

  const auto& call = locale.LastNumberCall();
  ASSERT_TRUE(call.made);
  EXPECT_TRUE(call.nullLocale);
  EXPECT_EQ(call.flags, 0u);
  EXPECT_EQ(Narrow(call.value), "1024.0");
  EXPECT_EQ(call.format.NumDigits, 1u);
  EXPECT_EQ(call.format.LeadingZero, 1u);
  EXPECT_EQ(call.format.Grouping, 3u);
  EXPECT_EQ(call.format.NegativeOrder, 1u);
  EXPECT_EQ(Narrow(call.decimalSep), ",");
  EXPECT_EQ(Narrow(call.thousandSep), ".");
  EXPECT_EQ(call.numberLength, 64);
}

TEST(FormatMegabytes, FailedSeparatorQueriesKeepPointAndComma) {
  TableLocaleApi locale;
  locale.SetUserLocale(TableLocaleApi::UserLocale::kGermanGermany);
  locale.FailLocaleInfo();
  EXPECT_EQ(Narrow(FormatMegabytes(locale, 1073741824)), "1,024.0");
  EXPECT_EQ(Narrow(FormatMegabytes(locale, 1572864)), "1.5");
}

TEST(FormatMegabytes, FailedFormattingFallsBackToTheInvariantText) {
  TableLocaleApi locale;
  locale.SetUserLocale(TableLocaleApi::UserLocale::kGermanGermany);
  locale.FailNumberFormat();
  EXPECT_EQ(Narrow(FormatMegabytes(locale, 1073741824)), "1024.0");
  EXPECT_EQ(Narrow(FormatMegabytes(locale, 262144)), "0.2");
  EXPECT_EQ(Narrow(FormatMegabytes(locale, std::numeric_limits<std::uint64_t>::max())),
            "17592186044416.0");
}

// The invariant text against the C library's own "%.1f" of the same double, which on this
// platform is correctly rounded from the double's exact value, ties to even.
TEST(FormatMegabytes, InvariantTextIsCorrectlyRoundedFromTheDouble) {
  TableLocaleApi locale;
  locale.FailNumberFormat();
  std::mt19937_64 random(42);
  auto check = [&](std::uint64_t bytes) {
    char expected[40];
    std::snprintf(expected, sizeof expected, "%.1f", static_cast<double>(bytes) * 0x1p-20);
    ASSERT_EQ(Narrow(FormatMegabytes(locale, bytes)), expected) << bytes;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::uint64_t r = random();
    check(r);                             // anywhere, mostly above 2^53
    check(r >> (r % 64));                 // every magnitude
    check(r % (std::uint64_t{1} << 31));  // the sizes that occur
    const std::uint64_t tie = (r % (std::uint64_t{1} << 30)) | (std::uint64_t{1} << 18);
    check(tie & ~((std::uint64_t{1} << 18) - 1));  // exact quarter megabytes: ties and not
    check((tie & ~((std::uint64_t{1} << 18) - 1)) + 1);
    check((tie & ~((std::uint64_t{1} << 18) - 1)) - 1);
  }
}

TEST(FormatDecimal, EdgeCases) {
  const struct {
    std::uint32_t value;
    const char* expected;
  } cases[] = {
      {0, "0"},
      {7, "7"},
      {9, "9"},
      {10, "10"},
      {99, "99"},
      {100, "100"},
      {101, "101"},
      {1000, "1000"},
      {1603, "1603"},
      {1602, "1602"},
      {12152, "12152"},
      {2147483647, "2147483647"},
      {2148204800u, "2148204800"},  // 0x800B0100, a trust failure: never negative
      {4294967295u, "4294967295"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Narrow(FormatDecimal(c.value)), c.expected);
  }
}

TEST(FormatDecimal, AgreesWithToStringEverywhere) {
  std::mt19937 random(3);
  for (int round = 0; round < 20000; ++round) {
    const std::uint32_t value = static_cast<std::uint32_t>(random()) >> (random() % 32);
    ASSERT_EQ(Narrow(FormatDecimal(value)), std::to_string(value));
  }
}

}  // namespace
