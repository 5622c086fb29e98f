#include "app/window_layer.h"

#include <vector>

#include "app/drop_target.h"
#include "app/help_window.h"
#include "app/main_window.h"

namespace dropshrink {

namespace {

const char windowClass[] = "DropShrinkWindow";
const char zoneClass[] = "DropShrinkZone";
const char ownerClass[] = "DropShrinkOwner";
// Posted to the owner window: destroy the window in wParam.
constexpr UINT destroyRequest = WM_APP + 1;

struct WindowState {
  HWND handle = nullptr;
  DropTarget* dropObject = nullptr;
  bool dropRegistered = false;
  // Windows that a modal load disabled, enabled again when it closes.
  std::vector<HWND> disabledWindows;
};

struct LayerState {
  bool started = false;
  HINSTANCE instance = nullptr;
  HWND owner = nullptr;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
  WindowState windows[appWindowCount];
};

LayerState layer;

const WindowDefinition& DefinitionOf(AppWindow window) {
  return window == AppWindow::Main ? mainWindowDefinition : helpWindowDefinition;
}

WindowState& StateOf(AppWindow window) { return layer.windows[static_cast<size_t>(window)]; }

WindowState* StateOfHandle(HWND handle) {
  for (WindowState& state : layer.windows) {
    if (handle && state.handle == handle) {
      return &state;
    }
  }
  return nullptr;
}

void EnableDisabledWindows(WindowState& state) {
  for (HWND other : state.disabledWindows) {
    if (IsWindow(other)) {
      EnableWindow(other, TRUE);
    }
  }
  state.disabledWindows.clear();
}

// The windows of a modal window are enabled before it goes, so that the
// system hands activation back to them rather than to another program.
void DestroyAppWindow(HWND handle) {
  if (WindowState* state = StateOfHandle(handle)) {
    EnableDisabledWindows(*state);
  }
  if (IsWindow(handle)) {
    DestroyWindow(handle);
  }
}

void ForgetWindow(HWND handle) {
  WindowState* state = StateOfHandle(handle);
  if (!state) {
    return;
  }
  EnableDisabledWindows(*state);
  if (state->dropRegistered) {
    RevokeDragDrop(handle);
    state->dropRegistered = false;
  }
  if (state->dropObject) {
    state->dropObject->Release();
    state->dropObject = nullptr;
  }
  state->handle = nullptr;
  for (const WindowState& other : layer.windows) {
    if (other.handle) {
      return;
    }
  }
  PostQuitMessage(0);
}

LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      DestroyAppWindow(handle);
      return 0;
    case WM_DESTROY:
      ForgetWindow(handle);
      return 0;
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

LRESULT CALLBACK ZoneProc(HWND zone, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      // The layered parent shows only what its skin composes.
      PAINTSTRUCT paint;
      BeginPaint(zone, &paint);
      EndPaint(zone, &paint);
      return 0;
    }
    case WM_LBUTTONUP: {
      auto definition =
          reinterpret_cast<const ZoneDefinition*>(GetWindowLongPtrA(zone, GWLP_USERDATA));
      if (definition && definition->onReleased) {
        definition->onReleased();
      }
      return 0;
    }
    default:
      return DefWindowProcA(zone, message, wParam, lParam);
  }
}

LRESULT CALLBACK OwnerProc(HWND owner, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == destroyRequest) {
    DestroyAppWindow(reinterpret_cast<HWND>(wParam));
    return 0;
  }
  return DefWindowProcA(owner, message, wParam, lParam);
}

bool RegisterClassOnce(const char* name, WNDPROC procedure, HICON icon, HICON smallIcon) {
  WNDCLASSEXA windowClassInfo = {};
  if (GetClassInfoExA(layer.instance, name, &windowClassInfo)) {
    return true;
  }
  windowClassInfo.cbSize = sizeof windowClassInfo;
  windowClassInfo.lpfnWndProc = procedure;
  windowClassInfo.hInstance = layer.instance;
  windowClassInfo.hIcon = icon;
  windowClassInfo.hIconSm = smallIcon;
  windowClassInfo.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClassInfo.hbrBackground = nullptr;
  windowClassInfo.lpszClassName = name;
  return RegisterClassExA(&windowClassInfo) != 0;
}

void SetCurrentDirectoryToProgramFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return;
  }
  // Up to the last "\", looked for character by character: the second
  // byte of a GBK character can be 0x5C.
  size_t lastSeparator = 0;
  bool found = false;
  for (size_t at = 0; at < length;) {
    if (path[at] == '\\') {
      lastSeparator = at;
      found = true;
    }
    at += IsDBCSLeadByte(static_cast<BYTE>(path[at])) && at + 1 < length ? 2 : 1;
  }
  if (!found) {
    return;
  }
  path[lastSeparator] = '\0';
  SetCurrentDirectoryA(path);
}

struct DisableContext {
  HWND except;
  std::vector<HWND>* disabled;
};

BOOL CALLBACK DisableOtherWindow(HWND handle, LPARAM lParam) {
  auto* context = reinterpret_cast<DisableContext*>(lParam);
  if (handle != context->except && handle != layer.owner && IsWindowVisible(handle) &&
      IsWindowEnabled(handle)) {
    EnableWindow(handle, FALSE);
    context->disabled->push_back(handle);
  }
  return TRUE;
}

}  // namespace

bool StartWindowLayer() {
  if (layer.started) {
    return true;
  }
  OleInitialize(nullptr);
  layer.instance = GetModuleHandleA(nullptr);
  SetCurrentDirectoryToProgramFolder();
  layer.icon = LoadIconA(layer.instance, "DEFAULT_ICON");
  // The taskbar button wants the small size; the one 48 x 48 picture is
  // scaled down once here rather than at every draw.
  layer.smallIcon = static_cast<HICON>(LoadImageA(layer.instance, "DEFAULT_ICON", IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), 0));
  if (!RegisterClassOnce(windowClass, WindowProc, layer.icon, layer.smallIcon) ||
      !RegisterClassOnce(zoneClass, ZoneProc, nullptr, nullptr) ||
      !RegisterClassOnce(ownerClass, OwnerProc, nullptr, nullptr)) {
    return false;
  }
  layer.owner = CreateWindowExA(WS_EX_TOOLWINDOW, ownerClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, layer.instance, nullptr);
  layer.started = layer.owner != nullptr;
  return layer.started;
}

HWND HandleOf(AppWindow window) { return StateOf(window).handle; }

HWND LayerOwnerWindow() { return layer.owner; }

void SetAlwaysOnTop(AppWindow window, bool on) {
  HWND handle = HandleOf(window);
  if (!handle) {
    return;
  }
  SetWindowPos(handle, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void Minimise(AppWindow window) {
  HWND handle = HandleOf(window);
  if (handle && IsWindowVisible(handle)) {
    ShowWindow(handle, SW_MINIMIZE);
  }
}

void QueueDestroy(AppWindow window) {
  HWND handle = HandleOf(window);
  if (handle) {
    PostMessageA(layer.owner, destroyRequest, reinterpret_cast<WPARAM>(handle), 0);
  }
}

HWND LoadWindow(AppWindow window, bool modal) {
  WindowState& state = StateOf(window);
  if (state.handle || !layer.started) {
    return state.handle;
  }
  const WindowDefinition& definition = DefinitionOf(window);
  int left = (GetSystemMetrics(SM_CXSCREEN) - definition.width) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - definition.height) / 2;
  HWND owner = modal || definition.ownedByLayer ? layer.owner : nullptr;
  HWND handle = CreateWindowExA(definition.topmost ? WS_EX_TOPMOST : 0, windowClass, "",
                                WS_POPUP | WS_CLIPCHILDREN, left, top, definition.width,
                                definition.height, owner, nullptr, layer.instance, nullptr);
  if (!handle) {
    return nullptr;
  }
  state.handle = handle;
  std::vector<HWND> zones;
  for (size_t index = 0; index < definition.zoneCount; ++index) {
    const ZoneDefinition& zone = definition.zones[index];
    HWND child = CreateWindowExA(WS_EX_TRANSPARENT, zoneClass, "", WS_CHILD | WS_VISIBLE, zone.left,
                                 zone.top, zone.width, zone.height, handle, nullptr, layer.instance,
                                 nullptr);
    SetWindowLongPtrA(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&zone));
    zones.push_back(child);
  }
  if (definition.onFilesDropped) {
    state.dropObject = new DropTarget(definition.onFilesDropped);
  }
  if (definition.onCreated) {
    definition.onCreated();
  }
  // Controls that the created event adds must not cover the zones, which
  // take their clicks through whatever is drawn above them.
  for (HWND zone : zones) {
    SetWindowPos(zone, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (!IsWindow(handle)) {
    return nullptr;
  }
  ShowWindow(handle, SW_SHOW);
  UpdateWindow(handle);
  if (!modal) {
    return handle;
  }

  DisableContext context = {handle, &state.disabledWindows};
  EnumThreadWindows(GetCurrentThreadId(), DisableOtherWindow, reinterpret_cast<LPARAM>(&context));
  MSG message;
  while (StateOf(window).handle == handle) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The quit belongs to the outer loop.
      PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 0);
      break;
    }
    if (!HandleLayerKeys(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  EnableDisabledWindows(state);
  return handle;
}

void RegisterDropObject(HWND handle) {
  WindowState* state = StateOfHandle(handle);
  if (!state || !state->dropObject || state->dropRegistered) {
    return;
  }
  state->dropRegistered = SUCCEEDED(RegisterDragDrop(handle, state->dropObject));
}

bool HandleLayerKeys(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_ESCAPE || !message.hwnd) {
    return false;
  }
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  if (!StateOfHandle(root)) {
    return false;
  }
  SendMessageA(root, WM_CLOSE, 0, 0);
  return true;
}

int RunMessageLoop() {
  MSG message;
  for (;;) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      return static_cast<int>(message.wParam);
    }
    if (got == -1) {
      return 1;
    }
    if (!HandleLayerKeys(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

}  // namespace dropshrink
