// A reader for the 32-bit resource files (.res) that windres writes: just enough to take the
// string blocks out of the compiled string tables and hand them to the program's own parser.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ResEntry {
  // A resource is named either by a 16-bit ordinal or by a string; the other stays empty/0.
  std::uint16_t typeOrdinal = 0;
  std::u16string typeName;
  std::uint16_t nameOrdinal = 0;
  std::u16string name;
  std::uint16_t language = 0;
  std::vector<std::uint8_t> data;
};

// Parses the whole file. On a malformed file returns false and says why in `error`.
bool ReadResFile(const std::string& path, std::vector<ResEntry>& entries, std::string& error);
