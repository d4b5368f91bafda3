// A small PE32 image whose certificate table holds one well-formed PKCS#7 entry, as the signature
// check's tests and the whole-pipeline tests serve it. Its bytes mean nothing to Windows; the
// fake WinVerifyTrust decides the signature, the real certificate-table check reads the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pe_image {

inline void Put16(std::string& image, std::size_t at, std::uint16_t value) {
  image[at] = static_cast<char>(value & 0xFF);
  image[at + 1] = static_cast<char>(value >> 8);
}

inline void Put32(std::string& image, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

}  // namespace pe_image

// `hidden` is appended inside the table after the signature's padding, with the entry's length
// and the directory's size grown to cover it, the way bytes are smuggled past the signature.
inline std::string SignedPeImage(std::string_view hidden = {}) {
  using pe_image::Put16;
  using pe_image::Put32;
  constexpr std::size_t kPe = 0x40;            // e_lfanew
  constexpr std::size_t kOptional = kPe + 24;  // after "PE\0\0" and the file header
  constexpr std::size_t kTable = 0x200;        // the certificate table's file offset
  constexpr std::size_t kContent = 301;        // bytes inside the DER SEQUENCE
  std::string image(kTable, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Put32(image, 0x3C, kPe);
  image.replace(kPe, 4, std::string("PE\0\0", 4));
  Put16(image, kPe + 4, 0x014C);     // i386
  Put16(image, kPe + 20, 0xE0);      // SizeOfOptionalHeader of PE32
  Put16(image, kOptional, 0x010B);   // PE32
  Put32(image, kOptional + 92, 16);  // NumberOfRvaAndSizes
  for (std::size_t i = kOptional + 0xE0; i < kTable; ++i) {
    image[i] = static_cast<char>(0x90);  // "code"
  }

  std::string der = "\x30\x82";
  der += static_cast<char>(kContent >> 8);
  der += static_cast<char>(kContent & 0xFF);
  der += std::string(kContent, '\x5A');
  const std::size_t entry = 8 + der.size();
  const std::size_t padded = (entry + 7) / 8 * 8;
  std::string table(8, '\0');
  Put32(table, 0, static_cast<std::uint32_t>(padded + hidden.size()));
  Put16(table, 4, 0x0200);  // WIN_CERT_REVISION_2_0
  Put16(table, 6, 0x0002);  // WIN_CERT_TYPE_PKCS_SIGNED_DATA
  table += der;
  table.resize(padded, '\0');
  table += hidden;

  Put32(image, kOptional + 96 + 4 * 8, static_cast<std::uint32_t>(kTable));
  Put32(image, kOptional + 96 + 4 * 8 + 4, static_cast<std::uint32_t>(table.size()));
  return image + table;
}
