#include "ui/setup_window.h"

SetupWindow* g_setupWindow = nullptr;
