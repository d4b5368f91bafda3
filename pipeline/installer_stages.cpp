#include "pipeline/installer_stages.h"

#include <utility>

InstallerStages::InstallerStages(const StageServices& services, StageSettings settings)
    : services_(services), settings_(std::move(settings)) {}
