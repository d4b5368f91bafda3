#include "app/win32/accessible.h"

#include <oleacc.h>

#include "app/run_setup.h"
#include "platform/com_holder.h"
#include "platform/win32/com_release.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_resources.h"
#include "ui/accessibility.h"
#include "ui/placement.h"
#include "ui/window_messages.h"

static_assert(static_cast<LONG>(AccessibleRole::Client) == ROLE_SYSTEM_CLIENT &&
              static_cast<LONG>(AccessibleRole::StaticText) == ROLE_SYSTEM_STATICTEXT &&
              static_cast<LONG>(AccessibleRole::PushButton) == ROLE_SYSTEM_PUSHBUTTON &&
              static_cast<LONG>(AccessibleRole::ProgressBar) == ROLE_SYSTEM_PROGRESSBAR);
static_assert(kStateUnavailable == STATE_SYSTEM_UNAVAILABLE &&
              kStateFocused == STATE_SYSTEM_FOCUSED && kStateReadOnly == STATE_SYSTEM_READONLY &&
              kStateDefault == STATE_SYSTEM_DEFAULT && kStateFocusable == STATE_SYSTEM_FOCUSABLE);
static_assert(kEventSystemAlert == EVENT_SYSTEM_ALERT && kEventObjectShow == EVENT_OBJECT_SHOW &&
              kEventObjectHide == EVENT_OBJECT_HIDE &&
              kEventObjectReorder == EVENT_OBJECT_REORDER &&
              kEventObjectFocus == EVENT_OBJECT_FOCUS &&
              kEventObjectStateChange == EVENT_OBJECT_STATECHANGE &&
              kEventObjectNameChange == EVENT_OBJECT_NAMECHANGE &&
              kEventObjectValueChange == EVENT_OBJECT_VALUECHANGE);
static_assert(kObjIdClient == OBJID_CLIENT && kChildSelf == CHILDID_SELF);
static_assert(static_cast<LONG>(NavigateDirection::Up) == NAVDIR_UP &&
              static_cast<LONG>(NavigateDirection::LastChild) == NAVDIR_LASTCHILD);

namespace {

// The client object. Every call builds the tree afresh from the window record, so what it says
// is what the screen shows at that moment; after WM_DESTROY it no longer looks at the record.
// COM calls into a single-threaded apartment arrive on the UI thread only.
class SetupAccessible final : public IAccessible {
 public:
  explicit SetupAccessible(HWND hwnd) : hwnd_(hwnd) {}

  void Disconnect() { connected_ = false; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID_IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) {
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch: clients of this object call IAccessible directly; no type information is offered.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) {
      return E_POINTER;
    }
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) {
      *info = nullptr;
    }
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) {
      return E_POINTER;
    }
    *parent = nullptr;
    if (!connected_) {
      return CO_E_OBJNOTCONNECTED;
    }
    return ::AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                        reinterpret_cast<void**>(parent));
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (count == nullptr) {
      return E_POINTER;
    }
    *count = 0;
    const std::optional<AccessibleTree> tree = Tree();
    if (!tree) {
      return CO_E_OBJNOTCONNECTED;
    }
    *count = static_cast<LONG>(tree->children.size());
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    *object = nullptr;
    const Target target = Resolve(child);
    if (FAILED(target.refusal)) {
      return target.refusal;
    }
    // Every child is a simple element: it has an id but no object of its own.
    return target.item() != nullptr ? S_FALSE : E_INVALIDARG;
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, [](const Target& target) {
      return target.item() == nullptr ? target.tree.name : target.item()->name;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (value == nullptr) {
      return E_POINTER;
    }
    *value = nullptr;
    const Target target = Resolve(child);
    if (FAILED(target.refusal)) {
      return target.refusal;
    }
    const AccessibleItem* item = target.item();
    if (item == nullptr || item->role != AccessibleRole::ProgressBar) {
      return DISP_E_MEMBERNOTFOUND;
    }
    return Allocate(item->value, value);
  }

  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return Nothing(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
    return Nothing(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
    return Nothing(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    if (topic == nullptr) {
      return E_POINTER;
    }
    *topic = 0;
    return Nothing(child, file);
  }

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return Number(child, role, [](const Target& target) {
      return static_cast<LONG>(target.item() == nullptr ? AccessibleRole::Client
                                                        : target.item()->role);
    });
  }

  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const bool hidden = !::IsWindowVisible(hwnd_);
    return Number(child, state, [hidden](const Target& target) {
      LONG bits =
          static_cast<LONG>(target.item() == nullptr ? target.tree.state : target.item()->state);
      // The window is hidden while the installer comes up; then nothing of it can be seen.
      if (hidden) {
        bits |= STATE_SYSTEM_INVISIBLE;
      }
      return bits;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) {
      return E_POINTER;
    }
    focus->vt = VT_EMPTY;
    const std::optional<AccessibleTree> tree = Tree();
    if (!tree) {
      return CO_E_OBJNOTCONNECTED;
    }
    if (!HasFocus()) {
      return S_FALSE;
    }
    focus->vt = VT_I4;
    focus->lVal = tree->focus;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) {
      return E_POINTER;
    }
    selection->vt = VT_EMPTY;
    return connected_ ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }

  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (action == nullptr) {
      return E_POINTER;
    }
    *action = nullptr;
    const Target target = Resolve(child);
    if (FAILED(target.refusal)) {
      return target.refusal;
    }
    if (target.Action() == ButtonId::None) {
      return S_FALSE;
    }
    return Allocate(kActionPress, action);
  }

  HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT child) override {
    const Target target = Resolve(child);
    return FAILED(target.refusal) ? target.refusal : DISP_E_MEMBERNOTFOUND;
  }

  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
      return E_POINTER;
    }
    *left = *top = *width = *height = 0;
    const Target target = Resolve(child);
    if (FAILED(target.refusal)) {
      return target.refusal;
    }
    POINT origin{0, 0};
    ::ClientToScreen(hwnd_, &origin);
    const RectF& dips = target.item() == nullptr ? target.tree.bounds : target.item()->bounds;
    const PixelRect pixels =
        AccessibleScreenRect(dips, ::GetDpiForWindow(hwnd_), PixelPoint{origin.x, origin.y});
    *left = pixels.left;
    *top = pixels.top;
    *width = pixels.right - pixels.left;
    *height = pixels.bottom - pixels.top;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) {
      return E_POINTER;
    }
    end->vt = VT_EMPTY;
    const Target target = Resolve(start);
    if (FAILED(target.refusal)) {
      return target.refusal;
    }
    if (direction < NAVDIR_UP || direction > NAVDIR_LASTCHILD) {
      return E_INVALIDARG;
    }
    const std::optional<std::int32_t> to =
        AccessibleNavigate(target.tree, target.id, static_cast<NavigateDirection>(direction));
    if (!to) {
      return S_FALSE;
    }
    end->vt = VT_I4;
    end->lVal = *to;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    if (child == nullptr) {
      return E_POINTER;
    }
    child->vt = VT_EMPTY;
    const std::optional<AccessibleTree> tree = Tree();
    if (!tree) {
      return CO_E_OBJNOTCONNECTED;
    }
    POINT point{x, y};
    if (!::ScreenToClient(hwnd_, &point)) {
      return S_FALSE;
    }
    const float scale = static_cast<float>(::GetDpiForWindow(hwnd_)) / static_cast<float>(kBaseDpi);
    const std::optional<std::int32_t> hit = AccessibleHitTest(
        *tree, static_cast<float>(point.x) / scale, static_cast<float>(point.y) / scale);
    if (!hit) {
      return S_FALSE;
    }
    child->vt = VT_I4;
    child->lVal = *hit;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    const Target target = Resolve(child);
    if (FAILED(target.refusal)) {
      return target.refusal;
    }
    const ButtonId button = target.Action();
    if (button == ButtonId::None) {
      return DISP_E_MEMBERNOTFOUND;
    }
    // Pressed from the message loop, after this call has returned: a press may close the window
    // and join the worker, which must not happen inside a screen reader's call.
    if (!::PostMessageW(hwnd_, kWmAccessibleAction, static_cast<WPARAM>(button), 0)) {
      return HRESULT_FROM_WIN32(::GetLastError());
    }
    return S_OK;
  }

  // Setting names and values is not something this window allows.
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~SetupAccessible() = default;

  bool HasFocus() const { return ::GetFocus() == hwnd_; }

  // The tree of the screen shown now; nothing once disconnected.
  std::optional<AccessibleTree> Tree() const {
    if (!connected_ || g_setupWindow == nullptr) {
      return std::nullopt;
    }
    const Win32ResourceApi resources(g_instance);
    const Win32LocaleApi locale;
    return BuildAccessibleTree(*g_setupWindow, resources, locale, HasFocus());
  }

  // The tree of the screen shown now and the element a VARIANT names in it, or the answer that
  // refuses the call: CO_E_OBJNOTCONNECTED once disconnected, E_INVALIDARG for anything but a
  // VT_I4 id of the client (CHILDID_SELF) or of one of its children.
  struct Target {
    AccessibleTree tree;
    LONG id = CHILDID_SELF;
    HRESULT refusal = S_OK;

    // The child, or null for the client itself.
    const AccessibleItem* item() const {
      return id == CHILDID_SELF ? nullptr : &tree.children[static_cast<std::size_t>(id - 1)];
    }
    ButtonId Action() const { return item() == nullptr ? ButtonId::None : item()->action; }
  };

  Target Resolve(const VARIANT& child) const {
    Target target;
    std::optional<AccessibleTree> tree = Tree();
    if (!tree) {
      target.refusal = CO_E_OBJNOTCONNECTED;
    } else if (child.vt != VT_I4 || child.lVal < CHILDID_SELF ||
               child.lVal > static_cast<LONG>(tree->children.size())) {
      target.refusal = E_INVALIDARG;
    } else {
      target.tree = std::move(*tree);
      target.id = child.lVal;
    }
    return target;
  }

  static HRESULT Allocate(const std::u16string& text, BSTR* out) {
    *out = ::SysAllocStringLen(WidePtr(text), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  template <class Get>
  HRESULT Text(const VARIANT& child, BSTR* out, Get get) const {
    if (out == nullptr) {
      return E_POINTER;
    }
    *out = nullptr;
    const Target target = Resolve(child);
    return FAILED(target.refusal) ? target.refusal : Allocate(get(target), out);
  }

  template <class Get>
  HRESULT Number(const VARIANT& child, VARIANT* out, Get get) const {
    if (out == nullptr) {
      return E_POINTER;
    }
    out->vt = VT_EMPTY;
    const Target target = Resolve(child);
    if (FAILED(target.refusal)) {
      return target.refusal;
    }
    out->vt = VT_I4;
    out->lVal = get(target);
    return S_OK;
  }

  // A property this window has no text for.
  HRESULT Nothing(const VARIANT& child, BSTR* out) const {
    if (out == nullptr) {
      return E_POINTER;
    }
    *out = nullptr;
    const Target target = Resolve(child);
    return FAILED(target.refusal) ? target.refusal : S_FALSE;
  }

  HWND hwnd_;
  bool connected_ = true;
  LONG references_ = 1;
};

// UI thread only, like the window they serve.
struct Accessibility {
  bool comStarted = false;
  // The window between its WM_DESTROY and WM_NCDESTROY: it gets no new object.
  HWND closing = nullptr;
  ComHolder<SetupAccessible> object;
};
Accessibility g_accessibility;

}  // namespace

std::optional<LRESULT> AnswerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  // The object id travels in the low 32 bits, sign-extended or not.
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT ||
      hwnd == g_accessibility.closing || g_setupWindow == nullptr) {
    return std::nullopt;
  }
  if (!g_accessibility.comStarted) {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
      return std::nullopt;
    }
    g_accessibility.comStarted = true;
  }
  if (!g_accessibility.object) {
    g_accessibility.object.attach(new SetupAccessible(hwnd), ReleaseCom<SetupAccessible>);
  }
  const LRESULT result = ::LresultFromObject(
      IID_IAccessible, wParam, static_cast<IAccessible*>(g_accessibility.object.get()));
  // A failed marshalling comes back as a negative HRESULT, which the client would take for a
  // reference; the default handling answers it properly.
  if (FAILED(static_cast<HRESULT>(result))) {
    return std::nullopt;
  }
  return result;
}

void DisconnectAccessible(HWND hwnd) {
  g_accessibility.closing = hwnd;
  if (g_accessibility.object) {
    g_accessibility.object->Disconnect();
    // Clients in other processes lose their proxies now rather than at the process's end.
    ::CoDisconnectObject(static_cast<IAccessible*>(g_accessibility.object.get()), 0);
    g_accessibility.object.reset();
  }
}

void ForgetClosedWindow() {
  g_accessibility.closing = nullptr;
}

AccessibilityLifetime::~AccessibilityLifetime() {
  DisconnectAccessible(nullptr);
  if (g_accessibility.comStarted) {
    g_accessibility.comStarted = false;
    ::CoUninitialize();
  }
}
