#include "app/win32/pipeline.h"

#include <utility>

#include "pipeline/build_settings.h"
#include "pipeline/key_pins.h"

// The configure step refuses a malformed pin; this keeps a hand-edited header from slipping one
// through (it would match nothing, so every installer would be refused).
static_assert(IsWellFormedKeyPinList(kSignerKeyPins));

Win32Pipeline::Win32Pipeline()
    : Win32Pipeline(StageSettings{kDownloadHost, kExpectedSigner, kSignerKeyPins}) {}

Win32Pipeline::Win32Pipeline(StageSettings settings)
    : stages_(StageServices{files_, http_, security_, trust_, processes_}, std::move(settings)) {}
