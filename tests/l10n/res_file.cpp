#include "tests/l10n/res_file.h"

#include <cstddef>
#include <fstream>
#include <iterator>

namespace {

class Cursor {
 public:
  Cursor(const std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t end)
      : bytes_(bytes), position_(start), end_(end) {}

  bool Word(std::uint16_t& value) {
    if (end_ - position_ < 2) {
      return false;
    }
    value = static_cast<std::uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
    position_ += 2;
    return true;
  }

  bool Dword(std::uint32_t& value) {
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    if (!Word(low) || !Word(high)) {
      return false;
    }
    value = low | (std::uint32_t{high} << 16);
    return true;
  }

  // A type or name field: 0xFFFF and an ordinal, or a NUL-ended UTF-16 string.
  bool NameOrOrdinal(std::uint16_t& ordinal, std::u16string& name) {
    std::uint16_t first = 0;
    if (!Word(first)) {
      return false;
    }
    if (first == 0xFFFF) {
      return Word(ordinal);
    }
    for (std::uint16_t unit = first; unit != 0;) {
      name.push_back(static_cast<char16_t>(unit));
      if (!Word(unit)) {
        return false;
      }
    }
    return true;
  }

  bool AlignToDword(std::size_t base) {
    const std::size_t aligned = base + ((position_ - base + 3) & ~std::size_t{3});
    if (aligned > end_) {
      return false;
    }
    position_ = aligned;
    return true;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t position_;
  std::size_t end_;
};

}  // namespace

bool ReadResFile(const std::string& path, std::vector<ResEntry>& entries, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
  std::size_t offset = 0;
  while (offset < bytes.size()) {
    Cursor head(bytes, offset, bytes.size());
    std::uint32_t dataSize = 0;
    std::uint32_t headerSize = 0;
    if (!head.Dword(dataSize) || !head.Dword(headerSize) || headerSize < 8 ||
        headerSize > bytes.size() - offset || dataSize > bytes.size() - offset - headerSize) {
      error = "truncated entry at offset " + std::to_string(offset);
      return false;
    }
    Cursor header(bytes, offset + 8, offset + headerSize);
    ResEntry entry;
    std::uint32_t dataVersion = 0;
    std::uint16_t memoryFlags = 0;
    std::uint32_t version = 0;
    std::uint32_t characteristics = 0;
    if (!header.NameOrOrdinal(entry.typeOrdinal, entry.typeName) ||
        !header.NameOrOrdinal(entry.nameOrdinal, entry.name) || !header.AlignToDword(offset) ||
        !header.Dword(dataVersion) || !header.Word(memoryFlags) || !header.Word(entry.language) ||
        !header.Dword(version) || !header.Dword(characteristics)) {
      error = "malformed header at offset " + std::to_string(offset);
      return false;
    }
    const std::size_t dataStart = offset + headerSize;
    entry.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(dataStart),
                      bytes.begin() + static_cast<std::ptrdiff_t>(dataStart + dataSize));
    // The file opens with an empty entry of type 0 that only marks the format.
    if (!(dataSize == 0 && entry.typeName.empty() && entry.typeOrdinal == 0)) {
      entries.push_back(std::move(entry));
    }
    offset = dataStart + ((dataSize + 3) & ~std::size_t{3});
  }
  return true;
}
