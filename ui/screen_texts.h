// The texts each screen shows, made in one place for the painting and for screen readers, so that
// both always say the same. UI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "pipeline/setup_messages.h"
#include "platform/locale_api.h"
#include "platform/resource_api.h"

// "%1 of %2 MB" with both figures in the user's number format; empty while the total is unknown
// (0), because a size that is not known yet is not shown.
std::u16string SizeFiguresText(const ResourceApi& resources, const LocaleApi& locale,
                               std::uint64_t received, std::uint64_t total);

struct FailureTexts {
  std::u16string headline;
  std::u16string explanation;
};

// The failure screen's two texts. Any kind past FileDamaged reads as a launch failure, whose
// explanation carries the error code in unsigned decimal; the other kinds do not show the code.
FailureTexts FailureTextsFor(const ResourceApi& resources, FailureKind kind,
                             std::uint32_t errorCode);
