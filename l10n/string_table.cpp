#include "l10n/string_table.h"

#include <optional>

#include "l10n/ui_language.h"

namespace {

constexpr std::size_t kEntriesPerBlock = 16;

}  // namespace

std::u16string StringFromBlock(std::span<const std::uint8_t> block, std::size_t index) {
  // Positions are in UTF-16 units; a trailing odd byte belongs to no unit and is never read.
  const std::size_t units = block.size() / 2;
  auto unitAt = [&block](std::size_t position) {
    return static_cast<char16_t>(block[2 * position] | (block[2 * position + 1] << 8));
  };
  if (index >= kEntriesPerBlock) {
    return {};
  }
  std::size_t position = 0;
  for (std::size_t skipped = 0; skipped < index; ++skipped) {
    if (position >= units) {
      return {};
    }
    // count + 1 <= 65536, so this cannot overflow; a position past the end stops the next round.
    position += std::size_t{unitAt(position)} + 1;
  }
  if (position >= units) {
    return {};
  }
  const std::size_t count = unitAt(position);
  ++position;
  if (count > units - position) {
    return {};
  }
  std::u16string text;
  text.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    text.push_back(unitAt(position + i));
  }
  return text;
}

std::u16string LoadStringForLanguage(const ResourceApi& resources, std::uint16_t id,
                                     LangId language) {
  const auto block =
      resources.LockResource(static_cast<std::uint16_t>(id / kEntriesPerBlock + 1), language);
  if (!block) {
    return {};
  }
  return StringFromBlock(*block, id % kEntriesPerBlock);
}

std::u16string LoadUiString(const ResourceApi& resources, std::uint16_t id) {
  std::u16string text = LoadStringForLanguage(resources, id, g_uiLanguage);
  if (!text.empty() || g_uiLanguage == kLangEnglishUs) {
    return text;
  }
  return LoadStringForLanguage(resources, id, kLangEnglishUs);
}

std::u16string SubstitutePlaceholders(const std::u16string& pattern, const std::u16string& first,
                                      const std::u16string& second) {
  std::u16string result;
  std::size_t position = 0;
  while (position < pattern.size()) {
    if (pattern[position] == u'%' && position + 1 < pattern.size() &&
        (pattern[position + 1] == u'1' || pattern[position + 1] == u'2')) {
      result += pattern[position + 1] == u'1' ? first : second;
      position += 2;
    } else {
      result += pattern[position];
      ++position;
    }
  }
  return result;
}
