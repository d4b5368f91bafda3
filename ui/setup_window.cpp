#include "ui/setup_window.h"

SetupWindow* g_setupWindow = nullptr;
WindowApi* g_windowApi = nullptr;
