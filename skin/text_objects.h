// Owners of one GDI+ text object each, used to draw a skinned text box.
// The object that made its handle deletes it; a copy shares the handle
// without owning it.
#pragma once

#include "skin/gdiplus_flat.h"

class SkinFontFamily {
 public:
  SkinFontFamily() = default;
  ~SkinFontFamily();
  SkinFontFamily(const SkinFontFamily& other) : handle(other.handle), owner(false) {}
  SkinFontFamily& operator=(const SkinFontFamily&) = delete;

  void DeleteHandle();
  int FamilyFromName(const char* name);
  Gdiplus::GpFontFamily* GetHandle() const { return handle; }
  void SetHandle(Gdiplus::GpFontFamily* h);

 private:
  Gdiplus::GpFontFamily* handle = nullptr;
  bool owner = true;
};

class SkinFont {
 public:
  SkinFont() = default;
  ~SkinFont();
  SkinFont(const SkinFont& other) : handle(other.handle), owner(false) {}
  SkinFont& operator=(const SkinFont&) = delete;

  void DeleteHandle();
  int FontFromName(const char* name, float size, int style, int unit);
  int FontFromDC(HDC dc);
  Gdiplus::GpFont* FontFromWindow(HWND window);
  Gdiplus::GpFont* FontFromGdiFont(HFONT gdiFont);
  Gdiplus::GpFont* GetHandle() const { return handle; }
  void SetHandle(Gdiplus::GpFont* h);
  int GetStyle(int* style) const;
  int GetSize(float* size) const;
  int GetUnit(int* unit) const;
  int GetHeight(Gdiplus::GpGraphics* graphics, float* height) const;

 private:
  Gdiplus::GpFont* handle = nullptr;
  bool owner = true;
};

class SkinStringFormat {
 public:
  SkinStringFormat() = default;
  ~SkinStringFormat();
  SkinStringFormat(const SkinStringFormat& other) : handle(other.handle), owner(false) {}
  SkinStringFormat& operator=(const SkinStringFormat&) = delete;

  void DeleteHandle();
  void CreateStringFormat(int flags, int language);
  void SetAlignment(int alignment);
  void SetLineAlignment(int alignment);
  void SetAlignments(int alignment, int lineAlignment);
  void SetHandle(Gdiplus::GpStringFormat* h);
  Gdiplus::GpStringFormat* GetHandle() const { return handle; }

 private:
  Gdiplus::GpStringFormat* handle = nullptr;
  bool owner = true;
};
