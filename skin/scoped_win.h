// Move-only owners for the handles the toolkit creates while it composes and
// presents, so that every exit path of a drawing routine frees what it made.
#pragma once

#include <utility>

#include "skin/gdiplus_flat.h"

namespace skin {

// Owns one handle of type T and frees it with Free::operator() when it goes.
template <typename T, typename Free>
class Scoped {
 public:
  Scoped() = default;
  explicit Scoped(T h) : handle(h) {}
  ~Scoped() { Reset(); }
  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;
  Scoped(Scoped&& other) noexcept : handle(other.Release()) {}
  Scoped& operator=(Scoped&& other) noexcept {
    if (this != &other) {
      Reset(other.Release());
    }
    return *this;
  }

  T Get() const { return handle; }
  explicit operator bool() const { return handle != T(); }
  // For out-parameters of creating calls; frees what was held before.
  T* Out() {
    Reset();
    return &handle;
  }
  T Release() {
    T h = handle;
    handle = T();
    return h;
  }
  void Reset(T h = T()) {
    if (handle != T()) {
      Free()(handle);
    }
    handle = h;
  }

 private:
  T handle = T();
};

struct FreeGdiObject {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct FreeMemoryDc {
  void operator()(HDC h) const { DeleteDC(h); }
};
struct FreeHGlobal {
  void operator()(HGLOBAL h) const { GlobalFree(h); }
};
struct FreeGpImage {
  void operator()(GpImage* h) const { gp::GdipDisposeImage(h); }
};
struct FreeGpGraphics {
  void operator()(GpGraphics* h) const { gp::GdipDeleteGraphics(h); }
};
struct FreeGpBrush {
  void operator()(GpBrush* h) const { gp::GdipDeleteBrush(h); }
};
struct FreeGpPen {
  void operator()(GpPen* h) const { gp::GdipDeletePen(h); }
};
struct FreeComObject {
  void operator()(IUnknown* h) const { h->Release(); }
};

template <typename T>
using ScopedGdiObj = Scoped<T, FreeGdiObject>;
using ScopedBitmap = ScopedGdiObj<HBITMAP>;
using ScopedMemoryDc = Scoped<HDC, FreeMemoryDc>;
using ScopedHGlobal = Scoped<HGLOBAL, FreeHGlobal>;
using ScopedGpImage = Scoped<GpImage*, FreeGpImage>;
using ScopedGpGraphics = Scoped<GpGraphics*, FreeGpGraphics>;
using ScopedGpBrush = Scoped<GpBrush*, FreeGpBrush>;
using ScopedGpPen = Scoped<GpPen*, FreeGpPen>;
template <typename T>
using ScopedComPtr = Scoped<T*, FreeComObject>;

// A DC from GetWindowDC or GetDC, given back to its window with ReleaseDC.
class ScopedWindowDc {
 public:
  ScopedWindowDc() = default;
  ScopedWindowDc(HWND w, HDC d) : window(w), dc(d) {}
  ~ScopedWindowDc() { Reset(); }
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
  ScopedWindowDc(ScopedWindowDc&& o) noexcept
      : window(o.window), dc(std::exchange(o.dc, nullptr)) {}
  ScopedWindowDc& operator=(ScopedWindowDc&& o) noexcept {
    if (this != &o) {
      Reset();
      window = o.window;
      dc = std::exchange(o.dc, nullptr);
    }
    return *this;
  }
  static ScopedWindowDc OfWindow(HWND w) { return ScopedWindowDc(w, GetWindowDC(w)); }

  HDC Get() const { return dc; }
  void Reset() {
    if (dc) {
      ReleaseDC(window, dc);
      dc = nullptr;
    }
  }

 private:
  HWND window = nullptr;
  HDC dc = nullptr;
};

// Selects an object into a DC and puts the previous one back when it goes,
// which must happen before the object itself is deleted.
class ScopedSelect {
 public:
  ScopedSelect(HDC d, HGDIOBJ obj) : dc(d), previous(d && obj ? SelectObject(d, obj) : nullptr) {}
  ~ScopedSelect() {
    if (dc && previous) {
      SelectObject(dc, previous);
    }
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc;
  HGDIOBJ previous;
};

}  // namespace skin
