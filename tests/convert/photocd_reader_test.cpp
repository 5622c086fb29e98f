#include "convert/readers/photocd_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/decoded_image.h"
#include "convert/test_support.h"

namespace dropshrink {
namespace {

using test::Bytes;
using test::ReadFileBytes;
using test::ScopedTempDir;
using test::TempFolder;
using test::WriteFileBytes;

constexpr size_t kMegabyte = 1048576;

struct Layout {
  int width, height;
  size_t offset;
};
constexpr Layout kLayouts[] = {{192, 128, 8192}, {384, 256, 47104}, {768, 512, 196608}};

// A pac of `length` bytes with the information header's signature, whose
// image at `resolution` has luminance (x + 3y) mod 256, C1 (40 + j) mod 256
// and C2 (200 + 7k + j) mod 256 for the chroma pair j of the row pair k.
Bytes MakePac(size_t length, int resolution = 2, bool signature = true) {
  Bytes file(length, 0);
  if (signature) {
    const char text[] = "PCD_IPI";
    std::copy(text, text + 7, file.begin() + 2048);
  }
  const Layout& l = kLayouts[resolution];
  size_t at = l.offset;
  for (int k = 0; k < l.height; k += 2) {
    for (int r = 0; r < 2; ++r)
      for (int x = 0; x < l.width; ++x) file[at++] = static_cast<uint8_t>(x + 3 * (k + r));
    for (int j = 0; j < l.width / 2; ++j) file[at++] = static_cast<uint8_t>(40 + j);
    for (int j = 0; j < l.width / 2; ++j) file[at++] = static_cast<uint8_t>(200 + 7 * k / 2 + j);
  }
  return file;
}

using PhotoCdReaderTest = test::EngineTest;

TEST(PhotoCdToRgbTest, RoundsToNearestAndClamps) {
  struct Row {
    const char* label;
    uint8_t y, c1, c2;
    uint8_t red, green, blue;
  } rows[] = {
      // Stored C1 156 and C2 137 are the neutral chrominance.
      {"neutral, Y 0", 0, 156, 137, 0, 0, 0},
      {"neutral, Y 100: 140.7488 rounds up", 100, 156, 137, 141, 141, 141},
      {"neutral, Y 182: 256.16 clamps", 182, 156, 137, 255, 255, 255},
      {"neutral, Y 255", 255, 156, 137, 255, 255, 255},
      // Red -181.3 and blue -0.0035 clamp to 0 rather than wrap; green is
      // +92.33.
      {"extreme C2, Y 0", 0, 156, 0, 0, 92, 0},
      // 91.80, 148.29, 230.33 by the formula's own constants.
      {"chroma pulls both ways", 100, 200, 100, 92, 148, 230},
      {"extreme C1, Y 182", 182, 255, 137, 255, 217, 255},
      {"lowest everything", 0, 0, 0, 0, 154, 0},
  };
  for (const Row& row : rows) {
    uint8_t rgb[3];
    PhotoCdToRgb(row.y, row.c1, row.c2, rgb);
    EXPECT_EQ(row.red, rgb[0]) << row.label;
    EXPECT_EQ(row.green, rgb[1]) << row.label;
    EXPECT_EQ(row.blue, rgb[2]) << row.label;
  }
}

TEST_F(PhotoCdReaderTest, OpenNeedsTheSizeAndTheSignature) {
  struct Row {
    const char* label;
    size_t length;
    bool signature;
    int resolution;
    int open;
  } rows[] = {
      {"exactly 1,048,576 bytes", kMegabyte, true, 2, 1},
      {"one byte short", kMegabyte - 1, true, 2, 0},
      {"large, no signature", kMegabyte + 4096, false, 2, 0},
      {"Base/16", kMegabyte, true, 0, 1},
      {"Base/4", kMegabyte, true, 1, 1},
      {"resolution 3", kMegabyte, true, 3, 0},
      {"resolution -1", kMegabyte, true, -1, 0},
  };
  for (const Row& row : rows) {
    const std::string path = Write(MakePac(row.length, 0, row.signature));
    DecodedImage image;
    PhotoCdReader reader;
    EXPECT_EQ(row.open, reader.Open(path, image, row.resolution)) << row.label;
    EXPECT_EQ(nullptr, image.Pixels()) << row.label << ": Open allocated";
  }

  DecodedImage image;
  PhotoCdReader reader;
  EXPECT_EQ(0, reader.Open(folder_.File("missing.pcd"), image)) << "missing file";
  Bytes moved = MakePac(kMegabyte, 2, false);
  moved[2049] = 'P', moved[2050] = 'C', moved[2051] = 'D', moved[2052] = '_';
  EXPECT_EQ(0, reader.Open(Write(moved), image)) << "signature one byte late";
}

TEST_F(PhotoCdReaderTest, RowAndPixelPairsShareTheirChrominance) {
  for (int resolution : {0, 1, 2}) {
    const Layout& l = kLayouts[resolution];
    const std::string path = Write(MakePac(kMegabyte, resolution));
    DecodedImage image;
    PhotoCdReader reader;
    ASSERT_EQ(1, reader.Open(path, image, resolution)) << "resolution " << resolution;
    ASSERT_EQ(1, reader.Read()) << "resolution " << resolution;
    ASSERT_EQ(l.width, image.Width());
    ASSERT_EQ(l.height, image.Height());
    ASSERT_EQ(24u, image.BitsPerPixel());
    int wrong = 0;
    for (int y = 0; y < l.height; ++y) {
      for (int x = 0; x < l.width; ++x) {
        uint8_t expected[3];
        PhotoCdToRgb(static_cast<uint8_t>(x + 3 * y), static_cast<uint8_t>(40 + x / 2),
                     static_cast<uint8_t>(200 + 7 * (y / 2) + x / 2), expected);
        const uint8_t* got = image.Row(y) + 3 * x;
        wrong += got[0] != expected[0] || got[1] != expected[1] || got[2] != expected[2];
      }
    }
    EXPECT_EQ(0, wrong) << "resolution " << resolution << ": pixels off";
  }
}

TEST_F(PhotoCdReaderTest, TheChainDecodesTheBaseImage) {
  const std::string source = Write(MakePac(kMegabyte));
  const std::string target = folder_.File("out.jpg");
  ASSERT_EQ(kConverted, ConvertToJpeg(source.c_str(), target.c_str(), false, 75, true, 0));
  test::RawImage jpeg = test::ReadJpeg(target);
  EXPECT_EQ(768, jpeg.width);
  EXPECT_EQ(512, jpeg.height);
}

TEST_F(PhotoCdReaderTest, LargeFileOfAnotherKindIsNotTakenForAPac) {
  // Any large file that the other readers decline used to come out as a
  // 768 x 512 picture of its bytes.
  Bytes noise(2 * kMegabyte);
  std::mt19937 random(42);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
  const std::string source = Write(noise, "noise.bin");
  const std::string target = folder_.File("out.jpg");
  EXPECT_EQ(kNotDecodable, ConvertToJpeg(source.c_str(), target.c_str(), false, 75, true, 0));
  EXPECT_FALSE(test::PathExists(target));
  EXPECT_EQ((std::vector<std::string>{"noise.bin"}), test::ListFolder(folder_.Path()));
}

#ifndef _WIN32
// ImageMagick writes Base-only pacs and reads them with its own, differently
// scaled YCC conversion (a grey of stored Y 140 comes out 140, where the
// pac formula gives 197), so its RGB cannot be compared. What must agree
// exactly is where each pixel's samples are found: we take ImageMagick's
// reading of the raw YCC samples, luminance at every pixel and chrominance
// where it keeps the stored value (even column of an even row; it
// interpolates the others), and require our pixel to be the pac formula of
// those samples.
TEST_F(PhotoCdReaderTest, MatchesImageMagicksReadingOfItsPacs) {
  if (!test::HaveCommand("convert")) GTEST_SKIP() << "ImageMagick's convert is not installed";
  struct Row {
    const char* label;
    const char* picture;
    int resolution;  // ours; ImageMagick numbers them from 1
  } rows[] = {
      {"plasma, Base", "-size 768x512 -seed 11 plasma:fractal", 2},
      {"plasma, Base/4", "-size 768x512 -seed 11 plasma:fractal", 1},
      {"plasma, Base/16", "-size 768x512 -seed 11 plasma:fractal", 0},
      {"saturated bars, Base", "-size 768x512 gradient:red-blue -swirl 90", 2},
      {"grey ramp, Base", "-size 512x768 gradient: -rotate 90", 2},
  };
  for (const Row& row : rows) {
    const Layout& l = kLayouts[row.resolution];
    const std::string pac = folder_.File("magick.pcd");
    const std::string ycc = folder_.File("magick.ycc");
    const std::string make = std::string("convert ") + row.picture + " 'pcd:" + pac + "'";
    ASSERT_EQ(0, std::system(make.c_str())) << row.label << ": " << make;
    Bytes file = ReadFileBytes(pac);
    ASSERT_EQ(788480u, file.size()) << row.label;

    // Relabelling the samples as sRGB stops ImageMagick converting them.
    const std::string decode = "convert 'pcd:" + pac + "[" + std::to_string(row.resolution + 1) +
                               "]' -set colorspace sRGB -depth 8 'rgb:" + ycc + "'";
    ASSERT_EQ(0, std::system(decode.c_str())) << row.label << ": " << decode;
    const Bytes samples = ReadFileBytes(ycc);
    ASSERT_EQ(static_cast<size_t>(l.width) * l.height * 3, samples.size()) << row.label;

    // Too short for the size rule as written; padding makes it a pac we take.
    file.resize(kMegabyte);
    const std::string padded = Write(file, "padded.pcd");
    DecodedImage image;
    PhotoCdReader reader;
    ASSERT_EQ(1, reader.Open(padded, image, row.resolution)) << row.label;
    ASSERT_EQ(1, reader.Read()) << row.label;
    ASSERT_EQ(l.width, image.Width()) << row.label;
    ASSERT_EQ(l.height, image.Height()) << row.label;

    int wrong = 0;
    for (int y = 0; y < l.height; ++y) {
      for (int x = 0; x < l.width; ++x) {
        const uint8_t* luma = &samples[(static_cast<size_t>(y) * l.width + x) * 3];
        const uint8_t* chroma = &samples[(static_cast<size_t>(y & ~1) * l.width + (x & ~1)) * 3];
        uint8_t expected[3];
        PhotoCdToRgb(luma[0], chroma[1], chroma[2], expected);
        const uint8_t* got = image.Row(y) + 3 * x;
        wrong += got[0] != expected[0] || got[1] != expected[1] || got[2] != expected[2];
      }
    }
    EXPECT_EQ(0, wrong) << row.label << ": pixels off";
  }
}
#endif

}  // namespace
}  // namespace dropshrink
