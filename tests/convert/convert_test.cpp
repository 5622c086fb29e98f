#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "convert/convert.h"
#include "convert/decoded_image.h"
#include "convert/file_utils.h"
#include "convert/jpeg_codec.h"
#include "convert/test_support.h"

namespace dropshrink {
namespace {

using test::JpegOptions;
using test::MakePattern;
using test::RawImage;
using test::ReadFileBytes;
using test::ScopedTempDir;
using test::TempFolder;
using test::WriteFileBytes;
using test::WriteJpeg;

// Whatever the outcome, the engine leaves no pixel file behind.
using ConvertToJpegTest = test::EngineTest;

TEST_F(ConvertToJpegTest, BadArgumentsTouchNothing) {
  const std::string source = File("a.jpg");
  const std::string target = File("out.jpg");
  ASSERT_TRUE(WriteJpeg(source, MakePattern(16, 16, 3)));
  const std::vector<uint8_t> before = {'k', 'e', 'e', 'p'};
  ASSERT_TRUE(WriteFileBytes(target, before));
  struct Row {
    const char* label;
    const char* source;
    const char* target;
    int quality, smoothing;
  } rows[] = {
      {"null source", nullptr, target.c_str(), 75, 0},
      {"null target", source.c_str(), nullptr, 75, 0},
      {"quality 0", source.c_str(), target.c_str(), 0, 0},
      {"quality 101", source.c_str(), target.c_str(), 101, 0},
      {"smoothing -1", source.c_str(), target.c_str(), 75, -1},
      {"smoothing 101", source.c_str(), target.c_str(), 75, 101},
      // Checked before the source is looked at.
      {"missing source, bad quality", "no-such-file", target.c_str(), 0, 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(kBadArgument,
              ConvertToJpeg(row.source, row.target, false, row.quality, true, row.smoothing))
        << row.label;
    EXPECT_EQ(before, ReadFileBytes(target)) << row.label;
  }
  EXPECT_EQ(2u, test::ListFolder(folder_.Path()).size());
}

TEST_F(ConvertToJpegTest, SourcesThatAreNotImages) {
  ASSERT_TRUE(WriteFileBytes(File("notes.txt"), std::vector<uint8_t>(3000, 'a')));
  // Starts like a JPEG, is not one: the JPEG reader declines it.
  ASSERT_TRUE(WriteFileBytes(File("fake.jpg"), {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3, 4}));
  ASSERT_TRUE(WriteFileBytes(File("empty"), {}));
  ASSERT_TRUE(test::MakeFolder(File("sub")));
  struct Row {
    const char* label;
    std::string source;
    int32_t result;
  } rows[] = {
      {"missing", File("missing.jpg"), kSourceMissing},
      {"empty path", "", kSourceMissing},
      {"folder", File("sub"), kNotDecodable},
      {"text", File("notes.txt"), kNotDecodable},
      {"jpeg marker only", File("fake.jpg"), kNotDecodable},
      {"empty file", File("empty"), kNotDecodable},
  };
  for (const Row& row : rows) {
    const std::string target = File("out.jpg");
    EXPECT_EQ(row.result, ConvertToJpeg(row.source.c_str(), target.c_str(), false, 75, true, 0))
        << row.label;
    EXPECT_FALSE(test::PathExists(target)) << row.label;
  }
}

TEST_F(ConvertToJpegTest, ConvertsColourGreyProgressiveAndTruncatedSources) {
  struct Row {
    const char* label;
    int components;
    JpegOptions options;
    size_t cutTo;  // 0: whole file
    bool greyscale;
    int outComponents;
  } rows[] = {
      {"colour", 3, {}, 0, false, 3},         {"colour to grey", 3, {}, 0, true, 1},
      {"grey to colour", 1, {}, 0, false, 3}, {"progressive", 3, {90, true}, 0, false, 3},
      {"truncated", 3, {}, 1500, false, 3},
  };
  for (const Row& row : rows) {
    const std::string source = File("in.jpg");
    const std::string target = File("out.jpg");
    ASSERT_TRUE(WriteJpeg(source, MakePattern(67, 45, row.components), row.options));
    if (row.cutTo) {
      std::vector<uint8_t> bytes = ReadFileBytes(source);
      ASSERT_GT(bytes.size(), row.cutTo) << row.label;
      bytes.resize(row.cutTo);
      ASSERT_TRUE(WriteFileBytes(source, bytes));
    }
    ASSERT_EQ(kConverted, ConvertToJpeg(source.c_str(), target.c_str(), row.greyscale, 75, true, 0))
        << row.label;
    RawImage out = test::ReadJpeg(target);
    EXPECT_EQ(67, out.width) << row.label;
    EXPECT_EQ(45, out.height) << row.label;
    EXPECT_EQ(row.outComponents, out.components) << row.label;
    if (row.components == 1 && row.outComponents == 3) {
      // A grey source stays grey in a colour file.
      for (size_t i = 0; i < out.samples.size(); i += 3) {
        ASSERT_NEAR(out.samples[i], out.samples[i + 1], 1) << row.label;
        ASSERT_NEAR(out.samples[i], out.samples[i + 2], 1) << row.label;
      }
    }
  }
}

TEST_F(ConvertToJpegTest, DeclinesFourComponentJpeg) {
  const std::string source = File("cmyk.jpg");
  ASSERT_TRUE(WriteJpeg(source, MakePattern(20, 20, 4)));
  EXPECT_EQ(kNotDecodable,
            ConvertToJpeg(source.c_str(), File("out.jpg").c_str(), false, 75, true, 0));
  EXPECT_FALSE(test::PathExists(File("out.jpg")));
}

TEST_F(ConvertToJpegTest, ReplacesItsOwnSource) {
  const std::string path = File("self.jpg");
  ASSERT_TRUE(WriteJpeg(path, MakePattern(40, 30, 3), {95}));
  const std::vector<uint8_t> before = ReadFileBytes(path);
  ASSERT_EQ(kConverted, ConvertToJpeg(path.c_str(), path.c_str(), false, 75, true, 0));
  const std::vector<uint8_t> after = ReadFileBytes(path);
  EXPECT_NE(before, after);
  EXPECT_EQ(40, test::ReadJpeg(path).width);
  EXPECT_EQ(1u, test::ListFolder(folder_.Path()).size());
}

TEST_F(ConvertToJpegTest, TargetInMissingFolderCreatesNothing) {
  const std::string source = File("a.jpg");
  ASSERT_TRUE(WriteJpeg(source, MakePattern(8, 8, 3)));
  const std::string target = File("missing") + kPathSeparator + "out.jpg";
  EXPECT_EQ(kWriteFailed, ConvertToJpeg(source.c_str(), target.c_str(), false, 75, true, 0));
  EXPECT_EQ(std::vector<std::string>{"a.jpg"}, test::ListFolder(folder_.Path()));
}

TEST_F(ConvertToJpegTest, OptionsReachTheEncoder) {
  const std::string source = File("a.jpg");
  ASSERT_TRUE(WriteJpeg(source, MakePattern(120, 80, 3), {98}));
  auto size = [&](int quality, bool optimize, int smoothing) {
    const std::string target = File("out.jpg");
    EXPECT_EQ(kConverted,
              ConvertToJpeg(source.c_str(), target.c_str(), false, quality, optimize, smoothing));
    return ReadFileBytes(target).size();
  };
  const size_t base = size(75, true, 0);
  EXPECT_LT(size(10, true, 0), base);
  EXPECT_GT(size(100, true, 0), base);
  EXPECT_GT(size(75, false, 0), base);
  EXPECT_NE(size(75, true, 100), base);
}

TEST(JpegCodecTest, WriterLayoutAndDepths) {
  ScopedTempDir temp;
  TempFolder folder;
  const std::string target = folder.File("out.jpg");
  struct Row {
    const char* label;
    uint32_t bits;
    int32_t paletteSize;
    bool colour;
    int components;
  } rows[] = {
      {"24-bit colour", 24, 0, true, 3}, {"24-bit grey", 24, 0, false, 1},
      {"32-bit colour", 32, 0, true, 3}, {"palette grey", 8, 2, false, 1},
      {"grey colour", 8, 0, true, 3},
  };
  for (const Row& row : rows) {
    DecodedImage image;
    ASSERT_TRUE(image.Allocate(16, 16, row.bits, row.paletteSize)) << row.label;
    if (row.paletteSize) {
      // Indices 0 and 1 map to white and black: the file shows the palette
      // colours, not the index values.
      image.Palette()[0] = PaletteEntry{255, 255, 255};
      image.Palette()[1] = PaletteEntry{0, 0, 0};
      for (int i = 0; i < 256; ++i) image.Pixels()[i] = (i / 16) % 2;
    } else if (row.bits == 32) {
      // Alpha varies, colour does not: the output must be flat.
      for (int i = 0; i < 256; ++i) {
        uint8_t* p = image.Pixels() + 4 * i;
        p[0] = static_cast<uint8_t>(i);
        p[1] = 200;
        p[2] = 100;
        p[3] = 50;
      }
    }
    JpegCodec writer;
    ASSERT_EQ(1, writer.Write(target, image, 75, row.colour, true, 0)) << row.label;
    RawImage out = test::ReadJpeg(target);
    EXPECT_EQ(row.components, out.components) << row.label;
    if (row.paletteSize) {
      EXPECT_GT(out.samples[0], 240) << row.label;
      EXPECT_LT(out.samples[16], 15) << row.label;
    }
    if (row.bits == 32) {
      for (size_t i = 0; i < out.samples.size(); i += 3) {
        ASSERT_NEAR(200, out.samples[i], 3) << row.label;
        ASSERT_NEAR(100, out.samples[i + 1], 3) << row.label;
        ASSERT_NEAR(50, out.samples[i + 2], 3) << row.label;
      }
    }
  }
  EXPECT_TRUE(temp.PixelFiles().empty());
}

TEST(JpegCodecTest, ColourOutputIsBaselineJfifWithSubsampledChroma) {
  ScopedTempDir temp;
  TempFolder folder;
  DecodedImage image;
  ASSERT_TRUE(image.Allocate(32, 32, 24, 0));
  JpegCodec writer;
  ASSERT_EQ(1, writer.Write(folder.File("o.jpg"), image, 75, true, true, 0));
  std::vector<uint8_t> bytes = test::ReadFileBytes(folder.File("o.jpg"));
  ASSERT_GT(bytes.size(), 20u);
  // SOI, then the JFIF APP0 segment.
  EXPECT_EQ(0xFF, bytes[0]);
  EXPECT_EQ(0xD8, bytes[1]);
  EXPECT_EQ(0xE0, bytes[3]);
  EXPECT_EQ(0, memcmp(&bytes[6], "JFIF", 5));
  // The baseline frame header: three components, Y sampled 2x2, Cb and Cr 1x1.
  size_t sof = 0;
  for (size_t i = 2; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      sof = i;
      break;
    }
  ASSERT_NE(0u, sof);
  EXPECT_EQ(3, bytes[sof + 9]);
  EXPECT_EQ(0x22, bytes[sof + 11]);
  EXPECT_EQ(0x11, bytes[sof + 14]);
  EXPECT_EQ(0x11, bytes[sof + 17]);
}

// A write that fails after the target was chosen must leave an existing
// target exactly as it was, and no partial file beside it.
TEST(JpegCodecTest, FailedWriteLeavesExistingTargetIntact) {
  ScopedTempDir temp;
  TempFolder folder;
  const std::string target = folder.File("keep.jpg");
  const std::vector<uint8_t> before = {1, 2, 3, 4, 5};
  ASSERT_TRUE(WriteFileBytes(target, before));
  // Wider than a JPEG frame may be: libjpeg stops in jpeg_start_compress.
  DecodedImage image;
  ASSERT_TRUE(image.Allocate(70000, 1, 24, 0));
  JpegCodec writer;
  EXPECT_EQ(0, writer.Write(target, image, 75, true, true, 0));
  EXPECT_EQ(before, ReadFileBytes(target));
  EXPECT_EQ(std::vector<std::string>{"keep.jpg"}, test::ListFolder(folder.Path()));
  // The codec is usable again after the failure.
  ASSERT_TRUE(image.Allocate(4, 4, 24, 0));
  EXPECT_EQ(1, writer.Write(target, image, 75, true, true, 0));
  EXPECT_NE(before, ReadFileBytes(target));
}

TEST(JpegCodecTest, WriterRefusesBadArgumentsAndEmptyImages) {
  ScopedTempDir temp;
  TempFolder folder;
  DecodedImage empty, image;
  ASSERT_TRUE(image.Allocate(2, 2, 24, 0));
  JpegCodec writer;
  EXPECT_EQ(0, writer.Write(folder.File("a.jpg"), empty, 75, true, true, 0));
  EXPECT_EQ(0, writer.Write(folder.File("a.jpg"), image, 0, true, true, 0));
  EXPECT_EQ(0, writer.Write(folder.File("a.jpg"), image, 75, true, true, 101));
  EXPECT_TRUE(test::ListFolder(folder.Path()).empty());
}

TEST(JpegCodecTest, ReaderLifeCycle) {
  ScopedTempDir temp;
  TempFolder folder;
  const std::string path = folder.File("a.jpg");
  ASSERT_TRUE(WriteJpeg(path, MakePattern(9, 7, 1)));
  DecodedImage image;
  JpegCodec reader;
  EXPECT_EQ(0, reader.Read());  // nothing opened
  ASSERT_EQ(1, reader.Open(path, image));
  EXPECT_EQ(nullptr, image.Pixels());  // Open does not allocate
  ASSERT_EQ(1, reader.Read());
  EXPECT_EQ(9, image.Width());
  EXPECT_EQ(8u, image.BitsPerPixel());
  EXPECT_EQ(0, reader.Read());  // Read closed the codec
  reader.Close();
  reader.Close();
  EXPECT_EQ(0, reader.Open(folder.File("missing.jpg"), image));
  // The file is closed after Read: it can be deleted at once.
  EXPECT_TRUE(DeleteIfExists(path));
}

}  // namespace
}  // namespace dropshrink

#ifndef _WIN32
namespace dropshrink {
namespace {

// libjpeg-turbo's own command-line tools are an independent encoder front:
// our bytes must equal what `djpeg | cjpeg -quality 75 -optimize` writes from
// the same source, which pins every encoder setting the program makes.
TEST(JpegOracleTest, OutputEqualsDjpegCjpegPipeline) {
  if (!test::HaveCommand("djpeg") || !test::HaveCommand("cjpeg"))
    GTEST_SKIP() << "djpeg/cjpeg (libjpeg-turbo-progs) not installed";
  ScopedTempDir temp;
  TempFolder folder;
  struct Row {
    const char* label;
    int width, height, components;
    JpegOptions options;
  } rows[] = {
      {"colour q90", 333, 222, 3, {90}},
      {"grey", 100, 61, 1, {80}},
      {"progressive", 257, 129, 3, {85, true}},
      {"odd sizes", 17, 3, 3, {100}},
  };
  for (const Row& row : rows) {
    const std::string source = folder.File("src.jpg");
    const std::string ours = folder.File("ours.jpg");
    const std::string theirs = folder.File("theirs.jpg");
    ASSERT_TRUE(WriteJpeg(source, MakePattern(row.width, row.height, row.components), row.options));
    ASSERT_EQ(kConverted, ConvertToJpeg(source.c_str(), ours.c_str(), false, 75, true, 0))
        << row.label;
    // Grey sources decode to PGM, which cjpeg would keep grey: ask djpeg for
    // colour so the reference is a colour file, as ours is.
    const std::string command =
        "djpeg -rgb '" + source + "' | cjpeg -quality 75 -optimize > '" + theirs + "'";
    ASSERT_EQ(0, std::system(command.c_str())) << row.label;
    EXPECT_EQ(ReadFileBytes(theirs), ReadFileBytes(ours)) << row.label;
  }
}

}  // namespace
}  // namespace dropshrink
#endif
