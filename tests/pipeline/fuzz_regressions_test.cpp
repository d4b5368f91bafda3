// Every input the certificate-table fuzzer kept, run through the parser here so that the native,
// ASan/UBSan and TSan trees repeat them on every test run. A file's name says what the parser
// must answer: "accepted-…" or "refused-…" (a crash found by the fuzzer is renamed so once it
// is fixed).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pipeline/certificate_table.h"
#include "tests/pipeline/memory_file.h"

namespace {

namespace fs = std::filesystem;

TEST(CertificateTableFuzzRegressions, EveryKeptInputGetsItsAnswer) {
  const fs::path folder = fs::path(VORNE_CERTIFICATE_TABLE_FUZZ_DIR) / "regressions";
  ASSERT_TRUE(fs::is_directory(folder)) << folder;
  std::vector<fs::path> inputs;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      inputs.push_back(entry.path());
    }
  }
  ASSERT_FALSE(inputs.empty()) << folder;

  for (const fs::path& input : inputs) {
    const std::string name = input.filename().string();
    const bool accepted = name.starts_with("accepted-");
    ASSERT_TRUE(accepted || name.starts_with("refused-")) << name;
    std::ifstream in(input, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), fs::file_size(input)) << name;

    MemoryFile file(bytes, bytes.size());
    EXPECT_EQ(HasStrictCertificateTable(file, bytes.size()), accepted) << name;
    EXPECT_FALSE(file.readOutside) << name;
    // Each read must count: failing any one of them may never turn a refusal into acceptance,
    // nor leave an acceptance standing.
    for (std::uint64_t read = 0; read < file.reads; ++read) {
      MemoryFile failing(bytes, bytes.size());
      failing.failingRead = read;
      EXPECT_FALSE(HasStrictCertificateTable(failing, bytes.size())) << name << " read " << read;
    }
  }
}

}  // namespace
