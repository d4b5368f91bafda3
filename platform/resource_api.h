// The string-table resources of the program's own module (RT_STRING, type 6). Every call names the
// language explicitly; the thread's UI language plays no part.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/handles.h"
#include "platform/langid.h"

class ResourceApi {
 public:
  // EnumResourceLanguagesW on the module, type RT_STRING, integer name `block`: every LANGID under
  // which that block exists, in the order the resource directory yields them (ascending). A failed
  // enumeration gives the languages collected so far, usually none.
  virtual std::vector<LangId> EnumResourceLanguagesW(std::uint16_t block) const = 0;

  // FindResourceExW on the module, type RT_STRING, integer name `block`, in `language`. Like the
  // system's loader it falls back when the block is missing in that language, to the same primary
  // language with the neutral sublanguage and then to LANG_NEUTRAL, so a success does not say that
  // `language` itself has the block: only the enumeration says that.
  virtual bool FindResourceExW(std::uint16_t block, LangId language) const = 0;

  // FindResourceExW (with its fall-back), LoadResource, LockResource and SizeofResource in one: the
  // block's bytes as stored in the module, or nothing when any of the calls fails. The bytes stay
  // valid as long as the module is loaded (for a fake: as long as the fake lives); they are not
  // guaranteed to be well formed, and are read with their size as the hard limit.
  virtual std::optional<std::span<const std::uint8_t>> LockResource(std::uint16_t block,
                                                                    LangId language) const = 0;

 protected:
  ~ResourceApi() = default;
};
