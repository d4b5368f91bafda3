#include "tests/l10n/compiled_strings.h"

namespace {

constexpr std::uint16_t kRtString = 6;

}  // namespace

bool ReadCompiledStrings(std::vector<ResEntry>& entries, std::string& error) {
  return ReadResFile(VORNE_STRINGS_RES, entries, error);
}

bool LoadCompiledStrings(FakeResourceApi& resources, std::string& error) {
  std::vector<ResEntry> entries;
  if (!ReadCompiledStrings(entries, error)) {
    return false;
  }
  for (ResEntry& entry : entries) {
    if (entry.typeName.empty() && entry.typeOrdinal == kRtString && entry.name.empty()) {
      resources.SetBlock(entry.nameOrdinal, entry.language, std::move(entry.data));
    }
  }
  return true;
}
