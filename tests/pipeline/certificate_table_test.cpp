// The certificate-table rule over crafted PE32 and PE32+ images and over real signed files. A
// crafted image is well formed unless a case breaks exactly one thing in it, so each refusal
// shows the one check that makes it.
#include "pipeline/certificate_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <ostream>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "tests/pipeline/memory_file.h"
#include "tests/pipeline/pe_image.h"

namespace {

struct Outcome {
  bool accepted = false;
  MemoryFile file;
};

Outcome Check(std::span<const std::uint8_t> bytes, std::uint64_t fileSize,
              std::uint64_t failingRead = std::numeric_limits<std::uint64_t>::max()) {
  Outcome outcome{false, MemoryFile(bytes, fileSize)};
  outcome.file.failingRead = failingRead;
  outcome.accepted = HasStrictCertificateTable(outcome.file, fileSize);
  return outcome;
}

Outcome Check(std::span<const std::uint8_t> bytes) {
  return Check(bytes, bytes.size());
}

// The parser reads headers and a few bytes of the table, never the blob: bounded by the DOS
// header, the PE headers, the directory fields, the entry's header, the DER header and padding.
constexpr std::uint64_t kMostBytesRead = 64 + 24 + 2 + 4 + 8 + 8 + 6 + 7;

std::string KindName(PeKind kind) {
  return kind == PeKind::Pe32Plus ? "Pe32Plus" : "Pe32";
}

}  // namespace

// Beside PeKind (tests/pipeline/pe_image.h), where GoogleTest looks for it.
void PrintTo(PeKind kind, std::ostream* os) {
  *os << KindName(kind);
}

namespace {

// ---- Well-formed tables -------------------------------------------------------------------

struct AcceptedCase {
  std::string name;
  Layout layout;
  std::function<void(Image&)> edit;  // a change that keeps the image well formed
};

std::vector<AcceptedCase> AcceptedCases() {
  return {
      {"PaddedLength", {}, nullptr},
      {"UnpaddedLength", {.lengthCountsPadding = false}, nullptr},
      {"NoPaddingNeeded", {.blobContent = 1020}, nullptr},
      {"ShortFormLength", {.blobContent = 0x10}, nullptr},
      {"LongestShortForm", {.blobContent = 0x7F, .lengthCountsPadding = false}, nullptr},
      {"OneLengthByte", {.blobContent = 0x80}, nullptr},
      {"LongestOneLengthByte", {.blobContent = 0xFF, .lengthCountsPadding = false}, nullptr},
      {"TwoLengthBytes", {.blobContent = 0x100}, nullptr},
      {"ThreeLengthBytes", {.blobContent = 0x10000, .lengthCountsPadding = false}, nullptr},
      {"FourLengthBytes", {.blobContent = 0x1000000}, nullptr},
      {"TableAfterAGap", {.gapBeforeTable = 8}, nullptr},
      {"FiveDirectories", {}, [](Image& i) { i.Put32(i.RvaCountField(), 5); }},
      {"OptionalHeaderEndsWithTheDirectory",
       {},
       [](Image& i) { i.Put16(kSizeOfOptionalHeaderField, i.OptionalHeaderHoldingDirectory()); }},
      {"TableRightAfterTheOptionalHeader",
       {},
       [](Image& i) {
         i.Put16(kSizeOfOptionalHeaderField, static_cast<std::uint16_t>(i.table - kOptional));
       }},
  };
}

void PrintTo(const AcceptedCase& c, std::ostream* os) {
  *os << c.name;
}

using AcceptedParam = std::tuple<PeKind, AcceptedCase>;

Image Build(const AcceptedParam& param) {
  const auto& [kind, c] = param;
  Image image(kind, c.layout);
  if (c.edit) {
    c.edit(image);
  }
  return image;
}

struct AcceptedTable : ::testing::TestWithParam<AcceptedParam> {};

TEST_P(AcceptedTable, IsAcceptedFromAFewHeaderBytes) {
  const Image image = Build(GetParam());
  const Outcome outcome = Check(image.bytes);
  EXPECT_TRUE(outcome.accepted);
  EXPECT_FALSE(outcome.file.readOutside);
  EXPECT_LE(outcome.file.bytesRead, kMostBytesRead);
  EXPECT_LE(outcome.file.largestRead, 64u);
}

// Any cut removes the table's end from where the directory says it is. The 16 MiB blob is cut
// only near its start and end: its middle is never read.
TEST_P(AcceptedTable, EveryShorterCutIsRefusedWithoutReadingPastIt) {
  const Image image = Build(GetParam());
  const std::size_t size = image.bytes.size();
  const std::size_t skipFrom = std::min(size, image.table + 0x10000);
  const std::size_t skipTo = std::max(skipFrom, size - std::min<std::size_t>(size, 0x10000));
  for (std::size_t length = 0; length < size;
       length = length + 1 == skipFrom ? skipTo : length + 1) {
    const Outcome outcome = Check(std::span(image.bytes).first(length));
    EXPECT_FALSE(outcome.accepted) << "cut to " << length;
    // The whole image stays readable, but the parser was told the shorter size.
    const Outcome told = Check(image.bytes, length);
    EXPECT_FALSE(told.accepted) << "told " << length;
    EXPECT_FALSE(told.file.readOutside) << "told " << length;
  }
}

// Each read the parser makes is needed: if any one fails, the file is refused.
TEST_P(AcceptedTable, AnyFailedReadRefuses) {
  const Image image = Build(GetParam());
  const Outcome whole = Check(image.bytes);
  ASSERT_TRUE(whole.accepted);
  ASSERT_GT(whole.file.reads, 0u);
  for (std::uint64_t read = 0; read < whole.file.reads; ++read) {
    EXPECT_FALSE(Check(image.bytes, image.bytes.size(), read).accepted) << "read " << read;
  }
}

// The size the parser is told must match the table's end in all 64 bits.
TEST_P(AcceptedTable, AFileSizeBeyondTheTableIsRefused) {
  const Image image = Build(GetParam());
  const std::uint64_t size = image.bytes.size();
  for (const std::uint64_t told :
       {size + 8, size + (std::uint64_t{1} << 32), std::numeric_limits<std::uint64_t>::max()}) {
    const Outcome outcome = Check(image.bytes, told);
    EXPECT_FALSE(outcome.accepted) << told;
    EXPECT_FALSE(outcome.file.readOutside) << told;
  }
}

INSTANTIATE_TEST_SUITE_P(Images, AcceptedTable,
                         ::testing::Combine(::testing::Values(PeKind::Pe32, PeKind::Pe32Plus),
                                            ::testing::ValuesIn(AcceptedCases())),
                         [](const ::testing::TestParamInfo<AcceptedParam>& info) {
                           return KindName(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param).name;
                         });

// ---- Refused tables -----------------------------------------------------------------------

struct RefusedCase {
  std::string name;
  Layout layout;
  std::function<void(Image&)> edit;  // the one fault; none when the layout is the fault
};

// Replaces the SEQUENCE's DER header (tag and length, `head` bytes in the default layout's
// place) without moving anything else.
void PutDerHeader(Image& i, std::initializer_list<std::uint8_t> head) {
  std::copy(head.begin(), head.end(), i.bytes.begin() + static_cast<std::ptrdiff_t>(i.table + 8));
}

std::vector<RefusedCase> RefusedCases() {
  return {
      // The DOS and PE headers.
      {"NotMz", {}, [](Image& i) { i.bytes[0] = 'Z'; }},
      {"LfanewAtTheEnd",
       {},
       [](Image& i) { i.Put32(0x3C, static_cast<std::uint32_t>(i.bytes.size())); }},
      {"LfanewWrapsToTheStart", {}, [](Image& i) { i.Put32(0x3C, 0xFFFFFFFF); }},
      {"CoffHeaderPastTheEnd",
       {},
       [](Image& i) {
         const auto at = static_cast<std::uint32_t>(i.bytes.size() - 20);
         i.Put32(0x3C, at);
         i.Put32(at, 0x00004550);
       }},
      {"NotMzSecondByte", {}, [](Image& i) { i.bytes[1] = 'X'; }},
      {"NotPe", {}, [](Image& i) { i.bytes[kPeHeader] = 'N'; }},
      {"NotPeSecondByte", {}, [](Image& i) { i.bytes[kPeHeader + 1] = 'F'; }},
      {"PeSignatureThirdByte", {}, [](Image& i) { i.bytes[kPeHeader + 2] = 1; }},
      {"PeSignatureFourthByte", {}, [](Image& i) { i.bytes[kPeHeader + 3] = 1; }},
      {"RomMagic", {}, [](Image& i) { i.Put16(kOptional, 0x107); }},
      {"NoMagic", {}, [](Image& i) { i.Put16(kOptional, 0); }},
      {"NoOptionalHeader", {}, [](Image& i) { i.Put16(kSizeOfOptionalHeaderField, 0); }},
      {"OptionalHeaderOfMagicOnly", {}, [](Image& i) { i.Put16(kSizeOfOptionalHeaderField, 2); }},
      {"DirectoryOneByteOutsideOptionalHeader",
       {},
       [](Image& i) {
         i.Put16(kSizeOfOptionalHeaderField,
                 static_cast<std::uint16_t>(i.OptionalHeaderHoldingDirectory() - 1));
       }},
      {"FourDirectories", {}, [](Image& i) { i.Put32(i.RvaCountField(), 4); }},
      {"NoDirectories", {}, [](Image& i) { i.Put32(i.RvaCountField(), 0); }},
      {"TableInsideOptionalHeader",
       {},
       [](Image& i) {
         i.Put16(kSizeOfOptionalHeaderField, static_cast<std::uint16_t>(i.table - kOptional + 8));
       }},
      // The security directory.
      {"Unsigned", {}, [](Image& i) { i.SetDirectory(0, 0); }},
      {"EmptyTable", {}, [](Image& i) { i.SetDirectory(static_cast<std::uint32_t>(i.table), 0); }},
      {"TableNotAligned", {.gapBeforeTable = 4}, nullptr},
      {"TableAtTheFileStart",
       {},
       [](Image& i) { i.SetDirectory(0, static_cast<std::uint32_t>(i.bytes.size())); }},
      {"DataAfterTheTable", {}, [](Image& i) { i.Append(8, 0, false, false); }},
      {"OneByteAfterTheTable", {}, [](Image& i) { i.Append(1, 0, false, false); }},
      {"TableStartsPastItsPlace",
       {},
       [](Image& i) { i.SetDirectory(static_cast<std::uint32_t>(i.table + 8), i.TableSize()); }},
      {"TableEndsPastTheFile",
       {},
       [](Image& i) { i.Put32(i.SecurityEntry() + 4, i.TableSize() + 8); }},
      {"TableStartsAtTheEnd",
       {},
       [](Image& i) { i.SetDirectory(static_cast<std::uint32_t>(i.bytes.size()), 8); }},
      // 0xFFFFFF00 + size wraps in 32 bits to exactly the file's size.
      {"OffsetAndSizeWrap32Bits",
       {},
       [](Image& i) {
         i.SetDirectory(0xFFFFFF00, static_cast<std::uint32_t>(i.bytes.size() + 0x100));
       }},
      {"OffsetAndSizeBothMaximal", {}, [](Image& i) { i.SetDirectory(0xFFFFFFF8, 0xFFFFFFFF); }},
      // The WIN_CERTIFICATE header.
      {"RevisionOne", {}, [](Image& i) { i.Put16(i.table + 4, 0x0100); }},
      {"RevisionByteSwapped", {}, [](Image& i) { i.Put16(i.table + 4, 0x0002); }},
      {"X509Type", {}, [](Image& i) { i.Put16(i.table + 6, 0x0001); }},
      {"TypeByteSwapped", {}, [](Image& i) { i.Put16(i.table + 6, 0x0200); }},
      {"EntryLengthZero", {}, [](Image& i) { i.Put32(i.table, 0); }},
      {"EntryLengthSeven", {}, [](Image& i) { i.Put32(i.table, 7); }},
      {"EntryOfHeaderOnly", {}, [](Image& i) { i.Put32(i.table, 8); }},
      {"EntryEndsInsideDerTag", {}, [](Image& i) { i.Put32(i.table, 9); }},
      {"EntryEndsInsideDerLength", {}, [](Image& i) { i.Put32(i.table, 11); }},
      {"EntryEndsBeforeTheBlob", {}, [](Image& i) { i.Put32(i.table, i.BlobLengthInTable() - 1); }},
      {"EntryLongerThanTable", {}, [](Image& i) { i.Put32(i.table, i.TableSize() + 1); }},
      {"EntryLengthMaximal", {}, [](Image& i) { i.Put32(i.table, 0xFFFFFFFF); }},
      // After the blob: padding, appended bytes and second entries.
      {"NonZeroLastPaddingByte", {}, [](Image& i) { i.bytes.back() = 1; }},
      {"NonZeroFirstPaddingByte", {}, [](Image& i) { i.bytes[i.blobEnd] = 0x80; }},
      {"NonZeroPaddingOutsideEntry",
       {.lengthCountsPadding = false},
       [](Image& i) { i.bytes.back() = 0xFF; }},
      {"ZerosAfterThePadding", {}, [](Image& i) { i.Append(64, 0, true, true); }},
      {"DataAfterThePadding", {}, [](Image& i) { i.Append(64, 0x41, true, true); }},
      {"DataOutsideTheEntry", {}, [](Image& i) { i.Append(64, 0x41, false, true); }},
      {"AnotherAlignmentOfZeros",
       {.lengthCountsPadding = false},
       [](Image& i) { i.Append(8, 0, false, true); }},
      {"TableNotRoundedUp",
       {},
       [](Image& i) {
         i.bytes.resize(i.blobEnd);
         i.Put32(i.table, i.BlobLengthInTable());
         i.Put32(i.SecurityEntry() + 4, i.BlobLengthInTable());
       }},
      {"TwoEntries",
       {},
       [](Image& i) {
         const std::vector<std::uint8_t> entry(
             i.bytes.begin() + static_cast<std::ptrdiff_t>(i.table), i.bytes.end());
         i.bytes.insert(i.bytes.end(), entry.begin(), entry.end());
         i.Put32(i.SecurityEntry() + 4, i.TableSize() * 2);
       }},
      // The blob's DER header (the default blob's is 30 82 03 FD).
      {"NotASequence", {}, [](Image& i) { PutDerHeader(i, {0x31}); }},
      {"SequenceWithoutConstructedBit", {}, [](Image& i) { PutDerHeader(i, {0x10}); }},
      {"IndefiniteLength",
       {},
       [](Image& i) {
         PutDerHeader(i, {0x30, 0x80});
       }},
      {"FiveLengthBytes",
       {},
       [](Image& i) {
         PutDerHeader(i, {0x30, 0x85});
       }},
      {"ReservedLengthForm",
       {},
       [](Image& i) {
         PutDerHeader(i, {0x30, 0xFF});
       }},
      {"LengthMaximal",
       {},
       [](Image& i) {
         PutDerHeader(i, {0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF});
       }},
      {"LengthOnePastTheEntry",
       {.lengthCountsPadding = false},
       [](Image& i) {
         PutDerHeader(i, {0x30, 0x82, 0x03, 0xFE});
       }},
      {"LengthPastTheTable",
       {},
       [](Image& i) {
         PutDerHeader(i, {0x30, 0x82, 0x04, 0x05});
       }},
      {"LengthShortOfTheTable",
       {},
       [](Image& i) {
         PutDerHeader(i, {0x30, 0x82, 0x03, 0xF5});
       }},
      {"LongFormForAShortLength", {.blobContent = 0x10, .lengthBytes = 1}, nullptr},
      {"LongFormForTheLongestShortLength", {.blobContent = 0x7F, .lengthBytes = 1}, nullptr},
      {"LeadingZeroLengthByte", {.blobContent = 0x100, .lengthBytes = 3}, nullptr},
      {"FourLengthBytesForTwo", {.blobContent = 1021, .lengthBytes = 4}, nullptr},
  };
}

void PrintTo(const RefusedCase& c, std::ostream* os) {
  *os << c.name;
}

using RefusedParam = std::tuple<PeKind, RefusedCase>;

struct RefusedTable : ::testing::TestWithParam<RefusedParam> {};

TEST_P(RefusedTable, IsRefusedWithoutReadingOutsideTheFile) {
  const auto& [kind, c] = GetParam();
  Image image(kind, c.layout);
  if (c.edit) {
    c.edit(image);
  }
  const Outcome outcome = Check(image.bytes);
  EXPECT_FALSE(outcome.accepted);
  EXPECT_FALSE(outcome.file.readOutside);
  EXPECT_LE(outcome.file.bytesRead, kMostBytesRead);
}

INSTANTIATE_TEST_SUITE_P(Images, RefusedTable,
                         ::testing::Combine(::testing::Values(PeKind::Pe32, PeKind::Pe32Plus),
                                            ::testing::ValuesIn(RefusedCases())),
                         [](const ::testing::TestParamInfo<RefusedParam>& info) {
                           return KindName(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param).name;
                         });

// A refusal case is only worth its name if the unbroken image passes: the builder's images are
// checked on their own, with the same layouts the refusal cases start from.
TEST(CertificateTableBuilder, RefusalLayoutsAreAcceptedBeforeTheirFault) {
  for (const PeKind kind : {PeKind::Pe32, PeKind::Pe32Plus}) {
    for (const RefusedCase& c : RefusedCases()) {
      if (c.edit) {
        EXPECT_TRUE(Check(Image(kind, c.layout).bytes).accepted) << KindName(kind) << " " << c.name;
      }
    }
  }
}

// ---- Real signed files --------------------------------------------------------------------

// Signed by osslsigncode with a throwaway test CA (tools/test-signing.sh), PE32 and PE32+.
std::vector<std::uint8_t> ReadFixture(const std::string& name) {
  std::ifstream in(std::string(VORNE_CERTIFICATE_TABLE_FUZZ_DIR) + "/seeds/" + name,
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct SignedFile : ::testing::TestWithParam<std::string> {
  void SetUp() override {
    bytes = ReadFixture(GetParam());
    ASSERT_GT(bytes.size(), 0u) << GetParam();
    const std::uint32_t peHeader = bytes[0x3C] | (bytes[0x3D] << 8);
    const std::size_t optional = peHeader + 24;
    const bool plus = bytes.at(optional) == 0x0B && bytes.at(optional + 1) == 0x02;
    securityEntry = optional + (plus ? 112 : 96) + 32;
    table = Get32(securityEntry);
  }
  std::uint32_t Get32(std::size_t at) const {
    return bytes.at(at) | (bytes.at(at + 1) << 8) | (bytes.at(at + 2) << 16) |
           (static_cast<std::uint32_t>(bytes.at(at + 3)) << 24);
  }
  void Add32(std::size_t at, std::uint32_t add) {
    const std::uint32_t v = Get32(at) + add;
    for (int b = 0; b < 4; ++b) {
      bytes.at(at + b) = static_cast<std::uint8_t>(v >> (8 * b));
    }
  }

  std::vector<std::uint8_t> bytes;
  std::size_t securityEntry = 0;
  std::uint32_t table = 0;
};

TEST_P(SignedFile, IsAccepted) {
  const Outcome outcome = Check(bytes);
  EXPECT_TRUE(outcome.accepted);
  EXPECT_LE(outcome.file.bytesRead, kMostBytesRead);
}

// What the trust check lets through: bytes appended inside the table, its lengths grown to match.
TEST_P(SignedFile, AppendedBytesCoveredByTheTableAreRefused) {
  bytes.insert(bytes.end(), 64, 0);
  Add32(table, 64);
  Add32(securityEntry + 4, 64);
  EXPECT_FALSE(Check(bytes).accepted);
}

TEST_P(SignedFile, AppendedBytesAfterTheTableAreRefused) {
  bytes.insert(bytes.end(), 8, 0);
  EXPECT_FALSE(Check(bytes).accepted);
}

INSTANTIATE_TEST_SUITE_P(Osslsigncode, SignedFile,
                         ::testing::Values("pe32-osslsigncode.exe", "pe32plus-osslsigncode.exe"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param.substr(0, info.param.find('-'));
                         });

}  // namespace
