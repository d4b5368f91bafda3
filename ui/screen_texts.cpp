#include "ui/screen_texts.h"

#include "l10n/number_format.h"
#include "l10n/string_table.h"

std::u16string SizeFiguresText(const ResourceApi& resources, const LocaleApi& locale,
                               std::uint64_t received, std::uint64_t total) {
  if (total == 0) {
    return {};
  }
  return SubstitutePlaceholders(LoadUiString(resources, kStrSizeFigures),
                                FormatMegabytes(locale, received), FormatMegabytes(locale, total));
}

FailureTexts FailureTextsFor(const ResourceApi& resources, FailureKind kind,
                             std::uint32_t errorCode) {
  switch (static_cast<std::uint32_t>(kind)) {
    case static_cast<std::uint32_t>(FailureKind::DownloadFailed):
      return {LoadUiString(resources, kStrDownloadFailed),
              LoadUiString(resources, kStrCheckConnection)};
    case static_cast<std::uint32_t>(FailureKind::FileDamaged):
      return {LoadUiString(resources, kStrDownloadFailed),
              LoadUiString(resources, kStrFileDamaged)};
    default:  // LaunchFailed, and any value past it
      return {LoadUiString(resources, kStrLaunchFailed),
              SubstitutePlaceholders(LoadUiString(resources, kStrWindowsError),
                                     FormatDecimal(errorCode), u"")};
  }
}
