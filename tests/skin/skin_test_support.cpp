#include "skin_test_support.h"

#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "skin/png_window.h"
#include "skin/text_objects.h"

namespace gp = Gdiplus::DllExports;

namespace {

class SkinEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    OleInitialize(nullptr);
    InitSkinToolkit();
  }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SkinEnvironment);

const char testWindowClass[] = "SkinTestWindow";

void RegisterTestWindowClass() {
  static bool registered = false;
  if (registered) {
    return;
  }
  WNDCLASSEXA cls = {};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = DefWindowProcA;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  cls.lpszClassName = testWindowClass;
  RegisterClassExA(&cls);
  registered = true;
}

}  // namespace

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

ByteArray ReadTestFile(const char* name) {
  std::string path = std::string(DROPSHRINK_TEST_DATA) + "/skin/" + name;
  ByteArray bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    ADD_FAILURE() << "cannot open " << path;
    return bytes;
  }
  unsigned char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  std::fclose(file);
  return bytes;
}

int Pixels::Count(int x0, int y0, int x1, int y1,
                  const std::function<bool(uint32_t)>& match) const {
  int count = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (match(At(x, y))) {
        ++count;
      }
    }
  }
  return count;
}

Pixels ReadPixels(Gdiplus::GpBitmap* bitmap) {
  Pixels pixels;
  UINT w = 0;
  UINT h = 0;
  if (!bitmap || gp::GdipGetImageWidth(bitmap, &w) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(bitmap, &h) != Gdiplus::Ok) {
    return pixels;
  }
  Gdiplus::GpRect rect = {0, 0, static_cast<INT>(w), static_cast<INT>(h)};
  Gdiplus::BitmapData data = {};
  if (gp::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB,
                             &data) != Gdiplus::Ok) {
    return pixels;
  }
  pixels.width = static_cast<int>(w);
  pixels.height = static_cast<int>(h);
  pixels.argb.resize(static_cast<size_t>(w) * h);
  for (UINT y = 0; y < h; ++y) {
    const auto* row = static_cast<const unsigned char*>(data.Scan0) + y * data.Stride;
    std::memcpy(&pixels.argb[y * w], row, w * 4);
  }
  gp::GdipBitmapUnlockBits(bitmap, &data);
  return pixels;
}

Pixels ComposeToPixels(HWND window) {
  Gdiplus::GpBitmap* canvas = nullptr;
  ComposeWindow(window, &canvas, true);
  Pixels pixels = ReadPixels(canvas);
  if (canvas) {
    gp::GdipDisposeImage(canvas);
  }
  return pixels;
}

skin::ScopedGpImage MakeImage(int w, int h, const std::function<uint32_t(int, int)>& colour) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &bitmap);
  Gdiplus::GpRect rect = {0, 0, w, h};
  Gdiplus::BitmapData data = {};
  if (bitmap && gp::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeWrite,
                                       PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
    for (int y = 0; y < h; ++y) {
      auto* row =
          reinterpret_cast<uint32_t*>(static_cast<unsigned char*>(data.Scan0) + y * data.Stride);
      for (int x = 0; x < w; ++x) {
        row[x] = colour(x, y);
      }
    }
    gp::GdipBitmapUnlockBits(bitmap, &data);
  }
  return skin::ScopedGpImage(bitmap);
}

skin::ScopedGpImage MakeSolidImage(int w, int h, uint32_t argb) {
  return MakeImage(w, h, [argb](int, int) { return argb; });
}

TestWindow::TestWindow(int width, int height, bool visible) {
  RegisterTestWindowClass();
  window = CreateWindowExA(0, testWindowClass, "", WS_POPUP | (visible ? WS_VISIBLE : 0), 100, 100,
                           width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TestWindow::~TestWindow() {
  if (window) {
    DestroyWindow(window);
  }
  PumpMessages();
}

HWND TestWindow::AddChild(const char* cls, const char* text, DWORD style, int x, int y, int w,
                          int h) {
  return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

int GdiHandleHighWater() {
  HBRUSH probes[256];
  int highest = 0;
  for (HBRUSH& probe : probes) {
    probe = CreateSolidBrush(RGB(1, 2, 3));
    int slot = LOWORD(reinterpret_cast<uintptr_t>(probe));
    if (slot > highest) {
      highest = slot;
    }
  }
  for (int i = 255; i >= 0; --i) {
    DeleteObject(probes[i]);
  }
  return highest;
}

std::string AvailableFontFace() {
  for (const char* face : {"Tahoma", "Arial", "Microsoft Sans Serif", "WenQuanYi Micro Hei",
                           "SimSun", "DejaVu Sans"}) {
    SkinFontFamily family;
    if (family.FamilyFromName(face) == Gdiplus::Ok && family.GetHandle()) {
      return face;
    }
  }
  return std::string();
}
