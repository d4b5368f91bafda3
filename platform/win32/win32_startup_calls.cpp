#include "platform/win32/win32_startup_calls.h"

#include <windows.h>

#include <d2d1.h>
#include <dwrite.h>

#include "platform/win32/com_release.h"

void Win32HardeningApi::SetDefaultDllDirectories() {
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void Win32HardeningApi::HeapSetInformation() {
  ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
}

std::int32_t Win32GraphicsFactoryApi::D2D1CreateFactory(ComHolder<ID2D1Factory>& factory) {
  return ::D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                             reinterpret_cast<void**>(factory.put(&ReleaseCom<ID2D1Factory>)));
}

std::int32_t Win32GraphicsFactoryApi::DWriteCreateFactory(ComHolder<IDWriteFactory>& factory) {
  return ::DWriteCreateFactory(
      DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
      reinterpret_cast<IUnknown**>(factory.put(&ReleaseCom<IDWriteFactory>)));
}

namespace {

MSG ToMsg(const LoopMessage& message) {
  MSG msg{};
  msg.hwnd = reinterpret_cast<HWND>(message.window);
  msg.message = message.message;
  msg.wParam = message.wParam;
  msg.lParam = message.lParam;
  msg.time = message.time;
  msg.pt = POINT{message.point.x, message.point.y};
  return msg;
}

}  // namespace

int Win32MessageLoopApi::GetMessageW(LoopMessage& message) {
  MSG msg{};
  const BOOL result = ::GetMessageW(&msg, nullptr, 0, 0);
  message = LoopMessage{reinterpret_cast<WindowHandle>(msg.hwnd),
                        msg.message,
                        msg.wParam,
                        msg.lParam,
                        static_cast<std::uint32_t>(msg.time),
                        PixelPoint{msg.pt.x, msg.pt.y}};
  return result;
}

// Both take the message they are given: what a caller dispatches is what reaches the window.
void Win32MessageLoopApi::TranslateMessage(const LoopMessage& message) {
  const MSG msg = ToMsg(message);
  ::TranslateMessage(&msg);
}

void Win32MessageLoopApi::DispatchMessageW(const LoopMessage& message) {
  const MSG msg = ToMsg(message);
  ::DispatchMessageW(&msg);
}
