#include "pipeline/content_length.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(ContentLengthTest, DigitsGiveTheirNumber) {
  const struct {
    std::u16string text;
    std::uint64_t value;
  } cases[] = {
      {u"0", 0},
      {u"1", 1},
      {u"65536", 65536},
      {u"1073741824", 1073741824},
      {u"1073741825", 1073741825},
      {u"000042", 42},
      {u"18446744073709551615", 18446744073709551615ull},
  };
  for (const auto& c : cases) {
    std::uint64_t value = 7;
    EXPECT_TRUE(ParseContentLength(c.text, value)) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(value, c.value);
  }
}

TEST(ContentLengthTest, AnythingButDigitsIsRefusedAndLeavesTheValue) {
  const std::u16string refused[] = {
      u"",
      u"+5",
      u"-5",
      u" 5",
      u"5 ",
      u"5\t",
      u"1,024",
      u"1.5",
      u"0x10",
      u"5a",
      u"\u0665",                 // an Arabic-Indic digit five
      u"\uFF15",                 // a full-width digit five
      u"18446744073709551616",   // 2^64: one more than fits
      u"99999999999999999999",   // far beyond
      u"184467440737095516150",  // the largest value times ten
  };
  for (const auto& text : refused) {
    std::uint64_t value = 7;
    EXPECT_FALSE(ParseContentLength(text, value)) << std::string(text.begin(), text.end());
    EXPECT_EQ(value, 7u);
  }
}

}  // namespace
