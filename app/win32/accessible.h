// The window's Active Accessibility object: IAccessible over the portable tree of
// ui/accessibility.h, answered from WM_GETOBJECT. COM, oleacc and oleaut32 are touched only once a
// client asks for the object, so a run without a screen reader loads none of them. UI thread only.
#pragma once

#include <windows.h>

#include <optional>

// WM_GETOBJECT: the answer for the client object (OBJID_CLIENT), made on first request together
// with the COM apartment; nothing for any other object id, which the caller leaves to
// DefWindowProcW, and nothing once the window is being destroyed.
std::optional<LRESULT> AnswerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam);

// WM_DESTROY: from here on the object answers every call with CO_E_OBJNOTCONNECTED, and its
// clients are cut off; it never reaches the window record again, and `hwnd` gets no new object.
void DisconnectAccessible(HWND hwnd);
// WM_NCDESTROY: no message can come for that window any more.
void ForgetClosedWindow();

// Ends the COM apartment if a client ever made one, after the message loop. Held by the program
// so that it runs on every way out of SetupEntry.
struct AccessibilityLifetime {
  AccessibilityLifetime() = default;
  AccessibilityLifetime(const AccessibilityLifetime&) = delete;
  AccessibilityLifetime& operator=(const AccessibilityLifetime&) = delete;
  ~AccessibilityLifetime();
};
