// Every offset and length below comes from the untrusted file. They are widened to 64 bits
// before any sum, so no comparison can be fooled by a wrap, and every read is checked against
// the file's size before the file is asked for it.
#include "pipeline/certificate_table.h"

#include <cstdint>

namespace {

constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kLfanewField = 0x3C;
constexpr std::uint64_t kSignatureSize = 4;          // "PE\0\0"
constexpr std::uint64_t kCoffHeaderSize = 20;        // follows the signature
constexpr std::uint64_t kSizeOfOptionalHeader = 16;  // inside the COFF header
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint64_t kMagicSize = 2;
// Relative to the optional header's start.
constexpr std::uint64_t kPe32RvaCount = 92;
constexpr std::uint64_t kPe32Directories = 96;
constexpr std::uint64_t kPe32PlusRvaCount = 108;
constexpr std::uint64_t kPe32PlusDirectories = 112;
constexpr std::uint32_t kSecurityDirectory = 4;
constexpr std::uint64_t kDirectoryEntrySize = 8;

constexpr std::uint64_t kCertificateHeaderSize = 8;  // dwLength, wRevision, wCertificateType
constexpr std::uint16_t kWinCertRevision2 = 0x0200;
constexpr std::uint16_t kWinCertTypePkcsSignedData = 0x0002;
constexpr std::uint64_t kTableAlignment = 8;

constexpr std::uint8_t kDerSequence = 0x30;
constexpr std::uint8_t kDerLongForm = 0x80;
constexpr std::uint32_t kDerMaxLengthBytes = 4;

std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads only inside [0, fileSize): a field that points past the end is refused before the file
// is asked for anything.
class BoundedReader {
 public:
  BoundedReader(ReadAtOffset& file, std::uint64_t fileSize) : file_(file), fileSize_(fileSize) {}

  bool Read(std::uint64_t offset, std::uint8_t* buffer, std::uint32_t size) {
    if (offset > fileSize_ || size > fileSize_ - offset) {
      return false;
    }
    return file_.ReadAt(offset, buffer, size);
  }
  bool Read16(std::uint64_t offset, std::uint16_t& value) {
    std::uint8_t bytes[2];
    if (!Read(offset, bytes, sizeof bytes)) {
      return false;
    }
    value = Le16(bytes);
    return true;
  }
  bool Read32(std::uint64_t offset, std::uint32_t& value) {
    std::uint8_t bytes[4];
    if (!Read(offset, bytes, sizeof bytes)) {
      return false;
    }
    value = Le32(bytes);
    return true;
  }

 private:
  ReadAtOffset& file_;
  const std::uint64_t fileSize_;
};

struct SecurityDirectory {
  std::uint64_t offset = 0;  // a file offset, unlike every other directory's address
  std::uint64_t size = 0;
};

// Finds data directory 4 through the DOS, COFF and optional headers; false when any of them is
// missing, cut short or malformed.
bool ReadSecurityDirectory(BoundedReader& reader, SecurityDirectory& directory,
                           std::uint64_t& headersEnd) {
  std::uint8_t dos[kDosHeaderSize];
  if (!reader.Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') {
    return false;
  }
  const std::uint64_t peHeader = Le32(dos + kLfanewField);
  std::uint8_t pe[kSignatureSize + kCoffHeaderSize];
  if (!reader.Read(peHeader, pe, sizeof pe) || pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 ||
      pe[3] != 0) {
    return false;
  }
  const std::uint64_t optionalSize = Le16(pe + kSignatureSize + kSizeOfOptionalHeader);
  const std::uint64_t optional = peHeader + sizeof pe;

  std::uint16_t magic = 0;
  if (optionalSize < kMagicSize || !reader.Read16(optional, magic)) {
    return false;
  }
  std::uint64_t rvaCountField = 0;
  std::uint64_t directories = 0;
  if (magic == kPe32Magic) {
    rvaCountField = kPe32RvaCount;
    directories = kPe32Directories;
  } else if (magic == kPe32PlusMagic) {
    rvaCountField = kPe32PlusRvaCount;
    directories = kPe32PlusDirectories;
  } else {
    return false;
  }
  const std::uint64_t entry = directories + kSecurityDirectory * kDirectoryEntrySize;
  // The count lies before the directories, so this bound covers it too.
  if (entry + kDirectoryEntrySize > optionalSize) {
    return false;
  }
  std::uint32_t rvaCount = 0;
  std::uint8_t entryBytes[kDirectoryEntrySize];
  if (!reader.Read32(optional + rvaCountField, rvaCount) || rvaCount <= kSecurityDirectory ||
      !reader.Read(optional + entry, entryBytes, sizeof entryBytes)) {
    return false;
  }
  directory.offset = Le32(entryBytes);
  directory.size = Le32(entryBytes + 4);
  headersEnd = optional + optionalSize;
  return true;
}

// Reads the DER header of the SEQUENCE at `offset`, which must lie inside the first `limit`
// bytes; `end` becomes the number of bytes from `offset` to the SEQUENCE's end. Only the
// minimal definite forms, which signing tools write, are taken: the other encodings of a length
// are where two decoders may disagree on where the blob ends.
bool ReadDerSequenceEnd(BoundedReader& reader, std::uint64_t offset, std::uint64_t limit,
                        std::uint64_t& end) {
  std::uint8_t head[2];
  if (limit < sizeof head || !reader.Read(offset, head, sizeof head) || head[0] != kDerSequence) {
    return false;
  }
  if (head[1] < kDerLongForm) {
    end = sizeof head + head[1];
    return true;
  }
  const std::uint32_t lengthBytes = head[1] & 0x7F;
  // Zero length bytes is the indefinite form.
  if (lengthBytes == 0 || lengthBytes > kDerMaxLengthBytes || limit < sizeof head + lengthBytes) {
    return false;
  }
  std::uint8_t bytes[kDerMaxLengthBytes];
  if (!reader.Read(offset + sizeof head, bytes, lengthBytes) || bytes[0] == 0) {
    return false;
  }
  std::uint64_t length = 0;
  for (std::uint32_t i = 0; i < lengthBytes; ++i) {
    length = (length << 8) | bytes[i];
  }
  if (length < kDerLongForm) {
    return false;
  }
  end = sizeof head + lengthBytes + length;
  return true;
}

}  // namespace

bool HasStrictCertificateTable(ReadAtOffset& file, std::uint64_t fileSize) {
  BoundedReader reader(file, fileSize);
  SecurityDirectory table;
  std::uint64_t headersEnd = 0;
  if (!ReadSecurityDirectory(reader, table, headersEnd)) {
    return false;
  }
  // Last in the file, so nothing can follow it unsigned; the sum cannot wrap in 64 bits.
  if (table.size == 0 || table.offset % kTableAlignment != 0 || table.offset < headersEnd ||
      table.offset + table.size != fileSize) {
    return false;
  }

  std::uint8_t header[kCertificateHeaderSize];
  if (table.size < sizeof header || !reader.Read(table.offset, header, sizeof header)) {
    return false;
  }
  const std::uint64_t entryLength = Le32(header);
  if (entryLength < sizeof header || entryLength > table.size ||
      Le16(header + 4) != kWinCertRevision2 || Le16(header + 6) != kWinCertTypePkcsSignedData) {
    return false;
  }

  std::uint64_t blobEnd = 0;
  if (!ReadDerSequenceEnd(reader, table.offset + sizeof header, entryLength - sizeof header,
                          blobEnd)) {
    return false;
  }
  const std::uint64_t end = sizeof header + blobEnd;  // from the table's start
  // Signing tools differ on whether dwLength counts the padding, so it may end anywhere from the
  // blob's end to the table's end; the table itself must end at the next multiple of 8, which
  // leaves no room for a second entry.
  if (end > entryLength ||
      table.size != (end + kTableAlignment - 1) / kTableAlignment * kTableAlignment) {
    return false;
  }
  const std::uint32_t paddingSize = static_cast<std::uint32_t>(table.size - end);
  if (paddingSize == 0) {
    return true;
  }
  std::uint8_t padding[kTableAlignment];
  if (!reader.Read(table.offset + end, padding, paddingSize)) {
    return false;
  }
  for (std::uint32_t i = 0; i < paddingSize; ++i) {
    if (padding[i] != 0) {
      return false;
    }
  }
  return true;
}
