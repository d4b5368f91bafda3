#include "tests/fakes/fake_resource_api.h"

#include <array>

std::vector<LangId> FakeResourceApi::EnumResourceLanguagesW(std::uint16_t block) const {
  enumerations_.push_back(block);
  std::vector<LangId> languages;
  for (const auto& [key, bytes] : blocks_) {
    if (key.first == block) {
      languages.push_back(key.second);
    }
  }
  return languages;
}

FakeResourceApi::Blocks::const_iterator FakeResourceApi::Lookup(std::uint16_t block,
                                                                LangId language) const {
  const LangId neutralSublanguage = PrimaryLanguage(language);
  for (const LangId tried : {language, neutralSublanguage, LangId{0}}) {
    const auto found = blocks_.find({block, tried});
    if (found != blocks_.end()) {
      return found;
    }
  }
  return blocks_.end();
}

bool FakeResourceApi::FindResourceExW(std::uint16_t block, LangId language) const {
  finds_.emplace_back(block, language);
  return Lookup(block, language) != blocks_.end();
}

std::optional<std::span<const std::uint8_t>> FakeResourceApi::LockResource(std::uint16_t block,
                                                                           LangId language) const {
  locks_.emplace_back(block, language);
  const auto found = Lookup(block, language);
  if (found == blocks_.end()) {
    return std::nullopt;
  }
  return std::span<const std::uint8_t>(found->second);
}

void FakeResourceApi::SetBlock(std::uint16_t block, LangId language,
                               std::vector<std::uint8_t> bytes) {
  blocks_[{block, language}] = std::move(bytes);
}

void FakeResourceApi::RemoveBlock(std::uint16_t block, LangId language) {
  blocks_.erase({block, language});
}

void FakeResourceApi::SetStrings(LangId language,
                                 const std::map<std::uint16_t, std::u16string>& texts) {
  std::map<std::uint16_t, std::array<std::u16string, 16>> entries;
  for (const auto& [id, text] : texts) {
    entries[static_cast<std::uint16_t>(id / 16 + 1)][id % 16] = text;
  }
  for (const auto& [block, strings] : entries) {
    std::vector<std::uint8_t> bytes;
    auto put = [&bytes](char16_t unit) {
      bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (const std::u16string& text : strings) {
      put(static_cast<char16_t>(text.size()));
      for (const char16_t unit : text) {
        put(unit);
      }
    }
    SetBlock(block, language, std::move(bytes));
  }
}

void FakeResourceApi::ClearRecord() {
  finds_.clear();
  locks_.clear();
  enumerations_.clear();
}
