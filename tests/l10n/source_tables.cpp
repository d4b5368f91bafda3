#include "tests/l10n/source_tables.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Strict enough for the tables, which the build has already validated as UTF-8.
bool Utf16FromUtf8(const std::string& text, std::u16string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || i + length > text.size()) {
      return false;
    }
    std::uint32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      c = (c << 6) | (next & 0x3F);
    }
    i += length;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return true;
}

bool ReadTable(const std::filesystem::path& path, SourceTables& tables, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path.string() + ": cannot be read";
    return false;
  }
  std::vector<std::uint16_t> languages;
  std::map<std::uint16_t, std::u16string> texts;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream fields(line);
    std::string first;
    fields >> first;
    if (first == "langids") {
      std::string hex;
      while (fields >> hex) {
        languages.push_back(static_cast<std::uint16_t>(std::stoul(hex, nullptr, 16)));
      }
      continue;
    }
    const std::size_t blank = line.find(' ');
    std::u16string text;
    if (blank == std::string::npos || !Utf16FromUtf8(line.substr(blank + 1), text)) {
      error = path.string() + ": unreadable line: " + line;
      return false;
    }
    texts[static_cast<std::uint16_t>(std::stoul(line.substr(0, blank)))] = text;
  }
  if (languages.empty()) {
    error = path.string() + ": no langids line";
    return false;
  }
  for (const std::uint16_t language : languages) {
    tables[language] = texts;
  }
  return true;
}

}  // namespace

bool ReadSourceTables(SourceTables& tables, std::string& error) {
  tables.clear();
  std::error_code failure;
  for (const auto& entry : std::filesystem::directory_iterator(VORNE_STRINGS_DIR, failure)) {
    if (entry.path().extension() == ".txt" && !ReadTable(entry.path(), tables, error)) {
      return false;
    }
  }
  if (failure || tables.empty()) {
    error = std::string(VORNE_STRINGS_DIR) + ": no tables (" + failure.message() + ")";
    return false;
  }
  return true;
}

std::vector<std::uint8_t> StringBlockOf(const std::map<std::uint16_t, std::u16string>& texts,
                                        std::uint16_t block) {
  std::vector<std::uint8_t> bytes;
  auto put = [&](std::uint32_t unit) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  for (std::uint32_t id = 16u * (block - 1u); id < 16u * block; ++id) {
    const auto it = texts.find(static_cast<std::uint16_t>(id));
    const std::u16string text = it == texts.end() ? std::u16string() : it->second;
    put(static_cast<std::uint32_t>(text.size()));
    for (const char16_t unit : text) {
      put(unit);
    }
  }
  return bytes;
}
