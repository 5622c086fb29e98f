#include "skin/text_objects.h"

#include <cmath>
#include <cstring>

#include "skin/image_loading.h"

namespace gp = Gdiplus::DllExports;

SkinFontFamily::~SkinFontFamily() { DeleteHandle(); }

void SkinFontFamily::DeleteHandle() {
  if (handle && owner) {
    gp::GdipDeleteFontFamily(handle);
  }
  handle = nullptr;
  owner = true;
}

void SkinFontFamily::SetHandle(Gdiplus::GpFontFamily* h) {
  DeleteHandle();
  handle = h;
}

int SkinFontFamily::FamilyFromName(const char* name) {
  ByteArray wide = AnsiToWide(name);
  Gdiplus::GpFontFamily* family = nullptr;
  int status = gp::GdipCreateFontFamilyFromName(reinterpret_cast<const WCHAR*>(wide.data()),
                                                nullptr, &family);
  SetHandle(status == Gdiplus::Ok ? family : nullptr);
  return status;
}

SkinFont::~SkinFont() { DeleteHandle(); }

void SkinFont::DeleteHandle() {
  if (handle && owner) {
    gp::GdipDeleteFont(handle);
  }
  handle = nullptr;
  owner = true;
}

void SkinFont::SetHandle(Gdiplus::GpFont* h) {
  DeleteHandle();
  handle = h;
}

int SkinFont::FontFromName(const char* name, float size, int style, int unit) {
  SkinFontFamily family;
  family.FamilyFromName(name);
  Gdiplus::GpFont* font = nullptr;
  int status =
      gp::GdipCreateFont(family.GetHandle(), size, style, static_cast<Gdiplus::Unit>(unit), &font);
  SetHandle(status == Gdiplus::Ok ? font : nullptr);
  return status;
}

int SkinFont::FontFromDC(HDC dc) {
  Gdiplus::GpFont* font = nullptr;
  int status = gp::GdipCreateFontFromDC(dc, &font);
  SetHandle(status == Gdiplus::Ok ? font : nullptr);
  return status;
}

Gdiplus::GpFont* SkinFont::FontFromWindow(HWND window) {
  HFONT gdiFont = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  return FontFromGdiFont(gdiFont);
}

Gdiplus::GpFont* SkinFont::FontFromGdiFont(HFONT gdiFont) {
  if (!gdiFont) {
    return nullptr;
  }
  LOGFONTA record = {};
  if (GetObjectA(gdiFont, sizeof(record), &record) == 0) {
    return nullptr;
  }
  int style = 0;
  if (record.lfWeight == 600 || record.lfWeight == 700) {
    style |= Gdiplus::FontStyleBold;
  }
  if (record.lfItalic == 1) {
    style |= Gdiplus::FontStyleItalic;
  }
  if (record.lfUnderline == 1) {
    style |= Gdiplus::FontStyleUnderline;
  }
  if (record.lfStrikeOut == 1) {
    style |= Gdiplus::FontStyleStrikeout;
  }
  float size = static_cast<float>(std::abs(record.lfHeight));
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, record.lfFaceName, LF_FACESIZE);

  SkinFontFamily family;
  family.FamilyFromName(face);
  Gdiplus::GpFont* font = nullptr;
  if (gp::GdipCreateFont(family.GetHandle(), size, style, Gdiplus::UnitPixel, &font) !=
      Gdiplus::Ok) {
    font = nullptr;
  }
  SetHandle(font);
  return font;
}

int SkinFont::GetStyle(int* style) const {
  INT value = 0;
  int status = gp::GdipGetFontStyle(handle, &value);
  if (style) {
    *style = value;
  }
  return status;
}

int SkinFont::GetSize(float* size) const { return gp::GdipGetFontSize(handle, size); }

int SkinFont::GetUnit(int* unit) const {
  Gdiplus::Unit value = Gdiplus::UnitWorld;
  int status = gp::GdipGetFontUnit(handle, &value);
  if (unit) {
    *unit = value;
  }
  return status;
}

int SkinFont::GetHeight(Gdiplus::GpGraphics* graphics, float* height) const {
  return gp::GdipGetFontHeight(handle, graphics, height);
}

SkinStringFormat::~SkinStringFormat() { DeleteHandle(); }

void SkinStringFormat::DeleteHandle() {
  if (handle && owner) {
    gp::GdipDeleteStringFormat(handle);
  }
  handle = nullptr;
  owner = true;
}

void SkinStringFormat::SetHandle(Gdiplus::GpStringFormat* h) {
  DeleteHandle();
  handle = h;
}

void SkinStringFormat::CreateStringFormat(int flags, int language) {
  Gdiplus::GpStringFormat* format = nullptr;
  if (gp::GdipCreateStringFormat(flags, static_cast<LANGID>(language), &format) != Gdiplus::Ok) {
    format = nullptr;
  }
  SetHandle(format);
}

void SkinStringFormat::SetAlignment(int alignment) {
  gp::GdipSetStringFormatAlign(handle, static_cast<Gdiplus::StringAlignment>(alignment));
}

void SkinStringFormat::SetLineAlignment(int alignment) {
  gp::GdipSetStringFormatLineAlign(handle, static_cast<Gdiplus::StringAlignment>(alignment));
}

void SkinStringFormat::SetAlignments(int alignment, int lineAlignment) {
  SetAlignment(alignment);
  SetLineAlignment(lineAlignment);
}
