#include <gtest/gtest.h>

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/decoded_image.h"
#include "convert/readers/png_reader.h"
#include "convert/test_support.h"

namespace dropshrink {
namespace {

using test::PixelBytes;
using test::ReadFileBytes;
using test::ScopedTempDir;
using test::TempFolder;
using test::WriteFileBytes;

using test::Bytes;

// What a fixture PNG holds. `samples` are the rows as PNG stores them,
// packed for depths below 8.
struct PngPicture {
  int width = 1;
  int height = 1;
  int bitDepth = 8;
  int colourType = PNG_COLOR_TYPE_RGB;
  Bytes samples;
  bool interlaced = false;
  double gamma = 0;  // 0: no gAMA chunk
  bool srgb = false;
  std::vector<png_color> palette;
  Bytes paletteAlpha;        // tRNS for a palette
  int transparentGrey = -1;  // tRNS for grey
};

size_t RowBytes(const PngPicture& s) {
  int channels = 1;
  if (s.colourType == PNG_COLOR_TYPE_RGB) channels = 3;
  if (s.colourType == PNG_COLOR_TYPE_RGBA) channels = 4;
  if (s.colourType == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
  return (static_cast<size_t>(s.width) * channels * s.bitDepth + 7) / 8;
}

// libpng's errors jump back here; only trivially destructible locals.
bool WritePngFile(FILE* file, const PngPicture& s, png_bytep* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) return false;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  // Out-of-palette indices are written on purpose by one fixture.
  png_set_check_for_invalid_index(png, 0);
  png_init_io(png, file);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty())
    png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.paletteAlpha.empty())
    png_set_tRNS(png, info, s.paletteAlpha.data(), static_cast<int>(s.paletteAlpha.size()),
                 nullptr);
  if (s.transparentGrey >= 0) {
    png_color_16 grey{};
    grey.gray = static_cast<png_uint_16>(s.transparentGrey);
    png_set_tRNS(png, info, nullptr, 0, &grey);
  }
  if (s.gamma > 0) png_set_gAMA(png, info, s.gamma);
  if (s.srgb) png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

Bytes EncodePng(const TempFolder& folder, const PngPicture& s) {
  const size_t rowBytes = RowBytes(s);
  EXPECT_EQ(s.samples.size(), rowBytes * s.height);
  std::vector<png_bytep> rows;
  Bytes samples = s.samples;
  for (int y = 0; y < s.height; ++y) rows.push_back(samples.data() + y * rowBytes);
  const std::string path = folder.File("encoded.png");
  FILE* file = std::fopen(path.c_str(), "wb");
  EXPECT_NE(file, nullptr);
  if (!file) return {};
  const bool ok = WritePngFile(file, s, rows.data());
  std::fclose(file);
  EXPECT_TRUE(ok);
  return ReadFileBytes(path);
}

// A colour picture with detail in every pixel.
Bytes Pattern(int width, int height, int channels) {
  Bytes b;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        b.push_back(static_cast<uint8_t>((x * 37 + y * 91 + c * 53 + x * y) & 0xFF));
  return b;
}

class PngReaderTest : public test::EngineTest {
 protected:
  // Opens and reads `bytes` with a PngReader; false when either step fails.
  bool Decode(const Bytes& bytes, DecodedImage& image) {
    PngReader reader;
    return reader.Open(Write(bytes), image) == 1 && reader.Read() == 1;
  }
};

TEST_F(PngReaderTest, ColourTypesAndDepths) {
  struct Case {
    const char* label;
    PngPicture picture;
    uint32_t bits;
    int32_t paletteSize;
    Bytes pixels;  // the decoded image's bytes, rows without gaps
  };
  auto make = [](int w, int h, int depth, int type, Bytes samples) {
    PngPicture s;
    s.width = w;
    s.height = h;
    s.bitDepth = depth;
    s.colourType = type;
    s.samples = std::move(samples);
    return s;
  };
  PngPicture palette2 = make(5, 1, 2, PNG_COLOR_TYPE_PALETTE, {0xE4, 0xC0});  // 3 2 1 0 | 3
  palette2.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
  PngPicture paletteTrns = palette2;
  paletteTrns.paletteAlpha = {0, 128};
  PngPicture grey2Trns = make(4, 1, 2, PNG_COLOR_TYPE_GRAY, {0x1B});  // 0 1 2 3
  grey2Trns.transparentGrey = 1;
  PngPicture grey8Trns = make(2, 1, 8, PNG_COLOR_TYPE_GRAY, {7, 9});
  grey8Trns.transparentGrey = 7;
  PngPicture rgbTrns = make(1, 1, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3});
  rgbTrns.transparentGrey = 0;  // png_color_16 zero: an RGB tRNS of (0, 0, 0)

  const Case cases[] = {
      {"RGBA gives alpha, red, green, blue",
       make(2, 1, 8, PNG_COLOR_TYPE_RGBA, {10, 20, 30, 40, 50, 60, 70, 255}),
       32,
       0,
       {40, 10, 20, 30, 255, 50, 60, 70}},
      {"RGB", make(2, 2, 8, PNG_COLOR_TYPE_RGB, Pattern(2, 2, 3)), 24, 0, Pattern(2, 2, 3)},
      {"RGB with tRNS keeps three bytes", rgbTrns, 24, 0, {1, 2, 3}},
      {"1-bit grey gives 0 and 255, rows not mixed",
       make(10, 2, 1, PNG_COLOR_TYPE_GRAY, {0xB0, 0x40, 0x0F, 0xC0}),
       8,
       0,
       {255, 0, 255, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255}},
      {"2-bit grey widened", make(4, 1, 2, PNG_COLOR_TYPE_GRAY, {0x1B}), 8, 0, {0, 85, 170, 255}},
      {"4-bit grey widened", make(3, 1, 4, PNG_COLOR_TYPE_GRAY, {0x0F, 0x80}), 8, 0, {0, 255, 136}},
      {"8-bit grey", make(3, 1, 8, PNG_COLOR_TYPE_GRAY, {0, 77, 255}), 8, 0, {0, 77, 255}},
      {"2-bit grey with tRNS stays one byte a pixel", grey2Trns, 8, 0, {0, 85, 170, 255}},
      {"8-bit grey with tRNS", grey8Trns, 8, 0, {7, 9}},
      {"grey with alpha gives the grey alone",
       make(2, 2, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {100, 0, 200, 255, 1, 2, 3, 4}),
       8,
       0,
       {100, 200, 1, 3}},
      {"2-bit palette gives one index a byte", palette2, 8, 4, {3, 2, 1, 0, 3}},
      {"palette with tRNS still gives indices", paletteTrns, 8, 4, {3, 2, 1, 0, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DecodedImage image;
    ASSERT_TRUE(Decode(EncodePng(folder_, c.picture), image));
    EXPECT_EQ(image.Width(), c.picture.width);
    EXPECT_EQ(image.Height(), c.picture.height);
    EXPECT_EQ(image.BitsPerPixel(), c.bits);
    EXPECT_EQ(image.PaletteSize(), c.paletteSize);
    EXPECT_EQ(PixelBytes(image), c.pixels);
    for (int i = 0; i < c.paletteSize; ++i) {
      EXPECT_EQ(image.Palette()[i].red, c.picture.palette[i].red) << "entry " << i;
      EXPECT_EQ(image.Palette()[i].green, c.picture.palette[i].green) << "entry " << i;
      EXPECT_EQ(image.Palette()[i].blue, c.picture.palette[i].blue) << "entry " << i;
    }
  }
}

TEST_F(PngReaderTest, InterlacedEqualsNonInterlaced) {
  struct Case {
    const char* label;
    int bitDepth;
    int colourType;
    int channels;
  };
  const Case cases[] = {
      {"RGB", 8, PNG_COLOR_TYPE_RGB, 3},
      {"RGBA", 8, PNG_COLOR_TYPE_RGBA, 4},
      {"1-bit grey", 1, PNG_COLOR_TYPE_GRAY, 1},
      {"grey with alpha", 8, PNG_COLOR_TYPE_GRAY_ALPHA, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PngPicture s;
    s.width = 13;
    s.height = 11;
    s.bitDepth = c.bitDepth;
    s.colourType = c.colourType;
    s.samples = Pattern(static_cast<int>(RowBytes(s)), 11, 1);
    DecodedImage plain, interlaced;
    ASSERT_TRUE(Decode(EncodePng(folder_, s), plain));
    s.interlaced = true;
    const Bytes interlacedBytes = EncodePng(folder_, s);
    ASSERT_TRUE(Decode(interlacedBytes, interlaced));
    EXPECT_EQ(PixelBytes(interlaced), PixelBytes(plain));
  }
}

TEST_F(PngReaderTest, GammaCorrection) {
  struct Case {
    const char* label;
    double gamma;
    bool srgb;
    bool lightened;
  };
  const Case cases[] = {
      {"gAMA 1.0 is lightened", 1.0, false, true},
      {"gAMA 0.45455 is left alone", 0.45455, false, false},
      {"gAMA within the threshold is left alone", 0.47, false, false},
      {"sRGB is left alone", 0, true, false},
      {"no gamma information is left alone", 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PngPicture grey;
    grey.width = 3;
    grey.colourType = PNG_COLOR_TYPE_GRAY;
    grey.samples = {0, 64, 128};
    grey.gamma = c.gamma;
    grey.srgb = c.srgb;
    DecodedImage image;
    ASSERT_TRUE(Decode(EncodePng(folder_, grey), image));
    if (c.lightened) {
      // File gamma 1.0 on a 2.2 screen: v' = 255 (v / 255)^(1 / 2.2).
      EXPECT_EQ(image.Pixels()[0], 0);
      EXPECT_NEAR(image.Pixels()[1], 255 * std::pow(64 / 255.0, 1 / 2.2), 1);
      EXPECT_NEAR(image.Pixels()[2], 255 * std::pow(128 / 255.0, 1 / 2.2), 1);
    } else {
      EXPECT_EQ(PixelBytes(image), grey.samples);
    }

    // A palette keeps its colours as stored, whatever the gamma.
    PngPicture palette;
    palette.width = 2;
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.samples = {1, 0};
    palette.palette = {{64, 128, 200}, {1, 2, 3}};
    palette.gamma = c.gamma;
    palette.srgb = c.srgb;
    ASSERT_TRUE(Decode(EncodePng(folder_, palette), image));
    EXPECT_EQ(image.Palette()[0].red, 64);
    EXPECT_EQ(image.Palette()[0].green, 128);
    EXPECT_EQ(image.Palette()[0].blue, 200);
  }
}

TEST_F(PngReaderTest, IndexPastThePaletteConvertsToBlackQuietly) {
  PngPicture s;
  s.width = 4;
  s.bitDepth = 2;
  s.colourType = PNG_COLOR_TYPE_PALETTE;
  s.samples = {0x1B};  // 0 1 2 3
  s.palette = {{255, 255, 255}, {10, 20, 30}};
  const Bytes png = EncodePng(folder_, s);
  DecodedImage image, rgb;
  ::testing::internal::CaptureStderr();
  const bool decoded = Decode(png, image);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ASSERT_TRUE(decoded);
  EXPECT_EQ(PixelBytes(image), (Bytes{0, 1, 2, 3}));
  ASSERT_TRUE(image.ConvertTo(rgb, 24));
  EXPECT_EQ(PixelBytes(rgb), (Bytes{255, 255, 255, 10, 20, 30, 0, 0, 0, 0, 0, 0}));
}

TEST_F(PngReaderTest, DeclinedFiles) {
  auto sixteen = [&](int type, int channels) {
    PngPicture s;
    s.width = 2;
    s.bitDepth = 16;
    s.colourType = type;
    s.samples = Pattern(2 * channels * 2, 1, 1);
    return EncodePng(folder_, s);
  };
  PngPicture rgb;
  rgb.width = 2;
  rgb.samples = Pattern(2, 1, 3);
  const Bytes good = EncodePng(folder_, rgb);
  Bytes badSignature = good;
  badSignature[1] = 'Q';
  Bytes badHeaderCrc = good;
  badHeaderCrc[29] ^= 0xFF;  // last byte of IHDR's CRC
  const Bytes headerOnly(good.begin(), good.begin() + 20);
  struct Case {
    const char* label;
    Bytes bytes;
  };
  const Case cases[] = {
      {"16-bit RGB", sixteen(PNG_COLOR_TYPE_RGB, 3)},
      {"16-bit grey", sixteen(PNG_COLOR_TYPE_GRAY, 1)},
      {"16-bit RGBA", sixteen(PNG_COLOR_TYPE_RGBA, 4)},
      {"bad signature", badSignature},
      {"IHDR with a bad CRC", badHeaderCrc},
      {"ends inside IHDR", headerOnly},
      {"empty file", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DecodedImage image;
    PngReader reader;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(reader.Open(Write(c.bytes), image), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(reader.Read(), 0);
    EXPECT_EQ(image.Width(), 0);
  }
}

TEST_F(PngReaderTest, DamagedImageDataFailsRead) {
  PngPicture s;
  s.width = 64;
  s.height = 64;
  s.samples = Pattern(64, 64, 3);
  const Bytes good = EncodePng(folder_, s);
  // Past the 8-byte signature and the 25-byte IHDR chunk comes the IDAT.
  Bytes truncated(good.begin(), good.begin() + good.size() / 2);
  Bytes badDataCrc = good;
  ASSERT_GT(good.size(), 45u);
  badDataCrc.at(good.size() - 12 - 1) ^= 0xFF;  // last byte before IEND: IDAT's CRC
  struct Case {
    const char* label;
    Bytes bytes;
  };
  const Case cases[] = {
      {"ends inside its image data", truncated},
      {"image data with a bad CRC", badDataCrc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = Write(c.bytes);
    DecodedImage image;
    PngReader reader;
    ASSERT_EQ(reader.Open(path, image), 1);
    EXPECT_EQ(reader.Read(), 0);
    image.Release();
    EXPECT_EQ(DecodeImageFile(path, image), kNotDecodable);
    EXPECT_EQ(image.Width(), 0);
  }
}

TEST_F(PngReaderTest, ChainDecodesPng) {
  PngPicture s;
  s.width = 5;
  s.height = 4;
  s.colourType = PNG_COLOR_TYPE_RGBA;
  s.samples = Pattern(5, 4, 4);
  DecodedImage image;
  ASSERT_EQ(DecodeImageFile(Write(EncodePng(folder_, s)), image), kConverted);
  EXPECT_EQ(image.BitsPerPixel(), 32u);
  EXPECT_EQ(image.Width(), 5);
}

}  // namespace
}  // namespace dropshrink
