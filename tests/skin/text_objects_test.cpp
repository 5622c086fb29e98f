#include "skin/text_objects.h"

#include <gtest/gtest.h>

#include "skin_test_support.h"

namespace gp = Gdiplus::DllExports;

TEST(FontFromGdiFont, TakesFaceStyleAndPixelHeight) {
  std::string face = AvailableFontFace();
  ASSERT_FALSE(face.empty()) << "no font family known to GDI+";
  struct Row {
    const char* label;
    int height, weight;
    BYTE italic, underline, strikeOut;
    int style;
    float size;
  };
  const Row rows[] = {
      {"regular, negative height", -13, 400, 0, 0, 0, 0, 13},
      {"weight 700 is bold", -13, 700, 0, 0, 0, Gdiplus::FontStyleBold, 13},
      {"weight 600 is bold", 20, 600, 0, 0, 0, Gdiplus::FontStyleBold, 20},
      {"weight 800 is regular", 20, 800, 0, 0, 0, 0, 20},
      {"weight 900 is regular", 20, 900, 0, 0, 0, 0, 20},
      {"italic, underline, strikeout", -16, 400, 1, 1, 1,
       Gdiplus::FontStyleItalic | Gdiplus::FontStyleUnderline | Gdiplus::FontStyleStrikeout, 16},
  };
  for (const Row& row : rows) {
    skin::ScopedGdiObj<HFONT> gdiFont(CreateFontA(row.height, 0, 0, 0, row.weight, row.italic,
                                                  row.underline, row.strikeOut, DEFAULT_CHARSET, 0,
                                                  0, 0, 0, face.c_str()));
    SkinFont font;
    Gdiplus::GpFont* made = font.FontFromGdiFont(gdiFont.Get());
    ASSERT_NE(nullptr, made) << row.label;
    EXPECT_EQ(made, font.GetHandle()) << row.label;
    int style = -1;
    float size = -1;
    int unit = -1;
    EXPECT_EQ(Gdiplus::Ok, font.GetStyle(&style)) << row.label;
    EXPECT_EQ(Gdiplus::Ok, font.GetSize(&size)) << row.label;
    EXPECT_EQ(Gdiplus::Ok, font.GetUnit(&unit)) << row.label;
    EXPECT_EQ(row.style, style) << row.label;
    EXPECT_EQ(row.size, size) << row.label;
    EXPECT_EQ(Gdiplus::UnitPixel, unit) << row.label;
  }
}

TEST(FontFromGdiFont, NoFontGivesZeroAndKeepsTheHeldOne) {
  SkinFont font;
  EXPECT_EQ(Gdiplus::Ok, font.FontFromName(AvailableFontFace().c_str(), 12, 0, Gdiplus::UnitPixel));
  Gdiplus::GpFont* held = font.GetHandle();
  ASSERT_NE(nullptr, held);
  EXPECT_EQ(nullptr, font.FontFromGdiFont(nullptr));
  EXPECT_EQ(held, font.GetHandle());

  TestWindow window(100, 100);
  HWND edit = window.AddChild("Edit", "", 0, 0, 0, 50, 20);
  EXPECT_EQ(0, SendMessageA(edit, WM_GETFONT, 0, 0));
  EXPECT_EQ(nullptr, font.FontFromWindow(edit)) << "control without a font";
  EXPECT_EQ(held, font.GetHandle());
}

TEST(FontFromWindow, DefaultGuiFontGivesARegularFontOfPositiveSize) {
  LOGFONTA record = {};
  ASSERT_NE(0, GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(record), &record));
  // The stock font's face is a substitute name that GDI+ need not resolve;
  // its height and weight are what this is about.
  std::string face = AvailableFontFace();
  lstrcpynA(record.lfFaceName, face.c_str(), LF_FACESIZE);
  skin::ScopedGdiObj<HFONT> gdiFont(CreateFontIndirectA(&record));
  TestWindow window(100, 100);
  HWND edit = window.AddChild("Edit", "", 0, 0, 0, 50, 20);
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(gdiFont.Get()), 0);
  SkinFont font;
  ASSERT_NE(nullptr, font.FontFromWindow(edit));
  int style = -1;
  float size = -1;
  font.GetStyle(&style);
  font.GetSize(&size);
  EXPECT_EQ(0, style) << "weight " << record.lfWeight;
  EXPECT_EQ(static_cast<float>(record.lfHeight < 0 ? -record.lfHeight : record.lfHeight), size)
      << "height " << record.lfHeight;
  EXPECT_GT(size, 0);
}

TEST(SkinFont, CopySharesTheFontWithoutDeletingIt) {
  SkinFont font;
  font.FontFromName(AvailableFontFace().c_str(), 12, 0, Gdiplus::UnitPixel);
  ASSERT_NE(nullptr, font.GetHandle());
  {
    SkinFont copy(font);
    EXPECT_EQ(font.GetHandle(), copy.GetHandle());
  }
  float size = 0;
  EXPECT_EQ(Gdiplus::Ok, font.GetSize(&size)) << "the original still holds a live font";
  EXPECT_EQ(12.0f, size);
}

TEST(SkinStringFormat, OneLineLeftAlignedVerticallyCentred) {
  SkinStringFormat format;
  format.CreateStringFormat(0x1004, 0);
  ASSERT_NE(nullptr, format.GetHandle());
  format.SetAlignments(Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter);
  INT flags = 0;
  Gdiplus::StringAlignment align = Gdiplus::StringAlignmentFar;
  Gdiplus::StringAlignment lineAlign = Gdiplus::StringAlignmentFar;
  gp::GdipGetStringFormatFlags(format.GetHandle(), &flags);
  gp::GdipGetStringFormatAlign(format.GetHandle(), &align);
  gp::GdipGetStringFormatLineAlign(format.GetHandle(), &lineAlign);
  EXPECT_EQ(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoFitBlackBox, flags);
  EXPECT_EQ(Gdiplus::StringAlignmentNear, align);
  EXPECT_EQ(Gdiplus::StringAlignmentCenter, lineAlign);
}

TEST(SkinFontFamily, UnknownFamilyLeavesNoHandle) {
  SkinFontFamily family;
  EXPECT_NE(Gdiplus::Ok, family.FamilyFromName("No Such Family Anywhere"));
  EXPECT_EQ(nullptr, family.GetHandle());
}
