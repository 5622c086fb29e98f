#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "convert/decoded_image.h"
#include "convert/file_utils.h"
#include "convert/test_support.h"

namespace dropshrink {
namespace {

using test::ScopedTempDir;

TEST(DecodedImageTest, AllocateShapes) {
  struct Row {
    const char* label;
    int32_t width, height;
    uint32_t bits;
    int32_t paletteSize;
    bool ok;
    int32_t stride;
    int32_t keptPalette;
  } rows[] = {
      {"24-bit 3x2", 3, 2, 24, 0, true, 9, 0},
      {"grey 3x2", 3, 2, 8, 0, true, 3, 0},
      {"32-bit ignores palette", 3, 2, 32, 5, true, 12, 0},
      {"8-bit palette", 3, 2, 8, 5, true, 3, 5},
      {"zero width", 0, 10, 24, 0, false, 0, 0},
      {"negative height", 10, -1, 24, 0, false, 0, 0},
      {"12 bits", 10, 10, 12, 0, false, 0, 0},
      {"negative palette", 2, 2, 8, -1, false, 0, 0},
      // Byte sizes past int32 are refused instead of wrapping.
      {"2^31 bytes", 65536, 32768, 8, 0, false, 0, 0},
      {"just past int32", 46341, 46341, 8, 0, false, 0, 0},
      {"product past 32 bits", 0x7FFFFFFF, 0x7FFFFFFF, 32, 0, false, 0, 0},
      {"24-bit wraps to small", 0x55555556, 3, 24, 0, false, 0, 0},
  };
  for (const Row& row : rows) {
    ScopedTempDir temp;
    DecodedImage image;
    ASSERT_EQ(row.ok, image.Allocate(row.width, row.height, row.bits, row.paletteSize))
        << row.label;
    if (row.ok) {
      EXPECT_EQ(row.stride, image.RowStride()) << row.label;
      EXPECT_EQ(row.keptPalette, image.PaletteSize()) << row.label;
      EXPECT_EQ(static_cast<uint32_t>(row.stride * row.height), image.Store().Size()) << row.label;
      for (uint32_t i = 0; i < image.Store().Size(); ++i)
        ASSERT_EQ(0, image.Pixels()[i]) << row.label << " byte " << i;
      EXPECT_EQ(1u, temp.PixelFiles().size()) << row.label;
    } else {
      EXPECT_EQ(0, image.Width()) << row.label;
      EXPECT_EQ(nullptr, image.Pixels()) << row.label;
      EXPECT_EQ(0, image.RowStride()) << row.label;
      EXPECT_TRUE(temp.PixelFiles().empty()) << row.label;
    }
    image.Release();
    EXPECT_TRUE(temp.PixelFiles().empty()) << row.label;
  }
}

TEST(DecodedImageTest, ReallocateAndFailedAllocateLeaveOneOrNoFile) {
  ScopedTempDir temp;
  DecodedImage image;
  ASSERT_TRUE(image.Allocate(4, 4, 24, 0));
  ASSERT_TRUE(image.Allocate(8, 8, 8, 0));
  EXPECT_EQ(1u, temp.PixelFiles().size());
  EXPECT_FALSE(image.Allocate(0, 8, 8, 0));
  EXPECT_TRUE(temp.PixelFiles().empty());
}

TEST(DecodedImageTest, ConvertToPixels) {
  struct Row {
    const char* label;
    uint32_t bits;
    std::vector<uint8_t> pixel;
    uint8_t rgb[3];
    uint8_t grey;
  } rows[] = {
      {"red", 24, {255, 0, 0}, {255, 0, 0}, 76},
      {"green", 24, {0, 255, 0}, {0, 255, 0}, 149},
      {"blue", 24, {0, 0, 255}, {0, 0, 255}, 29},
      {"white", 24, {255, 255, 255}, {255, 255, 255}, 255},
      // Alpha comes first and is dropped without blending.
      {"argb", 32, {0, 10, 20, 30}, {10, 20, 30}, GreyLevel(10, 20, 30)},
      {"grey", 8, {77}, {77, 77, 77}, 77},
  };
  for (const Row& row : rows) {
    ScopedTempDir temp;
    DecodedImage source;
    ASSERT_TRUE(source.Allocate(1, 1, row.bits, 0)) << row.label;
    std::copy(row.pixel.begin(), row.pixel.end(), source.Pixels());
    DecodedImage colour, grey;
    ASSERT_TRUE(source.ConvertTo(colour, 24)) << row.label;
    ASSERT_TRUE(source.ConvertTo(grey, 8)) << row.label;
    EXPECT_EQ(24u, colour.BitsPerPixel()) << row.label;
    EXPECT_EQ(0, memcmp(row.rgb, colour.Pixels(), 3)) << row.label;
    EXPECT_EQ(8u, grey.BitsPerPixel()) << row.label;
    EXPECT_EQ(0, grey.PaletteSize()) << row.label;
    EXPECT_EQ(row.grey, grey.Pixels()[0]) << row.label;
    EXPECT_EQ(3u, temp.PixelFiles().size()) << row.label;
  }
}

TEST(DecodedImageTest, PaletteIndicesConvertThroughThePaletteAndPastItToBlack) {
  ScopedTempDir temp;
  DecodedImage source;
  ASSERT_TRUE(source.Allocate(3, 2, 8, 8));
  source.Palette()[7] = PaletteEntry{0, 0, 255};
  source.Palette()[1] = PaletteEntry{200, 100, 50};
  const uint8_t indices[6] = {7, 7, 1, 8, 255, 7};
  std::copy(indices, indices + 6, source.Pixels());
  DecodedImage colour, grey;
  ASSERT_TRUE(source.ConvertTo(colour, 24));
  ASSERT_TRUE(source.ConvertTo(grey, 8));
  const uint8_t expectRgb[18] = {0, 0, 255, 0, 0, 255, 200, 100, 50, 0, 0, 0, 0, 0, 0, 0, 0, 255};
  EXPECT_EQ(0, memcmp(expectRgb, colour.Pixels(), 18));
  const uint8_t expectGrey[6] = {29, 29, GreyLevel(200, 100, 50), 0, 0, 29};
  EXPECT_EQ(0, memcmp(expectGrey, grey.Pixels(), 6));
}

TEST(DecodedImageTest, ConvertAndCopyRefuseEmptySource) {
  DecodedImage empty, destination;
  EXPECT_FALSE(empty.ConvertTo(destination, 24));
  EXPECT_FALSE(destination.CopyFrom(empty));
  EXPECT_EQ(nullptr, destination.Pixels());
}

TEST(PixelStoreTest, TakesTheNextFreeNumber) {
  ScopedTempDir temp;
  ASSERT_TRUE(test::WriteFileBytes(temp.Path() + kPathSeparator + "KVTCLASS0.tmp", {1}));
  PixelStore store;
  ASSERT_TRUE(store.Create(16));
  EXPECT_EQ(temp.Path() + kPathSeparator + "KVTCLASS1.tmp", store.Path());
  PixelStore second;
  ASSERT_TRUE(second.Create(16));
  EXPECT_EQ(temp.Path() + kPathSeparator + "KVTCLASS2.tmp", second.Path());
  store.Release();
  second.Release();
  // Only the file that was there before is left.
  EXPECT_EQ(std::vector<std::string>{"KVTCLASS0.tmp"}, temp.PixelFiles());
}

TEST(PixelStoreTest, FailsWithoutATemporaryFolder) {
  ScopedTempDir temp;
  std::string missing = temp.Path() + kPathSeparator + "missing";
#ifdef _WIN32
  SetEnvironmentVariableA("TMP", missing.c_str());
  SetEnvironmentVariableA("TEMP", missing.c_str());
#else
  setenv("TMPDIR", missing.c_str(), 1);
#endif
  PixelStore store;
  EXPECT_FALSE(store.Create(16));
  EXPECT_EQ(nullptr, store.Data());
  EXPECT_EQ(0u, store.Size());
  EXPECT_FALSE(store.Create(0));
}

TEST(FileUtilsTest, ExistenceAndFolders) {
  test::TempFolder folder;
  const std::string file = folder.File("a.txt");
  ASSERT_TRUE(test::WriteFileBytes(file, {'x'}));
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(folder.Path()));
  EXPECT_TRUE(FileExists(folder.File("*.txt")));
  EXPECT_FALSE(FileExists(folder.File("*.png")));
  EXPECT_FALSE(FileExists(folder.File("b.txt")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(IsDirectory(folder.Path()));
  EXPECT_TRUE(IsDirectory(folder.Path() + kPathSeparator));
  EXPECT_FALSE(IsDirectory(file));
  EXPECT_FALSE(IsDirectory(folder.File("b")));
  EXPECT_TRUE(DeleteIfExists(folder.File("b.txt")));
  EXPECT_TRUE(DeleteIfExists(file));
  EXPECT_FALSE(FileExists(file));
}

TEST(FileUtilsTest, FileLengthRewindsToTheStart) {
  test::TempFolder folder;
  ASSERT_TRUE(test::WriteFileBytes(folder.File("f"), std::vector<uint8_t>(1234, 7)));
  ScopedFile file(OpenForReading(folder.File("f")));
  ASSERT_TRUE(file);
  std::fseek(file.Get(), 100, SEEK_SET);
  EXPECT_EQ(1234u, FileLength(file.Get()));
  EXPECT_EQ(0, std::ftell(file.Get()));
  EXPECT_EQ(0u, FileLength(nullptr));
}

#ifdef _WIN32
// "乗" is 0x81 0x5C in code page 936: its trail byte is the backslash code
// and must not be taken for a separator.
TEST(FileUtilsTest, TrailByteThatLooksLikeABackslash) {
  if (GetACP() != 936) GTEST_SKIP() << "needs ANSI code page 936, have " << GetACP();
  ScopedTempDir base;  // puts TMP and TEMP back afterwards
  const std::string folder = base.Path() + "\\\x81\x5C";
  ASSERT_TRUE(test::MakeFolder(folder));
  EXPECT_FALSE(EndsWithSeparator(folder));
  EXPECT_TRUE(EndsWithSeparator(folder + "\\"));
  SetEnvironmentVariableA("TMP", folder.c_str());
  SetEnvironmentVariableA("TEMP", folder.c_str());
  std::string name = MakeTempFileName("", "KVTCLASS");
  EXPECT_EQ(folder + "\\KVTCLASS0.tmp", name);
  EXPECT_EQ(folder + "\\KVTCLASS0.tmp", MakeTempFileName(folder, "KVTCLASS"));
}
#endif

}  // namespace
}  // namespace dropshrink
