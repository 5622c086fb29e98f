// Windows, images and pixel readers shared by the skin toolkit's tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "skin/gdiplus_flat.h"
#include "skin/image_loading.h"
#include "skin/scoped_win.h"

// True when the tests run under Wine rather than on Windows.
bool RunningUnderWine();

ByteArray ReadTestFile(const char* name);

// The ARGB pixels of a GDI+ bitmap, read through GdipBitmapLockBits.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;

  uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
  static uint32_t Alpha(uint32_t p) { return p >> 24; }
  // Counts the pixels of the rectangle [x0, x1) × [y0, y1) that match.
  int Count(int x0, int y0, int x1, int y1, const std::function<bool(uint32_t)>& match) const;
};

Pixels ReadPixels(Gdiplus::GpBitmap* bitmap);
// Composes the window with handBack and reads the canvas.
Pixels ComposeToPixels(HWND window);

// A GDI+ bitmap of w × h whose pixel (x, y) is colour(x, y), in ARGB.
skin::ScopedGpImage MakeImage(int w, int h, const std::function<uint32_t(int, int)>& colour);
skin::ScopedGpImage MakeSolidImage(int w, int h, uint32_t argb);

// A borderless top-level popup of the given size, destroyed with the object.
// Hidden unless asked: Wine waits up to two seconds for a shown window to be
// withdrawn when there is no window manager, which is the case on Xvfb.
class TestWindow {
 public:
  TestWindow(int width, int height, bool visible = false);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Get() const { return window; }
  // A child of the given class; destroyed with the window.
  HWND AddChild(const char* cls, const char* text, DWORD style, int x, int y, int w, int h);

 private:
  HWND window = nullptr;
};

void PumpMessages();

// Wine's GetGuiResources counts nothing. Its GDI handles come from one table
// whose freed slots are reused first, so the highest slot that a batch of new
// objects lands in only rises when objects were left alive in between.
int GdiHandleHighWater();

// The first font family of a short list of common faces that GDI+ knows here.
std::string AvailableFontFace();
