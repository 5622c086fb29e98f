#include "convert/readers/pcx_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

struct PcxHeader {
  int width = 4;
  int height = 2;
  uint8_t planes = 1;
  uint8_t bitsPerPlane = 8;
  int bytesPerLine = -1;  // -1: the width
  uint8_t encoding = 1;
  uint8_t manufacturer = 10;
  uint16_t xmin = 0;
  uint16_t ymin = 0;
};

void Put16(Bytes& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// A 128-byte header, the run-length codes as given, and for one-plane
// pictures a 768-byte palette whose entry i is (i, 255 - i, i / 2).
Bytes MakePcx(const PcxHeader& h, const Bytes& codes, bool withPalette = true) {
  Bytes file;
  file.reserve(128 + codes.size() + 769);
  file.resize(128, 0);
  file[0] = h.manufacturer;
  file[1] = 5;
  file[2] = h.encoding;
  file[3] = h.bitsPerPlane;
  Put16(file, 4, h.xmin);
  Put16(file, 6, h.ymin);
  Put16(file, 8, static_cast<uint32_t>(h.xmin + h.width - 1));
  Put16(file, 10, static_cast<uint32_t>(h.ymin + h.height - 1));
  file[65] = h.planes;
  Put16(file, 66, static_cast<uint32_t>(h.bytesPerLine < 0 ? h.width : h.bytesPerLine));
  file.insert(file.end(), codes.begin(), codes.end());
  if (withPalette) {
    for (int i = 0; i < 256; ++i) {
      file.push_back(static_cast<uint8_t>(i));
      file.push_back(static_cast<uint8_t>(255 - i));
      file.push_back(static_cast<uint8_t>(i / 2));
    }
  }
  return file;
}

Bytes RowOf(const DecodedImage& image, int y) {
  const uint8_t* row = image.Row(y);
  return Bytes(row, row + image.RowStride());
}

using PcxReaderTest = test::EngineTest;

TEST(DecodePcxLineTest, DecodesExactlyCountBytesAndStopsAtTheDataEnd) {
  struct Row {
    const char* label;
    Bytes source;
    uint32_t count;
    Bytes decoded;  // the first `count` bytes of the destination
    int consumed;   // -1: the data ran out
  } rows[] = {
      {"literals", {1, 2, 191}, 3, {1, 2, 191}, 3},
      {"run of 3", {0xC3, 7}, 3, {7, 7, 7}, 2},
      {"run value above 191", {0xC2, 0xC5, 4}, 3, {0xC5, 0xC5, 4}, 3},
      {"run of 63",
       {0xFF, 9, 0xC1, 8},
       64,
       [] {
         Bytes b(63, 9);
         b.push_back(8);
         return b;
       }(),
       4},
      {"run cut at the line end", {0xC5, 9, 1}, 3, {9, 9, 9}, 2},
      {"code 192 writes nothing", {0xC0, 0xEE, 5, 6}, 2, {5, 6}, 4},
      {"code 192 at the line end is not taken", {5, 0xC0, 0xEE}, 1, {5}, 1},
      {"nothing asked", {0xC3, 7}, 0, {}, 0},
      {"data ends before the line", {1, 2}, 3, {}, -1},
      {"run code without its value", {1, 0xC2}, 3, {}, -1},
      {"empty data", {}, 1, {}, -1},
  };
  for (const Row& row : rows) {
    // Exactly sized, so a read past the data is caught by the sanitizers.
    std::vector<uint8_t> source(row.source);
    Bytes destination(row.count + 4, 0xAA);
    const uint8_t* begin = source.data();
    const uint8_t* end = begin + source.size();
    const uint8_t* next = DecodePcxLine(destination.data(), begin, end, row.count);
    if (row.consumed < 0) {
      EXPECT_EQ(nullptr, next) << row.label;
      continue;
    }
    ASSERT_NE(nullptr, next) << row.label;
    EXPECT_EQ(row.consumed, next - begin) << row.label;
    EXPECT_EQ(row.decoded, Bytes(destination.begin(), destination.begin() + row.count))
        << row.label;
    EXPECT_EQ(Bytes(4, 0xAA), Bytes(destination.begin() + row.count, destination.end()))
        << row.label << ": wrote past the line";
  }
}

TEST_F(PcxReaderTest, OpenAcceptsOnlyTheLayoutsItDecodes) {
  struct Row {
    const char* label;
    PcxHeader header;
    int open;
  } rows[] = {
      {"8-bit indices", {}, 1},
      {"24-bit three planes", {4, 2, 3}, 1},
      {"manufacturer 11", {4, 2, 1, 8, -1, 1, 11}, 0},
      {"one pixel wide", {1, 2}, 0},
      {"one pixel high", {4, 1}, 0},
      {"one 24-bit plane", {4, 2, 1, 24}, 0},
      {"eight 1-bit planes", {4, 2, 8, 1}, 0},
      {"four 2-bit planes", {4, 2, 4, 2}, 0},
      {"two 4-bit planes", {4, 2, 2, 4}, 0},
      {"three 8-bit planes of 16 bits", {4, 2, 6, 4}, 0},
      {"four planes (alpha)", {4, 2, 4, 8}, 0},
      {"1-bit monochrome", {4, 2, 1, 1}, 0},
      // The row would take pixels from beyond its decoded line.
      {"8-bit lines shorter than the width", {4, 2, 1, 8, 3}, 0},
      {"24-bit lines shorter than the width", {4, 2, 3, 8, 3}, 0},
      // 3 x 9 bytes do not fit the colour line buffer of 6 x 4 bytes.
      {"24-bit lines too long for the line buffer", {4, 2, 3, 8, 9}, 0},
      {"24-bit lines that just fit", {4, 2, 3, 8, 8}, 1},
      {"8-bit lines longer than the width", {4, 2, 1, 8, 100}, 1},
      {"offset extents", {4, 2, 1, 8, -1, 1, 10, 300, 7}, 1},
  };
  for (const Row& row : rows) {
    const std::string path = Write(MakePcx(row.header, Bytes(64, 1)));
    DecodedImage image;
    PcxReader reader;
    EXPECT_EQ(row.open, reader.Open(path, image)) << row.label;
    EXPECT_EQ(nullptr, image.Pixels()) << row.label << ": Open allocated";
  }

  DecodedImage image;
  PcxReader reader;
  EXPECT_EQ(0, reader.Open(folder_.File("missing.pcx"), image)) << "missing file";
  Bytes shortFile = MakePcx({}, {});
  shortFile.resize(127);
  EXPECT_EQ(0, reader.Open(Write(shortFile), image)) << "127-byte file";
}

TEST_F(PcxReaderTest, MaximumBelowMinimumPassesOpenAndFailsRead) {
  Bytes file = MakePcx({}, Bytes(64, 1));
  Put16(file, 4, 10);  // xmin 10 > xmax 3
  const std::string path = Write(file);
  DecodedImage image;
  PcxReader reader;
  ASSERT_EQ(1, reader.Open(path, image));
  EXPECT_EQ(0, reader.Read());
  EXPECT_EQ(nullptr, image.Pixels());
}

TEST_F(PcxReaderTest, IndexedOddWidthDropsThePadByteAndCutsRunsAtLineEnds) {
  PcxHeader header;
  header.width = 3;
  header.height = 3;
  header.bytesPerLine = 4;  // stored lines are one byte longer than the width
  const Bytes codes = {
      1,    2,    3, 99,          // row 0; 99 is the pad byte
      0xC6, 7,                    // row 1: a run of 6 cut to the line's 4
      0xC0, 0xEE, 4, 0xC2, 0xC8,  // row 2: code 192 first, then 200 as a run
      0xC1, 98,                   //        the pad byte, as a run of one
  };
  const std::string path = Write(MakePcx(header, codes));
  DecodedImage image;
  PcxReader reader;
  ASSERT_EQ(1, reader.Open(path, image));
  ASSERT_EQ(1, reader.Read());
  ASSERT_EQ(3, image.Width());
  ASSERT_EQ(3, image.Height());
  ASSERT_EQ(8u, image.BitsPerPixel());
  ASSERT_EQ(256, image.PaletteSize());
  EXPECT_EQ((Bytes{1, 2, 3}), RowOf(image, 0));
  EXPECT_EQ((Bytes{7, 7, 7}), RowOf(image, 1));
  // Row 2 starts with the code byte after row 1's run: the run's remainder
  // is lost, not carried over.
  EXPECT_EQ((Bytes{4, 200, 200}), RowOf(image, 2));
  // The file has no marker byte 12 before its palette; the last 768 bytes
  // are the palette all the same.
  const PaletteEntry* palette = image.Palette();
  for (int i : {0, 7, 200, 255}) {
    EXPECT_EQ(i, palette[i].red) << "entry " << i;
    EXPECT_EQ(255 - i, palette[i].green) << "entry " << i;
    EXPECT_EQ(i / 2, palette[i].blue) << "entry " << i;
  }
  EXPECT_EQ(0, reader.Read()) << "Read closes the reader";
}

TEST_F(PcxReaderTest, ColourPlanesBecomeRedGreenBlue) {
  PcxHeader header;
  header.width = 3;
  header.height = 2;
  header.planes = 3;
  header.bytesPerLine = 4;
  const Bytes codes = {
      10,   11,  12,   0, 20,   21, 22,   0, 30, 31, 32, 0,  // row 0: R, G, B planes
      0xC4, 200, 0xC4, 0, 0xC3, 5,  0xC1, 0,                 // row 1: runs per plane
  };
  const std::string path = Write(MakePcx(header, codes, false));
  DecodedImage image;
  PcxReader reader;
  ASSERT_EQ(1, reader.Open(path, image));
  ASSERT_EQ(1, reader.Read());
  ASSERT_EQ(24u, image.BitsPerPixel());
  EXPECT_EQ(0, image.PaletteSize());
  EXPECT_EQ((Bytes{10, 20, 30, 11, 21, 31, 12, 22, 32}), RowOf(image, 0));
  EXPECT_EQ((Bytes{200, 0, 5, 200, 0, 5, 200, 0, 5}), RowOf(image, 1));
}

TEST_F(PcxReaderTest, EncodingByteIsIgnored) {
  // A file that says it is stored uncompressed is still run-length decoded,
  // so its bytes of 192 and above are run codes.
  for (uint8_t encoding : {0, 1}) {
    PcxHeader header;
    header.encoding = encoding;
    const std::string path = Write(MakePcx(header, {0xC2, 5, 6, 7, 0xC4, 9}));
    DecodedImage image;
    PcxReader reader;
    ASSERT_EQ(1, reader.Open(path, image)) << "encoding " << int{encoding};
    ASSERT_EQ(1, reader.Read()) << "encoding " << int{encoding};
    EXPECT_EQ((Bytes{5, 5, 6, 7}), RowOf(image, 0)) << "encoding " << int{encoding};
    EXPECT_EQ((Bytes{9, 9, 9, 9}), RowOf(image, 1)) << "encoding " << int{encoding};
  }
}

TEST_F(PcxReaderTest, DataEndingEarlyFailsTheConversion) {
  PcxHeader colour;
  colour.planes = 3;
  // 896 bytes: the palette would take every byte after the header.
  Bytes noRoomForCodes = MakePcx({}, {0xC8, 1});
  noRoomForCodes.resize(128 + 768);
  struct Row {
    const char* label;
    Bytes file;
  } rows[] = {
      // Two rows of 4 are needed; the codes give one and a half.
      {"indexed, codes end inside the last line", MakePcx({}, {1, 2, 3, 4, 5, 6})},
      {"indexed, run code is the last byte", MakePcx({}, {1, 2, 3, 4, 0xC4})},
      {"indexed, no room for the palette", noRoomForCodes},
      {"colour, codes end inside the last line", MakePcx(colour, Bytes(20, 3), false)},
      {"colour, header only", MakePcx(colour, {}, false)},
  };
  for (const Row& row : rows) {
    const std::string source = Write(row.file);
    {
      DecodedImage image;
      PcxReader reader;
      ASSERT_EQ(1, reader.Open(source, image)) << row.label;
      EXPECT_EQ(0, reader.Read()) << row.label;
    }

    const std::string target = folder_.File("out.jpg");
    EXPECT_EQ(kNotDecodable, ConvertToJpeg(source.c_str(), target.c_str(), false, 75, true, 0))
        << row.label;
    EXPECT_FALSE(test::PathExists(target)) << row.label;
    EXPECT_TRUE(temp_.PixelFiles().empty()) << row.label;
  }
}

TEST_F(PcxReaderTest, ConvertsThroughTheChain) {
  PcxHeader header;
  header.planes = 3;
  const std::string source =
      Write(MakePcx(header, {0xC4, 255, 0xC4, 0, 0xC4, 0, 0xC4, 0, 0xC4, 0, 0xC4, 255}, false));
  const std::string target = folder_.File("out.jpg");
  ASSERT_EQ(kConverted, ConvertToJpeg(source.c_str(), target.c_str(), false, 75, true, 0));
  test::RawImage jpeg = test::ReadJpeg(target);
  ASSERT_EQ(3, jpeg.components);
  EXPECT_EQ(4, jpeg.width);
  EXPECT_EQ(2, jpeg.height);
}

#ifndef _WIN32
// PCX files that ImageMagick writes, in each layout the reader takes, must
// decode to exactly the pixels ImageMagick decodes from them.
TEST_F(PcxReaderTest, MatchesImageMagickPixelForPixel) {
  if (!test::HaveCommand("convert")) GTEST_SKIP() << "ImageMagick's convert is not installed";
  struct Row {
    const char* label;
    const char* picture;  // ImageMagick's arguments before the output
    int width, height;
    uint32_t bits;  // 0: ImageMagick's file is one we decline
  } rows[] = {
      {"truecolour, odd width", "-size 7x5 -seed 3 plasma:fractal -type truecolor", 7, 5, 24},
      {"truecolour, even width", "-size 64x16 -seed 4 plasma:fractal -type truecolor", 64, 16, 24},
      // Runs of 63 and a run cut by the end of each line.
      {"truecolour, flat", "-size 200x3 xc:#2080C8 -type truecolor", 200, 3, 24},
      {"greyscale", "-size 33x10 gradient: -type grayscale", 33, 10, 24},
      {"palette, odd width", "-size 9x7 -seed 5 plasma:fractal -type palette", 9, 7, 8},
      {"palette, wide", "-size 301x4 -seed 6 plasma:fractal -type palette", 301, 4, 8},
      {"palette, two colours", "-size 20x6 -seed 7 plasma:fractal -colors 2", 20, 6, 8},
      // Four planes: alpha, a layout the reader declines.
      {"truecolour with alpha", "-size 8x4 gradient:red-blue -alpha set", 8, 4, 0},
  };
  for (const Row& row : rows) {
    const std::string pcx = folder_.File("magick.pcx");
    const std::string rgb = folder_.File("magick.rgb");
    const std::string make = std::string("convert ") + row.picture + " 'pcx:" + pcx + "'";
    ASSERT_EQ(0, std::system(make.c_str())) << row.label << ": " << make;

    DecodedImage image;
    const int32_t decoded = DecodeImageFile(pcx, image);
    if (row.bits == 0) {
      EXPECT_EQ(kNotDecodable, decoded) << row.label;
      continue;
    }
    ASSERT_EQ(kConverted, decoded) << row.label;
    EXPECT_EQ(row.bits, image.BitsPerPixel()) << row.label;
    DecodedImage ours;
    ASSERT_TRUE(image.ConvertTo(ours, 24)) << row.label;

    const std::string decode = "convert 'pcx:" + pcx + "' -depth 8 'rgb:" + rgb + "'";
    ASSERT_EQ(0, std::system(decode.c_str())) << row.label << ": " << decode;
    const Bytes theirs = ReadFileBytes(rgb);
    ASSERT_EQ(row.width, ours.Width()) << row.label;
    ASSERT_EQ(row.height, ours.Height()) << row.label;
    ASSERT_EQ(theirs.size(), static_cast<size_t>(ours.RowStride()) * ours.Height()) << row.label;
    size_t differing = 0;
    for (size_t i = 0; i < theirs.size(); ++i) differing += theirs[i] != ours.Pixels()[i];
    EXPECT_EQ(0u, differing) << row.label << ": bytes differing from ImageMagick's decode";
  }
}
#endif

}  // namespace
}  // namespace dropshrink
