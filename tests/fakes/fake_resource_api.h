// String-table resources held in memory, in the block layout of a real module, with a record of
// every lookup. Blocks can be given byte for byte (as read from a compiled resource file) or built
// from texts.
//
// A lookup by language falls back as the system's loader does when the block is missing in that
// language: to the same primary language with the neutral sublanguage, then to the neutral
// language (LANGID 0). Those are the first three steps of the documented search order, and where
// Wine stops: there a lookup in a language without a table finds nothing although English is
// present (tests/win32/l10n_win32_test.cpp watches both). The documentation goes on to English and
// then to any language; the program never relies on either way, as it looks up only English and
// languages whose blocks the enumeration lists. The enumeration lists the languages a block
// really has, without fall-back.
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

  // Every (block, language) passed to FindResourceExW and to LockResource, and every block passed
  // to EnumResourceLanguagesW, in call order. The languages are those asked for, not those a
  // fall-back served.
  const std::vector<std::pair<std::uint16_t, LangId>>& Finds() const { return finds_; }
  const std::vector<std::pair<std::uint16_t, LangId>>& Locks() const { return locks_; }
  const std::vector<std::uint16_t>& Enumerations() const { return enumerations_; }
  void ClearRecord();

 private:
  using Blocks = std::map<std::pair<std::uint16_t, LangId>, std::vector<std::uint8_t>>;
  // The block a lookup of (block, language) finds, after the fall-back; end() when none.
  Blocks::const_iterator Lookup(std::uint16_t block, LangId language) const;

  // Ordered by block, then language: the enumeration yields ascending LANGIDs as a module does.
  Blocks blocks_;
  mutable std::vector<std::pair<std::uint16_t, LangId>> finds_;
  mutable std::vector<std::pair<std::uint16_t, LangId>> locks_;
  mutable std::vector<std::uint16_t> enumerations_;
};
