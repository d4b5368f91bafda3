// The UTF-8 source tables (resources/strings/*.txt) read a second time, apart from the build's own
// script, so that the compiled string blocks can be checked against what their sources say.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// LANGID -> string id -> text, in UTF-16.
using SourceTables = std::map<std::uint16_t, std::map<std::uint16_t, std::u16string>>;

// Reads every table file of the source directory. On a file it cannot read returns false and
// says why in `error`.
bool ReadSourceTables(SourceTables& tables, std::string& error);

// String block `block` (ids 16 * (block - 1) to 16 * block - 1) as the resource format lays it
// out: 16 entries, each a 16-bit little-endian count of UTF-16 units and then the units, an id
// without text an entry of count 0.
std::vector<std::uint8_t> StringBlockOf(const std::map<std::uint16_t, std::u16string>& texts,
                                        std::uint16_t block);
