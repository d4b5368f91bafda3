// An in-memory file for the certificate-table parser that records how the parser reads it, for
// the native tests and the fuzzer alike.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>

#include "pipeline/certificate_table.h"

class MemoryFile final : public ReadAtOffset {
 public:
  // `fileSize` is the size the parser is told; `bytes` may be shorter (the rest then fails to
  // read, as a file that shrank would) but a read outside [0, fileSize) is the parser's fault.
  MemoryFile(std::span<const std::uint8_t> bytes, std::uint64_t fileSize)
      : bytes_(bytes), fileSize_(fileSize) {}

  bool ReadAt(std::uint64_t offset, void* buffer, std::uint32_t size) override {
    const std::uint64_t index = reads++;
    if (offset > fileSize_ || size > fileSize_ - offset) {
      readOutside = true;
      return false;
    }
    if (offset > bytes_.size() || size > bytes_.size() - offset) {
      return false;
    }
    if (size != 0) {
      std::memcpy(buffer, bytes_.data() + offset, size);
    }
    bytesRead += size;
    largestRead = std::max(largestRead, size);
    return index != failingRead;
  }

  // The index (from 0) of the one read that fails. It still fills the buffer with the file's
  // bytes, as a read that fails late might, so a parser that ignores the result goes on as if
  // the read had worked.
  std::uint64_t failingRead = std::numeric_limits<std::uint64_t>::max();

  std::uint64_t reads = 0;  // every call, failed ones included
  std::uint64_t bytesRead = 0;
  std::uint32_t largestRead = 0;
  bool readOutside = false;

 private:
  std::span<const std::uint8_t> bytes_;
  std::uint64_t fileSize_;
};
