#include "skin/png_picture_box.h"

#include <vector>

#include <commctrl.h>

#include "skin/control_props.h"
#include "skin/png_window.h"
#include "skin/scoped_win.h"
#include "skin/skinned_controls.h"
#include "skin/text_objects.h"

using skin::ScopedBitmap;
using skin::ScopedGpBrush;
using skin::ScopedGpGraphics;
using skin::ScopedGpImage;
using skin::ScopedGpPen;
using skin::ScopedMemoryDc;
using skin::ScopedSelect;
using skin::ScopedWindowDc;
namespace gp = Gdiplus::DllExports;

const char pictureControlText[] = "Bexil\xD5\xE6\xB2\xCA\xBF\xD8\xBC\xFE.\xCD\xBC\xC6\xAC\xBF\xF2";

namespace {

// How much an image may exceed its control before placement type 0 crops it.
constexpr double spillTolerance = 1e-7;

// Chains to the procedure saved under name, or to the default one when
// nothing was saved, so a stray call can never jump through a null pointer.
LRESULT CallSaved(HWND window, const char* name, UINT message, WPARAM wParam, LPARAM lParam) {
  auto saved = GetPropAs<WNDPROC>(window, name);
  if (!saved) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return CallWindowProcA(saved, window, message, wParam, lParam);
}

// Draws an image into (x, y, w, h) by placement type; with cropToBox an image
// larger than the box is cut to its top-left w × h part.
void DrawPlaced(Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* image, int x, int y, int w, int h,
                int backType) {
  Gdiplus::REAL imageWidth = 0;
  Gdiplus::REAL imageHeight = 0;
  gp::GdipGetImageDimension(image, &imageWidth, &imageHeight);
  if (backType == 1) {
    gp::GdipDrawImageRect(graphics, image, x, y, w, h);
  } else if (backType == 2) {
    FittedSize fit = FitSize(static_cast<int>(imageWidth), static_cast<int>(imageHeight), w, h);
    int dx = static_cast<int>((w - fit.width) / 2.0);
    int dy = static_cast<int>((h - fit.height) / 2.0);
    gp::GdipDrawImageRect(graphics, image, x + dx, y + dy, fit.width, fit.height);
  } else if (imageWidth - w > spillTolerance || imageHeight - h > spillTolerance) {
    gp::GdipDrawImagePointRect(graphics, image, x, y, 0, 0, w, h, Gdiplus::UnitPixel);
  } else {
    gp::GdipDrawImageRect(graphics, image, x, y, imageWidth, imageHeight);
  }
}

void DrawTextBoxText(HWND control, Gdiplus::GpGraphics* graphics, int x, int y, int w, int h) {
  std::string text = GetControlText(control);
  if (text.empty()) {
    return;
  }
  ByteArray wide = AnsiToWide(text.c_str());
  Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(x + 2), static_cast<Gdiplus::REAL>(y + 2),
                        static_cast<Gdiplus::REAL>(w - 4), static_cast<Gdiplus::REAL>(h - 4));
  SkinFont font;
  font.FontFromWindow(control);
  SkinStringFormat format;
  format.CreateStringFormat(
      Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoFitBlackBox, 0);
  format.SetAlignments(Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter);
  ScopedGpBrush brush;
  gp::GdipCreateSolidFill(
      ArgbFromColor(static_cast<uint32_t>(GetPropInt(control, prop::TextColor)), 255),
      reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Out()));
  int length = static_cast<int>(wide.size() / 2) - 1;
  gp::GdipDrawString(graphics, reinterpret_cast<const WCHAR*>(wide.data()), length,
                     font.GetHandle(), &layout, format.GetHandle(), brush.Get());
}

}  // namespace

bool PngPictureBox::Attach(HWND handle) {
  if (!IsWindow(handle)) {
    return false;
  }
  HWND parent = GetParent(handle);
  if (parent && GetPropInt(parent, prop::Type) == 0) {
    SubclassOnce(parent, ParentProc);
  }
  ModifyStyle(handle, WS_CLIPSIBLINGS, 0, 0);
  ModifyExStyle(handle, 0, WS_EX_TRANSPARENT, 0);
  if (parent) {
    ModifyStyle(parent, WS_CLIPCHILDREN, 0, 0);
  }
  control = handle;
  return true;
}

void PngPictureBox::SetProp(const char* name, int32_t value) { SetPropInt(control, name, value); }

int32_t PngPictureBox::GetProp(const char* name) const { return GetPropInt(control, name); }

LRESULT PngPictureBox::SendMsg(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(control, message, wParam, lParam);
}

void PngPictureBox::SetToolTip(const char* text, bool nearCursor) {
  ::SetToolTip(control, text, nearCursor);
}

void PngPictureBox::Move(std::optional<int> left, std::optional<int> top, std::optional<int> width,
                         std::optional<int> height, bool noRedraw) {
  MoveKeeping(control, left, top, width, height, noRedraw);
}

bool PngPictureBox::IsValid() const { return IsWindow(control) == TRUE; }

void PngPictureBox::Redraw() { InvalidateRect(control, nullptr, FALSE); }

LRESULT PngPictureBox::SendControlMsg(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMsg(message, wParam, lParam);
}

HWND PngPictureBox::Create(HWND parent, int left, int top, int width, int height) {
  HWND created = CreateWindowExA(WS_EX_TRANSPARENT, "Static", pictureControlText,
                                 WS_CHILD | WS_VISIBLE | SS_NOTIFY, left, top, width, height,
                                 parent, nullptr, nullptr, nullptr);
  AttachPicture(created, nullptr);
  return created;
}

void PngPictureBox::AttachPicture(HWND handle, Gdiplus::GpImage* image) {
  if (!Attach(handle)) {
    return;
  }
  SetPropInt(control, prop::Type, kindPicture);
  SetWindowTextA(control, pictureControlText);
  SubclassOnce(control, PictureProc);
  if (image) {
    SetImage(image);
  }
}

void PngPictureBox::SetImage(Gdiplus::GpImage* image) {
  if (image) {
    ::SetPropA(control, prop::BackImage, image);
  } else {
    ::RemovePropA(control, prop::BackImage);
  }
  InvalidateInParent(control);
}

void PngPictureBox::SetImageFromBytes(const void* bytes, size_t size) {
  SetImage(LoadImageFromBytes(bytes, size));
}

void PngPictureBox::SetImageFromBytes(const ByteArray& bytes) {
  SetImageFromBytes(bytes.data(), bytes.size());
}

void PngPictureBox::SetBackType(int mode) { SetPropInt(control, prop::BackType, mode); }

void DrawChild(HWND window, HWND control, Gdiplus::GpGraphics* graphics) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  int w = rect.right - rect.left;
  int h = rect.bottom - rect.top;
  POINT corner = {rect.left, rect.top};
  ScreenToClient(window, &corner);
  int x = corner.x;
  int y = corner.y;

  int kind = GetPropInt(control, prop::Type);
  int backType = GetPropInt(control, prop::BackType);
  Gdiplus::GpImage* image = nullptr;
  if (kind == kindPicture) {
    image = GetPropAs<Gdiplus::GpImage*>(control, prop::BackImage);
  } else if (kind == kindButton) {
    image = PickStateImage(control, GetPropInt(control, prop::DrawState));
  } else if (kind == kindTextBox) {
    image = GetPropAs<Gdiplus::GpImage*>(control, prop::BackImage);
    int32_t colour = GetPropInt(control, prop::BackColor);
    if (colour != -1) {
      ScopedGpBrush brush;
      gp::GdipCreateSolidFill(
          ArgbFromColor(static_cast<uint32_t>(colour),
                        static_cast<uint32_t>(GetPropInt(control, prop::BackAlpha))),
          reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Out()));
      gp::GdipFillRectangleI(graphics, brush.Get(), x, y, w, h);
    }
  }
  if (image) {
    DrawPlaced(graphics, image, x, y, w, h, backType);
  }
  if (kind != kindTextBox) {
    return;
  }
  int32_t border = GetPropInt(control, prop::OrderColor);
  if (border != -1) {
    ScopedGpPen pen;
    gp::GdipCreatePen1(ArgbFromColor(static_cast<uint32_t>(border),
                                     static_cast<uint32_t>(GetPropInt(control, prop::OrderAlpha))),
                       1.0f, Gdiplus::UnitWorld, pen.Out());
    gp::GdipDrawRectangleI(graphics, pen.Get(), x, y, w, h);
  }
  DrawTextBoxText(control, graphics, x, y, w, h);
}

FittedSize FitSize(int width, int height, int boxWidth, int boxHeight) {
  double fw = width;
  double fh = height;
  if (width > boxWidth) {
    fw = boxWidth;
    fh = static_cast<int>(static_cast<double>(height) * boxWidth / width);
  }
  if (fh > boxHeight) {
    fw = static_cast<int>(fw * boxHeight / fh);
    fh = boxHeight;
  }
  return FittedSize{static_cast<int>(fw), static_cast<int>(fh)};
}

Gdiplus::GpImage* PickStateImage(HWND control, int state) {
  const char* name = nullptr;
  switch (state) {
    case stateOver:
      name = prop::OverlImage;
      break;
    case stateDown:
      name = prop::DownImage;
      break;
    case stateDisabled:
      name = prop::DisableImage;
      break;
    default:
      break;
  }
  if (name) {
    if (auto* image = GetPropAs<Gdiplus::GpImage*>(control, name)) {
      return image;
    }
  }
  return GetPropAs<Gdiplus::GpImage*>(control, prop::NormalImage);
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && GetPropInt(header->hwndFrom, prop::Type) == kindButton &&
          header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        PaintButton(header->hwndFrom, nullptr);
      }
      break;
    }
    case WM_COMMAND: {
      HWND source = reinterpret_cast<HWND>(lParam);
      UINT code = HIWORD(wParam);
      if (source && GetPropInt(source, prop::Type) == kindTextBox &&
          (code == EN_VSCROLL || code == EN_HSCROLL || code == EN_CHANGE)) {
        InvalidateRect(source, nullptr, TRUE);
      }
      break;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
      HWND source = reinterpret_cast<HWND>(lParam);
      int kind = GetPropInt(source, prop::Type);
      if (kind == 0) {
        break;
      }
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (kind == kindTextBox) {
        SetTextColor(dc, static_cast<COLORREF>(GetPropInt(source, prop::TextColor)));
      }
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    default:
      break;
  }
  return CallSaved(window, prop::WndProc, message, wParam, lParam);
}

LRESULT CALLBACK PictureProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(control, &paint);
      CacheBackground(control, dc);
      PaintPicture(control, dc);
      EndPaint(control, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY: {
      // The snapshot belongs to the control and would outlive it.
      if (HANDLE snapshot = ::RemovePropA(control, prop::CacheBitmap)) {
        DeleteObject(snapshot);
      }
      break;
    }
    default:
      break;
  }
  return CallSaved(control, prop::WndProc, message, wParam, lParam);
}

void CacheBackground(HWND control, HDC dc) {
  if (HANDLE previous = ::RemovePropA(control, prop::CacheBitmap)) {
    DeleteObject(previous);
  }
  RECT rect = {};
  GetWindowRect(control, &rect);
  int w = rect.right - rect.left;
  int h = rect.bottom - rect.top;
  ScopedBitmap snapshot(CreateCompatibleBitmap(dc, w, h));
  ScopedMemoryDc memoryDc(CreateCompatibleDC(dc));
  if (!snapshot || !memoryDc) {
    return;
  }
  {
    ScopedSelect selected(memoryDc.Get(), snapshot.Get());
    BitBlt(memoryDc.Get(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
  }
  ::SetPropA(control, prop::CacheBitmap, snapshot.Release());
}

void PaintPicture(HWND control, HDC dc) {
  PaintImageOverSnapshot(control, dc, GetPropAs<Gdiplus::GpImage*>(control, prop::BackImage));
}

void PaintImageOverSnapshot(HWND control, HDC dc, Gdiplus::GpImage* image) {
  auto snapshot = GetPropAs<HBITMAP>(control, prop::CacheBitmap);
  if (!snapshot) {
    return;
  }
  ScopedWindowDc fetched;
  HDC target = dc;
  if (!target) {
    fetched = ScopedWindowDc::OfWindow(control);
    target = fetched.Get();
  }
  RECT rect = {};
  GetWindowRect(control, &rect);
  int w = rect.right - rect.left;
  int h = rect.bottom - rect.top;

  ScopedMemoryDc memoryDc(CreateCompatibleDC(target));
  ScopedBitmap bitmap(CreateCompatibleBitmap(target, w, h));
  if (!memoryDc || !bitmap) {
    return;
  }
  ScopedSelect selected(memoryDc.Get(), bitmap.Get());
  {
    ScopedGpGraphics context;
    gp::GdipCreateFromHDC(memoryDc.Get(), context.Out());
    {
      ScopedGpImage background;
      gp::GdipCreateBitmapFromHBITMAP(snapshot, nullptr,
                                      reinterpret_cast<Gdiplus::GpBitmap**>(background.Out()));
      gp::GdipDrawImageRectI(context.Get(), background.Get(), 0, 0, w, h);
    }
    if (image) {
      DrawPlaced(context.Get(), image, 0, 0, w, h, GetPropInt(control, prop::BackType));
    }
  }
  BitBlt(target, 0, 0, w, h, memoryDc.Get(), 0, 0, SRCCOPY);
}

void SubclassOnce(HWND window, WNDPROC procedure) {
  if (::GetPropA(window, prop::WndProc)) {
    return;
  }
  LONG_PTR previous =
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  ::SetPropA(window, prop::WndProc, reinterpret_cast<HANDLE>(previous));
}

namespace {

bool ModifyLong(HWND window, int index, LONG_PTR remove, LONG_PTR add, UINT frameFlags) {
  LONG_PTR old = GetWindowLongPtrA(window, index);
  LONG_PTR updated = (old & ~remove) | add;
  if (updated == old) {
    return false;
  }
  SetWindowLongPtrA(window, index, updated);
  if (frameFlags != 0) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | frameFlags);
  }
  return true;
}

}  // namespace

bool ModifyStyle(HWND window, LONG_PTR remove, LONG_PTR add, UINT frameFlags) {
  return ModifyLong(window, GWL_STYLE, remove, add, frameFlags);
}

bool ModifyExStyle(HWND window, LONG_PTR remove, LONG_PTR add, UINT frameFlags) {
  return ModifyLong(window, GWL_EXSTYLE, remove, add, frameFlags);
}

void InvalidateInParent(HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  POINT corner = {rect.left, rect.top};
  HWND parent = GetParent(control);
  ScreenToClient(parent, &corner);
  RECT inParent = {corner.x, corner.y, corner.x + (rect.right - rect.left),
                   corner.y + (rect.bottom - rect.top)};
  InvalidateRect(parent, &inParent, FALSE);
  InvalidateRect(control, nullptr, FALSE);
}

std::string GetControlText(HWND control) {
  int length = GetWindowTextLengthA(control);
  if (length <= 0) {
    return std::string();
  }
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  int read = GetWindowTextA(control, buffer.data(), length + 1);
  return std::string(buffer.data(), read > 0 ? static_cast<size_t>(read) : 0);
}
