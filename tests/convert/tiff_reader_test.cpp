#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstdint>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/decoded_image.h"
#include "convert/readers/tiff_reader.h"
#include "convert/test_support.h"

namespace dropshrink {
namespace {

using test::PixelBytes;
using test::ScopedTempDir;
using test::TempFolder;
using test::WriteFileBytes;

using Bytes = std::vector<uint8_t>;

// One page of a fixture TIFF: contiguous 8-bit samples, top row first.
struct Page {
  uint32_t width = 1;
  uint32_t height = 1;
  uint16_t samplesPerPixel = 3;
  uint16_t photometric = PHOTOMETRIC_RGB;
  uint16_t extraSample = 0;  // EXTRASAMPLE_* for a fourth sample
  uint16_t compression = COMPRESSION_NONE;
  Bytes samples;
  // Only the directory is written; the strip stays empty.
  bool headerOnly = false;
};

bool WriteTiff(const std::string& path, const std::vector<Page>& pages) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (!tiff) return false;
  bool ok = true;
  for (const Page& p : pages) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, p.height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, p.samplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, p.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, p.height);
    if (p.extraSample) {
      uint16_t extra = p.extraSample;
      TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (p.headerOnly) {
      uint8_t byte = 0;
      ok = ok && TIFFWriteRawStrip(tiff, 0, &byte, 1) == 1;
    } else {
      Bytes samples = p.samples;
      ok = ok && samples.size() == size_t{p.width} * p.height * p.samplesPerPixel &&
           TIFFWriteEncodedStrip(tiff, 0, samples.data(), static_cast<tmsize_t>(samples.size())) >=
               0;
    }
    ok = ok && TIFFWriteDirectory(tiff);
  }
  TIFFClose(tiff);
  return ok;
}

Bytes Pattern(uint32_t width, uint32_t height, int channels) {
  Bytes b;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        b.push_back(static_cast<uint8_t>(x * 29 + y * 83 + c * 101 + 5));
  return b;
}

Page RgbPage(uint32_t width, uint32_t height) {
  Page p;
  p.width = width;
  p.height = height;
  p.samples = Pattern(width, height, 3);
  return p;
}

class TiffReaderTest : public test::EngineTest {
 protected:
  std::string Write(const std::vector<Page>& pages) {
    std::string path = folder_.File("picture.tif");
    EXPECT_TRUE(WriteTiff(path, pages));
    return path;
  }
};

TEST_F(TiffReaderTest, DecodesRightWayUp) {
  Page grey;
  grey.width = 3;
  grey.height = 2;
  grey.samplesPerPixel = 1;
  grey.photometric = PHOTOMETRIC_MINISBLACK;
  grey.samples = {0, 100, 255, 1, 2, 3};
  Page associatedAlpha = RgbPage(2, 2);
  associatedAlpha.samplesPerPixel = 4;
  associatedAlpha.extraSample = EXTRASAMPLE_ASSOCALPHA;
  associatedAlpha.samples = {10, 20, 30, 255, 1, 2, 3, 4, 50, 60, 70, 80, 0, 0, 0, 0};
  Page deflated = RgbPage(7, 5);
  deflated.compression = COMPRESSION_ADOBE_DEFLATE;
  struct Case {
    const char* label;
    std::vector<Page> pages;
    Bytes pixels;
  };
  const Case cases[] = {
      {"RGB, even height", {RgbPage(3, 4)}, Pattern(3, 4, 3)},
      {"RGB, odd height keeps its middle row", {RgbPage(4, 3)}, Pattern(4, 3, 3)},
      {"one row", {RgbPage(5, 1)}, Pattern(5, 1, 3)},
      {"one pixel", {RgbPage(1, 1)}, Pattern(1, 1, 3)},
      {"first page of three", {RgbPage(2, 3), RgbPage(4, 4), RgbPage(1, 1)}, Pattern(2, 3, 3)},
      {"grey", {grey}, {0, 0, 0, 100, 100, 100, 255, 255, 255, 1, 1, 1, 2, 2, 2, 3, 3, 3}},
      {"associated alpha dropped, colours as stored",
       {associatedAlpha},
       {10, 20, 30, 1, 2, 3, 50, 60, 70, 0, 0, 0}},
      {"deflate", {deflated}, Pattern(7, 5, 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DecodedImage image;
    TiffReader reader;
    ASSERT_EQ(reader.Open(Write(c.pages), image), 1);
    ASSERT_EQ(reader.Read(), 1);
    EXPECT_EQ(image.Width(), static_cast<int32_t>(c.pages[0].width));
    EXPECT_EQ(image.Height(), static_cast<int32_t>(c.pages[0].height));
    EXPECT_EQ(image.BitsPerPixel(), 24u);
    EXPECT_EQ(PixelBytes(image), c.pixels);
  }
}

TEST_F(TiffReaderTest, RasterSizeLimit) {
  struct Case {
    const char* label;
    uint32_t width;
    uint32_t height;
    int opened;
  };
  const Case cases[] = {
      // 4 x 32768 x 32767 is just below 2^32; the image itself is then too
      // large to allocate, so Read fails without decoding.
      {"raster just fits 32 bits", 32768, 32767, 1},
      {"raster of exactly 2^32 bytes", 32768, 32768, 0},
      {"raster far past 32 bits", 100000, 100000, 0},
      {"one column of 2^30 rows", 1, 1u << 30, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Page p;
    p.width = c.width;
    p.height = c.height;
    p.headerOnly = true;
    DecodedImage image;
    TiffReader reader;
    ASSERT_EQ(reader.Open(Write({p}), image), c.opened);
    EXPECT_EQ(reader.Read(), 0);
    EXPECT_EQ(image.Width(), 0);
  }
}

TEST_F(TiffReaderTest, FailuresAreSilentAndFinal) {
  // Two separated samples: libtiff's RGBA interface has no rule for them.
  Page separated = RgbPage(2, 2);
  separated.samplesPerPixel = 2;
  separated.photometric = PHOTOMETRIC_SEPARATED;
  separated.samples = Pattern(2, 2, 2);
  const std::string path = Write({separated});
  DecodedImage image;
  ::testing::internal::CaptureStderr();
  {
    TiffReader reader;
    ASSERT_EQ(reader.Open(path, image), 1);
    EXPECT_EQ(reader.Read(), 0);
  }
  EXPECT_EQ(DecodeImageFile(path, image), kNotDecodable);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(TiffReaderTest, NonTiffFilesAreDeclinedWithoutAWord) {
  const std::string good = Write({RgbPage(4, 4)});
  Bytes truncated = test::ReadFileBytes(good);
  truncated.resize(6);
  struct Case {
    const char* label;
    Bytes bytes;
  };
  const Case cases[] = {
      {"text", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}},
      {"PNG signature", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}},
      {"TIFF header without a directory", truncated},
      {"byte-order mark with a bad version", Bytes{'I', 'I', 41, 0, 8, 0, 0, 0}},
      {"empty", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = folder_.File("not.tif");
    ASSERT_TRUE(WriteFileBytes(path, c.bytes));
    DecodedImage image;
    TiffReader reader;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(reader.Open(path, image), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  }
}

}  // namespace
}  // namespace dropshrink
