// A top-level window whose whole look is one per-pixel-alpha picture,
// composed with GDI+ from a background and the skinned child controls, and
// handed to the system with UpdateLayeredWindow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "skin/gdiplus_flat.h"
#include "skin/image_loading.h"

// The caret of a focused skinned text box blinks on this timer of its window.
constexpr UINT_PTR caretTimerId = 64;
constexpr UINT caretTimerPeriod = 500;

extern HWND caretWindow;
extern HWND caretTextBox;
extern Gdiplus::GpImage* cachedCanvas;
extern int caretPhase;

// A thin handle on one window: copies drive the same window, and destroying
// the object leaves the window, its properties and its images alone.
class PngWindow {
 public:
  bool Attach(HWND window);
  bool SetBackImage(Gdiplus::GpImage* image);
  bool SetBackImageFromBytes(const void* bytes, size_t size);
  bool SetBackImageFromBytes(const ByteArray& bytes);
  void Refresh();
  void Move(std::optional<int> left, std::optional<int> top, std::optional<int> width,
            std::optional<int> height, bool noRedraw = false);
  HWND GetHandle() const { return window; }
  bool IsValid() const;
  LRESULT SendMsg(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HWND window = nullptr;
};

// With handBack the caller gets the canvas in canvasOut and owns it;
// otherwise the canvas is presented and then cached or disposed.
void ComposeWindow(HWND window, Gdiplus::GpBitmap** canvasOut, bool handBack);
void PresentCanvas(HWND window, Gdiplus::GpImage* canvas, int drawCaret);
void CALLBACK CaretTimerProc(HWND window, UINT message, UINT_PTR timerId, DWORD time);
void DrawCaretLine(HWND window, HWND textBox, Gdiplus::GpGraphics* context);

// SetWindowPos keeping whatever is omitted; a child's corner is taken in its
// parent's client coordinates.
void MoveKeeping(HWND window, std::optional<int> left, std::optional<int> top,
                 std::optional<int> width, std::optional<int> height, bool noRedraw);
