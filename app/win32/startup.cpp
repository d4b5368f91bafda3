#include "app/win32/startup.h"

#include <d2d1.h>
#include <dwmapi.h>
#include <dwrite.h>

#include "app/run_setup.h"
#include "l10n/string_table.h"
#include "l10n/ui_language.h"
#include "platform/win32/com_release.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_resources.h"
#include "app/win32/window.h"

namespace {

// DWMWA_WINDOW_CORNER_PREFERENCE and DWMWCP_ROUND (Windows 11; older systems refuse the call).
constexpr DWORD kDwmWindowCornerPreference = 33;
constexpr DWORD kDwmCornerRound = 2;

}  // namespace

void Win32StartupApi::SetDefaultDllDirectories() {
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void Win32StartupApi::HeapSetInformation() {
  ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
}

void Win32StartupApi::ChooseUiLanguage() {
  ::ChooseUiLanguage(Win32ResourceApi(g_instance), Win32LocaleApi());
}

std::int32_t Win32StartupApi::D2D1CreateFactory(ComHolder<ID2D1Factory>& factory) {
  return ::D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                             reinterpret_cast<void**>(factory.put(&ReleaseCom<ID2D1Factory>)));
}

std::int32_t Win32StartupApi::DWriteCreateFactory(ComHolder<IDWriteFactory>& factory) {
  return ::DWriteCreateFactory(
      DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
      reinterpret_cast<IUnknown**>(factory.put(&ReleaseCom<IDWriteFactory>)));
}

bool Win32StartupApi::CreateMainWindow(SetupWindow& window, InstanceHandle instance) {
  const std::u16string title = LoadUiString(Win32ResourceApi(instance), kStrWindowTitle);
  return ::CreateMainWindow(window, reinterpret_cast<HINSTANCE>(instance), title);
}

void Win32StartupApi::DwmSetWindowAttribute(WindowHandle window) {
  const DWORD preference = kDwmCornerRound;
  ::DwmSetWindowAttribute(reinterpret_cast<HWND>(window), kDwmWindowCornerPreference, &preference,
                          sizeof preference);
}

void Win32StartupApi::SetForegroundWindow(WindowHandle window) {
  ::SetForegroundWindow(reinterpret_cast<HWND>(window));
}

int Win32StartupApi::GetMessageW(LoopMessage& message) {
  const BOOL result = ::GetMessageW(&message_, nullptr, 0, 0);
  message = LoopMessage{reinterpret_cast<WindowHandle>(message_.hwnd), message_.message,
                        message_.wParam, message_.lParam};
  return result;
}

void Win32StartupApi::TranslateMessage(const LoopMessage&) {
  ::TranslateMessage(&message_);
}

void Win32StartupApi::DispatchMessageW(const LoopMessage&) {
  ::DispatchMessageW(&message_);
}
