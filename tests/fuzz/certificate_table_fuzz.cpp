// libFuzzer target for the certificate-table parser. The input is the whole file. Besides the
// sanitizers' findings, it stops on any difference from a second, plainer reading of the same
// rule over the whole buffer, on any read outside the file, on a read of the blob itself, and
// on an acceptance that survives one of its reads failing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "pipeline/certificate_table.h"
#include "tests/pipeline/memory_file.h"

namespace {

// The rule again, with the whole file in memory: little-endian fields by absolute offset, every
// bound one comparison against the buffer's size.
class Reference {
 public:
  explicit Reference(std::span<const std::uint8_t> file) : file_(file) {}

  bool Accepts() const {
    const std::uint64_t size = file_.size();
    if (size < 64 || U16(0) != 0x5A4D) {
      return false;
    }
    const std::uint64_t pe = U32(0x3C);
    if (!Has(pe, 24) || U32(pe) != 0x00004550) {
      return false;
    }
    const std::uint64_t optionalSize = U16(pe + 20);
    const std::uint64_t optional = pe + 24;
    if (optionalSize < 2 || !Has(optional, 2)) {
      return false;
    }
    const bool plus = U16(optional) == 0x20B;
    if (!plus && U16(optional) != 0x10B) {
      return false;
    }
    const std::uint64_t count = optional + (plus ? 108 : 92);
    const std::uint64_t entry = optional + (plus ? 112 : 96) + 32;
    if (entry + 8 > optional + optionalSize || !Has(entry, 8) || U32(count) < 5) {
      return false;
    }
    const std::uint64_t table = U32(entry);
    const std::uint64_t tableSize = U32(entry + 4);
    if (tableSize < 8 || table % 8 != 0 || table < optional + optionalSize ||
        table + tableSize != size) {
      return false;
    }
    const std::uint64_t length = U32(table);
    if (length < 8 || length > tableSize || U16(table + 4) != 0x0200 || U16(table + 6) != 2) {
      return false;
    }
    // The DER header must lie inside dwLength.
    const std::uint64_t der = table + 8;
    if (length < 10 || file_[der] != 0x30) {
      return false;
    }
    std::uint64_t header = 2;
    std::uint64_t content = file_[der + 1];
    if (content == 0x81 || content == 0x82 || content == 0x83 || content == 0x84) {
      header += content - 0x80;
      if (8 + header > length || file_[der + 2] == 0) {
        return false;
      }
      content = 0;
      for (std::uint64_t i = 2; i < header; ++i) {
        content = content * 256 + file_[der + i];
      }
      if (content < 0x80) {
        return false;
      }
    } else if (content >= 0x80) {
      return false;
    }
    const std::uint64_t end = 8 + header + content;
    if (end > length || (end + 7) / 8 * 8 != tableSize) {
      return false;
    }
    for (std::uint64_t i = table + end; i < size; ++i) {
      if (file_[i] != 0) {
        return false;
      }
    }
    return true;
  }

 private:
  bool Has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= file_.size() && count <= file_.size() - offset;
  }
  std::uint32_t U16(std::uint64_t at) const { return file_[at] | (file_[at + 1] << 8); }
  std::uint32_t U32(std::uint64_t at) const {
    return U16(at) | (static_cast<std::uint32_t>(U16(at + 2)) << 16);
  }

  std::span<const std::uint8_t> file_;
};

void Require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  MemoryFile file(bytes, size);
  const bool accepted = HasStrictCertificateTable(file, size);
  Require(!file.readOutside);
  Require(file.largestRead <= 64);
  Require(file.bytesRead <= 64 + 24 + 2 + 4 + 8 + 8 + 6 + 7);
  Require(accepted == Reference(bytes).Accepts());

  for (std::uint64_t read = 0; read < file.reads; ++read) {
    MemoryFile failing(bytes, size);
    failing.failingRead = read;
    Require(!HasStrictCertificateTable(failing, size));
    Require(!failing.readOutside);
  }
  return 0;
}
