#include "pipeline/argument_tail.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TailCase {
  const char* name;
  std::u16string commandLine;
  std::u16string tail;
};

void PrintTo(const TailCase& c, std::ostream* os) {
  *os << c.name;
}

class ArgumentTailTest : public ::testing::TestWithParam<TailCase> {};

TEST_P(ArgumentTailTest, TailIsEverythingAfterTheProgramToken) {
  EXPECT_EQ(GetArgumentTail(GetParam().commandLine), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ArgumentTailTest,
    ::testing::Values(
        TailCase{"QuotedPathOnly", u"\"C:\\Program Files\\Setup.exe\"", u""},
        TailCase{"QuotedPathTwoBlanksThenSwitch", u"\"C:\\Setup.exe\"  /S", u" /S"},
        TailCase{"QuotedPathDirectlyFollowedBySwitch", u"\"C:\\Setup.exe\"/quiet", u" /quiet"},
        TailCase{"UnquotedNameTabThenSwitch", u"Setup.exe\t-x", u" -x"},
        TailCase{"UnquotedNameFollowedOnlyByBlanks", u"Setup.exe   ", u""},
        TailCase{"QuoteWithoutClosingQuote", u"\"C:\\Program Files\\Setup.exe /S", u""},
        TailCase{"LeadingBlankEndsTheProgramTokenAtOnce", u" Setup.exe /S", u" Setup.exe /S"},
        TailCase{"LeadingTabEndsTheProgramTokenAtOnce", u"\tSetup.exe", u" Setup.exe"},
        TailCase{"EmptyLine", u"", u""},
        TailCase{"QuotesAndBackslashesInTheRestPassUnchanged",
                 u"\"C:\\Setup.exe\" /D=\"C:\\Program Files\\VORNE\" a\\\"b\t \"x y\"",
                 u" /D=\"C:\\Program Files\\VORNE\" a\\\"b\t \"x y\""},
        TailCase{"TrailingBlanksOfTheRestAreKept", u"Setup.exe /S  \t", u" /S  \t"},
        TailCase{"OnlyBlankAndTabSeparate", u"Setup.exe\u3000/S\n/T", u""},
        TailCase{"TheLineEndsAtItsFirstNul", std::u16string(u"Setup.exe /S\0/hidden", 20), u" /S"},
        TailCase{"EmptyQuotedProgramName", u"\"\" /S", u" /S"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
