#include "platform/win32/win32_resources.h"

#include <windows.h>

namespace {

BOOL CALLBACK AppendLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<LangId>*>(param)->push_back(language);
  return TRUE;
}

HMODULE AsModule(InstanceHandle module) {
  return reinterpret_cast<HMODULE>(module);
}

}  // namespace

std::vector<LangId> Win32ResourceApi::EnumResourceLanguagesW(std::uint16_t block) const {
  std::vector<LangId> languages;
  // The result is not needed: a failure leaves the list as far as it got.
  ::EnumResourceLanguagesW(AsModule(module_), RT_STRING, MAKEINTRESOURCEW(block), AppendLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

bool Win32ResourceApi::FindResourceExW(std::uint16_t block, LangId language) const {
  return ::FindResourceExW(AsModule(module_), RT_STRING, MAKEINTRESOURCEW(block), language) !=
         nullptr;
}

std::optional<std::span<const std::uint8_t>> Win32ResourceApi::LockResource(std::uint16_t block,
                                                                            LangId language) const {
  const HRSRC found =
      ::FindResourceExW(AsModule(module_), RT_STRING, MAKEINTRESOURCEW(block), language);
  if (found == nullptr) {
    return std::nullopt;
  }
  const HGLOBAL loaded = ::LoadResource(AsModule(module_), found);
  if (loaded == nullptr) {
    return std::nullopt;
  }
  const void* data = ::LockResource(loaded);
  if (data == nullptr) {
    return std::nullopt;
  }
  // The size bounds every read of the block; the data lives in the mapped module image.
  const DWORD size = ::SizeofResource(AsModule(module_), found);
  return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), size);
}
