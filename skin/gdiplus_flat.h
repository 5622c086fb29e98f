// The GDI+ flat API without the C++ wrapper classes that <gdiplus.h> brings
// along: only the C types and the Gdip* functions are pulled in.
#pragma once

#include <windows.h>
#include <objidl.h>

#ifndef _COM_interface
#define _COM_interface struct
#endif

typedef _COM_interface IDirectDrawSurface7 IDirectDrawSurface7;

namespace Gdiplus {
typedef float REAL;
typedef SHORT INT16;
typedef WORD UINT16;
#include <gdiplus/gdiplusenums.h>
#include <gdiplus/gdiplustypes.h>
#include <gdiplus/gdiplusgpstubs.h>
#include <gdiplus/gdiplusimaging.h>
#include <gdiplus/gdiplusinit.h>
#include <gdiplus/gdiplusmem.h>
#include <gdiplus/gdiplusmetaheader.h>
#include <gdiplus/gdipluspixelformats.h>
#include <gdiplus/gdipluscolor.h>
#include <gdiplus/gdipluscolormatrix.h>
#include <gdiplus/gdiplusflat.h>
}  // namespace Gdiplus

namespace skin {
namespace gp = Gdiplus::DllExports;
using Gdiplus::GpBitmap;
using Gdiplus::GpBrush;
using Gdiplus::GpFont;
using Gdiplus::GpFontFamily;
using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::GpPen;
using Gdiplus::GpSolidFill;
using Gdiplus::GpStatus;
using Gdiplus::GpStringFormat;
}  // namespace skin
