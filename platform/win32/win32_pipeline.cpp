#include "platform/win32/win32_pipeline.h"

#include <utility>

#include "pipeline/build_settings.h"

Win32Pipeline::Win32Pipeline() : Win32Pipeline(StageSettings{kDownloadHost, kExpectedSigner}) {}

Win32Pipeline::Win32Pipeline(StageSettings settings)
    : stages_(StageServices{files_, http_, security_, trust_, processes_}, std::move(settings)) {}
