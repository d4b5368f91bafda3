// The program's start-up, message loop and teardown, in their fixed order. UI thread only.
#pragma once

#include <cstdint>

#include "app/main_window_api.h"
#include "pipeline/pipeline_stages.h"
#include "pipeline/setup_worker.h"
#include "platform/factory_api.h"
#include "platform/hardening_api.h"
#include "platform/locale_api.h"
#include "platform/message_loop_api.h"
#include "platform/resource_api.h"
#include "platform/window_api.h"

// The module instance; set once by the entry point before any resource is read.
extern InstanceHandle g_instance;

// Everything RunSetup calls on the platform, one interface per concern, and what the worker is
// built from. The resources are the program's own module's.
struct SetupPlatform {
  HardeningApi& hardening;
  const ResourceApi& resources;
  const LocaleApi& locale;
  GraphicsFactoryApi& factories;
  MainWindowApi& mainWindow;
  WindowApi& window;
  MessageLoopApi& loop;
  WorkerPlatform worker;
  PipelineStages& stages;
};

// The body of wWinMain: hardening before anything else is loaded, the instance, the UI language,
// then RunSetup. Returns the process exit code.
std::uint32_t SetupEntry(const SetupPlatform& platform, InstanceHandle instance, int showCommand);

// Factories, window, worker, the loop until WM_QUIT, teardown. Returns the exit code: WM_QUIT's,
// or 1603 when a factory or the window cannot be created or the message loop fails.
std::uint32_t RunSetup(const SetupPlatform& platform, InstanceHandle instance, int showCommand);
