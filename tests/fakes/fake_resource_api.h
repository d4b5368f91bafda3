// String-table resources held in memory, in the block layout of a real module, with a record of
// every lookup. Blocks can be given byte for byte (as read from a compiled resource file) or built
// from texts.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/resource_api.h"

class FakeResourceApi final : public ResourceApi {
 public:
  std::vector<LangId> EnumResourceLanguagesW(std::uint16_t block) const override;
  bool FindResourceExW(std::uint16_t block, LangId language) const override;
  std::optional<std::span<const std::uint8_t>> LockResource(std::uint16_t block,
                                                            LangId language) const override;

  // Set-up.
  void SetBlock(std::uint16_t block, LangId language, std::vector<std::uint8_t> bytes);
  void RemoveBlock(std::uint16_t block, LangId language);
  // Builds every block that holds one of `texts` (id to text) in `language`; ids without a text
  // get empty entries. Replaces those blocks if they exist.
  void SetStrings(LangId language, const std::map<std::uint16_t, std::u16string>& texts);

  // Every (block, language) passed to FindResourceExW and to LockResource, in call order.
  const std::vector<std::pair<std::uint16_t, LangId>>& Finds() const { return finds_; }
  const std::vector<std::pair<std::uint16_t, LangId>>& Locks() const { return locks_; }
  void ClearRecord();

 private:
  // Ordered by block, then language: the enumeration yields ascending LANGIDs as a module does.
  std::map<std::pair<std::uint16_t, LangId>, std::vector<std::uint8_t>> blocks_;
  mutable std::vector<std::pair<std::uint16_t, LangId>> finds_;
  mutable std::vector<std::pair<std::uint16_t, LangId>> locks_;
};
