// Crafted PE32 and PE32+ images whose certificate table holds one well-formed PKCS#7 entry, for
// the certificate-table tests, the signature check's tests and the whole-pipeline tests. Their
// bytes mean nothing to Windows: a fake WinVerifyTrust decides the signature, the real
// certificate-table check reads the table.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class PeKind { Pe32, Pe32Plus };

constexpr std::size_t kPeHeader = 0x80;                // e_lfanew of every crafted image
constexpr std::size_t kOptional = kPeHeader + 4 + 20;  // after "PE\0\0" and the COFF header
constexpr std::size_t kSizeOfOptionalHeaderField = kPeHeader + 4 + 16;
constexpr std::size_t kTableStart = 0x200;  // where a file-aligned image's last section ends

// How the builder lays out the certificate table.
struct Layout {
  std::uint32_t blobContent = 1021;  // bytes inside the SEQUENCE: 7 bytes of padding follow
  bool lengthCountsPadding = true;   // dwLength up to the table's end, else to the blob's end
  std::uint32_t lengthBytes = 0;     // DER long-form length bytes; 0 for the minimal form
  std::uint32_t gapBeforeTable = 0;  // bytes between kTableStart and the table
};

// A PE image with no sections whose certificate table holds one PKCS#7 entry: the SEQUENCE's
// content is non-zero filler, so a parser that misplaces the blob's end finds non-zero padding.
struct Image {
  Image(PeKind peKind, const Layout& layout) : kind(peKind) {
    const bool plus = kind == PeKind::Pe32Plus;
    bytes.assign(kTableStart + layout.gapBeforeTable, 0xCC);
    std::fill(bytes.begin(), bytes.begin() + kPeHeader, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    Put32(0x3C, kPeHeader);
    Put32(kPeHeader, 0x00004550);  // "PE\0\0"
    std::fill(bytes.begin() + kPeHeader + 4, bytes.begin() + kTableStart, 0);
    Put16(kPeHeader + 4, plus ? 0x8664 : 0x014C);
    Put16(kSizeOfOptionalHeaderField, plus ? 240 : 224);
    Put16(kPeHeader + 4 + 18, 0x0102);
    Put16(kOptional, plus ? 0x20B : 0x10B);
    Put32(RvaCountField(), 16);

    table = bytes.size();
    std::vector<std::uint8_t> lengthField;
    std::uint32_t lengthBytes = layout.lengthBytes;
    if (lengthBytes == 0 && layout.blobContent >= 0x80) {
      for (std::uint32_t rest = layout.blobContent; rest != 0; rest >>= 8) {
        ++lengthBytes;
      }
    }
    if (lengthBytes == 0) {
      lengthField.push_back(static_cast<std::uint8_t>(layout.blobContent));
    } else {
      lengthField.push_back(static_cast<std::uint8_t>(0x80 | lengthBytes));
      for (std::uint32_t i = lengthBytes; i-- > 0;) {
        lengthField.push_back(static_cast<std::uint8_t>(
            i < 4 ? static_cast<std::uint64_t>(layout.blobContent) >> (8 * i) : 0));
      }
    }
    bytes.resize(table + 8);
    bytes.push_back(0x30);
    bytes.insert(bytes.end(), lengthField.begin(), lengthField.end());
    // Inserted a block at a time: the largest layout holds 16 MiB.
    std::uint8_t filler[251];
    for (std::size_t i = 0; i < sizeof filler; ++i) {
      filler[i] = static_cast<std::uint8_t>(i + 1);
    }
    for (std::size_t left = layout.blobContent; left != 0;) {
      const std::size_t n = std::min(left, sizeof filler);
      bytes.insert(bytes.end(), filler, filler + n);
      left -= n;
    }
    blobEnd = bytes.size();
    bytes.resize(table + (blobEnd - table + 7) / 8 * 8, 0);
    const std::uint32_t size = static_cast<std::uint32_t>(bytes.size() - table);
    Put32(table, layout.lengthCountsPadding ? size : static_cast<std::uint32_t>(blobEnd - table));
    Put16(table + 4, 0x0200);
    Put16(table + 6, 0x0002);
    SetDirectory(static_cast<std::uint32_t>(table), size);
  }

  std::size_t RvaCountField() const { return kOptional + (kind == PeKind::Pe32Plus ? 108 : 92); }
  std::size_t SecurityEntry() const {
    return kOptional + (kind == PeKind::Pe32Plus ? 112 : 96) + 4 * 8;
  }
  // The smallest SizeOfOptionalHeader that still holds data directory 4.
  std::uint16_t OptionalHeaderHoldingDirectory() const {
    return static_cast<std::uint16_t>(SecurityEntry() + 8 - kOptional);
  }

  void Put16(std::size_t at, std::uint16_t v) {
    bytes.at(at) = static_cast<std::uint8_t>(v);
    bytes.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
  }
  void Put32(std::size_t at, std::uint32_t v) {
    Put16(at, static_cast<std::uint16_t>(v));
    Put16(at + 2, static_cast<std::uint16_t>(v >> 16));
  }
  std::uint32_t Get32(std::size_t at) const {
    return bytes.at(at) | (bytes.at(at + 1) << 8) | (bytes.at(at + 2) << 16) |
           (static_cast<std::uint32_t>(bytes.at(at + 3)) << 24);
  }
  void SetDirectory(std::uint32_t offset, std::uint32_t size) {
    Put32(SecurityEntry(), offset);
    Put32(SecurityEntry() + 4, size);
  }
  std::uint32_t TableSize() const { return Get32(SecurityEntry() + 4); }
  std::uint32_t EntryLength() const { return Get32(table); }
  std::uint32_t BlobLengthInTable() const { return static_cast<std::uint32_t>(blobEnd - table); }
  // Appends `count` bytes to the file and, when `grow` says so, to dwLength and the directory,
  // as someone adding bytes to a signed file would.
  void Append(std::size_t count, std::uint8_t value, bool growEntry, bool growTable) {
    bytes.insert(bytes.end(), count, value);
    if (growEntry) {
      Put32(table, EntryLength() + static_cast<std::uint32_t>(count));
    }
    if (growTable) {
      Put32(SecurityEntry() + 4, TableSize() + static_cast<std::uint32_t>(count));
    }
  }

  PeKind kind;
  std::vector<std::uint8_t> bytes;
  std::size_t table = 0;    // file offset of the certificate table
  std::size_t blobEnd = 0;  // file offset just past the SEQUENCE
};

// A PE32 image as a file's contents. `hidden` is appended inside the table after the signature's
// padding, with the entry's length and the directory's size grown to cover it, the way bytes are
// smuggled past the signature.
inline std::string SignedPeImage(std::string_view hidden = {}) {
  Image image(PeKind::Pe32, Layout{});
  for (const char c : hidden) {
    image.Append(1, static_cast<std::uint8_t>(c), true, true);
  }
  return std::string(image.bytes.begin(), image.bytes.end());
}
