// The shape of a downloaded installer's certificate table (the PE security directory). The trust
// check accepts a signed file whose table carries bytes that no signature covers: data after the
// PKCS#7 blob, or a second entry. The file may come over plain HTTP from anyone, so only the one
// form that signing tools write is let through.
#pragma once

#include <cstdint>

// A file read by offset, e.g. the held handle of the staged installer.
class ReadAtOffset {
 public:
  // Reads exactly `size` bytes at `offset` into `buffer`; false when fewer bytes could be read
  // or the read failed.
  virtual bool ReadAt(std::uint64_t offset, void* buffer, std::uint32_t size) = 0;

 protected:
  ~ReadAtOffset() = default;
};

// True when the PE image of `fileSize` bytes that `file` reads has a strict certificate table:
// it is the last thing in the file and holds exactly one PKCS#7 entry, followed by nothing but
// the zero bytes that align it to 8. Reads only the headers, the entry's header, the few bytes
// of the blob's DER length and that padding, all inside [0, fileSize); never the blob itself.
bool HasStrictCertificateTable(ReadAtOffset& file, std::uint64_t fileSize);
