// The UI strings: lookup in the chosen language with a per-string English fall-back, and
// the substitution of the two placeholders. UI thread (the worker shows no text).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/langid.h"
#include "platform/resource_api.h"

// String ids, 101-113, as the string-table resources hold them.
enum UiStringId : std::uint16_t {
  kStrWindowTitle = 101,      // window title and taskbar entry
  kStrHeading = 102,          // heading beside the small logo
  kStrDownloading = 103,      // status line while downloading
  kStrSizeFigures = 104,      // "%1 of %2 MB"
  kStrStarting = 105,         // status line while the installer starts
  kStrDownloadFailed = 106,   // headline for a failed download or a damaged file
  kStrCheckConnection = 107,  // detail for a failed download
  kStrFileDamaged = 108,      // detail for a damaged file
  kStrLaunchFailed = 109,     // headline for a failed launch
  kStrWindowsError = 110,     // "Windows reported error %1."
  kStrTryAgain = 111,         // primary button of the failure screen
  kStrCancel = 112,           // secondary button
  kStrClose = 113,            // the close box, as screen readers name it
};

// The entry at `index` (0-15) of one string block: 16 entries, each a 16-bit little-endian count
// followed by that many UTF-16 units. Empty when the entry is empty, or when the block ends before
// the entry does: the read never goes past the end of `block`, whatever its bytes are.
std::u16string StringFromBlock(std::span<const std::uint8_t> block, std::size_t index);

// The string `id` from the table of `language`; empty when the block or the language is missing.
std::u16string LoadStringForLanguage(const ResourceApi& resources, std::uint16_t id,
                                     LangId language);

// The string `id` in g_uiLanguage, or in English when that table has none.
std::u16string LoadUiString(const ResourceApi& resources, std::uint16_t id);

// Replaces each "%1" with `first` and each "%2" with `second`, left to right; any other "%" is an
// ordinary character, and the inserted arguments are not scanned again.
std::u16string SubstitutePlaceholders(const std::u16string& pattern, const std::u16string& first,
                                      const std::u16string& second);
