#include "skin/png_window.h"

#include "skin/control_props.h"
#include "skin/png_picture_box.h"
#include "skin/scoped_win.h"
#include "skin/skinned_controls.h"

using skin::ScopedBitmap;
using skin::ScopedGpGraphics;
using skin::ScopedGpImage;
using skin::ScopedGpPen;
using skin::ScopedMemoryDc;
using skin::ScopedSelect;
using skin::ScopedWindowDc;
namespace gp = Gdiplus::DllExports;

HWND caretWindow = nullptr;
HWND caretTextBox = nullptr;
Gdiplus::GpImage* cachedCanvas = nullptr;
int caretPhase = 0;

namespace {

bool WindowSize(HWND window, int* width, int* height) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) {
    return false;
  }
  *width = rect.right - rect.left;
  *height = rect.bottom - rect.top;
  return true;
}

}  // namespace

bool PngWindow::Attach(HWND handle) {
  if (!IsWindow(handle)) {
    return false;
  }
  window = handle;
  SetWindowLongPtrA(window, GWL_EXSTYLE, WS_EX_LAYERED);
  CreateCaret(window, nullptr, 1, 12);
  if (::GetPropA(window, prop::Time)) {
    return true;
  }
  SetTimer(window, caretTimerId, caretTimerPeriod, CaretTimerProc);
  SetPropInt(window, prop::Time, static_cast<int32_t>(caretTimerId));
  return true;
}

bool PngWindow::SetBackImage(Gdiplus::GpImage* image) {
  if (!IsWindow(window) || !image) {
    return false;
  }
  ::SetPropA(window, prop::BackImage, image);
  ComposeWindow(window, nullptr, false);
  return true;
}

bool PngWindow::SetBackImageFromBytes(const void* bytes, size_t size) {
  return SetBackImage(LoadImageFromBytes(bytes, size));
}

bool PngWindow::SetBackImageFromBytes(const ByteArray& bytes) {
  return SetBackImageFromBytes(bytes.data(), bytes.size());
}

void PngWindow::Refresh() {
  if (!IsWindow(window)) {
    return;
  }
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    int kind = GetPropInt(child, prop::Type);
    if (kind == 0) {
      continue;
    }
    // Inside a layered window nothing a control paints is seen, so the
    // picture's own painting procedure only costs a snapshot per paint.
    if (HANDLE saved = ::GetPropA(child, prop::WndProc)) {
      SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved));
      ::RemovePropA(child, prop::WndProc);
    }
    if (!::GetPropA(child, prop::ChildWndProc)) {
      WNDPROC procedure = nullptr;
      if (kind == kindButton) {
        procedure = ButtonProc;
      } else if (kind == kindTextBox) {
        procedure = TextBoxProc;
      }
      if (procedure) {
        LONG_PTR previous =
            SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
        ::SetPropA(child, prop::ChildWndProc, reinterpret_cast<HANDLE>(previous));
      }
    }
  }
  ComposeWindow(window, nullptr, false);
}

void PngWindow::Move(std::optional<int> left, std::optional<int> top, std::optional<int> width,
                     std::optional<int> height, bool noRedraw) {
  MoveKeeping(window, left, top, width, height, noRedraw);
}

bool PngWindow::IsValid() const { return IsWindow(window) == TRUE; }

LRESULT PngWindow::SendMsg(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(window, message, wParam, lParam);
}

void MoveKeeping(HWND window, std::optional<int> left, std::optional<int> top,
                 std::optional<int> width, std::optional<int> height, bool noRedraw) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  UINT flags = SWP_NOZORDER;
  if (noRedraw) {
    flags |= SWP_NOREDRAW;
  }
  if (!left && !top) {
    flags |= SWP_NOMOVE;
  }
  if (!width && !height) {
    flags |= SWP_NOSIZE;
  }
  POINT corner = {rect.left, rect.top};
  if (HWND parent =
          (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr) {
    ScreenToClient(parent, &corner);
  }
  SetWindowPos(window, nullptr, left.value_or(corner.x), top.value_or(corner.y),
               width.value_or(rect.right - rect.left), height.value_or(rect.bottom - rect.top),
               flags);
}

void ComposeWindow(HWND window, Gdiplus::GpBitmap** canvasOut, bool handBack) {
  if (handBack && canvasOut) {
    *canvasOut = nullptr;
  }
  int width = 0;
  int height = 0;
  if (!WindowSize(window, &width, &height)) {
    return;
  }
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap) !=
      Gdiplus::Ok) {
    return;
  }
  ScopedGpImage canvas(bitmap);
  {
    ScopedGpGraphics context;
    gp::GdipGetImageGraphicsContext(canvas.Get(), context.Out());
    if (auto* back = GetPropAs<Gdiplus::GpImage*>(window, prop::BackImage)) {
      Gdiplus::REAL canvasWidth = 0;
      Gdiplus::REAL canvasHeight = 0;
      gp::GdipGetImageDimension(canvas.Get(), &canvasWidth, &canvasHeight);
      gp::GdipDrawImageRect(context.Get(), back, 0, 0, canvasWidth, canvasHeight);
    }
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (GetPropInt(child, prop::Type) != 0) {
        DrawChild(window, child, context.Get());
      }
    }
  }
  if (handBack) {
    if (canvasOut) {
      *canvasOut = reinterpret_cast<Gdiplus::GpBitmap*>(canvas.Release());
    }
    return;
  }
  PresentCanvas(window, canvas.Get(), 0);
  if (window == caretWindow) {
    if (cachedCanvas) {
      gp::GdipDisposeImage(cachedCanvas);
    }
    cachedCanvas = canvas.Release();
  }
}

void PresentCanvas(HWND window, Gdiplus::GpImage* canvas, int drawCaret) {
  if (!IsWindow(window) || !canvas) {
    return;
  }
  int width = 0;
  int height = 0;
  if (!WindowSize(window, &width, &height) || width <= 0 || height <= 0) {
    return;
  }
  ScopedWindowDc windowDc = ScopedWindowDc::OfWindow(window);
  ScopedMemoryDc memoryDc(CreateCompatibleDC(windowDc.Get()));

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[1];
  } info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = 32;
  info.header.biCompression = BI_RGB;
  info.header.biSizeImage = static_cast<DWORD>(static_cast<uint64_t>(width) * height * 4);
  ScopedBitmap dib(CreateDIBSection(memoryDc.Get(), reinterpret_cast<BITMAPINFO*>(&info),
                                    DIB_RGB_COLORS, nullptr, nullptr, 0));
  if (!memoryDc || !dib) {
    return;
  }
  ScopedSelect selected(memoryDc.Get(), dib.Get());
  {
    ScopedGpGraphics context;
    gp::GdipCreateFromHDC(memoryDc.Get(), context.Out());
    UINT canvasWidth = 0;
    UINT canvasHeight = 0;
    gp::GdipGetImageWidth(canvas, &canvasWidth);
    gp::GdipGetImageHeight(canvas, &canvasHeight);
    gp::GdipDrawImageRect(context.Get(), canvas, 0, 0, static_cast<Gdiplus::REAL>(canvasWidth),
                          static_cast<Gdiplus::REAL>(canvasHeight));
    if (drawCaret != 0) {
      DrawCaretLine(window, caretTextBox, context.Get());
    }
  }
  SIZE size = {width, height};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window, windowDc.Get(), nullptr, &size, memoryDc.Get(), &source, 0, &blend,
                      ULW_ALPHA);
}

void CALLBACK CaretTimerProc(HWND window, UINT, UINT_PTR timerId, DWORD) {
  if (timerId != caretTimerId) {
    return;
  }
  if (window == caretWindow && caretTextBox && cachedCanvas) {
    caretPhase = (caretPhase & 1) ^ 1;
    PresentCanvas(caretWindow, cachedCanvas, caretPhase);
  }
}

void DrawCaretLine(HWND window, HWND textBox, Gdiplus::GpGraphics* context) {
  RECT rect = {};
  GetWindowRect(textBox, &rect);
  int h = rect.bottom - rect.top;
  POINT corner = {rect.left, rect.top};
  ScreenToClient(window, &corner);
  POINT caret = {};
  GetCaretPos(&caret);
  int x = corner.x + caret.x + 5;
  int y = static_cast<int>(corner.y + (h - 12) / 2.0);
  ScopedGpPen pen;
  gp::GdipCreatePen1(ArgbFromColor(0, 255), 1.0f, Gdiplus::UnitWorld, pen.Out());
  gp::GdipDrawLineI(context, pen.Get(), x, y, x, y + 12);
}
