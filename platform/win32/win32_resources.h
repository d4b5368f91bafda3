// The string-table resources of a loaded module, through the kernel32 resource functions.
#pragma once

#include "platform/resource_api.h"

class Win32ResourceApi final : public ResourceApi {
 public:
  // `module`: the HINSTANCE of the program (g_instance), which outlives this object. Cheap to make;
  // any thread, as the resource functions are.
  explicit Win32ResourceApi(InstanceHandle module) : module_(module) {}

  std::vector<LangId> EnumResourceLanguagesW(std::uint16_t block) const override;
  bool FindResourceExW(std::uint16_t block, LangId language) const override;
  std::optional<std::span<const std::uint8_t>> LockResource(std::uint16_t block,
                                                            LangId language) const override;

 private:
  InstanceHandle module_;
};
