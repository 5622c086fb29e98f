#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/decoded_image.h"
#include "convert/readers/bmp_reader.h"
#include "convert/test_support.h"

namespace dropshrink {
namespace {

using test::ScopedTempDir;
using test::TempFolder;
using test::WriteFileBytes;

using test::Bytes;

void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Red, green, blue of pixel (x, y) of the test picture, y = 0 at the top.
uint8_t Sample(int x, int y, int c) { return static_cast<uint8_t>(40 * x + 70 * y + 100 * c + 1); }

// The pixel rows of a 24-bit bitmap: blue, green, red, padded to 4 bytes.
Bytes PixelRows(int width, int height, bool bottomUp) {
  const size_t rowSize = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  Bytes rows(rowSize * height, 0xEE);  // fill bytes that must be skipped
  for (int i = 0; i < height; ++i) {
    const int y = bottomUp ? height - 1 - i : i;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) rows[i * rowSize + 3 * x + c] = Sample(x, y, 2 - c);
  }
  return rows;
}

// A Windows bitmap: 14-byte file header, a header block of `headerSize`
// bytes, then the pixel rows. A negative height stores the top row first.
Bytes WindowsBmp(int width, int height, uint32_t headerSize = 40) {
  const int absHeight = height < 0 ? -height : height;
  Bytes b(14 + headerSize, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, 14 + headerSize);
  Put32(b, 14, headerSize);
  Put32(b, 18, static_cast<uint32_t>(width));
  Put32(b, 22, static_cast<uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, 24);
  Put32(b, 30, 0);
  Bytes rows = PixelRows(width, absHeight, height > 0);
  b.insert(b.end(), rows.begin(), rows.end());
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

// The OS/2 kind: a 12-byte header of 16-bit fields, rows always bottom-up.
Bytes Os2Bmp(int width, int height) {
  Bytes b(26, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, 26);
  Put32(b, 14, 12);
  Put16(b, 18, static_cast<uint32_t>(width));
  Put16(b, 20, static_cast<uint32_t>(height));
  Put16(b, 22, 1);
  Put16(b, 24, 24);
  Bytes rows = PixelRows(width, height, true);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

using BmpReaderTest = test::EngineTest;

TEST_F(BmpReaderTest, AcceptedVariantsGiveTheSameTopFirstPicture) {
  struct Case {
    const char* label;
    Bytes bytes;
    int width;
    int height;
  };
  Bytes ba = WindowsBmp(3, 2);
  ba[1] = 'A';
  Bytes bitFields = WindowsBmp(2, 2);
  Put32(bitFields, 30, 3);  // masks ignored at 24 bits
  const Case cases[] = {
      {"bottom-up", WindowsBmp(3, 2), 3, 2},
      {"top-down", WindowsBmp(3, -2), 3, 2},
      {"one pixel wide, one fill byte a row", WindowsBmp(1, 3), 1, 3},
      {"one pixel wide, top-down", WindowsBmp(1, -3), 1, 3},
      {"width needing no fill", WindowsBmp(4, 2), 4, 2},
      {"108-byte header", WindowsBmp(2, 3, 108), 2, 3},
      {"124-byte header", WindowsBmp(5, -1, 124), 5, 1},
      {"OS/2 header", Os2Bmp(3, 2), 3, 2},
      {"BA signature", ba, 3, 2},
      {"bit fields at 24 bits", bitFields, 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DecodedImage image;
    BmpReader reader;
    ASSERT_EQ(reader.Open(Write(c.bytes), image), 1);
    ASSERT_EQ(reader.Read(), 1);
    ASSERT_EQ(image.Width(), c.width);
    ASSERT_EQ(image.Height(), c.height);
    ASSERT_EQ(image.BitsPerPixel(), 24u);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        for (int ch = 0; ch < 3; ++ch)
          ASSERT_EQ(image.Row(y)[3 * x + ch], Sample(x, y, ch))
              << "x " << x << " y " << y << " channel " << ch;
  }
}

TEST_F(BmpReaderTest, DeclinedHeaders) {
  struct Case {
    const char* label;
    Bytes bytes;
  };
  auto patched16 = [](int at, uint32_t v) {
    Bytes b = WindowsBmp(2, 2);
    Put16(b, at, v);
    return b;
  };
  auto patched32 = [](int at, uint32_t v) {
    Bytes b = WindowsBmp(2, 2);
    Put32(b, at, v);
    return b;
  };
  auto os2Patched16 = [](int at, uint32_t v) {
    Bytes b = Os2Bmp(2, 2);
    Put16(b, at, v);
    return b;
  };
  auto rle = [](uint32_t compression, uint32_t bitCount) {
    Bytes b = WindowsBmp(2, 2);
    Put32(b, 30, compression);
    Put16(b, 28, bitCount);
    return b;
  };
  // The header says 40 bytes and the file holds them all, but the pixel data
  // offset leaves only 16 to the header block: the compression word lies
  // past it.
  Bytes shortWindowsBlock = WindowsBmp(2, 2);
  Put32(shortWindowsBlock, 10, 14 + 16);
  Bytes shortOs2Block = Os2Bmp(2, 2);
  Put32(shortOs2Block, 10, 14 + 10);
  const Case cases[] = {
      {"8 bits", patched16(28, 8)},
      {"16 bits", patched16(28, 16)},
      {"32 bits", patched16(28, 32)},
      {"1 bit", patched16(28, 1)},
      {"unknown bit count 12", patched16(28, 12)},
      {"RLE8", rle(1, 8)},
      {"RLE4", rle(2, 4)},
      {"RLE8 whose bit count field says 24", rle(1, 24)},
      {"compression 4", rle(4, 24)},
      {"width 0", patched32(18, 0)},
      {"negative width", patched32(18, 0xFFFFFFFFu)},
      {"height 0", patched32(22, 0)},
      {"signature BX",
       [] {
         Bytes b = WindowsBmp(2, 2);
         b[1] = 'X';
         return b;
       }()},
      {"pixel data offset 14", patched32(10, 14)},
      {"pixel data offset below 14", patched32(10, 8)},
      {"pixel data offset past the end", patched32(10, 0x7FFFFFF0u)},
      {"Windows header block shorter than 20 bytes", shortWindowsBlock},
      {"OS/2 header block shorter than 12 bytes", shortOs2Block},
      {"OS/2 8 bits", os2Patched16(24, 8)},
      {"OS/2 16 bits", os2Patched16(24, 16)},
      {"OS/2 height 32768", os2Patched16(20, 32768)},
      {"shorter than a file header", Bytes{'B', 'M', 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DecodedImage image;
    BmpReader reader;
    EXPECT_EQ(reader.Open(Write(c.bytes), image), 0);
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(reader.Read(), 0);
  }
}

TEST_F(BmpReaderTest, ReadFailures) {
  struct Case {
    const char* label;
    Bytes bytes;
  };
  Bytes lastRowMissing = WindowsBmp(3, 4);
  lastRowMissing.resize(lastRowMissing.size() - 12);
  Bytes lastByteMissing = WindowsBmp(3, -4);
  lastByteMissing.pop_back();
  // Its combined width and height word is positive, so the header passes.
  Bytes os2WidthZero = Os2Bmp(2, 2);
  Put16(os2WidthZero, 18, 0);
  const Case cases[] = {
      {"last row missing", lastRowMissing},
      {"last fill byte missing", lastByteMissing},
      {"OS/2 width 0", os2WidthZero},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = Write(c.bytes);
    DecodedImage image;
    BmpReader reader;
    ASSERT_EQ(reader.Open(path, image), 1);
    EXPECT_EQ(reader.Read(), 0);
    image.Release();
    // In the chain, the BMP reader's failure is final.
    EXPECT_EQ(DecodeImageFile(path, image), kNotDecodable);
    EXPECT_EQ(image.Width(), 0);
  }
}

TEST_F(BmpReaderTest, ChainDecodesOnlyTheDepthItReads) {
  DecodedImage image;
  EXPECT_EQ(DecodeImageFile(Write(WindowsBmp(3, 2)), image), kConverted);
  EXPECT_EQ(image.BitsPerPixel(), 24u);
  image.Release();
  Bytes eightBit = WindowsBmp(3, 2);
  Put16(eightBit, 28, 8);
  EXPECT_EQ(DecodeImageFile(Write(eightBit), image), kNotDecodable);
}

}  // namespace
}  // namespace dropshrink
