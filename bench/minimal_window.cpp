// The yardstick for the setup's size and start-up: the least a static Direct2D window program
// needs (a class, a popup of the same size, a single-threaded factory, an HWND render target that
// clears to the same background on WM_PAINT), built with the same flags and linker as the setup.
// Esc ends it.
#include <windows.h>

#include <d2d1.h>

namespace {

ID2D1Factory* g_factory = nullptr;
ID2D1HwndRenderTarget* g_target = nullptr;

void Paint(HWND hwnd) {
  PAINTSTRUCT paint;
  ::BeginPaint(hwnd, &paint);
  if (g_target == nullptr) {
    RECT client{};
    ::GetClientRect(hwnd, &client);
    g_factory->CreateHwndRenderTarget(
        D2D1::RenderTargetProperties(),
        D2D1::HwndRenderTargetProperties(hwnd, D2D1::SizeU(client.right, client.bottom)),
        &g_target);
  }
  if (g_target != nullptr) {
    g_target->BeginDraw();
    g_target->Clear(D2D1::ColorF(0x0D0F1E));
    g_target->EndDraw();
  }
  ::EndPaint(hwnd, &paint);
}

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        ::DestroyWindow(hwnd);
      }
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (FAILED(::D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, &g_factory))) {
    return 1;
  }
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"VorneBenchMinimal";
  ::RegisterClassExW(&windowClass);
  HWND hwnd = ::CreateWindowExW(WS_EX_APPWINDOW, L"VorneBenchMinimal", L"VorneBenchMinimal",
                                WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 300, 300, 420, 236, nullptr,
                                nullptr, instance, nullptr);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (g_target != nullptr) {
    g_target->Release();
  }
  g_factory->Release();
  return 0;
}
