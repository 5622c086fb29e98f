#include "skin/skinned_controls.h"

#include <cstddef>

#include <commctrl.h>

#include "skin/control_props.h"
#include "skin/png_picture_box.h"
#include "skin/png_window.h"

HWND toolTipWindow = nullptr;

namespace {

LRESULT CallChildProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  auto saved = GetPropAs<WNDPROC>(control, prop::ChildWndProc);
  if (!saved) {
    return DefWindowProcA(control, message, wParam, lParam);
  }
  return CallWindowProcA(saved, control, message, wParam, lParam);
}

void SetDrawState(HWND control, int state) {
  SetPropInt(control, prop::DrawState, state);
  ComposeWindow(GetParent(control), nullptr, false);
}

// The tool record as the tooltip control of every version reads it.
constexpr UINT toolInfoSize = offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM);

}  // namespace

LRESULT CALLBACK ButtonProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  int state = GetPropInt(control, prop::DrawState);
  switch (message) {
    case WM_MOUSEMOVE:
      if (state != stateOver && state != stateDown) {
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = control;
        track.dwHoverTime = 0;
        TrackMouseEvent(&track);
        SetDrawState(control, stateOver);
      }
      break;
    case WM_MOUSELEAVE:
      SetDrawState(control, stateNormal);
      break;
    case WM_LBUTTONDOWN:
      SetDrawState(control, stateDown);
      break;
    case WM_LBUTTONUP:
      SetDrawState(control, state == stateDown ? stateOver : stateNormal);
      break;
    case WM_ENABLE:
      SetDrawState(control, wParam ? stateNormal : stateDisabled);
      break;
    default:
      break;
  }
  return CallChildProc(control, message, wParam, lParam);
}

LRESULT CALLBACK TextBoxProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS) {
    caretPhase = 0;
    caretWindow = GetParent(control);
    caretTextBox = control;
  } else if (message == WM_KILLFOCUS) {
    caretTextBox = nullptr;
    caretWindow = nullptr;
  }
  switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_SETTEXT:
    case WM_CUT:
    case WM_PASTE:
    case WM_KEYDOWN:
    case WM_LBUTTONUP:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      LRESULT result = CallChildProc(control, message, wParam, lParam);
      ComposeWindow(GetParent(control), nullptr, false);
      return result;
    }
    default:
      return CallChildProc(control, message, wParam, lParam);
  }
}

void PaintButton(HWND control, HDC dc) {
  PaintImageOverSnapshot(control, dc,
                         PickStateImage(control, GetPropInt(control, prop::DrawState)));
}

void SetToolTip(HWND control, const char* text, bool nearCursor) {
  if (!toolTipWindow) {
    // The class is registered by the common controls library, which a
    // statically linked program has not necessarily loaded yet.
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    toolTipWindow = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", 0, 0, 0, 0, 0, nullptr,
                                    nullptr, nullptr, nullptr);
    if (toolTipWindow) {
      SendMessageA(toolTipWindow, TTM_SETMAXTIPWIDTH, 0, 1024);
    }
  }
  TTTOOLINFOA record = {};
  record.cbSize = toolInfoSize;
  record.hwnd = control;
  record.uId = 0;
  record.hinst = nullptr;
  record.lpszText = const_cast<char*>(text ? text : "");
  record.lParam = 0;
  UINT message = TTM_UPDATETIPTEXTA;
  if (!GetPropInt(control, prop::ToolTips)) {
    SetPropInt(control, prop::ToolTips, 1);
    record.uFlags = TTF_SUBCLASS;
    if (!nearCursor) {
      record.uFlags |= TTF_CENTERTIP;
    }
    GetClientRect(control, &record.rect);
    message = TTM_ADDTOOLA;
  }
  SendMessageA(toolTipWindow, message, 0, reinterpret_cast<LPARAM>(&record));
}
