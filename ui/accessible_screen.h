// The few facts of the screen that decide which accessibility events a change raises. Kept apart
// from the tree (ui/accessibility.h) so that SetupWindow can remember the last one announced.
#pragma once

#include <cstdint>

#include "pipeline/setup_messages.h"

struct AccessibleScreen {
  UiPhase phase = UiPhase::Downloading;
  FailureKind failureKind = FailureKind::DownloadFailed;
  std::uint32_t errorCode = 0;
  bool figuresShown = false;  // the size figures appear once the total is known
  std::uint32_t percent = 0;  // the progress bar's whole percent, 0-100

  bool operator==(const AccessibleScreen&) const = default;
};
