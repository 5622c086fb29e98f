// Skinned child controls: pictures, buttons and text boxes whose look lives
// in window properties and is drawn by the toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "skin/gdiplus_flat.h"
#include "skin/image_loading.h"

// The window text that marks the toolkit's own picture controls.
extern const char pictureControlText[];

// A thin handle on one child window: copies drive the same control, and
// destroying the object leaves the control alone.
class PngPictureBox {
 public:
  bool Attach(HWND control);
  HWND GetHandle() const { return control; }
  void SetProp(const char* name, int32_t value);
  int32_t GetProp(const char* name) const;
  LRESULT SendMsg(UINT message, WPARAM wParam, LPARAM lParam);
  void SetToolTip(const char* text, bool nearCursor = true);
  void Move(std::optional<int> left, std::optional<int> top, std::optional<int> width,
            std::optional<int> height, bool noRedraw = false);
  HWND GetWindowHandle() const { return control; }
  bool IsValid() const;
  void Redraw();
  LRESULT SendControlMsg(UINT message, WPARAM wParam, LPARAM lParam);
  HWND Create(HWND parent, int left, int top, int width, int height);
  void AttachPicture(HWND window, Gdiplus::GpImage* image);
  void SetImage(Gdiplus::GpImage* image);
  void SetImageFromBytes(const void* bytes, size_t size);
  void SetImageFromBytes(const ByteArray& bytes);
  void SetBackType(int mode);

 private:
  HWND control = nullptr;
};

struct FittedSize {
  int width;
  int height;
};

void DrawChild(HWND window, HWND control, Gdiplus::GpGraphics* graphics);
FittedSize FitSize(int width, int height, int boxWidth, int boxHeight);
Gdiplus::GpImage* PickStateImage(HWND control, int state);
LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PictureProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
void CacheBackground(HWND control, HDC dc);
void PaintPicture(HWND control, HDC dc);
// PaintPicture with the given image in place of the control's picture.
void PaintImageOverSnapshot(HWND control, HDC dc, Gdiplus::GpImage* image);
void SubclassOnce(HWND window, WNDPROC procedure);
bool ModifyStyle(HWND window, LONG_PTR remove, LONG_PTR add, UINT frameFlags);
bool ModifyExStyle(HWND window, LONG_PTR remove, LONG_PTR add, UINT frameFlags);
void InvalidateInParent(HWND control);
std::string GetControlText(HWND control);
