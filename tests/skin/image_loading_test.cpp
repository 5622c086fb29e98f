#include "skin/image_loading.h"

#include <cstring>

#include <gtest/gtest.h>

#include "skin_test_support.h"

namespace gp = Gdiplus::DllExports;

TEST(ArgbFromColor, SwapsRedAndBlueAndPutsAlphaOnTop) {
  struct Row {
    const char* label;
    uint32_t colour;
    uint32_t alpha;
    uint32_t expected;
  };
  const Row rows[] = {
      {"blue FF green 80 at half alpha", 0x00FF8000, 128, 0x800080FF},
      {"red opaque", 0x000000FF, 255, 0xFFFF0000},
      {"black opaque", 0x00000000, 255, 0xFF000000},
      {"top byte of colour ignored", 0xAB123456, 0, 0x00563412},
      {"only low 8 bits of alpha", 0x00000000, 0x1FF, 0xFF000000},
      {"-1 colour, alpha 0", 0xFFFFFFFF, 0, 0x00FFFFFF},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.expected, ArgbFromColor(row.colour, row.alpha)) << row.label;
  }
}

TEST(AnsiToWide, KeepsTheTerminatingZeroUnit) {
  ByteArray empty = AnsiToWide("");
  EXPECT_EQ(ByteArray(2, 0), empty);

  ByteArray ascii = AnsiToWide("Ab");
  const unsigned char expected[] = {'A', 0, 'b', 0, 0, 0};
  EXPECT_EQ(ByteArray(expected, expected + sizeof(expected)), ascii);
}

TEST(AnsiToWide, TwoGbkCharactersGiveSixBytes) {
  if (GetACP() != 936) {
    GTEST_SKIP() << "needs the ANSI code page 936, this system has " << GetACP();
  }
  // "中文" in GBK.
  ByteArray wide = AnsiToWide("\xD6\xD0\xCE\xC4");
  ASSERT_EQ(6u, wide.size());
  const unsigned char expected[] = {0x2D, 0x4E, 0x87, 0x65, 0, 0};
  EXPECT_EQ(0, std::memcmp(expected, wide.data(), 6));
}

TEST(LoadImageFromBytes, GivesAnImageOnlyForDecodableBytes) {
  ByteArray png = ReadTestFile("back_391x107.png");
  ByteArray truncated(png.begin(), png.begin() + png.size() / 3);
  const char text[] = "not an image, just some words";
  struct Row {
    const char* label;
    ByteArray bytes;
    bool image;
    float width;
    float height;
  };
  const Row rows[] = {
      {"391 x 107 PNG", png, true, 391, 107},
      {"empty array", ByteArray(), false, 0, 0},
      {"text bytes", ByteArray(text, text + sizeof(text)), false, 0, 0},
      {"first third of the PNG", truncated, false, 0, 0},
  };
  for (const Row& row : rows) {
    Gdiplus::GpImage* image = LoadImageFromBytes(row.bytes);
    EXPECT_EQ(row.image, image != nullptr) << row.label;
    if (image) {
      Gdiplus::REAL w = 0;
      Gdiplus::REAL h = 0;
      gp::GdipGetImageDimension(image, &w, &h);
      EXPECT_EQ(row.width, w) << row.label;
      EXPECT_EQ(row.height, h) << row.label;
      DisposeImage(image);
    }
  }
}

TEST(LoadImageFromBytes, ImageStaysDrawableAfterTheCallReturns) {
  Gdiplus::GpImage* image = nullptr;
  {
    ByteArray png = ReadTestFile("back_391x107.png");
    image = LoadImageFromBytes(png);
  }
  ASSERT_NE(nullptr, image);
  skin::ScopedGpImage canvas = MakeSolidImage(391, 107, 0);
  skin::ScopedGpGraphics graphics;
  gp::GdipGetImageGraphicsContext(canvas.Get(), graphics.Out());
  EXPECT_EQ(Gdiplus::Ok, gp::GdipDrawImageRectI(graphics.Get(), image, 0, 0, 391, 107));
  graphics.Reset();
  Pixels pixels = ReadPixels(reinterpret_cast<Gdiplus::GpBitmap*>(canvas.Get()));
  ASSERT_EQ(391, pixels.width);
  struct Row {
    const char* label;
    int x, y;
    uint32_t argb;
  };
  const Row rows[] = {{"top left red", 10, 10, 0xFFFF0000},
                      {"top right green", 380, 10, 0xFF00FF00},
                      {"bottom left blue", 10, 100, 0xFF0000FF},
                      {"bottom right white", 380, 100, 0xFFFFFFFF}};
  for (const Row& row : rows) {
    EXPECT_EQ(row.argb, pixels.At(row.x, row.y)) << row.label;
  }
  DisposeImage(image);
}

TEST(LoadImageFromBytes, AnimatedGifIsOnItsFirstFrame) {
  ByteArray gif = ReadTestFile("anim.gif");
  Gdiplus::GpImage* image = LoadImageFromBytes(gif);
  ASSERT_NE(nullptr, image);
  UINT frames = 0;
  gp::GdipImageGetFrameCount(image, &frameDimensionTime, &frames);
  EXPECT_EQ(2u, frames);
  // Move away first so that the check does not pass by default.
  gp::GdipImageSelectActiveFrame(image, &frameDimensionTime, 1);
  DisposeImage(image);

  image = LoadImageFromBytes(gif);
  ASSERT_NE(nullptr, image);
  skin::ScopedGpImage canvas = MakeSolidImage(4, 4, 0);
  skin::ScopedGpGraphics graphics;
  gp::GdipGetImageGraphicsContext(canvas.Get(), graphics.Out());
  gp::GdipDrawImageRectI(graphics.Get(), image, 0, 0, 4, 4);
  graphics.Reset();
  Pixels pixels = ReadPixels(reinterpret_cast<Gdiplus::GpBitmap*>(canvas.Get()));
  EXPECT_EQ(0xFFFF0000u, pixels.At(1, 1)) << "first frame is red, the second blue";
  DisposeImage(image);
}

TEST(InitSkinToolkit, ParsesTheTimeFrameDimension) {
  const GUID expected = {
      0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
  EXPECT_TRUE(IsEqualGUID(expected, frameDimensionTime));
  WNDCLASSEXA cls = {};
  cls.cbSize = sizeof(cls);
  EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "BexilLoadDialog", &cls));
}

TEST(HGlobalStream, StreamReadsTheBytesItWasMadeFrom) {
  const unsigned char bytes[] = {1, 2, 3, 4, 5};
  HGlobalStream object;
  IStream* stream = object.CreateStream(bytes, sizeof(bytes), true);
  ASSERT_NE(nullptr, stream);
  EXPECT_EQ(stream, object.GetStream());
  EXPECT_EQ(5u, object.GetSize());
  EXPECT_EQ(ByteArray(bytes, bytes + 5), object.GetBytes());
  unsigned char read[5] = {};
  ULONG n = 0;
  stream->Read(read, sizeof(read), &n);
  EXPECT_EQ(5u, n);
  EXPECT_EQ(0, std::memcmp(bytes, read, 5));
}

TEST(HGlobalStream, GrowingStreamGivesBackWhatWasWritten) {
  HGlobalStream object;
  IStream* stream = object.CreateStream(nullptr, 0, false);
  ASSERT_NE(nullptr, stream);
  const char text[] = "written later";
  ULONG n = 0;
  stream->Write(text, sizeof(text), &n);
  ByteArray bytes = object.GetBytes();
  ASSERT_GE(bytes.size(), sizeof(text));
  EXPECT_EQ(0, std::memcmp(text, bytes.data(), sizeof(text)));
}

TEST(HGlobalStream, CopySharesWithoutOwning) {
  const unsigned char bytes[] = {9, 8, 7};
  HGlobalStream object;
  object.CreateStream(bytes, sizeof(bytes), true);
  {
    HGlobalStream copy(object);
    EXPECT_EQ(object.GetStream(), copy.GetStream());
  }
  // The copy went without freeing: the owner's block still reads back.
  EXPECT_EQ(ByteArray(bytes, bytes + 3), object.GetBytes());
  object.FreeBlock();
  EXPECT_EQ(nullptr, object.GetStream());
  EXPECT_EQ(0u, object.GetSize());
}
