// A small Active Accessibility client, as a screen reader is one: it reads the running setup's
// window from another process and prints what it finds as JSON, for the end-to-end tests.
//
//   msaa_client tree              the client object and every child: role, name, value, state,
//                                 default action, location, the child a hit test at the centre of
//                                 that location finds, and the next sibling by accNavigate
//   msaa_client do <child id>     accDoDefaultAction on that child; prints the HRESULT
//   msaa_client watch <file> <s>  appends one JSON line per WinEvent of the setup's window to
//                                 <file> for <s> seconds, with the object's name and value then
//
// The window is found by its class name. Exit status 0 when the window was read, 2 when it was
// not found, 3 when its object could not be had.
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr wchar_t kClassName[] = L"VorneSandboxSetup";

std::string Utf8(const wchar_t* text, int length) {
  if (text == nullptr || length <= 0) {
    return {};
  }
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  return out;
}

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A BSTR property as JSON: its text, or null when the call did not give one (with its HRESULT
// kept in `hr`).
template <class Call>
std::string TextOf(Call call, HRESULT* hr = nullptr) {
  BSTR text = nullptr;
  const HRESULT result = call(&text);
  if (hr != nullptr) {
    *hr = result;
  }
  if (result != S_OK || text == nullptr) {
    if (text != nullptr) {
      ::SysFreeString(text);
    }
    return "null";
  }
  const std::string out = Json(Utf8(text, static_cast<int>(::SysStringLen(text))));
  ::SysFreeString(text);
  return out;
}

VARIANT Child(LONG id) {
  VARIANT child;
  ::VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

std::string NumberOf(HRESULT hr, const VARIANT& value) {
  if (hr != S_OK || value.vt != VT_I4) {
    return "null";
  }
  return std::to_string(value.lVal);
}

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "\"0x%lx\"", value);
  return text;
}

// One object or child as a JSON object.
std::string Describe(IAccessible* object, LONG id) {
  const VARIANT child = Child(id);
  std::string out = "{\"id\": " + std::to_string(id);
  VARIANT role;
  ::VariantInit(&role);
  out += ", \"role\": " + NumberOf(object->get_accRole(child, &role), role);
  VARIANT state;
  ::VariantInit(&state);
  const HRESULT stateHr = object->get_accState(child, &state);
  out += ", \"state\": " + (stateHr == S_OK && state.vt == VT_I4
                                ? Hex(static_cast<unsigned long>(state.lVal))
                                : std::string("null"));
  out += ", \"name\": " + TextOf([&](BSTR* text) { return object->get_accName(child, text); });
  out += ", \"value\": " + TextOf([&](BSTR* text) { return object->get_accValue(child, text); });
  out += ", \"action\": " +
         TextOf([&](BSTR* text) { return object->get_accDefaultAction(child, text); });
  LONG x = 0, y = 0, width = 0, height = 0;
  if (object->accLocation(&x, &y, &width, &height, child) == S_OK) {
    out += ", \"location\": [" + std::to_string(x) + ", " + std::to_string(y) + ", " +
           std::to_string(width) + ", " + std::to_string(height) + "]";
    VARIANT hit;
    ::VariantInit(&hit);
    const HRESULT hitHr = object->accHitTest(x + width / 2, y + height / 2, &hit);
    out += ", \"hit\": " + NumberOf(hitHr, hit);
  } else {
    out += ", \"location\": null, \"hit\": null";
  }
  VARIANT next;
  ::VariantInit(&next);
  const HRESULT nextHr =
      object->accNavigate(id == CHILDID_SELF ? NAVDIR_FIRSTCHILD : NAVDIR_NEXT, child, &next);
  out += std::string(", \"") + (id == CHILDID_SELF ? "first" : "next") +
         "\": " + NumberOf(nextHr, next);
  return out + "}";
}

HWND FindSetupWindow() {
  return ::FindWindowW(kClassName, nullptr);
}

IAccessible* ClientObject(HWND window) {
  IAccessible* object = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object)))) {
    return nullptr;
  }
  return object;
}

int PrintTree(IAccessible* object) {
  LONG count = 0;
  const HRESULT countHr = object->get_accChildCount(&count);
  VARIANT focus;
  ::VariantInit(&focus);
  const HRESULT focusHr = object->get_accFocus(&focus);
  std::string out = "{\"client\": " + Describe(object, CHILDID_SELF);
  out += ", \"count\": " + (countHr == S_OK ? std::to_string(count) : std::string("null"));
  out += ", \"focus\": " + NumberOf(focusHr, focus);
  // The children as AccessibleChildren gives them, which is how screen readers walk a tree.
  out += ", \"children\": [";
  if (countHr == S_OK && count > 0 && count < 64) {
    VARIANT children[64];
    LONG obtained = 0;
    const HRESULT hr = ::AccessibleChildren(object, 0, count, children, &obtained);
    for (LONG i = 0; SUCCEEDED(hr) && i < obtained; ++i) {
      if (i > 0) {
        out += ", ";
      }
      if (children[i].vt == VT_I4) {
        out += Describe(object, children[i].lVal);
      } else {
        out += "{\"vt\": " + std::to_string(children[i].vt) + "}";
      }
      ::VariantClear(&children[i]);
    }
  }
  out += "]";
  // An id past the last child is refused, not answered.
  BSTR name = nullptr;
  const HRESULT pastHr = object->get_accName(Child(count + 1), &name);
  if (name != nullptr) {
    ::SysFreeString(name);
  }
  out += ", \"past_last\": " + Hex(static_cast<unsigned long>(pastHr));
  out += "}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

int DoDefaultAction(IAccessible* object, LONG id) {
  const HRESULT hr = object->accDoDefaultAction(Child(id));
  std::printf("{\"hr\": %s}\n", Hex(static_cast<unsigned long>(hr)).c_str());
  return 0;
}

FILE* g_events = nullptr;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG objectId, LONG childId, DWORD,
                      DWORD time) {
  wchar_t className[64] = {};
  if (hwnd == nullptr || ::GetClassNameW(hwnd, className, 64) == 0 ||
      std::wcscmp(className, kClassName) != 0) {
    return;
  }
  std::string out = "{\"event\": " + Hex(event) + ", \"object\": " + std::to_string(objectId) +
                    ", \"child\": " + std::to_string(childId) +
                    ", \"time\": " + std::to_string(time);
  // What a listener reads right away; a hidden child may already be gone.
  if (objectId == OBJID_CLIENT && event != EVENT_OBJECT_HIDE) {
    IAccessible* object = nullptr;
    VARIANT child;
    ::VariantInit(&child);
    if (SUCCEEDED(::AccessibleObjectFromEvent(hwnd, static_cast<DWORD>(objectId),
                                              static_cast<DWORD>(childId), &object, &child)) &&
        object != nullptr) {
      out += ", \"name\": " + TextOf([&](BSTR* text) { return object->get_accName(child, text); });
      out +=
          ", \"value\": " + TextOf([&](BSTR* text) { return object->get_accValue(child, text); });
      VARIANT role;
      ::VariantInit(&role);
      out += ", \"role\": " + NumberOf(object->get_accRole(child, &role), role);
      ::VariantClear(&child);
      object->Release();
    }
  }
  out += "}\n";
  std::fwrite(out.data(), 1, out.size(), g_events);
  std::fflush(g_events);
}

int Watch(const wchar_t* path, DWORD seconds) {
  g_events = _wfopen(path, L"ab");
  if (g_events == nullptr) {
    return 4;
  }
  // Every process: the setup may not have started yet, or may be started again.
  const HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, OnEvent, 0, 0,
                                               WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  if (hook == nullptr) {
    return 5;
  }
  std::fputs("{\"watching\": true}\n", g_events);
  std::fflush(g_events);
  const ULONGLONG end = ::GetTickCount64() + seconds * 1000ull;
  for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::DispatchMessageW(&message);
    }
  }
  ::UnhookWinEvent(hook);
  std::fclose(g_events);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: msaa_client tree | do <child id> | watch <file> <seconds>\n", stderr);
    return 1;
  }
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring command = argv[1];
  if (command == L"watch" && argc == 4) {
    return Watch(argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
  }
  const HWND window = FindSetupWindow();
  if (window == nullptr) {
    std::puts("{\"error\": \"no window\"}");
    return 2;
  }
  IAccessible* object = ClientObject(window);
  if (object == nullptr) {
    std::puts("{\"error\": \"no object\"}");
    return 3;
  }
  int status = 1;
  if (command == L"tree") {
    status = PrintTree(object);
  } else if (command == L"do" && argc == 3) {
    status = DoDefaultAction(object, std::wcstol(argv[2], nullptr, 10));
  }
  object->Release();
  std::fflush(stdout);
  return status;
}
